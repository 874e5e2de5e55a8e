#include "frmrateio.h"
#include "ui_frmrateio.h"

#include "common/prompts.h"
#include "registrations/frmconsulta.h"
#include "shell/conventions.h"
#include "shell/db/sqltexto.h"
#include "shell/dtmdados.h"
#include "shell/exithandler.h"
#include "shell/funcoes.h"
#include "shell/querymodel.h"
#include "shell/regional.h"
#include "shell/valores.h"

#include <QTimer>

using orva::db::ParamKind;

namespace {

const QString kNaoCadastrado = QStringLiteral("Não Cadastrado");



} // namespace

TfrmRateio::TfrmRateio(QWidget *parent)
    : QDialog(parent), ui(std::make_unique<Ui::frmRateio>()), ADOQuery(TdtmDados::Conexao()), ADOQuery1(TdtmDados::Conexao()),
      ADOCommand(TdtmDados::Conexao())
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
    ADOQuery1.close();
}

std::optional<qint64> TfrmRateio::NumeroProtocolo() const
{
    const QString texto = ui->edtProtocolo->text().trimmed();
    bool ok = false;
    const qint64 numero = texto.toLongLong(&ok);
    if (!ok || texto.startsWith(QLatin1Char('+')) || texto.startsWith(QLatin1Char('-')))
        return std::nullopt;
    return numero;
}

QString TfrmRateio::CondicaoChave() const
{
    return QStringLiteral(" Where Inscricao = ") + orva::db::textoSql(ui->edtInscricao->text())
           + QStringLiteral(" And Exercicio = ") + orva::db::textoSql(ui->edtExercicio->text())
           + QStringLiteral(" And Municipio = ") + orva::db::textoSql(ui->edtMunicipio->text());
}

void TfrmRateio::VerificaProtocolo()
{
    try {
        // Only a number reaches the statement: other text is no protocol.
        bool encontrado = false;
        if (const auto numero = NumeroProtocolo()) {
            ADOQuery1.close();
            ADOQuery1.setSql(QStringLiteral("Select * From Protocolo Where Protocolo = ") + QString::number(*numero)
                             + QStringLiteral(" And DtTransmissao is Null") + QStringLiteral(" And Tipo_Protocolo = 1"));
            ADOQuery1.open();
            encontrado = !ADOQuery1.eof();
        }
        if (!encontrado) {
            orva::prompts().warning(QStringLiteral("Este número de protocolo não existe, \n"
                                                   "ja foi entregue, ou o é um protocolo de Notas Fiscais !"));
            return;
        }
        const QString exercicio = ADOQuery1.fieldByName(QStringLiteral("Exercicio")).asString();
        const QString inscricao = ADOQuery1.fieldByName(QStringLiteral("Inscricao")).asString();
        const QString tipoEntrega = ADOQuery1.fieldByName(QStringLiteral("Tipo_Entrega")).asString();
        ui->edtExercicio->setText(exercicio);
        ui->edtInscricao->setText(inscricao);
        edtInscricaoExit();
        ui->lblTipoEntrega->setText(Funcoes::BuscaDescricao(QStringLiteral("Tipo_Entrega"), QStringLiteral("Codigo"),
                                                            tipoEntrega, QStringLiteral("Descricao")));
        orva::ui::focusLater(ui->edtMunicipio);
    } catch (const orva::Error &e) {
        orva::prompts().error(e.message());
    }
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
    ui->lblNomeEmpresa->setText(Funcoes::BuscaDescricaoChaves(QStringLiteral("Empresa"), QStringLiteral("Inscricao"),
                                                              ui->edtInscricao->text(), QStringLiteral("TIPO_DECLARA"),
                                                              QStringLiteral("1"), QStringLiteral("Razao")));
    if (ui->lblNomeEmpresa->text() == kNaoCadastrado)
        ui->edtInscricao->clear();
    if (!ui->edtInscricao->text().isEmpty() && !ui->edtExercicio->text().isEmpty())
        AtualizaGrade();
}

