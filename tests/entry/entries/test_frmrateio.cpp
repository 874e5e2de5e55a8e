#include "support/scripted_prompts.h"
#include "support/sql.h"
#include "support/temp_program.h"
#include "support/window_driver.h"

#include "ui/entries/frmrateio.h"
#include "ui/shared/frmconsulta.h"
#include "ui/shell/querymodel.h"
#include "ui_frmrateio.h"

#include <QTest>

#include <gtest/gtest.h>

namespace {

struct Row {
    bool exists = false;
    double entrada = 0, saida = 0;
    qint64 protocolo = 0;
    QString operacao;
};

Row rateio(const QString &municipio)
{
    orva::db::Query q(dtmDados->ADOConnection);
    q.setSql("Select * From Rateio Where Inscricao = '00000000000001' And Exercicio = '2015' And Municipio = '" + municipio + "'");
    q.open();
    if (q.eof())
        return {};
    return {true, q.fieldByName("VALOR_ENTRADA").asFloat(), q.fieldByName("VALOR_SAIDA").asFloat(),
            q.fieldByName("PROTOCOLO").asInteger(), q.fieldByName("OPERACAO").asString()};
}

// Company 00000000000001 declares apportionment; protocol 5 is its open one,
// 3 an earlier transmitted one; protocol 9 is an open invoice protocol.
struct RateioFixture {
    RateioFixture()
    {
        sql::executa(dtmDados->ADOConnection, "Insert into Empresa Values ('00000000000001', 'RATEIO LTDA', '11111111111', '4711302', '1', '110001')");
        sql::executa(dtmDados->ADOConnection, "Insert into Empresa Values ('00000000000060', 'NOTAS LTDA', '11111111111', '4711302', '0', '110001')");
        sql::executa(dtmDados->ADOConnection, "Insert into Protocolo (Protocolo, Tipo_Protocolo, Tipo_Entrega, Exercicio, Inscricao, DtTransmissao) Values "
             "(3, 1, '1', '2015', '00000000000001', '2015-06-01'), (5, 1, '2', '2015', '00000000000001', NULL), "
             "(9, 0, '1', '2015', '00000000000060', NULL)");
        consulta = std::make_unique<TfrmConsulta>();
        frmConsulta = consulta.get();
        frm = std::make_unique<TfrmRateio>();
        frm->DefineTabela("Rateio");
        janela::ativa(frm.get());
        f = frm->form();
    }
    ~RateioFixture() { frmConsulta = nullptr; }

    void openProtocol(const QString &number)
    {
        janela::preenche(f->edtProtocolo, number);
    }

    void fill(const QString &municipio, const QString &entrada, const QString &saida)
    {
        janela::preenche(f->edtMunicipio, municipio);
        janela::preenche(f->edtValorEntrada, entrada);
        janela::preenche(f->edtValorSaida, saida);
    }

    TempProgram program;
    ScriptedPrompts prompts;
    std::unique_ptr<TfrmConsulta> consulta;
    std::unique_ptr<TfrmRateio> frm;
    Ui::frmRateio *f = nullptr;
};

} // namespace

