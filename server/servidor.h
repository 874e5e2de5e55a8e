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
    std::chrono::milliseconds corpo{60000};        // for the archive, from its first byte, plus its size at taxaMinima
    qint64 taxaMinima = 8 * 1024;                  // bytes per second
    qint64 tamanhoMaximo = qint64(1) << 30;        // largest archive accepted
    qint64 orcamento = qint64(4) << 30;            // bytes of all archives being received at once
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
    void sessao(int fd);
    // Sets aside room for an archive of `bytes`; false when it would pass
    // the budget or the free space. libera() gives it back.
    bool reserva(qint64 bytes);
    void libera(qint64 bytes);

    class Reserva {
    public:
        Reserva(Servidor &s, qint64 bytes) : m_s(s), m_bytes(bytes), m_feita(s.reserva(bytes)) {}
        ~Reserva()
        {
            if (m_feita)
                m_s.libera(m_bytes);
        }
        bool feita() const { return m_feita; }

    private:
        Servidor &m_s;
        qint64 m_bytes;
        bool m_feita;
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
};

} // namespace orva::servidor
