// Exporting a protocol of 1,000,000 invoice rows, against the sqlite3 shell
// dumping the same rows as CSV from the same database in the same run. Peak
// memory is read after a 100,000-row and after a 1,000,000-row export: flat
// memory means the two stay close.
#include "apoio.h"
#include "core/export/exportacao.h"
#include "core/shell/dtmdados.h"
#include "ui/shell/funcoes.h"
#include "common/relogio.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLocale>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdio>

namespace {

void fill(orva::db::Connection &c, int protocolo, int rows)
{
    orva::db::Command cmd(c);
    // Built by concatenation: the statement's own "%" formats must stay as they are.
    const QString n = QString::number(rows), p = QString::number(protocolo);
    cmd.setCommandText(
        "With Recursive n(i) As (Select 1 Union All Select i + 1 From n Where i < " + n + ") "
        "Insert into Notas Select '00000000000001', '2015', printf('%06d', 110001 + i % 180), printf('%02d%08d', " + p
        + ", i), '2015-03-05', CASE WHEN i % 2 THEN 'NP' ELSE 'NE' END, i * 0.37, 1, printf('%010d', i), '2015-03-01', 1, "
          "'00000078865280', 'NP', i * 0.37, '110063', " + p + ", 'I' From n");
    cmd.execute();
}

double exportSeconds(TdtmDados &dados, orva::exportacao::Exportador &exportador, const QString &protocolo)
{
    QElapsedTimer t;
    t.start();
    const orva::db::ReadTransaction instantaneo(dados.ADOConnection); // as the export reads
    const auto p = exportador.carregaProtocolo(protocolo, orva::hoje());
    const auto empresa = exportador.registroEmpresa(p->inscricao);
    const auto r = exportador.gravaArquivo(*p, *empresa);
    const double s = t.nsecsElapsed() / 1e9;
    std::printf("  export of protocol %s: %d rows, %.2f s\n", qPrintable(protocolo), r.linhas, s);
    return s;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QLocale::setDefault(QLocale(QLocale::Portuguese, QLocale::Brazil));
    bench::ProgramaTemporario programa;
    QTemporaryDir &dir = programa.dir;
    TdtmDados &dados = programa.dados;
    orva::db::Command setup(dados.ADOConnection);
    setup.setCommandText(QStringLiteral(
        "Insert into Empresa Values ('00000000000001', 'EMPRESA DE TESTE', '12345678000195', '4711302', '0', '110001')"));
    setup.execute();
    setup.setCommandText(QStringLiteral(
        "Insert into Protocolo (Protocolo, Tipo_Protocolo, Tipo_Entrega, Exercicio, Inscricao, DtGeracao) Values "
        "(1, 0, '1', '2015', '00000000000001', '2015-03-05'), (2, 0, '1', '2015', '00000000000001', '2015-03-05')"));
    setup.execute();
    std::printf("filling the database...\n");
    fill(dados.ADOConnection, 1, 100000);
    fill(dados.ADOConnection, 2, 1000000);

    orva::exportacao::Exportador exportador(dados.ADOConnection);
    exportSeconds(dados, exportador, QStringLiteral("1"));
    const long peakSmall = bench::picoMemoriaKiB();
    const double exportCpu0 = bench::cpuSegundos();
    const double exportTime = exportSeconds(dados, exportador, QStringLiteral("2"));
    const double exportCpu = bench::cpuSegundos() - exportCpu0;
    const long peakLarge = bench::picoMemoriaKiB();

    const double dumpCpu0 = bench::cpuSegundos(RUSAGE_CHILDREN);
    QElapsedTimer t;
    t.start();
    QProcess dump;
    dump.setStandardOutputFile(dir.filePath(QStringLiteral("dump.csv")));
    dump.start(QStringLiteral("sqlite3"), {QStringLiteral("-csv"), dir.filePath(QStringLiteral("orva.mdb")),
                                           QStringLiteral("Select * From Notas Where Protocolo = 2")});
    if (!dump.waitForFinished(-1) || dump.exitCode() != 0) {
        std::fprintf(stderr, "sqlite3 -csv failed: %s\n", qPrintable(dump.errorString()));
        return 1;
    }
    const double dumpTime = t.nsecsElapsed() / 1e9;
    const double dumpCpu = bench::cpuSegundos(RUSAGE_CHILDREN) - dumpCpu0;

    std::printf("sqlite3 -csv dump of the same 1,000,000 rows: %.2f s\n", dumpTime);
    std::printf("export of 1,000,000 rows: %.2f s\n", exportTime);
    std::printf("ratio export / dump: %.2fx (goal: at most 1.2x)\n", exportTime / dumpTime);
    std::printf("CPU time: export %.2f s, dump %.2f s, ratio %.2fx (a check when other work loads the machine)\n",
                exportCpu, dumpCpu, exportCpu / dumpCpu);
    std::printf("peak memory after 100,000 rows: %ld KiB; after 1,000,000 rows: %ld KiB\n", peakSmall, peakLarge);
    return 0;
}
