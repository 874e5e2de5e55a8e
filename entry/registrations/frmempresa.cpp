#include "frmempresa.h"
#include "ui_frmempresa.h"

#include "common/prompts.h"
#include "frmconsulta.h"
#include "shell/conventions.h"
#include "shell/dtmdados.h"
#include "shell/exithandler.h"
#include "shell/funcoes.h"

#include <QTabBar>
#include <QTimer>

namespace {
const QString kNaoCadastrado = QStringLiteral("Não Cadastrado");
}

TfrmEmpresa::TfrmEmpresa(QWidget *parent) : QDialog(parent), ui(std::make_unique<Ui::frmEmpresa>())
{
    ui->setupUi(this);
    // No title-bar buttons: "Fechar" closes the window.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    // The tab page is not a stop of the Enter/Tab walk between the fields.
    ui->PageControl1->tabBar()->setFocusPolicy(Qt::NoFocus);
    orva::ui::applyWindowConventions(this);
    orva::ui::ignoreEscape(this); // only "Fechar" closes: nothing typed is lost to a stray Esc

    for (QLineEdit *digits : {ui->edtInscricao, ui->edtCnpj, ui->edtCnae, ui->edtTipoDeclara, ui->edtMunicipio})
        orva::ui::makeDigitField(digits);

    orva::ui::onExit(ui->edtInscricao, [this] { edtInscricaoExit(); });
    orva::ui::onExit(ui->edtCnpj, [this] { edtCnpjExit(); });
    orva::ui::onExit(ui->edtRazaoSocial, [this] { edtRazaoSocialExit(); });
    orva::ui::onExit(ui->edtCnae, [this] { edtCnaeExit(); });
    orva::ui::onExit(ui->edtTipoDeclara, [this] { edtTipoDeclaraExit(); });
    orva::ui::onExit(ui->edtMunicipio, [this] { edtMunicipioExit(); });

    connect(ui->btnNovo, &QPushButton::clicked, this, &TfrmEmpresa::btnNovoClick);
    connect(ui->btnSalvar, &QPushButton::clicked, this, &TfrmEmpresa::btnSalvarClick);
    connect(ui->btnConsulta, &QPushButton::clicked, this, &TfrmEmpresa::btnConsultaClick);
    connect(ui->btnApagar, &QPushButton::clicked, this, &TfrmEmpresa::btnApagarClick);
    connect(ui->btnFechar, &QPushButton::clicked, this, &TfrmEmpresa::btnFecharClick);
    connect(ui->btnConsCnae, &QPushButton::clicked, this, &TfrmEmpresa::btnConsCnaeClick);
    connect(ui->btnConsTipoDeclara, &QPushButton::clicked, this, &TfrmEmpresa::btnConsTipoDeclaraClick);
    connect(ui->btnConsMunicipio, &QPushButton::clicked, this, &TfrmEmpresa::btnConsMunicipioClick);
}

TfrmEmpresa::~TfrmEmpresa() = default;

void TfrmEmpresa::DefineTabela(const QString &tabela) { m_strTabela = tabela; }

void TfrmEmpresa::Abre(QWidget *parent)
{
    TfrmEmpresa frm(parent);
    frm.DefineTabela(QStringLiteral("Empresa"));
    orva::prompts().execModal(frm);
}

orva::db::Query &TfrmEmpresa::ADOQuery()
{
    if (!m_query) {
        m_query = std::make_unique<orva::db::Query>(TdtmDados::Conexao());
    }
    return *m_query;
}

orva::db::Command &TfrmEmpresa::ADOCommand()
{
    if (!m_command) {
        m_command = std::make_unique<orva::db::Command>(TdtmDados::Conexao());
        for (const char *name : {"Cnpj", "InscEst", "RazaoSocial", "Cnae", "TipoDeclara", "Municipio"})
            m_command->parameters().add(QString::fromLatin1(name), orva::db::ParamKind::Text);
    }
    return *m_command;
}

QPushButton *TfrmEmpresa::btnNovo() const { return ui->btnNovo; }
QPushButton *TfrmEmpresa::btnSalvar() const { return ui->btnSalvar; }
QPushButton *TfrmEmpresa::btnConsulta() const { return ui->btnConsulta; }
QPushButton *TfrmEmpresa::btnApagar() const { return ui->btnApagar; }
QPushButton *TfrmEmpresa::btnFechar() const { return ui->btnFechar; }
QTabWidget *TfrmEmpresa::PageControl1() const { return ui->PageControl1; }
QLineEdit *TfrmEmpresa::edtInscricao() const { return ui->edtInscricao; }
QLineEdit *TfrmEmpresa::edtCnpj() const { return ui->edtCnpj; }
QLineEdit *TfrmEmpresa::edtRazaoSocial() const { return ui->edtRazaoSocial; }
QLineEdit *TfrmEmpresa::edtCnae() const { return ui->edtCnae; }
QLineEdit *TfrmEmpresa::edtTipoDeclara() const { return ui->edtTipoDeclara; }
QLineEdit *TfrmEmpresa::edtMunicipio() const { return ui->edtMunicipio; }
QPushButton *TfrmEmpresa::btnConsCnae() const { return ui->btnConsCnae; }
QPushButton *TfrmEmpresa::btnConsTipoDeclara() const { return ui->btnConsTipoDeclara; }
QPushButton *TfrmEmpresa::btnConsMunicipio() const { return ui->btnConsMunicipio; }
QLabel *TfrmEmpresa::lblNomeCnae() const { return ui->lblNomeCnae; }
QLabel *TfrmEmpresa::lblNomeTipoDeclara() const { return ui->lblNomeTipoDeclara; }
QLabel *TfrmEmpresa::lblNomeMunicipio() const { return ui->lblNomeMunicipio; }

