#pragma once
#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

// The Windows-1252 code page, through the system's own conversion. Every
// byte is one character; the five bytes the code page leaves undefined
// (0x81, 0x8D, 0x8F, 0x90, 0x9D) are the control characters of the same
// value both ways, as Windows reads and writes them.
namespace orva::plataforma::cp1252 {

QString decodifica(QByteArrayView bytes);

// Encodes `texto` up to its first character the code page cannot carry (a
// lone surrogate included); `parada` receives that character's index, or
// texto.size() when everything was encoded.
QByteArray codifica(QStringView texto, qsizetype &parada);

} // namespace orva::plataforma::cp1252
