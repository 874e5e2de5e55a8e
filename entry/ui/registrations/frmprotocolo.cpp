#include "frmprotocolo.h"
#include "ui_frmprotocolo.h"

#include "common/prompts.h"
#include "ui/shared/frmconsulta.h"
#include "proposta.h"
#include "ui/shell/conventions.h"
#include "ui/shell/descarte.h"
#include "core/shell/dtmdados.h"
#include "ui/shell/exithandler.h"
#include "ui/shell/funcoes.h"
#include "common/relogio.h"
#include "core/stores/empresas.h"

#include <QShowEvent>
#include <QTimer>

namespace {

const QString kNaoCadastrado = QStringLiteral("Não Cadastrado");

} // namespace

TfrmProtocolo::TfrmProtocolo(QWidget *parent) : QDialog(parent), ui(std::make_unique<Ui::frmProtocolo>())
{
    ui->setupUi(this);
    ui->btnReAbrir->setEnabled(false);
    ui->btnReAbrir->hide();
    orva::ui::applyWindowConventions(this);
    orva::ui::ignoreEscape(this); // only "Fechar" closes: nothing typed is lost to a stray Esc
    orva::ui::guardTypedChanges(this);

    orva::ui::makeDigitField(ui->edtProtocolo);
    orva::ui::makeDigitField(ui->edtInscricao);
    orva::ui::makeDigitField(ui->edtTipoEntrega);

    orva::ui::onExit(ui->edtProtocolo, [this] { edtProtocoloExit(); });
    orva::ui::onExit(ui->edtTipoEntrega, [this] { edtTipoEntregaExit(); });
    orva::ui::onExit(ui->edtInscricao, [this] { edtInscricaoExit(); });
    orva::ui::onExit(ui->edtResponsavel, [this] { edtResponsavelExit(); });

    connect(ui->btnNovo, &QPushButton::clicked, this, &TfrmProtocolo::btnNovoClick);
    connect(ui->btnSalvar, &QPushButton::clicked, this, &TfrmProtocolo::btnSalvarClick);
    connect(ui->btnConsulta, &QPushButton::clicked, this, &TfrmProtocolo::btnConsultaClick);
    connect(ui->btnApagar, &QPushButton::clicked, this, &TfrmProtocolo::btnApagarClick);
    connect(ui->btnFechar, &QPushButton::clicked, this, &TfrmProtocolo::btnFecharClick);
    connect(ui->btnReAbrir, &QPushButton::clicked, this, &TfrmProtocolo::btnReAbrirClick);
    connect(ui->btnConsTipoEntrega, &QToolButton::clicked, this, &TfrmProtocolo::btnConsTipoEntregaClick);
    connect(ui->btnConsEmpresa, &QToolButton::clicked, this, &TfrmProtocolo::btnConsEmpresaClick);
}

TfrmProtocolo::~TfrmProtocolo() = default;

void TfrmProtocolo::Abre(QWidget *parent)
{
    TfrmProtocolo frm(parent);
    frm.DefineTabela(QStringLiteral("Protocolo"));
    orva::prompts().execModal(frm);
}

void TfrmProtocolo::AbreReabertura(QWidget *parent)
{
    TfrmProtocolo frm(parent);
    frm.DefineTabela(QStringLiteral("Protocolo"));
    frm.DefineModoReabertura();
    orva::prompts().execModal(frm);
}

void TfrmProtocolo::DefineTabela(const QString &tabela) { strTabela = tabela; }

void TfrmProtocolo::DefineModoReabertura()
{
    ui->btnReAbrir->setEnabled(true);
    ui->btnReAbrir->show();
    ui->btnSalvar->setEnabled(false);
    ui->btnApagar->setEnabled(false);
    ui->btnNovo->setEnabled(false);
}

orva::stores::Protocolos &TfrmProtocolo::Protocolos()
{
    if (!m_protocolos)
        m_protocolos = std::make_unique<orva::stores::Protocolos>(TdtmDados::Conexao(), strTabela);
    return *m_protocolos;
}

orva::stores::Protocolo TfrmProtocolo::DaTela() const
{
    orva::stores::Protocolo p;
    p.numero = ui->edtProtocolo->text();
    p.tipoEntrega = ui->edtTipoEntrega->text();
    p.inscricao = ui->edtInscricao->text();
    p.crc = ui->edtCrcContador->text();
    p.responsavel = ui->edtResponsavel->text();
    return p;
}

