#include "support/scripted_prompts.h"
#include "support/sql.h"
#include "support/temp_program.h"
#include "support/window_driver.h"

#include "core/registrations/consultasql.h"
#include "ui/shared/frmconsulta.h"
#include "ui/shell/querymodel.h"

#include <QComboBox>
#include <QLineEdit>
#include <QTableView>
#include <QTest>

#include <gtest/gtest.h>

namespace {

void exec(const QString &statement) { sql::executa(dtmDados->ADOConnection, statement); }

// A search window on a fresh database, installed as the program's one instance.
struct SearchFixture {
    SearchFixture()
    {
        consulta = std::make_unique<TfrmConsulta>();
        frmConsulta = consulta.get();
    }
    ~SearchFixture() { frmConsulta = nullptr; }

    TempProgram program;
    ScriptedPrompts prompts;
    std::unique_ptr<TfrmConsulta> consulta;
};

// Runs one search, handing the shown window to `drive`; what it picked.
EscolhaConsulta runSearch(SearchFixture &f, const std::function<void(TfrmConsulta &)> &drive)
{
    f.prompts.dialogHandlers.push_back([&](QDialog &) {
        drive(*f.consulta);
        return f.consulta->result();
    });
    return f.consulta->Executa();
}

void pickRow(TfrmConsulta &c, int row)
{
    c.DBGrid1()->setCurrentIndex(c.modelo()->index(row, 0));
    c.DBGrid1DblClick();
}

} // namespace

TEST(Consulta, StatementsComeOutCharacterForCharacter)
{
    using orva::consulta::montaSql;
    EXPECT_EQ(montaSql("Municipios", "Descricao", "Like", "SANTA", ""),
              " Select * From Municipios Where Descricao Like'%SANTA%' order by Descricao");
    EXPECT_EQ(montaSql("Protocolo", "DtTransmissao", "is null", "x", ""),
              " Select * From Protocolo Where DtTransmissao is null  order by DtTransmissao");
    EXPECT_EQ(montaSql("Protocolo", "DtTransmissao", "is not null", "", ""),
              " Select * From Protocolo Where DtTransmissao is not null  order by DtTransmissao");
    EXPECT_EQ(montaSql("Municipios", "Codigo", "=", "5", ""), " Select * From Municipios Where Codigo ='5'  order by Codigo");
    EXPECT_EQ(montaSql("Municipios", "Codigo", "<>", "5", ""), " Select * From Municipios Where Codigo <>'5'  order by Codigo");
    EXPECT_EQ(montaSql("Municipios", "", "Like", "5", ""), "Select * From Municipios");
    EXPECT_EQ(montaSql("Municipios", "Codigo", "", "5", ""), "Select * From Municipios");
    // An operator it does not know (case counts) repeats the previous statement.
    EXPECT_EQ(montaSql("Municipios", "Codigo", "LIKE", "5", "anterior"), "anterior");
    EXPECT_EQ(montaSql("Municipios", "Codigo", ">", "5", ""), "");
}

TEST(Consulta, NothingTypedCanChangeTheStatement)
{
    SearchFixture f;
    exec("Insert into Empresa (Inscricao, Razao) Values ('00000000000001', 'D''AVILA COMERCIO')");
    exec("Insert into Empresa (Inscricao, Razao) Values ('00000000000060', 'OUTRA')");
    f.consulta->DefineTabela("Empresa");
    runSearch(f, [&](TfrmConsulta &c) {
        c.cmbCampo()->setEditText("Razao");
        c.edtChave()->setText("D'AVILA");
        c.btnConfirmaClick();
        EXPECT_EQ(c.SqlAtual(), " Select * From Empresa Where Razao Like'%D''AVILA%' order by Razao");
        EXPECT_EQ(c.modelo()->rowCount(), 1);
        EXPECT_EQ(c.modelo()->text(0, 1), "D'AVILA COMERCIO");

        c.edtChave()->setText("x' or 1=1 or Razao like '");
        c.btnConfirmaClick();
        EXPECT_EQ(c.modelo()->rowCount(), 0);

        c.cmbOperador()->setEditText("=");
        c.edtChave()->setText("'; Delete From Empresa; --");
        c.btnConfirmaClick();
        EXPECT_EQ(c.modelo()->rowCount(), 0);

        c.cmbCampo()->setEditText("1=1 or Razao");
        c.btnConfirmaClick();
        EXPECT_EQ(c.modelo()->rowCount(), 0);
        c.btnFecharClick();
    });
    ASSERT_FALSE(f.prompts.shown.empty()); // the bracketed odd column is refused by the database
    EXPECT_EQ(f.prompts.last().kind, "error");
    orva::db::Query q(dtmDados->ADOConnection);
    q.setSql("Select * From Empresa");
    q.open();
    EXPECT_EQ(q.recordCount(), 2);
}

