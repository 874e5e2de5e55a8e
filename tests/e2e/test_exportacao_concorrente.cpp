// An export while another workstation writes to the same protocol: the file
// is the one the rows as they stood at the start give. On the server the
// other commits at once and the export reads its snapshot; on orva.mdb the
// other waits until the export has read everything.
#include "support/motor.h"
#include "support/sql.h"

#include "core/export/exportacao.h"

#include <QFile>

#include <gtest/gtest.h>

namespace {

const QString kNota = QStringLiteral("Insert into Notas Values ('00000000000001', '2015', '110002', '%1', '2015-02-10', "
                                     "'NP', 10.0, 1, '0000000000', '1900-01-01', 0, '00000000000000', '', 0, '', 7, "
                                     "'I')");

QByteArray conteudo(const QString &arquivo)
{
    QFile f(arquivo);
    EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << arquivo.toStdString();
    return f.readAll();
}

// Protocol 7 of a registered company, open, with two invoices; the archiver
// in the program folder.
void protocoloComDuasNotas(ProgramaNoMotor &program)
{
    orva::db::Connection &c = program.connection();
    EXPECT_TRUE(QFile::copy(QStringLiteral(ORVA_DIST_DIR "/rar" ORVA_EXE), program.path("rar" ORVA_EXE)));
    sql::executa(c, "Insert into Empresa Values ('00000000000001', 'EMPRESA ALFA', '12345678000195', '4711302', '0', "
                    "'110001')");
    sql::executa(c, "Insert into Protocolo (Protocolo, Tipo_Protocolo, Tipo_Entrega, Exercicio, Inscricao, DtGeracao, "
                    "Responsavel) Values (7, 0, '1', '2015', '00000000000001', '2015-03-05', 'ANA')");
    sql::executa(c, kNota.arg("0000000001"));
    sql::executa(c, kNota.arg("0000000002"));
}

} // namespace

ORVA_NOS_DOIS_MOTORES(ExportacaoConcorrente);

TEST_P(ExportacaoConcorrente, AWriterCommittingDuringTheExportDoesNotChangeTheFile)
{
    ProgramaNoMotor program(GetParam());
    orva::db::Connection &c = program.connection();
    protocoloComDuasNotas(program);
    orva::exportacao::Exportador exportador(c);
    const QDate hoje(2015, 6, 1);
    const auto sozinha = exportador.exporta("7", hoje);
    ASSERT_EQ(sozinha.linhas, 2);
    const QByteArray esperado = conteudo(sozinha.protocolo.arquivo);

    orva::db::Connection outra;
    outra.open(program.alvo());
    outra.setBusyTimeout(300);
    bool gravou = false;
    bool esperou = false;
    const auto comOutro = exportador.exporta("7", hoje, [&](int linha, int) {
        if (linha != 1)
            return true;
        try {
            orva::db::WriteTransaction t(outra);
            sql::executa(outra, kNota.arg("0000000003"));
            sql::executa(outra, "Update Empresa Set Razao = 'EMPRESA BETA'");
            sql::executa(outra, "Update Protocolo Set Responsavel = 'BIA'");
            t.commit();
            gravou = true;
        } catch (const orva::db::DatabaseError &e) {
            esperou = e.causa() == orva::db::Causa::EmUso;
        }
        return true;
    });
    EXPECT_EQ(comOutro.linhas, 2);
    EXPECT_EQ(conteudo(comOutro.protocolo.arquivo), esperado);
    if (GetParam() == Motor::Servidor) {
        EXPECT_TRUE(gravou) << "the server let the writer wait: the snapshot was not tested";
    } else {
        EXPECT_TRUE(esperou) << "the writer neither waited for the export nor was refused";
    }
    // Once the export is over, the writer's rows are there for the next one.
    if (gravou) {
        EXPECT_EQ(exportador.exporta("7", hoje).linhas, 3);
    }
}

// Rows another workstation enters, changes or removes while the client
// delivers the file are not in it: the protocol stays open, to be exported
// again, instead of being closed without them.
TEST_P(ExportacaoConcorrente, RowsChangedBeforeTheMarkLeaveTheProtocolOpen)
{
    ProgramaNoMotor program(GetParam());
    orva::db::Connection &c = program.connection();
    protocoloComDuasNotas(program);
    orva::db::Connection outra;
    outra.open(program.alvo());
    orva::exportacao::Exportador exportador(c);
    const QDate hoje(2015, 6, 1);
    for (const char *alteracao : {"Insert", "Update Notas Set VALOR_NF = 11 Where NF = '0000000002'",
                                  "Delete From Notas Where NF = '0000000003'"}) {
        const QString sql = QString::fromLatin1(alteracao) == QLatin1String("Insert") ? kNota.arg("0000000003")
                                                                                     : QString::fromLatin1(alteracao);
        const auto e = exportador.executa("7", hoje, {}, [&](const orva::exportacao::Exportacao &) {
            sql::executa(outra, sql);
        });
        EXPECT_EQ(e.fim, orva::exportacao::Execucao::Fim::MarcaFalhou) << alteracao;
        EXPECT_TRUE(e.mensagem.contains(QStringLiteral("Outro usuário"))) << e.mensagem.toStdString();
        EXPECT_EQ(sql::valor(c, "Select Count(*) From Protocolo Where DtTransmissao is Null"), QStringLiteral("1"));
    }
    const auto semAlteracao = exportador.executa("7", hoje, {}, {});
    EXPECT_EQ(semAlteracao.fim, orva::exportacao::Execucao::Fim::Concluida) << semAlteracao.mensagem.toStdString();
}
