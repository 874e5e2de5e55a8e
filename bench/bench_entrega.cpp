// Delivering a 50 MB archive to orva-datp-server on loopback, against a plain
// socket copy of the same bytes to a sink that reads and drops them, in the
// same run (medians of five rounds). Transfer throughput is measured the same way on both sides: from
// the first byte to the last handed to the socket. The client thread's CPU
// time while it waits for the server's reply is read with getrusage.
#include "declaracao_grande.h"
#include "servidorlocal.h"

#include "archiver/rar_archive.h"
#include "client/datp.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <netinet/in.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdio>
#include <algorithm>
#include <thread>
#include <vector>

namespace {

double cpuDaThread()
{
    rusage u{};
    getrusage(RUSAGE_THREAD, &u);
    return u.ru_utime.tv_sec + u.ru_stime.tv_sec + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// Plain copy: the file's bytes to a loopback sink, 64 KiB at a time.
double copiaSimples(const QString &arquivo, qint64 tamanho)
{
    sockaddr_in a{};
    const int escuta = bench::escutaLocal(&a);
    std::thread sumidouro([escuta, tamanho] {
        const int c = ::accept(escuta, nullptr, nullptr);
        static char buffer[1 << 18];
        qint64 total = 0;
        while (total < tamanho) {
            const ssize_t r = ::recv(c, buffer, sizeof buffer, 0);
            if (r <= 0)
                break;
            total += r;
        }
        ::send(c, "ok\n", 3, MSG_NOSIGNAL);
        ::close(c);
    });
    const int s = ::socket(AF_INET, SOCK_STREAM, 0);
    ::connect(s, reinterpret_cast<sockaddr *>(&a), sizeof a);
    QFile f(arquivo);
    f.open(QIODevice::ReadOnly | QIODevice::Unbuffered);
    static char buffer[1 << 16];
    QElapsedTimer t;
    t.start();
    qint64 lidos;
    while ((lidos = f.read(buffer, sizeof buffer)) > 0) {
        qint64 feito = 0;
        while (feito < lidos) {
            const ssize_t w = ::send(s, buffer + feito, lidos - feito, MSG_NOSIGNAL);
            if (w <= 0)
                std::abort();
            feito += w;
        }
    }
    const double segundos = t.nsecsElapsed() / 1e9;
    char ok[3];
    ::recv(s, ok, sizeof ok, MSG_WAITALL);
    ::close(s);
    sumidouro.join();
    ::close(escuta);
    return segundos;
}

struct Medida {
    double transferencia = 0; // first to last byte handed to the socket
    double total = 0;         // from the connection to the reply
    double cpuEspera = 0;     // client thread CPU while waiting for the reply
    double espera = 0;        // wall time of that wait
    QString codigo;
};

Medida entrega(const QString &arquivo, quint16 porta, int blocosPorEnvio)
{
    orva::cliente::Endereco endereco;
    endereco.porta = porta;
    orva::cliente::Limites limites;
    QElapsedTimer t, transf;
    double fimTransferencia = 0, cpuNoFim = 0;
    t.start();
    const auto confirma = [&](const orva::cliente::Resposta &) {
        transf.start();
        return true;
    };
    // The wait after the archive's bytes begins when the last one was handed
    // to the socket.
    const auto acompanha = [&](const orva::cliente::Andamento &a) {
        if (a.etapa == orva::cliente::Andamento::Etapa::Aguardando && a.aposEnvio && fimTransferencia == 0) {
            fimTransferencia = transf.nsecsElapsed() / 1e9;
            cpuNoFim = cpuDaThread();
            transf.restart();
        }
        return true;
    };
    const auto r = orva::cliente::EntregaDeclaracao(endereco, arquivo, limites, confirma, acompanha, blocosPorEnvio);
    Medida m;
    m.cpuEspera = cpuDaThread() - cpuNoFim;
    m.espera = transf.nsecsElapsed() / 1e9;
    m.total = t.nsecsElapsed() / 1e9;
    m.transferencia = fimTransferencia;
    m.codigo = r.resposta.codigo;
    return m;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    const int linhas = argc > 1 ? std::atoi(argv[1]) : 1450000;
    std::printf("writing a declaration of %d invoice rows and packing it...\n", linhas);
    const QString exp = dir.filePath(QStringLiteral("Orva000700000000000001.exp"));
    bench::escreveDeclaracao(exp, linhas);
    const QString arquivo = dir.filePath(QStringLiteral("Orva000700000000000001.rar"));
    QString erro;
    if (!orva::rar::add(arquivo, {exp}, &erro)) {
        std::fprintf(stderr, "packing failed: %s\n", qPrintable(erro));
        return 1;
    }
    QFile::remove(exp);
    const qint64 tamanho = QFileInfo(arquivo).size();
    const double mb = tamanho / 1e6;
    std::printf("archive: %.1f MB\n", mb);

    QProcess servidor;
    const quint16 porta = bench::iniciaServidorDatp(servidor, dir.filePath(QStringLiteral("servidor")));
    if (porta == 0) {
        std::fprintf(stderr, "orva-datp-server did not start\n");
        return 1;
    }

    // Five rounds, alternating; the medians are reported.
    std::vector<double> copias;
    std::vector<Medida> entregas, literais;
    for (int rodada = 0; rodada < 5; ++rodada) {
        copias.push_back(copiaSimples(arquivo, tamanho));
        entregas.push_back(entrega(arquivo, porta, 128));
        literais.push_back(entrega(arquivo, porta, 1));
        if (entregas.back().codigo != QLatin1String("201")) {
            std::fprintf(stderr, "the server answered %s\n", qPrintable(entregas.back().codigo));
            return 1;
        }
    }
    const auto porTransferencia = [](const Medida &a, const Medida &b) { return a.transferencia < b.transferencia; };
    std::sort(copias.begin(), copias.end());
    std::sort(entregas.begin(), entregas.end(), porTransferencia);
    std::sort(literais.begin(), literais.end(), porTransferencia);
    const double melhorCopia = copias[2];
    const Medida melhor = entregas[2], literal = literais[2];
    servidor.kill();
    servidor.waitForFinished(5000);

    std::printf("plain socket copy:             %7.1f MB/s (%.3f s)\n", mb / melhorCopia, melhorCopia);
    std::printf("delivery (128 blocks a call):  %7.1f MB/s (%.3f s); reply after %.3f s, %.3f s in all\n",
                mb / melhor.transferencia, melhor.transferencia, melhor.espera, melhor.total);
    std::printf("delivery (1 block a call):     %7.1f MB/s (%.3f s)\n", mb / literal.transferencia, literal.transferencia);
    std::printf("ratio delivery / plain copy:   %.2f (goal: at least 0.5)\n", melhorCopia / melhor.transferencia);
    std::printf("client CPU while waiting %.3f s for the reply: %.4f s (goal: near zero)\n", melhor.espera,
                melhor.cpuEspera);
    return 0;
}
