#include "frmnotafiscal.h"
#include "ui_frmnotafiscal.h"

#include "common/prompts.h"
#include "entries/notaorigem.h"
#include "registrations/frmconsulta.h"
#include "shell/campodata.h"
#include "shell/conventions.h"
#include "shell/db/sqltexto.h"
#include "shell/dtmdados.h"
#include "shell/exithandler.h"
#include "shell/funcoes.h"
#include "shell/regional.h"
#include "shell/valores.h"

#include <QFocusEvent>
#include <QKeyEvent>
#include <QShowEvent>
#include <QTimer>

#include <algorithm>

using orva::db::ParamKind;

QString TfrmNotaFiscal::strTabela;

namespace {

const QString kNaoCadastrado = QStringLiteral("Não Cadastrado");
const QString kTipoNE = QString::fromLatin1(orva::notas::kTipoComOrigem);
// This configuration works on one exercise: its year and its dates.
const QString kExercicio = QStringLiteral("2015");
const QString kPrimeiroDia = QStringLiteral("01/01/2015");
const QString kUltimoDia = QStringLiteral("31/12/2015");
// Typing limits of the value fields and of the emitter, by its kind.
constexpr int kTamanhoValor = 15;
constexpr int kTamanhoInscricao = 14;
constexpr int kTamanhoCpf = 11;


QDate dataCurta(const QString &texto) { return QDate::fromString(texto, QStringLiteral("dd/MM/yyyy")); }


// The protocol number as it goes, unquoted, into a statement.
QString numeroProtocolo(const QString &texto)
{
    if (!Funcoes::SoDigitos(texto))
        throw orva::Error(QStringLiteral("'%1' não é um número de protocolo válido.").arg(texto));
    return texto;
}

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

TfrmNotaFiscal::TfrmNotaFiscal(QWidget *parent) : QDialog(parent), ui(std::make_unique<Ui::frmNotaFiscal>())
{
    ui->setupUi(this);
    // The origin block appears when the window is shown.
    ui->Panel5->hide();
    ui->cmbTipoNFOrigem->setCurrentIndex(-1);
    ui->cmbTipoNFOrigem->lineEdit()->setMaxLength(2);
    DefineDatas();
    orva::ui::applyWindowConventions(this);
    orva::ui::ignoreEscape(this); // only "Fechar" closes: nothing typed is lost to a stray Esc

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

orva::db::Query &TfrmNotaFiscal::ADOQuery1()
{
    if (!m_query1)
        m_query1 = std::make_unique<orva::db::Query>(TdtmDados::Conexao());
    return *m_query1;
}

orva::db::Command &TfrmNotaFiscal::ADOCommand()
{
    if (!m_command)
        m_command = std::make_unique<orva::db::Command>(TdtmDados::Conexao());
    return *m_command;
}

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
    ui->edtExercicio->setText(kExercicio);
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
    if (m_query1)
        m_query1->close();
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
    const QString protocolo = ui->edtProtocolo->text();
    bool achou = false;
    QString exercicio, inscricao, tipoEntrega, municipio;
    if (Funcoes::SoDigitos(protocolo)) {
        try {
            orva::db::Query &q = ADOQuery1();
            q.close();
            q.parameters().clear();
            q.setSql(QStringLiteral("Select * From Protocolo Where Protocolo = ") + protocolo
                     + QStringLiteral(" And DtTransmissao is Null") + QStringLiteral(" And Tipo_Protocolo = 0"));
            q.open();
            achou = !q.eof();
            if (achou) {
                exercicio = q.fieldByName(QStringLiteral("Exercicio")).asString();
                inscricao = q.fieldByName(QStringLiteral("Inscricao")).asString();
                tipoEntrega = q.fieldByName(QStringLiteral("Tipo_Entrega")).asString();
                municipio = q.fieldByName(QStringLiteral("Municipio")).asString();
            }
            q.close();
        } catch (const orva::Error &e) {
            orva::prompts().error(e.message());
            return;
        }
    }
    if (!achou) {
        orva::prompts().warning(QStringLiteral("Este número de protocolo não existe, \n"
                                               "ja foi entregue, ou o é um protocolo de Rateio !"));
        return;
    }

    ui->edtExercicio->setText(exercicio);
    ui->edtInscricao->setText(inscricao);
    edtInscricaoExit();
    ui->lblTipoEntrega->setText(Funcoes::BuscaDescricao(QStringLiteral("Tipo_Entrega"), QStringLiteral("Codigo"),
                                                        tipoEntrega, QStringLiteral("Descricao")));
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
    // Only companies that declare invoices (declaration type 0).
    ui->lblNomeEmpresa->setText(Funcoes::BuscaDescricaoChaves(QStringLiteral("Empresa"), QStringLiteral("Inscricao"),
                                                              ui->edtInscricao->text(), QStringLiteral("TIPO_DECLARA"),
                                                              QStringLiteral("0"), QStringLiteral("Razao")));
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

QString TfrmNotaFiscal::CondicaoChave() const
{
    return QStringLiteral(" Where Inscricao = ") + orva::db::textoSql(ui->edtInscricao->text())
        + QStringLiteral(" And Exercicio = ") + orva::db::textoSql(ui->edtExercicio->text())
        + QStringLiteral(" And Municipio = ") + orva::db::textoSql(ui->edtMunicipio->text())
        + QStringLiteral(" And NF = ") + orva::db::textoSql(ui->edtNotaFiscal->text())
        + QStringLiteral(" And TIPO = ") + orva::db::textoSql(ui->edtTipoEntrada->text());
}

bool TfrmNotaFiscal::ConsultaNota()
{
    orva::db::Query &q = ADOQuery1();
    q.close();
    q.parameters().clear();
    q.setSql(QStringLiteral("Select * From NOTAS") + CondicaoChave());
    q.open();
    return !q.eof();
}

bool TfrmNotaFiscal::DoProtocoloAtual(const QString &protocoloDaNota) const
{
    // "0012" typed is protocol 12, as the protocol check itself reads it.
    const QString atual = ui->edtProtocolo->text();
    bool okNota = false, okAtual = false;
    const qlonglong nota = protocoloDaNota.toLongLong(&okNota);
    const qlonglong tela = atual.toLongLong(&okAtual);
    if (okNota && okAtual)
        return nota == tela;
    return protocoloDaNota == atual;
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
    try {
        if (!ConsultaNota()) {
            ADOQuery1().close();
            ui->edtValorNotaFiscal->clear();
            LimpaNotaOrigem();
            return;
        }
        orva::db::Query &q = ADOQuery1();
        const QDate emissao = dataCurta(q.fieldByName(QStringLiteral("DTA_EMIT_NF")).asString());
        if (emissao.isValid())
            ui->dtpEmissao->setDate(emissao);
        PoeTexto(ui->edtValorNotaFiscal, q.fieldByName(QStringLiteral("VALOR_NF")).asString());
        if (q.fieldByName(QStringLiteral("Tipo")).asString() == kTipoNE)
            CarregaNotaOrigem();
        q.close();
    } catch (const orva::Error &e) {
        orva::prompts().error(e.message());
    }
}

void TfrmNotaFiscal::edtValorNotaFiscalExit()
{
    // A grouped amount the field wrote itself ("1.234,56") is read again as
    // it stands; anything that is no amount gets the same warning as zero.
    orva::ui::validaValorPositivo(ui->edtValorNotaFiscal, QStringLiteral("O valor da Nota Fiscal deve ser maior que ZERO !"));
}

void TfrmNotaFiscal::GravaNotaFiscal()
{
    const QString tipo = ui->edtTipoEntrada->text();
    try {
        const bool existe = ConsultaNota();
        const QString protocoloDaNota =
            existe ? ADOQuery1().fieldByName(QStringLiteral("Protocolo")).asString() : QString();
        ADOQuery1().close();

        orva::db::Command &cmd = ADOCommand();
        orva::db::Parameters &p = cmd.parameters();
        p.clear();
        p.add(QStringLiteral("pInscricao"), ParamKind::Text).setValue(ui->edtInscricao->text());
        p.add(QStringLiteral("pExercicio"), ParamKind::Text).setValue(ui->edtExercicio->text());
        p.add(QStringLiteral("pMunicipio"), ParamKind::Text).setValue(ui->edtMunicipio->text());
        p.add(QStringLiteral("pNotaFiscal"), ParamKind::Text).setValue(ui->edtNotaFiscal->text());
        p.add(QStringLiteral("pDtEmissao"), ParamKind::Date).setValue(orva::regional::formatDate(ui->dtpEmissao->date()));
        p.add(QStringLiteral("pTipo"), ParamKind::Text).setValue(tipo);
        // The amount as shown; the parameter reads "1.234,56" as 1234.56.
        p.add(QStringLiteral("pValorNF"), ParamKind::Float).setValue(ui->edtValorNotaFiscal->text());
        p.add(QStringLiteral("pTipoEmitente"), ParamKind::Integer).setValue(1);

        orva::notas::BlocoOrigem bloco;
        bloco.municipio = ui->edtMunicipioOrigem->text();
        bloco.cpf = ui->rbtCpfOrigem->isChecked();
        bloco.emitente = ui->edtEmitenteOrigem->text();
        bloco.tamanhoEmitente = ui->edtEmitenteOrigem->maxLength();
        bloco.tipoNf = ui->cmbTipoNFOrigem->currentText();
        bloco.nota = ui->edtNotaFiscalOrigem->text();
        bloco.data = ui->dtpEmissaoOrigem->date();
        bloco.valor = ui->edtValorNfOrigem->text();
        orva::notas::defineParametrosOrigem(p, orva::notas::valoresOrigem(tipo, bloco));
        p.add(QStringLiteral("pProtocolo"), ParamKind::Text).setValue(ui->edtProtocolo->text());

        if (existe) {
            // An invoice entered in this protocol is deleted and entered
            // anew, never saved over.
            if (DoProtocoloAtual(protocoloDaNota)) {
                orva::prompts().error(QStringLiteral("Nota Fiscal ja Cadastrada para este Exercicio !"));
                return;
            }
            // An earlier protocol's invoice is declared again in this one.
            cmd.setCommandText(
                QStringLiteral("Update Notas Set  DTA_EMIT_NF = :pDtEmissao ,TIPO = :pTipo ,VALOR_NF = :pValorNF "
                               ",TIPO_EMITENTE = :pTipoEmitente ,TIPO_EMITENTE_ORIGEM = :pTipoEmitenteOrigem "
                               ",EMITENTE_NOTA_ORIGEM = :pEmitenteOrigem ,TIPO_NF_ORIGEM = :pTipoNfOrigem "
                               ",NOTA_ORIGEM = :pNotaOrigem ,DTA_NF_ORIGEM = :pDtEmissaoOrigem "
                               ",VALOR_NF_ORIGEM = :pValorNfOrigem ,MUNICIPIO_ORIGEM = :pMunicipioOrigem "
                               ",PROTOCOLO = :pProtocolo ,OPERACAO = 'A'")
                + CondicaoChave());
        } else {
            cmd.setCommandText(QStringLiteral(
                "Insert into NOTAS (  INSCRICAO, EXERCICIO, MUNICIPIO,  NF, DTA_EMIT_NF, TIPO, VALOR_NF, "
                "TIPO_EMITENTE,  NOTA_ORIGEM, DTA_NF_ORIGEM, TIPO_EMITENTE_ORIGEM, EMITENTE_NOTA_ORIGEM, "
                "TIPO_NF_ORIGEM, VALOR_NF_ORIGEM, MUNICIPIO_ORIGEM, PROTOCOLO, OPERACAO )  Values ( :pInscricao, "
                ":pExercicio, :pMunicipio, :pNotaFiscal, :pDtEmissao, :pTipo, :pValorNF, :pTipoEmitente, "
                ":pNotaOrigem, :pDtEmissaoOrigem, :pTipoEmitenteOrigem, :pEmitenteOrigem, :pTipoNfOrigem, "
                ":pValorNfOrigem, :pMunicipioOrigem, :pProtocolo, 'I')"));
        }
        cmd.execute();
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
        const bool existe = ConsultaNota();
        const QString protocoloDaNota =
            existe ? ADOQuery1().fieldByName(QStringLiteral("Protocolo")).asString() : QString();
        ADOQuery1().close();
        if (existe) {
            orva::db::Command &cmd = ADOCommand();
            cmd.parameters().clear();
            if (DoProtocoloAtual(protocoloDaNota))
                cmd.setCommandText(QStringLiteral("Delete From NOTAS ") + CondicaoChave());
            else // withdrawn: the row stays, marked, in this protocol
                cmd.setCommandText(QStringLiteral("Update Notas Set ") + QStringLiteral("  PROTOCOLO = ")
                                   + numeroProtocolo(protocolo) + QStringLiteral(" ,OPERACAO = 'E'") + CondicaoChave());
            cmd.execute();
        }
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
    orva::prompts().error(QStringLiteral("Falta o Dados do Campo ") + falta);
    return false;
}

void TfrmNotaFiscal::btnGravarClick()
{
    if (!CamposCompletos())
        return;
    if (ui->edtTipoEntrada->text() == kTipoNE
        && !orva::notas::mesmoValor(ui->edtValorNotaFiscal->text(), ui->edtValorNfOrigem->text())) {
        orva::prompts().error(QStringLiteral("O valor da nota fiscal de origem \n"
                                             "não confere com o valor da nota fiscal de entrada !"));
        return;
    }
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
    ui->edtExercicio->setText(kExercicio);
    DefineDatas();
    ui->edtProtocolo->setFocus(Qt::OtherFocusReason);
}

void TfrmNotaFiscal::btnFecharClick() { reject(); }

void TfrmNotaFiscal::btnConsultaClick()
{
    if (!frmConsulta)
        return;
    // The type comes back apart from the two columns; a search closed without
    // a choice must not hand back the type of an earlier one.
    Funcoes::RetornoExtra.clear();
    frmConsulta->DefineTabela(QStringLiteral("vwNotaFiscal"));
    // Protocol and invoice number; the view also returns the type.
    frmConsulta->DefineColunas(16, 3);
    frmConsulta->Executa();
    ui->edtProtocolo->setText(Funcoes::RetornoCodigo);
    ui->edtNotaFiscal->setText(Funcoes::RetornoDescricao);
    if (!ui->edtProtocolo->text().isEmpty())
        VerificaProtocolo();
    // The chosen invoice is looked up with its own type.
    ui->edtTipoEntrada->setText(Funcoes::RetornoExtra);
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
    frmConsulta->Executa();
    ui->edtProtocolo->setText(Funcoes::RetornoCodigo);
    edtProtocoloExit();
}

void TfrmNotaFiscal::btnConsTipoEntradaClick()
{
    if (!frmConsulta)
        return;
    frmConsulta->DefineTabela(QStringLiteral("Tipo_Entrada"));
    frmConsulta->DefineAutoConsulta(1);
    frmConsulta->Executa();
    ui->edtTipoEntrada->setText(Funcoes::RetornoCodigo);
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

void TfrmNotaFiscal::CarregaNotaOrigem()
{
    orva::db::Query &q = ADOQuery1();
    const auto campo = [&q](const char *nome) { return q.fieldByName(QString::fromLatin1(nome)).asString(); };
    ui->edtMunicipioOrigem->setText(campo("MUNICIPIO_ORIGEM"));
    DefineTipoNfOrigem(campo("Tipo_Nf_Origem"));
    if (campo("Tipo_Emitente_Origem") == QLatin1String("1"))
        ui->rbtInscEstOrigem->setChecked(true);
    else
        ui->rbtCpfOrigem->setChecked(true);
    PoeTexto(ui->edtEmitenteOrigem, campo("Emitente_Nota_Origem"));
    ui->edtNotaFiscalOrigem->setText(campo("Nota_Origem"));
    const QDate emissao = dataCurta(campo("DTA_NF_ORIGEM"));
    if (emissao.isValid())
        ui->dtpEmissaoOrigem->setDate(emissao);
    PoeTexto(ui->edtValorNfOrigem, campo("Valor_Nf_Origem"));
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
        orva::prompts().information(
            QStringLiteral("Para o tipo de NF informado, o emitente deve ter inscrição estadual!"));
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

    // Found among the producers, the emitter brings its municipality.
    const auto produtor = [this](const char *coluna) {
        ui->edtMunicipioOrigem->setText(Funcoes::BuscaDescricao(QStringLiteral("Produtor"), QString::fromLatin1(coluna),
                                                                ui->edtEmitenteOrigem->text(),
                                                                QStringLiteral("Cod_Municipio")));
        edtMunicipioOrigemExit();
        DefineTipoNfOrigem(QStringLiteral("NP"));
        orva::ui::focusLater(ui->edtNotaFiscalOrigem);
    };

    if (ui->rbtCpfOrigem->isChecked()) {
        if (Funcoes::ValidaCnpjCpf(emitente->text())) {
            produtor("CGC_CPF");
        } else {
            orva::prompts().error(QStringLiteral("C.P.F. do Emitente de origem esta Invalido !"));
            orva::ui::focusLater(emitente);
        }
    }
    if (ui->rbtInscEstOrigem->isChecked()) {
        emitente->setText(Funcoes::ZerosEsquerda(emitente->text(), emitente->maxLength()));
        bool valida = false;
        try {
            valida = Funcoes::ValidaInscricao(emitente->text());
        } catch (const orva::Error &) {
            // A character that is not a digit: as invalid as a wrong check digit.
        }
        if (valida) {
            produtor("Inscricao");
        } else {
            orva::prompts().error(QStringLiteral("Inscrição Estadual do Emitente de origem esta Invalida !"));
            orva::ui::focusLater(emitente);
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
    frmConsulta->Executa();
    PoeTexto(ui->edtEmitenteOrigem, Funcoes::RetornoCodigo);
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
    frmConsulta->Executa();
    ui->edtMunicipioOrigem->setText(Funcoes::RetornoCodigo);
}

void TfrmNotaFiscal::cmbTipoNFOrigemExit()
{
    const QString tipo = ui->cmbTipoNFOrigem->currentText().toUpper();
    DefineTipoNfOrigem(tipo);
    if (tipo != QLatin1String("NP") && tipo != QLatin1String("NA")) {
        orva::prompts().warning(QStringLiteral("Tipo de Nota Fiscal Invalido !"));
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
    const auto numero = orva::regional::parseAmount(valor->text());
    if (numero && *numero > 0)
        PoeTexto(valor, orva::regional::formatAmount(*numero));
    else
        orva::prompts().warning(QStringLiteral("O valor da Nota Fiscal de origem deve ser maior que ZERO !"));
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
