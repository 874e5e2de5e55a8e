// The import and the export run alike on either engine.
#include "entry/import/notas_teste.h"
#include "support/motor.h"
#include "support/sql.h"

#include "core/export/exportacao.h"
#include "core/import/validacao.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

namespace {

// A protocol of invoices with amounts in cents, an entry note with its
// origin and a name with accented letters; returns the declaration file.
QByteArray declaracao(Motor motor)
{
    ProgramaNoMotor program(motor);
    orva::db::Connection &c = program.connection();
    preencheProtocolo7(c);
    sql::executa(c, "Insert into Notas Values ('00000000000001', '2015', '110003', '0000000099', '2015-04-01', 'NE', "
                    "0.1, 1, '0000000042', '2015-03-31', 2, '00012345678909', 'NP', 0.1, '110004', 7, 'A')");
    // Updated rows keep their place in the file.
    sql::executa(c, "Update Notas Set VALOR_NF = VALOR_NF + 1, OPERACAO = 'A' Where NF In ('0000000003', '0000000017')");
    orva::db::Query todas(c);
    todas.setSql(QStringLiteral("Select * From Notas Order By rowid"));
    todas.open();
    EXPECT_EQ(todas.fieldCount(), 17) << "the server's own rowid column shows only when named";
    todas.close();
    return exportaProtocolo7(program, c);
}

} // namespace

// The server moves a row it updates to the end of its table: the export
// still lists rows as they were entered.
TEST(MotoresExportacao, TheSameRowsGiveTheSameDeclarationFileOnBothEngines)
{
    ORVA_REQUER_POSTGRES();
    const QByteArray doArquivo = declaracao(Motor::Arquivo);
    ASSERT_GT(doArquivo.size(), 0);
    EXPECT_EQ(declaracao(Motor::Servidor), doArquivo);
}

ORVA_NOS_DOIS_MOTORES(MotoresImportacao);

TEST_P(MotoresImportacao, RecordsAreInsertedAndARecordAlreadyStoredIsRefusedAlone)
{
    ProgramaNoMotor program(GetParam());
    orva::db::Connection &c = program.connection();
    sql::executa(c, "Insert into Empresa Values ('00000000000001', 'EMPRESA ALFA', '12345678000195', '4711302', '0', "
                    "'110001')");
    sql::executa(c, "Insert into Protocolo (Protocolo, Tipo_Protocolo, Tipo_Entrega, Exercicio, Inscricao, DtGeracao) "
                    "Values (7, 0, '1', '2015', '00000000000001', '2015-03-05')");
    const QString arquivo = program.path("notas.txt");
    notas_teste::gravaArquivo(arquivo, {notas_teste::notaNP("0000000001").linha(), notas_teste::notaNE("0000000002").linha(),
                                        notas_teste::notaNP("0000000001").linha(), notas_teste::notaNP("0000000003").linha()});
    orva::importacao::Importador importador(c);
    importador.defineRegistrosPorTransacao(100); // the repeated record falls inside one transaction
    const auto r = importador.ImportaArquivo(arquivo, QStringLiteral("7"));
    EXPECT_EQ(r.importados, 3);
    EXPECT_EQ(r.existentes, 1);
    EXPECT_EQ(sql::valor(c, "Select Count(*) From Notas"), QStringLiteral("3"));
    EXPECT_EQ(sql::valor(c, "Select Sum(VALOR_NF) From Notas"), QStringLiteral("4500"));
    EXPECT_EQ(sql::valor(c, "Select DTA_NF_ORIGEM From Notas Where NF = '0000000002'"), QStringLiteral("01/03/2015"));
}
