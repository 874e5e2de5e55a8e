#include "frm_main.h"

#include "ui_frm_main.h"

#include "common/emblema.h"
#include "frm_atencao.h"
#include "frm_recibo.h"
#include "frm_selecione.h"
#include "frmdownload.h"

#include "client/avisos.h"
#include "common/prompts.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QScreen>
#include <QShortcut>
#include <QStyle>
#include <QTimer>
#include <QWindow>

namespace cl = orva::cliente;

// Wait cursor over the whole program while a step runs; a busy cursor (the
// pointer still usable) while an exchange can be cancelled.
class Tfrm_main::Ocupado {
public:
    explicit Ocupado(Tfrm_main &frm, Qt::CursorShape forma = Qt::WaitCursor) : m_frm(frm)
    {
        if (m_frm.m_ocupado++ == 0)
            QApplication::setOverrideCursor(forma);
    }
    ~Ocupado()
    {
        if (--m_frm.m_ocupado == 0)
            QApplication::restoreOverrideCursor();
    }

private:
    Tfrm_main &m_frm;
};

// The normal cursor while a dialog waits for the user in the middle of a step.
class Tfrm_main::Livre {
public:
    explicit Livre(Tfrm_main &frm) : m_ativo(frm.m_ocupado > 0 && QApplication::overrideCursor())
    {
        if (m_ativo) {
            m_forma = QApplication::overrideCursor()->shape();
            QApplication::restoreOverrideCursor();
        }
    }
    ~Livre()
    {
        if (m_ativo)
            QApplication::setOverrideCursor(m_forma);
    }

private:
    bool m_ativo;
    Qt::CursorShape m_forma = Qt::WaitCursor;
};

// An exchange with the server: every command but Cancelar waits for its end,
// the folder picker included.
class Tfrm_main::Transmissao {
public:
    explicit Transmissao(Tfrm_main &frm) : m_frm(frm), m_ocupado(frm, Qt::BusyCursor)
    {
        m_frm.m_trocando = true;
        m_frm.m_cancelar = false;
        m_frm.habilitaComandos(false);
    }
    ~Transmissao()
    {
        m_frm.m_trocando = false;
        m_frm.habilitaComandos(true);
        m_frm.mostraParado();
    }

private:
    Tfrm_main &m_frm;
    Ocupado m_ocupado;
};

Tfrm_main::Tfrm_main(const QString &pastaCliente, const QString &arquivoIni, QWidget *parent)
    : QMainWindow(parent), ui(std::make_unique<Ui::frm_main>()), m_cliente(pastaCliente, *this),
      m_arquivoIni(arquivoIni)
{
    ui->setupUi(this);
    // Fixed border with system menu and minimize box.
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint
                   | Qt::WindowCloseButtonHint);
    ui->Image1->setPixmap(QPixmap::fromImage(orva::Emblema(ui->Image1->height() * 2)));
    const QStringList banner = Tfrm_recibo::linhasBanner();
    ui->Label3->setText(banner.value(0));
    ui->Label4->setText(banner.value(1));
    ui->Label5->setText(banner.value(2));

    // Where declarations are usually found: the root, the user's home and the
    // entry program's "enviar" beside the client's folder.
    ui->ComboBox1->addItem(QStringLiteral("/"));
    ui->ComboBox1->addItem(cl::comBarra(QDir::homePath()));
    ui->ComboBox1->addItem(cl::comBarra(QDir::cleanPath(pastaCliente + QStringLiteral("/../enviar"))));
    ui->ComboBox1->setEditText(QStringLiteral("/"));

    const QStyle *estilo = style();
    ui->BitBtn5->setIcon(estilo->standardIcon(QStyle::SP_DirOpenIcon));
    ui->BitBtn6->setIcon(estilo->standardIcon(QStyle::SP_FileDialogContentsView));
    ui->BitBtn1->setIcon(estilo->standardIcon(QStyle::SP_ArrowRight));
    ui->BitBtn2->setIcon(estilo->standardIcon(QStyle::SP_DialogDiscardButton));
    ui->BitBtn7->setIcon(estilo->standardIcon(QStyle::SP_TrashIcon));
    ui->BitBtn3->setIcon(QIcon::fromTheme(QStringLiteral("document-print"), estilo->standardIcon(QStyle::SP_FileIcon)));

    connect(ui->ListBox1, &QListWidget::itemClicked, this, &Tfrm_main::ListBox1Click);
    connect(ui->ListBox2, &QListWidget::itemClicked, this, &Tfrm_main::ListBox2Click);
    // Moving through a list with the keys selects as a click does.
    ui->ListBox1->installEventFilter(this);
    ui->ListBox2->installEventFilter(this);
    connect(ui->BitBtn1, &QPushButton::clicked, this, &Tfrm_main::BitBtn1Click);
    connect(ui->BitBtn2, &QPushButton::clicked, this, &Tfrm_main::BitBtn2Click);
    connect(ui->BitBtn5, &QPushButton::clicked, this, &Tfrm_main::BitBtn5Click);
    connect(ui->BitBtn6, &QPushButton::clicked, this, &Tfrm_main::BitBtn6Click);
    connect(ui->BitBtn7, &QPushButton::clicked, this, &Tfrm_main::BitBtn7Click);
    connect(ui->BitBtn3, &QPushButton::clicked, this, &Tfrm_main::BitBtn3Click);
    connect(ui->BitBtn4, &QPushButton::clicked, this, &Tfrm_main::BitBtn4Click);
    for (QRadioButton *opcao : {ui->RadioButton1, ui->RadioButton2, ui->RadioButton3})
        connect(opcao, &QRadioButton::clicked, this, &Tfrm_main::RadioButtonClick);
    connect(ui->btnCancelar, &QPushButton::clicked, this, &Tfrm_main::btnCancelarClick);
    connect(new QShortcut(QKeySequence(Qt::Key_Escape), this), &QShortcut::activated, this, [this] {
        if (m_trocando)
            btnCancelarClick();
    });
    m_cliente.defineAcompanhamento([this](const cl::Andamento &andamento) { return acompanha(andamento); });

    FormCreate();
}

