#include "frmnotafiscal.h"
#include "ui_frmnotafiscal.h"

#include "common/prompts.h"
#include "ui/shared/frmconsulta.h"
#include "ui/shell/campodata.h"
#include "ui/shell/conventions.h"
#include "ui/shell/descarte.h"
#include "core/shell/dtmdados.h"
#include "ui/shell/exithandler.h"
#include "ui/shell/funcoes.h"
#include "core/shell/regional.h"
#include "ui/shell/valores.h"
#include "core/stores/notas.h"

#include <QFocusEvent>
#include <QKeyEvent>
#include <QShowEvent>
#include <QTimer>

#include <algorithm>

using orva::stores::Notas;

QString TfrmNotaFiscal::strTabela;

namespace {

const QString &kNaoCadastrado = orva::stores::Tabelas::naoCadastrado;
const QString kTipoNE = QString::fromLatin1(orva::notas::kTipoComOrigem);
// This configuration works on one exercise: its dates.
const QString kPrimeiroDia = QStringLiteral("01/01/2015");
const QString kUltimoDia = QStringLiteral("31/12/2015");
// Typing limits of the value fields and of the emitter, by its kind.
constexpr int kTamanhoValor = 15;
constexpr int kTamanhoInscricao = 14;
constexpr int kTamanhoCpf = 11;


QDate dataCurta(const QString &texto) { return QDate::fromString(texto, QStringLiteral("dd/MM/yyyy")); }


// Enter of a field: focus coming from another control of the window, not
// the window becoming active again after a message box.
bool entradaNoCampo(const QEvent *event)
{
    if (event->type() != QEvent::FocusIn)
        return false;
    switch (static_cast<const QFocusEvent *>(event)->reason()) {
    case Qt::TabFocusReason:
    case Qt::BacktabFocusReason:
    case Qt::MouseFocusReason:
    case Qt::OtherFocusReason:
        return true;
    default:
        return false;
    }
}

// Date pickers take digits, "/" and the keys that type nothing (Backspace,
// arrows, Tab); any other character beeps and is dropped.
bool teclaRecusadaNaData(const QEvent *event)
{
    if (event->type() != QEvent::KeyPress)
        return false;
    const auto *key = static_cast<const QKeyEvent *>(event);
    if (key->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))
        return false;
    const QString texto = key->text();
    return std::any_of(texto.begin(), texto.end(),
                       [](QChar c) { return c.isPrint() && !(c >= u'0' && c <= u'9') && c != u'/'; });
}


} // namespace

