// Validating and importing 1,000,000 invoice records into a PostgreSQL
// database through the program's own passes (a program folder whose
// Orva.ini names the server), against psql's \copy of the same rows as CSV
// into the same table of a second database on the same cluster, in the same
// run. Wall time is the measure of the ratio: most of the work of both
// sides is the server's, in another process. This process's CPU time is
// printed beside it.
// Usage: bench_importacao_pg [RECORDS] (or ORVA_BENCH_LINHAS); 1,000,000
// by default. Uses the cluster of ORVA_TEST_PG, or starts one of its own.
#include "registros.h"
#include "servidorpg.h"

#include "core/import/validacao.h"
#include "core/shell/dtmdados.h"
#include "ui/shell/funcoes.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLocale>
#include <QTemporaryDir>

#include <cstdio>

namespace {

const char *const kColunas = "INSCRICAO, EXERCICIO, MUNICIPIO, NF, DTA_EMIT_NF, TIPO, VALOR_NF, TIPO_EMITENTE, "
                             "NOTA_ORIGEM, DTA_NF_ORIGEM, TIPO_EMITENTE_ORIGEM, EMITENTE_NOTA_ORIGEM, TIPO_NF_ORIGEM, "
                             "VALOR_NF_ORIGEM, MUNICIPIO_ORIGEM, PROTOCOLO, OPERACAO";

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QLocale::setDefault(QLocale(QLocale::Portuguese, QLocale::Brazil));
    const int linhas = bench::tamanho(argc, argv, 1000000);
    bench::ClusterPg cluster;
    const QString nosso = QStringLiteral("orva_bench_imp"), copia = QStringLiteral("orva_bench_copy");
    cluster.criaBanco(nosso);
    cluster.criaBanco(copia);

    QTemporaryDir dir;
    const QString arquivo = dir.filePath(QStringLiteral("notas.txt"));
    const QString csv = dir.filePath(QStringLiteral("notas.csv"));
    std::printf("generating %d records...\n", linhas);
    bench::generate(arquivo, csv, 1000000, linhas);

    double validacao = 0, importacao = 0, cpu = 0;
    int importados = 0;
    {
        bench::pastaNoServidor(dir.filePath(QStringLiteral("programa")), cluster.conexao(nosso));
        Funcoes::DefineDiretorioSistema(dir.filePath(QStringLiteral("programa")));
        TdtmDados dados;
        dados.DataModuleCreate();
        dtmDados = &dados;
        dados.ADOConnection.executeScript(bench::empresaEProtocolos(1, 1));
        orva::importacao::Importador importador(dados.ADOConnection);
        const double cpu0 = bench::cpuSegundos();
        QElapsedTimer t;
        t.start();
        const auto v = importador.ValidaArquivo(arquivo, QStringLiteral("00000000000001"), QStringLiteral("2015"));
        validacao = t.nsecsElapsed() / 1e9;
        if (v.erros != 0 || v.processados != linhas)
            bench::falhou(QStringLiteral("A validação achou %1 erros em %2 registros.").arg(v.erros).arg(v.processados));
        t.restart();
        const auto r = importador.ImportaArquivo(arquivo, QStringLiteral("1"));
        importacao = t.nsecsElapsed() / 1e9;
        cpu = bench::cpuSegundos() - cpu0;
        importados = r.importados;
        if (r.erros != 0 || r.importados != linhas)
            bench::falhou(QStringLiteral("A importação recusou %1 registros.").arg(r.erros));
        dtmDados = nullptr;
    }

    const double copy = cluster.psql(
        copia, QStringLiteral("\\copy Notas (%1) from '%2' with (format csv)").arg(QLatin1String(kColunas), csv));

    const double nossos = validacao + importacao;
    std::printf("psql \\copy of the same %d rows as CSV: %.2f s\n", linhas, copy);
    std::printf("validation: %.2f s; import: %.2f s (%d rows); together %.2f s (CPU time of this process %.2f s)\n",
                validacao, importacao, importados, nossos, cpu);
    std::printf("wall-time ratio validation and import / psql \\copy: %.2fx (goal: at most 2x); import pass alone: "
                "%.2fx\n",
                nossos / copy, importacao / copy);
    cluster.apagaBanco(nosso);
    cluster.apagaBanco(copia);
    return 0;
}
