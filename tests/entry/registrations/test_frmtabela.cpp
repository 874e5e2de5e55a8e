#include "support/scripted_prompts.h"
#include "support/sql.h"
#include "support/temp_program.h"
#include "support/window_driver.h"

#include "ui/shared/frmconsulta.h"
#include "ui/registrations/frmtabela.h"
#include "ui/shell/conventions.h"
#include "ui/shell/querymodel.h"

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTest>

#include <gtest/gtest.h>

namespace {

// The code-table window on the product table of a fresh database, set up as
// the main window's Produtos1Click does, shown and active.
struct TabelaWindow {
    TempProgram program;
    ScriptedPrompts prompts;
    TfrmConsulta consulta;
    TfrmTabela w;

    explicit TabelaWindow(bool produtos = true)
    {
        frmConsulta = &consulta;
        if (produtos) {
            w.DefineTabela(QStringLiteral("Produtos"), QStringLiteral("Cod_Prod"), QStringLiteral("Descricao"));
            w.DefineTamanhoCodigo(5);
            w.DefineTamanhoDescricao(50);
            w.DefineTipoCodigo(1);
            show();
        }
    }
    ~TabelaWindow() { frmConsulta = nullptr; }

    void show() { janela::ativa(&w); }
    QString value(const QString &statement) { return sql::valor(program.connection(), statement); }
    void execute(const QString &statement) { sql::executa(program.connection(), statement); }
};

} // namespace

TEST(FrmTabela, ControlsAndAbreProdutos)
{
    TempProgram program;
    ScriptedPrompts prompts;
    bool inspected = false;
    prompts.dialogHandlers.push_back([&](QDialog &dialog) {
        inspected = true;
        auto &frm = static_cast<TfrmTabela &>(dialog);
        EXPECT_EQ(frm.objectName(), QStringLiteral("frmTabela"));
        EXPECT_EQ(frm.windowTitle(), QStringLiteral("Manutenção da Tabela Produtos"));
        EXPECT_EQ(frm.strTabela(), QStringLiteral("Produtos"));
        EXPECT_EQ(frm.cmpCodigo(), QStringLiteral("Cod_Prod"));
        EXPECT_EQ(frm.cmpDescri(), QStringLiteral("Descricao"));
        EXPECT_NE(frm.TipoCodigo(), 2);
        EXPECT_EQ(frm.edtCodigo()->maxLength(), 5);
        EXPECT_EQ(frm.edtDescricao()->maxLength(), 50);
        EXPECT_EQ(frm.edtCodigo()->toolTip(), QStringLiteral("Código"));
        EXPECT_EQ(frm.edtDescricao()->toolTip(), QStringLiteral("Descrição"));
        EXPECT_EQ(orva::ui::tag(frm.edtCodigo()), 1);
        EXPECT_EQ(orva::ui::tag(frm.edtDescricao()), 1);
        const QStringList captions{frm.btnNovo()->text(), frm.btnSalvar()->text(), frm.btnFechar()->text(),
                                   frm.btnConsulta()->text(), frm.btnApagar()->text()};
        EXPECT_EQ(captions, (QStringList{QStringLiteral("&Novo"), QStringLiteral("&Salvar"), QStringLiteral("&Fechar"),
                                         QStringLiteral("&Procurar"), QStringLiteral("&Apagar")}));
        EXPECT_EQ(frm.btnConsulta()->toolTip(), QStringLiteral("Consulta Avançada"));
        QApplication::setActiveWindow(&frm);
        EXPECT_TRUE(QTest::qWaitForWindowActive(&frm));
        frm.edtCodigo()->setFocus();
        QTest::keyClicks(frm.edtCodigo(), QStringLiteral("1x23456"));
        EXPECT_EQ(frm.edtCodigo()->text(), QStringLiteral("12345")) << "digits only, at most 5";
        EXPECT_EQ(prompts.beeps, 1);
        QTest::mouseClick(frm.btnFechar(), Qt::LeftButton);
        EXPECT_FALSE(frm.isVisible());
        return frm.result();
    });
    TfrmTabela::AbreProdutos();
    EXPECT_TRUE(inspected);

    // Defaults when the opener sets no lengths.
    TfrmTabela plain;
    EXPECT_EQ(plain.edtCodigo()->maxLength(), 4);
    EXPECT_EQ(plain.edtDescricao()->maxLength(), 50);
}

TEST(FrmTabela, MissingParametersAreNamedAndTheWindowCloses)
{
    TabelaWindow f(false);
    f.w.DefineTabela(QStringLiteral("Produtos"), QString(), QStringLiteral("Descricao"));
    f.w.show();
    QCoreApplication::processEvents();
    EXPECT_EQ(f.prompts.texts(),
              QStringList{QStringLiteral("Falta de parametro strTabela = Produtos\ncmpCodigo = \ncmpDescri = Descricao")});
    EXPECT_FALSE(f.w.isVisible());
}