TEST(Consulta, PresetAndRunAtOnceAndTheOperatorClearingRule)
{
    SearchFixture f;
    exec("Insert into Protocolo (Protocolo, Tipo_Protocolo) Values (1, 0), (2, 1), (11, 0), (3, 1)");

    // A preset on a fresh window lists the protocols whose type contains 1.
    f.consulta->DefineTabela("Protocolo");
    f.consulta->DefineFiltro("Tipo_Protocolo", "1");
    EscolhaConsulta escolha = runSearch(f, [&](TfrmConsulta &c) {
        EXPECT_EQ(c.windowTitle(), "Consulta Avançada da Tabela Protocolo");
        EXPECT_EQ(c.cmbCampo()->count(), 17);
        EXPECT_EQ(c.cmbCampo()->itemText(0), "Protocolo");
        EXPECT_EQ(c.SqlAtual(), " Select * From Protocolo Where Tipo_Protocolo Like'%1%' order by Tipo_Protocolo");
        ASSERT_EQ(c.modelo()->rowCount(), 2);
        EXPECT_EQ(c.modelo()->text(0, 0), "2");
        // The user picks an operator from the list: the next opening starts without one.
        c.cmbOperador()->setCurrentIndex(0);
        pickRow(c, 1);
    });
    EXPECT_EQ(escolha.codigo, "3");
    EXPECT_EQ(escolha.descricao, "1");

    f.consulta->DefineTabela("Protocolo");
    f.consulta->DefineFiltro("Tipo_Protocolo", "1");
    escolha = runSearch(f, [&](TfrmConsulta &c) {
        EXPECT_EQ(c.cmbOperador()->currentText(), "");
        EXPECT_EQ(c.SqlAtual(), "Select * From Protocolo");
        EXPECT_EQ(c.modelo()->rowCount(), 4);
        c.btnFecharClick();
    });
    EXPECT_EQ(escolha.codigo, "");
    EXPECT_EQ(escolha.descricao, "");

    // The export's preset: column Protocolo, empty key, operator typed "Like".
    f.consulta->cmbOperador()->setEditText("Like");
    f.consulta->DefineTabela("Protocolo");
    f.consulta->DefineFiltro("Protocolo", "");
    runSearch(f, [&](TfrmConsulta &c) {
        EXPECT_EQ(c.SqlAtual(), " Select * From Protocolo Where Protocolo Like'%%' order by Protocolo");
        ASSERT_EQ(c.modelo()->rowCount(), 4);
        EXPECT_EQ(c.modelo()->text(3, 0), "11");
        c.btnFecharClick();
    });

    // Run at once lists every row; settings were forgotten at the last close.
    f.consulta->DefineTabela("Tipo_Entrada");
    f.consulta->DefineAutoConsulta(1);
    runSearch(f, [&](TfrmConsulta &c) {
        EXPECT_EQ(c.SqlAtual(), "Select * From Tipo_Entrada");
        EXPECT_EQ(c.modelo()->rowCount(), 3);
        c.btnFecharClick();
    });
    f.consulta->DefineTabela("Tipo_Entrada");
    runSearch(f, [&](TfrmConsulta &c) {
        EXPECT_EQ(c.SqlAtual(), "");
        EXPECT_EQ(c.modelo()->rowCount(), 0);
        c.btnImprimirClick();
        c.btnFecharClick();
    });
    EXPECT_EQ(f.prompts.texts(), QStringList{"Não existe registros filtrados"});
}

