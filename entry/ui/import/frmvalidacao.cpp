#include "frmvalidacao.h"
#include "ui_frmvalidacao.h"

#include "common/errors.h"
#include "common/prompts.h"
#include "core/import/importacao.h"
#include "ui/maintenance/janelamanutencao.h"
#include "ui/shared/frmconsulta.h"
#include "ui/shell/conventions.h"
#include "ui/shell/espaco.h"
#include "core/shell/dtmdados.h"
#include "ui/shell/exithandler.h"
#include "ui/shell/funcoes.h"

#include <QApplication>
#include <QTextCursor>
#include <QFileInfo>
#include <QFontDatabase>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShortcut>
#include <QVBoxLayout>

namespace {

orva::db::Connection &conexao()
{
    if (!dtmDados)
        throw orva::db::DatabaseError(QStringLiteral("A conexão com o banco de dados não foi criada."));
    return dtmDados->ADOConnection;
}

const QString kNaoCadastrado = QStringLiteral("Não Cadastrado");
// The user types at most this much into the file field; the file dialog
// puts the whole path there.
constexpr int kArquivoDigitado = 6;
// A pass repaints and lets input through at least this often (ms).
constexpr qint64 kIntervaloPintura = 40;

} // namespace

TfrmValidacao::TfrmValidacao(QWidget *parent)
    : QDialog(parent), ui(std::make_unique<Ui::frmValidacao>()), m_importador(conexao())
{
    ui->setupUi(this);
    orva::ui::applyWindowConventions(this);
    // Enlarged, the window gives its report the room.
    orva::ui::cresceComAJanela(ui->PageControl1, Qt::Horizontal | Qt::Vertical);
    orva::ui::makeDigitField(ui->edtProtocolo);
    // Records are fixed-width: the report lines them up.
    ui->edtLogErro->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    ui->edtLogErro->viewport()->installEventFilter(this);
    // Esc presses Cancel: it stops a running pass and never closes the window.
    auto *esc = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(esc, &QShortcut::activated, this, &TfrmValidacao::btnCancelarClick);
    connect(ui->edtArquivo, &QLineEdit::textChanged, this, [this](const QString &texto) {
        if (texto.isEmpty())
            ui->edtArquivo->setMaxLength(kArquivoDigitado);
    });

    orva::ui::onExit(ui->edtProtocolo, [this] { edtProtocoloExit(); });
    orva::ui::onExit(ui->edtInscricao, [this] { edtInscricaoExit(); });
    connect(ui->btnConsProtocolo, &QPushButton::clicked, this, &TfrmValidacao::btnConsProtocoloClick);
    connect(ui->btnConsMunicipio, &QPushButton::clicked, this, &TfrmValidacao::btnConsMunicipioClick);
    connect(ui->btnValidar, &QPushButton::clicked, this, &TfrmValidacao::btnValidarClick);
    connect(ui->btnCancelar, &QPushButton::clicked, this, &TfrmValidacao::btnCancelarClick);
    connect(ui->btnFechar, &QPushButton::clicked, this, &TfrmValidacao::btnFecharClick);
}

TfrmValidacao::~TfrmValidacao() = default;

void TfrmValidacao::Abre(QWidget *parent)
{
    TfrmValidacao frm(parent);
    orva::prompts().execModal(frm);
}

QStringList TfrmValidacao::Relatorio() const
{
    const QString texto = ui->edtLogErro->toPlainText();
    return texto.isEmpty() ? QStringList() : texto.split(QLatin1Char('\n'));
}

