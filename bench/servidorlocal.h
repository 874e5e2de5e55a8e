#pragma once
// Servers the delivery benchmarks talk to, on 127.0.0.1 only.
#include <QProcess>
#include <QRegularExpression>
#include <QStringList>

#include <netinet/in.h>
#include <sys/socket.h>

namespace bench {

// A socket listening on a free loopback port; `endereco` receives its address.
inline int escutaLocal(sockaddr_in *endereco)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    *endereco = sockaddr_in{};
    endereco->sin_family = AF_INET;
    endereco->sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t n = sizeof *endereco;
    ::bind(fd, reinterpret_cast<sockaddr *>(endereco), n);
    ::listen(fd, 1);
    ::getsockname(fd, reinterpret_cast<sockaddr *>(endereco), &n);
    return fd;
}

// Starts the reference receiving server on a free port with its data in
// `pasta`; the port it listens on, or 0 when it did not start.
inline quint16 iniciaServidorDatp(QProcess &servidor, const QString &pasta)
{
    servidor.start(QStringLiteral(ORVA_DIST_DIR "/orva-datp-server"),
                   {QStringLiteral("--port"), QStringLiteral("0"), QStringLiteral("--data"), pasta});
    QByteArray linha;
    while (!linha.contains('\n') && servidor.waitForReadyRead(10000))
        linha += servidor.readAllStandardOutput();
    const auto m = QRegularExpression(QStringLiteral("127\\.0\\.0\\.1:(\\d+)")).match(QString::fromUtf8(linha));
    return m.hasMatch() ? static_cast<quint16>(m.captured(1).toUInt()) : 0;
}

} // namespace bench
