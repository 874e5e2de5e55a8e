#include "support/scripted_prompts.h"
#include "support/sql.h"
#include "support/temp_program.h"
#include "support/window_driver.h"

#include "ui/entries/frmnotafiscal.h"
#include "ui/shared/frmconsulta.h"
#include "ui/shell/conventions.h"
#include "ui/shell/querymodel.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDateEdit>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

#include <map>
#include <ostream>


namespace {

const QString kDeclarante = QStringLiteral("00000000000191");
const QString kMismatch =
    QStringLiteral("O valor da nota fiscal de origem \nnão confere com o valor da nota fiscal de entrada !");
const QString kJaCadastrada = QStringLiteral("Nota Fiscal ja Cadastrada para este Exercicio !");
const QString kProtocoloInvalido =
    QStringLiteral("Este número de protocolo não existe, \nja foi entregue, ou o é um protocolo de Rateio !");


using Linha = std::map<QString, QString>;

// The stored invoice, every column as text (dates DD/MM/YYYY); empty when absent.
Linha linha(const QString &nf, const QString &tipo = QStringLiteral("NE"))
{
    orva::db::Query q(dtmDados->ADOConnection);
    q.setSql(QStringLiteral("Select * From Notas Where NF = '%1' And TIPO = '%2'").arg(nf, tipo));
    q.open();
    Linha l;
    if (!q.eof())
        for (const QString &nome : q.fieldNames())
            l[nome.toUpper()] = q.fieldByName(nome).asString();
    return l;
}

int notas() { return int(sql::numero(dtmDados->ADOConnection, QStringLiteral("Select Count(*) From Notas"))); }

// A row written straight into the table: an invoice of the declarant in
// 110001, of type NE with an origin note of the same value.
void notaGravada(const QString &nf, int protocolo, const QString &operacao, const QString &valor = "500",
                 const QString &tipo = "NE")
{
    sql::executa(dtmDados->ADOConnection, QStringLiteral("Insert into Notas Values ('%1', '2015', '110001', '%2', '2015-02-10', '%5', %3, 1, "
                        "'0000000031', '2015-02-01', 1, '00000078865280', 'NP', %3, '110063', %4, '%6')")
             .arg(kDeclarante, nf, valor, QString::number(protocolo), tipo, operacao));
}

// The last check digit that makes a state registration (or CPF) valid.
QString inscricaoValida(const QString &base13)
{
    for (int d = 0; d <= 9; ++d)
        if (Funcoes::ValidaInscricao(base13 + QString::number(d)))
            return base13 + QString::number(d);
    return {};
}
QString cpfValido(const QString &base9)
{
    for (int d = 0; d <= 99; ++d) {
        const QString cpf = base9 + QStringLiteral("%1").arg(d, 2, 10, QLatin1Char('0'));
        if (Funcoes::ValidaCnpjCpf(cpf))
            return cpf;
    }
    return {};
}

// The invoice window on a fresh database holding one declarant and its
// protocols: 1 open (invoices), 2 transmitted (invoices), 3 open (apportionment).
struct NotaFiscal {
    TempProgram program;
    ScriptedPrompts prompts;
    std::unique_ptr<TfrmConsulta> consulta = std::make_unique<TfrmConsulta>();
    std::unique_ptr<TfrmNotaFiscal> frm;

    NotaFiscal()
    {
        frmConsulta = consulta.get();
        sql::executa(dtmDados->ADOConnection, QStringLiteral("Insert into Empresa Values ('%1', 'COOPERATIVA DO VALE', '11222333000181', '0111301', "
                            "'0', '110001')").arg(kDeclarante));
        sql::executa(dtmDados->ADOConnection, "Insert into Empresa Values ('00000000000272', 'RATEIO LTDA', '', '', '1', '110002')");
        sql::executa(dtmDados->ADOConnection, QStringLiteral("Insert into Protocolo (Protocolo, Tipo_Protocolo, Tipo_Entrega, Exercicio, Inscricao, "
                            "DtTransmissao, Municipio) Values (1, 0, '1', '2015', '%1', null, '110001'), "
                            "(2, 0, '1', '2015', '%1', '2015-06-30', '110001'), "
                            "(3, 1, '1', '2015', '00000000000272', null, '110002')").arg(kDeclarante));
        TfrmNotaFiscal::DefineTabela(QStringLiteral("Dados"));
        frm = std::make_unique<TfrmNotaFiscal>();
        frm->show();
        ativa();
    }
    ~NotaFiscal()
    {
        frm.reset();
        frmConsulta = nullptr;
        TfrmNotaFiscal::DefineTabela(QString());
    }

    void ativa() { janela::ativa(frm.get()); }