TEST(Rateio, RowLifeCycle)
{
    RateioFixture t;
    sql::executa(dtmDados->ADOConnection, "Insert into Rateio Values ('00000000000001', '2015', '110002', 10, 20, 3, 'I')");
    sql::executa(dtmDados->ADOConnection, "Insert into Rateio Values ('00000000000001', '2015', '110003', 30, 40, 3, 'A')");
    sql::executa(dtmDados->ADOConnection, "Insert into Rateio Values ('00000000000001', '2015', '110004', 50, 60, 5, 'A')");
    t.openProtocol("5");
    ASSERT_EQ(t.f->edtInscricao->text(), "00000000000001");
    EXPECT_EQ(t.f->edtExercicio->text(), "2015");
    EXPECT_EQ(t.f->lblNomeEmpresa->text(), "RATEIO LTDA");
    EXPECT_EQ(t.f->lblTipoEntrega->text(), "Retificadora");
    EXPECT_EQ(t.frm->grade()->rowCount(), 3);
    EXPECT_EQ(t.frm->grade()->headerData(0, Qt::Horizontal).toString(), "InscEst Declarante");
    EXPECT_EQ(t.frm->grade()->headerData(4, Qt::Horizontal).toString(), "Valor das Saidas");

    // New row: inserted with I; the amounts typed with grouping are stored exactly.
    t.fill("110001", "1.234,56", "2,5");
    t.frm->btnGravarClick();
    EXPECT_EQ(t.prompts.last().text, "Registro Gravado !");
    Row r = rateio("110001");
    EXPECT_TRUE(r.exists);
    EXPECT_DOUBLE_EQ(r.entrada, 1234.56);
    EXPECT_DOUBLE_EQ(r.saida, 2.5);
    EXPECT_EQ(r.protocolo, 5);
    EXPECT_EQ(r.operacao, "I");
    // After the save: protocol, declarant, exercise stay; the rest is empty; the grid shows the row.
    EXPECT_EQ(t.f->edtProtocolo->text(), "5");
    EXPECT_EQ(t.f->edtInscricao->text(), "00000000000001");
    EXPECT_EQ(t.f->edtMunicipio->text(), "");
    EXPECT_EQ(t.f->edtValorEntrada->text(), "");
    EXPECT_EQ(t.frm->grade()->rowCount(), 4);
    QApplication::processEvents();
    EXPECT_EQ(QApplication::focusWidget(), t.f->edtMunicipio);

    // The same municipality under the same protocol is refused and nothing changes.
    t.prompts.clear();
    t.fill("110001", "9,99", "9,99");
    t.frm->btnGravarClick();
    EXPECT_EQ(t.prompts.texts(), QStringList{"Rateio ja Cadastrado para este Municipio !"});
    EXPECT_EQ(t.prompts.last().kind, "error");
    EXPECT_DOUBLE_EQ(rateio("110001").entrada, 1234.56);
    EXPECT_EQ(t.f->edtValorEntrada->text(), "9,99");

    // An earlier protocol's row saved again becomes A with the new values.
    t.fill("110002", "11", "22");
    t.frm->btnGravarClick();
    r = rateio("110002");
    EXPECT_DOUBLE_EQ(r.entrada, 11);
    EXPECT_DOUBLE_EQ(r.saida, 22);
    EXPECT_EQ(r.protocolo, 5);
    EXPECT_EQ(r.operacao, "A");

    // Deleting an earlier protocol's row withdraws it: E, values kept.
    t.fill("110003", "1", "1");
    t.frm->btnExcluirClick();
    r = rateio("110003");
    EXPECT_TRUE(r.exists);
    EXPECT_DOUBLE_EQ(r.entrada, 30);
    EXPECT_EQ(r.protocolo, 5);
    EXPECT_EQ(r.operacao, "E");

    // Deleting rows of the current protocol removes them, whatever the operation.
    for (const char *m : {"110001", "110002", "110003", "110004"}) {
        t.fill(m, "1", "1");
        t.frm->btnExcluirClick();
        EXPECT_FALSE(rateio(m).exists) << m;
    }
    // A key that has no row: nothing written, no message.
    t.prompts.clear();
    t.fill("110005", "1", "1");
    t.frm->btnExcluirClick();
    EXPECT_FALSE(rateio("110005").exists);
    EXPECT_TRUE(t.prompts.shown.empty());
}

TEST(Rateio, ProtocolWarningsAndDeclarantOfTheOtherType)
{
    RateioFixture t;
    const QString warning = "Este número de protocolo não existe, \nja foi entregue, ou o é um protocolo de Notas Fiscais !";
    for (const char *number : {"9", "3", "77", "5 or 1=1"}) {
        t.prompts.clear();
        t.openProtocol(number);
        ASSERT_EQ(t.prompts.shown.size(), 1u) << number;
        EXPECT_EQ(t.prompts.last().kind, "warning");
        EXPECT_EQ(t.prompts.last().text, warning);
        EXPECT_EQ(t.f->edtInscricao->text(), "");
    }
    // An invoice declarant reads "Não Cadastrado" and is emptied; the grid stays as it was.
    t.f->edtExercicio->setText("2015");
    t.f->edtInscricao->setText("00000000000060");
    t.frm->edtInscricaoExit();
    EXPECT_EQ(t.f->lblNomeEmpresa->text(), "Não Cadastrado");
    EXPECT_EQ(t.f->edtInscricao->text(), "");
    EXPECT_EQ(t.frm->grade()->rowCount(), 0);
}