TfrmNotaFiscal::TfrmNotaFiscal(QWidget *parent)
    : QDialog(parent), ui(std::make_unique<Ui::frmNotaFiscal>()), m_notas(TdtmDados::Conexao())
{
    ui->setupUi(this);
    // The origin block appears when the window is shown.
    ui->Panel5->hide();
    ui->cmbTipoNFOrigem->setCurrentIndex(-1);
    ui->cmbTipoNFOrigem->lineEdit()->setMaxLength(2);
    DefineDatas();
    orva::ui::applyWindowConventions(this);
    orva::ui::ignoreEscape(this); // only "Fechar" closes: nothing typed is lost to a stray Esc
    orva::ui::guardTypedChanges(this);

    for (QLineEdit *campo : {ui->edtProtocolo, ui->edtInscricao, ui->edtMunicipio, ui->edtNotaFiscal,
                             ui->edtEmitenteOrigem, ui->edtNotaFiscalOrigem})
        orva::ui::makeDigitField(campo);
    for (QLineEdit *campo : {ui->edtValorNotaFiscal, ui->edtValorNfOrigem}) {
        orva::ui::makeAmountField(campo);
        // A grouped amount may have widened the field; an empty one types
        // within the usual limit again.
        connect(campo, &QLineEdit::textChanged, this, [campo](const QString &texto) {
            if (texto.isEmpty())
                campo->setMaxLength(kTamanhoValor);
        });
    }
    ui->dtpEmissao->installEventFilter(this);
    ui->dtpEmissaoOrigem->installEventFilter(this);
    orva::ui::makeDateField(ui->dtpEmissao);
    orva::ui::makeDateField(ui->dtpEmissaoOrigem);
    ui->edtTipoEntrada->setMouseTracking(true);
    ui->edtTipoEntrada->installEventFilter(this);
    ui->edtEmitenteOrigem->installEventFilter(this);

    orva::ui::onExit(ui->edtProtocolo, [this] { edtProtocoloExit(); });
    orva::ui::onExit(ui->edtInscricao, [this] { edtInscricaoExit(); });
    orva::ui::onExit(ui->edtMunicipio, [this] { edtMunicipioExit(); });
    orva::ui::onExit(ui->edtTipoEntrada, [this] { edtTipoEntradaExit(); });
    orva::ui::onExit(ui->edtNotaFiscal, [this] { edtNotaFiscalExit(); });
    orva::ui::onExit(ui->edtValorNotaFiscal, [this] { edtValorNotaFiscalExit(); });
    orva::ui::onExit(ui->edtEmitenteOrigem, [this] { edtEmitenteOrigemExit(); });
    orva::ui::onExit(ui->edtMunicipioOrigem, [this] { edtMunicipioOrigemExit(); });
    orva::ui::onExit(ui->cmbTipoNFOrigem, [this] { cmbTipoNFOrigemExit(); });
    orva::ui::onExit(ui->edtNotaFiscalOrigem, [this] { edtNotaFiscalOrigemExit(); });
    orva::ui::onExit(ui->edtValorNfOrigem, [this] { edtValorNfOrigemExit(); });

    connect(ui->btnNovo, &QPushButton::clicked, this, &TfrmNotaFiscal::btnNovoClick);
    connect(ui->btnConsulta, &QPushButton::clicked, this, &TfrmNotaFiscal::btnConsultaClick);
    connect(ui->btnFechar, &QPushButton::clicked, this, &TfrmNotaFiscal::btnFecharClick);
    connect(ui->btnConsProtocolo, &QToolButton::clicked, this, &TfrmNotaFiscal::btnConsProtocoloClick);
    connect(ui->btnConsTipoEntrada, &QToolButton::clicked, this, &TfrmNotaFiscal::btnConsTipoEntradaClick);
    connect(ui->btnGravar, &QPushButton::clicked, this, &TfrmNotaFiscal::btnGravarClick);
    connect(ui->btnExcluir, &QPushButton::clicked, this, &TfrmNotaFiscal::btnExcluirClick);
    connect(ui->btnConsEmitenteOrigem, &QToolButton::clicked, this, &TfrmNotaFiscal::btnConsEmitenteOrigemClick);
    connect(ui->btnConsMunicipioOrigem, &QToolButton::clicked, this, &TfrmNotaFiscal::btnConsMunicipioOrigemClick);
}

TfrmNotaFiscal::~TfrmNotaFiscal() = default;

void TfrmNotaFiscal::Abre(QWidget *parent)
{
    TfrmNotaFiscal frm(parent);
    DefineTabela(QStringLiteral("Dados"));
    orva::prompts().execModal(frm);
}

void TfrmNotaFiscal::DefineTabela(const QString &tabela) { strTabela = tabela; }

// --- Showing and closing ----------------------------------------------------

void TfrmNotaFiscal::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (!m_shown && !event->spontaneous()) {
        m_shown = true;
        FormShow();
    }
}

void TfrmNotaFiscal::FormShow()
{
    if (strTabela.isEmpty()) {
        orva::prompts().error(QStringLiteral("Falta de parametro strTabela !"));
        QTimer::singleShot(0, this, &QDialog::reject);
        return;
    }
    Funcoes::LimpaCampos(this);
    ui->edtExercicio->setText(orva::stores::kExercicio);
    DefineDatas();
    ObrigaNotaOrigem();
    ui->edtProtocolo->setFocus(Qt::OtherFocusReason);
}

void TfrmNotaFiscal::done(int result)
{
    FormClose();
    QDialog::done(result);
}

