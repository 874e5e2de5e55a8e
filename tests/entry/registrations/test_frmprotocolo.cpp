#include "support/scripted_prompts.h"
#include "support/sql.h"
#include "support/temp_program.h"
#include "support/window_driver.h"

#include "ui/shared/frmconsulta.h"
#include "ui/registrations/frmprotocolo.h"
#include "ui/shell/querymodel.h"
#include "common/relogio.h"

#include <QApplication>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

namespace {

const QString kAberto = QStringLiteral("Esta empresa ja possui um protocolo cadastrado que não foi transmitido\n"
                                       "Para poder gerar outro protocolo para esta empresa, por favor transmita\n"
                                       "o protocolo existente!");

void exec(const QString &statement) { sql::executa(dtmDados->ADOConnection, statement); }

// First column of the first row, as text.
QString value(const QString &statement) { return sql::valor(dtmDados->ADOConnection, statement); }

void empresa(const QString &inscricao, const QString &tipoDeclara, const QString &razao = QStringLiteral("ACME LTDA"))
{
    exec(QStringLiteral("Insert into Empresa (Inscricao, Razao, Cnpj, Tipo_Declara, Municipio) Values ('%1', '%2', "
                        "'11222333000181', '%3', '056014')")
             .arg(inscricao, razao, tipoDeclara));
}

// A protocol row; transmitted when a date is given.
void protocolo(int numero, const QString &inscricao, const QString &dtTransmissao = QString())
{
    exec(QStringLiteral("Insert into Protocolo (Protocolo, Tipo_Protocolo, Tipo_Entrega, Exercicio, Inscricao, "
                        "DtGeracao, DtTransmissao, Crc, Responsavel, Razao, Cnpj, Municipio, Valor_Notas, Qtde_Notas) "
                        "Values (%1, 1, '2', '2015', '%2', '2015-02-10', %3, 'CRC%1', 'RESP %1', 'ACME LTDA', "
                        "'11222333000181', '056014', 1234.5, 3)")
             .arg(QString::number(numero), inscricao,
                  dtTransmissao.isEmpty() ? QStringLiteral("null") : QLatin1Char('\'') + dtTransmissao + '\''));
}

// The protocol window on a fresh database, shown and active, with the search
// window installed and the clock fixed on 05/03/2015.
struct Fixture : ::testing::Test {
    void SetUp() override
    {
        orva::defineRelogio([] { return QDateTime(QDate(2015, 3, 5), QTime(10, 0)); });
        consulta = std::make_unique<TfrmConsulta>();
        frmConsulta = consulta.get();
    }
    void TearDown() override
    {
        if (w)
            w->hide();
        w.reset();
        frmConsulta = nullptr;
        orva::defineRelogio(nullptr);
    }

    TfrmProtocolo &abre(bool reabertura = false)
    {
        w = std::make_unique<TfrmProtocolo>();
        w->DefineTabela(QStringLiteral("Protocolo"));
        if (reabertura)
            w->DefineModoReabertura();
        janela::ativa(w.get());
        return *w;
    }

    // Types into the field and leaves it with Tab, as the user does.
    void digita(QLineEdit *campo, const QString &texto)
    {
        janela::digita(campo, texto);
        ASSERT_EQ(QApplication::focusWidget(), campo);
        janela::sai();
    }

    TempProgram program;
    ScriptedPrompts prompts;
    std::unique_ptr<TfrmConsulta> consulta;
    std::unique_ptr<TfrmProtocolo> w;
};

using FrmProtocolo = Fixture;

} // namespace