TEST(Rateio, FieldRulesAndRequiredFields)
{
    RateioFixture t;
    t.openProtocol("5");
    t.prompts.clear();
    // Letters beep and are dropped; the amount fields take the comma.
    t.f->edtMunicipio->setFocus();
    QTest::keyClicks(t.f->edtMunicipio, "11a0001");
    EXPECT_EQ(t.f->edtMunicipio->text(), "110001");
    EXPECT_EQ(t.prompts.beeps, 1);
    t.f->edtValorEntrada->setFocus();
    QTest::keyClicks(t.f->edtValorEntrada, "12x,5");
    EXPECT_EQ(t.f->edtValorEntrada->text(), "12,5");
    EXPECT_EQ(t.prompts.beeps, 2);

    // Zero gives the field's warning and keeps the focus there.
    janela::preenche(t.f->edtValorSaida, "0");
    EXPECT_EQ(t.prompts.last().text, "O valor das Saidas de Rateio deve ser maior que ZERO !");
    QApplication::processEvents();
    EXPECT_EQ(QApplication::focusWidget(), t.f->edtValorSaida);

    // Leaving a field that already shows a grouped amount keeps it, with no error box.
    t.f->edtValorSaida->clear();
    t.prompts.clear();
    janela::preenche(t.f->edtValorEntrada, "1234567,8");
    EXPECT_EQ(t.f->edtValorEntrada->text(), "1.234.567,80");
    t.f->edtValorEntrada->setFocus();
    QTest::keyClick(t.f->edtValorEntrada, Qt::Key_Tab);
    EXPECT_EQ(t.f->edtValorEntrada->text(), "1.234.567,80");
    EXPECT_TRUE(t.prompts.shown.empty());

    // An unknown municipality empties the field; the required check then names it.
    janela::preenche(t.f->edtMunicipio, "999999");
    EXPECT_EQ(t.f->lblNomeMunicipio->text(), "Não Cadastrado");
    EXPECT_EQ(t.f->edtMunicipio->text(), "");
    t.prompts.clear();
    t.frm->btnGravarClick();
    EXPECT_EQ(t.prompts.texts(), QStringList{"Falta os Dados do Campo Município de origem da Nota Fiscal"});
    EXPECT_EQ(t.prompts.last().kind, "error");
}

TEST(Rateio, SearchAndGridDoubleClick)
{
    RateioFixture t;
    sql::executa(dtmDados->ADOConnection, "Insert into Rateio Values ('00000000000001', '2015', '110007', 1234.5, 0.75, 5, 'I')");
    // The search fills protocol and municipality only.
    t.prompts.dialogHandlers.push_back([&](QDialog &) {
        frmConsulta->btnConfirmaClick();
        frmConsulta->DBGrid1()->setCurrentIndex(frmConsulta->modelo()->index(0, 0));
        frmConsulta->DBGrid1DblClick();
        return 1;
    });
    t.frm->btnConsultaClick();
    EXPECT_EQ(t.f->edtProtocolo->text(), "5");
    EXPECT_EQ(t.f->edtMunicipio->text(), "110007");
    EXPECT_EQ(t.f->edtInscricao->text(), "00000000000001");
    EXPECT_EQ(t.f->edtValorEntrada->text(), "");

    // The grid row fills every field, amounts formatted.
    ASSERT_EQ(t.frm->grade()->rowCount(), 1);
    t.f->DBGrid->setCurrentIndex(t.frm->grade()->index(0, 0));
    t.frm->DBGridDblClick();
    EXPECT_EQ(t.f->edtValorEntrada->text(), "1.234,50");
    EXPECT_EQ(t.f->edtValorSaida->text(), "0,75");
    EXPECT_FALSE(t.f->lblNomeMunicipio->text().isEmpty());

    // New: cleared, exercise 2015, grid kept.
    t.frm->btnNovoClick();
    EXPECT_EQ(t.f->edtProtocolo->text(), "");
    EXPECT_EQ(t.f->edtExercicio->text(), "2015");
    EXPECT_EQ(t.frm->grade()->rowCount(), 1);
}

