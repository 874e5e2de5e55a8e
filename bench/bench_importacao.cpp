// Validating and importing 1,000,000 invoice records, against the sqlite3
// shell importing the same rows as CSV into an identical table in the same
// run. Also in the same run: records written one commit each (how the import
// wrote before its writes were grouped) against the grouped writes, and the
// peak memory after a 100,000-record and after a 1,000,000-record file: flat
// memory means the two stay close.
#include "apoio.h"
#include "registros.h"
#include "core/import/validacao.h"
#include "core/shell/dtmdados.h"
#include "ui/shell/funcoes.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLocale>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdio>

namespace {

struct Run {
    double validate = 0;
    double import = 0;
    int imported = 0;
};

Run validateAndImport(orva::importacao::Importador &importer, const QString &file, int rows)
{
    Run run;
    QElapsedTimer t;
    t.start();
    const auto v = importer.ValidaArquivo(file, QStringLiteral("00000000000001"), QStringLiteral("2015"));
    run.validate = t.nsecsElapsed() / 1e9;
    if (v.erros != 0 || v.processados != rows) {
        std::fprintf(stderr, "validation found %d errors in %d records\n", v.erros, v.processados);
        std::exit(1);
    }
    t.restart();
    const auto r = importer.ImportaArquivo(file, QStringLiteral("1"));
    run.import = t.nsecsElapsed() / 1e9;
    run.imported = r.importados;
    if (r.erros != 0) {
        std::fprintf(stderr, "import refused %d records\n", r.erros);
        std::exit(1);
    }
    return run;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QLocale::setDefault(QLocale(QLocale::Portuguese, QLocale::Brazil));
    bench::ProgramaTemporario programa;
    QTemporaryDir &dir = programa.dir;
    TdtmDados &dados = programa.dados;
    dados.ADOConnection.executeScript(QStringLiteral(
        "Insert into Empresa Values ('00000000000001', 'EMPRESA DE TESTE', '12345678000195', '4711302', '0', '110001');"
        "Insert into Protocolo (Protocolo, Tipo_Protocolo, Tipo_Entrega, Exercicio, Inscricao, DtGeracao) Values "
        "(1, 0, '1', '2015', '00000000000001', '2015-03-05')"));
    orva::importacao::Importador importer(dados.ADOConnection);

    // One commit per record against the grouped writes, on the same 2,000 records.
    const int fewRows = 2000;
    const QString few = dir.filePath(QStringLiteral("few.txt"));
    bench::generate(few, QString(), 5000000, fewRows);
    const auto clear = [&] { dados.ADOConnection.executeScript(QStringLiteral("Delete From Notas")); };
    importer.defineRegistrosPorTransacao(1);
    QElapsedTimer t;
    t.start();
    importer.ImportaArquivo(few, QStringLiteral("1"));
    const double perRecord = t.nsecsElapsed() / 1e9;
    clear();
    importer.defineRegistrosPorTransacao(20000);
    t.restart();
    importer.ImportaArquivo(few, QStringLiteral("1"));
    const double grouped = t.nsecsElapsed() / 1e9;
    clear();
    std::printf("import of %d records, one commit each: %.3f s; grouped: %.3f s; ratio %.1fx\n", fewRows, perRecord,
                grouped, perRecord / grouped);

    std::printf("generating the files...\n");
    const QString small = dir.filePath(QStringLiteral("small.txt"));
    const QString large = dir.filePath(QStringLiteral("large.txt"));
    const QString csv = dir.filePath(QStringLiteral("large.csv"));
    bench::generate(small, QString(), 3000000, 100000);
    bench::generate(large, csv, 1000000, 1000000);

    const Run smallRun = validateAndImport(importer, small, 100000);
    const long peakSmall = bench::picoMemoriaKiB();
    clear();
    const double ourCpu0 = bench::cpuSegundos();
    const Run largeRun = validateAndImport(importer, large, 1000000);
    const double ourCpu = bench::cpuSegundos() - ourCpu0;
    const long peakLarge = bench::picoMemoriaKiB();
    std::printf("100,000 records: validation %.2f s, import %.2f s\n", smallRun.validate, smallRun.import);

    // The same table, empty, in a database of its own, filled by the sqlite3 shell.
    orva::db::Query schema(dados.ADOConnection);
    schema.setSql(QStringLiteral("Select sql From sqlite_master Where name = 'Notas'"));
    schema.open();
    const QString createTable = schema.field(0).asString();
    schema.close();
    const QString other = dir.filePath(QStringLiteral("csv.db"));
    QProcess sqlite;
    sqlite.start(QStringLiteral("sqlite3"), {other, createTable});
    if (!sqlite.waitForFinished(-1) || sqlite.exitCode() != 0) {
        std::fprintf(stderr, "sqlite3 could not create the table: %s\n", qPrintable(sqlite.errorString()));
        return 1;
    }
    const double csvCpu0 = bench::cpuSegundos(RUSAGE_CHILDREN);
    t.restart();
    sqlite.start(QStringLiteral("sqlite3"), {other, QStringLiteral(".import --csv %1 Notas").arg(csv)});
    if (!sqlite.waitForFinished(-1) || sqlite.exitCode() != 0) {
        std::fprintf(stderr, "sqlite3 .import failed: %s %s\n", qPrintable(sqlite.errorString()),
                     sqlite.readAllStandardError().constData());
        return 1;
    }
    const double csvTime = t.nsecsElapsed() / 1e9;
    const double csvCpu = bench::cpuSegundos(RUSAGE_CHILDREN) - csvCpu0;
    sqlite.start(QStringLiteral("sqlite3"), {other, QStringLiteral("Select Count(*) From Notas")});
    sqlite.waitForFinished(-1);
    const QByteArray csvRows = sqlite.readAllStandardOutput().trimmed();

    const double ours = largeRun.validate + largeRun.import;
    std::printf("sqlite3 .import of the same 1,000,000 rows as CSV: %.2f s (%s rows)\n", csvTime, csvRows.constData());
    std::printf("validation of 1,000,000 records: %.2f s; import: %.2f s (%d rows); together %.2f s\n",
                largeRun.validate, largeRun.import, largeRun.imported, ours);
    std::printf("ratio validation and import / sqlite3 .import: %.2fx (goal: at most 1.2x)\n", ours / csvTime);
    std::printf("CPU time: validation and import %.2f s, sqlite3 .import %.2f s, ratio %.2fx (a check when other work "
                "loads the machine)\n",
                ourCpu, csvCpu, ourCpu / csvCpu);
    std::printf("peak memory after 100,000 records: %ld KiB; after 1,000,000 records: %ld KiB\n", peakSmall, peakLarge);
    return 0;
}