TEST_F(FrmProtocolo, ControlsAndButtonStatesInBothModes)
{
    TfrmProtocolo &f = abre();
    EXPECT_EQ(f.objectName(), QStringLiteral("frmProtocolo"));
    EXPECT_EQ(f.windowTitle(), QStringLiteral("Manutenção da Tabela Protocolo"));
    EXPECT_EQ(f.edtCrcContador()->text(), QString()) << "the designed \"0\" is cleared at show";
    EXPECT_EQ(f.PageControl1()->tabText(0), QStringLiteral("Dados do Protocolo"));
    EXPECT_EQ(f.PageControl1()->tabText(1), QStringLiteral("Dados Complementares"));
    EXPECT_FALSE(f.pnlComplementares()->isEnabled());
    EXPECT_EQ(f.edtProtocolo()->maxLength(), 4);
    EXPECT_EQ(f.edtInscricao()->maxLength(), 14);
    EXPECT_EQ(f.edtResponsavel()->maxLength(), 50);
    EXPECT_TRUE(f.edtProtocolo()->isEnabled());
    EXPECT_FALSE(f.btnReAbrir()->isEnabled());
    EXPECT_FALSE(f.btnReAbrir()->isVisible());
    EXPECT_TRUE(f.btnSalvar()->isEnabled() && f.btnApagar()->isEnabled() && f.btnNovo()->isEnabled());

    TfrmProtocolo &r = abre(true);
    EXPECT_TRUE(r.btnReAbrir()->isEnabled());
    EXPECT_TRUE(r.btnReAbrir()->isVisible());
    EXPECT_EQ(r.btnReAbrir()->text(), QStringLiteral("&ReAbrir o protocolo para alterações"));
    EXPECT_FALSE(r.btnSalvar()->isEnabled());
    EXPECT_FALSE(r.btnApagar()->isEnabled());
    EXPECT_FALSE(r.btnNovo()->isEnabled());
    EXPECT_TRUE(r.btnConsulta()->isEnabled());
    EXPECT_TRUE(r.edtProtocolo()->isEnabled());

    // The openers of the main window: table "Protocolo", the mode before showing.
    bool reaberturaVista = false;
    prompts.dialogHandlers.push_back([&](QDialog &d) {
        auto &aberta = static_cast<TfrmProtocolo &>(d);
        reaberturaVista = aberta.Tabela() == QLatin1String("Protocolo") && aberta.btnReAbrir()->isVisible()
            && !aberta.btnNovo()->isEnabled();
        return 0;
    });
    TfrmProtocolo::AbreReabertura();
    EXPECT_TRUE(reaberturaVista);
    EXPECT_EQ(prompts.modalWindows, QStringList{QStringLiteral("frmProtocolo")});
}

TEST_F(FrmProtocolo, MissingTableParameterClosesTheWindow)
{
    TfrmProtocolo f;
    prompts.dialogHandlers.push_back([](QDialog &) { return 5; });
    orva::prompts().execModal(f);
    EXPECT_EQ(prompts.texts(), QStringList{QStringLiteral("Falta de parametro strTabela = ")});
    EXPECT_EQ(prompts.dialogHandlers.size(), 1u) << "closed while being shown, never driven";
}

TEST_F(FrmProtocolo, NovoProposesTheHighestNumberPlusOne)
{
    TfrmProtocolo &f = abre();
    f.edtResponsavel()->setText(QStringLiteral("ANA"));
    janela::clica(f.btnNovo());
    EXPECT_EQ(f.edtProtocolo()->text(), QStringLiteral("1"));
    EXPECT_EQ(f.edtResponsavel()->text(), QString());
    EXPECT_FALSE(f.edtProtocolo()->isEnabled());
    EXPECT_EQ(QApplication::focusWidget(), f.edtTipoEntrega());

    empresa(QStringLiteral("00000000000001"), QStringLiteral("0"));
    for (int n : {1, 2, 7})
        protocolo(n, QStringLiteral("00000000000001"), QStringLiteral("2015-04-01"));
    janela::clica(f.btnNovo());
    EXPECT_EQ(f.edtProtocolo()->text(), QStringLiteral("8"));
    EXPECT_FALSE(f.edtProtocolo()->isEnabled());
}

