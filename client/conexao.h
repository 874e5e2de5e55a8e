#pragma once
#include <QByteArray>
#include <QString>

#include <chrono>
#include <sys/uio.h>

// One TCP connection of the delivery client over POSIX sockets. Every wait
// (connecting, sending, a reply) blocks in poll() with a deadline, so nothing
// spins and nothing waits for ever.
namespace orva::cliente {

using Relogio = std::chrono::steady_clock;
using Milissegundos = std::chrono::milliseconds;

class Conexao {
public:
    Conexao() = default;
    ~Conexao();
    Conexao(const Conexao &) = delete;
    Conexao &operator=(const Conexao &) = delete;

    // Resolves `host` (name or IPv4 address) and connects, trying each address
    // in turn, all within `limite`. False with *erro when no connection could
    // be made in time.
    bool conecta(const QString &host, quint16 porta, Milissegundos limite, QString *erro);

    // Sends every byte of the buffers, in order. Each wait for room in the
    // socket may last at most `limiteSemProgresso`. False with *erro on a send
    // error, a peer that closed or a stall beyond the limit.
    bool envia(const struct iovec *partes, int quantas, Milissegundos limiteSemProgresso, QString *erro);
    bool envia(const QByteArray &dados, Milissegundos limiteSemProgresso, QString *erro);

    enum class Leitura {
        Linha,   // a line came; its LF and a CR before it are removed
        Prazo,   // the deadline passed first
        Fechada, // the peer closed (or reset) the connection and no line is left
    };
    // Reads the next line, waiting for bytes until `prazo`. A line longer than
    // 64 KiB is cut there (the rest of it is dropped up to its line end).
    Leitura leLinha(QByteArray &linha, Relogio::time_point prazo);

    bool aberta() const { return m_fd >= 0; }
    void fecha();

private:
    bool extraiLinha(QByteArray &linha);

    int m_fd = -1;
    QByteArray m_buffer;
    bool m_descartando = false; // dropping the rest of a line cut at the limit
    bool m_fim = false;         // the peer sent its last byte
};

} // namespace orva::cliente