// --- Showing ----------------------------------------------------------------

void TfrmProtocolo::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (!m_shown && !event->spontaneous()) {
        m_shown = true;
        FormShow();
    }
}

void TfrmProtocolo::FormShow()
{
    if (strTabela.isEmpty()) {
        orva::prompts().information(QStringLiteral("Falta de parametro strTabela = "));
        QTimer::singleShot(0, this, &QDialog::reject);
        return;
    }
    setWindowTitle(QStringLiteral("Manutenção da Tabela ") + strTabela);
    Funcoes::LimpaCampos(this);
    orva::ui::focusFirstField(this);
}

// --- Loading ----------------------------------------------------------------

void TfrmProtocolo::CarregaProtocolo()
{
    const QString numero = ui->edtProtocolo->text();
    std::optional<orva::stores::Protocolo> p;
    try {
        p = Protocolos().carrega(numero);
    } catch (const orva::Error &e) {
        orva::prompts().error(e.message());
        return;
    }
    if (!p)
        return;

    ui->edtTipoEntrega->setText(p->tipoEntrega);
    if (!p->tipoEntrega.isEmpty())
        edtTipoEntregaExit();
    ui->edtInscricao->setText(p->inscricao);
    if (!p->inscricao.isEmpty())
        edtInscricaoExit();
    // The declarant step may have brought the company's open protocol
    // instead, together with its own C.R.C and responsible person.
    if (ui->edtProtocolo->text() == numero) {
        ui->edtCrcContador->setText(p->crc);
        ui->edtResponsavel->setText(p->responsavel);
    }
}

void TfrmProtocolo::VerificaProtocoloAberto()
{
    std::optional<orva::stores::Protocolo> l;
    try {
        l = Protocolos().abertoDaEmpresa(ui->edtInscricao->text());
    } catch (const orva::Error &e) {
        orva::prompts().error(e.message());
        return;
    }
    if (!l)
        return;

    orva::prompts().warning(orva::stores::Protocolos::avisoProtocoloAberto);

    ui->edtProtocolo->setText(l->numero);
    ui->edtTipoEntrega->setText(l->tipoEntrega);
    if (!l->tipoEntrega.isEmpty())
        edtTipoEntregaExit();
    ui->edtInscricao->setText(l->inscricao);
    ui->edtCrcContador->setText(l->crc);
    ui->edtResponsavel->setText(l->responsavel);
    ui->edtTipoProtocolo->setText(l->tipoProtocolo);
    if (!l->tipoProtocolo.isEmpty())
        DescricaoTipoProtocolo();
    ui->edtDataCricao->setText(l->dtGeracao);
    ui->edtDataTransmissao->setText(l->dtTransmissao);
    ui->edtCnpj->setText(l->cnpj);
    ui->edtRazaoSocial->setText(l->razao);
    ui->edtValorNota->setText(l->valorNotas);
    ui->edtQtdeNota->setText(l->qtdeNotas);
    ui->edtValorEntrada->setText(l->valorEntradas);
    ui->edtValorSaida->setText(l->valorSaidas);
    ui->edtQtdeMunicipio->setText(l->qtdeMunicipios);
    ui->edtMunicipio->setText(l->municipio);
}

void TfrmProtocolo::DescricaoTipoProtocolo()
{
    if (!ui->edtTipoProtocolo->text().isEmpty())
        ui->lblNomeTipoProtocolo->setText(Funcoes::BuscaDescricao(QStringLiteral("Tipo_Declara"),
                                                                  QStringLiteral("Codigo"),
                                                                  ui->edtTipoProtocolo->text(),
                                                                  QStringLiteral("Descricao")));
    if (ui->lblNomeTipoProtocolo->text() == kNaoCadastrado)
        ui->edtTipoProtocolo->clear();
}

// --- Writing ----------------------------------------------------------------