TEST_F(FrmProtocolo, SaveInsertsAnOpenProtocolThenUpdatesItKeepingTheCreationDate)
{
    empresa(QStringLiteral("00000000000001"), QStringLiteral("1"));
    TfrmProtocolo &f = abre();

    // Required fields are met in their order; nothing is written meanwhile.
    janela::clica(f.btnSalvar());
    EXPECT_EQ(prompts.last().text, QStringLiteral("Falta o Dados do Campo Responsável pela entrega dos Dados"));
    EXPECT_EQ(prompts.last().kind, QStringLiteral("information"));

    janela::clica(f.btnNovo());
    digita(f.edtTipoEntrega(), QStringLiteral("1"));
    EXPECT_EQ(f.lblNomeTipoEntrega()->text(), QStringLiteral("Normal"));
    digita(f.edtInscricao(), QStringLiteral("1"));
    EXPECT_EQ(f.edtInscricao()->text(), QStringLiteral("00000000000001"));
    EXPECT_EQ(f.lblNomeEmpresa()->text(), QStringLiteral("ACME LTDA"));
    digita(f.edtResponsavel(), QStringLiteral("Jose da Silva"));
    EXPECT_EQ(f.edtResponsavel()->text(), QStringLiteral("JOSE DA SILVA"));
    prompts.clear();
    janela::clica(f.btnSalvar());
    EXPECT_EQ(prompts.texts(), QStringList{QStringLiteral("Falta o Dados do Campo C.R.C do contador ( caso exista)")});
    EXPECT_EQ(value("Select Count(*) From Protocolo"), QStringLiteral("0"));

    digita(f.edtCrcContador(), QStringLiteral("0"));
    prompts.clear();
    janela::clica(f.btnSalvar());
    EXPECT_EQ(prompts.texts(), QStringList{QStringLiteral("Registro Gravado !")});
    EXPECT_EQ(f.Protocolos().comando().commandText(),
              QStringLiteral("Insert into Protocolo ( PROTOCOLO, TIPO_PROTOCOLO, TIPO_ENTREGA,  EXERCICIO, INSCRICAO, "
                             "DTGERACAO, CRC, RESPONSAVEL, RAZAO, CNPJ, MUNICIPIO  ) Values ( :pProtocolo, "
                             ":pTipoProtocolo, :pTipoEntrega, :pExercicio, :pInscricao, :pDtGeracao, :pCrc,  "
                             ":pResponsavel, :pRazao, :pCnpj, :pMunicipio )"));
    using orva::db::ParamKind;
    orva::db::Parameters &p = f.Protocolos().comando().parameters();
    EXPECT_EQ(p.byName("pProtocolo").kind(), ParamKind::Integer);
    EXPECT_EQ(p.byName("pTipoProtocolo").kind(), ParamKind::Integer);
    EXPECT_EQ(p.byName("pDtGeracao").kind(), ParamKind::Date);
    EXPECT_EQ(p.byName("pTipoEntrega").kind(), ParamKind::Text);
    EXPECT_EQ(f.edtInscricao()->text(), QString()) << "cleared after the save";
    EXPECT_EQ(value("Select Protocolo || '|' || Tipo_Protocolo || '|' || Tipo_Entrega || '|' || Exercicio || '|' || "
                    "Inscricao || '|' || Crc || '|' || Responsavel || '|' || Razao || '|' || Cnpj || '|' || Municipio "
                    "|| '|' || ifnull(DtTransmissao, 'aberto') From Protocolo"),
              QStringLiteral("1|1|1|2015|00000000000001|0|JOSE DA SILVA|ACME LTDA|11222333000181|056014|aberto"));
    EXPECT_EQ(value("Select DtGeracao From Protocolo"), QStringLiteral("05/03/2015"));

    // A year later the company's registration brings its open protocol back,
    // with the warning, and the next save changes that protocol.
    orva::defineRelogio([] { return QDateTime(QDate(2016, 7, 1), QTime(9, 0)); });
    exec("Update Empresa Set Razao = 'ACME S/A'");
    prompts.clear();
    digita(f.edtInscricao(), QStringLiteral("00000000000001"));
    ASSERT_EQ(prompts.shown.size(), 1u);
    EXPECT_EQ(prompts.last().kind, QStringLiteral("warning"));
    EXPECT_EQ(prompts.last().text, kAberto);
    EXPECT_EQ(f.edtProtocolo()->text(), QStringLiteral("1"));
    EXPECT_EQ(f.edtResponsavel()->text(), QStringLiteral("JOSE DA SILVA"));
    EXPECT_EQ(f.edtTipoProtocolo()->text(), QStringLiteral("1"));
    EXPECT_EQ(f.lblNomeTipoProtocolo()->text(), QStringLiteral("Declaração de Rateio"));
    EXPECT_EQ(f.edtDataCricao()->text(), QStringLiteral("05/03/2015"));
    EXPECT_EQ(f.edtDataTransmissao()->text(), QString());

    digita(f.edtResponsavel(), QStringLiteral("maria"));
    prompts.clear();
    janela::clica(f.btnSalvar());
    EXPECT_EQ(prompts.texts(), QStringList{QStringLiteral("Registro Gravado !")});
    EXPECT_EQ(f.Protocolos().comando().commandText(),
              QStringLiteral("Update Protocolo Set   Tipo_Protocolo = :pTipoProtocolo ,Tipo_Entrega = :pTipoEntrega "
                             ",Exercicio = :pExercicio ,Inscricao = :pInscricao ,Crc = :pCrc ,Responsavel = "
                             ":pResponsavel ,Razao = :pRazao ,Cnpj = :pCnpj ,Municipio = :pMunicipio Where Protocolo "
                             "= :pProtocolo"));
    EXPECT_EQ(value("Select Count(*) || '|' || Responsavel || '|' || Razao || '|' || Exercicio || '|' || DtGeracao "
                    "From Protocolo Where DtTransmissao is Null"),
              QStringLiteral("1|MARIA|ACME S/A|2015|2015-03-05"));
}