void TfrmNotaFiscal::FormClose()
{
    // The store leaves no statement open between actions: nothing to close.
}

bool TfrmNotaFiscal::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == ui->dtpEmissao || watched == ui->dtpEmissaoOrigem) {
        if (teclaRecusadaNaData(event)) {
            orva::prompts().beep();
            return true;
        }
    } else if (watched == ui->edtTipoEntrada) {
        if (event->type() == QEvent::MouseMove)
            edtTipoEntradaMouseMove();
    } else if (watched == ui->edtEmitenteOrigem) {
        if (entradaNoCampo(event) && !m_entering) {
            m_entering = true;
            edtEmitenteOrigemEnter();
            m_entering = false;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void TfrmNotaFiscal::DefineDatas()
{
    for (QDateEdit *dtp : {ui->dtpEmissao, ui->dtpEmissaoOrigem}) {
        dtp->setDateRange(dataCurta(kPrimeiroDia), dataCurta(kUltimoDia));
        dtp->setDate(dataCurta(kPrimeiroDia));
    }
}

void TfrmNotaFiscal::PoeTexto(QLineEdit *campo, const QString &texto)
{
    if (texto.size() > campo->maxLength())
        campo->setMaxLength(int(texto.size()));
    campo->setText(texto);
}

// --- Protocol, declarant, municipality, type -------------------------------

void TfrmNotaFiscal::VerificaProtocolo()
{
    std::optional<orva::stores::ProtocoloAberto> protocolo;
    try {
        protocolo = m_notas.protocoloAberto(ui->edtProtocolo->text());
    } catch (const orva::Error &e) {
        orva::prompts().error(e.message());
        return;
    }
    if (!protocolo) {
        orva::prompts().warning(Notas::kProtocoloInvalido);
        return;
    }
    const QString municipio = protocolo->municipio;

    ui->edtExercicio->setText(protocolo->exercicio);
    ui->edtInscricao->setText(protocolo->inscricao);
    edtInscricaoExit();
    ui->lblTipoEntrega->setText(Funcoes::BuscaDescricao(QStringLiteral("Tipo_Entrega"), QStringLiteral("Codigo"),
                                                        protocolo->tipoEntrega, QStringLiteral("Descricao")));
    ui->edtMunicipio->setText(municipio);
    if (!municipio.isEmpty())
        edtMunicipioExit();
    ui->edtTipoEntrada->setText(kTipoNE);
    edtTipoEntradaExit();
    orva::ui::focusLater(ui->edtNotaFiscal);
}

void TfrmNotaFiscal::edtProtocoloExit()
{
    if (!ui->edtProtocolo->text().isEmpty())
        VerificaProtocolo();
}

void TfrmNotaFiscal::edtInscricaoExit()
{
    if (ui->edtInscricao->text().isEmpty())
        return;
    // Only companies that declare invoices; a failed lookup leaves the name blank.
    QString nome;
    try {
        nome = m_notas.declarante(ui->edtInscricao->text());
    } catch (const orva::Error &e) {
        orva::prompts().error(e.message());
    }
    ui->lblNomeEmpresa->setText(nome);
    if (ui->lblNomeEmpresa->text() == kNaoCadastrado)
        ui->edtInscricao->clear();
}

void TfrmNotaFiscal::edtMunicipioExit()
{
    if (!ui->edtMunicipio->text().isEmpty())
        ui->lblNomeMunicipio->setText(Funcoes::BuscaDescricao(QStringLiteral("Municipios"), QStringLiteral("Codigo"),
                                                              ui->edtMunicipio->text(), QStringLiteral("Descricao")));
    if (ui->lblNomeMunicipio->text() == kNaoCadastrado)
        ui->edtMunicipio->clear();
}

void TfrmNotaFiscal::edtTipoEntradaExit()
{
    if (!ui->edtTipoEntrada->text().isEmpty()) {
        ui->edtTipoEntrada->setText(ui->edtTipoEntrada->text().toUpper());
        ui->lblNomeTipoEntrada->setText(Funcoes::BuscaDescricao(QStringLiteral("Tipo_Entrada"), QStringLiteral("Codigo"),
                                                                ui->edtTipoEntrada->text(), QStringLiteral("Descricao")));
    }
    if (ui->lblNomeTipoEntrada->text() == kNaoCadastrado)
        ui->edtTipoEntrada->clear();
    ObrigaNotaOrigem();
}

void TfrmNotaFiscal::edtTipoEntradaMouseMove()
{
    ui->edtTipoEntrada->setToolTip(QStringLiteral("Tipo da Nota\nNP (Nota de Produtor)\nNA (Nota Fiscal Avulsa)\n"
                                                  "NE (Nota de Entrada do Declarante)"));
}

// --- The invoice --------------------------------------------------------------

orva::stores::ChaveNota TfrmNotaFiscal::Chave() const
{
    return {ui->edtInscricao->text(), ui->edtExercicio->text(), ui->edtMunicipio->text(), ui->edtNotaFiscal->text(),
            ui->edtTipoEntrada->text()};
}

void TfrmNotaFiscal::edtNotaFiscalExit()
{
    if (ui->edtNotaFiscal->text().isEmpty())
        return;
    ui->edtNotaFiscal->setText(Funcoes::ZerosEsquerda(ui->edtNotaFiscal->text(), ui->edtNotaFiscal->maxLength()));
    CarregaNotaFiscal();
}

void TfrmNotaFiscal::CarregaNotaFiscal()
{
    std::optional<orva::stores::NotaGravada> nota;
    try {
        nota = m_notas.carrega(Chave());
    } catch (const orva::Error &e) {
        orva::prompts().error(e.message());
        return;
    }
    if (!nota) {
        ui->edtValorNotaFiscal->clear();
        LimpaNotaOrigem();
        return;
    }
    const QDate emissao = dataCurta(nota->emissao);
    if (emissao.isValid())
        ui->dtpEmissao->setDate(emissao);
    PoeTexto(ui->edtValorNotaFiscal, nota->valor);
    if (nota->chave.tipo == kTipoNE)
        CarregaNotaOrigem(nota->origem);
}

void TfrmNotaFiscal::edtValorNotaFiscalExit()
{
    // A grouped amount the field wrote itself ("1.234,56") is read again as
    // it stands; anything that is no amount gets the same warning as zero.
    orva::ui::validaValorPositivo(ui->edtValorNotaFiscal, Notas::kValorZero);
}

void TfrmNotaFiscal::GravaNotaFiscal()
{
    const QString tipo = ui->edtTipoEntrada->text();
    orva::stores::NotaFiscal nota{Chave(), ui->edtProtocolo->text(), orva::regional::formatDate(ui->dtpEmissao->date()),
                                  ui->edtValorNotaFiscal->text(), {}};
    orva::notas::BlocoOrigem &bloco = nota.origem;
    bloco.municipio = ui->edtMunicipioOrigem->text();
    bloco.cpf = ui->rbtCpfOrigem->isChecked();
    bloco.emitente = ui->edtEmitenteOrigem->text();
    bloco.tamanhoEmitente = ui->edtEmitenteOrigem->maxLength();
    bloco.tipoNf = ui->cmbTipoNFOrigem->currentText();
    bloco.nota = ui->edtNotaFiscalOrigem->text();
    bloco.data = ui->dtpEmissaoOrigem->date();
    bloco.valor = ui->edtValorNfOrigem->text();
    try {
        const auto gravacao = m_notas.grava(nota);
        if (!gravacao.gravada()) {
            orva::prompts().error(gravacao.recusa);
            return;
        }
    } catch (const orva::Error &e) {
        orva::prompts().error(e.message());
        return;
    }
    orva::prompts().information(QStringLiteral("Registro Gravado !"));

    // The next invoice starts on the same protocol and type.
    const QString protocolo = ui->edtProtocolo->text();
    const QString inscricao = ui->edtInscricao->text();
    const QString exercicio = ui->edtExercicio->text();
    const QString municipio = ui->edtMunicipio->text();
    Funcoes::LimpaCampos(this);
    ui->edtProtocolo->setText(protocolo);
    VerificaProtocolo();
    ui->edtInscricao->setText(inscricao);
    ui->edtExercicio->setText(exercicio);
    ui->edtTipoEntrada->setText(tipo);
    if (!tipo.isEmpty())
        edtTipoEntradaExit();
    ui->edtMunicipio->setText(municipio);
}

void TfrmNotaFiscal::ExcluiNotaFiscal()
{
    const QString protocolo = ui->edtProtocolo->text();
    try {
        m_notas.exclui(Chave(), protocolo);
    } catch (const orva::Error &e) {
        orva::prompts().error(e.message());
        return;
    }

    const QString inscricao = ui->edtInscricao->text();
    const QString exercicio = ui->edtExercicio->text();
    const QString tipo = ui->edtTipoEntrada->text();
    const QString municipio = ui->edtMunicipio->text();
    Funcoes::LimpaCampos(this);
    ui->edtProtocolo->setText(protocolo);
    ui->edtInscricao->setText(inscricao);
    ui->edtExercicio->setText(exercicio);
    ui->edtTipoEntrada->setText(tipo);
    if (!tipo.isEmpty())
        edtTipoEntradaExit();
    ui->edtMunicipio->setText(municipio);
    VerificaProtocolo();
}

// --- Buttons ------------------------------------------------------------------

bool TfrmNotaFiscal::CamposCompletos()
{
    const QString falta = Funcoes::VerificaCampos(this);
    if (falta.isEmpty())
        return true;
    orva::prompts().error(Notas::kFaltaCampo + falta);
    return false;
}

void TfrmNotaFiscal::btnGravarClick()
{
    // A date still being typed is completed first, or nothing is saved.
    if (!orva::ui::confirmDate(ui->dtpEmissao) || !orva::ui::confirmDate(ui->dtpEmissaoOrigem))
        return;
    // The store refuses an entry note whose origin value differs.
    if (CamposCompletos())
        GravaNotaFiscal();
}

void TfrmNotaFiscal::btnExcluirClick()
{
    if (!CamposCompletos())
        return;
    if (!orva::prompts().question(QStringLiteral("ATENÇÃO"), QStringLiteral("Deseja mesmo Apagar o registro atual ?"),
                                  orva::Prompts::Icon::Warning, orva::Prompts::Button::Yes))
        return;
    ExcluiNotaFiscal();
}

void TfrmNotaFiscal::btnNovoClick()
{
    Funcoes::LimpaCampos(this);
    ui->edtExercicio->setText(orva::stores::kExercicio);
    DefineDatas();
    ui->edtProtocolo->setFocus(Qt::OtherFocusReason);
}

void TfrmNotaFiscal::btnFecharClick() { reject(); }

void TfrmNotaFiscal::btnConsultaClick()
{
    if (!frmConsulta)
        return;
    frmConsulta->DefineTabela(QStringLiteral("vwNotaFiscal"));
    // Protocol and invoice number; the view also returns the type.
    frmConsulta->DefineColunas(16, 3);
    const EscolhaConsulta escolha = frmConsulta->Executa();
    ui->edtProtocolo->setText(escolha.codigo);
    ui->edtNotaFiscal->setText(escolha.descricao);
    if (!ui->edtProtocolo->text().isEmpty())
        VerificaProtocolo();
    // The chosen invoice is looked up with its own type, which comes back
    // apart from the two columns (none when nothing was chosen).
    ui->edtTipoEntrada->setText(escolha.extra);
    if (!ui->edtNotaFiscal->text().isEmpty())
        edtNotaFiscalExit();
    if (!ui->edtTipoEntrada->text().isEmpty())
        edtTipoEntradaExit();
    orva::ui::focusLater(ui->edtValorNotaFiscal);
}

void TfrmNotaFiscal::btnConsProtocoloClick()
{
    if (!frmConsulta)
        return;
    frmConsulta->DefineTabela(QStringLiteral("Protocolo"));
    frmConsulta->DefineFiltro(QStringLiteral("Tipo_Protocolo"), QStringLiteral("0"));
    const EscolhaConsulta escolha = frmConsulta->Executa();
    ui->edtProtocolo->setText(escolha.codigo);
    edtProtocoloExit();
}

void TfrmNotaFiscal::btnConsTipoEntradaClick()
{
    if (!frmConsulta)
        return;
    frmConsulta->DefineTabela(QStringLiteral("Tipo_Entrada"));
    frmConsulta->DefineAutoConsulta(1);
    const EscolhaConsulta escolha = frmConsulta->Executa();
    ui->edtTipoEntrada->setText(escolha.codigo);
    edtTipoEntradaExit();
}

// --- The origin note block ----------------------------------------------------

void TfrmNotaFiscal::ObrigaNotaOrigem()
{
    ui->Panel5->setVisible(true);
    for (QWidget *campo : std::initializer_list<QWidget *>{ui->edtMunicipioOrigem, ui->edtEmitenteOrigem,
                                                           ui->cmbTipoNFOrigem, ui->edtNotaFiscalOrigem,
                                                           ui->dtpEmissaoOrigem, ui->edtValorNfOrigem})
        orva::ui::setTag(campo, 1);
}

void TfrmNotaFiscal::LimpaNotaOrigem()
{
    ui->edtMunicipioOrigem->clear();
    ui->edtEmitenteOrigem->clear();
    ui->edtNotaFiscalOrigem->clear();
    ui->edtValorNfOrigem->clear();
    ui->cmbTipoNFOrigem->setCurrentIndex(-1);
    ui->cmbTipoNFOrigem->clearEditText();
    ui->rbtInscEstOrigem->setChecked(true);
}

void TfrmNotaFiscal::CarregaNotaOrigem(const orva::notas::ValoresOrigem &origem)
{
    ui->edtMunicipioOrigem->setText(origem.municipio);
    DefineTipoNfOrigem(origem.tipoNf);
    if (origem.tipoEmitente == static_cast<int>(orva::notas::TipoEmitente::InscricaoEstadual))
        ui->rbtInscEstOrigem->setChecked(true);
    else
        ui->rbtCpfOrigem->setChecked(true);
    PoeTexto(ui->edtEmitenteOrigem, origem.emitente);
    ui->edtNotaFiscalOrigem->setText(origem.nota);
    const QDate emissao = dataCurta(origem.data);
    if (emissao.isValid())
        ui->dtpEmissaoOrigem->setDate(emissao);
    PoeTexto(ui->edtValorNfOrigem, origem.valor);
}

void TfrmNotaFiscal::DefineTipoNfOrigem(const QString &tipo)
{
    const int item = ui->cmbTipoNFOrigem->findText(tipo);
    if (item >= 0) {
        ui->cmbTipoNFOrigem->setCurrentIndex(item);
    } else {
        ui->cmbTipoNFOrigem->setCurrentIndex(-1);
        ui->cmbTipoNFOrigem->setEditText(tipo);
    }
}

void TfrmNotaFiscal::edtEmitenteOrigemEnter()
{
    // A producer's note is issued by someone with a state registration.
    if (ui->cmbTipoNFOrigem->currentText() == QLatin1String("NP") && !ui->rbtInscEstOrigem->isChecked()) {
        orva::prompts().information(orva::notas::kEmitenteSemInscricao);
        ui->rbtInscEstOrigem->setChecked(true);
    }
    const int tamanho = ui->rbtInscEstOrigem->isChecked() ? kTamanhoInscricao : kTamanhoCpf;
    // Limits what is typed from now on; a longer text already there stays.
    ui->edtEmitenteOrigem->setMaxLength(std::max(tamanho, int(ui->edtEmitenteOrigem->text().size())));
}

void TfrmNotaFiscal::edtEmitenteOrigemExit()
{
    QLineEdit *emitente = ui->edtEmitenteOrigem;
    if (emitente->text().isEmpty())
        return;

    // Found among the producers, the emitter brings its municipality; a
    // failed lookup leaves the municipality blank.
    const auto produtor = [this](bool cpf) {
        QString municipio;
        try {
            municipio = m_notas.municipioDoProdutor(ui->edtEmitenteOrigem->text(), cpf);
        } catch (const orva::Error &e) {
            orva::prompts().error(e.message());
        }
        ui->edtMunicipioOrigem->setText(municipio);
        edtMunicipioOrigemExit();
        DefineTipoNfOrigem(QStringLiteral("NP"));
        orva::ui::focusLater(ui->edtNotaFiscalOrigem);
    };

    // The kind is read after each step: the first may change the selection.
    if (ui->rbtCpfOrigem->isChecked()) {
        if (const auto recusa = orva::notas::recusaEmitente(emitente->text(), true)) {
            orva::prompts().error(*recusa);
            orva::ui::focusLater(emitente);
        } else {
            produtor(true);
        }
    }
    if (ui->rbtInscEstOrigem->isChecked()) {
        emitente->setText(Funcoes::ZerosEsquerda(emitente->text(), emitente->maxLength()));
        if (const auto recusa = orva::notas::recusaEmitente(emitente->text(), false)) {
            orva::prompts().error(*recusa);
            orva::ui::focusLater(emitente);
        } else {
            produtor(false);
        }
    }
}

void TfrmNotaFiscal::btnConsEmitenteOrigemClick()
{
    if (!frmConsulta)
        return;
    frmConsulta->DefineTabela(QStringLiteral("Produtor"));
    // By CPF: the CPF column first, then the name.
    if (ui->rbtCpfOrigem->isChecked())
        frmConsulta->DefineColunas(3, 2);
    const EscolhaConsulta escolha = frmConsulta->Executa();
    PoeTexto(ui->edtEmitenteOrigem, escolha.codigo);
    edtEmitenteOrigemExit();
}

void TfrmNotaFiscal::edtMunicipioOrigemExit()
{
    if (!ui->edtMunicipioOrigem->text().isEmpty())
        ui->lblNomeMunicipioOrigem->setText(Funcoes::BuscaDescricao(QStringLiteral("Municipios"),
                                                                    QStringLiteral("Codigo"),
                                                                    ui->edtMunicipioOrigem->text(),
                                                                    QStringLiteral("Descricao")));
    if (ui->lblNomeMunicipioOrigem->text() == kNaoCadastrado)
        ui->edtMunicipioOrigem->clear();
}

void TfrmNotaFiscal::btnConsMunicipioOrigemClick()
{
    if (!frmConsulta)
        return;
    frmConsulta->DefineTabela(QStringLiteral("Municipios"));
    frmConsulta->DefineAutoConsulta(1);
    const EscolhaConsulta escolha = frmConsulta->Executa();
    ui->edtMunicipioOrigem->setText(escolha.codigo);
}

void TfrmNotaFiscal::cmbTipoNFOrigemExit()
{
    const QString tipo = ui->cmbTipoNFOrigem->currentText().toUpper();
    DefineTipoNfOrigem(tipo);
    if (!orva::notas::tipoNfValido(tipo)) {
        orva::prompts().warning(orva::notas::kTipoNfInvalido);
        orva::ui::focusLater(ui->cmbTipoNFOrigem);
    }
}

void TfrmNotaFiscal::edtNotaFiscalOrigemExit()
{
    if (!ui->edtNotaFiscalOrigem->text().isEmpty())
        ui->edtNotaFiscalOrigem->setText(
            Funcoes::ZerosEsquerda(ui->edtNotaFiscalOrigem->text(), ui->edtNotaFiscalOrigem->maxLength()));
}

void TfrmNotaFiscal::edtValorNfOrigemExit()
{
    QLineEdit *valor = ui->edtValorNfOrigem;
    if (valor->text().isEmpty())
        return;
    // As the invoice value, but the user goes on to the save button either way.
    const auto numero = orva::stores::valorPositivo(valor->text());
    if (numero)
        PoeTexto(valor, orva::regional::formatAmount(*numero));
    else if (orva::regional::parseAmount(valor->text()))
        orva::prompts().warning(orva::notas::kValorOrigemZero);
    else
        orva::prompts().warning(orva::ui::naoENumero(valor));
    orva::ui::focusLater(ui->btnGravar);
}

// --- Controls -------------------------------------------------------------------

QPushButton *TfrmNotaFiscal::btnNovo() const { return ui->btnNovo; }
QPushButton *TfrmNotaFiscal::btnConsulta() const { return ui->btnConsulta; }
QPushButton *TfrmNotaFiscal::btnFechar() const { return ui->btnFechar; }
QLineEdit *TfrmNotaFiscal::edtProtocolo() const { return ui->edtProtocolo; }
QToolButton *TfrmNotaFiscal::btnConsProtocolo() const { return ui->btnConsProtocolo; }
QLabel *TfrmNotaFiscal::lblTipoEntrega() const { return ui->lblTipoEntrega; }
QGroupBox *TfrmNotaFiscal::grpDeclarante() const { return ui->grpDeclarante; }
QLineEdit *TfrmNotaFiscal::edtExercicio() const { return ui->edtExercicio; }
QLineEdit *TfrmNotaFiscal::edtInscricao() const { return ui->edtInscricao; }
QLabel *TfrmNotaFiscal::lblNomeEmpresa() const { return ui->lblNomeEmpresa; }
QLineEdit *TfrmNotaFiscal::edtMunicipio() const { return ui->edtMunicipio; }
QLabel *TfrmNotaFiscal::lblNomeMunicipio() const { return ui->lblNomeMunicipio; }
QLineEdit *TfrmNotaFiscal::edtTipoEntrada() const { return ui->edtTipoEntrada; }
QToolButton *TfrmNotaFiscal::btnConsTipoEntrada() const { return ui->btnConsTipoEntrada; }
QLabel *TfrmNotaFiscal::lblNomeTipoEntrada() const { return ui->lblNomeTipoEntrada; }
QLineEdit *TfrmNotaFiscal::edtNotaFiscal() const { return ui->edtNotaFiscal; }
QDateEdit *TfrmNotaFiscal::dtpEmissao() const { return ui->dtpEmissao; }
QLineEdit *TfrmNotaFiscal::edtValorNotaFiscal() const { return ui->edtValorNotaFiscal; }
QGroupBox *TfrmNotaFiscal::Panel5() const { return ui->Panel5; }
QRadioButton *TfrmNotaFiscal::rbtInscEstOrigem() const { return ui->rbtInscEstOrigem; }
QRadioButton *TfrmNotaFiscal::rbtCpfOrigem() const { return ui->rbtCpfOrigem; }
QLineEdit *TfrmNotaFiscal::edtEmitenteOrigem() const { return ui->edtEmitenteOrigem; }
QToolButton *TfrmNotaFiscal::btnConsEmitenteOrigem() const { return ui->btnConsEmitenteOrigem; }
QLineEdit *TfrmNotaFiscal::edtMunicipioOrigem() const { return ui->edtMunicipioOrigem; }
QToolButton *TfrmNotaFiscal::btnConsMunicipioOrigem() const { return ui->btnConsMunicipioOrigem; }
QLabel *TfrmNotaFiscal::lblNomeMunicipioOrigem() const { return ui->lblNomeMunicipioOrigem; }
QComboBox *TfrmNotaFiscal::cmbTipoNFOrigem() const { return ui->cmbTipoNFOrigem; }
QLineEdit *TfrmNotaFiscal::edtNotaFiscalOrigem() const { return ui->edtNotaFiscalOrigem; }
QDateEdit *TfrmNotaFiscal::dtpEmissaoOrigem() const { return ui->dtpEmissaoOrigem; }
QLineEdit *TfrmNotaFiscal::edtValorNfOrigem() const { return ui->edtValorNfOrigem; }
QPushButton *TfrmNotaFiscal::btnGravar() const { return ui->btnGravar; }
QPushButton *TfrmNotaFiscal::btnExcluir() const { return ui->btnExcluir; }
