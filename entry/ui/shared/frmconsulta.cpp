#include "frmconsulta.h"
#include "ui_frmconsulta.h"

#include "common/prompts.h"
#include "core/registrations/consultasql.h"
#include "ui/shell/conventions.h"
#include "core/shell/dtmdados.h"
#include "ui/shell/funcoes.h"
#include "ui/shell/querymodel.h"

#include <utility>

TfrmConsulta *frmConsulta = nullptr;

namespace {
const QString kNotaFiscal = QStringLiteral("vwNotaFiscal");
}

TfrmConsulta::TfrmConsulta(QWidget *parent) : QDialog(parent), ui(std::make_unique<Ui::frmConsulta>())
{
    ui->setupUi(this);
    m_model = new QueryTableModel(this);
    ui->DBGrid1->setModel(m_model);
    orva::ui::sizeColumnsToContents(ui->DBGrid1);
    // "Like" is the initial text, not a pick from the list: clearing the
    // window keeps it until the user picks an operator.
    ui->cmbOperador->setCurrentIndex(-1);
    ui->cmbOperador->setEditText(QStringLiteral("Like"));
    orva::ui::applyWindowConventions(this);

    connect(ui->btnConfirma, &QPushButton::clicked, this, &TfrmConsulta::btnConfirmaClick);
    connect(ui->btnImprimir, &QPushButton::clicked, this, &TfrmConsulta::btnImprimirClick);
    connect(ui->btnFechar, &QPushButton::clicked, this, &TfrmConsulta::btnFecharClick);
    connect(ui->DBGrid1, &QTableView::doubleClicked, this, &TfrmConsulta::DBGrid1DblClick);
}

TfrmConsulta::~TfrmConsulta() = default;

QComboBox *TfrmConsulta::cmbCampo() const { return ui->cmbCampo; }
QComboBox *TfrmConsulta::cmbOperador() const { return ui->cmbOperador; }
QLineEdit *TfrmConsulta::edtChave() const { return ui->edtChave; }
QTableView *TfrmConsulta::DBGrid1() const { return ui->DBGrid1; }

orva::db::Query &TfrmConsulta::query()
{
    if (!m_query) {
        m_query = std::make_unique<orva::db::Query>(TdtmDados::Conexao());
    }
    return *m_query;
}

void TfrmConsulta::DefineTabela(const QString &tabela) { m_tabela = tabela; }

void TfrmConsulta::DefineAutoConsulta(int autoConsulta) { m_autoConsulta = autoConsulta; }

void TfrmConsulta::DefineFiltro(const QString &campo, const QString &chave)
{
    m_filtroCampo = campo;
    m_filtroChave = chave;
}

void TfrmConsulta::DefineColunas(int codigo, int descricao)
{
    m_colunaCodigo = codigo;
    m_colunaDescricao = descricao;
}

EscolhaConsulta TfrmConsulta::Executa()
{
    setResult(QDialog::Rejected);
    FormShow();
    orva::prompts().execModal(*this);
    FormClose();
    return std::exchange(m_escolha, {});
}

void TfrmConsulta::FormShow()
{
    m_escolha = {};

    if (!m_tabela.isEmpty()) {
        try {
            orva::db::Query &q = query();
            m_model->setQuery(nullptr);
            q.close();
            q.parameters().clear();
            q.setSql(QStringLiteral("Select * From ") + m_tabela);
            q.open();
            const QStringList columns = q.fieldNames();
            q.close();
            ui->cmbCampo->clear();
            ui->cmbCampo->addItems(columns);
            ui->cmbCampo->setCurrentIndex(-1);
            ui->cmbCampo->clearEditText();
        } catch (const orva::Error &e) {
            orva::prompts().error(e.message());
        }
    } else {
        orva::prompts().information(QStringLiteral("Tabela de dados não informada !"));
    }
    setWindowTitle(QStringLiteral("Consulta Avançada da Tabela ") + m_tabela);
    Funcoes::LimpaCampos(this);

    if (!m_filtroCampo.isEmpty()) {
        ui->cmbCampo->setEditText(m_filtroCampo);
        if (!m_filtroChave.isEmpty())
            ui->edtChave->setText(m_filtroChave);
        btnConfirmaClick();
    }
    if (m_autoConsulta == 1)
        btnConfirmaClick();
    ui->cmbCampo->setFocus();
}

void TfrmConsulta::FormClose()
{
    m_sql.clear();
    m_tabela.clear();
    m_filtroCampo.clear();
    m_filtroChave.clear();
    m_colunaCodigo = 0;
    m_colunaDescricao = 0;
    m_autoConsulta = 0;
    m_model->setQuery(nullptr);
    if (m_query)
        m_query->close();
}

void TfrmConsulta::btnConfirmaClick()
{
    m_sql = orva::consulta::montaSql(m_tabela, ui->cmbCampo->currentText(), ui->cmbOperador->currentText(),
                                     ui->edtChave->text(), m_sql);
    m_model->setQuery(nullptr);
    try {
        orva::db::Query &q = query();
        q.close();
        q.parameters().clear();
        q.setSql(m_sql);
        q.open();
        m_model->setQuery(&q);
    } catch (const orva::Error &e) {
        orva::prompts().error(e.message());
    }
}

void TfrmConsulta::btnImprimirClick()
{
    const bool hasRows = m_model->query() && m_model->rowCount() > 0;
    if (m_sql.isEmpty() || !hasRows) {
        orva::prompts().information(QStringLiteral("Não existe registros filtrados"));
        return;
    }
    if (ImprimeRelacao)
        ImprimeRelacao(m_tabela, m_sql);
}

void TfrmConsulta::btnFecharClick() { reject(); }

void TfrmConsulta::DBGrid1DblClick()
{
    const int row = ui->DBGrid1->currentIndex().row();
    const bool posicoes = m_colunaCodigo != 0 || m_colunaDescricao != 0;
    const int codigo = posicoes ? m_colunaCodigo : 0;
    const int descricao = posicoes ? m_colunaDescricao : 1;
    if (m_tabela == kNotaFiscal)
        m_escolha.extra = m_model->text(row, posicoes ? 5 : 0);
    m_escolha.codigo = m_model->text(row, codigo);
    m_escolha.descricao = m_model->text(row, descricao);
    accept();
}