TEST_F(FrmProtocolo, LoadingByNumberAndTheOpenProtocolOfTheSameCompany)
{
    empresa(QStringLiteral("00000000000060"), QStringLiteral("1"));
    protocolo(2, QStringLiteral("00000000000060"), QStringLiteral("2015-04-01"));
    TfrmProtocolo &f = abre();

    // A transmitted protocol of a company without an open one: the first tab only.
    digita(f.edtProtocolo(), QStringLiteral("2"));
    EXPECT_TRUE(prompts.shown.empty());
    EXPECT_EQ(f.edtTipoEntrega()->text(), QStringLiteral("2"));
    EXPECT_EQ(f.lblNomeTipoEntrega()->text(), QStringLiteral("Retificadora"));
    EXPECT_EQ(f.edtInscricao()->text(), QStringLiteral("00000000000060"));
    EXPECT_EQ(f.edtCrcContador()->text(), QStringLiteral("CRC2"));
    EXPECT_EQ(f.edtResponsavel()->text(), QStringLiteral("RESP 2"));
    EXPECT_EQ(f.edtDataCricao()->text(), QString());

    // Once the company has an open protocol, loading the old one shows the open one.
    protocolo(5, QStringLiteral("00000000000060"));
    digita(f.edtProtocolo(), QStringLiteral("2"));
    EXPECT_EQ(prompts.texts(), QStringList{kAberto});
    EXPECT_EQ(f.edtProtocolo()->text(), QStringLiteral("5"));
    EXPECT_EQ(f.edtCrcContador()->text(), QStringLiteral("CRC5"));
    EXPECT_EQ(f.edtResponsavel()->text(), QStringLiteral("RESP 5"));
    EXPECT_EQ(f.edtDataCricao()->text(), QStringLiteral("10/02/2015"));
    EXPECT_EQ(f.edtValorNota()->text(), QStringLiteral("1234,5"));
    EXPECT_EQ(f.edtQtdeNota()->text(), QStringLiteral("3"));
    EXPECT_EQ(f.edtRazaoSocial()->text(), QStringLiteral("ACME LTDA"));
    EXPECT_EQ(f.edtMunicipio()->text(), QStringLiteral("056014"));
}