TEST(FrmTabela, NovoProposesTheNextCode)
{
    TabelaWindow f;
    f.w.edtDescricao()->setText(QStringLiteral("resto"));
    janela::clica(f.w.btnNovo());
    EXPECT_EQ(f.w.edtCodigo()->text(), QStringLiteral("1"));
    EXPECT_TRUE(f.w.edtDescricao()->text().isEmpty());
    EXPECT_EQ(QApplication::focusWidget(), f.w.edtDescricao());

    f.execute(QStringLiteral("Insert into Produtos Values (1, 'A'), (2, 'B'), (3, 'C')"));
    janela::clica(f.w.btnNovo());
    EXPECT_EQ(f.w.edtCodigo()->text(), QStringLiteral("4"));
    EXPECT_EQ(QApplication::focusWidget(), f.w.edtDescricao());
}

TEST(FrmTabela, CodeSevenTravelsAs00007AndIsStoredAsSeven)
{
    TabelaWindow f;
    janela::digita(f.w.edtCodigo(), QStringLiteral("7"));
    janela::tecla(Qt::Key_Return);
    EXPECT_EQ(QApplication::focusWidget(), f.w.edtDescricao());
    janela::digita(f.w.edtDescricao(), QStringLiteral("  Parafuso  "));
    janela::clica(f.w.btnSalvar());
    EXPECT_EQ(f.prompts.texts(), QStringList{QStringLiteral("Registro Gravado !")});
    EXPECT_EQ(f.w.Tabela().consulta().sql(), QStringLiteral("Select * from Produtos Where Cod_Prod = 7"));
    EXPECT_EQ(f.w.Tabela().comando().commandText(),
              QStringLiteral("Insert into Produtos (Cod_Prod,Descricao ) Values (:Codigo,:Descricao)"));
    EXPECT_EQ(f.w.Tabela().comando().parameters().byName(QStringLiteral("Codigo")).value().toString(),
              QStringLiteral("00007"));
    EXPECT_EQ(f.value(QStringLiteral("Select typeof(Cod_Prod) || '|' || Cod_Prod || '|' || Descricao From Produtos")),
              QStringLiteral("integer|7|Parafuso"));
    EXPECT_EQ(f.w.edtCodigo()->text(), QStringLiteral("7"));
    EXPECT_EQ(f.w.edtDescricao()->text(), QStringLiteral("  Parafuso  ")) << "the fields keep their contents";

    // Saved again: the row is found and updated through the padded code.
    f.w.edtDescricao()->setText(QStringLiteral("Prego"));
    janela::clica(f.w.btnSalvar());
    EXPECT_EQ(f.w.Tabela().comando().commandText(),
              QStringLiteral("Update Produtos Set Descricao = :Descricao Where Cod_Prod = :Codigo"));
    EXPECT_EQ(f.value(QStringLiteral("Select count(*) || '|' || max(Descricao) From Produtos")),
              QStringLiteral("1|Prego"));
}

TEST(FrmTabela, LeavingTheCodeLoadsOrEmptiesTheDescription)
{
    TabelaWindow f;
    f.execute(QStringLiteral("Insert into Produtos Values (12, 'Arruela')"));
    janela::digita(f.w.edtCodigo(), QStringLiteral("12"));
    janela::tecla(Qt::Key_Return);
    EXPECT_EQ(f.w.edtDescricao()->text(), QStringLiteral("Arruela"));
    EXPECT_EQ(f.w.Tabela().consulta().sql(), QStringLiteral("Select * From Produtos Where Cod_Prod = 12"));

    f.w.edtCodigo()->clear();
    janela::digita(f.w.edtCodigo(), QStringLiteral("9"));
    janela::tecla(Qt::Key_Return);
    EXPECT_TRUE(f.w.edtDescricao()->text().isEmpty());

    // Empty description: the check names it and nothing is written.
    janela::clica(f.w.btnSalvar());
    EXPECT_EQ(f.prompts.texts(), QStringList{QStringLiteral("Falta o Dados do Campo Descrição")});
    f.prompts.clear();

    janela::digita(f.w.edtDescricao(), QStringLiteral("Porca"));
    janela::clica(f.w.btnSalvar());
    EXPECT_EQ(f.prompts.texts(), QStringList{QStringLiteral("Registro Gravado !")});
    EXPECT_TRUE(f.w.Tabela().comando().commandText().startsWith(QStringLiteral("Insert into Produtos")));
    EXPECT_EQ(f.value(QStringLiteral("Select group_concat(Cod_Prod || '=' || Descricao) From Produtos")),
              QStringLiteral("9=Porca,12=Arruela"));
}