    // The origin block filled through its fields: a producer's note of the
    // registered producer 00000078865280.
    void origem(const QString &valor)
    {
        janela::preenche(frm->edtEmitenteOrigem(), "78865280");
        janela::preenche(frm->edtNotaFiscalOrigem(), "31");
        frm->dtpEmissaoOrigem()->setDate(QDate(2015, 2, 1));
        janela::preenche(frm->edtValorNfOrigem(), valor);
    }
    // Protocol 1, invoice `nf` with `valor` and an origin note of the same value.
    void nota(const QString &nf, const QString &valor)
    {
        janela::preenche(frm->edtNotaFiscal(), nf);
        frm->dtpEmissao()->setDate(QDate(2015, 3, 15));
        janela::preenche(frm->edtValorNotaFiscal(), valor);
        origem(valor);
    }

    // The search window picks the row whose column `coluna` reads `valor`;
    // `lista` first presses "Confirma" for a search that does not list at once.
    void escolhe(int coluna, const QString &valor, bool lista = false)
    {
        prompts.dialogHandlers.push_back([=, this](QDialog &) {
            if (lista)
                consulta->btnConfirmaClick();
            for (int r = 0; consulta->modelo()->hasIndex(r, 0); ++r)
                if (consulta->modelo()->text(r, coluna) == valor) {
                    consulta->DBGrid1()->setCurrentIndex(consulta->modelo()->index(r, 0));
                    consulta->DBGrid1DblClick();
                    break;
                }
            return consulta->result();
        });
    }
};

} // namespace

TEST(FrmNotaFiscal, ShowsTheExerciseAndItsDatesAndFiltersKeys)
{
    NotaFiscal f;
    TfrmNotaFiscal &w = *f.frm;
    EXPECT_EQ(w.windowTitle(), QStringLiteral("Lançamento de Notas Fiscais."));
    EXPECT_TRUE(w.Panel5()->isVisible());
    EXPECT_EQ(w.edtExercicio()->text(), "2015");
    EXPECT_FALSE(w.grpDeclarante()->isEnabled());
    EXPECT_FALSE(w.edtTipoEntrada()->isEnabled());
    EXPECT_EQ(QApplication::focusWidget(), w.edtProtocolo());
    for (QDateEdit *dtp : {w.dtpEmissao(), w.dtpEmissaoOrigem()}) {
        EXPECT_EQ(dtp->date(), QDate(2015, 1, 1));
        dtp->setDate(QDate(2016, 2, 1));
        EXPECT_EQ(dtp->date(), QDate(2015, 12, 31)) << "no date after the exercise";
    }

    // Letters beep and are dropped; value fields take the comma.
    for (QLineEdit *campo : {w.edtProtocolo(), w.edtNotaFiscal(), w.edtValorNotaFiscal(), w.edtEmitenteOrigem(),
                             w.edtNotaFiscalOrigem(), w.edtValorNfOrigem()}) {
        f.prompts.clear();
        janela::digita(campo, "1a,");
        const bool valor = campo == w.edtValorNotaFiscal() || campo == w.edtValorNfOrigem();
        EXPECT_EQ(campo->text(), valor ? "1," : "1") << campo->objectName().toStdString();
        EXPECT_EQ(f.prompts.beeps, valor ? 1 : 2) << campo->objectName().toStdString();
        campo->clear();
    }
    f.prompts.clear();
    janela::foca(w.dtpEmissao());
    QTest::keyClicks(w.dtpEmissao(), "1/a.");
    EXPECT_EQ(f.prompts.beeps, 2) << "digits and the slash pass";

    // The type's hint appears when the mouse moves over it.
    QTest::mouseMove(w.edtTipoEntrada(), QPoint(5, 5));
    QTest::mouseMove(w.edtTipoEntrada(), QPoint(8, 6));
    EXPECT_EQ(w.edtTipoEntrada()->toolTip(), QStringLiteral("Tipo da Nota\nNP (Nota de Produtor)\nNA (Nota Fiscal "
                                                            "Avulsa)\nNE (Nota de Entrada do Declarante)"));
    EXPECT_TRUE(f.prompts.shown.empty());
}

TEST(FrmNotaFiscal, WithoutTheTableParameterTheWindowClosesAtOnce)
{
    TempProgram program;
    ScriptedPrompts prompts;
    TfrmNotaFiscal::DefineTabela(QString());
    TfrmNotaFiscal w;
    w.show();
    janela::assenta();
    EXPECT_FALSE(w.isVisible());
    EXPECT_TRUE(w.Panel5()->isHidden());
    ASSERT_EQ(prompts.shown.size(), 1u);
    EXPECT_EQ(prompts.last().kind, "error");
    EXPECT_EQ(prompts.last().text, QStringLiteral("Falta de parametro strTabela !"));
}

