#pragma once
#include "armazem.h"
#include "pasta_recebimento.h"

#include <QString>

#include <chrono>
#include <map>
#include <mutex>

// The reference receiving server: DATP over TCP on 127.0.0.1. AUTH announces
// an archive, which is received, unpacked and checked; a good declaration
// gets a receipt, stored durably and fetched again with COMP. One thread per
// client, a few per address; every read waits in poll() against a deadline.
// Receipts live in the data folder, or in PostgreSQL for several processes.
namespace orva::servidor {

struct Opcoes {
    quint16 porta = 4040;      // 0: any free port (see Servidor::porta)
    QString dados;             // receipts and archives being received
    QString banco;             // libpq connection string: receipts kept there instead
    // Each limit is counted from a fixed start; bytes trickling in do not
    // move it.
    std::chrono::milliseconds primeiroByte{10000}; // from the connection to the first byte
    std::chrono::milliseconds comando{30000};      // from the connection to the whole command line
    std::chrono::milliseconds aviso{900000};       // from the "200" to the archive's first byte: the user reads the notice
    // For the archive, from its first byte: after this grace the bytes must
    // keep coming at taxaMinima on average, checked as each block arrives.
    std::chrono::milliseconds corpo{60000};
    qint64 taxaMinima = 8 * 1024;                  // bytes per second
    qint64 tamanhoMaximo = qint64(1) << 30;        // largest archive accepted
    qint64 orcamento = qint64(4) << 30;            // bytes of all archives being received at once
    qint64 orcamentoPorEndereco = -1;              // ... from one address; -1: a quarter of orcamento
    qint64 folgaDisco = qint64(16) << 20;          // left free on the data folder's disk
    int maxClientes = 256;     // clients served at once; more are turned away
    int maxPorEndereco = 8;    // clients of one address served at once
};

class Servidor {
public:
    explicit Servidor(Opcoes opcoes);
    ~Servidor();

    // Prepares the data folder and the receipt store and listens on
    // 127.0.0.1. False with *erro.
    bool escuta(QString *erro);
    quint16 porta() const { return m_porta; }
    // Where the receipts are kept, once escuta() succeeded.
    QString comprovantes() const { return m_armazem->descricao(); }
    // Accepts and serves clients until the process ends.
    void atende();

private:
    void sessao(int fd, quint32 endereco);
    enum class Reservada { Sim, SemEspaco, EnderecoCheio };
    // Sets aside room for an archive of `bytes` from `endereco`: refused
    // when it would pass the budget or the free space, or the share of one
    // address, so a few connections cannot take all the room. libera()
    // gives it back.
    Reservada reserva(quint32 endereco, qint64 bytes);
    void libera(quint32 endereco, qint64 bytes);

    class Reserva {
    public:
        Reserva(Servidor &s, quint32 endereco, qint64 bytes)
            : m_s(s), m_endereco(endereco), m_bytes(bytes), m_resultado(s.reserva(endereco, bytes))
        {
        }
        ~Reserva()
        {
            if (m_resultado == Reservada::Sim)
                m_s.libera(m_endereco, m_bytes);
        }
        Reservada resultado() const { return m_resultado; }

    private:
        Servidor &m_s;
        quint32 m_endereco;
        qint64 m_bytes;
        Reservada m_resultado;
    };

    Opcoes m_opcoes;
    PastaRecebimento m_recebimento;
    std::unique_ptr<Armazem> m_armazem;
    int m_fd = -1;
    quint16 m_porta = 0;
    std::mutex m_trava; // guards the counts below
    int m_ativos = 0;
    std::map<quint32, int> m_porEndereco;
    qint64 m_reservado = 0;
    std::map<quint32, qint64> m_reservadoPorEndereco;
};

} // namespace orva::servidor
