#include "frmrateio.h"
#include "ui_frmrateio.h"

#include "common/prompts.h"
#include "ui/shared/frmconsulta.h"
#include "ui/shell/conventions.h"
#include "ui/shell/descarte.h"
#include "ui/shell/espaco.h"
#include "core/shell/dtmdados.h"
#include "ui/shell/exithandler.h"
#include "ui/shell/funcoes.h"
#include "ui/shell/querymodel.h"
#include "ui/shell/valores.h"
#include "core/stores/rateios.h"

#include <QHeaderView>
#include <QTimer>

namespace {
const QString &kNaoCadastrado = orva::stores::Tabelas::naoCadastrado;
} // namespace


TfrmRateio::TfrmRateio(QWidget *parent)
    : QDialog(parent), ui(std::make_unique<Ui::frmRateio>()), ADOQuery(TdtmDados::Conexao()),
      m_rateios(TdtmDados::Conexao())
{
    ui->setupUi(this);
    m_grade = new QueryTableModel(this);
    ui->DBGrid->setModel(m_grade);
    orva::ui::sizeColumnsToContents(ui->DBGrid);
    ui->DBGrid->setToolTip(QStringLiteral("Rateio por Municipio.\nPara Excluir um Rateio:\n"
                                          "   CLIQUE 2 vezes com o mouse sobre o Municipio\n"
                                          "   E CLIQUE no botão Excluir Rateio"));
    orva::ui::applyWindowConventions(this);
    orva::ui::ignoreEscape(this); // only "Fechar" closes: nothing typed is lost to a stray Esc
    orva::ui::guardTypedChanges(this);
    // Enlarged, the window gives the grid the room: every column in sight.
    orva::ui::cresceComAJanela(ui->DBGrid, Qt::Horizontal | Qt::Vertical);
    ui->DBGrid->horizontalHeader()->setStretchLastSection(true);
    orva::ui::makeDigitField(ui->edtInscricao);
    orva::ui::makeDigitField(ui->edtMunicipio);
    orva::ui::makeAmountField(ui->edtValorEntrada);
    orva::ui::makeAmountField(ui->edtValorSaida);

    orva::ui::onExit(ui->edtProtocolo, [this] { edtProtocoloExit(); });
    orva::ui::onExit(ui->edtInscricao, [this] { edtInscricaoExit(); });
    orva::ui::onExit(ui->edtMunicipio, [this] { edtMunicipioExit(); });
    orva::ui::onExit(ui->edtValorEntrada, [this] { edtValorEntradaExit(); });
    orva::ui::onExit(ui->edtValorSaida, [this] { edtValorSaidaExit(); });

    connect(ui->btnNovo, &QPushButton::clicked, this, &TfrmRateio::btnNovoClick);
    connect(ui->btnConsulta, &QPushButton::clicked, this, &TfrmRateio::btnConsultaClick);
    connect(ui->btnFechar, &QPushButton::clicked, this, &TfrmRateio::btnFecharClick);
    connect(ui->btnConsProtocolo, &QPushButton::clicked, this, &TfrmRateio::btnConsProtocoloClick);
    connect(ui->btnConsMunicipio, &QPushButton::clicked, this, &TfrmRateio::btnConsMunicipioClick);
    connect(ui->btnGravar, &QPushButton::clicked, this, &TfrmRateio::btnGravarClick);
    connect(ui->btnExcluir, &QPushButton::clicked, this, &TfrmRateio::btnExcluirClick);
    connect(ui->DBGrid, &QTableView::doubleClicked, this, &TfrmRateio::DBGridDblClick);
}

TfrmRateio::~TfrmRateio() = default;

void TfrmRateio::Abre()
{
    TfrmRateio frm;
    frm.DefineTabela(QStringLiteral("Rateio"));
    orva::prompts().execModal(frm);
}

void TfrmRateio::DefineTabela(const QString &tabela) { strTabela = tabela; }

void TfrmRateio::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (!m_mostrada) {
        m_mostrada = true;
        FormShow();
    }
}