TEST(FrmNotaFiscal, OnlyAnOpenInvoiceProtocolFillsTheDeclarant)
{
    NotaFiscal f;
    TfrmNotaFiscal &w = *f.frm;
    // Transmitted, apportionment, unknown.
    for (const char *numero : {"2", "3", "99"}) {
        f.prompts.clear();
        janela::preenche(w.edtProtocolo(), numero);
        ASSERT_EQ(f.prompts.shown.size(), 1u) << numero;
        EXPECT_EQ(f.prompts.last().kind, "warning");
        EXPECT_EQ(f.prompts.last().text, kProtocoloInvalido);
        EXPECT_EQ(w.edtProtocolo()->text(), numero) << "the typed number stays";
        EXPECT_TRUE(w.edtInscricao()->text().isEmpty());
        EXPECT_TRUE(w.edtMunicipio()->text().isEmpty());
        EXPECT_TRUE(w.edtTipoEntrada()->text().isEmpty());
    }

    f.prompts.clear();
    janela::preenche(w.edtProtocolo(), "1");
    EXPECT_TRUE(f.prompts.shown.empty());
    EXPECT_EQ(w.edtInscricao()->text(), kDeclarante);
    EXPECT_EQ(w.lblNomeEmpresa()->text(), "COOPERATIVA DO VALE");
    EXPECT_EQ(w.lblTipoEntrega()->text(), "Normal");
    EXPECT_EQ(w.edtMunicipio()->text(), "110001");
    EXPECT_EQ(w.lblNomeMunicipio()->text(), QStringLiteral("ÁGUA AZUL DO SERTÃO"));
    EXPECT_EQ(w.edtTipoEntrada()->text(), "NE");
    EXPECT_EQ(w.lblNomeTipoEntrada()->text(), "Nota de Entrada do Declarante");
    EXPECT_EQ(QApplication::focusWidget(), w.edtNotaFiscal());

    janela::preenche(w.edtNotaFiscal(), "123");
    EXPECT_EQ(w.edtNotaFiscal()->text(), "0000000123");
}

TEST(FrmNotaFiscal, InvoiceRowLifeCycle)
{
    NotaFiscal f;
    TfrmNotaFiscal &w = *f.frm;
    janela::preenche(w.edtProtocolo(), "1");

    // None -> insert, I in this protocol, the values as entered.
    f.nota("101", "1234,56");
    janela::clica(w.btnGravar());
    ASSERT_EQ(f.prompts.texts(), QStringList{"Registro Gravado !"});
    Linha l = linha("0000000101");
    EXPECT_EQ(l["PROTOCOLO"], "1");
    EXPECT_EQ(l["OPERACAO"], "I");
    EXPECT_EQ(l["INSCRICAO"], kDeclarante);
    EXPECT_EQ(l["MUNICIPIO"], "110001");
    EXPECT_EQ(l["DTA_EMIT_NF"], "15/03/2015");
    EXPECT_EQ(l["VALOR_NF"], "1234,56");
    EXPECT_EQ(l["TIPO_EMITENTE"], "1");
    EXPECT_EQ(l["TIPO_EMITENTE_ORIGEM"], "1");
    EXPECT_EQ(l["EMITENTE_NOTA_ORIGEM"], "00000078865280");
    EXPECT_EQ(l["TIPO_NF_ORIGEM"], "NP");
    EXPECT_EQ(l["NOTA_ORIGEM"], "0000000031");
    EXPECT_EQ(l["DTA_NF_ORIGEM"], "01/02/2015");
    EXPECT_EQ(l["VALOR_NF_ORIGEM"], "1234,56");
    EXPECT_EQ(l["MUNICIPIO_ORIGEM"], "110063");
    // The next invoice: same protocol, empty number, value and origin block.
    EXPECT_EQ(w.edtProtocolo()->text(), "1");
    EXPECT_EQ(w.edtTipoEntrada()->text(), "NE");
    EXPECT_TRUE(w.edtNotaFiscal()->text().isEmpty());
    EXPECT_TRUE(w.edtValorNotaFiscal()->text().isEmpty());
    EXPECT_TRUE(w.edtEmitenteOrigem()->text().isEmpty());
    EXPECT_TRUE(w.cmbTipoNFOrigem()->currentText().isEmpty());
    EXPECT_EQ(QApplication::focusWidget(), w.edtNotaFiscal());

    // Same protocol -> refused, nothing written even with changed data; the
    // protocol typed as 01 is the same protocol.
    janela::preenche(w.edtProtocolo(), "01");
    f.nota("101", "999");
    f.prompts.clear();
    janela::clica(w.btnGravar());
    ASSERT_EQ(f.prompts.shown.size(), 1u);
    EXPECT_EQ(f.prompts.last().kind, "error");
    EXPECT_EQ(f.prompts.last().text, kJaCadastrada);
    EXPECT_EQ(linha("0000000101")["VALOR_NF"], "1234,56");
    EXPECT_EQ(linha("0000000101")["OPERACAO"], "I");
    EXPECT_EQ(w.edtValorNotaFiscal()->text(), "999,00") << "the window keeps its contents";

    // Earlier protocol -> A, new values, this protocol. The invoice value is
    // retyped while the origin value stays as loaded ("1234,56"): one amount.
    notaGravada("0000000202", 2, "I", "1234.56");
    janela::preenche(w.edtProtocolo(), "1");
    janela::preenche(w.edtNotaFiscal(), "202");
    EXPECT_EQ(w.edtValorNotaFiscal()->text(), "1234,56") << "loaded as stored, not reformatted";
    EXPECT_EQ(w.edtValorNfOrigem()->text(), "1234,56");
    EXPECT_EQ(w.edtEmitenteOrigem()->text(), "00000078865280");
    EXPECT_EQ(w.dtpEmissao()->date(), QDate(2015, 2, 10));
    w.dtpEmissao()->setDate(QDate(2015, 4, 20));
    janela::preenche(w.edtValorNotaFiscal(), "1234,56");
    EXPECT_EQ(w.edtValorNotaFiscal()->text(), "1.234,56");
    janela::preenche(w.edtNotaFiscalOrigem(), "77");
    f.prompts.clear();
    janela::clica(w.btnGravar());
    ASSERT_EQ(f.prompts.texts(), QStringList{"Registro Gravado !"});
    l = linha("0000000202");
    EXPECT_EQ(l["PROTOCOLO"], "1");
    EXPECT_EQ(l["OPERACAO"], "A");
    EXPECT_EQ(l["DTA_EMIT_NF"], "20/04/2015");
    EXPECT_EQ(l["NOTA_ORIGEM"], "0000000077");
    EXPECT_EQ(l["VALOR_NF"], "1234,56");

    // Earlier protocol -> delete keeps the row as E in this protocol.
    notaGravada("0000000303", 2, "I", "75.5");
    janela::preenche(w.edtNotaFiscal(), "303");
    f.prompts.clear();
    janela::clica(w.btnExcluir());
    ASSERT_EQ(f.prompts.shown.size(), 1u) << "the question only: no success message";
    EXPECT_EQ(f.prompts.last().caption, QStringLiteral("ATENÇÃO"));
    EXPECT_EQ(f.prompts.last().text, QStringLiteral("Deseja mesmo Apagar o registro atual ?"));
    l = linha("0000000303");
    EXPECT_EQ(l["PROTOCOLO"], "1");
    EXPECT_EQ(l["OPERACAO"], "E");
    EXPECT_EQ(l["VALOR_NF"], "75,5");
    EXPECT_EQ(l["DTA_EMIT_NF"], "10/02/2015");

    // This protocol's rows go, whatever their operation: the A and E just
    // made, and the I of the first save. Answering No deletes nothing.
    const int antes = notas();
    janela::preenche(w.edtNotaFiscal(), "303");
    f.prompts.answers = {false};
    janela::clica(w.btnExcluir());
    EXPECT_EQ(notas(), antes);
    for (const char *nf : {"303", "202", "101"}) {
        janela::preenche(w.edtNotaFiscal(), nf);
        janela::clica(w.btnExcluir());
        EXPECT_TRUE(linha(Funcoes::ZerosEsquerda(nf, 10)).empty()) << nf;
    }
    EXPECT_EQ(notas(), antes - 3);

    // None -> delete writes nothing.
    f.prompts.clear();
    janela::preenche(w.edtNotaFiscal(), "404");
    f.origem("10");
    janela::preenche(w.edtValorNotaFiscal(), "10");
    janela::clica(w.btnExcluir());
    EXPECT_EQ(notas(), antes - 3);
    EXPECT_EQ(f.prompts.texts(), QStringList{"Deseja mesmo Apagar o registro atual ?"});
}