Tfrm_main::~Tfrm_main() = default;

void Tfrm_main::ficaSobre(quintptr dona)
{
    if (dona == 0)
        return;
    m_dona.reset(QWindow::fromWinId(WId(dona)));
    if (m_dona)
        ficaSobre(m_dona.get());
}

void Tfrm_main::ficaSobre(QWindow *dona)
{
    // Window systems keep only a dialog above its owner.
    setWindowFlags((windowFlags() & ~Qt::WindowType_Mask) | Qt::Dialog);
    winId(); // the native window exists from here on
    windowHandle()->setTransientParent(dona);
    // Qt would end the program as the first message box closes: it counts no
    // window with an owner as a main one.
    QGuiApplication::setQuitOnLastWindowClosed(false);
    m_encerraAoFechar = true;
}

void Tfrm_main::mantemDona()
{
    // Showing a window without a parent widget clears its transient parent.
    if (m_dona && windowHandle())
        windowHandle()->setTransientParent(m_dona.get());
}

QString Tfrm_main::tituloAplicacao() { return QStringLiteral("Módulo de Entrega de Declaração/ORVA"); }

std::unique_ptr<Tfrm_main> Tfrm_main::Inicia(const QString &pastaCliente, const QString &arquivoIni,
                                             const QString &origem, const QString &declaracao)
{
    orva::setApplicationTitle(tituloAplicacao());
    auto frm = std::make_unique<Tfrm_main>(pastaCliente, arquivoIni);
    frm->CriaJanelas();
    if (!origem.isEmpty()) {
        frm->ui->ComboBox1->setEditText(origem);
        frm->ListaDeclaracoes(origem);
        const int linha = declaracao.isEmpty() ? -1 : frm->m_cliente.declaracoes().indexOf(declaracao);
        if (linha >= 0) {
            frm->ui->ListBox1->setCurrentRow(linha);
            frm->leDeclaracao(linha);
        }
    }
    return frm;
}

void Tfrm_main::CriaJanelas()
{
    // A notice dialog exists from the start; each notice shown gets a fresh one.
    if (!m_atencao)
        m_atencao = std::make_unique<Tfrm_atencao>(this);
    frm_recibo();
    frm_selecione();
    FrmDownload();
}

Tfrm_recibo *Tfrm_main::frm_recibo()
{
    if (!m_recibo)
        m_recibo = std::make_unique<Tfrm_recibo>();
    return m_recibo.get();
}

