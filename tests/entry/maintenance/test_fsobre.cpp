#include "support/scripted_prompts.h"

#include "common/emblema.h"
#include "ui/maintenance/fsobre.h"

#include <QApplication>
#include <QLabel>
#include <QScreen>
#include <QTabWidget>
#include <QTest>

#include <gtest/gtest.h>

using namespace orva::sobre;

TEST(FSobre, VersaoComUmDigitoPorParte)
{
    EXPECT_EQ(textoVersao("7.1.6.0"), "7.1.6.0");
    EXPECT_EQ(parteVersao(12), "2");
    EXPECT_EQ(parteVersao(9), "9");
    EXPECT_EQ(textoVersao("10.23.5.1234"), "0.3.5.34");
    EXPECT_EQ(textoVersao("7.1"), "7.1.0.0");
    // The program's own version, from the build.
    EXPECT_EQ(versaoPrograma(), QStringLiteral(ORVA_VERSION));
}

// The about box and the program's windows (task bar) show the one icon the
// menu entries and the Windows icon are drawn from.
TEST(FSobre, OMesmoIconeNaCaixaENasJanelas)
{
    ScriptedPrompts prompts;
    const QImage icone = orva::icone(64).convertToFormat(QImage::Format_ARGB32_Premultiplied);
    TFSobre sobre;
    const auto *imagem = sobre.findChild<QLabel *>("Image1");
    ASSERT_NE(imagem, nullptr);
    EXPECT_EQ(imagem->pixmap().toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied), icone);

    const QString nome = QCoreApplication::applicationName(), entrada = QGuiApplication::desktopFileName();
    const QIcon antes = QGuiApplication::windowIcon();
    orva::apresentaPrograma("Orva", "org.orva.Orva");
    EXPECT_EQ(QCoreApplication::applicationName(), "Orva");
    EXPECT_EQ(QGuiApplication::desktopFileName(), "org.orva.Orva");
    QWidget janela;
    EXPECT_EQ(janela.windowIcon().pixmap(64).toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied), icone);
    QCoreApplication::setApplicationName(nome);
    QGuiApplication::setDesktopFileName(entrada);
    QGuiApplication::setWindowIcon(antes);
}

TEST(FSobre, CadaAtivacaoVoltaA65PixelsDoTopoELeAVersao)
{
    ScriptedPrompts prompts;
    TFSobre sobre;
    EXPECT_EQ(sobre.windowTitle(), "Secretaria de Estado da Fazenda - Quorta");
    const QStringList abas = {"Sistema", "Equipe Técnica", "Equipe de Apoio", "Contato"};
    ASSERT_EQ(sobre.PageControl1()->count(), 4);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(sobre.PageControl1()->tabText(i), abas[i]);
    EXPECT_EQ(sobre.Label6()->text(), "Versão");

    const int topo = QGuiApplication::primaryScreen()->geometry().top();
    sobre.move(120, 300);
    sobre.show();
    QApplication::setActiveWindow(&sobre);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&sobre));
    EXPECT_EQ(sobre.y(), topo + 65);
    EXPECT_EQ(sobre.x(), 120);
    EXPECT_EQ(sobre.Label6()->text(), "Versão: " + textoVersao(ORVA_VERSION));

    // Away to another window and back: placed and read again.
    QWidget outra;
    outra.show();
    QApplication::setActiveWindow(&outra);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&outra));
    sobre.move(120, 400);
    sobre.Label6()->setText("Versão");
    QApplication::setActiveWindow(&sobre);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&sobre));
    EXPECT_EQ(sobre.y(), topo + 65);
    EXPECT_EQ(sobre.Label6()->text(), "Versão: 7.1.6.0");

    // Contact tab: the help desk of the support line.
    const QString contato = [&] {
        QString t;
        for (const QLabel *l : sobre.PageControl1()->widget(3)->findChildren<QLabel *>())
            t += l->text() + "\n";
        return t;
    }();
    EXPECT_TRUE(contato.contains("Central Tarvo")) << contato.toStdString();
    EXPECT_TRUE(contato.contains("55 5010-2020")) << contato.toStdString();

    // From the menu: shown modally through the prompts.
    TFSobre::Abre();
    EXPECT_EQ(prompts.modalWindows, QStringList{"FSobre"});
}