TEST(FrmNotaFiscal, ValuesMustAgreeForAnEntryNoteAndTravelAsAmounts)
{
    NotaFiscal f;
    TfrmNotaFiscal &w = *f.frm;
    janela::preenche(w.edtProtocolo(), "1");

    // Required fields first: an empty value is named by its hint.
    janela::preenche(w.edtNotaFiscal(), "55");
    f.origem("1234,50");
    janela::clica(w.btnGravar());
    EXPECT_EQ(f.prompts.last().kind, "error");
    EXPECT_EQ(f.prompts.last().text, QStringLiteral("Falta o Dados do Campo Valor Total da Nota Fiscal "));

    // Zero gives the field's warning, a text that is no amount says so; both
    // keep the user there; never the support-line box.
    for (const char *texto : {"0", "0,00", ",", "1,2,3"}) {
        f.prompts.clear();
        janela::preenche(w.edtValorNotaFiscal(), texto);
        ASSERT_EQ(f.prompts.shown.size(), 1u) << texto;
        EXPECT_EQ(f.prompts.last().kind, "warning");
        if (QByteArray(texto).startsWith('0'))
            EXPECT_EQ(f.prompts.last().text, QStringLiteral("O valor da Nota Fiscal deve ser maior que ZERO !"));
        else
            EXPECT_TRUE(f.prompts.last().text.contains(QStringLiteral("\"%1\" não é um número").arg(texto)))
                << f.prompts.last().text.toStdString();
        EXPECT_EQ(QApplication::focusWidget(), w.edtValorNotaFiscal()) << texto;
    }

    // A grouped amount is read again as it stands when the field is left again.
    f.prompts.clear();
    janela::preenche(w.edtValorNotaFiscal(), "1234,56");
    EXPECT_EQ(w.edtValorNotaFiscal()->text(), "1.234,56");
    janela::foca(w.edtValorNotaFiscal());
    janela::sai();
    EXPECT_EQ(w.edtValorNotaFiscal()->text(), "1.234,56");
    EXPECT_TRUE(f.prompts.shown.empty());

    // 1.234,56 against 1.234,50: refused, nothing written.
    EXPECT_EQ(w.edtValorNfOrigem()->text(), "1.234,50");
    janela::clica(w.btnGravar());
    ASSERT_EQ(f.prompts.shown.size(), 1u);
    EXPECT_EQ(f.prompts.last().kind, "error");
    EXPECT_EQ(f.prompts.last().text, kMismatch);
    EXPECT_EQ(notas(), 0);

    // Equal amounts save, as 1234.56 in both columns.
    janela::preenche(w.edtValorNfOrigem(), "1234,56");
    EXPECT_EQ(w.edtValorNfOrigem()->text(), "1.234,56");
    janela::clica(w.btnGravar());
    EXPECT_EQ(f.prompts.last().text, QStringLiteral("Registro Gravado !"));
    orva::db::Query q(dtmDados->ADOConnection);
    q.setSql("Select VALOR_NF, VALOR_NF_ORIGEM From Notas Where NF = '0000000055'");
    q.open();
    ASSERT_FALSE(q.eof());
    EXPECT_DOUBLE_EQ(q.field(0).asFloat(), 1234.56);
    EXPECT_DOUBLE_EQ(q.field(1).asFloat(), 1234.56);
    q.close();

    // An amount whose grouped form is longer than the field's typing limit is
    // kept whole, cents included.
    janela::preenche(w.edtNotaFiscal(), "56");
    janela::preenche(w.edtValorNotaFiscal(), "1234567890,12");
    EXPECT_EQ(w.edtValorNotaFiscal()->text(), "1.234.567.890,12");
    f.origem("1234567890,12");
    janela::clica(w.btnGravar());
    EXPECT_EQ(f.prompts.last().text, QStringLiteral("Registro Gravado !"));
    EXPECT_EQ(linha("0000000056")["VALOR_NF"], "1234567890,12");
}