Tfrm_selecione *Tfrm_main::frm_selecione()
{
    if (!m_selecione) {
        m_selecione = new Tfrm_selecione(this);
        connect(m_selecione, &Tfrm_selecione::pastaSelecionada, this, [this](const QString &pasta) {
            ui->ComboBox1->setEditText(pasta);
            ListaDeclaracoes(pasta);
        });
    }
    return m_selecione;
}

TFrmDownload *Tfrm_main::FrmDownload()
{
    if (!m_download)
        m_download = new TFrmDownload(this);
    return m_download;
}

QComboBox *Tfrm_main::ComboBox1() const { return ui->ComboBox1; }
QPushButton *Tfrm_main::BitBtn5() const { return ui->BitBtn5; }
QPushButton *Tfrm_main::BitBtn6() const { return ui->BitBtn6; }
QListWidget *Tfrm_main::ListBox1() const { return ui->ListBox1; }
QPushButton *Tfrm_main::BitBtn1() const { return ui->BitBtn1; }
QPushButton *Tfrm_main::BitBtn2() const { return ui->BitBtn2; }
QListWidget *Tfrm_main::ListBox2() const { return ui->ListBox2; }
QRadioButton *Tfrm_main::RadioButton1() const { return ui->RadioButton1; }
QRadioButton *Tfrm_main::RadioButton2() const { return ui->RadioButton2; }
QRadioButton *Tfrm_main::RadioButton3() const { return ui->RadioButton3; }
QPushButton *Tfrm_main::BitBtn7() const { return ui->BitBtn7; }
QPushButton *Tfrm_main::BitBtn3() const { return ui->BitBtn3; }
QPushButton *Tfrm_main::BitBtn4() const { return ui->BitBtn4; }
QLabel *Tfrm_main::lblAndamento() const { return ui->lblAndamento; }
QProgressBar *Tfrm_main::ProgressBar1() const { return ui->ProgressBar1; }
QPushButton *Tfrm_main::btnCancelar() const { return ui->btnCancelar; }

void Tfrm_main::FormCreate()
{
    // The settings and the new receipts. A failure here is passed over: the
    // window opens all the same.
    try {
        m_cliente.LeConfiguracao(m_arquivoIni);
        ListaComprovantes();
    } catch (...) {
    }
}

void Tfrm_main::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    mantemDona();
    if (m_mostrada)
        return;
    m_mostrada = true;
    if (const QScreen *tela = screen())
        move(tela->availableGeometry().center() - rect().center());
}

bool Tfrm_main::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress && (watched == ui->ListBox1 || watched == ui->ListBox2)) {
        QListWidget *lista = static_cast<QListWidget *>(watched);
        const int tecla = static_cast<QKeyEvent *>(event)->key();
        // Keys that choose a line: the line they leave current is read as a
        // click reads it, also when it was current already (a list of one).
        const bool escolhe = tecla == Qt::Key_Space || tecla == Qt::Key_Return || tecla == Qt::Key_Enter;
        const bool move = tecla == Qt::Key_Up || tecla == Qt::Key_Down || tecla == Qt::Key_Home || tecla == Qt::Key_End
                          || tecla == Qt::Key_PageUp || tecla == Qt::Key_PageDown;
        const int antes = lista->currentRow();
        // Once the list has handled the key.
        QTimer::singleShot(0, this, [this, lista, antes, escolhe, move] {
            if (m_trocando || lista->count() == 0)
                return;
            int linha = lista->currentRow();
            if (linha < 0 && (escolhe || move))
                linha = 0;
            const bool jaLida = lista == ui->ListBox1 && linha == m_linhaLida;
            if (linha < 0 || !(escolhe || linha != antes || (move && !jaLida)))
                return;
            if (!lista->item(linha)->isSelected() || lista->currentRow() != linha)
                lista->setCurrentRow(linha);
            if (lista == ui->ListBox1)
                leDeclaracao(linha);
            else
                ListBox2Click();
        });
    }
    return QMainWindow::eventFilter(watched, event);
}

void Tfrm_main::closeEvent(QCloseEvent *event)
{
    // Closing during an exchange cancels it; the window closes at its end.
    if (m_trocando) {
        m_fecharAoTerminar = true;
        btnCancelarClick();
        event->ignore();
        return;
    }
    // The folder picker goes with the main window.
    if (m_selecione)
        m_selecione->hide();
    QMainWindow::closeEvent(event);
    if (m_encerraAoFechar && event->isAccepted())
        QTimer::singleShot(0, qApp, &QCoreApplication::quit);
}

