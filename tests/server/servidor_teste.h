#pragma once
// The real orva-datp-server on a free loopback port, for the server's and the
// end-to-end tests.
#include <QByteArray>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QProcess>
#include <QRegularExpression>
#include <QString>
#include <QStringList>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

class ServidorDatp {
public:
    explicit ServidorDatp(const QString &dados, const QStringList &extra = {})
    {
        processo.start(QStringLiteral(ORVA_DIST_DIR "/orva-datp-server"),
                       QStringList{"--port", "0", "--data", dados} + extra);
        // The first line names the port it listens on.
        QByteArray linha;
        while (!linha.contains('\n') && processo.waitForReadyRead(10000))
            linha += processo.readAllStandardOutput();
        const auto m = QRegularExpression(QStringLiteral("127\\.0\\.0\\.1:(\\d+)")).match(QString::fromUtf8(linha));
        EXPECT_TRUE(m.hasMatch()) << linha.toStdString() << processo.readAllStandardError().toStdString();
        porta = static_cast<quint16>(m.captured(1).toUInt());
    }
    ~ServidorDatp()
    {
        processo.kill();
        processo.waitForFinished(5000);
    }
    quint16 porta = 0;
    QProcess processo;
};

// Archives and files left under the data folder's "recebendo" (the servers'
// locks aside): none once every client is done.
// A server removes an archive when the client has gone: this waits up to
// `esperaMs` for that.
inline QStringList restosRecebendo(const QString &dados, int esperaMs = 3000)
{
    QElapsedTimer relogio;
    relogio.start();
    for (;;) {
        QStringList restos;
        QDirIterator it(dados + QStringLiteral("/recebendo"), QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString caminho = it.next();
            if (!caminho.endsWith(QLatin1String("/.varredura")) && !caminho.endsWith(QLatin1String("/.trava")))
                restos << caminho;
        }
        if (restos.isEmpty() || relogio.elapsed() >= esperaMs)
            return restos;
        ::usleep(20000);
    }
}

// A raw connection to the server.
class ConexaoBruta {
public:
    // `origem`: the local address to connect from (any of 127.0.0.0/8), so
    // tests can play clients of several addresses.
    explicit ConexaoBruta(quint16 porta, const char *origem = nullptr)
    {
        m_fd = ::socket(AF_INET, SOCK_STREAM, 0);
        if (origem) {
            sockaddr_in local{};
            local.sin_family = AF_INET;
            ::inet_pton(AF_INET, origem, &local.sin_addr);
            EXPECT_EQ(::bind(m_fd, reinterpret_cast<sockaddr *>(&local), sizeof local), 0);
        }
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        a.sin_port = htons(porta);
        EXPECT_EQ(::connect(m_fd, reinterpret_cast<sockaddr *>(&a), sizeof a), 0);
    }
    ~ConexaoBruta() { fecha(); }
    int fd() const { return m_fd; }
    void envia(const QByteArray &dados)
    {
        qsizetype feito = 0;
        while (feito < dados.size()) {
            const ssize_t n = ::send(m_fd, dados.constData() + feito, dados.size() - feito, MSG_NOSIGNAL);
            if (n <= 0)
                return;
            feito += n;
        }
    }
    // The next line (CR LF removed), or empty after `esperaMs` or a close.
    QByteArray linha(int esperaMs = 5000)
    {
        for (;;) {
            const qsizetype lf = m_buffer.indexOf('\n');
            if (lf >= 0) {
                QByteArray l = m_buffer.left(lf);
                m_buffer.remove(0, lf + 1);
                if (l.endsWith('\r'))
                    l.chop(1);
                return l;
            }
            pollfd p{m_fd, POLLIN, 0};
            char bloco[4096];
            if (::poll(&p, 1, esperaMs) <= 0)
                return {};
            const ssize_t n = ::recv(m_fd, bloco, sizeof bloco, 0);
            if (n <= 0)
                return {};
            m_buffer.append(bloco, n);
        }
    }
    // True when the server closed the connection within `esperaMs`.
    bool fechada(int esperaMs = 5000)
    {
        pollfd p{m_fd, POLLIN, 0};
        char c;
        return ::poll(&p, 1, esperaMs) > 0 && ::recv(m_fd, &c, 1, 0) <= 0;
    }
    void fecha()
    {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = -1;
    }

private:
    int m_fd = -1;
    QByteArray m_buffer;
};