TEST(FrmNotaFiscal, OtherTypesStoreNeutralOriginValuesAndKeepTheirType)
{
    NotaFiscal f;
    TfrmNotaFiscal &w = *f.frm;
    janela::preenche(w.edtProtocolo(), "1");
    f.escolhe(0, "NP");
    w.btnConsTipoEntrada()->click();
    f.ativa();
    EXPECT_EQ(w.edtTipoEntrada()->text(), "NP");
    EXPECT_EQ(w.lblNomeTipoEntrada()->text(), "Nota de Produtor");

    // The block is still required, and its values are not compared.
    f.nota("88", "300");
    janela::preenche(w.edtValorNfOrigem(), "12");
    janela::clica(w.btnGravar());
    EXPECT_EQ(f.prompts.last().text, QStringLiteral("Registro Gravado !"));
    Linha l = linha("0000000088", "NP");
    EXPECT_EQ(l["VALOR_NF"], "300");
    EXPECT_EQ(l["NOTA_ORIGEM"], "0000000000");
    EXPECT_EQ(l["DTA_NF_ORIGEM"], "01/01/1900");
    EXPECT_EQ(l["TIPO_EMITENTE_ORIGEM"], "0");
    EXPECT_EQ(l["EMITENTE_NOTA_ORIGEM"], "00000000000000");
    EXPECT_EQ(l["TIPO_NF_ORIGEM"], "");
    EXPECT_EQ(l["VALOR_NF_ORIGEM"], "0");
    EXPECT_EQ(l["MUNICIPIO_ORIGEM"], "");
    EXPECT_EQ(w.edtTipoEntrada()->text(), "NP") << "a save keeps the type";

    // Delete: the type is back to NE. The block is required here too.
    janela::preenche(w.edtNotaFiscal(), "88");
    f.origem("1");
    janela::clica(w.btnExcluir());
    EXPECT_TRUE(linha("0000000088", "NP").empty());
    EXPECT_EQ(w.edtTipoEntrada()->text(), "NE");
}

TEST(FrmNotaFiscal, SearchBringsProtocolNumberAndType)
{
    NotaFiscal f;
    TfrmNotaFiscal &w = *f.frm;
    notaGravada("0000000777", 1, "I", "250", "NA");

    f.escolhe(3, "0000000777", true);
    janela::clica(w.btnConsulta());
    f.ativa();
    EXPECT_EQ(f.prompts.modalWindows, QStringList{"frmConsulta"});
    EXPECT_EQ(w.edtProtocolo()->text(), "1");
    EXPECT_EQ(w.edtNotaFiscal()->text(), "0000000777");
    EXPECT_EQ(w.edtTipoEntrada()->text(), "NA");
    EXPECT_EQ(w.lblNomeTipoEntrada()->text(), "Nota Fiscal Avulsa");
    EXPECT_EQ(w.edtInscricao()->text(), kDeclarante);
    EXPECT_EQ(w.edtValorNotaFiscal()->text(), "250");
    EXPECT_EQ(QApplication::focusWidget(), w.edtValorNotaFiscal());
    EXPECT_TRUE(f.prompts.shown.empty());

    // Closed without a choice: no protocol, no number, no check, no load.
    f.prompts.dialogHandlers.push_back([](QDialog &) { return 0; });
    janela::clica(w.btnConsulta());
    f.ativa();
    EXPECT_TRUE(w.edtProtocolo()->text().isEmpty());
    EXPECT_TRUE(w.edtNotaFiscal()->text().isEmpty());
    EXPECT_TRUE(w.edtTipoEntrada()->text().isEmpty()) << "no type left over from the earlier search";
    EXPECT_TRUE(f.prompts.shown.empty());
    EXPECT_EQ(QApplication::focusWidget(), w.edtValorNotaFiscal());
}