TEST(Rateio, AmountsOfABillionOrMoreKeepEveryDigit)
{
    RateioFixture t;
    t.openProtocol("5");
    t.prompts.clear();
    janela::preenche(t.f->edtValorEntrada, "1234567890,12");
    EXPECT_EQ(t.f->edtValorEntrada->text(), "1.234.567.890,12");
    janela::preenche(t.f->edtValorSaida, "123456789012");
    EXPECT_EQ(t.f->edtValorSaida->text(), "123.456.789.012,00");
    janela::preenche(t.f->edtMunicipio, "110001");
    t.frm->btnGravarClick();
    EXPECT_EQ(t.prompts.last().text, "Registro Gravado !");
    EXPECT_DOUBLE_EQ(rateio("110001").entrada, 1234567890.12);
    EXPECT_DOUBLE_EQ(rateio("110001").saida, 123456789012.0);

    // Declared again from the grid, the stored amounts come back whole.
    ASSERT_EQ(t.frm->grade()->rowCount(), 1);
    t.f->DBGrid->setCurrentIndex(t.frm->grade()->index(0, 0));
    t.frm->DBGridDblClick();
    EXPECT_EQ(t.f->edtValorEntrada->text(), "1.234.567.890,12");
    t.frm->btnGravarClick();
    EXPECT_DOUBLE_EQ(rateio("110001").entrada, 1234567890.12);
}

TEST(Rateio, KeyboardOpensOnTheProtocolSkipsLookupButtonsAndEscKeepsTheWindow)
{
    RateioFixture t;
    QApplication::setActiveWindow(t.frm.get());
    EXPECT_TRUE(QTest::qWaitForWindowActive(t.frm.get()));
    QApplication::processEvents();
    EXPECT_EQ(QApplication::focusWidget(), t.f->edtProtocolo);
    t.openProtocol("5");
    // Enter from the municipality goes to the entry amount, not to its "..." button.
    t.f->edtMunicipio->setFocus(Qt::OtherFocusReason);
    QTest::keyClicks(t.f->edtMunicipio, "110001");
    QTest::keyClick(t.f->edtMunicipio, Qt::Key_Return);
    QApplication::processEvents();
    EXPECT_EQ(QApplication::focusWidget(), t.f->edtValorEntrada);
    QTest::keyClicks(QApplication::focusWidget(), "15");
    EXPECT_EQ(t.f->edtValorEntrada->text(), "15");

    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    QApplication::processEvents();
    EXPECT_TRUE(t.frm->isVisible());
    EXPECT_EQ(t.f->edtMunicipio->text(), "110001");
}

// Enlarged, the window gives the grid the room; a name longer than its
// label is cut with "…" and whole in the label's tool tip.
TEST(FrmRateio, TheGridTakesTheRoomAndALongNameKeepsItsWholeTextInTheTooltip)
{
    RateioFixture t;
    const QRect grade = t.f->DBGrid->geometry();
    const QRect abas = t.f->PageControl1->geometry();
    t.frm->resize(t.frm->width() + 300, t.frm->height() + 200);
    janela::assenta();
    EXPECT_EQ(t.f->PageControl1->size(), abas.size() + QSize(300, 200));
    EXPECT_EQ(t.f->DBGrid->size(), grade.size() + QSize(300, 200));
    EXPECT_EQ(t.f->DBGrid->pos(), grade.topLeft());
    t.frm->resize(t.frm->width() - 300, t.frm->height() - 200);
    janela::assenta();
    EXPECT_EQ(t.f->DBGrid->geometry(), grade);

    const QString nome = QStringLiteral("COOPERATIVA MISTA DOS AGRICULTORES FAMILIARES E PRODUTORES RURAIS DO VALE");
    t.f->lblNomeEmpresa->setText(nome);
    t.frm->grab(); // painted as on screen
    EXPECT_EQ(t.f->lblNomeEmpresa->text(), nome);
    EXPECT_EQ(t.f->lblNomeEmpresa->toolTip(), nome);
    t.f->lblNomeEmpresa->setText(QStringLiteral("RATEIO LTDA"));
    t.frm->grab();
    EXPECT_TRUE(t.f->lblNomeEmpresa->toolTip().isEmpty());
    // Two lines that each fit are not cut, though together they are wider.
    const int largura = t.f->lblNomeEmpresa->contentsRect().width();
    QString linha = QStringLiteral("RATEIO");
    while (t.f->lblNomeEmpresa->fontMetrics().horizontalAdvance(linha + QStringLiteral(" RATEIO")) < largura * 0.8)
        linha += QStringLiteral(" RATEIO");
    t.f->lblNomeEmpresa->setText(linha + '\n' + linha);
    t.frm->grab();
    EXPECT_TRUE(t.f->lblNomeEmpresa->toolTip().isEmpty()) << t.f->lblNomeEmpresa->toolTip().toStdString();
}
