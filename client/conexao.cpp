#include "conexao.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace orva::cliente {
namespace {

constexpr qsizetype TamanhoMaximoLinha = 64 * 1024;

QString textoErro(int codigo) { return QString::fromLocal8Bit(std::strerror(codigo)); }

// Milliseconds left until `prazo`, rounded up so a wait never ends early;
// 0 once it has passed.
int restante(Relogio::time_point prazo)
{
    const auto agora = Relogio::now();
    if (agora >= prazo)
        return 0;
    const auto ms = std::chrono::ceil<std::chrono::milliseconds>(prazo - agora).count();
    return ms > 3600000 ? 3600000 : static_cast<int>(ms);
}

// Waits for `eventos` on the socket until `prazo`: >0 ready, 0 time out, <0 error.
int esperaAte(int fd, short eventos, Relogio::time_point prazo)
{
    for (;;) {
        pollfd p{fd, eventos, 0};
        const int r = ::poll(&p, 1, restante(prazo));
        if (r < 0 && errno == EINTR)
            continue;
        if (r == 0 && Relogio::now() < prazo)
            continue; // woke a little early: the time is not up yet
        return r;
    }
}

int resolvePadrao(const char *nome, const char *servico, const addrinfo *dica, addrinfo **res)
{
    return ::getaddrinfo(nome, servico, dica, res);
}

// The name service, replaceable by tests.
Resolvedor &resolvedor()
{
    static Resolvedor r = resolvePadrao;
    return r;
}

// getaddrinfo() has no time limit of its own: the lookup runs in a thread of
// its own and is waited for until `prazo`, `fatia` at a time with `entre`
// called between the slices (false abandons it as cancelled). A lookup still
// running then is left behind; it frees its own answer when it ends.
int resolveAte(const QByteArray &nome, const QByteArray &servico, const addrinfo &dica, Relogio::time_point prazo,
               const std::function<bool()> &entre, Milissegundos fatia, addrinfo **enderecos, bool *cancelada)
{
    struct Busca {
        std::mutex trava;
        std::condition_variable pronta;
        bool feita = false, abandonada = false;
        int resultado = EAI_AGAIN;
        addrinfo *enderecos = nullptr;
    };
    auto busca = std::make_shared<Busca>();
    try {
        std::thread([busca, nome, servico, dica, resolve = resolvedor()] {
            addrinfo *res = nullptr;
            const int r = resolve(nome.constData(), servico.constData(), &dica, &res);
            const std::lock_guard<std::mutex> trava(busca->trava);
            if (busca->abandonada) {
                if (r == 0 && res)
                    ::freeaddrinfo(res);
                return;
            }
            busca->resultado = r;
            busca->enderecos = res;
            busca->feita = true;
            busca->pronta.notify_one();
        }).detach();
    } catch (const std::system_error &) {
        return EAI_SYSTEM;
    }
    std::unique_lock<std::mutex> trava(busca->trava);
    for (;;) {
        const auto fim = entre ? std::min(prazo, Relogio::now() + fatia) : prazo;
        if (busca->pronta.wait_until(trava, fim, [&] { return busca->feita; }))
            break;
        if (fim >= prazo) {
            busca->abandonada = true;
            return EAI_AGAIN;
        }
        trava.unlock();
        const bool segue = entre();
        trava.lock();
        if (!segue && !busca->feita) {
            busca->abandonada = true;
            *cancelada = true;
            return EAI_AGAIN;
        }
    }
    *enderecos = busca->enderecos;
    return busca->resultado;
}

} // namespace

Conexao::~Conexao() { fecha(); }

void Conexao::defineResolvedor(Resolvedor resolve)
{
    resolvedor() = resolve ? std::move(resolve) : Resolvedor(resolvePadrao);
}

void Conexao::defineVigia(Vigia vigia, Milissegundos fatia)
{
    m_vigia = std::move(vigia);
    m_fatia = std::max(fatia, Milissegundos(1));
}

