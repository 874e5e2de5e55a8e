#include "frmexportacao.h"
#include "ui_frmexportacao.h"

#include "common/janeladona.h"
#include "common/pastaprograma.h"
#include "common/prompts.h"
#include "ui/maintenance/frmcopiaarquivo.h"
#include "ui/shared/frmconsulta.h"
#include "ui/shell/conventions.h"
#include "ui/shell/espaco.h"
#include "core/shell/dtmdados.h"
#include "ui/shell/exithandler.h"
#include "ui/shell/funcoes.h"
#include "common/relogio.h"

#include <QApplication>
#include <QLineEdit>
#include <QShortcut>

namespace {

const QString kNaoCadastrado = QStringLiteral("Não Cadastrado");

} // namespace

TfrmExportacao::TfrmExportacao(QWidget *parent)
    : QDialog(parent), ui(std::make_unique<Ui::frmExportacao>()), m_exportador(TdtmDados::Conexao())
{
    ui->setupUi(this);
    orva::ui::applyWindowConventions(this);
    // Enlarged, the window gives its report the room.
    orva::ui::cresceComAJanela(ui->PageControl1, Qt::Horizontal | Qt::Vertical);
    orva::ui::makeDigitField(ui->edtProtocolo);
    // Esc cancels a running export instead of closing the window.
    auto *esc = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(esc, &QShortcut::activated, this, &TfrmExportacao::btnCancelarClick);

    orva::ui::onExit(ui->edtProtocolo, [this] { edtProtocoloExit(); });
    connect(ui->btnConsProtocolo, &QPushButton::clicked, this, &TfrmExportacao::btnConsProtocoloClick);
    connect(ui->btnValidar, &QPushButton::clicked, this, &TfrmExportacao::btnValidarClick);
    connect(ui->btnCancelar, &QPushButton::clicked, this, &TfrmExportacao::btnCancelarClick);
    connect(ui->btnFechar, &QPushButton::clicked, this, &TfrmExportacao::btnFecharClick);
}

TfrmExportacao::~TfrmExportacao() = default;

void TfrmExportacao::Abre(QWidget *parent)
{
    TfrmExportacao frm(parent);
    orva::prompts().execModal(frm);
}

const QString &TfrmExportacao::RegistroProtocolo() const
{
    static const QString vazio;
    return m_protocolo ? m_protocolo->registroProtocolo : vazio;
}

void TfrmExportacao::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (!m_mostrada) {
        m_mostrada = true;
        FormShow();
    }
}

void TfrmExportacao::reject()
{
    if (m_exportando) {
        m_cancelar = true; // closing during a run cancels it first
        return;
    }
    QDialog::reject();
}

void TfrmExportacao::FormShow()
{
    Funcoes::LimpaCampos(this);
    ui->edtProtocolo->setFocus(Qt::OtherFocusReason); // the first digits typed are not lost
}

void TfrmExportacao::EsqueceProtocolo()
{
    m_protocolo.reset();
    m_registroEmpresa.clear();
    ui->edtExercicio->clear();
    ui->edtInscricao->clear();
    ui->edtArquivo->clear();
    ui->lblTipoEntrega->clear();
    ui->lblNomeEmpresa->clear();
}

void TfrmExportacao::edtProtocoloExit() { CarregaProtocolo(); }

void TfrmExportacao::CarregaProtocolo()
{
    if (!ui->edtProtocolo->text().isEmpty()) {
        try {
            EsqueceProtocolo();
            m_protocolo = m_exportador.carregaProtocolo(ui->edtProtocolo->text(), orva::hoje());
            if (!m_protocolo) {
                orva::prompts().warning(orva::exportacao::mensagemProtocoloInexistente());
            } else {
                ui->edtExercicio->setText(m_protocolo->exercicio);
                ui->edtInscricao->setText(m_protocolo->inscricao);
                edtInscricaoExit();
                ui->lblTipoEntrega->setText(
                    QStringLiteral("Tipo de Protocolo.: ")
                    + Funcoes::BuscaDescricao(QStringLiteral("Tipo_Declara"), QStringLiteral("Codigo"),
                                              QString::number(m_protocolo->tipoProtocolo), QStringLiteral("Descricao")));
                ui->lblTipoEntrega->setText(
                    ui->lblTipoEntrega->text() + QStringLiteral("\nTipo de Entrega.: ")
                    + Funcoes::BuscaDescricao(QStringLiteral("Tipo_Entrega"), QStringLiteral("Codigo"),
                                              m_protocolo->tipoEntrega, QStringLiteral("Descricao")));
                ui->edtArquivo->setText(m_protocolo->arquivo);
            }
        } catch (const orva::Error &e) {
            m_protocolo.reset();
            orva::prompts().error(e.message());
        }
    }
    if (!ui->edtInscricao->text().isEmpty()) {
        try {
            if (const auto registro = m_exportador.registroEmpresa(ui->edtInscricao->text()))
                m_registroEmpresa = *registro;
        } catch (const orva::Error &e) {
            orva::prompts().error(e.message());
        }
    }
}