TEST(Consulta, ReturnsChosenColumnsAndKeepsTheInvoiceExtra)
{
    SearchFixture f;
    exec("Insert into Empresa (Inscricao, Razao) Values ('00000000000001', 'ALFA')");
    exec("Insert into Notas (INSCRICAO, EXERCICIO, MUNICIPIO, NF, TIPO, VALOR_NF, PROTOCOLO, OPERACAO) "
         "Values ('00000000000001', '2015', '110001', '123', 'NP', 10.5, 4, 'I')");

    f.consulta->DefineTabela("vwNotaFiscal");
    f.consulta->DefineColunas(16, 3);
    f.consulta->DefineAutoConsulta(1);
    EscolhaConsulta escolha = runSearch(f, [&](TfrmConsulta &c) { pickRow(c, 0); });
    EXPECT_EQ(escolha.codigo, "4");
    EXPECT_EQ(escolha.descricao, "123");
    EXPECT_EQ(escolha.extra, "NP");

    // A search closed without a pick hands back nothing, no invoice type of
    // an earlier search either.
    f.consulta->DefineTabela("vwNotaFiscal");
    f.consulta->DefineAutoConsulta(1);
    escolha = runSearch(f, [&](TfrmConsulta &c) { c.btnFecharClick(); });
    EXPECT_EQ(escolha.codigo, "");
    EXPECT_EQ(escolha.extra, "");

    f.consulta->DefineTabela("Municipios");
    f.consulta->DefineAutoConsulta(1);
    escolha = runSearch(f, [&](TfrmConsulta &c) { pickRow(c, 2); });
    EXPECT_EQ(escolha.codigo, "110003");
    EXPECT_FALSE(escolha.descricao.isEmpty());
    EXPECT_EQ(escolha.extra, "");

    // No table: the message, then a window whose "Confirma" fails with the database's error.
    escolha = runSearch(f, [&](TfrmConsulta &c) {
        c.btnConfirmaClick();
        pickRow(c, 0);
    });
    EXPECT_EQ(f.prompts.shown.at(0).text, "Tabela de dados não informada !");
    EXPECT_EQ(f.prompts.last().kind, "error");
    EXPECT_EQ(escolha.codigo, "");
}

TEST(Consulta, EnterMovesAcrossGridColumnsAndALargeTableOpensAtOnce)
{
    SearchFixture f;
    exec("Create Table Grande (Codigo TEXT, Descricao TEXT, Extra TEXT)");
    exec("With Recursive n(i) As (Select 1 Union All Select i + 1 From n Where i < 100000) "
         "Insert into Grande Select printf('%06d', i), 'MUNICIPIO ' || i, 'X' From n");
    f.consulta->DefineTabela("Grande");
    f.consulta->DefineAutoConsulta(1);
    const EscolhaConsulta escolha = runSearch(f, [&](TfrmConsulta &c) {
        EXPECT_LT(c.modelo()->rowCount(), 1000); // read as shown, not all at once
        QTableView *grid = c.DBGrid1();
        grid->setFocus();
        grid->setCurrentIndex(c.modelo()->index(0, 1));
        QTest::keyClick(grid, Qt::Key_Return);
        EXPECT_EQ(grid->currentIndex().column(), 2);
        QTest::keyClick(grid, Qt::Key_Return);
        EXPECT_EQ(grid->currentIndex().column(), 0);
        EXPECT_EQ(grid->currentIndex().row(), 0);
        grid->scrollToBottom();
        while (c.modelo()->canFetchMore({}))
            c.modelo()->fetchMore({});
        EXPECT_EQ(c.modelo()->rowCount(), 100000);
        pickRow(c, 99999);
    });
    EXPECT_EQ(escolha.codigo, "100000");
}

TEST(Consulta, TabbingThroughTheOperatorKeepsItsText)
{
    SearchFixture f;
    exec("Insert into Protocolo (Protocolo, Tipo_Protocolo) Values (1, 0), (2, 1)");
    f.consulta->cmbOperador()->setEditText("Like");
    for (int vez = 0; vez < 2; ++vez) {
        f.consulta->DefineTabela("Protocolo");
        runSearch(f, [&](TfrmConsulta &c) {
            janela::ativa(&c);
            janela::foca(c.cmbCampo());
            janela::sai(); // to the operator
            janela::sai(); // to the key
            EXPECT_EQ(QApplication::focusWidget(), c.edtChave());
            c.btnFecharClick();
        });
        EXPECT_EQ(f.consulta->cmbOperador()->currentText(), "Like") << vez;
    }
}
