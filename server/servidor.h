#pragma once
#include <QString>

#include <atomic>
#include <chrono>

// The reference receiving server: DATP over TCP on 127.0.0.1. AUTH announces
// an archive, which is received, unpacked and checked; a good declaration
// gets a receipt, stored durably and fetched again with COMP. One thread per
// client; every read waits in poll() with a time limit.
namespace orva::servidor {

struct Opcoes {
    quint16 porta = 4040;      // 0: any free port (see Servidor::porta)
    QString dados;             // receipts and archives being received
    std::chrono::milliseconds ocioso{60000}; // a client silent this long is dropped
    qint64 tamanhoMaximo = qint64(1) << 30;  // largest archive accepted
    int maxClientes = 256;     // clients served at once; more are turned away
};

class Servidor {
public:
    explicit Servidor(Opcoes opcoes);
    ~Servidor();

    // Prepares the data folder and listens on 127.0.0.1. False with *erro.
    bool escuta(QString *erro);
    quint16 porta() const { return m_porta; }
    // Accepts and serves clients until the process ends.
    void atende();

private:
    void sessao(int fd);

    Opcoes m_opcoes;
    int m_fd = -1;
    quint16 m_porta = 0;
    std::atomic<int> m_ativos{0};
};

} // namespace orva::servidor