TEST(FrmTabela, TextCodesAreQuotedInStatements)
{
    TabelaWindow f(false);
    f.w.DefineTabela(QStringLiteral("Tipo_Entrada"), QStringLiteral("Codigo"), QStringLiteral("Descricao"));
    f.w.DefineTamanhoCodigo(2);
    f.w.DefineTipoCodigo(2);
    f.show();
    janela::digita(f.w.edtCodigo(), QStringLiteral("77"));
    janela::digita(f.w.edtDescricao(), QStringLiteral("Nova")); // leaving the code looks it up
    EXPECT_EQ(f.w.Tabela().consulta().sql(), QStringLiteral("Select * From Tipo_Entrada Where Codigo = '77'"));
    janela::clica(f.w.btnSalvar());
    EXPECT_EQ(f.w.Tabela().consulta().sql(), QStringLiteral("Select * from Tipo_Entrada Where Codigo = '77'"));
    EXPECT_EQ(f.value(QStringLiteral("Select Descricao From Tipo_Entrada Where Codigo = '77'")),
              QStringLiteral("Nova"));

    f.prompts.answers = {true};
    janela::clica(f.w.btnApagar());
    EXPECT_EQ(f.w.Tabela().comando().commandText(), QStringLiteral("Delete from Tipo_Entrada where Codigo = '77'"));
    EXPECT_EQ(f.value(QStringLiteral("Select count(*) From Tipo_Entrada Where Codigo = '77'")), QStringLiteral("0"));
}

TEST(FrmTabela, ApagarConfirmsAndDeletesOnlyWithACode)
{
    TabelaWindow f;
    f.execute(QStringLiteral("Insert into Produtos Values (1, 'A'), (2, 'B')"));

    // Empty code: asked, answered Yes, nothing deleted.
    f.prompts.answers = {true};
    janela::clica(f.w.btnApagar());
    ASSERT_EQ(f.prompts.shown.size(), 1u);
    EXPECT_EQ(f.prompts.last().caption, QStringLiteral("Confirmação"));
    EXPECT_EQ(f.prompts.last().text, QStringLiteral("Deseja apagar o registro Atual ??"));
    EXPECT_EQ(f.prompts.last().defaultButton, orva::Prompts::Button::No);
    EXPECT_EQ(f.value(QStringLiteral("Select count(*) From Produtos")), QStringLiteral("2"));

    // The default answer is No.
    f.w.edtCodigo()->setText(QStringLiteral("2"));
    f.w.edtCodigoExit();
    janela::clica(f.w.btnApagar());
    EXPECT_EQ(f.value(QStringLiteral("Select count(*) From Produtos")), QStringLiteral("2"));
    EXPECT_EQ(f.w.edtDescricao()->text(), QStringLiteral("B"));

    f.prompts.answers = {true};
    janela::clica(f.w.btnApagar());
    EXPECT_EQ(f.w.Tabela().comando().commandText(), QStringLiteral("Delete from Produtos where Cod_Prod = 2"));
    EXPECT_EQ(f.value(QStringLiteral("Select group_concat(Cod_Prod) From Produtos")), QStringLiteral("1"));
    EXPECT_TRUE(f.w.edtCodigo()->text().isEmpty());
    EXPECT_TRUE(f.w.edtDescricao()->text().isEmpty());
}

TEST(FrmTabela, ProcurarPutsThePickedCodeAndItsDescription)
{
    TabelaWindow f;
    f.execute(QStringLiteral("Insert into Produtos Values (5, 'Cola')"));
    int listedAtOnce = -1;
    QString descricao;
    f.prompts.dialogHandlers.push_back([&](QDialog &) {
        listedAtOnce = frmConsulta->modelo()->rowCount();
        frmConsulta->btnConfirmaClick();
        frmConsulta->DBGrid1()->setCurrentIndex(frmConsulta->modelo()->index(0, 1));
        frmConsulta->DBGrid1DblClick();
        descricao = frmConsulta->escolha().descricao;
        return 1;
    });
    janela::clica(f.w.btnConsulta());
    EXPECT_EQ(listedAtOnce, 0) << "no run at once";
    EXPECT_EQ(descricao, QStringLiteral("Cola")) << "description column 1";
    EXPECT_EQ(f.w.edtCodigo()->text(), QStringLiteral("5"));
    EXPECT_EQ(f.w.edtDescricao()->text(), QStringLiteral("Cola"));
    EXPECT_EQ(f.w.focusWidget(), f.w.edtDescricao());

    // Closed without a pick: both fields are emptied.
    f.prompts.dialogHandlers.push_back([](QDialog &) {
        frmConsulta->btnFecharClick();
        return 0;
    });
    janela::clica(f.w.btnConsulta());
    EXPECT_TRUE(f.w.edtCodigo()->text().isEmpty());
    EXPECT_TRUE(f.w.edtDescricao()->text().isEmpty());
    EXPECT_TRUE(f.prompts.shown.empty());
}
