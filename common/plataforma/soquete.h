#pragma once
#include <QString>

#include <chrono>
#include <cstddef>
#include <cstdint>

struct addrinfo;

// TCP sockets through the system's own interface: POSIX sockets on Linux,
// Winsock on Windows (started on first use). No other file includes the
// system's socket headers; failures are reported by code (ultimoErro()).
namespace orva::plataforma {

// A socket: a file descriptor on Linux, a SOCKET on Windows.
#ifdef _WIN32
using Soquete = std::uintptr_t;
#else
using Soquete = int;
#endif
inline constexpr Soquete SoqueteInvalido = static_cast<Soquete>(-1);

// One buffer of a send in parts.
struct Parte {
    const char *dados;
    std::size_t tamanho;
};

enum class Evento { Leitura, Escrita };

// A non-blocking TCP socket for one address of a lookup (close-on-exec,
// not inherited by child processes); SoqueteInvalido on failure.
Soquete criaSoquete(const addrinfo &endereco);
// 0 when connected at once, else the error code: emAndamento() while a
// non-blocking connection is still being made.
int conecta(Soquete s, const addrinfo &endereco);
// Waits up to `limite` for the event: >0 ready (or failed: the next call
// says how), 0 time out, <0 error.
int espera(Soquete s, Evento evento, std::chrono::milliseconds limite);
// Sends what the socket takes of the buffers, in order: the bytes sent, or
// -1. A peer that closed is an error, never a signal.
std::ptrdiff_t enviaPartes(Soquete s, const Parte *partes, int quantas);
// The bytes read, 0 when the peer closed, -1 on error.
std::ptrdiff_t recebe(Soquete s, char *destino, std::size_t tamanho);
// The outcome of a non-blocking connection (SO_ERROR): 0 when it was made.
int erroPendente(Soquete s);
void fechaSoquete(Soquete s);

// The code of the last failed call of this thread, and what it means.
int ultimoErro();
QString textoErro(int codigo);
bool bloquearia(int codigo);   // nothing to read, or no room to write
bool emAndamento(int codigo);  // a non-blocking connection under way
bool interrompida(int codigo); // a signal cut the call short: try again
extern const int ErroTempoEsgotado;

// The name lookup: getaddrinfo() and its codes. `dicaTcp` gives the hints of
// a TCP lookup of any family with a numeric port; `soNumerico` also refuses
// names (no name service is asked).
const addrinfo *dicaTcp(bool soNumerico);
int procuraEndereco(const char *nome, const char *servico, const addrinfo *dica, addrinfo **enderecos);
const addrinfo *proximoEndereco(const addrinfo *endereco);
void liberaEnderecos(addrinfo *enderecos);
QString textoErroProcura(int codigo);
extern const int ProcuraTemporaria;   // no answer yet: try again later
extern const int ProcuraFalhaSistema; // the lookup could not even start

// Blocking sockets on 127.0.0.1 for the tests' servers and raw clients.
// Listens on a free port (in *porta); SoqueteInvalido on failure.
Soquete escutaLocal(int fila, quint16 *porta);
Soquete aceita(Soquete escuta);
// Connects to the port, from the local address `origem` when given.
Soquete conectaLocal(quint16 porta, const char *origem = nullptr);
// Closing the socket then resets the connection instead of ending it.
void resetaAoFechar(Soquete s);

} // namespace orva::plataforma
