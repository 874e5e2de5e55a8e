// Orva.ini in the program folder: the optional menus and the database.
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
