#include "frmempresa.h"
#include "ui_frmempresa.h"

#include "common/prompts.h"
#include "ui/shared/frmconsulta.h"
#include "ui/shell/conventions.h"
#include "ui/shell/descarte.h"
#include "core/shell/dtmdados.h"
#include "ui/shell/exithandler.h"
#include "ui/shell/funcoes.h"

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
    orva::ui::guardTypedChanges(this);

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

orva::stores::Empresas &TfrmEmpresa::Empresas()
{
    if (!m_empresas)
        m_empresas = std::make_unique<orva::stores::Empresas>(TdtmDados::Conexao(), m_strTabela);
    return *m_empresas;
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

// --- Showing -----------------------------------------------------

void TfrmEmpresa::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (!m_shown) {
        m_shown = true;
        FormShow();
    }
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

// --- Tool bar ----------------------------------------------------------------

void TfrmEmpresa::btnNovoClick()
{
    Funcoes::LimpaCampos(this);
    ui->edtInscricao->setFocus();
}

void TfrmEmpresa::btnSalvarClick()
{
    orva::stores::Empresa empresa{ui->edtInscricao->text(), ui->edtCnpj->text(),       ui->edtRazaoSocial->text(),
                                  ui->edtCnae->text(),      ui->edtTipoDeclara->text(), ui->edtMunicipio->text()};
    try {
        const QString recusa = Empresas().grava(empresa);
        if (recusa.isEmpty())
            orva::ui::markUnchanged(this);
        orva::prompts().information(recusa.isEmpty() ? QStringLiteral("Registro Gravado !") : recusa);
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
        Empresas().apaga(ui->edtInscricao->text());
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
    const EscolhaConsulta escolha = frmConsulta->Executa();
    campo->setText(escolha.codigo);
    (this->*saida)();
}

// --- Fields ------------------------------------------------------------------

void TfrmEmpresa::edtInscricaoExit()
{
    if (ui->edtInscricao->text().isEmpty())
        return;
    const QString inscricao = orva::stores::inscricaoCompleta(ui->edtInscricao->text());
    ui->edtInscricao->setText(inscricao);
    if (orva::stores::inscricaoValida(inscricao)) {
        CarregaEmpresa(inscricao);
    } else {
        orva::prompts().information(orva::stores::inscricaoInvalida);
        orva::ui::focusLater(ui->edtInscricao);
    }
}

void TfrmEmpresa::CarregaEmpresa(const QString &inscricao)
{
    std::optional<orva::stores::Empresa> empresa;
    try {
        empresa = Empresas().carrega(inscricao);
    } catch (const orva::Error &e) {
        orva::prompts().error(e.message());
        return;
    }
    if (!empresa)
        return;
    ui->edtRazaoSocial->setText(empresa->razao);
    ui->edtCnpj->setText(empresa->cnpj);
    ui->edtCnae->setText(empresa->cnae);
    if (!empresa->cnae.isEmpty())
        edtCnaeExit();
    ui->edtTipoDeclara->setText(empresa->tipoDeclara);
    if (!empresa->tipoDeclara.isEmpty())
        edtTipoDeclaraExit();
    ui->edtMunicipio->setText(empresa->municipio);
    if (!empresa->municipio.isEmpty())
        edtMunicipioExit();
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