bool TfrmValidacao::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == ui->edtLogErro->viewport() && event->type() == QEvent::MouseButtonDblClick) {
        const auto *mouse = static_cast<QMouseEvent *>(event);
        AbreLinhaDoRelatorio(ui->edtLogErro->cursorForPosition(mouse->position().toPoint()).blockNumber());
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void TfrmValidacao::AbreLinhaDoRelatorio(int indice)
{
    const int linha = m_marcas.linhaDe(Relatorio(), indice);
    if (linha == 0)
        return;
    const QString texto = m_marcas.mostra(linha);
    if (texto.isEmpty()) {
        orva::prompts().information(QStringLiteral("Os detalhes da linha %1 não foram guardados (o relatório guarda os "
                                                   "das primeiras %2 linhas com erro).")
                                        .arg(linha)
                                        .arg(orva::importacao::MarcasRelatorio::Maximo));
        return;
    }
    QDialog janela(this);
    janela.setObjectName(QStringLiteral("frmLinhaErro"));
    janela.setWindowTitle(QStringLiteral("Linha %1 do arquivo de importação").arg(linha));
    auto *layout = new QVBoxLayout(&janela);
    auto *quadro = new QPlainTextEdit(texto, &janela);
    quadro->setObjectName(QStringLiteral("edtLinha"));
    quadro->setReadOnly(true);
    quadro->setLineWrapMode(QPlainTextEdit::NoWrap);
    quadro->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    quadro->setMinimumSize(QFontMetrics(quadro->font()).horizontalAdvance(QString(120, QLatin1Char('0'))) + 40, 220);
    auto *fechar = new QPushButton(QStringLiteral("&Fechar"), &janela);
    connect(fechar, &QPushButton::clicked, &janela, &QDialog::accept);
    layout->addWidget(quadro);
    layout->addWidget(fechar, 0, Qt::AlignRight);
    orva::prompts().execModal(janela);
}

void TfrmValidacao::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (!m_mostrada) {
        m_mostrada = true;
        FormShow();
    }
}

void TfrmValidacao::reject()
{
    if (m_processando) {
        m_cancelar = true; // closing during a pass cancels it first
        return;
    }
    QDialog::reject();
}

void TfrmValidacao::FormShow()
{
    Funcoes::LimpaCampos(this);
    ui->edtProtocolo->setFocus(Qt::OtherFocusReason); // the first digits typed are not lost
}

void TfrmValidacao::edtProtocoloExit()
{
    if (m_processando || ui->edtProtocolo->text().isEmpty())
        return;
    VerificaProtocolo();
}

void TfrmValidacao::VerificaProtocolo()
{
    std::optional<orva::importacao::Protocolo> protocolo;
    try {
        protocolo = m_importador.VerificaProtocolo(ui->edtProtocolo->text());
    } catch (const orva::Error &e) {
        orva::prompts().error(e.message());
        return;
    }
    if (!protocolo) {
        orva::prompts().warning(orva::importacao::mensagemProtocoloInvalido());
        return;
    }
    m_protocolo = protocolo;
    ui->edtExercicio->setText(protocolo->exercicio);
    ui->edtInscricao->setText(protocolo->inscricao);
    edtInscricaoExit();
    ui->lblTipoEntrega->setText(Funcoes::BuscaDescricao(QStringLiteral("Tipo_Entrega"), QStringLiteral("Codigo"),
                                                        protocolo->tipoEntrega, QStringLiteral("Descricao")));
    ui->edtArquivo->setFocus(Qt::OtherFocusReason);
}

void TfrmValidacao::edtInscricaoExit()
{
    if (ui->edtInscricao->text().isEmpty())
        return;
    ui->lblNomeEmpresa->setText(Funcoes::BuscaDescricaoChaves(QStringLiteral("Empresa"), QStringLiteral("Inscricao"),
                                                              ui->edtInscricao->text(), QStringLiteral("TIPO_DECLARA"),
                                                              QStringLiteral("0"), QStringLiteral("Razao")));
    if (ui->lblNomeEmpresa->text() == kNaoCadastrado)
        ui->edtInscricao->clear();
}

void TfrmValidacao::btnConsProtocoloClick()
{
    if (m_processando || !frmConsulta)
        return;
    frmConsulta->DefineTabela(QStringLiteral("Protocolo"));
    frmConsulta->DefineFiltro(QStringLiteral("Tipo_Protocolo"), QStringLiteral("0"));
    const EscolhaConsulta escolha = frmConsulta->Executa();
    ui->edtProtocolo->setText(escolha.codigo);
    edtProtocoloExit();
}

