#include "frmtabela.h"
#include "ui_frmtabela.h"

#include "common/prompts.h"
#include "frmconsulta.h"
#include "shell/conventions.h"
#include "shell/dtmdados.h"
#include "shell/exithandler.h"
#include "shell/funcoes.h"

#include <QTimer>

TfrmTabela::TfrmTabela(QWidget *parent) : QDialog(parent), ui(std::make_unique<Ui::frmTabela>())
{
    ui->setupUi(this);
    // No title-bar buttons: "Fechar" closes the window.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    orva::ui::applyWindowConventions(this);
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
    TfrmTabela frm(parent);
    frm.DefineTabela(QStringLiteral("Produtos"), QStringLiteral("Cod_Prod"), QStringLiteral("Descricao"));
    frm.DefineTamanhoCodigo(5);
    frm.DefineTamanhoDescricao(50);
    frm.DefineTipoCodigo(1);
    orva::prompts().execModal(frm);
}

orva::db::Query &TfrmTabela::ADOQuery()
{
    if (!m_query) {
        m_query = std::make_unique<orva::db::Query>(TdtmDados::Conexao());
    }
    return *m_query;
}

orva::db::Command &TfrmTabela::ADOCommand()
{
    if (!m_command) {
        m_command = std::make_unique<orva::db::Command>(TdtmDados::Conexao());
        m_command->parameters().add(QStringLiteral("Codigo"), orva::db::ParamKind::Text);
        m_command->parameters().add(QStringLiteral("Descricao"), orva::db::ParamKind::Text);
    }
    return *m_command;
}

QPushButton *TfrmTabela::btnNovo() const { return ui->btnNovo; }
QPushButton *TfrmTabela::btnSalvar() const { return ui->btnSalvar; }
QPushButton *TfrmTabela::btnFechar() const { return ui->btnFechar; }
QPushButton *TfrmTabela::btnConsulta() const { return ui->btnConsulta; }
QPushButton *TfrmTabela::btnApagar() const { return ui->btnApagar; }
QLineEdit *TfrmTabela::edtCodigo() const { return ui->edtCodigo; }
QLineEdit *TfrmTabela::edtDescricao() const { return ui->edtDescricao; }

QString TfrmTabela::ValorCodigo() const
{
    if (m_tipoCodigo == 2)
        return QStringLiteral("'") + ui->edtCodigo->text() + QStringLiteral("'");
    return ui->edtCodigo->text();
}

// --- Showing and closing -----------------------------------------------------

void TfrmTabela::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (!m_shown) {
        m_shown = true;
        FormShow();
    }
}

void TfrmTabela::done(int result)
{
    FormClose();
    QDialog::done(result);
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

void TfrmTabela::FormClose()
{
    if (m_query)
        m_query->close();
}

// --- Tool bar ----------------------------------------------------------------

void TfrmTabela::btnNovoClick()
{
    Funcoes::LimpaCampos(this);
    const QString proximo = Funcoes::ProximoCodigo(m_strTabela, m_cmpCodigo);
    if (proximo.size() > ui->edtCodigo->maxLength()) {
        // Cut to the field's width it would name a code that exists, and the
        // save would overwrite that row.
        orva::prompts().information(QStringLiteral("O próximo código (%1) não cabe no campo de %2 dígitos: a tabela "
                                                   "chegou ao limite. Reutilize um código livre ou apague códigos que "
                                                   "não serão mais usados.")
                                        .arg(proximo)
                                        .arg(ui->edtCodigo->maxLength()));
        return;
    }
    ui->edtCodigo->setText(proximo);
    ui->edtDescricao->setFocus();
}

void TfrmTabela::btnSalvarClick()
{
    const QString falta = Funcoes::VerificaCampos(this);
    if (!falta.isEmpty()) {
        orva::prompts().information(QStringLiteral("Falta o Dados do Campo ") + falta);
        return;
    }
    try {
        orva::db::Query &q = ADOQuery();
        q.close();
        q.setSql(QStringLiteral("Select * from ") + m_strTabela + QStringLiteral(" Where ") + m_cmpCodigo
                 + QStringLiteral(" = ") + ValorCodigo());
        q.open();

        orva::db::Command &cmd = ADOCommand();
        cmd.parameters()
            .byName(QStringLiteral("Codigo"))
            .setValue(Funcoes::ZerosEsquerda(ui->edtCodigo->text().trimmed(), ui->edtCodigo->maxLength()));
        cmd.parameters().byName(QStringLiteral("Descricao")).setValue(ui->edtDescricao->text().trimmed());

        if (!q.eof())
            cmd.setCommandText(QStringLiteral("Update ") + m_strTabela + QStringLiteral(" Set ") + m_cmpDescri
                               + QStringLiteral(" = :Descricao") + QStringLiteral(" Where ") + m_cmpCodigo
                               + QStringLiteral(" = :Codigo"));
        else
            cmd.setCommandText(QStringLiteral("Insert into ") + m_strTabela + QStringLiteral(" (") + m_cmpCodigo
                               + QStringLiteral(",") + m_cmpDescri + QStringLiteral(" ) Values (:Codigo,:Descricao)"));
        cmd.execute();
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
    frmConsulta->Executa();
    ui->edtCodigo->setText(Funcoes::RetornoCodigo);
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
        orva::db::Command &cmd = ADOCommand();
        cmd.setCommandText(QStringLiteral("Delete from ") + m_strTabela + QStringLiteral(" where ") + m_cmpCodigo
                           + QStringLiteral(" = ") + ValorCodigo());
        cmd.execute();
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
        orva::db::Query &q = ADOQuery();
        q.close();
        q.setSql(QStringLiteral("Select * From ") + m_strTabela + QStringLiteral(" Where ") + m_cmpCodigo
                 + QStringLiteral(" = ") + ValorCodigo());
        q.open();
        if (!q.eof())
            ui->edtDescricao->setText(q.fieldByName(m_cmpDescri).asString());
    } catch (const orva::Error &e) {
        orva::prompts().error(e.message());
    }
}
