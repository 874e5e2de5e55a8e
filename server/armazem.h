#pragma once
#include <QByteArray>
#include <QString>

#include <memory>

// Where the receiving server keeps its receipts: files in its data folder
// (the default), or a PostgreSQL database that several server processes
// share, so any of them answers for a delivery any other received.
namespace orva::servidor {

// An accepted delivery and the receipt issued for it.
struct Entrega {
    QByteArray registro;          // the receipt record (Windows-1252); its first 22 characters are the key
    QByteArray registroProtocolo; // the declaration's protocol record
    QString arquivo;              // the archive's name as announced
    qint64 tamanho = 0;           // the archive's size in bytes
};

class Armazem {
public:
    enum class Busca { Achado, NaoAchado, Falha };

    virtual ~Armazem() = default;
    // Makes the folder or the tables ready. False with *erro.
    virtual bool prepara(QString *erro) = 0;
    // Stores the receipt whole; true only once it is durable. It becomes
    // the one fetched for its key, and joins the history of every receipt
    // issued, where an earlier one of the key stays too (*anterior: the
    // record it succeeds, empty when none). False with *erro, and nothing
    // changed.
    virtual bool grava(const Entrega &entrega, QByteArray *anterior, QString *erro) = 0;
    // The latest record stored under `chave` (registration, exercise, protocol).
    virtual Busca busca(const QByteArray &chave, QByteArray *registro, QString *erro) = 0;
    // Where the receipts are, for the start-up line; never a password.
    virtual QString descricao() const = 0;
};

// One file per key in `pasta`, the latest, and one per receipt issued in
// its "historico"; written in `temporarios` (same disk) first.
std::unique_ptr<Armazem> armazemEmPasta(const QString &pasta, const QString &temporarios);
// One row per receipt in the database of the libpq connection string `conexao`.
std::unique_ptr<Armazem> armazemPostgres(const QString &conexao);

} // namespace orva::servidor