void TfrmValidacao::btnConsMunicipioClick()
{
    if (m_processando)
        return;
    const QString pasta = m_ultimoArquivo.isEmpty() ? QString() : QFileInfo(m_ultimoArquivo).absolutePath();
    const QString escolhido = orva::prompts().openFileName(QStringLiteral("Arquivo de Importação"), pasta,
                                                           QStringLiteral("Texto (*.TXT *.txt)"));
    // A cancelled dialog still fills the field, with the file chosen before.
    if (!escolhido.isEmpty())
        m_ultimoArquivo = escolhido;
    ui->edtArquivo->setMaxLength(std::max<int>(kArquivoDigitado, static_cast<int>(m_ultimoArquivo.size())));
    ui->edtArquivo->setText(m_ultimoArquivo);
}

void TfrmValidacao::btnCancelarClick() { m_cancelar = true; }

void TfrmValidacao::btnFecharClick() { reject(); }

void TfrmValidacao::bloqueia(bool bloquear)
{
    m_processando = bloquear;
    // Only Cancel (and Esc) work while a pass runs. The fields turn read-only
    // rather than disabled, so the focus stays where it is.
    for (QWidget *w : {static_cast<QWidget *>(ui->btnValidar), static_cast<QWidget *>(ui->btnConsProtocolo),
                       static_cast<QWidget *>(ui->btnConsMunicipio), static_cast<QWidget *>(ui->btnFechar)})
        w->setEnabled(!bloquear);
    ui->edtProtocolo->setReadOnly(bloquear);
    ui->edtArquivo->setReadOnly(bloquear);
}

void TfrmValidacao::btnValidarClick()
{
    if (m_processando)
        return;
    const QString faltando = Funcoes::VerificaCampos(this);
    if (!faltando.isEmpty()) {
        orva::prompts().error(QStringLiteral("Falta os Dados do Campo ") + faltando);
        return;
    }
    // The declarant and year on screen belong to the protocol accepted last;
    // a number typed after it that did not pass the check must not take its place.
    if (!m_protocolo || m_protocolo->numero != ui->edtProtocolo->text()) {
        orva::prompts().warning(orva::importacao::mensagemProtocoloInvalido());
        return;
    }
    bloqueia(true);
    try {
        ValidaArquivo();
    } catch (...) {
        bloqueia(false);
        throw;
    }
    bloqueia(false);
}

orva::importacao::Acompanhamento TfrmValidacao::acompanhamento()
{
    orva::importacao::Acompanhamento a;
    a.inicio = [this](int total) {
        ui->ProgressBar->setMaximum(std::max(total, 1));
        ui->ProgressBar->setValue(0);
        m_ultimaPintura.invalidate();
    };
    a.andamento = [this](int processados, int erros) { mostraAndamento(processados, erros, false); };
    a.cancelado = [this] { return m_cancelar; };
    a.relatorio = [this](const QString &entrada) { m_relatorioPendente << entrada; };
    a.erro = [this](const orva::importacao::ErroRegistro &erro) { m_marcas.registra(erro); };
    return a;
}

void TfrmValidacao::mostraAndamento(int processados, int erros, bool sempre)
{
    // Painting and processing input for every record would cost more than the
    // record itself: the window does it at most every few milliseconds, which
    // still lets a Cancel click through between two records.
    if (!sempre && m_ultimaPintura.isValid() && m_ultimaPintura.elapsed() < kIntervaloPintura)
        return;
    ui->edtProcessados->setText(QString::number(processados));
    ui->ProgressBar->setValue(std::min(processados, ui->ProgressBar->maximum()));
    ui->edtErros->setText(QString::number(erros));
    descarregaRelatorio();
    QApplication::processEvents();
    m_ultimaPintura.restart();
}

void TfrmValidacao::descarregaRelatorio()
{
    if (m_relatorioPendente.isEmpty())
        return;
    ui->edtLogErro->appendPlainText(m_relatorioPendente.join(QLatin1Char('\n')));
    m_relatorioPendente.clear();
}

