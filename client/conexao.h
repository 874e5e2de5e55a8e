#pragma once
#include "common/plataforma/soquete.h"

#include <QByteArray>
#include <QString>

#include <chrono>
#include <functional>

// One TCP connection of the delivery client over the system's sockets
// (common/plataforma). Every wait (connecting, sending, a reply) blocks in
// poll() with a deadline, so nothing spins and nothing waits for ever. A
// caller that must stay responsive (a window) sets a watcher: the waits are
// then cut into short slices with the watcher called between them, the
// deadlines unchanged.
namespace orva::cliente {

using Relogio = std::chrono::steady_clock;
using Milissegundos = std::chrono::milliseconds;
// One buffer of a send in parts.
using Parte = plataforma::Parte;
// getaddrinfo() (plataforma::procuraEndereco) or a stand-in.
using Resolvedor = std::function<int(const char *, const char *, const addrinfo *, addrinfo **)>;
// Called at least once a slice while the connection waits or sends; false
// stops what is running (see cancelada()).
using Vigia = std::function<bool()>;

class Conexao {
public:
    Conexao() = default;
    ~Conexao();
    Conexao(const Conexao &) = delete;
    Conexao &operator=(const Conexao &) = delete;

    // Resolves `host` (name or IPv4 address) and connects, trying each address
    // in turn, all within `limite`, the name lookup included. False with *erro
    // when no connection could be made in time.
    bool conecta(const QString &host, quint16 porta, Milissegundos limite, QString *erro);

    // Sends every byte of the buffers, in order. Each wait for room in the
    // socket may last at most `limiteSemProgresso`, and the whole send ends
    // at `prazo`, checked on every turn however the peer reads. False with
    // *erro on a send error, a peer that closed or a stall beyond a limit.
    bool envia(const Parte *partes, int quantas, Milissegundos limiteSemProgresso, QString *erro,
               Relogio::time_point prazo = Relogio::time_point::max());
    bool envia(const QByteArray &dados, Milissegundos limiteSemProgresso, QString *erro);
    // The last failed send ended because no byte was accepted within its
    // limit, or its deadline passed.
    bool envioParado() const { return m_parado; }

    enum class Leitura {
        Linha,   // a whole line came; its LF and a CR before it are removed
        Prazo,   // the deadline passed first
        Fechada, // the peer closed (or reset) the connection before a line end
        Cancelada, // the watcher stopped the wait
    };
    // Reads the next line, waiting for bytes until `prazo` however many come
    // meanwhile. A line is whole only with its line end: bytes cut off by a
    // close are dropped. A line longer than 64 KiB keeps its first 64 KiB.
    Leitura leLinha(QByteArray &linha, Relogio::time_point prazo);

    // Bytes from the peer are waiting to be read (or it closed): nothing
    // is waited for.
    bool haParaLer();

    // The watcher and the longest slice between two of its calls; an empty
    // watcher makes each wait one poll() again.
    void defineVigia(Vigia vigia, Milissegundos fatia = Milissegundos(20));
    // The watcher stopped the last connect, send or read.
    bool cancelada() const { return m_cancelada; }

    // Replaces the name service (tests); an empty function restores getaddrinfo().
    static void defineResolvedor(Resolvedor resolve);

    bool aberta() const { return m_fd != plataforma::SoqueteInvalido; }
    void fecha();

private:
    bool extraiLinha(QByteArray &linha);
    // Waits for `evento` until `prazo`: >0 ready, 0 time out, <0 error or
    // stopped by the watcher (m_cancelada).
    int espera(plataforma::Soquete fd, plataforma::Evento evento, Relogio::time_point prazo);
    // Calls the watcher when a slice has passed since its last call; false
    // when it stopped the work.
    bool vigiaSeDevida();
    bool chamaVigia();

    plataforma::Soquete m_fd = plataforma::SoqueteInvalido;
    QByteArray m_buffer;
    QByteArray m_cortada;       // the kept part of a line beyond the limit
    bool m_descartando = false; // dropping the rest of that line
    bool m_fim = false;         // the peer sent its last byte
    bool m_parado = false;      // see envioParado()
    Vigia m_vigia;
    Milissegundos m_fatia{20};
    Relogio::time_point m_ultimaVigia{};
    bool m_cancelada = false;
};

} // namespace orva::cliente
