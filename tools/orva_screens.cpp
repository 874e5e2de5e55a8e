// Writes each list report (PDF, from a sample database) and pictures of the
// about box and of a report's print preview into the folder given, for
// scripts/screenshots.sh to turn into PNG files; then the delivery client's
// main window, its notice dialogs and its receipt and error reports.
#include "archiver/rar_archive.h"
#include "client/comprovantes.h"
#include "client/janelas/frm_main.h"
#include "client/janelas/frm_recibo.h"
#include "client/janelas/frm_selecione.h"
#include "common/relogio.h"
#include "common/prompts.h"
#include "common/acessibilidade.h"
#include "common/focovisivel.h"
#include "ui/entries/frmnotafiscal.h"
#include "ui/entries/frmrateio.h"
#include "ui/maintenance/fsobre.h"
#include "core/registrations/consultasql.h"
#include "ui/shared/frmconsulta.h"
#include "ui/registrations/frmempresa.h"
#include "ui/registrations/frmprotocolo.h"
#include "ui/registrations/frmtabela.h"
#include "ui/export/frmexportacao.h"
#include "ui/import/frmvalidacao.h"
#include "ui_frmrateio.h"
#include "ui/maintenance/relatorios.h"
#include "core/db/query.h"
#include "core/shell/dtmdados.h"
#include "ui/shell/funcoes.h"
#include "core/shell/instalacao.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QRandomGenerator>
#include <QPushButton>
#include <QRadioButton>
#include <QLocale>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QTabWidget>
#include <QEventLoop>
#include <QTemporaryDir>
#include <QTimer>

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <thread>