// ---- lists ----

void Tfrm_main::sincronizaOrigem() { m_cliente.defineOrigem(ui->ComboBox1->currentText()); }

void Tfrm_main::mostraDeclaracoes()
{
    m_linhaLida = -1;
    ui->ListBox1->clear();
    ui->ListBox1->addItems(m_cliente.linhasDeclaracoes());
}

void Tfrm_main::mostraComprovantes()
{
    ui->ListBox2->clear();
    ui->ListBox2->addItems(m_cliente.comprovantes().linhas);
}

void Tfrm_main::ListaDeclaracoes(const QString &pasta)
{
    sincronizaOrigem();
    m_cliente.ListaDeclaracoes(pasta);
    mostraDeclaracoes();
}

void Tfrm_main::ListaComprovantes()
{
    m_cliente.defineFiltro(ui->RadioButton2->isChecked()   ? cl::Filtro::Novos
                           : ui->RadioButton3->isChecked() ? cl::Filtro::Antigos
                                                           : cl::Filtro::Todos);
    m_cliente.ListaComprovantes();
    mostraComprovantes();
}

// ---- declarations ----

void Tfrm_main::ListBox1Click() { leDeclaracao(ui->ListBox1->currentRow()); }

void Tfrm_main::leDeclaracao(int linha)
{
    if (linha < 0 || m_trocando)
        return;
    sincronizaOrigem();
    Ocupado ocupado(*this); // the archiver is waited for
    if (m_cliente.SelecionaDeclaracao(linha)) {
        m_linhaLida = linha;
        ui->BitBtn1->setEnabled(true);
    }
}

void Tfrm_main::BitBtn1Click()
{
    if (m_trocando)
        return;
    sincronizaOrigem();
    {
        Transmissao transmissao(*this);
        m_cliente.Envia();
    }
    ui->ComboBox1->setEditText(m_cliente.origem());
    mostraDeclaracoes();
    mostraComprovantes();
    fechaSePedido();
}

void Tfrm_main::btnCancelarClick()
{
    if (!m_trocando)
        return;
    m_cancelar = true;
    ui->btnCancelar->setEnabled(false);
    ui->lblAndamento->setText(QStringLiteral("Cancelando..."));
}

void Tfrm_main::habilitaComandos(bool habilitados)
{
    for (QWidget *area : {static_cast<QWidget *>(ui->GroupBox1), static_cast<QWidget *>(ui->GroupBox2),
                          static_cast<QWidget *>(ui->GroupBox3)})
        area->setEnabled(habilitados);
    if (m_selecione)
        m_selecione->setEnabled(habilitados);
    ui->btnCancelar->setEnabled(!habilitados);
}

bool Tfrm_main::acompanha(const cl::Andamento &andamento)
{
    if (!m_cancelar) {
        ui->lblAndamento->setText(cl::textoAndamento(andamento, cl::Relogio::now(), m_estimativa));
        ui->ProgressBar1->setValue(cl::milesimosEnviados(andamento));
    }
    QCoreApplication::processEvents();
    return !m_cancelar;
}

void Tfrm_main::mostraParado()
{
    ui->lblAndamento->setText(QStringLiteral("Nenhuma transmissão em andamento."));
    ui->ProgressBar1->setValue(0);
}

void Tfrm_main::fechaSePedido()
{
    if (m_fecharAoTerminar) {
        m_fecharAoTerminar = false;
        close();
    }
}

void Tfrm_main::BitBtn5Click()
{
    sincronizaOrigem();
    if (m_cliente.Abre() == cl::Cliente::Abertura::ComprovanteGravado) {
        // The text was a receipt record, now stored: the origin goes back to
        // the root of the file system.
        m_cliente.defineOrigem(QStringLiteral("/"));
        mostraComprovantes();
    } else {
        mostraDeclaracoes();
    }
    ui->ComboBox1->setEditText(m_cliente.origem());
}

void Tfrm_main::BitBtn2Click()
{
    sincronizaOrigem();
    m_cliente.Apaga();
    mostraDeclaracoes();
}

void Tfrm_main::BitBtn6Click() { frm_selecione()->Mostra(ui->ComboBox1->currentText()); }

// ---- receipts ----

void Tfrm_main::ListBox2Click() { m_cliente.SelecionaComprovante(ui->ListBox2->currentRow()); }