bool Conexao::vigiaSeDevida()
{
    if (!m_vigia || Relogio::now() - m_ultimaVigia < m_fatia)
        return true;
    return chamaVigia();
}

bool Conexao::chamaVigia()
{
    const bool segue = m_vigia();
    m_ultimaVigia = Relogio::now();
    if (!segue)
        m_cancelada = true;
    return segue;
}

int Conexao::espera(int fd, short eventos, Relogio::time_point prazo)
{
    for (;;) {
        if (!vigiaSeDevida()) {
            errno = ECANCELED;
            return -1;
        }
        // Without a watcher one poll() to the deadline; with one, up to the
        // end of the slice, the deadline never moved.
        const auto fim = m_vigia ? std::min(prazo, m_ultimaVigia + m_fatia) : prazo;
        const int r = esperaAte(fd, eventos, fim);
        if (r != 0 || fim >= prazo)
            return r;
    }
}

void Conexao::fecha()
{
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
    m_buffer.clear();
    m_cortada.clear();
    m_descartando = false;
    m_fim = false;
}

bool Conexao::conecta(const QString &host, quint16 porta, Milissegundos limite, QString *erro)
{
    fecha();
    m_cancelada = false;
    const auto prazo = Relogio::now() + limite;
    const QByteArray nome = host.trimmed().toUtf8();
    const QByteArray servico = QByteArray::number(porta);
    if (nome.isEmpty()) {
        *erro = QStringLiteral("endereço do servidor vazio");
        return false;
    }
    addrinfo dica{};
    dica.ai_family = AF_UNSPEC;
    dica.ai_socktype = SOCK_STREAM;
    dica.ai_flags = AI_NUMERICHOST | AI_NUMERICSERV;
    addrinfo *enderecos = nullptr;
    // A numeric address needs no name service; only a host name is resolved.
    int r = ::getaddrinfo(nome.constData(), servico.constData(), &dica, &enderecos);
    if (r != 0) {
        dica.ai_flags = AI_NUMERICSERV;
        const auto entre = m_vigia ? std::function<bool()>([this] { return chamaVigia(); }) : std::function<bool()>();
        r = resolveAte(nome, servico, dica, prazo, entre, m_fatia, &enderecos, &m_cancelada);
    }
    if (m_cancelada) {
        *erro = QStringLiteral("operação cancelada");
        return false;
    }
    if (r == EAI_AGAIN && Relogio::now() >= prazo) {
        *erro = QStringLiteral("tempo limite esgotado ao procurar o endereço de %1").arg(host.trimmed());
        return false;
    }
    if (r != 0) {
        *erro = QString::fromLocal8Bit(::gai_strerror(r));
        return false;
    }
    QString ultimo = QStringLiteral("tempo limite esgotado");
    for (addrinfo *a = enderecos; a && m_fd < 0; a = a->ai_next) {
        const int fd = ::socket(a->ai_family, a->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, a->ai_protocol);
        if (fd < 0) {
            ultimo = textoErro(errno);
            continue;
        }
        int codigo = 0;
        if (::connect(fd, a->ai_addr, a->ai_addrlen) != 0) {
            codigo = errno;
            if (codigo == EINPROGRESS) {
                const int w = espera(fd, POLLOUT, prazo);
                if (w > 0) {
                    socklen_t tamanho = sizeof codigo;
                    if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &codigo, &tamanho) != 0)
                        codigo = errno;
                } else {
                    codigo = w == 0 ? ETIMEDOUT : errno;
                }
            }
        }
        if (codigo == 0) {
            m_fd = fd;
        } else {
            ultimo = textoErro(codigo);
            ::close(fd);
            if (Relogio::now() >= prazo || m_cancelada)
                break;
        }
    }
    ::freeaddrinfo(enderecos);
    if (m_cancelada) {
        *erro = QStringLiteral("operação cancelada");
        return false;
    }
    if (m_fd < 0) {
        *erro = ultimo;
        return false;
    }
    return true;
}

