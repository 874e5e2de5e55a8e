#include "support/scripted_prompts.h"

#include "ui/app/frmprincipal.h"
#include "ui/shell/funcoes.h"

#include <QFile>
#include <QTemporaryDir>

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QMenuBar>
#include <QTest>

#include <gtest/gtest.h>

#include <utility>
#include <vector>

namespace {

struct Item {
    const char *name;
    QString caption;
};

struct Menu {
    const char *name;
    QString caption;
    std::vector<Item> items;
};

// The menu bar as the users know it, in its order.
const std::vector<Menu> &expectedMenus()
{
    static const std::vector<Menu> menus = {
        {"Cadastros1",
         QStringLiteral("&Cadastros"),
         {{"Empresa1", QStringLiteral("&Empresa")},
          {"ProtocolodeTransmisso1", QStringLiteral("&Protocolo de Transmissão")},
          {"Importao1", QStringLiteral("&Importação")},
          {"Exportao1", QStringLiteral("&Exportação")}}},
        {"Movimento1", QStringLiteral("&Lançamentos"), {{"Rateio1", QStringLiteral("&Rateio")}}},
        {"Utilitrios1",
         QStringLiteral("&Ferramentas"),
         {{"Compatacao1", QStringLiteral("&Compactar e Corrigir Banco de Dados")},
          {"FazerCpiadeSegurana1", QStringLiteral("&Fazer Cópia de Segurança")},
          {"RestaurarCpiadeSegurana1", QStringLiteral("&Restaurar Cópia de Segurança")},
          {"CopiarArquivoGeradoparaDisquete1", QStringLiteral("C&opiar Arquivo Gerado para Disquete")},
          {"Reabriroprotocoloparaalteraes1", QStringLiteral("Reabrir o &protocolo para alterações")}}},
        {"Ajuda1", QStringLiteral("&Ajuda"), {{"Sober1", QStringLiteral("&Sobre")}}},
    };
    return menus;
}

} // namespace

TEST(Principal, CaptionAndMenuBar)
{
    ScriptedPrompts prompts;
    TfrmPrincipal window;
    window.show();
    QApplication::processEvents();

    EXPECT_EQ(window.objectName(), QStringLiteral("frmPrincipal"));
    EXPECT_EQ(window.windowTitle(), QStringLiteral("ORVA - Tessaria."));
    EXPECT_EQ(window.centralWidget(), nullptr) << "no controls besides the menu";

    const QList<QAction *> bar = window.menuBar()->actions();
    const auto &menus = expectedMenus();
    ASSERT_EQ(bar.size(), qsizetype(menus.size() + 1));
    for (size_t m = 0; m < menus.size(); ++m) {
        QMenu *menu = bar[m]->menu();
        ASSERT_NE(menu, nullptr);
        EXPECT_EQ(menu->objectName(), QLatin1String(menus[m].name));
        EXPECT_EQ(menu->title(), menus[m].caption);
        const QList<QAction *> items = menu->actions();
        ASSERT_EQ(items.size(), qsizetype(menus[m].items.size())) << menus[m].name;
        for (qsizetype i = 0; i < items.size(); ++i) {
            EXPECT_EQ(items[i]->objectName(), QLatin1String(menus[m].items[i].name));
            EXPECT_EQ(items[i]->text(), menus[m].items[i].caption);
            const bool hidden = items[i]->objectName() == QLatin1String("Importao1");
            EXPECT_EQ(items[i]->isVisible(), !hidden) << menus[m].items[i].name;
        }
    }

    QAction *sair = bar.last();
    EXPECT_EQ(sair->objectName(), QStringLiteral("Sair1"));
    EXPECT_EQ(sair->text(), QStringLiteral("&Sair"));
    EXPECT_EQ(sair->menu(), nullptr) << "a command on the bar itself";
    EXPECT_TRUE(prompts.shown.empty());
}

TEST(Principal, StaysOpenWithTheRightDateFormatAndSairClosesIt)
{
    ScriptedPrompts prompts;
    TfrmPrincipal window;
    window.show();
    QApplication::processEvents();
    ASSERT_TRUE(window.isVisible());
    EXPECT_TRUE(prompts.shown.empty());

    window.findChild<QAction *>(QStringLiteral("Sair1"))->trigger();
    EXPECT_FALSE(window.isVisible());
    EXPECT_TRUE(prompts.shown.empty()) << "no confirmation";
}

TEST(Principal, OrvaIniOffersTheInvoiceProductAndImportWindows)
{
    ScriptedPrompts prompts;
    QTemporaryDir pasta;
    Funcoes::DefineDiretorioSistema(pasta.path());
    {
        QFile ini(pasta.filePath(QStringLiteral("Orva.ini")));
        ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
        ini.write("[MENU]\r\nNotasFiscais=1\r\nProdutos=1\r\nImportacao=1\r\n");
    }
    {
        TfrmPrincipal window;
        auto *notas = window.findChild<QAction *>(QStringLiteral("NotasFiscais1"));
        auto *produtos = window.findChild<QAction *>(QStringLiteral("Produtos1"));
        ASSERT_NE(notas, nullptr);
        ASSERT_NE(produtos, nullptr);
        EXPECT_EQ(notas->text(), QStringLiteral("&Notas Fiscais"));
        EXPECT_TRUE(window.findChild<QMenu *>(QStringLiteral("Movimento1"))->actions().contains(notas));
        EXPECT_TRUE(window.findChild<QMenu *>(QStringLiteral("Cadastros1"))->actions().contains(produtos));
        EXPECT_TRUE(window.findChild<QAction *>(QStringLiteral("Importao1"))->isVisible());
    }
    // Without the keys the menus are as shipped.
    QFile::remove(pasta.filePath(QStringLiteral("Orva.ini")));
    {
        TfrmPrincipal window;
        EXPECT_EQ(window.findChild<QAction *>(QStringLiteral("NotasFiscais1")), nullptr);
        EXPECT_EQ(window.findChild<QAction *>(QStringLiteral("Produtos1")), nullptr);
        EXPECT_FALSE(window.findChild<QAction *>(QStringLiteral("Importao1"))->isVisible());
    }
    Funcoes::DefineDiretorioSistema(QString());
}