void TfrmRateio::done(int result)
{
    FormClose();
    QDialog::done(result);
}

void TfrmRateio::FormShow()
{
    if (strTabela.isEmpty()) {
        orva::prompts().error(QStringLiteral("Falta de parametro strTabela !"));
        QTimer::singleShot(0, this, &QDialog::reject);
    }
    Funcoes::LimpaCampos(this);
    orva::ui::focusFirstField(this);
}

void TfrmRateio::FormClose()
{
    m_grade->setQuery(nullptr);
    ADOQuery.close();
}

void TfrmRateio::VerificaProtocolo()
{
    std::optional<orva::stores::ProtocoloAberto> protocolo;
    try {
        protocolo = m_rateios.protocoloAberto(ui->edtProtocolo->text());
    } catch (const orva::Error &e) {
        orva::prompts().error(e.message());
        return;
    }
    if (!protocolo) {
        orva::prompts().warning(orva::stores::Rateios::kProtocoloInvalido);
        return;
    }
    ui->edtExercicio->setText(protocolo->exercicio);
    ui->edtInscricao->setText(protocolo->inscricao);
    edtInscricaoExit();
    ui->lblTipoEntrega->setText(Funcoes::BuscaDescricao(QStringLiteral("Tipo_Entrega"), QStringLiteral("Codigo"),
                                                        protocolo->tipoEntrega, QStringLiteral("Descricao")));
    orva::ui::focusLater(ui->edtMunicipio);
}

void TfrmRateio::edtProtocoloExit()
{
    if (!ui->edtProtocolo->text().isEmpty())
        VerificaProtocolo();
}

void TfrmRateio::edtInscricaoExit()
{
    if (ui->edtInscricao->text().isEmpty())
        return;
    // Only companies that declare apportionment; a failed lookup leaves the name blank.
    QString nome;
    try {
        nome = m_rateios.declarante(ui->edtInscricao->text());
    } catch (const orva::Error &e) {
        orva::prompts().error(e.message());
    }
    ui->lblNomeEmpresa->setText(nome);
    if (ui->lblNomeEmpresa->text() == kNaoCadastrado)
        ui->edtInscricao->clear();
    if (!ui->edtInscricao->text().isEmpty() && !ui->edtExercicio->text().isEmpty())
        AtualizaGrade();
}

void TfrmRateio::AtualizaGrade()
{
    try {
        m_grade->setQuery(nullptr);
        m_rateios.abreGrade(ADOQuery, ui->edtInscricao->text(), ui->edtExercicio->text());
        m_grade->setQuery(&ADOQuery);
    } catch (const orva::Error &e) {
        orva::prompts().error(e.message());
    }
}

void TfrmRateio::edtMunicipioExit()
{
    if (!ui->edtMunicipio->text().isEmpty())
        ui->lblNomeMunicipio->setText(Funcoes::BuscaDescricao(QStringLiteral("Municipios"), QStringLiteral("Codigo"),
                                                              ui->edtMunicipio->text(), QStringLiteral("Descricao")));
    if (ui->lblNomeMunicipio->text() == kNaoCadastrado)
        ui->edtMunicipio->clear();
}

void TfrmRateio::edtValorEntradaExit()
{
    orva::ui::validaValorPositivo(ui->edtValorEntrada, orva::stores::Rateios::kEntradaZero);
}

void TfrmRateio::edtValorSaidaExit()
{
    orva::ui::validaValorPositivo(ui->edtValorSaida, orva::stores::Rateios::kSaidaZero);
}

void TfrmRateio::btnConsProtocoloClick()
{
    frmConsulta->DefineTabela(QStringLiteral("Protocolo"));
    frmConsulta->DefineFiltro(QStringLiteral("Tipo_Protocolo"), QStringLiteral("1"));
    const EscolhaConsulta escolha = frmConsulta->Executa();
    ui->edtProtocolo->setText(escolha.codigo);
    edtProtocoloExit();
}

