#pragma once
#include <QString>

// Where the programs keep their working files. A staged or copied program
// folder (build/dist, a folder on a share) is the folder of the executables
// themselves; an installed system keeps the executables where users may not
// write, so each user gets a program folder of their own.
namespace orva::pastaprograma {

// Whether an executable's folder belongs to an installed system: the user may
// not write there, or it lies inside the folder the packages install to.
bool instalada(const QString &pastaExecutavel);

// The per-user program folder: "orva" under the XDG data folder
// (~/.local/share/orva).
QString doUsuario();

// Links the archiver and the delivery client of the installed folder into a
// program folder, where the programs look for them. A file of the same name
// is kept; a link is renewed. Returns false and fills `erro` on failure.
bool ligaProgramas(const QString &pastaPrograma, const QString &pastaInstalada, QString *erro);

} // namespace orva::pastaprograma
