// How long the delivery client's window goes without handling an event while
// it delivers: the longest gap between two ticks of a 1 ms timer, through a
// 50 MB delivery to orva-datp-server and through a reply that a scripted
// server holds back for 30 s. The baseline, in the same run, is the same
// exchange without the window's watcher (blocking, as orva-cli runs it).
// Goal: under 100 ms with the watcher.
//   bench_espera_janela [invoice rows, 1450000] [reply delay in s, 30]
#include "declaracao_grande.h"
#include "servidorlocal.h"

#include "archiver/rar_archive.h"
#include "client/janelas/frm_main.h"
#include "common/prompts.h"

#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QListWidget>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <thread>

namespace {

// Nobody to answer: every dialog goes on at once.
class SemPessoa : public orva::Prompts {
public:
    void information(const QString &) override {}
    void error(const QString &t) override { std::fprintf(stderr, "error box: %s\n", qPrintable(t)); }
    void warning(const QString &) override {}
    bool question(const QString &, const QString &, Icon, Button) override { return true; }
    int execModal(QDialog &) override { return QDialog::Accepted; }
    void beep() override {}
    QString openFileName(const QString &, const QString &, const QString &) override { return {}; }
    QString saveFileName(const QString &, const QString &, const QString &) override { return {}; }
    bool runProgram(const QString &, const QStringList &, const QString &) override { return false; }
    void printPreview(const QString &, const std::function<void(QPrinter *)> &) override {}
};

// A server on a free loopback port that takes one delivery and answers "201"
// only `atraso` after the archive's last byte.
class ServidorLento {
public:
    explicit ServidorLento(std::chrono::milliseconds atraso)
    {
        sockaddr_in a{};
        m_fd = bench::escutaLocal(&a);
        porta = ntohs(a.sin_port);
        m_thread = std::thread([this, atraso] {
            const int c = ::accept(m_fd, nullptr, nullptr);
            QByteArray linha;
            char ch;
            while (::recv(c, &ch, 1, 0) == 1 && ch != '\n')
                linha += ch;
            const qint64 tamanho = linha.split(' ').value(5).toLongLong();
            ::send(c, "DATP/1.0 00 200 'Pronto' 'Envie'\r\n", 35, MSG_NOSIGNAL);
            static char bloco[1 << 16];
            for (qint64 lidos = 0; lidos < tamanho;) {
                const ssize_t r = ::recv(c, bloco, sizeof bloco, 0);
                if (r <= 0)
                    break;
                lidos += r;
            }
            std::this_thread::sleep_for(atraso);
            const QByteArray recibo = "DATP/1.0 00 201 '0000000000000120150007' '001" "08/12/2026"
                                      + QByteArray("EMPRESA DE TESTE").leftJustified(50, ' ')
                                      + "000005" "0000000012345'\r\n";
            ::send(c, recibo.constData(), recibo.size(), MSG_NOSIGNAL);
            ::close(c);
        });
    }
    ~ServidorLento()
    {
        m_thread.join();
        ::close(m_fd);
    }
    quint16 porta = 0;

private:
    int m_fd = -1;
    std::thread m_thread;
};

// The longest gap, in ms, between two handled ticks of a 1 ms timer (the
// start and the end of the send counting as ticks) while Send runs.
double maiorIntervalo(Tfrm_main &frm, const QString &origem, bool comVigia)
{
    const QString nome = QStringLiteral("Orva000700000000000001");
    QFile::rename(origem + nome + QStringLiteral(".ra_"), origem + nome + QStringLiteral(".rar"));
    frm.ComboBox1()->setEditText(origem);
    frm.ListaDeclaracoes(origem);
    frm.ListBox1()->setCurrentRow(0);
    frm.ListBox1Click(); // unpacks the declaration file
    if (!comVigia)
        frm.cliente().defineAcompanhamento({});

    QElapsedTimer relogio;
    qint64 ultimo = 0, maior = 0;
    QTimer batida;
    batida.setTimerType(Qt::PreciseTimer);
    QObject::connect(&batida, &QTimer::timeout, [&] {
        const qint64 agora = relogio.nsecsElapsed();
        maior = std::max(maior, agora - ultimo);
        ultimo = agora;
    });
    batida.start(1);
    relogio.start();
    frm.BitBtn1Click();
    maior = std::max(maior, relogio.nsecsElapsed() - ultimo);
    batida.stop();
    return maior / 1e6;
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int linhas = argc > 1 ? std::atoi(argv[1]) : 1450000;
    const int atrasoSegundos = argc > 2 ? std::atoi(argv[2]) : 30;
    SemPessoa semPessoa;
    orva::setPrompts(&semPessoa);

    // The program folder: the archiver, the client's folder, two origins.
    QTemporaryDir dir;
    const QString programa = dir.path() + QStringLiteral("/");
    const QString pastaCliente = programa + QStringLiteral("ClienteOrvaDATP");
    const QString grande = programa + QStringLiteral("enviar/"), pequena = programa + QStringLiteral("lento/");
    for (const QString &p : {pastaCliente + QStringLiteral("/recv"), grande, pequena})
        QDir().mkpath(p);
    QFile::copy(QStringLiteral(ORVA_DIST_DIR "/rar"), programa + QStringLiteral("rar"));
    std::printf("writing a declaration of %d invoice rows and packing it...\n", linhas);
    QString erro;
    for (const auto &[pasta, n] : {std::pair{grande, linhas}, std::pair{pequena, 10}}) {
        const QString exp = dir.filePath(QStringLiteral("Orva000700000000000001.exp"));
        bench::escreveDeclaracao(exp, n);
        if (!orva::rar::add(pasta + QStringLiteral("Orva000700000000000001"), {exp}, &erro)) {
            std::fprintf(stderr, "packing failed: %s\n", qPrintable(erro));
            return 1;
        }
        QFile::remove(exp);
    }
    const double mb = QFileInfo(grande + QStringLiteral("Orva000700000000000001.rar")).size() / 1e6;

    QProcess servidor;
    const quint16 portaServidor = bench::iniciaServidorDatp(servidor, dir.filePath(QStringLiteral("servidor")));
    if (portaServidor == 0) {
        std::fprintf(stderr, "orva-datp-server did not start\n");
        return 1;
    }

    auto frm = Tfrm_main::Inicia(pastaCliente, QString(), QString());
    frm->show();
    frm->cliente().endereco().porta = portaServidor;
    const double grandeJanela = maiorIntervalo(*frm, grande, true);
    const double grandeBloqueante = maiorIntervalo(*frm, grande, false);
    servidor.kill();
    servidor.waitForFinished(5000);

    const std::chrono::seconds atraso(atrasoSegundos);
    double lentoJanela, lentoBloqueante;
    frm = Tfrm_main::Inicia(pastaCliente, QString(), QString());
    frm->show();
    {
        ServidorLento lento(atraso);
        frm->cliente().endereco().porta = lento.porta;
        lentoJanela = maiorIntervalo(*frm, pequena, true);
    }
    {
        ServidorLento lento(atraso);
        frm->cliente().endereco().porta = lento.porta;
        lentoBloqueante = maiorIntervalo(*frm, pequena, false);
    }
    orva::setPrompts(nullptr);

    std::printf("longest gap between two handled events (goal: under 100 ms with the watcher)\n");
    std::printf("  %.1f MB delivery:    window %8.1f ms   blocking exchange %9.1f ms   ratio %.0f\n", mb, grandeJanela,
                grandeBloqueante, grandeBloqueante / grandeJanela);
    std::printf("  %d s reply wait:     window %8.1f ms   blocking exchange %9.1f ms   ratio %.0f\n", atrasoSegundos,
                lentoJanela, lentoBloqueante, lentoBloqueante / lentoJanela);
    return 0;
}