TEST_F(FrmProtocolo, DeleteIsRefusedWhileRowsCarryTheNumber)
{
    empresa(QStringLiteral("00000000000001"), QStringLiteral("0"));
    for (int n : {4, 5, 6})
        protocolo(n, QStringLiteral("00000000000001"), QStringLiteral("2015-04-01"));
    exec("Insert into Notas (INSCRICAO, EXERCICIO, MUNICIPIO, NF, TIPO, PROTOCOLO, OPERACAO) "
         "Values ('00000000000001', '2015', '056014', '10', '1', 4, 'I')");
    exec("Insert into Rateio (INSCRICAO, EXERCICIO, MUNICIPIO, PROTOCOLO, OPERACAO) "
         "Values ('00000000000001', '2015', '056014', 4, 'I')");
    exec("Insert into Rateio (INSCRICAO, EXERCICIO, MUNICIPIO, PROTOCOLO, OPERACAO) "
         "Values ('00000000000001', '2015', '056022', 5, 'I')");
    TfrmProtocolo &f = abre();

    // Nothing on screen: nothing is asked.
    janela::clica(f.btnApagar());
    EXPECT_TRUE(prompts.shown.empty());

    digita(f.edtProtocolo(), QStringLiteral("4"));
    janela::clica(f.btnApagar());
    ASSERT_EQ(prompts.shown.size(), 2u);
    const ScriptedPrompts::Shown &pergunta = prompts.shown.front();
    EXPECT_EQ(pergunta.caption, QStringLiteral("ATENÇÃO"));
    EXPECT_EQ(pergunta.text, QStringLiteral("Deseja mesmo Apagar o registro atual ?"));
    EXPECT_EQ(pergunta.icon, orva::Prompts::Icon::Warning);
    EXPECT_EQ(pergunta.defaultButton, orva::Prompts::Button::Yes);
    EXPECT_EQ(prompts.last().kind, QStringLiteral("warning"));
    EXPECT_EQ(prompts.last().text, QStringLiteral("Este protocolo não pode ser apagado, pois tem Notas vinculadas !"));

    prompts.clear();
    digita(f.edtProtocolo(), QStringLiteral("5"));
    janela::clica(f.btnApagar());
    EXPECT_EQ(prompts.last().text, QStringLiteral("Este protocolo não pode ser apagado, pois tem Rateios vinculados !"));

    // Answering No keeps it; Yes deletes it without a further message.
    prompts.clear();
    digita(f.edtProtocolo(), QStringLiteral("6"));
    prompts.answers = {false, true};
    janela::clica(f.btnApagar());
    EXPECT_EQ(value("Select Count(*) From Protocolo"), QStringLiteral("3"));
    janela::clica(f.btnApagar());
    EXPECT_EQ(prompts.shown.size(), 2u);
    EXPECT_EQ(value("Select Group_Concat(Protocolo) From Protocolo"), QStringLiteral("4,5"));
    EXPECT_EQ(f.edtInscricao()->text(), QString());
}

TEST_F(FrmProtocolo, ReopenClearsTheTransmissionDateAndNamesAProtocolThatDoesNotExist)
{
    empresa(QStringLiteral("00000000000124"), QStringLiteral("1"));
    protocolo(4, QStringLiteral("00000000000124"), QStringLiteral("2015-04-01"));
    TfrmProtocolo &f = abre(true);

    digita(f.edtProtocolo(), QStringLiteral("4"));
    EXPECT_EQ(f.edtInscricao()->text(), QStringLiteral("00000000000124"));
    janela::clica(f.btnReAbrir());
    EXPECT_EQ(prompts.texts(), QStringList{QStringLiteral("Protocolo ReAberto com sucesso !")});
    EXPECT_EQ(f.Protocolos().comando().commandText(), QStringLiteral("Update Protocolo Set  DTTRANSMISSAO = null Where Protocolo = 4"));
    EXPECT_EQ(value("Select ifnull(DtTransmissao, 'aberto') From Protocolo"), QStringLiteral("aberto"));
    EXPECT_EQ(f.edtProtocolo()->text(), QString());

    prompts.clear();
    digita(f.edtProtocolo(), QStringLiteral("99"));
    janela::clica(f.btnReAbrir());
    ASSERT_EQ(prompts.shown.size(), 1u);
    EXPECT_EQ(prompts.last().kind, QStringLiteral("warning"));
    EXPECT_TRUE(prompts.last().text.startsWith(QStringLiteral("O protocolo 99 não existe"))) << prompts.last().text.toStdString();

    // Without a number there is nothing to reopen.
    prompts.clear();
    f.edtProtocolo()->clear();
    f.ReabreProtocolo();
    EXPECT_EQ(prompts.texts(), QStringList{QStringLiteral("Informe o número do protocolo que será reaberto.")});
}