TEST(FrmNotaFiscal, OriginEmitterRules)
{
    NotaFiscal f;
    TfrmNotaFiscal &w = *f.frm;
    QLineEdit *emitente = w.edtEmitenteOrigem();
    janela::preenche(w.edtProtocolo(), "1");

    // A producer's note needs a state registration.
    janela::preenche(w.cmbTipoNFOrigem(), "np");
    EXPECT_EQ(w.cmbTipoNFOrigem()->currentText(), "NP");
    w.rbtCpfOrigem()->setChecked(true);
    emitente->setMaxLength(11);
    janela::foca(emitente);
    EXPECT_EQ(f.prompts.texts(),
              QStringList{QStringLiteral("Para o tipo de NF informado, o emitente deve ter inscrição estadual!")});
    EXPECT_TRUE(w.rbtInscEstOrigem()->isChecked());
    EXPECT_EQ(emitente->maxLength(), 14);

    // Zero-filled, validated, the producer brings its municipality; focus
    // goes on to the origin number.
    janela::preenche(emitente, "78865280");
    EXPECT_EQ(emitente->text(), "00000078865280");
    EXPECT_EQ(w.edtMunicipioOrigem()->text(), "110063");
    EXPECT_FALSE(w.lblNomeMunicipioOrigem()->text().isEmpty());
    EXPECT_EQ(QApplication::focusWidget(), w.edtNotaFiscalOrigem());

    f.prompts.clear();
    janela::preenche(emitente, "12345");
    EXPECT_EQ(emitente->text(), "00000000012345");
    EXPECT_EQ(f.prompts.texts(), QStringList{QStringLiteral("Inscrição Estadual do Emitente de origem esta Invalida !")});
    EXPECT_EQ(QApplication::focusWidget(), emitente);

    // A valid registration of no producer leaves the municipality to the user.
    f.prompts.clear();
    janela::preenche(emitente, inscricaoValida("0000000123456"));
    EXPECT_TRUE(f.prompts.shown.empty());
    EXPECT_TRUE(w.edtMunicipioOrigem()->text().isEmpty());

    // By CPF: eleven digits; a registered one brings its municipality.
    janela::preenche(w.cmbTipoNFOrigem(), "na");
    EXPECT_EQ(w.cmbTipoNFOrigem()->currentText(), "NA");
    w.rbtCpfOrigem()->setChecked(true);
    emitente->clear();
    janela::foca(emitente);
    EXPECT_EQ(emitente->maxLength(), 11);
    janela::preenche(emitente, "10538790911");
    EXPECT_EQ(w.edtMunicipioOrigem()->text(), "110046");
    EXPECT_EQ(w.cmbTipoNFOrigem()->currentText(), "NP") << "a valid emitter presets the producer's note";
    janela::preenche(w.cmbTipoNFOrigem(), "NA");
    f.prompts.clear();
    janela::preenche(emitente, "12345678900");
    EXPECT_EQ(f.prompts.texts(), QStringList{QStringLiteral("C.P.F. do Emitente de origem esta Invalido !")});
    EXPECT_EQ(QApplication::focusWidget(), emitente);
    emitente->clear();

    // The origin type must be NP or NA.
    for (const char *tipo : {"xx", ""}) {
        f.prompts.clear();
        janela::digita(w.cmbTipoNFOrigem(), tipo);
        if (!*tipo)
            w.cmbTipoNFOrigem()->clearEditText();
        janela::sai();
        EXPECT_EQ(f.prompts.texts(), QStringList{QStringLiteral("Tipo de Nota Fiscal Invalido !")}) << tipo;
        EXPECT_EQ(QApplication::focusWidget(), w.cmbTipoNFOrigem()) << tipo;
    }
    w.cmbTipoNFOrigem()->setCurrentIndex(0);

    // A zero origin value warns and goes on to the save button.
    f.prompts.clear();
    janela::preenche(w.edtValorNfOrigem(), "0");
    EXPECT_EQ(f.prompts.texts(), QStringList{QStringLiteral("O valor da Nota Fiscal de origem deve ser maior que ZERO !")});
    EXPECT_EQ(QApplication::focusWidget(), w.btnGravar());
}

