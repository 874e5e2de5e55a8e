#pragma once
#include <QIcon>
#include <QImage>

// The system's one picture. It is drawn here rather than shipped as a picture
// file, so it scales to any size.
namespace orva {

// The emblem of the client's banner and of its reports.
QImage Emblema(int altura = 280);

// The programs' icon: the emblem centred on a square. Windows, the task bar,
// the about box, the menu entries (packaging/orva_icone.cpp) and the Windows
// icon all show this one.
QImage icone(int lado);
QIcon iconePrograma();

// Names the running program to the desktop as its menu entry does: the
// window class `classe` (the entry's StartupWMClass), the entry's id
// `entrada` (Wayland's application id) and the icon of its windows.
void apresentaPrograma(const QString &classe, const QString &entrada);

} // namespace orva
