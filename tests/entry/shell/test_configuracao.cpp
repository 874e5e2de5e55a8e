// Orva.ini in the program folder: the optional menus and the database.
#include "support/orva_cli.h"
#include "support/postgres.h"
#include "support/sql.h"
#include "support/temp_program.h"

#include "core/shell/configuracao.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

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

// orva-cli init --servidor alone prepares a workstation: the first one makes
// the tables, the next joins them; each folder's Orva.ini names the database
// (other settings kept) and what one workstation saves the other reads. A
// folder already on another server is refused untouched.
TEST(OrvaIni, InitOnAServerPreparesEachWorkstationAndTheSecondJoins)
{
    ORVA_REQUER_POSTGRES();
    BancoPostgres banco;
    QTemporaryDir estacao1;
    auto r = orvacli::roda(estacao1.path(), {"init", "--servidor", banco.conexao()});
    orvacli::confere(r, "init", 0);
    EXPECT_TRUE(r.json.value("tabelas_criadas").toBool());
    EXPECT_FALSE(QFileInfo::exists(QDir(estacao1.path()).filePath("orva.mdb")));
    EXPECT_TRUE(QFileInfo(QDir(estacao1.path()).filePath("ClienteOrvaDATP/recv")).isDir());
    orvacli::confere(orvacli::roda(estacao1.path(), {"company", "save", "--inscricao", "124", "--cnpj",
                                                     "12345678000195", "--razao-social", "Fazenda A", "--cnae",
                                                     "0111301", "--tipo-declaracao", "1", "--municipio", "110001"}),
                     "company", 0);

    TempProgram estacao2; // a folder with its own orva.mdb and menus
    escreveIni(estacao2, "[MENU]\r\nNotasFiscais=1\r\n");
    r = orvacli::roda(estacao2.dir.path(), {"init", "--servidor", banco.conexao()});
    orvacli::confere(r, "init", 0);
    EXPECT_FALSE(r.json.value("tabelas_criadas").toBool());
    EXPECT_TRUE(r.mensagens().contains("copy --para")) << r.mensagens().toStdString();
    EXPECT_TRUE(orva::configuracao::lerMenus(estacao2.dir.path()).notasFiscais);
    TdtmDados dados2;
    dados2.DataModuleCreate();
    EXPECT_EQ(sql::valor(dados2.ADOConnection, "Select Razao From Empresa Where Inscricao = '00000000000124'"),
              "FAZENDA A"); // saved upper-cased
    EXPECT_EQ(sql::numero(estacao2.connection(), "Select Count(*) From Empresa"), 0); // its orva.mdb untouched

    // Joining again is harmless; another server is refused and nothing changes.
    orvacli::confere(orvacli::roda(estacao2.dir.path(), {"init", "--servidor", banco.conexao()}), "init", 0);
    QFile ini(estacao2.path("ORVA.INI"));
    ASSERT_TRUE(ini.open(QIODevice::ReadOnly));
    const QByteArray antes = ini.readAll();
    ini.close();
    r = orvacli::roda(estacao2.dir.path(), {"init", "--servidor", banco.conexao() + " application_name=outro"});
    orvacli::confere(r, "init", 1);
    EXPECT_TRUE(r.mensagens().contains("já usa o banco")) << r.mensagens().toStdString();
    ASSERT_TRUE(ini.open(QIODevice::ReadOnly));
    EXPECT_EQ(ini.readAll(), antes);
}