void TfrmExportacao::edtInscricaoExit()
{
    if (ui->edtInscricao->text().isEmpty())
        return;
    ui->lblNomeEmpresa->setText(Funcoes::BuscaDescricao(QStringLiteral("Empresa"), QStringLiteral("Inscricao"),
                                                        ui->edtInscricao->text(), QStringLiteral("Razao")));
    if (ui->lblNomeEmpresa->text() == kNaoCadastrado)
        ui->edtInscricao->clear();
}

void TfrmExportacao::btnConsProtocoloClick()
{
    frmConsulta->DefineTabela(QStringLiteral("Protocolo"));
    frmConsulta->DefineFiltro(QStringLiteral("Protocolo"), QString());
    const EscolhaConsulta escolha = frmConsulta->Executa();
    ui->edtProtocolo->setText(escolha.codigo);
    CarregaProtocolo();
}

void TfrmExportacao::btnCancelarClick() { m_cancelar = true; }

void TfrmExportacao::btnFecharClick() { reject(); }

void TfrmExportacao::btnValidarClick()
{
    if (m_exportando)
        return;
    const QString faltando = Funcoes::VerificaCampos(this);
    if (!faltando.isEmpty()) {
        orva::prompts().error(QStringLiteral("Falta os Dados do Campo") + faltando);
        return;
    }
    if (!m_protocolo || m_registroEmpresa.isEmpty()) {
        // The fields are filled only by a successful load; this guards the pairing.
        orva::prompts().error(orva::exportacao::mensagemProtocoloInexistente());
        return;
    }
    m_exportando = true;
    ui->btnValidar->setEnabled(false);
    ui->btnFechar->setEnabled(false);
    ui->edtProtocolo->setEnabled(false);
    ui->btnConsProtocolo->setEnabled(false);
    try {
        Exporta();
    } catch (...) {
        m_exportando = false;
        ui->btnValidar->setEnabled(true);
        ui->btnFechar->setEnabled(true);
        ui->edtProtocolo->setEnabled(true);
        ui->btnConsProtocolo->setEnabled(true);
        throw;
    }
    m_exportando = false;
    ui->btnValidar->setEnabled(true);
    ui->btnFechar->setEnabled(true);
    ui->edtProtocolo->setEnabled(true);
    ui->btnConsProtocolo->setEnabled(true);
}

void TfrmExportacao::Exporta()
{
    ui->ProgressBar->setValue(0);
    ui->edtLogErro->clear();
    m_cancelar = false;
    const auto progresso = [this](int linhas, int total) {
        ui->ProgressBar->setMaximum(std::max(total, 1));
        ui->ProgressBar->setValue(std::min(linhas, std::max(total, 1)));
        ui->edtProcessados->setText(QString::number(linhas));
        QApplication::processEvents(); // lets a Cancel click through
        return !m_cancelar;
    };
    const auto transmite = [this](const orva::exportacao::Exportacao &exportacao) {
        const QString &arquivoCompactado = exportacao.arquivoCompactado;
        if (orva::prompts().question(QStringLiteral("Confirmação"), QStringLiteral("Deseja transmitir o arquivo agora?"),
                                     orva::Prompts::Icon::Question, orva::Prompts::Button::No)) {
            const QString pastaCliente = Funcoes::DiretorioSistema() + QStringLiteral("ClienteOrvaDATP/");
            const QString cliente = orva::pastaprograma::localizaPrograma(Funcoes::DiretorioSistema(),
                                                                         QStringLiteral("ClienteOrvaDATP/ClienteORVA"));
            // The window keeps painting while the client runs, greyed: nothing in
            // it (nor the menu behind it) can be used until the client ends.
            setEnabled(false);
            // Told which window opened it, the client stays above it.
            qputenv(orva::kJanelaDona, QByteArray::number(quint64(window()->winId())));
            const bool iniciado = orva::prompts().runProgram(
                cliente, {Funcoes::DiretorioSistema() + QStringLiteral("enviar/")}, pastaCliente);
            qunsetenv(orva::kJanelaDona);
            setEnabled(true);
            if (!iniciado)
                orva::prompts().error(QStringLiteral("Não foi possível iniciar o programa de transmissão %1.\n"
                                                     "O arquivo %2 ficou na pasta enviar: transmita-o mais tarde "
                                                     "pelo ClienteORVA.")
                                          .arg(cliente, arquivoCompactado));
        } else {
            TfrmCopiaArquivo copia(this);
            copia.edtArquivo()->setText(arquivoCompactado);
            orva::prompts().execModal(copia);
        }
    };
    // a file that cannot be written reaches the support-line box
    const auto execucao = m_exportador.executa(m_protocolo->numero, orva::hoje(), progresso, transmite);
    using Fim = orva::exportacao::Execucao::Fim;
    switch (execucao.fim) {
    case Fim::Concluida:
    case Fim::Cancelada: orva::prompts().information(execucao.mensagem); break;
    case Fim::SemRegistros: orva::prompts().warning(execucao.mensagem); break;
    case Fim::Recusada:
    case Fim::MarcaFalhou: orva::prompts().error(execucao.mensagem); break;
    }
}