// --- Showing and closing -----------------------------------------------------

void TfrmEmpresa::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (!m_shown) {
        m_shown = true;
        FormShow();
    }
}

void TfrmEmpresa::done(int result)
{
    FormClose();
    QDialog::done(result);
}

void TfrmEmpresa::FormShow()
{
    if (m_strTabela.isEmpty()) {
        orva::prompts().information(QStringLiteral("Falta de parametro strTabela = ") + m_strTabela);
        QTimer::singleShot(0, this, &QDialog::reject);
        return;
    }
    setWindowTitle(QStringLiteral("Manutenção da Tabela ") + m_strTabela);
    Funcoes::LimpaCampos(this);
    ui->edtInscricao->setFocus();
}

void TfrmEmpresa::FormClose()
{
    if (m_query)
        m_query->close();
}

// --- Tool bar ----------------------------------------------------------------

void TfrmEmpresa::btnNovoClick()
{
    Funcoes::LimpaCampos(this);
    ui->edtInscricao->setFocus();
}

void TfrmEmpresa::btnSalvarClick()
{
    const QString falta = Funcoes::VerificaCampos(this);
    if (!falta.isEmpty()) {
        orva::prompts().information(QStringLiteral("Falta o Dados do Campo ") + falta);
        return;
    }
    try {
        orva::db::Query &q = ADOQuery();
        q.close();
        q.setSql(QStringLiteral("Select * From ") + m_strTabela + QStringLiteral(" Where Inscricao = '")
                 + ui->edtInscricao->text() + QStringLiteral("'"));
        q.open();

        orva::db::Command &cmd = ADOCommand();
        orva::db::Parameters &p = cmd.parameters();
        p.byName(QStringLiteral("Cnpj")).setValue(ui->edtCnpj->text());
        p.byName(QStringLiteral("InscEst")).setValue(ui->edtInscricao->text());
        p.byName(QStringLiteral("RazaoSocial")).setValue(ui->edtRazaoSocial->text());
        p.byName(QStringLiteral("Cnae")).setValue(ui->edtCnae->text());
        p.byName(QStringLiteral("TipoDeclara")).setValue(ui->edtTipoDeclara->text());
        p.byName(QStringLiteral("Municipio")).setValue(ui->edtMunicipio->text());

        if (!q.eof())
            cmd.setCommandText(QStringLiteral("Update ") + m_strTabela + QStringLiteral(" Set ")
                               + QStringLiteral(" Razao = :RazaoSocial ") + QStringLiteral(" ,CNPJ = :Cnpj")
                               + QStringLiteral(" ,CNAE = :Cnae") + QStringLiteral(" ,Tipo_Declara = :TipoDeclara")
                               + QStringLiteral(" ,Municipio = :Municipio") + QStringLiteral(" Where Inscricao = :InscEst"));
        else
            cmd.setCommandText(QStringLiteral("Insert into ") + m_strTabela + QStringLiteral(" (")
                               + QStringLiteral("Inscricao,Razao,Cnpj,Cnae,Tipo_Declara,Municipio")
                               + QStringLiteral(" ) Values (:InscEst, :RazaoSocial, :Cnpj, :Cnae, :TipoDeclara, :Municipio)"));
        cmd.execute();
        orva::prompts().information(QStringLiteral("Registro Gravado !"));
    } catch (const orva::Error &e) {
        orva::prompts().error(e.message());
    }
}

void TfrmEmpresa::btnConsultaClick()
{
    Consulta(m_strTabela, false, ui->edtInscricao, &TfrmEmpresa::edtInscricaoExit);
}

void TfrmEmpresa::btnApagarClick()
{
    if (ui->edtInscricao->text().isEmpty())
        return;
    if (!orva::prompts().question(QStringLiteral("ATENÇÃO"), QStringLiteral("Deseja mesmo Apagar o registro atual ?"),
                                  orva::Prompts::Icon::Warning, orva::Prompts::Button::Yes))
        return;
    try {
        orva::db::Command &cmd = ADOCommand();
        cmd.setCommandText(QStringLiteral("Delete From ") + m_strTabela + QStringLiteral(" Where Inscricao = '")
                           + ui->edtInscricao->text() + QStringLiteral("'"));
        cmd.execute();
        Funcoes::LimpaCampos(this);
    } catch (const orva::Error &e) {
        orva::prompts().error(e.message());
    }
}