bool Conexao::envia(const struct iovec *partes, int quantas, Milissegundos limiteSemProgresso, QString *erro)
{
    m_parado = false;
    m_cancelada = false;
    // A private copy: partial sends advance it.
    std::vector<iovec> resto(partes, partes + quantas);
    size_t inicio = 0;
    while (inicio < resto.size()) {
        if (resto[inicio].iov_len == 0) {
            ++inicio;
            continue;
        }
        msghdr mensagem{};
        mensagem.msg_iov = resto.data() + inicio;
        mensagem.msg_iovlen = std::min<size_t>(resto.size() - inicio, IOV_MAX);
        const ssize_t n = ::sendmsg(m_fd, &mensagem, MSG_NOSIGNAL);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            if (errno != EAGAIN && errno != EWOULDBLOCK) {
                *erro = textoErro(errno);
                return false;
            }
            const int w = espera(m_fd, POLLOUT, Relogio::now() + limiteSemProgresso);
            if (m_cancelada) {
                *erro = QStringLiteral("envio cancelado");
                return false;
            }
            if (w <= 0) {
                m_parado = w == 0;
                *erro = w == 0 ? QStringLiteral("o servidor deixou de receber os dados") : textoErro(errno);
                return false;
            }
            continue;
        }
        size_t enviado = static_cast<size_t>(n);
        while (enviado > 0 && inicio < resto.size()) {
            iovec &p = resto[inicio];
            const size_t parte = std::min(enviado, p.iov_len);
            p.iov_base = static_cast<char *>(p.iov_base) + parte;
            p.iov_len -= parte;
            enviado -= parte;
            if (p.iov_len == 0)
                ++inicio;
        }
        if (!vigiaSeDevida()) {
            *erro = QStringLiteral("envio cancelado");
            return false;
        }
    }
    return true;
}

bool Conexao::envia(const QByteArray &dados, Milissegundos limiteSemProgresso, QString *erro)
{
    iovec parte{const_cast<char *>(dados.constData()), static_cast<size_t>(dados.size())};
    return envia(&parte, 1, limiteSemProgresso, erro);
}

bool Conexao::extraiLinha(QByteArray &linha)
{
    const qsizetype fim = m_buffer.indexOf('\n');
    if (fim < 0) {
        // A line beyond the limit keeps its first part; the rest is dropped
        // until its end arrives.
        if (!m_descartando && m_buffer.size() >= TamanhoMaximoLinha) {
            m_cortada = m_buffer.left(TamanhoMaximoLinha);
            m_descartando = true;
        }
        if (m_descartando)
            m_buffer.clear();
        return false;
    }
    if (m_descartando) {
        linha = m_cortada;
        m_cortada.clear();
        m_descartando = false;
    } else {
        linha = m_buffer.left(fim);
        if (linha.endsWith('\r'))
            linha.chop(1);
    }
    m_buffer.remove(0, fim + 1);
    return true;
}

Conexao::Leitura Conexao::leLinha(QByteArray &linha, Relogio::time_point prazo)
{
    m_cancelada = false;
    for (;;) {
        if (extraiLinha(linha))
            return Leitura::Linha;
        // Bytes left without their line end were cut off by the close: they
        // are no line at all.
        if (m_fim || m_fd < 0)
            return Leitura::Fechada;
        const int w = espera(m_fd, POLLIN, prazo);
        if (m_cancelada)
            return Leitura::Cancelada;
        if (w == 0)
            return Leitura::Prazo;
        if (w < 0) {
            m_fim = true;
            continue;
        }
        char bloco[16384];
        const ssize_t n = ::recv(m_fd, bloco, sizeof bloco, 0);
        if (n > 0)
            m_buffer.append(bloco, n);
        else if (n == 0 || (errno != EINTR && errno != EAGAIN && errno != EWOULDBLOCK))
            m_fim = true;
    }
}

} // namespace orva::cliente