void TfrmProtocolo::GravaProtocolo()
{
    orva::stores::Protocolo p = DaTela();
    try {
        const QString recusa = Protocolos().grava(p, orva::hoje());
        if (!recusa.isEmpty()) {
            orva::prompts().information(recusa);
            return;
        }
    } catch (const orva::Error &e) {
        orva::prompts().error(e.message());
        return;
    }
    // The number stored, when another program took the one shown.
    const QString &aviso = Protocolos().aviso();
    orva::prompts().information(QStringLiteral("Registro Gravado !")
                                + (aviso.isEmpty() ? QString() : QStringLiteral("\n\n") + aviso));
    Funcoes::LimpaCampos(this);
}

void TfrmProtocolo::ApagaProtocolo()
{
    try {
        const QString recusa = Protocolos().apaga(ui->edtProtocolo->text());
        if (!recusa.isEmpty()) {
            orva::prompts().warning(recusa);
            return;
        }
    } catch (const orva::Error &e) {
        orva::prompts().error(e.message());
        return;
    }
    Funcoes::LimpaCampos(this);
}

void TfrmProtocolo::ReabreProtocolo()
{
    try {
        const QString recusa = Protocolos().reabre(ui->edtProtocolo->text());
        if (!recusa.isEmpty()) {
            orva::prompts().warning(recusa);
            return;
        }
    } catch (const orva::Error &e) {
        orva::prompts().error(e.message());
        return;
    }
    orva::prompts().information(QStringLiteral("Protocolo ReAberto com sucesso !"));
    Funcoes::LimpaCampos(this);
}

// --- Buttons ----------------------------------------------------------------

void TfrmProtocolo::btnNovoClick()
{
    ui->edtProtocolo->setEnabled(true);
    Funcoes::LimpaCampos(this);
    const QString proximo = PropostaNovo([this] { return Protocolos().proximoNumero(); });
    if (proximo.isEmpty())
        return;
    ui->edtProtocolo->setText(proximo);
    ui->edtProtocolo->setEnabled(false);
    ui->edtTipoEntrega->setFocus(Qt::OtherFocusReason);
}

void TfrmProtocolo::btnSalvarClick() { GravaProtocolo(); }

void TfrmProtocolo::btnConsultaClick()
{
    if (!frmConsulta)
        return;
    frmConsulta->DefineTabela(strTabela);
    const EscolhaConsulta escolha = frmConsulta->Executa();
    ui->edtProtocolo->setText(escolha.codigo);
    edtProtocoloExit();
}

void TfrmProtocolo::btnApagarClick()
{
    if (ui->edtInscricao->text().isEmpty())
        return;
    if (orva::prompts().question(QStringLiteral("ATENÇÃO"), QStringLiteral("Deseja mesmo Apagar o registro atual ?"),
                                 orva::Prompts::Icon::Warning, orva::Prompts::Button::Yes))
        ApagaProtocolo();
}

void TfrmProtocolo::btnFecharClick() { reject(); }

void TfrmProtocolo::btnReAbrirClick() { ReabreProtocolo(); }

void TfrmProtocolo::btnConsTipoEntregaClick()
{
    if (!frmConsulta)
        return;
    frmConsulta->DefineTabela(QStringLiteral("Tipo_Entrega"));
    frmConsulta->DefineAutoConsulta(1);
    const EscolhaConsulta escolha = frmConsulta->Executa();
    ui->edtTipoEntrega->setText(escolha.codigo);
    edtTipoEntregaExit();
}

void TfrmProtocolo::btnConsEmpresaClick()
{
    if (!frmConsulta)
        return;
    frmConsulta->DefineTabela(QStringLiteral("Empresa"));
    frmConsulta->DefineAutoConsulta(1);
    const EscolhaConsulta escolha = frmConsulta->Executa();
    ui->edtInscricao->setText(escolha.codigo);
    edtInscricaoExit();
}

// --- Fields -----------------------------------------------------------------

void TfrmProtocolo::edtProtocoloExit()
{
    if (!ui->edtProtocolo->text().isEmpty())
        CarregaProtocolo();
}

void TfrmProtocolo::edtTipoEntregaExit()
{
    if (!ui->edtTipoEntrega->text().isEmpty())
        ui->lblNomeTipoEntrega->setText(Funcoes::BuscaDescricao(QStringLiteral("Tipo_Entrega"), QStringLiteral("Codigo"),
                                                                ui->edtTipoEntrega->text(),
                                                                QStringLiteral("Descricao")));
    if (ui->lblNomeTipoEntrega->text() == kNaoCadastrado)
        ui->edtTipoEntrega->clear();
}