TEST(FrmNotaFiscal, CpfEmitterIsStoredAtTheLengthTheFieldHad)
{
    NotaFiscal f;
    TfrmNotaFiscal &w = *f.frm;
    janela::preenche(w.edtProtocolo(), "1");
    const QString cpf = cpfValido("000012345");
    ASSERT_FALSE(cpf.isEmpty());

    // Entered with CPF chosen: eleven digits. A CPF of no producer leaves the
    // municipality to the user.
    f.nota("61", "10");
    janela::preenche(w.cmbTipoNFOrigem(), "NA");
    w.rbtCpfOrigem()->setChecked(true);
    w.edtEmitenteOrigem()->clear();
    janela::preenche(w.edtEmitenteOrigem(), cpf);
    EXPECT_TRUE(w.edtMunicipioOrigem()->text().isEmpty());
    janela::preenche(w.edtMunicipioOrigem(), "110002");
    EXPECT_EQ(w.lblNomeMunicipioOrigem()->text(), QStringLiteral("ÁGUA BRANCA DO JARI"));
    janela::clica(w.btnGravar());
    ASSERT_EQ(f.prompts.last().text, QStringLiteral("Registro Gravado !"));
    EXPECT_EQ(linha("0000000061")["EMITENTE_NOTA_ORIGEM"], cpf);
    EXPECT_EQ(linha("0000000061")["TIPO_EMITENTE_ORIGEM"], "2");

    // The field entered with the registration chosen, then a CPF picked
    // through the producer search: fourteen digits.
    w.rbtInscEstOrigem()->setChecked(true);
    f.nota("62", "10");
    w.rbtCpfOrigem()->setChecked(true);
    f.escolhe(3, "10538790911", true);
    w.btnConsEmitenteOrigem()->click();
    f.ativa();
    EXPECT_EQ(w.edtEmitenteOrigem()->text(), "10538790911");
    EXPECT_EQ(w.edtMunicipioOrigem()->text(), "110046");
    janela::clica(w.btnGravar());
    ASSERT_EQ(f.prompts.last().text, QStringLiteral("Registro Gravado !"));
    EXPECT_EQ(linha("0000000062")["EMITENTE_NOTA_ORIGEM"], "00010538790911");
    EXPECT_EQ(linha("0000000062")["TIPO_EMITENTE_ORIGEM"], "2");
}

TEST(FrmNotaFiscal, DatesTypedWithSlashesAreStoredAsTypedAndEscKeepsTheWindow)
{
    NotaFiscal f;
    TfrmNotaFiscal &w = *f.frm;
    for (QDateEdit *dtp : {w.dtpEmissao(), w.dtpEmissaoOrigem()}) {
        dtp->setDate(QDate(2015, 4, 15));
        janela::foca(dtp);
        QTest::keyClicks(dtp, "28/11/2015");
        EXPECT_EQ(dtp->date(), QDate(2015, 11, 28)) << dtp->objectName().toStdString();
        janela::foca(dtp);
        QTest::keyClicks(dtp, "05/03/2015");
        EXPECT_EQ(dtp->date(), QDate(2015, 3, 5)) << dtp->objectName().toStdString();
    }
    janela::digita(w.edtNotaFiscal(), "123");
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    janela::assenta();
    EXPECT_TRUE(w.isVisible());
    EXPECT_EQ(w.edtNotaFiscal()->text(), "123");
}