TEST_F(FrmProtocolo, KeysAndInvalidOrUnknownValues)
{
    TfrmProtocolo &f = abre();
    f.edtProtocolo()->setFocus(Qt::OtherFocusReason);
    QTest::keyClicks(f.edtProtocolo(), QStringLiteral("1a2"));
    EXPECT_EQ(f.edtProtocolo()->text(), QStringLiteral("12"));
    EXPECT_EQ(prompts.beeps, 1);
    f.edtTipoEntrega()->setFocus(Qt::OtherFocusReason);
    QTest::keyClicks(f.edtTipoEntrega(), QStringLiteral("b"));
    f.edtInscricao()->setFocus(Qt::OtherFocusReason);
    QTest::keyClicks(f.edtInscricao(), QStringLiteral("-"));
    EXPECT_EQ(prompts.beeps, 3);
    EXPECT_EQ(f.edtTipoEntrega()->text() + f.edtInscricao()->text(), QString());

    // An invalid registration keeps the user on the field.
    digita(f.edtInscricao(), QStringLiteral("123"));
    EXPECT_EQ(prompts.texts(), QStringList{QStringLiteral("Inscrição Estadual Invalida !")});
    EXPECT_EQ(f.edtInscricao()->text(), QStringLiteral("00000000000123"));
    EXPECT_EQ(QApplication::focusWidget(), f.edtInscricao());

    // Valid but not registered, an unknown delivery type: the field is emptied.
    prompts.clear();
    digita(f.edtInscricao(), QStringLiteral("124"));
    EXPECT_EQ(f.lblNomeEmpresa()->text(), QStringLiteral("Não Cadastrado"));
    EXPECT_EQ(f.edtInscricao()->text(), QString());
    digita(f.edtTipoEntrega(), QStringLiteral("9"));
    EXPECT_EQ(f.lblNomeTipoEntrega()->text(), QStringLiteral("Não Cadastrado"));
    EXPECT_EQ(f.edtTipoEntrega()->text(), QString());
    EXPECT_TRUE(prompts.shown.empty());
}

TEST_F(FrmProtocolo, LookupsFillTheFieldsFromThePickedRow)
{
    empresa(QStringLiteral("00000000000060"), QStringLiteral("0"));
    protocolo(3, QStringLiteral("00000000000060"), QStringLiteral("2015-04-01"));
    TfrmProtocolo &f = abre();
    const auto pickFirst = [](QDialog &) {
        frmConsulta->DBGrid1()->setCurrentIndex(frmConsulta->modelo()->index(0, 0));
        frmConsulta->DBGrid1DblClick();
        return 1;
    };

    // Delivery types and companies are listed at once.
    prompts.dialogHandlers.push_back(pickFirst);
    janela::clica(f.btnConsTipoEntrega());
    EXPECT_EQ(f.edtTipoEntrega()->text(), QStringLiteral("1"));
    EXPECT_EQ(f.lblNomeTipoEntrega()->text(), QStringLiteral("Normal"));
    prompts.dialogHandlers.push_back(pickFirst);
    janela::clica(f.btnConsEmpresa());
    EXPECT_EQ(f.edtInscricao()->text(), QStringLiteral("00000000000060"));
    EXPECT_EQ(f.lblNomeEmpresa()->text(), QStringLiteral("ACME LTDA"));

    // Protocols wait for the user's own search.
    janela::clica(f.btnNovo());
    int listadosAntes = -1;
    prompts.dialogHandlers.push_back([&](QDialog &d) {
        listadosAntes = frmConsulta->modelo()->rowCount();
        frmConsulta->btnConfirmaClick();
        return pickFirst(d);
    });
    janela::clica(f.btnConsulta());
    EXPECT_EQ(listadosAntes, 0);
    EXPECT_EQ(f.edtProtocolo()->text(), QStringLiteral("3"));
    EXPECT_EQ(f.edtResponsavel()->text(), QStringLiteral("RESP 3"));
    EXPECT_EQ(prompts.modalWindows.size(), 3);
}

TEST_F(FrmProtocolo, OpensOnTheFirstFieldAndEscKeepsWhatWasTyped)
{
    TfrmProtocolo &f = abre();
    QCoreApplication::processEvents();
    EXPECT_EQ(QApplication::focusWidget(), f.edtProtocolo());
    f.edtProtocolo()->setText(QStringLiteral("12"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    QCoreApplication::processEvents();
    EXPECT_TRUE(f.isVisible());
    EXPECT_EQ(f.edtProtocolo()->text(), QStringLiteral("12"));
}