void TfrmProtocolo::edtInscricaoExit()
{
    if (ui->edtInscricao->text().isEmpty())
        return;
    ui->edtInscricao->setText(orva::stores::inscricaoCompleta(ui->edtInscricao->text()));
    if (!orva::stores::inscricaoValida(ui->edtInscricao->text())) {
        orva::prompts().information(orva::stores::inscricaoInvalida);
        orva::ui::focusLater(ui->edtInscricao);
        return;
    }

    ui->lblNomeEmpresa->setText(Funcoes::BuscaDescricao(QStringLiteral("Empresa"), QStringLiteral("Inscricao"),
                                                        ui->edtInscricao->text(), QStringLiteral("Razao")));
    if (ui->lblNomeEmpresa->text() == kNaoCadastrado)
        ui->edtInscricao->clear();
    else
        VerificaProtocoloAberto();
}

void TfrmProtocolo::edtResponsavelExit() { ui->edtResponsavel->setText(ui->edtResponsavel->text().toUpper()); }

// --- Controls ---------------------------------------------------------------

QLineEdit *TfrmProtocolo::edtResponsavel() const { return ui->edtResponsavel; }
QLineEdit *TfrmProtocolo::edtInscricao() const { return ui->edtInscricao; }
QLineEdit *TfrmProtocolo::edtCrcContador() const { return ui->edtCrcContador; }
QLineEdit *TfrmProtocolo::edtTipoEntrega() const { return ui->edtTipoEntrega; }
QLineEdit *TfrmProtocolo::edtProtocolo() const { return ui->edtProtocolo; }
QToolButton *TfrmProtocolo::btnConsTipoEntrega() const { return ui->btnConsTipoEntrega; }
QLabel *TfrmProtocolo::lblNomeTipoEntrega() const { return ui->lblNomeTipoEntrega; }
QToolButton *TfrmProtocolo::btnConsEmpresa() const { return ui->btnConsEmpresa; }
QLabel *TfrmProtocolo::lblNomeEmpresa() const { return ui->lblNomeEmpresa; }
QPushButton *TfrmProtocolo::btnReAbrir() const { return ui->btnReAbrir; }
QTabWidget *TfrmProtocolo::PageControl1() const { return ui->PageControl1; }
QFrame *TfrmProtocolo::pnlComplementares() const { return ui->pnlComplementares; }
QLineEdit *TfrmProtocolo::edtTipoProtocolo() const { return ui->edtTipoProtocolo; }
QLabel *TfrmProtocolo::lblNomeTipoProtocolo() const { return ui->lblNomeTipoProtocolo; }
QLineEdit *TfrmProtocolo::edtDataCricao() const { return ui->edtDataCricao; }
QLineEdit *TfrmProtocolo::edtDataTransmissao() const { return ui->edtDataTransmissao; }
QLineEdit *TfrmProtocolo::edtQtdeNota() const { return ui->edtQtdeNota; }
QLineEdit *TfrmProtocolo::edtValorNota() const { return ui->edtValorNota; }
QLineEdit *TfrmProtocolo::edtQtdeMunicipio() const { return ui->edtQtdeMunicipio; }
QLineEdit *TfrmProtocolo::edtValorEntrada() const { return ui->edtValorEntrada; }
QLineEdit *TfrmProtocolo::edtValorSaida() const { return ui->edtValorSaida; }
QLineEdit *TfrmProtocolo::edtCnpj() const { return ui->edtCnpj; }
QLineEdit *TfrmProtocolo::edtMunicipio() const { return ui->edtMunicipio; }
QLineEdit *TfrmProtocolo::edtRazaoSocial() const { return ui->edtRazaoSocial; }
QPushButton *TfrmProtocolo::btnNovo() const { return ui->btnNovo; }
QPushButton *TfrmProtocolo::btnSalvar() const { return ui->btnSalvar; }
QPushButton *TfrmProtocolo::btnConsulta() const { return ui->btnConsulta; }
QPushButton *TfrmProtocolo::btnApagar() const { return ui->btnApagar; }
QPushButton *TfrmProtocolo::btnFechar() const { return ui->btnFechar; }