void TfrmEmpresa::btnFecharClick() { reject(); }

// --- Searches ----------------------------------------------------------------

void TfrmEmpresa::btnConsCnaeClick()
{
    Consulta(QStringLiteral("CNAE"), true, ui->edtCnae, &TfrmEmpresa::edtCnaeExit);
}

void TfrmEmpresa::btnConsTipoDeclaraClick()
{
    Consulta(QStringLiteral("Tipo_Declara"), true, ui->edtTipoDeclara, &TfrmEmpresa::edtTipoDeclaraExit);
}

void TfrmEmpresa::btnConsMunicipioClick()
{
    Consulta(QStringLiteral("Municipios"), true, ui->edtMunicipio, &TfrmEmpresa::edtMunicipioExit);
}

void TfrmEmpresa::Consulta(const QString &tabela, bool autoConsulta, QLineEdit *campo, void (TfrmEmpresa::*saida)())
{
    if (!frmConsulta)
        return;
    frmConsulta->DefineTabela(tabela);
    if (autoConsulta)
        frmConsulta->DefineAutoConsulta(1);
    frmConsulta->Executa();
    campo->setText(Funcoes::RetornoCodigo);
    (this->*saida)();
}

// --- Fields ------------------------------------------------------------------

void TfrmEmpresa::edtInscricaoExit()
{
    if (ui->edtInscricao->text().isEmpty())
        return;
    const QString inscricao = Funcoes::ZerosEsquerda(ui->edtInscricao->text(), ui->edtInscricao->maxLength());
    ui->edtInscricao->setText(inscricao);
    if (Funcoes::ValidaInscricao(inscricao)) {
        CarregaEmpresa(inscricao);
    } else {
        orva::prompts().information(QStringLiteral("Inscrição Estadual Invalida !"));
        orva::ui::focusLater(ui->edtInscricao);
    }
}

void TfrmEmpresa::CarregaEmpresa(const QString &inscricao)
{
    try {
        orva::db::Query &q = ADOQuery();
        q.close();
        q.setSql(QStringLiteral("Select * From ") + m_strTabela + QStringLiteral(" Where Inscricao = '") + inscricao
                 + QStringLiteral("'"));
        q.open();
        if (q.eof())
            return;
        ui->edtRazaoSocial->setText(q.fieldByName(QStringLiteral("Razao")).asString());
        ui->edtCnpj->setText(q.fieldByName(QStringLiteral("Cnpj")).asString());
        ui->edtCnae->setText(q.fieldByName(QStringLiteral("Cnae")).asString());
        const QString tipo = q.fieldByName(QStringLiteral("Tipo_Declara")).asString();
        const QString municipio = q.fieldByName(QStringLiteral("Municipio")).asString();
        if (!ui->edtCnae->text().isEmpty())
            edtCnaeExit();
        ui->edtTipoDeclara->setText(tipo);
        if (!tipo.isEmpty())
            edtTipoDeclaraExit();
        ui->edtMunicipio->setText(municipio);
        if (!municipio.isEmpty())
            edtMunicipioExit();
    } catch (const orva::Error &e) {
        orva::prompts().error(e.message());
    }
}

void TfrmEmpresa::edtCnpjExit()
{
    if (ui->edtCnpj->text().isEmpty())
        return;
    if (!Funcoes::ValidaCnpjCpf(ui->edtCnpj->text())) {
        orva::prompts().information(QStringLiteral("CNPJ/CPF invalido !"));
        orva::ui::focusLater(ui->edtCnpj);
    }
}

void TfrmEmpresa::edtRazaoSocialExit() { ui->edtRazaoSocial->setText(ui->edtRazaoSocial->text().toUpper()); }

void TfrmEmpresa::BuscaCodigo(QLineEdit *campo, QLabel *descricao, const QString &tabela)
{
    if (!campo->text().isEmpty())
        descricao->setText(Funcoes::BuscaDescricao(tabela, QStringLiteral("Codigo"), campo->text(),
                                                   QStringLiteral("Descricao")));
    if (descricao->text() == kNaoCadastrado)
        campo->clear();
}

void TfrmEmpresa::edtCnaeExit() { BuscaCodigo(ui->edtCnae, ui->lblNomeCnae, QStringLiteral("CNAE")); }

void TfrmEmpresa::edtTipoDeclaraExit()
{
    BuscaCodigo(ui->edtTipoDeclara, ui->lblNomeTipoDeclara, QStringLiteral("Tipo_Declara"));
}

void TfrmEmpresa::edtMunicipioExit()
{
    BuscaCodigo(ui->edtMunicipio, ui->lblNomeMunicipio, QStringLiteral("Municipios"));
}