void Tfrm_main::RadioButtonClick() { ListaComprovantes(); }

void Tfrm_main::BitBtn7Click()
{
    if (orva::prompts().question(QStringLiteral("Confirmação"), QStringLiteral("Deseja excluir o comprovante selecionado?"),
                                 orva::Prompts::Icon::Question, orva::Prompts::Button::No))
        m_cliente.ExcluiComprovante();
    ListaComprovantes();
}

void Tfrm_main::BitBtn3Click()
{
    const std::optional<cl::Recibo> recibo = m_cliente.PreparaImpressao();
    if (!recibo)
        return;
    frm_recibo()->DefineRecibo(*recibo, m_cliente.chave().textoTipo, m_cliente.chave().textoRetificacao);
    frm_recibo()->VisualizaRecibo();
    m_cliente.ConcluiImpressao();
    mostraComprovantes();
}

void Tfrm_main::BitBtn4Click()
{
    if (m_trocando)
        return;
    TFrmDownload *download = FrmDownload();
    orva::prompts().execModal(*download);
    // Closing the dialog fetches with the values of its last confirm.
    m_chaveBusca = std::make_pair(download->inscricao(), download->exercicioProtocolo().left(4));
    {
        Transmissao transmissao(*this);
        m_cliente.BuscaRecibo(download->inscricao(), download->exercicioProtocolo());
    }
    m_chaveBusca.reset();
    mostraComprovantes();
    fechaSePedido();
}

// ---- dialogs ----

bool Tfrm_main::MostraAviso(const QString &mensagem1, const QString &mensagem2, bool confirmacao)
{
    Livre livre(*this);
    Tfrm_atencao frm(this);
    frm.Limpa();
    frm.bt_ok()->setText(QStringLiteral("&Continuar >>"));
    frm.bt_print()->setEnabled(false);
    frm.setWindowTitle(QStringLiteral("Leia atentamente"));
    frm.Label1()->setText(QStringLiteral("Bem vindo!, Leia atentamente as informações abaixo"));
    frm.defineLinhas(cl::linhasAviso(mensagem1, mensagem2));
    // Closing the notice that asks, by Esc or by its close button, never sends.
    if (confirmacao)
        frm.pedeConfirmacao();
    return orva::prompts().execModal(frm) == QDialog::Accepted;
}

void Tfrm_main::MostraFalha(const QString &mensagem1, const QString &mensagem2)
{
    Livre livre(*this);
    Tfrm_atencao frm(this);
    frm.Limpa();
    frm.setWindowTitle(QStringLiteral("Erro ao entregar declaração"));
    frm.Label1()->setText(QStringLiteral("Atenção. Sua declaração não pôde ser recebida."));
    frm.defineLinhas(cl::linhasFalha(mensagem1, mensagem2));

    // The error report names the declaration concerned: the one being sent
    // (its protocol record), or the receipt being fetched.
    const cl::ChaveDeclaracao &chave = m_cliente.chave();
    const QString inscricao = m_chaveBusca ? m_chaveBusca->first : chave.inscricao;
    const QString exercicio = m_chaveBusca ? m_chaveBusca->second : chave.exercicio;
    frm_recibo()->DefineErro(inscricao, exercicio, mensagem1, cl::TrocaQuebras(mensagem2));
    frm.defineImpressao([this] { frm_recibo()->VisualizaErro(); });
    orva::prompts().execModal(frm);
}

void Tfrm_main::aviso(const QString &mensagem1, const QString &mensagem2)
{
    mostraParado();
    MostraAviso(mensagem1, mensagem2);
}

bool Tfrm_main::confirma(const QString &mensagem1, const QString &mensagem2)
{
    // No count of seconds stays behind the notice: nothing runs while it waits.
    ui->lblAndamento->setText(QStringLiteral("Aguardando a sua confirmação para enviar a declaração."));
    return MostraAviso(mensagem1, mensagem2, true);
}

void Tfrm_main::falha(const QString &mensagem1, const QString &mensagem2)
{
    mostraParado(); // the exchange is over: no stale stage behind the box
    MostraFalha(mensagem1, mensagem2);
}

void Tfrm_main::erro(const QString &texto)
{
    mostraParado();
    Livre livre(*this);
    orva::prompts().error(texto);
}

void Tfrm_main::mensagem(const QString &texto)
{
    mostraParado();
    Livre livre(*this);
    orva::prompts().information(texto);
}
