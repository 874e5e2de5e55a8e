#pragma once
#include "andamento.h"
#include "conexao.h"
#include "configuracao.h"

#include <QString>

#include <functional>

// DATP, the line protocol with which the client hands an archive to the
// receiving server ("AUTH", then the archive's bytes) and asks for the receipt
// of an earlier delivery ("COMP"). Each exchange opens its own connection and
// closes it at the end. These routines show nothing: they report what
// happened, and the caller shows the dialogs (see cliente.h).
namespace orva::cliente {

struct Limites {
    Milissegundos conexao{30000};   // to make the connection
    Milissegundos resposta{240000}; // for each reply, counted from the start of its wait
    Milissegundos envio{240000};    // while sending, without any byte accepted
    // The whole archive must go out within `envio` plus its size at this
    // rate (bytes per second), however slowly the server takes it.
    qint64 taxaMinimaEnvio = 8 * 1024;
};

// A reply line, read by position and by quotes.
struct Resposta {
    QString linha;
    QString marca;  // characters 10-11: kept, not interpreted
    QString codigo; // characters 13-15
    QString mensagem1, mensagem2;
};

// Positions: characters 1-9 the prefix, 10-11 the mark, 12 a separator, 13-15
// the code. Quotes: message 1 is the first quoted text, message 2 every later
// one run together; a quote left open takes the rest of the line.
Resposta InterpretaResposta(const QString &linha);

struct LinhaLida {
    QString linha;         // the reply, or the last short line read (empty when none)
    bool esgotado = false; // no reply came: the time limit passed or the server closed
    bool fechada = false;  // ... because the server closed (a line it cut off counts for nothing)
    bool cancelada = false; // the connection's watcher stopped the wait
};

// Waits for a reply line longer than 3 characters; shorter lines are
// dropped. The wait ends `limite` after it began, however many lines came
// meanwhile. A line is a reply only with its line end: when the server
// closes the connection first, nothing more can come and the wait ends then.
LinhaLida LeResposta(Conexao &conexao, Milissegundos limite);
LinhaLida LeResposta(Conexao &conexao, Relogio::time_point prazo);

// The command lines, Windows-1252, CR LF included. A text holding a control
// character or a character the code page lacks is refused (orva::Error): it
// could end the line early or inject another one.
QByteArray linhaAuth(qint64 tamanho, const QString &nomeArquivo);
QByteArray linhaComp(const QString &inscricao, const QString &exercicioProtocolo);

enum class Desfecho {
    ArquivoInacessivel, // the archive could not be opened; nothing was connected
    PedidoInvalido,     // a command line could not be written (see linhaAuth, linhaComp)
    SemConexao,         // the connection could not be made, or broke while sending a command line
    SemResposta,        // a wait ended with an empty reply
    EnvioParado,        // the server accepted no byte within the sending limit, or too few by the deadline
    Recusada,           // the server answered with a code other than 200 (AUTH) or 201 (COMP)
    Cancelada,          // the caller stopped the exchange (see Acompanha); no reply is taken
    RecusadaAposEnvio,  // after the archive's bytes, a code other than 201
    EnvioIncompleto,    // "201" although the archive did not go out whole: no delivery
    Recebida,           // "201": the messages carry the receipt
};

struct ResultadoTroca {
    Desfecho desfecho = Desfecho::SemConexao;
    Resposta resposta;          // the last reply parsed (empty when none came)
    bool tempoEsgotado = false; // a wait ended without a reply: the time-limit box is due
    bool conexaoEncerrada = false; // ... because the server closed the connection first
    bool bytesEnviados = false; // every byte of the archive went out
    qint64 enviados = 0;        // bytes of the archive handed to the connection
    bool envioLento = false;    // EnvioParado: the whole send's deadline passed
    bool aposEnvio = false;     // the outcome came after the archive's bytes (sent whole or not)
    qint64 tamanho = 0;         // the archive's size
    QString erro;               // the reason of a failure to open, write, connect or send
};

// Shows the reply to AUTH ("200") and returns the user's choice: true to go
// on, false to stop before a byte of the archive goes out.
using Confirmacao = std::function<bool(const Resposta &)>;

// The archive goes out as it is in the file, in blocks of 512 bytes handed to
// the socket `blocosPorEnvio` at a time (one system call), with nothing
// before or after them.
constexpr int TamanhoBloco = 512;

// Delivery: AUTH with the archive's size and name, "200", the confirmation,
// the archive's bytes, then the reply. With `acompanha` every wait is cut
// into slices so that the caller can show the progress and stop it.
ResultadoTroca EntregaDeclaracao(const Endereco &endereco, const QString &arquivo, const Limites &limites,
                                 const Confirmacao &confirma, const Acompanha &acompanha = {},
                                 int blocosPorEnvio = 128);

// Receipt fetch: COMP with the registration and exercise + protocol. An empty
// reply after the time limit is parsed like any other (it gives a refusal).
ResultadoTroca BuscaComprovante(const Endereco &endereco, const QString &inscricao,
                                const QString &exercicioProtocolo, const Limites &limites,
                                const Acompanha &acompanha = {});

// Texts of the exchanges' dialogs.
QString mensagemTempoEsgotado();
QString mensagemSemConexao1();
QString mensagemSemConexao2();
QString mensagemComprovanteDisponivel();
QString mensagemConexaoEncerrada();
QString mensagemEnvioParado(Milissegundos limite);
// The whole archive did not go out within its deadline (see taxaMinimaEnvio).
QString mensagemEnvioLento();
// A "201" for an archive that did not go out whole (see EnvioIncompleto).
QString mensagemEnvioIncompleto1();
QString mensagemEnvioIncompleto2(qint64 enviados, qint64 total);
// The server received the declaration ("201") but its receipt could not be
// stored here: the reason, and how to fetch it again.
QString mensagemComprovanteNaoGravado(const QString &erro, const QString &inscricao, const QString &exercicio,
                                      const QString &protocolo);
// After a cancelled delivery; `bytesEnviados`: the whole archive had gone out.
QString mensagemEntregaCancelada(bool bytesEnviados);
QString mensagemBuscaCancelada();

} // namespace orva::cliente