void TfrmRateio::btnConsMunicipioClick()
{
    frmConsulta->DefineTabela(QStringLiteral("Municipios"));
    frmConsulta->DefineAutoConsulta(1);
    const EscolhaConsulta escolha = frmConsulta->Executa();
    ui->edtMunicipio->setText(escolha.codigo);
    edtMunicipioExit();
}

void TfrmRateio::btnConsultaClick()
{
    frmConsulta->DefineTabela(QStringLiteral("vwRateio"));
    frmConsulta->DefineColunas(6, 2);
    const EscolhaConsulta escolha = frmConsulta->Executa();
    ui->edtProtocolo->setText(escolha.codigo);
    ui->edtMunicipio->setText(escolha.descricao.left(6));
    edtProtocoloExit();
}

bool TfrmRateio::CamposCompletos()
{
    const QString faltando = Funcoes::VerificaCampos(this);
    if (faltando.isEmpty())
        return true;
    orva::prompts().error(orva::stores::Rateios::kFaltaCampo + faltando);
    return false;
}

void TfrmRateio::btnGravarClick()
{
    if (CamposCompletos())
        GravaRateio();
}

void TfrmRateio::btnExcluirClick()
{
    if (CamposCompletos())
        ExcluiRateio();
}

orva::stores::ChaveRateio TfrmRateio::Chave() const
{
    return {ui->edtInscricao->text(), ui->edtExercicio->text(), ui->edtMunicipio->text()};
}

void TfrmRateio::GravaRateio()
{
    try {
        const auto gravacao = m_rateios.grava(
            {Chave(), ui->edtProtocolo->text(), ui->edtValorEntrada->text(), ui->edtValorSaida->text()});
        if (!gravacao.gravada()) {
            orva::prompts().error(gravacao.recusa);
            return;
        }
        orva::prompts().information(QStringLiteral("Registro Gravado !"));
    } catch (const orva::Error &e) {
        orva::prompts().error(e.message());
        return;
    }
    RecomecaLancamento();
}

void TfrmRateio::ExcluiRateio()
{
    try {
        m_rateios.exclui(Chave(), ui->edtProtocolo->text());
    } catch (const orva::Error &e) {
        orva::prompts().error(e.message());
        return;
    }
    RecomecaLancamento();
}

void TfrmRateio::RecomecaLancamento()
{
    const QString protocolo = ui->edtProtocolo->text();
    const QString inscricao = ui->edtInscricao->text();
    const QString exercicio = ui->edtExercicio->text();
    Funcoes::LimpaCampos(this);
    ui->edtProtocolo->setText(protocolo);
    ui->edtInscricao->setText(inscricao);
    ui->edtExercicio->setText(exercicio);
    edtProtocoloExit();
}

void TfrmRateio::btnNovoClick()
{
    Funcoes::LimpaCampos(this);
    ui->edtExercicio->setText(orva::stores::kExercicio);
}

void TfrmRateio::btnFecharClick() { reject(); }

void TfrmRateio::DBGridDblClick()
{
    const int linha = ui->DBGrid->currentIndex().row();
    orva::db::Query *q = m_grade->query();
    if (!q || linha < 0 || linha >= m_grade->rowCount())
        return; // an empty grid has nothing to copy
    ui->edtInscricao->setText(m_grade->text(linha, 0));
    ui->edtExercicio->setText(m_grade->text(linha, 1));
    ui->edtMunicipio->setText(m_grade->text(linha, 2).left(6));
    if (!ui->edtMunicipio->text().isEmpty())
        ui->lblNomeMunicipio->setText(Funcoes::BuscaDescricao(QStringLiteral("Municipios"), QStringLiteral("Codigo"),
                                                              ui->edtMunicipio->text(), QStringLiteral("Descricao")));
    orva::ui::mostraValor(ui->edtValorEntrada, q->valueAt(linha, 3).asFloat());
    orva::ui::mostraValor(ui->edtValorSaida, q->valueAt(linha, 4).asFloat());
}
