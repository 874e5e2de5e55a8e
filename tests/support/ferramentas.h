#pragma once
// Programs of the Linux machine the tests run on (pdftotext, pdfinfo, bsdtar,
// the receiving server). The Windows build's tests run under Wine, which
// starts Linux programs too: they are reached through drive Z:, and a path
// handed to them must be the Linux one. The tests' temporary folders are on
// Z: there (scripts/windows.sh points TEMP at /tmp).
#include <QFileInfo>
#include <QStandardPaths>
#include <QString>
#include <QSysInfo>

inline bool testesNoWindows() { return QSysInfo::kernelType() == QLatin1String("winnt"); }

// The program to start: found on PATH on Linux, its Linux path through Z: on
// Windows; empty when it is not there.
inline QString ferramentaHost(const QString &nome)
{
    if (!testesNoWindows())
        return QStandardPaths::findExecutable(nome);
    for (const char *pasta : {"Z:/usr/bin/", "Z:/bin/"}) {
        const QString caminho = QLatin1String(pasta) + nome;
        if (QFileInfo::exists(caminho))
            return caminho;
    }
    return QString();
}

// A path as the Linux program sees it ("Z:/tmp/x" is "/tmp/x").
inline QString caminhoHost(const QString &caminho)
{
    if (testesNoWindows() && caminho.size() > 2 && caminho.at(1) == QLatin1Char(':')
        && caminho.at(0).toUpper() == QLatin1Char('Z'))
        return QString(caminho).replace(QLatin1Char('\\'), QLatin1Char('/')).mid(2);
    return caminho;
}
