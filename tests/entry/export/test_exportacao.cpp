// The one export run that the window and orva-cli share: the archive is
// handed on before the protocol is marked, and every end says so.
#include "support/motor.h"
#include "support/sql.h"
#include "support/temp_program.h"

#include "core/export/exportacao.h"
#include "core/db/postgres/postgres.h"
#include "common/relogio.h"

#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

using orva::exportacao::Execucao;
using orva::exportacao::Exportacao;

namespace {

void protocoloComNota(orva::db::Connection &c, int numero, const QString &nf)
{
    sql::executa(c, QStringLiteral("Insert into Protocolo (Protocolo, Tipo_Protocolo, Tipo_Entrega, Exercicio, Inscricao, "
                                   "DtGeracao) Values (%1, 0, '1', '2015', '00000000000001', '2015-03-05')")
                        .arg(numero));
    if (!nf.isEmpty())
        sql::executa(c, QStringLiteral("Insert into Notas Values ('00000000000001', '2015', '110002', '%1', "
                                       "'2015-02-10', 'NP', 10.0, 1, '0000000000', '1900-01-01', 0, "
                                       "'00000000000000', '', 0, '', %2, 'I')")
                            .arg(nf)
                            .arg(numero));
}

// The archiver beside the program and the invoice declarant 00000000000001.
void preparaPasta(TempProgram &program)
{
    ASSERT_TRUE(QFile::copy(QStringLiteral(ORVA_DIST_DIR "/rar" ORVA_EXE), program.path("rar" ORVA_EXE)));
    sql::executa(program.connection(), "Insert into Empresa Values ('00000000000001', 'EMPRESA ALFA', "
                                       "'12345678000195', '4711302', '0', '110001')");
}

QString transmissao(orva::db::Connection &c, int numero)
{
    return sql::valor(c, QStringLiteral("Select DtTransmissao From Protocolo Where Protocolo = %1").arg(numero));
}

} // namespace

TEST(ExecucaoExportacao, TheArchiveIsHandedOnBeforeTheMarkAndEveryEndIsSaid)
{
    TempProgram program;
    orva::db::Connection &c = program.connection();
    ASSERT_NO_FATAL_FAILURE(preparaPasta(program));
    protocoloComNota(c, 7, "0000000001");
    protocoloComNota(c, 8, "0000000002");
    protocoloComNota(c, 9, QString());
    orva::exportacao::Exportador exportador(c);
    const QDate hoje(2015, 6, 1);

    int entregas = 0;
    auto e = exportador.executa("7", hoje, {}, [&](const Exportacao &exportacao) {
        ++entregas;
        EXPECT_TRUE(QFileInfo(exportacao.arquivoCompactado).size() > 0);
        EXPECT_EQ(transmissao(c, 7), ""); // still open while the client runs
    });
    EXPECT_EQ(e.fim, Execucao::Fim::Concluida) << e.mensagem.toStdString();
    EXPECT_EQ(e.mensagem, "Exportação Concluida!");
    EXPECT_EQ(transmissao(c, 7), "01/06/2015");

    // The protocol gone while the client ran: the mark is said to have
    // failed, and no archive of an unmarked protocol stays to be sent.
    e = exportador.executa("8", hoje, {}, [&](const Exportacao &) {
        ++entregas;
        sql::executa(c, "Delete From Protocolo Where Protocolo = 8");
    });
    EXPECT_EQ(e.fim, Execucao::Fim::MarcaFalhou);
    EXPECT_TRUE(e.mensagem.startsWith("O protocolo não pôde ser marcado como transmitido")) << e.mensagem.toStdString();
    EXPECT_FALSE(QFileInfo::exists(e.exportacao.arquivoCompactado));

    // Nothing is handed on for a protocol no longer open or without rows.
    e = exportador.executa("7", hoje, {}, [&](const Exportacao &) { ++entregas; });
    EXPECT_EQ(e.fim, Execucao::Fim::Recusada);
    EXPECT_EQ(e.mensagem, orva::exportacao::mensagemProtocoloInexistente());
    e = exportador.executa("9", hoje, {}, [&](const Exportacao &) { ++entregas; });
    EXPECT_EQ(e.fim, Execucao::Fim::SemRegistros);
    EXPECT_EQ(transmissao(c, 9), "");
    EXPECT_EQ(entregas, 2);
}

