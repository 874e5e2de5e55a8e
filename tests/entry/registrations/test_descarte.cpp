// Typing is never lost to a stray key or to the title bar: Esc does nothing
// in the code-table window, and closing any entry window with typing not
// saved asks first, No being the default.
#include "support/scripted_prompts.h"
#include "support/sql.h"
#include "support/temp_program.h"
#include "support/window_driver.h"

#include "ui/entries/frmnotafiscal.h"
#include "ui/entries/frmrateio.h"
#include "ui_frmrateio.h"
#include "ui/shared/frmconsulta.h"
#include "ui/registrations/frmempresa.h"
#include "ui/registrations/frmprotocolo.h"
#include "ui/registrations/frmtabela.h"
#include "ui/shell/descarte.h"

#include <QLineEdit>
#include <QPushButton>

#include <gtest/gtest.h>

namespace {

struct Programa {
    TempProgram program;
    ScriptedPrompts prompts;
    TfrmConsulta consulta;
    Programa() { frmConsulta = &consulta; }
    ~Programa() { frmConsulta = nullptr; }
    QString valor(const QString &sql) { return sql::valor(program.connection(), sql); }
};

// Closing from the title bar after typing in `campo`: asked, No keeps the
// window and the text; Yes closes.
void perguntaAoFechar(Programa &p, QWidget &w, QLineEdit *campo, const QString &texto)
{
    janela::ativa(&w);
    janela::digitaTexto(campo, texto);
    EXPECT_TRUE(orva::ui::hasTypedChanges(&w)) << w.objectName().toStdString();
    p.prompts.clear();
    EXPECT_FALSE(janela::fechaPelaBarra(&w)) << w.objectName().toStdString();
    ASSERT_EQ(p.prompts.shown.size(), 1u) << w.objectName().toStdString();
    EXPECT_EQ(p.prompts.last().caption, "Descartar as alterações?");
    EXPECT_EQ(p.prompts.last().defaultButton, orva::Prompts::Button::No);
    EXPECT_EQ(campo->text(), texto);
    p.prompts.answers.push_back(true);
    EXPECT_TRUE(janela::fechaPelaBarra(&w)) << w.objectName().toStdString();
}

} // namespace

TEST(Descarte, EscInTheCodeTableKeepsTheWindowAndWhatWasTyped)
{
    Programa p;
    TfrmTabela w;
    w.DefineTabela(QStringLiteral("Produtos"), QStringLiteral("Cod_Prod"), QStringLiteral("Descricao"));
    w.DefineTamanhoCodigo(5);
    w.DefineTipoCodigo(1);
    janela::ativa(&w);
    janela::preenche(w.edtCodigo(), "77");
    janela::digitaTexto(w.edtDescricao(), "FEIJAO");
    janela::tecla(Qt::Key_Escape);
    EXPECT_TRUE(w.isVisible());
    EXPECT_EQ(w.edtDescricao()->text(), "FEIJAO");
    // Saved, the window closes without a question; the row is stored.
    janela::clica(w.btnSalvar());
    EXPECT_EQ(p.valor("Select Descricao From Produtos Where Cod_Prod = 77"), "FEIJAO");
    p.prompts.clear();
    EXPECT_TRUE(janela::fechaPelaBarra(&w));
    EXPECT_TRUE(p.prompts.shown.empty());
}

TEST(Descarte, EveryEntryWindowAsksBeforeDiscardingTyping)
{
    Programa p;
    {
        TfrmTabela w;
        w.DefineTabela(QStringLiteral("Produtos"), QStringLiteral("Cod_Prod"), QStringLiteral("Descricao"));
        perguntaAoFechar(p, w, w.edtDescricao(), "ARROZ");
    }
    {
        TfrmEmpresa w;
        w.DefineTabela(QStringLiteral("Empresa"));
        perguntaAoFechar(p, w, w.edtRazaoSocial(), "COOPERATIVA");
        // Nothing typed since it was opened: closes at once.
        janela::ativa(&w);
        p.prompts.clear();
        EXPECT_TRUE(janela::fechaPelaBarra(&w));
        EXPECT_TRUE(p.prompts.shown.empty());
    }
    {
        TfrmProtocolo w;
        w.DefineTabela(QStringLiteral("Protocolo"));
        perguntaAoFechar(p, w, w.edtResponsavel(), "JOSE");
    }
    {
        TfrmRateio w;
        w.DefineTabela(QStringLiteral("Rateio"));
        perguntaAoFechar(p, w, w.form()->edtValorEntrada, "12");
    }
    {
        TfrmNotaFiscal::DefineTabela(QStringLiteral("Dados"));
        TfrmNotaFiscal w;
        perguntaAoFechar(p, w, w.edtValorNotaFiscal(), "12");
        TfrmNotaFiscal::DefineTabela(QString());
    }
    EXPECT_EQ(p.valor("Select Count(*) From Produtos"), "0");
}
