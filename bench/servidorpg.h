#pragma once
// What the PostgreSQL benchmarks share: a cluster (ORVA_TEST_PG when set,
// else a throwaway one started with scripts/pg-cluster.sh and stopped at the
// end), databases on it with the program's tables, program folders whose
// Orva.ini names one, and psql run against one.
#include "apoio.h"
#include "core/shell/instalacao.h"

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>

namespace bench {

// The size of a run: the first argument, else ORVA_BENCH_LINHAS, else `padrao`.
inline int tamanho(int argc, char **argv, int padrao)
{
    const QByteArray texto = argc > 1 ? QByteArray(argv[1]) : qgetenv("ORVA_BENCH_LINHAS");
    const int n = texto.toInt();
    return n > 0 ? n : padrao;
}

// The folder of the cluster this run started, to stop it when the run fails.
inline QString &pastaDoCluster()
{
    static QString pasta;
    return pasta;
}

inline void paraCluster()
{
    if (!pastaDoCluster().isEmpty())
        QProcess::execute(QStringLiteral(ORVA_SOURCE_DIR "/scripts/pg-cluster.sh"),
                          {QStringLiteral("stop"), pastaDoCluster()});
    pastaDoCluster().clear();
}

// Ends a failed run: its cluster is stopped first, since no destructor runs.
[[noreturn]] inline void falhou(const QString &o_que)
{
    std::fprintf(stderr, "%s\n", qPrintable(o_que));
    paraCluster();
    std::exit(1);
}

class ClusterPg {
public:
    ClusterPg()
    {
        m_conexao = qEnvironmentVariable("ORVA_TEST_PG");
        if (!m_conexao.isEmpty())
            return;
        m_pasta = std::make_unique<QTemporaryDir>(QStringLiteral("/tmp/orva-bench-pg.XXXXXX"));
        QProcess script;
        script.start(QStringLiteral(ORVA_SOURCE_DIR "/scripts/pg-cluster.sh"), {QStringLiteral("start"), m_pasta->path()});
        if (!script.waitForFinished(120000) || script.exitCode() != 0)
            falhou(QStringLiteral("O cluster PostgreSQL não iniciou: ") + QString::fromUtf8(script.readAllStandardError()));
        m_conexao = QString::fromUtf8(script.readAllStandardOutput()).trimmed();
        pastaDoCluster() = m_pasta->path();
    }
    ~ClusterPg() { paraCluster(); }
    ClusterPg(const ClusterPg &) = delete;
    ClusterPg &operator=(const ClusterPg &) = delete;

    // The connection string of database `nome` on the cluster.
    QString conexao(const QString &nome) const { return m_conexao + QStringLiteral(" dbname=") + nome; }

    // Runs psql with one command on database `nome`; its wall time in
    // seconds. `saida`, when given, takes what it prints (unaligned, no headers).
    double psql(const QString &nome, const QString &comando, QByteArray *saida = nullptr) const
    {
        QElapsedTimer t;
        t.start();
        QProcess p;
        p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        if (!saida)
            p.setStandardOutputFile(QProcess::nullDevice());
        p.start(QStringLiteral("psql"), {QStringLiteral("-X"), QStringLiteral("-q"), QStringLiteral("-A"),
                                         QStringLiteral("-t"), QStringLiteral("-v"),
                                         QStringLiteral("ON_ERROR_STOP=1"), QStringLiteral("-d"), conexao(nome),
                                         QStringLiteral("-c"), comando});
        if (!p.waitForFinished(-1) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
            falhou(QStringLiteral("psql falhou: ") + comando.left(200));
        if (saida)
            *saida = p.readAllStandardOutput().trimmed();
        return t.nsecsElapsed() / 1e9;
    }

    // A new database `nome` (an earlier one of that name goes first) with
    // the program's tables and reference rows.
    void criaBanco(const QString &nome) const
    {
        psql(QStringLiteral("postgres"), QStringLiteral("drop database if exists %1 with (force)").arg(nome));
        psql(QStringLiteral("postgres"), QStringLiteral("create database %1").arg(nome));
        orva::install::createServerDatabase(conexao(nome));
    }
    void apagaBanco(const QString &nome) const
    {
        psql(QStringLiteral("postgres"), QStringLiteral("drop database if exists %1 with (force)").arg(nome));
    }

private:
    std::unique_ptr<QTemporaryDir> m_pasta;
    QString m_conexao;
};

// A program folder whose Orva.ini names a server database.
inline void pastaNoServidor(const QString &pasta, const QString &conexao)
{
    orva::install::createProgramFolder(pasta);
    QFile ini(pasta + QStringLiteral("/Orva.ini"));
    if (!ini.open(QIODevice::WriteOnly))
        falhou(QStringLiteral("Orva.ini não pôde ser gravado em ") + pasta);
    ini.write("[Banco]\r\nServidor=" + conexao.toUtf8() + "\r\n");
}

// The company and the open invoice protocols `primeiro` to `ultimo` that
// the benchmarks import into and export.
inline QString empresaEProtocolos(int primeiro, int ultimo)
{
    QString sql = QStringLiteral(
        "Insert into Empresa Values ('00000000000001', 'EMPRESA DE TESTE', '12345678000195', '4711302', '0', '110001');");
    for (int p = primeiro; p <= ultimo; ++p)
        sql += QStringLiteral("Insert into Protocolo (Protocolo, Tipo_Protocolo, Tipo_Entrega, Exercicio, Inscricao, "
                              "DtGeracao) Values (%1, 0, '1', '2015', '00000000000001', '2015-03-05');")
                   .arg(p);
    return sql;
}

} // namespace bench
