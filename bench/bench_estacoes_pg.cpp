// Eight workstations importing into one PostgreSQL database at the same
// time: eight orva-cli processes, each with a program folder of its own
// whose Orva.ini names the database and each importing 100,000 records under
// a protocol of its own, against one orva-cli importing the 800,000 records
// into another database of the same cluster, in the same run. Each run is
// what `orva-cli import` does: validation, import, compaction. Wall time is
// the measure of the ratio; the CPU time of the orva-cli processes is
// printed beside it. The row counts are checked: no record lost.
// Usage: bench_estacoes_pg [RECORDS_PER_WORKSTATION] (or ORVA_BENCH_LINHAS);
// 100,000 by default. Uses the cluster of ORVA_TEST_PG, or starts one.
#include "registros.h"
#include "servidorpg.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdio>
#include <memory>
#include <vector>

namespace {

constexpr int kEstacoes = 8;

// Starts orva-cli import of `arquivo` under `protocolo` in program folder `pasta`.
std::unique_ptr<QProcess> importa(const QString &pasta, int protocolo, const QString &arquivo)
{
    auto p = std::make_unique<QProcess>();
    p->setStandardOutputFile(QProcess::nullDevice());
    p->setStandardErrorFile(pasta + QStringLiteral("/erros.txt"));
    p->start(QStringLiteral(ORVA_DIST_DIR "/orva-cli"), {QStringLiteral("--dir"), pasta, QStringLiteral("import"),
                                                          QStringLiteral("--protocolo"), QString::number(protocolo),
                                                          arquivo});
    return p;
}

void espera(QProcess &p, const QString &pasta)
{
    if (!p.waitForFinished(-1) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        QFile erros(pasta + QStringLiteral("/erros.txt"));
        erros.open(QIODevice::ReadOnly);
        bench::falhou(QStringLiteral("orva-cli import em %1 terminou com %2: %3")
                          .arg(pasta)
                          .arg(p.exitCode())
                          .arg(QString::fromUtf8(erros.readAll())));
    }
}

void confere(const bench::ClusterPg &cluster, const QString &banco, qint64 esperadas)
{
    QByteArray n;
    cluster.psql(banco, QStringLiteral("select count(*) from notas"), &n);
    if (n.toLongLong() != esperadas)
        bench::falhou(QStringLiteral("%1 tem %2 notas; esperadas %3.").arg(banco, QString::fromUtf8(n)).arg(esperadas));
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int porEstacao = bench::tamanho(argc, argv, 100000);
    bench::ClusterPg cluster;
    const QString oito = QStringLiteral("orva_bench_oito"), um = QStringLiteral("orva_bench_um");
    cluster.criaBanco(oito);
    cluster.criaBanco(um);
    cluster.psql(oito, bench::empresaEProtocolos(1, kEstacoes));
    cluster.psql(um, bench::empresaEProtocolos(1, 1));

    QTemporaryDir dir;
    std::printf("generating %d files of %d records and one of %d...\n", kEstacoes, porEstacao, kEstacoes * porEstacao);
    const QString todas = dir.filePath(QStringLiteral("todas.txt"));
    bench::generate(todas, QString(), 1000000, kEstacoes * porEstacao);
    QStringList pastas, arquivos;
    for (int e = 0; e < kEstacoes; ++e) {
        pastas << dir.filePath(QStringLiteral("estacao%1").arg(e + 1));
        arquivos << dir.filePath(QStringLiteral("notas%1.txt").arg(e + 1));
        bench::pastaNoServidor(pastas.last(), cluster.conexao(oito));
        bench::generate(arquivos.last(), QString(), 1000000 + e * porEstacao, porEstacao);
    }
    const QString sozinha = dir.filePath(QStringLiteral("sozinha"));
    bench::pastaNoServidor(sozinha, cluster.conexao(um));

    QElapsedTimer t;
    double cpu0 = bench::cpuSegundos(RUSAGE_CHILDREN);
    t.start();
    auto p = importa(sozinha, 1, todas);
    espera(*p, sozinha);
    const double tempoUm = t.nsecsElapsed() / 1e9;
    const double cpuUm = bench::cpuSegundos(RUSAGE_CHILDREN) - cpu0;
    confere(cluster, um, static_cast<qint64>(kEstacoes) * porEstacao);
    std::printf("one orva-cli importing %d records: %.2f s (CPU %.2f s)\n", kEstacoes * porEstacao, tempoUm, cpuUm);
    std::fflush(stdout);

    cpu0 = bench::cpuSegundos(RUSAGE_CHILDREN);
    t.restart();
    std::vector<std::unique_ptr<QProcess>> processos;
    for (int e = 0; e < kEstacoes; ++e)
        processos.push_back(importa(pastas.at(e), e + 1, arquivos.at(e)));
    for (int e = 0; e < kEstacoes; ++e)
        espera(*processos[static_cast<size_t>(e)], pastas.at(e));
    const double tempoOito = t.nsecsElapsed() / 1e9;
    const double cpuOito = bench::cpuSegundos(RUSAGE_CHILDREN) - cpu0;
    confere(cluster, oito, static_cast<qint64>(kEstacoes) * porEstacao);

    std::printf("%d orva-cli at once, %d records each: %.2f s (CPU %.2f s), no record lost\n", kEstacoes, porEstacao,
                tempoOito, cpuOito);
    std::printf("wall-time ratio %d workstations / one: %.2fx\n", kEstacoes, tempoOito / tempoUm);
    cluster.apagaBanco(oito);
    cluster.apagaBanco(um);
    return 0;
}
