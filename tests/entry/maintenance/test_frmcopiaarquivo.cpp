#include "support/scripted_prompts.h"

#include "ui/maintenance/frmcopiaarquivo.h"
#include "ui/shell/funcoes.h"
#include "support/arquivos.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

namespace {

// The copy window over a temporary program folder, shown and active.
struct CopiaWindow {
    QTemporaryDir dir;
    ScriptedPrompts prompts;
    TfrmCopiaArquivo w;

    explicit CopiaWindow(const QString &preset = QString())
    {
        Funcoes::DefineDiretorioSistema(dir.path());
        w.edtArquivo()->setText(preset);
        w.show();
        QApplication::setActiveWindow(&w);
        EXPECT_TRUE(QTest::qWaitForWindowActive(&w));
    }
    ~CopiaWindow() { Funcoes::DefineDiretorioSistema(QString()); }

    void click(QPushButton *button)
    {
        QTest::mouseClick(button, Qt::LeftButton);
        QCoreApplication::processEvents();
    }
    QString path(const QString &name) const { return dir.filePath(name); }
};

} // namespace

TEST(FrmCopiaArquivo, JanelaMostraSoOArquivoEAbreDoMenuComCampoVazio)
{
    CopiaWindow c(QStringLiteral("/x/enviar/decl.rar"));
    TfrmCopiaArquivo &w = c.w;
    EXPECT_EQ(w.objectName(), QStringLiteral("frmCopiaArquivo"));
    EXPECT_EQ(w.windowTitle(), QStringLiteral("Copiar Arquivo Gerado - Versão: 001"));
    auto *abas = w.findChild<QTabWidget *>();
    ASSERT_NE(abas, nullptr);
    EXPECT_EQ(abas->tabText(0), QStringLiteral("Arquivo de Dados"));
    // The opener's path stays; the copy section is hidden and cannot start.
    EXPECT_EQ(w.edtArquivo()->text(), QStringLiteral("/x/enviar/decl.rar"));
    EXPECT_TRUE(w.edtArquivo()->isReadOnly());
    EXPECT_TRUE(w.btnConsArquivo()->isVisible());
    EXPECT_EQ(w.btnConsArquivo()->toolTip(), QStringLiteral("Seleciona o Arquivo para copia"));
    EXPECT_EQ(w.edtArquivo()->toolTip(), QStringLiteral("Arquivo de importação"));
    for (QWidget *oculto : {static_cast<QWidget *>(w.BitBtn2()), static_cast<QWidget *>(w.EdtDestino()),
                            static_cast<QWidget *>(w.lblDestino()), static_cast<QWidget *>(w.btnCopiaArquivo())})
        EXPECT_FALSE(oculto->isVisible()) << oculto->objectName().toStdString();
    EXPECT_FALSE(w.btnCopiaArquivo()->isEnabled());
    EXPECT_EQ(w.btnFechar()->text(), QStringLiteral("&Fechar"));
    // The destination dialog proposes the archive the opener put in the field.
    w.BitBtn2Click();
    ASSERT_EQ(c.prompts.fileDialogs.size(), 1u);
    EXPECT_EQ(c.prompts.fileDialogs[0].folderOrName, QStringLiteral("/x/enviar/decl.rar"));
    c.click(w.btnFechar());
    EXPECT_FALSE(w.isVisible());

    ScriptedPrompts menu;
    menu.dialogHandlers.push_back([](QDialog &d) {
        auto &frm = static_cast<TfrmCopiaArquivo &>(d);
        EXPECT_TRUE(frm.edtArquivo()->text().isEmpty());
        return 0;
    });
    TfrmCopiaArquivo::Abre();
    EXPECT_EQ(menu.modalWindows, QStringList{QStringLiteral("frmCopiaArquivo")});
}

// The file button puts the dialog's answer into the field even after a
// cancel: the file last picked in the window, or nothing.
TEST(FrmCopiaArquivo, BotaoDeArquivoEscolheNaPastaEnviar)
{
    CopiaWindow c(QStringLiteral("/x/enviar/decl.rar"));
    c.click(c.w.btnConsArquivo());
    EXPECT_TRUE(c.w.edtArquivo()->text().isEmpty());
    ASSERT_EQ(c.prompts.fileDialogs.size(), 1u);
    EXPECT_EQ(c.prompts.fileDialogs[0].folderOrName, Funcoes::DiretorioSistema() + QStringLiteral("enviar/"));
    EXPECT_EQ(c.prompts.fileDialogs[0].filter,
              QStringLiteral("Arquivo de dados do Orva não Transmitidos (*.rar);;Arquivo de dados do Orva ja "
                             "Transmitidos (*.ra_);;Todos os Arquivos (*)"));

    c.prompts.openAnswers.push_back(c.path(QStringLiteral("enviar/outra.ra_")));
    c.click(c.w.btnConsArquivo());
    EXPECT_EQ(c.w.edtArquivo()->text(), c.path(QStringLiteral("enviar/outra.ra_")));
    c.click(c.w.btnConsArquivo());
    EXPECT_EQ(c.w.edtArquivo()->text(), c.path(QStringLiteral("enviar/outra.ra_")));
}

// The hidden copy section, driven through its handlers: the destination is
// asked for, the copy replaces an existing file, a failed copy leaves it.
TEST(FrmCopiaArquivo, SecaoDeCopiaCopiaESubstituiSemPerderODestino)
{
    CopiaWindow c;
    const QString origem = c.path(QStringLiteral("decl.rar"));
    const QString destino = c.path(QStringLiteral("disquete/decl.rar"));
    QDir().mkpath(c.path(QStringLiteral("disquete")));
    grava(origem, QByteArray("PK\x03\x04 novo\xC7", 11));
    grava(destino, "antigo");
    c.w.edtArquivo()->setText(origem);

    c.w.btnCopiaArquivoClick();
    EXPECT_EQ(c.prompts.texts(), QStringList{QStringLiteral("Selecione o Destino")});

    // Cancelling the save dialog still enables the button; confirming fills the field.
    c.w.BitBtn2Click();
    EXPECT_TRUE(c.w.EdtDestino()->text().isEmpty());
    EXPECT_TRUE(c.w.btnCopiaArquivo()->isEnabled());
    c.prompts.saveAnswers.push_back(destino);
    c.w.BitBtn2Click();
    EXPECT_EQ(c.w.EdtDestino()->text(), destino);

    c.prompts.clear();
    c.w.btnCopiaArquivoClick();
    EXPECT_TRUE(c.prompts.shown.empty());
    EXPECT_EQ(le(destino), QByteArray("PK\x03\x04 novo\xC7", 11));
    EXPECT_FALSE(c.w.btnCopiaArquivo()->isEnabled());

    // A missing source: the message names both files, the destination stays
    // and no temporary file is left beside it.
    grava(destino, "antigo");
    QFile::remove(origem);
    c.w.btnCopiaArquivoClick();
    EXPECT_EQ(c.prompts.texts(),
              QStringList{QStringLiteral("Erro ao copiar ") + origem + QStringLiteral(" para ") + destino});
    EXPECT_EQ(le(destino), QByteArray("antigo"));
    EXPECT_EQ(QDir(c.path(QStringLiteral("disquete"))).entryList(QDir::Files | QDir::Hidden),
              QStringList{QStringLiteral("decl.rar")});
}
