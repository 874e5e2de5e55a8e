#include "frmtabela.h"
#include "ui_frmtabela.h"

#include "common/prompts.h"
#include "ui/shared/frmconsulta.h"
#include "proposta.h"
#include "ui/shell/conventions.h"
#include "ui/shell/descarte.h"
#include "core/shell/dtmdados.h"
#include "ui/shell/exithandler.h"
#include "ui/shell/funcoes.h"

#include <QTimer>

TfrmTabela::TfrmTabela(QWidget *parent) : QDialog(parent), ui(std::make_unique<Ui::frmTabela>())
{
    ui->setupUi(this);
    // No title-bar buttons: "Fechar" closes the window.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    orva::ui::applyWindowConventions(this);
    orva::ui::ignoreEscape(this); // only "Fechar" closes: nothing typed is lost to a stray Esc
    orva::ui::guardTypedChanges(this);
    orva::ui::makeDigitField(ui->edtCodigo);
    DefineTamanhoCodigo(4);
    DefineTamanhoDescricao(50);

    orva::ui::onExit(ui->edtCodigo, [this] { edtCodigoExit(); });

    connect(ui->btnNovo, &QPushButton::clicked, this, &TfrmTabela::btnNovoClick);
    connect(ui->btnSalvar, &QPushButton::clicked, this, &TfrmTabela::btnSalvarClick);
    connect(ui->btnFechar, &QPushButton::clicked, this, &TfrmTabela::btnFecharClick);
    connect(ui->btnConsulta, &QPushButton::clicked, this, &TfrmTabela::btnConsultaClick);
    connect(ui->btnApagar, &QPushButton::clicked, this, &TfrmTabela::btnApagarClick);
}

TfrmTabela::~TfrmTabela() = default;

void TfrmTabela::DefineTabela(const QString &tabela, const QString &campoCodigo, const QString &campoDescricao)
{
    m_strTabela = tabela;
    m_cmpCodigo = campoCodigo;
    m_cmpDescri = campoDescricao;
}

void TfrmTabela::DefineTamanhoCodigo(int tamanho) { ui->edtCodigo->setMaxLength(tamanho); }

void TfrmTabela::DefineTamanhoDescricao(int tamanho) { ui->edtDescricao->setMaxLength(tamanho); }

void TfrmTabela::DefineTipoCodigo(int tipo) { m_tipoCodigo = tipo; }

void TfrmTabela::AbreProdutos(QWidget *parent)
{
    const orva::stores::DefinicaoTabela produtos = orva::stores::tabelaProdutos();
    TfrmTabela frm(parent);
    frm.DefineTabela(produtos.tabela, produtos.campoCodigo, produtos.campoDescricao);
    frm.DefineTamanhoCodigo(produtos.tamanhoCodigo);
    frm.DefineTamanhoDescricao(produtos.tamanhoDescricao);
    frm.DefineTipoCodigo(produtos.tipoCodigo);
    orva::prompts().execModal(frm);
}

orva::stores::Tabelas &TfrmTabela::Tabela()
{
    if (!m_tabela)
        m_tabela = std::make_unique<orva::stores::Tabelas>(
            TdtmDados::Conexao(), orva::stores::DefinicaoTabela{m_strTabela, m_cmpCodigo, m_cmpDescri,
                                                                 ui->edtCodigo->maxLength(),
                                                                 ui->edtDescricao->maxLength(), m_tipoCodigo});
    return *m_tabela;
}

QPushButton *TfrmTabela::btnNovo() const { return ui->btnNovo; }
QPushButton *TfrmTabela::btnSalvar() const { return ui->btnSalvar; }
QPushButton *TfrmTabela::btnFechar() const { return ui->btnFechar; }
QPushButton *TfrmTabela::btnConsulta() const { return ui->btnConsulta; }
QPushButton *TfrmTabela::btnApagar() const { return ui->btnApagar; }
QLineEdit *TfrmTabela::edtCodigo() const { return ui->edtCodigo; }
QLineEdit *TfrmTabela::edtDescricao() const { return ui->edtDescricao; }

// --- Showing -----------------------------------------------------

void TfrmTabela::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (!m_shown) {
        m_shown = true;
        FormShow();
    }
}

void TfrmTabela::FormShow()
{
    if (m_strTabela.isEmpty() || m_cmpCodigo.isEmpty() || m_cmpDescri.isEmpty()) {
        orva::prompts().information(QStringLiteral("Falta de parametro strTabela = ") + m_strTabela + QLatin1Char('\n')
                                    + QStringLiteral("cmpCodigo = ") + m_cmpCodigo + QLatin1Char('\n')
                                    + QStringLiteral("cmpDescri = ") + m_cmpDescri);
        QTimer::singleShot(0, this, &QDialog::reject);
        return;
    }
    setWindowTitle(QStringLiteral("Manutenção da Tabela ") + m_strTabela);
    Funcoes::LimpaCampos(this);
    ui->edtCodigo->setFocus();
}

// --- Tool bar ----------------------------------------------------------------

void TfrmTabela::btnNovoClick()
{
    Funcoes::LimpaCampos(this);
    const QString proximo = PropostaNovo([this] { return Tabela().proximoCodigo(); });
    if (proximo.isEmpty())
        return;
    ui->edtCodigo->setText(proximo);
    ui->edtDescricao->setFocus();
}

void TfrmTabela::btnSalvarClick()
{
    try {
        const QString recusa = Tabela().grava(ui->edtCodigo->text(), ui->edtDescricao->text());
        if (!recusa.isEmpty()) {
            orva::prompts().information(recusa);
            return;
        }
        // The code stored, when another program took the one proposed.
        if (const QString &aviso = Tabela().aviso(); !aviso.isEmpty()) {
            ui->edtCodigo->setText(Tabela().codigoGravado());
            orva::ui::markUnchanged(this);
            orva::prompts().information(QStringLiteral("Registro Gravado !\n\n") + aviso);
            return;
        }
        orva::ui::markUnchanged(this);
        orva::prompts().information(QStringLiteral("Registro Gravado !"));
    } catch (const orva::Error &e) {
        orva::prompts().error(e.message());
    }
}

void TfrmTabela::btnFecharClick() { reject(); }

void TfrmTabela::btnConsultaClick()
{
    if (!frmConsulta)
        return;
    frmConsulta->DefineTabela(m_strTabela);
    frmConsulta->DefineColunas(0, 1);
    const EscolhaConsulta escolha = frmConsulta->Executa();
    ui->edtCodigo->setText(escolha.codigo);
    edtCodigoExit();
    ui->edtDescricao->setFocus();
}

void TfrmTabela::btnApagarClick()
{
    if (!orva::prompts().question(QStringLiteral("Confirmação"), QStringLiteral("Deseja apagar o registro Atual ??"),
                                  orva::Prompts::Icon::Question, orva::Prompts::Button::No))
        return;
    if (ui->edtCodigo->text().isEmpty())
        return;
    try {
        Tabela().apaga(ui->edtCodigo->text());
        Funcoes::LimpaCampos(this);
    } catch (const orva::Error &e) {
        orva::prompts().error(e.message());
    }
}

// --- Fields ------------------------------------------------------------------

void TfrmTabela::edtCodigoExit()
{
    ui->edtDescricao->clear();
    if (ui->edtCodigo->text().isEmpty())
        return;
    try {
        if (const auto descricao = Tabela().descricao(ui->edtCodigo->text()))
            ui->edtDescricao->setText(*descricao);
    } catch (const orva::Error &e) {
        orva::prompts().error(e.message());
    }
}
