#include "soquete.h"

#include <algorithm>
#include <climits>
#include <type_traits>
#include <vector>

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>
#else
#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/uio.h>
#include <unistd.h>
#endif

namespace orva::plataforma {
namespace {

int milissegundos(std::chrono::milliseconds limite)
{
    return static_cast<int>(std::clamp<std::chrono::milliseconds::rep>(limite.count(), 0, INT_MAX));
}

// Buffers handed to the system in one call at most.
constexpr int PartesPorChamada = 1024;

addrinfo dicaCom(int bandeiras)
{
    addrinfo d{};
    d.ai_family = AF_UNSPEC;
    d.ai_socktype = SOCK_STREAM;
    d.ai_flags = bandeiras;
    return d;
}

sockaddr_in enderecoLocal(quint16 porta)
{
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = htons(porta);
    return a;
}

#ifdef _WIN32

static_assert(std::is_same_v<Soquete, SOCKET>);

// Winsock is started once, by whichever thread gets here first, and stays
// up until the process ends.
bool winsock()
{
    static const bool iniciado = [] {
        WSADATA dados;
        return WSAStartup(MAKEWORD(2, 2), &dados) == 0;
    }();
    return iniciado;
}

Soquete criaBloqueante(int familia, int tipo, int protocolo)
{
    if (!winsock())
        return SoqueteInvalido;
    // Not inherited: a child process must not keep the connection open.
    return WSASocketW(familia, tipo, protocolo, nullptr, 0, WSA_FLAG_OVERLAPPED | WSA_FLAG_NO_HANDLE_INHERIT);
}

#else

Soquete criaBloqueante(int familia, int tipo, int protocolo)
{
    return ::socket(familia, tipo | SOCK_CLOEXEC, protocolo);
}

#endif

} // namespace

#ifdef _WIN32

Soquete criaSoquete(const addrinfo &endereco)
{
    const Soquete s = criaBloqueante(endereco.ai_family, endereco.ai_socktype, endereco.ai_protocol);
    u_long naoBloqueia = 1;
    if (s != SoqueteInvalido && ioctlsocket(s, FIONBIO, &naoBloqueia) != 0) {
        const int codigo = WSAGetLastError();
        closesocket(s);
        WSASetLastError(codigo);
        return SoqueteInvalido;
    }
    return s;
}

int conecta(Soquete s, const addrinfo &endereco)
{
    return ::connect(s, endereco.ai_addr, static_cast<int>(endereco.ai_addrlen)) == 0 ? 0 : WSAGetLastError();
}

// select() rather than WSAPoll(): before Windows 10 2004 WSAPoll() does not
// report a failed connection, which select() does in its exception set.
int espera(Soquete s, Evento evento, std::chrono::milliseconds limite)
{
    fd_set conjunto, falhas;
    FD_ZERO(&conjunto);
    FD_ZERO(&falhas);
    FD_SET(s, &conjunto);
    FD_SET(s, &falhas);
    const int ms = milissegundos(limite);
    timeval tempo{ms / 1000, (ms % 1000) * 1000};
    const bool leitura = evento == Evento::Leitura;
    const int r = ::select(0, leitura ? &conjunto : nullptr, leitura ? nullptr : &conjunto, leitura ? nullptr : &falhas,
                           &tempo);
    return r == SOCKET_ERROR ? -1 : r;
}

std::ptrdiff_t enviaPartes(Soquete s, const Parte *partes, int quantas)
{
    // WSABUF holds 32-bit lengths and the count sent is 32-bit too: a call
    // takes at most 1 GiB, a longer part goes in pieces and nothing after it
    // goes in the same call.
    std::vector<WSABUF> buffers;
    buffers.reserve(static_cast<size_t>(std::min(quantas, PartesPorChamada)));
    std::size_t resta = std::size_t(1) << 30;
    for (int i = 0; i < quantas && i < PartesPorChamada && resta > 0; ++i) {
        const std::size_t tamanho = std::min(partes[i].tamanho, resta);
        buffers.push_back({static_cast<ULONG>(tamanho), const_cast<char *>(partes[i].dados)});
        resta -= tamanho;
        if (tamanho < partes[i].tamanho)
            break;
    }
    DWORD enviados = 0;
    if (WSASend(s, buffers.data(), static_cast<DWORD>(buffers.size()), &enviados, 0, nullptr, nullptr) != 0)
        return -1;
    return static_cast<std::ptrdiff_t>(enviados);
}

std::ptrdiff_t recebe(Soquete s, char *destino, std::size_t tamanho)
{
    const int r = ::recv(s, destino, static_cast<int>(std::min<std::size_t>(tamanho, INT_MAX)), 0);
    return r == SOCKET_ERROR ? -1 : r;
}

int erroPendente(Soquete s)
{
    int codigo = 0;
    int tamanho = sizeof codigo;
    if (::getsockopt(s, SOL_SOCKET, SO_ERROR, reinterpret_cast<char *>(&codigo), &tamanho) != 0)
        return WSAGetLastError();
    return codigo;
}

void fechaSoquete(Soquete s)
{
    if (s != SoqueteInvalido)
        closesocket(s);
}

int ultimoErro() { return WSAGetLastError(); }

QString textoErro(int codigo)
{
    wchar_t *texto = nullptr;
    const DWORD n = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM
                                       | FORMAT_MESSAGE_IGNORE_INSERTS,
                                   nullptr, static_cast<DWORD>(codigo), 0, reinterpret_cast<wchar_t *>(&texto), 0,
                                   nullptr);
    QString r;
    if (n)
        r = QString::fromWCharArray(texto, static_cast<qsizetype>(n)).trimmed();
    else if (codigo == WSAETIMEDOUT) // Wine lacks this text, and a connection gives it itself
        r = QStringLiteral("tempo limite esgotado");
    else
        r = QStringLiteral("erro %1 do Winsock").arg(codigo);
    LocalFree(texto);
    if (r.endsWith(QLatin1Char('.')))
        r.chop(1);
    return r;
}