namespace {

QString g_saida;
QString g_proximo; // file name of the next report painted

// The preview is replaced by a PDF file of the report; the invoice report is
// also shown in the real preview window once, to picture it.
class PromptsCaptura : public orva::DialogPrompts {
public:
    void printPreview(const QString &caption, const std::function<void(QPrinter *)> &paint) override
    {
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(QDir(g_saida).filePath(g_proximo + QStringLiteral(".pdf")));
        paint(&printer);
        std::printf("%s: %s.pdf\n", qPrintable(caption), qPrintable(g_proximo));

        if (g_proximo == QLatin1String("relatorio-notas")) {
            QPrinter tela(QPrinter::ScreenResolution);
            QPrintPreviewDialog preview(&tela);
            preview.setWindowTitle(caption);
            QObject::connect(&preview, &QPrintPreviewDialog::paintRequested, &preview, [&](QPrinter *p) { paint(p); });
            preview.resize(1000, 760);
            preview.show();
            for (int i = 0; i < 20; ++i) {
                QApplication::processEvents();
            }
            preview.grab().save(QDir(g_saida).filePath(QStringLiteral("preview-notas.png")));
        }
    }
    // A modal window is pictured as it opens, then closed.
    int execModal(QDialog &dialog) override
    {
        dialog.show();
        for (int i = 0; i < 10; ++i)
            QApplication::processEvents();
        dialog.grab().save(QDir(g_saida).filePath(g_proximo + QStringLiteral(".png")));
        std::printf("%s: %s.png\n", qPrintable(dialog.windowTitle()), qPrintable(g_proximo));
        dialog.hide();
        return QDialog::Rejected;
    }
    void error(const QString &text) override { std::fprintf(stderr, "erro: %s\n", qPrintable(text)); }
    void information(const QString &text) override { std::fprintf(stderr, "aviso: %s\n", qPrintable(text)); }
};

// The sample companies, protocols and rows the pictures show.
void dadosDeExemplo()
{
    QFile exemplo(QStringLiteral(ORVA_EXEMPLO_SQL));
    if (!exemplo.open(QIODevice::ReadOnly))
        throw orva::Error(QStringLiteral("Não foi possível ler %1.").arg(exemplo.fileName()));
    dtmDados->ADOConnection.executeScript(QString::fromUtf8(exemplo.readAll()));
}

// The whole table, or its rows whose `campo` is like anything.
void relatorio(const QString &arquivo, const QString &tabela, const QString &campo = QString())
{
    g_proximo = arquivo;
    orva::relatorios::ImprimeRelacao(
        tabela, orva::consulta::montaSql(tabela, campo, campo.isEmpty() ? QString() : QStringLiteral("Like"), QString(),
                                         QString()));
}

void sobre()
{
    TFSobre frm;
    frm.show();
    QApplication::setActiveWindow(&frm);
    for (int i = 0; i < 10; ++i)
        QApplication::processEvents();
    frm.grab().save(QDir(g_saida).filePath(QStringLiteral("sobre.png")));
    frm.PageControl1()->setCurrentIndex(1);
    QApplication::processEvents();
    frm.grab().save(QDir(g_saida).filePath(QStringLiteral("sobre-equipe.png")));
    frm.PageControl1()->setCurrentIndex(3);
    QApplication::processEvents();
    frm.grab().save(QDir(g_saida).filePath(QStringLiteral("sobre-contato.png")));
    std::printf("sobre: sobre.png, sobre-equipe.png, sobre-contato.png\n");
}

// A window shown, filled by `preenche` as the user's typing would, and captured.
void captura(QDialog &frm, const QString &nome, const std::function<void()> &preenche)
{
    frm.show();
    QApplication::setActiveWindow(&frm);
    for (int i = 0; i < 5; ++i)
        QApplication::processEvents();
    preenche();
    for (int i = 0; i < 5; ++i)
        QApplication::processEvents();
    frm.grab().save(QDir(g_saida).filePath(nome + QStringLiteral(".png")));
    frm.hide();
    std::printf("%s.png\n", qPrintable(nome));
}

void janelasDeLancamento()
{
    TfrmConsulta consulta;
    frmConsulta = &consulta;
    {
        TfrmEmpresa frm;
        frm.DefineTabela(QStringLiteral("Empresa"));
        captura(frm, QStringLiteral("empresa"), [&] {
            frm.edtInscricao()->setText(QStringLiteral("00000012345678"));
            frm.edtInscricaoExit();
        });
    }
    {
        TfrmProtocolo frm;
        frm.DefineTabela(QStringLiteral("Protocolo"));
        captura(frm, QStringLiteral("protocolo"), [&] {
            frm.edtProtocolo()->setText(QStringLiteral("2"));
            frm.edtProtocoloExit();
        });
    }
    {
        TfrmRateio frm;
        frm.DefineTabela(QStringLiteral("Rateio"));
        captura(frm, QStringLiteral("rateio"), [&] {
            frm.form()->edtProtocolo->setText(QStringLiteral("2"));
            frm.edtProtocoloExit();
            frm.form()->edtMunicipio->setText(QStringLiteral("110004"));
            frm.edtMunicipioExit();
            frm.form()->edtValorEntrada->setText(QStringLiteral("1234567890,12"));
            frm.edtValorEntradaExit();
            frm.form()->edtValorEntrada->setFocus();
        });
    }
    {
        TfrmNotaFiscal::DefineTabela(QStringLiteral("Notas"));
        TfrmNotaFiscal frm;
        captura(frm, QStringLiteral("notafiscal"), [&] {
            frm.edtProtocolo()->setText(QStringLiteral("3"));
            frm.edtProtocoloExit();
            frm.edtNotaFiscal()->setText(QStringLiteral("88"));
            frm.edtNotaFiscalExit();
        });
    }
    {
        // Enlarged: the grid takes the room; a long name is cut with "…".
        TfrmRateio frm;
        frm.DefineTabela(QStringLiteral("Rateio"));
        frm.resize(frm.width() + 360, frm.height() + 160);
        captura(frm, QStringLiteral("rateio-ampliada"), [&] {
            frm.form()->edtProtocolo->setText(QStringLiteral("2"));
            frm.edtProtocoloExit();
            frm.form()->lblNomeEmpresa->setText(
                QStringLiteral("COOPERATIVA MISTA DOS AGRICULTORES FAMILIARES E PRODUTORES RURAIS DO VALE DO ITAJAI"));
        });
    }
    {
        TfrmTabela frm;
        frm.DefineTabela(QStringLiteral("Produtos"), QStringLiteral("Cod_Prod"), QStringLiteral("Descricao"));
        captura(frm, QStringLiteral("tabela"), [] {});
    }
    {
        TfrmValidacao frm;
        captura(frm, QStringLiteral("importacao"), [] {});
    }
    {
        TfrmExportacao frm;
        captura(frm, QStringLiteral("exportacao"), [] {});
    }
    consulta.DefineTabela(QStringLiteral("Empresa"));
    consulta.DefineAutoConsulta(1);
    consulta.FormShow();
    captura(consulta, QStringLiteral("consulta"), [] {});
    consulta.FormClose();
    frmConsulta = nullptr;
}

void vazio(const QString &caminho)
{
    QFile f(caminho);
    if (f.open(QIODevice::WriteOnly))
        f.write("x");
}

// The delivery client on a program folder of its own: two declarations in
// "enviar", three stored receipts (one already printed).
void cliente()
{
    QTemporaryDir programa;
    const QString pastaCliente = programa.filePath(QStringLiteral("ClienteOrvaDATP"));
    const QString enviar = programa.filePath(QStringLiteral("enviar/"));
    QDir().mkpath(pastaCliente + QStringLiteral("/recv"));
    QDir().mkpath(enviar);
    vazio(enviar + QStringLiteral("Orva000200000087654321.rar"));
    vazio(enviar + QStringLiteral("Orva000300000055500011.rar"));
    const QString recv = pastaCliente + QStringLiteral("/recv");
    const QDateTime quando(QDate(2015, 4, 3), QTime(10, 42, 17));
    orva::cliente::ChaveDeclaracao chave;
    // Receipt records: registration, exercise, protocol, type and
    // rectification; the date; the name; the count and the control number.
    const auto registro = [](const QString &inicio, const QString &razao, const QString &fim) {
        return inicio + QStringLiteral("03/04/2015") + razao.leftJustified(50) + fim;
    };
    orva::cliente::GravaComprovante(recv, registro(QStringLiteral("0000001234567820150001001"), QStringLiteral("ARMAZEM SANTA LUZIA LTDA"),
                                                   QStringLiteral("0000050000000004711")), chave, quando);
    orva::cliente::GravaComprovante(recv, registro(QStringLiteral("0000005550001120140004002"), QStringLiteral("FRIGORIFICO BOA VISTA S/A"),
                                                   QStringLiteral("0000030000000003102")), chave, quando);
    const QString antigo = orva::cliente::GravaComprovante(
        recv, registro(QStringLiteral("0000008765432120150002011"), QStringLiteral("COOPERATIVA AGROPECUARIA DO VALE"),
                       QStringLiteral("0000040000000002954")), chave, quando);
    orva::cliente::MarcaImpresso(antigo);
    orva::defineRelogio([] { return QDateTime(QDate(2015, 4, 3), QTime(10, 45, 0)); });

    auto frm = Tfrm_main::Inicia(pastaCliente, QString(), enviar);
    frm->show();
    QApplication::setActiveWindow(frm.get());
    frm->ListBox1()->setCurrentRow(0);
    frm->BitBtn1()->setEnabled(true);
    frm->RadioButton1()->click();
    frm->ListBox2()->setCurrentRow(0);
    for (int i = 0; i < 10; ++i)
        QApplication::processEvents();
    frm->grab().save(QDir(g_saida).filePath(QStringLiteral("cliente-principal.png")));
    std::printf("cliente: cliente-principal.png\n");

    // The folder picker, opened on the origin; its tree fills in the background.
    frm->BitBtn6Click();
    QWidget *pastas = frm->frm_selecione();
    QEventLoop espera;
    QTimer::singleShot(1500, &espera, &QEventLoop::quit);
    espera.exec();
    pastas->grab().save(QDir(g_saida).filePath(QStringLiteral("cliente-pastas.png")));
    pastas->hide();
    std::printf("cliente: cliente-pastas.png\n");

    g_proximo = QStringLiteral("cliente-aviso");
    frm->MostraAviso(QStringLiteral("Servidor pronto para receber Orva000200000087654321.rar (1532 bytes)."),
                     QStringLiteral("Após o envio, aguarde a conferência da declaração e o comprovante de entrega."));
    // The failure names the declaration of the key; the error report too.
    frm->cliente().chave().inscricao = QStringLiteral("00000087654321");
    frm->cliente().chave().exercicio = QStringLiteral("2015");
    g_proximo = QStringLiteral("cliente-falha");
    frm->MostraFalha(QStringLiteral("Declaração Orva000200000087654321.rar recusada."),
                     QStringLiteral("Linha 3: registro 40 com 120 caracteres; são 33.#13Total 1 (ENTRADA) de 323050100 "
                                    "centavos difere da soma dos registros, 323000000 centavos.-500"));
    g_proximo = QStringLiteral("cliente-erro");
    frm->frm_recibo()->VisualizaErro();

    g_proximo = QStringLiteral("cliente-recibo");
    frm->ListBox2()->setCurrentRow(0);
    frm->ListBox2Click();
    frm->BitBtn3Click();
    frm->close();
    orva::defineRelogio({});
}

// The client while it sends: a server that answers the command and then
// reads nothing more, so the send waits with part of the archive gone out.
void clienteEnviando()
{
    QTemporaryDir programa;
    const QString pastaCliente = programa.filePath(QStringLiteral("ClienteOrvaDATP"));
    const QString enviar = programa.filePath(QStringLiteral("enviar/"));
    QDir().mkpath(pastaCliente + QStringLiteral("/recv"));
    QDir().mkpath(enviar);
    QFile::copy(QStringLiteral(ORVA_DIST_DIR "/rar"), programa.filePath(QStringLiteral("rar")));
    const QString exp = programa.filePath(QStringLiteral("Orva000200000087654321.exp"));
    {
        QFile f(exp);
        if (!f.open(QIODevice::WriteOnly))
            return;
        f.write("10" + QByteArray(115, '0') + "\r\n20" "0002" "00" "01" "2015" "00000087654321" + QByteArray(200, '0')
                + "\r\n");
        QByteArray ruido(24 << 20, Qt::Uninitialized);
        QRandomGenerator(7).fillRange(reinterpret_cast<quint32 *>(ruido.data()), ruido.size() / 4);
        f.write(ruido);
    }
    QString erro;
    if (!orva::rar::add(enviar + QStringLiteral("Orva000200000087654321"), {exp}, &erro))
        return;
    QFile::remove(exp);

    const int escuta = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t n = sizeof a;
    ::bind(escuta, reinterpret_cast<sockaddr *>(&a), n);
    ::listen(escuta, 1);
    ::getsockname(escuta, reinterpret_cast<sockaddr *>(&a), &n);
    std::atomic<bool> fim{false};
    std::thread servidor([&] {
        const int c = ::accept(escuta, nullptr, nullptr);
        char ch;
        while (::recv(c, &ch, 1, 0) == 1 && ch != '\n') {
        }
        const QByteArray pronto = "DATP/1.0 00 200 'Servidor pronto para receber Orva000200000087654321.rar.' ''\r\n";
        ::send(c, pronto.constData(), pronto.size(), MSG_NOSIGNAL);
        for (int i = 0; i < 200 && !fim; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        ::close(c);
    });

    auto frm = Tfrm_main::Inicia(pastaCliente, QString(), enviar);
    frm->cliente().endereco().porta = ntohs(a.sin_port);
    frm->show();
    frm->ListBox1()->setCurrentRow(0);
    frm->ListBox1Click();
    g_proximo = QStringLiteral("cliente-envio-aviso");
    QTimer::singleShot(1500, frm.get(), [&frm] {
        frm->grab().save(QDir(g_saida).filePath(QStringLiteral("cliente-envio.png")));
        std::printf("cliente: cliente-envio.png (%s)\n", qPrintable(frm->lblAndamento()->text()));
        frm->btnCancelarClick();
    });
    frm->BitBtn1Click();
    fim = true;
    servidor.join();
    ::close(escuta);
    QFile::remove(QDir(g_saida).filePath(QStringLiteral("cliente-envio-aviso.png")));
    frm->close();
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    orva::instalaFocoVisivel();
    orva::instalaNomesAcessiveis();
    QLocale::setDefault(QLocale(QLocale::Portuguese, QLocale::Brazil));
    if (argc < 2) {
        std::fprintf(stderr, "uso: orva-screens PASTA\n");
        return 2;
    }
    g_saida = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(g_saida);

    QTemporaryDir programa;
    orva::install::createProgramFolder(programa.path());
    Funcoes::DefineDiretorioSistema(programa.path());
    TdtmDados dados;
    dados.DataModuleCreate();
    dtmDados = &dados;
    dadosDeExemplo();

    PromptsCaptura prompts;
    orva::setPrompts(&prompts);
    // Each report on the statement the search window would list it with.
    relatorio(QStringLiteral("relatorio-tabela"), QStringLiteral("Municipios"));
    relatorio(QStringLiteral("relatorio-rateio"), QStringLiteral("vwRateio"));
    relatorio(QStringLiteral("relatorio-notas"), QStringLiteral("vwNotaFiscal"), QStringLiteral("INSCRICAO"));
    relatorio(QStringLiteral("relatorio-empresas"), QStringLiteral("Empresa"));
    relatorio(QStringLiteral("relatorio-protocolos"), QStringLiteral("Protocolo"), QStringLiteral("Exercicio"));
    sobre();
    janelasDeLancamento();
    cliente();
    clienteEnviando();

    orva::setPrompts(nullptr);
    dtmDados = nullptr;
    Funcoes::DefineDiretorioSistema(QString());
    return 0;
}
