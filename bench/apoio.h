#pragma once
// What the benchmarks share: a fresh program folder with its database open,
// and the process's peak memory.
#include "core/shell/dtmdados.h"
#include "ui/shell/funcoes.h"
#include "core/shell/instalacao.h"

#include <QFile>
#include <QTemporaryDir>

#include <sys/resource.h>

namespace bench {

// A new program folder with orva.mdb, opened as the program's data module
// for the lifetime of the object.
struct ProgramaTemporario {
    ProgramaTemporario()
    {
        orva::install::createProgramFolder(dir.path());
        Funcoes::DefineDiretorioSistema(dir.path());
        dados.DataModuleCreate();
        dtmDados = &dados;
    }
    ~ProgramaTemporario() { dtmDados = nullptr; }

    QTemporaryDir dir;
    TdtmDados dados;
};

// Peak resident memory of this process so far (VmHWM), in KiB; -1 when unknown.
inline long picoMemoriaKiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toLong();
    return -1;
}

// CPU time (user + system) used so far by this process (RUSAGE_SELF) or by
// its finished children (RUSAGE_CHILDREN), in seconds. Other load on the
// machine stretches wall time, hardly this.
inline double cpuSegundos(int quem = RUSAGE_SELF)
{
    rusage uso{};
    getrusage(quem, &uso);
    const auto s = [](const timeval &t) { return t.tv_sec + t.tv_usec / 1e6; };
    return s(uso.ru_utime) + s(uso.ru_stime);
}

} // namespace bench