TEST(ExecucaoExportacao, RowsChangedWhileTheClientRanLeaveNoSendableArchive)
{
    TempProgram program;
    orva::db::Connection &c = program.connection();
    ASSERT_NO_FATAL_FAILURE(preparaPasta(program));
    protocoloComNota(c, 8, "0000000003");
    orva::exportacao::Exportador exportador(c);
    const QDate hoje(2015, 6, 1);
    int entregas = 0;

    // Changed while the client ran: refused at the mark, archive removed.
    auto e = exportador.executa("8", hoje, {}, [&](const Exportacao &) {
        ++entregas;
        sql::executa(c, "Insert into Notas Values ('00000000000001', '2015', '110002', '0000000004', '2015-02-10', 'NP', "
                        "10.0, 1, '0000000000', '1900-01-01', 0, '00000000000000', '', 0, '', 8, 'I')");
    });
    EXPECT_EQ(e.fim, Execucao::Fim::MarcaFalhou);
    EXPECT_FALSE(QFileInfo::exists(e.exportacao.arquivoCompactado));
    EXPECT_EQ(entregas, 1);
    EXPECT_EQ(transmissao(c, 8), "");

    // Amounts that a floating-point sum cannot hold exactly still compare
    // equal run after run.
    sql::executa(c, "Delete From Notas Where Protocolo = 8");
    for (int i = 0; i < 50; ++i)
        sql::executa(c, QStringLiteral("Insert into Notas Values ('00000000000001', '2015', '110002', '%1', '2015-02-10', "
                                       "'NP', 0.1, 1, '0000000000', '1900-01-01', 0, '00000000000000', '', 0, '', 8, 'I')")
                            .arg(100 + i, 10, 10, QLatin1Char('0')));
    e = exportador.executa("8", hoje, {}, {});
    EXPECT_EQ(e.fim, Execucao::Fim::Concluida) << e.mensagem.toStdString();
    EXPECT_TRUE(QFileInfo::exists(e.exportacao.arquivoCompactado));
}

// A server that sums in parallel gives other last digits each run: the rows'
// amounts still compare equal, and an untouched protocol is marked every time.
TEST(ExecucaoExportacao, AnUntouchedProtocolOnAServerIsMarkedEveryRun)
{
    ORVA_REQUER_POSTGRES();
    ProgramaNoMotor program(Motor::Servidor);
    orva::db::Connection &c = program.connection();
    ASSERT_NO_FATAL_FAILURE(preparaPasta(program));
    protocoloComNota(c, 7, QString());
    orva::db::pg::executaRoteiro(
        c, "insert into notas select '00000000000001', '2015', '110002', lpad(g::text, 10, '0'), "
           "'2015-02-10', 'NP', (g % 997) * 1.37 + 0.01, 1, '0000000000', '1900-01-01', 0, '00000000000000', '', 0, "
           "'', 7, 'I' from generate_series(1, 120000) g; analyze notas");
    // Parallel plans even on a small table, in this session.
    orva::db::pg::executaRoteiro(c, "set parallel_setup_cost = 0; set parallel_tuple_cost = 0; "
                                    "set min_parallel_table_scan_size = 0; set max_parallel_workers_per_gather = 4");
    orva::exportacao::Exportador exportador(c);
    for (int vez = 0; vez < 3; ++vez) {
        const auto e = exportador.executa("7", QDate(2015, 6, 1), {}, {});
        EXPECT_EQ(e.fim, Execucao::Fim::Concluida) << vez << ": " << e.mensagem.toStdString();
        sql::executa(c, "Update Protocolo Set DtTransmissao = Null Where Protocolo = 7");
    }
}
