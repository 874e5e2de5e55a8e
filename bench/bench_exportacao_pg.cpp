// Exporting a protocol of 1,000,000 invoice rows from a PostgreSQL database
// through the program's own export (a program folder whose Orva.ini names
// the server), against psql's \copy of the same rows to a CSV file, in the
// same run. Wall time is the measure of the ratio: part of the work of both
// sides is the server's, in another process. This process's CPU time is
// printed beside it.
// Usage: bench_exportacao_pg [ROWS] (or ORVA_BENCH_LINHAS); 1,000,000 by
// default. Uses the cluster of ORVA_TEST_PG, or starts one of its own.
#include "servidorpg.h"

#include "core/export/exportacao.h"
#include "core/shell/dtmdados.h"
#include "ui/shell/funcoes.h"
#include "common/relogio.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLocale>
#include <QTemporaryDir>

#include <cstdio>

namespace {

// `linhas` rows of protocol `protocolo`, written by the server itself.
QString preenche(int protocolo, int linhas)
{
    const QString p = QString::number(protocolo);
    return QStringLiteral("insert into notas (INSCRICAO, EXERCICIO, MUNICIPIO, NF, DTA_EMIT_NF, TIPO, VALOR_NF, "
                          "TIPO_EMITENTE, NOTA_ORIGEM, DTA_NF_ORIGEM, TIPO_EMITENTE_ORIGEM, EMITENTE_NOTA_ORIGEM, "
                          "TIPO_NF_ORIGEM, VALOR_NF_ORIGEM, MUNICIPIO_ORIGEM, PROTOCOLO, OPERACAO) "
                          "select '00000000000001', '2015', lpad((110001 + i % 180)::text, 6, '0'), lpad('%1', 2, '0') "
                          "|| lpad(i::text, 8, '0'), date '2015-03-05', case when i % 2 = 1 then 'NP' else 'NE' end, "
                          "i * 0.37, 1, lpad(i::text, 10, '0'), date '2015-03-01', 1, '00000078865280', 'NP', "
                          "i * 0.37, '110063', %1, 'I' from generate_series(1, %2) i")
        .arg(p)
        .arg(linhas);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QLocale::setDefault(QLocale(QLocale::Portuguese, QLocale::Brazil));
    const int linhas = bench::tamanho(argc, argv, 1000000);
    bench::ClusterPg cluster;
    const QString banco = QStringLiteral("orva_bench_exp");
    cluster.criaBanco(banco);
    QTemporaryDir dir;
    bench::pastaNoServidor(dir.filePath(QStringLiteral("programa")), cluster.conexao(banco));
    Funcoes::DefineDiretorioSistema(dir.filePath(QStringLiteral("programa")));
    std::printf("filling the database with %d rows...\n", linhas);
    cluster.psql(banco, bench::empresaEProtocolos(1, 1));
    cluster.psql(banco, preenche(1, linhas));
    cluster.psql(banco, QStringLiteral("vacuum analyze"));

    double exportacao = 0, cpu = 0;
    int exportadas = 0;
    {
        TdtmDados dados;
        dados.DataModuleCreate();
        dtmDados = &dados;
        orva::exportacao::Exportador exportador(dados.ADOConnection);
        const double cpu0 = bench::cpuSegundos();
        QElapsedTimer t;
        t.start();
        const orva::db::ReadTransaction instantaneo(dados.ADOConnection); // as the export reads
        const auto p = exportador.carregaProtocolo(QStringLiteral("1"), orva::hoje());
        const auto empresa = exportador.registroEmpresa(p->inscricao);
        exportadas = exportador.gravaArquivo(*p, *empresa).linhas;
        exportacao = t.nsecsElapsed() / 1e9;
        cpu = bench::cpuSegundos() - cpu0;
        dtmDados = nullptr;
    }

    const double copy = cluster.psql(
        banco, QStringLiteral("\\copy (select * from notas where protocolo = 1 order by rowid) to '%1' with (format csv)")
                   .arg(dir.filePath(QStringLiteral("notas.csv"))));

    std::printf("psql \\copy (select ...) to CSV of the same %d rows: %.2f s\n", linhas, copy);
    std::printf("export of %d rows: %.2f s (CPU time of this process %.2f s)\n", exportadas, exportacao, cpu);
    std::printf("wall-time ratio export / psql \\copy: %.2fx (goal: at most 2x)\n", exportacao / copy);
    cluster.apagaBanco(banco);
    return 0;
}
