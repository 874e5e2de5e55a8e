// Orva.ini in the program folder: the optional menus and the database.
#include "support/orva_cli.h"
#include "support/postgres.h"
#include "support/sql.h"
#include "support/temp_program.h"

#include "shell/configuracao.h"

#include <QFile>

#include <gtest/gtest.h>

namespace {

void escreveIni(const TempProgram &p, const QByteArray &texto)
{
    QFile ini(p.path("ORVA.INI")); // found whatever the case of its name
    ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
    ini.write(texto);
}

} // namespace

TEST(OrvaIni, WithoutTheFileTheProgramIsAsShippedAndTheSettingsChooseMenusAndDatabase)
{
    TempProgram p;
    const QString pasta = p.dir.path();
    EXPECT_FALSE(orva::configuracao::lerMenus(pasta).notasFiscais);
    EXPECT_EQ(TdtmDados::OrigemBanco(), TdtmDados::ArquivoBanco());

    escreveIni(p, "[MENU]\r\nNotasFiscais=Sim\r\nProdutos=0\r\n[Banco]\r\nServidor=  host=/run/pg dbname=orva user=ana  \r\n");
    const auto menus = orva::configuracao::lerMenus(pasta);
    EXPECT_TRUE(menus.notasFiscais);
    EXPECT_FALSE(menus.produtos);
    EXPECT_FALSE(menus.importacao);
    EXPECT_EQ(TdtmDados::OrigemBanco(), "host=/run/pg dbname=orva user=ana");

    // An empty setting keeps the embedded database.
    escreveIni(p, "[Banco]\r\nServidor=\r\n");
    EXPECT_EQ(TdtmDados::OrigemBanco(), TdtmDados::ArquivoBanco());
}

// A server database made by orva-cli init --servidor, named by the Orva.ini
// of two program folders: what one workstation saves the other reads.
TEST(OrvaIni, TwoProgramFoldersNamingOneServerDatabaseShareItsRows)
{
    ORVA_REQUER_POSTGRES();
    BancoPostgres banco;
    TempProgram estacao1;
    // The tables made by orva-cli on the empty database; a second time is refused.
    orvacli::confere(orvacli::roda(estacao1.dir.path(), {"init", "--servidor", banco.conexao()}), "init", 0);
    orvacli::confere(orvacli::roda(estacao1.dir.path(), {"init", "--servidor", banco.conexao()}), "init", 1);
    escreveIni(estacao1, "[Banco]\r\nServidor=" + banco.conexao().toUtf8() + "\r\n");
    TdtmDados dados1;
    dados1.DataModuleCreate();
    TdtmDados::VerificaBanco(dados1.ADOConnection);
    sql::executa(dados1.ADOConnection, "Insert into Empresa Values ('00000000000001', 'A', '', '', '0', '110001')");

    TempProgram estacao2;
    escreveIni(estacao2, "[Banco]\r\nServidor=" + banco.conexao().toUtf8() + "\r\n");
    TdtmDados dados2;
    dados2.DataModuleCreate();
    EXPECT_EQ(sql::valor(dados2.ADOConnection, "Select Razao From Empresa Where Inscricao = '00000000000001'"), "A");
    // Each folder's own orva.mdb is left alone.
    EXPECT_EQ(sql::numero(estacao2.connection(), "Select Count(*) From Empresa"), 0);
}