// What is saved is what the field shows: a short year is completed, typing
// that cannot be is refused with the focus kept, a click on the month types
// the month.
TEST(FrmNotaFiscal, ADateTypedShortIsSavedAsShownOrRefused)
{
    NotaFiscal f;
    TfrmNotaFiscal &w = *f.frm;
    janela::preenche(w.edtProtocolo(), "1");
    f.nota("101", "500");
    w.dtpEmissao()->setDate(QDate(2015, 7, 10));

    // "25/7/15" and a click on the save button: 25/07/2015 saved.
    janela::foca(w.dtpEmissao());
    QTest::keyClicks(w.dtpEmissao(), "25/7/15");
    EXPECT_EQ(w.dtpEmissao()->text(), "25/07/15");
    janela::clica(w.btnGravar());
    ASSERT_EQ(f.prompts.texts(), QStringList{"Registro Gravado !"});
    EXPECT_EQ(linha("0000000101")["DTA_EMIT_NF"], "25/07/2015");

    // "5/3/15" then Enter: 05/03/2015 shown and saved.
    f.nota("102", "500");
    f.prompts.clear();
    janela::foca(w.dtpEmissao());
    QTest::keyClicks(w.dtpEmissao(), "5/3/15");
    janela::tecla(Qt::Key_Return);
    EXPECT_EQ(w.dtpEmissao()->date(), QDate(2015, 3, 5));
    EXPECT_EQ(w.dtpEmissao()->text(), "05/03/2015");
    EXPECT_NE(QApplication::focusWidget(), w.dtpEmissao());
    janela::clica(w.btnGravar());
    ASSERT_EQ(f.prompts.texts(), QStringList{"Registro Gravado !"});
    EXPECT_EQ(linha("0000000102")["DTA_EMIT_NF"], "05/03/2015");

    // A day without month, then a click on the save button: refused with
    // the field's warning, nothing saved, the typing still shown and focused.
    f.nota("103", "500");
    w.dtpEmissao()->setDate(QDate(2015, 7, 10));
    f.prompts.clear();
    janela::foca(w.dtpEmissao());
    QTest::keyClicks(w.dtpEmissao(), "25/");
    janela::clica(w.btnGravar());
    ASSERT_EQ(f.prompts.shown.size(), 1u);
    EXPECT_EQ(f.prompts.last().kind, "warning");
    EXPECT_TRUE(f.prompts.last().text.startsWith("Data de Emissão da Nota Fiscal incompleta: 25")) << f.prompts.last().text.toStdString();
    EXPECT_TRUE(linha("0000000103").empty());
    EXPECT_EQ(QApplication::focusWidget(), w.dtpEmissao());
    EXPECT_EQ(w.dtpEmissao()->text(), "25");
    // Leaving by Tab: the same warning, the focus back on the field.
    f.prompts.clear();
    janela::sai();
    ASSERT_EQ(f.prompts.shown.size(), 1u);
    EXPECT_EQ(QApplication::focusWidget(), w.dtpEmissao());
    EXPECT_EQ(w.dtpEmissao()->text(), "25");
    // Finished, it is saved as typed.
    QTest::keyClicks(w.dtpEmissao(), "/07/2015");
    f.prompts.clear();
    janela::clica(w.btnGravar());
    ASSERT_EQ(f.prompts.texts(), QStringList{"Registro Gravado !"});
    EXPECT_EQ(linha("0000000103")["DTA_EMIT_NF"], "25/07/2015");

    // A click on the month part, "03", Tab: the month changes, day and year stay.
    f.nota("104", "500");
    w.dtpEmissao()->setDate(QDate(2015, 7, 10));
    f.prompts.clear();
    janela::foca(w.dtpEmissao());
    w.dtpEmissao()->setCurrentSection(QDateTimeEdit::MonthSection);
    QTest::keyClicks(w.dtpEmissao(), "03");
    janela::sai();
    EXPECT_EQ(w.dtpEmissao()->date(), QDate(2015, 3, 10));
    EXPECT_EQ(w.dtpEmissao()->text(), "10/03/2015");
    // The origin date too: "1/2/15" and a click on save.
    janela::foca(w.dtpEmissaoOrigem());
    QTest::keyClicks(w.dtpEmissaoOrigem(), "1/2/15");
    janela::clica(w.btnGravar());
    ASSERT_EQ(f.prompts.texts(), QStringList{"Registro Gravado !"});
    EXPECT_EQ(linha("0000000104")["DTA_EMIT_NF"], "10/03/2015");
    EXPECT_EQ(linha("0000000104")["DTA_NF_ORIGEM"], "01/02/2015");
}

// An amount is never cut to fit: what does not fit is refused with a
// message, and a text with two commas is said to be no number.
TEST(FrmNotaFiscal, AnAmountThatDoesNotFitOrIsNoNumberIsRefusedWithAMessage)
{
    NotaFiscal f;
    TfrmNotaFiscal &w = *f.frm;
    janela::preenche(w.edtProtocolo(), "1");
    janela::preenche(w.edtNotaFiscal(), "101");
    f.prompts.clear();
    janela::digita(w.edtValorNotaFiscal(), "9876543210987,65");
    ASSERT_EQ(f.prompts.shown.size(), 1u);
    EXPECT_EQ(f.prompts.last().kind, "warning");
    EXPECT_TRUE(f.prompts.last().text.contains("não cabe no campo")) << f.prompts.last().text.toStdString();
    EXPECT_EQ(w.edtValorNotaFiscal()->text(), "9876543210987,6") << "the key that did not fit was refused";
    // Pasting too much is refused whole.
    QApplication::clipboard()->setText("99999999999999999,99");
    w.edtValorNotaFiscal()->clear();
    f.prompts.clear();
    QTest::keySequence(w.edtValorNotaFiscal(), QKeySequence::Paste);
    EXPECT_EQ(f.prompts.shown.size(), 1u);
    EXPECT_TRUE(w.edtValorNotaFiscal()->text().isEmpty());

    f.prompts.clear();
    janela::preenche(w.edtValorNotaFiscal(), "1,2,3");
    ASSERT_EQ(f.prompts.shown.size(), 1u);
    EXPECT_TRUE(f.prompts.last().text.contains("\"1,2,3\" não é um número")) << f.prompts.last().text.toStdString();
    EXPECT_EQ(QApplication::focusWidget(), w.edtValorNotaFiscal());
    f.prompts.clear();
    janela::preenche(w.edtValorNotaFiscal(), "0");
    ASSERT_EQ(f.prompts.shown.size(), 1u);
    EXPECT_FALSE(f.prompts.last().text.contains("não é um número"));
}