void TfrmRateio::AtualizaGrade()
{
    try {
        m_grade->setQuery(nullptr);
        ADOQuery.close();
        ADOQuery.setSql(QStringLiteral("Select INSCRICAO AS [InscEst Declarante], Exercicio as [Ano de Base], Municipio, "
                                       "Valor_Entrada as [Valor das Entradas], Valor_Saida as [Valor das Saidas] ")
                        + QStringLiteral(" From vwRateio Where Inscricao = ") + orva::db::textoSql(ui->edtInscricao->text())
                        + QStringLiteral(" And Exercicio = ") + orva::db::textoSql(ui->edtExercicio->text()));
        ADOQuery.open();
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
    orva::ui::validaValorPositivo(ui->edtValorEntrada,
                                  QStringLiteral("O valor das Entradas de Rateio deve ser maior que ZERO !"));
}

void TfrmRateio::edtValorSaidaExit()
{
    orva::ui::validaValorPositivo(ui->edtValorSaida, QStringLiteral("O valor das Saidas de Rateio deve ser maior que ZERO !"));
}

void TfrmRateio::btnConsProtocoloClick()
{
    frmConsulta->DefineTabela(QStringLiteral("Protocolo"));
    frmConsulta->DefineFiltro(QStringLiteral("Tipo_Protocolo"), QStringLiteral("1"));
    frmConsulta->Executa();
    ui->edtProtocolo->setText(Funcoes::RetornoCodigo);
    edtProtocoloExit();
}

void TfrmRateio::btnConsMunicipioClick()
{
    frmConsulta->DefineTabela(QStringLiteral("Municipios"));
    frmConsulta->DefineAutoConsulta(1);
    frmConsulta->Executa();
    ui->edtMunicipio->setText(Funcoes::RetornoCodigo);
    edtMunicipioExit();
}

void TfrmRateio::btnConsultaClick()
{
    frmConsulta->DefineTabela(QStringLiteral("vwRateio"));
    frmConsulta->DefineColunas(6, 2);
    frmConsulta->Executa();
    ui->edtProtocolo->setText(Funcoes::RetornoCodigo);
    ui->edtMunicipio->setText(Funcoes::RetornoDescricao.left(6));
    edtProtocoloExit();
}

bool TfrmRateio::CamposCompletos()
{
    const QString faltando = Funcoes::VerificaCampos(this);
    if (faltando.isEmpty())
        return true;
    orva::prompts().error(QStringLiteral("Falta os Dados do Campo ") + faltando);
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

void TfrmRateio::GravaRateio()
{
    try {
        ADOQuery1.close();
        ADOQuery1.setSql(QStringLiteral("Select * From Rateio") + CondicaoChave());
        ADOQuery1.open();

        orva::db::Parameters &p = ADOCommand.parameters();
        p.clear();
        p.add(QStringLiteral("pInscricao"), ParamKind::Text).setValue(ui->edtInscricao->text());
        p.add(QStringLiteral("pExercicio"), ParamKind::Text).setValue(ui->edtExercicio->text());
        p.add(QStringLiteral("pMunicipio"), ParamKind::Text).setValue(ui->edtMunicipio->text());
        p.add(QStringLiteral("pValorEntrada"), ParamKind::Float).setValue(ui->edtValorEntrada->text());
        p.add(QStringLiteral("pValorSaida"), ParamKind::Float).setValue(ui->edtValorSaida->text());
        p.add(QStringLiteral("pProtocolo"), ParamKind::Integer).setValue(ui->edtProtocolo->text());

        if (!ADOQuery1.eof()) {
            // Compared as numbers, so "07" is the same protocol as "7".
            const qint64 protocoloDaLinha = ADOQuery1.fieldByName(QStringLiteral("Protocolo")).asInteger();
            if (protocoloDaLinha == p.byName(QStringLiteral("pProtocolo")).value().toLongLong()) {
                orva::prompts().error(QStringLiteral("Rateio ja Cadastrado para este Municipio !"));
                return;
            }
            ADOCommand.setCommandText(
                QStringLiteral("Update Rateio Set  INSCRICAO = :pInscricao ,EXERCICIO = :pExercicio ,MUNICIPIO = :pMunicipio "
                               ",VALOR_ENTRADA = :pValorEntrada ,VALOR_SAIDA = :pValorSaida ,PROTOCOLO = :pProtocolo  ,OPERACAO = 'A'")
                + CondicaoChave());
        } else {
            ADOCommand.setCommandText(QStringLiteral(
                "Insert into Rateio ( INSCRICAO, EXERCICIO, MUNICIPIO, VALOR_ENTRADA, VALOR_SAIDA, PROTOCOLO, OPERACAO )"
                "Values ( :pInscricao, :pExercicio, :pMunicipio, :pValorEntrada, :pValorSaida, :pProtocolo,'I' )"));
        }
        ADOQuery1.close();
        ADOCommand.execute();
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
        const auto protocolo = NumeroProtocolo();
        if (!protocolo) {
            orva::prompts().error(QStringLiteral("O número do protocolo deve conter apenas dígitos."));
            return;
        }
        ADOQuery1.close();
        ADOQuery1.setSql(QStringLiteral("Select * From Rateio") + CondicaoChave());
        ADOQuery1.open();
        if (!ADOQuery1.eof()) {
            const qint64 protocoloDaLinha = ADOQuery1.fieldByName(QStringLiteral("Protocolo")).asInteger();
            ADOQuery1.close();
            if (protocoloDaLinha == *protocolo)
                ADOCommand.setCommandText(QStringLiteral("Delete From Rateio ") + CondicaoChave());
            else
                ADOCommand.setCommandText(QStringLiteral("Update Rateio Set ") + QStringLiteral("  PROTOCOLO = ")
                                          + QString::number(*protocolo) + QStringLiteral(" ,OPERACAO = 'E'")
                                          + CondicaoChave());
            ADOCommand.parameters().clear();
            ADOCommand.execute();
        }
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
    ui->edtExercicio->setText(QStringLiteral("2015"));
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