// A non-blocking connect() says "would block" where POSIX says "in progress".
bool bloquearia(int codigo) { return codigo == WSAEWOULDBLOCK; }
bool emAndamento(int codigo) { return codigo == WSAEWOULDBLOCK || codigo == WSAEINPROGRESS; }
bool interrompida(int codigo) { return codigo == WSAEINTR; }
const int ErroTempoEsgotado = WSAETIMEDOUT;

int procuraEndereco(const char *nome, const char *servico, const addrinfo *dica, addrinfo **enderecos)
{
    if (!winsock())
        return WSANOTINITIALISED;
    return ::getaddrinfo(nome, servico, dica, enderecos);
}

void liberaEnderecos(addrinfo *enderecos) { ::freeaddrinfo(enderecos); }

// The lookup's codes are Winsock's own.
QString textoErroProcura(int codigo) { return textoErro(codigo); }
const int ProcuraTemporaria = EAI_AGAIN;
const int ProcuraFalhaSistema = EAI_MEMORY;

Soquete escutaLocal(int fila, quint16 *porta)
{
    const Soquete s = criaBloqueante(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a = enderecoLocal(0);
    int n = sizeof a;
    if (s == SoqueteInvalido || ::bind(s, reinterpret_cast<sockaddr *>(&a), n) != 0 || ::listen(s, fila) != 0
        || ::getsockname(s, reinterpret_cast<sockaddr *>(&a), &n) != 0) {
        const int codigo = WSAGetLastError();
        fechaSoquete(s);
        WSASetLastError(codigo);
        return SoqueteInvalido;
    }
    *porta = ntohs(a.sin_port);
    return s;
}

Soquete aceita(Soquete escuta) { return ::accept(escuta, nullptr, nullptr); }

Soquete conectaLocal(quint16 porta, const char *origem)
{
    const Soquete s = criaBloqueante(AF_INET, SOCK_STREAM, 0);
    if (s == SoqueteInvalido)
        return s;
    bool feito = true;
    if (origem) {
        sockaddr_in local{};
        local.sin_family = AF_INET;
        feito = ::inet_pton(AF_INET, origem, &local.sin_addr) == 1
                && ::bind(s, reinterpret_cast<sockaddr *>(&local), sizeof local) == 0;
    }
    const sockaddr_in a = enderecoLocal(porta);
    if (!feito || ::connect(s, reinterpret_cast<const sockaddr *>(&a), sizeof a) != 0) {
        const int codigo = WSAGetLastError();
        closesocket(s);
        WSASetLastError(codigo);
        return SoqueteInvalido;
    }
    return s;
}

void resetaAoFechar(Soquete s)
{
    const linger l{1, 0};
    ::setsockopt(s, SOL_SOCKET, SO_LINGER, reinterpret_cast<const char *>(&l), sizeof l);
}

#else

Soquete criaSoquete(const addrinfo &endereco)
{
    return ::socket(endereco.ai_family, endereco.ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, endereco.ai_protocol);
}

int conecta(Soquete s, const addrinfo &endereco)
{
    return ::connect(s, endereco.ai_addr, endereco.ai_addrlen) == 0 ? 0 : errno;
}

int espera(Soquete s, Evento evento, std::chrono::milliseconds limite)
{
    pollfd p{s, static_cast<short>(evento == Evento::Leitura ? POLLIN : POLLOUT), 0};
    return ::poll(&p, 1, milissegundos(limite));
}

std::ptrdiff_t enviaPartes(Soquete s, const Parte *partes, int quantas)
{
    iovec buffers[PartesPorChamada];
    const int n = std::min({quantas, PartesPorChamada, IOV_MAX});
    for (int i = 0; i < n; ++i)
        buffers[i] = {const_cast<char *>(partes[i].dados), partes[i].tamanho};
    msghdr mensagem{};
    mensagem.msg_iov = buffers;
    mensagem.msg_iovlen = static_cast<size_t>(n);
    return ::sendmsg(s, &mensagem, MSG_NOSIGNAL);
}

std::ptrdiff_t recebe(Soquete s, char *destino, std::size_t tamanho) { return ::recv(s, destino, tamanho, 0); }

int erroPendente(Soquete s)
{
    int codigo = 0;
    socklen_t tamanho = sizeof codigo;
    if (::getsockopt(s, SOL_SOCKET, SO_ERROR, &codigo, &tamanho) != 0)
        return errno;
    return codigo;
}

void fechaSoquete(Soquete s)
{
    if (s >= 0)
        ::close(s);
}

int ultimoErro() { return errno; }
QString textoErro(int codigo) { return QString::fromLocal8Bit(std::strerror(codigo)); }
bool bloquearia(int codigo) { return codigo == EAGAIN || codigo == EWOULDBLOCK; }
bool emAndamento(int codigo) { return codigo == EINPROGRESS; }
bool interrompida(int codigo) { return codigo == EINTR; }
const int ErroTempoEsgotado = ETIMEDOUT;

int procuraEndereco(const char *nome, const char *servico, const addrinfo *dica, addrinfo **enderecos)
{
    return ::getaddrinfo(nome, servico, dica, enderecos);
}

void liberaEnderecos(addrinfo *enderecos) { ::freeaddrinfo(enderecos); }
QString textoErroProcura(int codigo) { return QString::fromLocal8Bit(::gai_strerror(codigo)); }
const int ProcuraTemporaria = EAI_AGAIN;
const int ProcuraFalhaSistema = EAI_SYSTEM;

Soquete escutaLocal(int fila, quint16 *porta)
{
    const Soquete s = criaBloqueante(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a = enderecoLocal(0);
    socklen_t n = sizeof a;
    if (s < 0 || ::bind(s, reinterpret_cast<sockaddr *>(&a), n) != 0 || ::listen(s, fila) != 0
        || ::getsockname(s, reinterpret_cast<sockaddr *>(&a), &n) != 0) {
        const int codigo = errno;
        fechaSoquete(s);
        errno = codigo;
        return SoqueteInvalido;
    }
    *porta = ntohs(a.sin_port);
    return s;
}

Soquete aceita(Soquete escuta) { return ::accept4(escuta, nullptr, nullptr, SOCK_CLOEXEC); }

Soquete conectaLocal(quint16 porta, const char *origem)
{
    const Soquete s = criaBloqueante(AF_INET, SOCK_STREAM, 0);
    if (s < 0)
        return s;
    bool feito = true;
    if (origem) {
        sockaddr_in local{};
        local.sin_family = AF_INET;
        feito = ::inet_pton(AF_INET, origem, &local.sin_addr) == 1
                && ::bind(s, reinterpret_cast<sockaddr *>(&local), sizeof local) == 0;
    }
    const sockaddr_in a = enderecoLocal(porta);
    if (!feito || ::connect(s, reinterpret_cast<const sockaddr *>(&a), sizeof a) != 0) {
        const int codigo = errno;
        ::close(s);
        errno = codigo;
        return SoqueteInvalido;
    }
    return s;
}

void resetaAoFechar(Soquete s)
{
    const linger l{1, 0};
    ::setsockopt(s, SOL_SOCKET, SO_LINGER, &l, sizeof l);
}

#endif

const addrinfo *dicaTcp(bool soNumerico)
{
    static const addrinfo numerica = dicaCom(AI_NUMERICHOST | AI_NUMERICSERV);
    static const addrinfo nome = dicaCom(AI_NUMERICSERV);
    return soNumerico ? &numerica : &nome;
}
const addrinfo *proximoEndereco(const addrinfo *endereco) { return endereco->ai_next; }

} // namespace orva::plataforma