void TfrmValidacao::limpaRelatorio()
{
    ui->ProgressBar->setValue(0);
    ui->edtLogErro->clear();
    m_relatorioPendente.clear();
    m_marcas.limpa();
}

void TfrmValidacao::ValidaArquivo()
{
    limpaRelatorio();
    orva::importacao::PassosImportacao passos;
    passos.validacao = acompanhamento();
    const auto inicio = passos.validacao.inicio;
    passos.validacao.inicio = [this, inicio](int total) {
        inicio(total);
        m_cancelar = false;
    };
    passos.importacao = acompanhamento();
    passos.confirmaImportacao = [this](const orva::importacao::Resultado &validacao) {
        descarregaRelatorio();
        mostraAndamento(validacao.processados, validacao.erros, true);
        if (!orva::prompts().question(QStringLiteral("ATENÇÃO"),
                                      QStringLiteral("Iniciar o processo de importação de dados agora ?"),
                                      orva::Prompts::Icon::Warning, orva::Prompts::Button::Yes))
            return false;
        // The report of the import pass replaces the validation's; what is
        // wrong with the file as a whole stays at its top.
        limpaRelatorio();
        m_relatorioPendente << validacao.diagnostico;
        return true;
    };
    // The fields on screen belong to the protocol accepted last.
    orva::importacao::Protocolo protocolo = *m_protocolo;
    protocolo.inscricao = ui->edtInscricao->text();
    protocolo.exercicio = ui->edtExercicio->text();
    const auto e = orva::importacao::executaImportacao(m_importador, *dtmDados, protocolo, ui->edtArquivo->text(), passos);
    descarregaRelatorio();

    using Fim = orva::importacao::Execucao::Fim;
    const orva::importacao::Resultado &r
        = e.fim == Fim::ValidacaoCancelada || e.fim == Fim::ErrosValidacao || e.fim == Fim::ArquivoVazio ? e.validacao
                                                                                                        : e.importacao;
    // The report is read from its top, where the sentences about the whole file stand.
    const auto topoDoRelatorio = [this] {
        ui->edtLogErro->moveCursor(QTextCursor::Start);
        ui->edtLogErro->ensureCursorVisible();
    };
    switch (e.fim) {
    case Fim::Falha:
        if (e.falhaNaImportacao)
            mostraAndamento(e.importacao.processados, e.importacao.erros, true);
        topoDoRelatorio();
        Funcoes::TrataExcecao(orva::Error(e.mensagem));
        if (!ui->edtLogErro->toPlainText().isEmpty())
            ui->PageControl1->setCurrentWidget(ui->tabDetalhes);
        return;
    case Fim::ValidacaoCancelada: orva::prompts().information(QStringLiteral("Validação Cancelada !")); return;
    case Fim::ImportacaoCancelada: orva::prompts().information(QStringLiteral("Importação Cancelada !")); return;
    case Fim::ImportacaoRecusada: return;
    case Fim::ArquivoVazio:
        mostraAndamento(r.processados, r.erros, true);
        topoDoRelatorio();
        orva::prompts().error(e.mensagem);
        ui->PageControl1->setCurrentWidget(ui->tabDetalhes);
        return;
    case Fim::ErrosValidacao:
    case Fim::ErrosImportacao:
    case Fim::Importado: break;
    }
    mostraAndamento(r.processados, r.erros, true);
    topoDoRelatorio();
    if (e.fim == Fim::Importado) {
        if (e.compactacao)
            orva::manutencao::mostraResultado(*e.compactacao);
        orva::prompts().information(orva::importacao::mensagemSemErros());
        return;
    }
    orva::prompts().warning(e.fim == Fim::ErrosValidacao ? orva::importacao::mensagemErrosValidacao()
                                                        : orva::importacao::mensagemErrosImportacao());
    ui->PageControl1->setCurrentWidget(ui->tabDetalhes);
}
