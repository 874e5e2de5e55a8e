#pragma once
// Programs of the Linux machine the tests run on (pdftotext, pdfinfo, bsdtar,
// the receiving server). The Windows build's tests run under Wine, which
// starts Linux programs too: they are reached through drive Z:, and a path
// handed to them must be the Linux one. The tests' temporary folders are on
// Z: there (scripts/windows.sh points TEMP at /tmp).
#include "support/plataforma.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QString>
#include <QStringList>
#include <QSysInfo>
#include <QTemporaryDir>

#include <chrono>
#include <thread>

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
inline QString caminhoHost(const QString &caminho) { return sistema::caminhoHospedeiro(caminho); }

// What a Linux tool did: whether it ended in time, its exit code and output.
struct ResultadoHost {
    bool terminou = false;
    int codigo = -1;
    QByteArray saida;
    QByteArray erros;
};

inline QByteArray conteudoDe(const QString &caminho)
{
    QFile f(caminho);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Runs a Linux tool (found by ferramentaHost) to its end, `esperaMs` at most;
// its path arguments must already be host paths (caminhoHost). Wine starts a
// Linux program but can neither read its output nor wait for it, so there a
// shell writes the output and the exit code to files, which this waits for.
inline ResultadoHost executaHost(const QString &nome, const QStringList &argumentos, int esperaMs = 30000)
{
    ResultadoHost r;
    const QString programa = ferramentaHost(nome);
    if (programa.isEmpty())
        return r;
    if (!testesNoWindows()) {
        QProcess p;
        p.start(programa, argumentos);
        r.terminou = p.waitForFinished(esperaMs) && p.exitStatus() == QProcess::NormalExit;
        r.codigo = p.exitCode();
        r.saida = p.readAllStandardOutput();
        r.erros = p.readAllStandardError();
        return r;
    }
    QTemporaryDir controle;
    const QString saida = controle.filePath(QStringLiteral("saida"));
    const QString erros = controle.filePath(QStringLiteral("erros"));
    const QString codigo = controle.filePath(QStringLiteral("codigo"));
    const QStringList roteiro{QStringLiteral("-c"),
                              QStringLiteral("o=$0; e=$1; c=$2; shift 2; \"$@\" >$o 2>$e; echo $? >$c.novo; mv $c.novo $c"),
                              caminhoHost(saida), caminhoHost(erros), caminhoHost(codigo), caminhoHost(programa)};
    if (!QProcess::startDetached(ferramentaHost(QStringLiteral("sh")), roteiro + argumentos))
        return r;
    QElapsedTimer relogio;
    relogio.start();
    while (!QFileInfo::exists(codigo) && relogio.elapsed() < esperaMs)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    r.terminou = QFileInfo::exists(codigo);
    r.codigo = r.terminou ? conteudoDe(codigo).trimmed().toInt() : -1;
    r.saida = conteudoDe(saida);
    r.erros = conteudoDe(erros);
    return r;
}
