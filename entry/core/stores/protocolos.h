#pragma once
#include "conferencia.h"
#include "leitura.h"
#include "core/db/query.h"

#include <QDate>
#include <QList>

#include <functional>
#include <optional>

namespace orva::stores {

// A transmission protocol: what the user types, then what the row holds
// besides (read only).
struct Protocolo {
    QString numero;
    QString tipoEntrega;
    QString inscricao;
    QString crc;
    QString responsavel;

    QString tipoProtocolo; // the company's declaration type: 0 invoices, 1 apportionment
    QString exercicio;
    QString dtGeracao;
    QString dtTransmissao; // empty while the protocol is open
    QString razao, cnpj, municipio;
    QString valorNotas, qtdeNotas, valorEntradas, valorSaidas, qtdeMunicipios;
    bool operator==(const Protocolo &) const = default;
};

// The transmission protocols (table Protocolo): the header of each
// declaration, open while it has no transmission date.
class Protocolos {
public:
    explicit Protocolos(db::Connection &conexao, QString tabela = QStringLiteral("Protocolo"));

    // The protocol of the number; nothing when there is none. What these
    // two read is remembered: a later save of that number is refused if
    // another program changed, deleted or inserted the protocol since.
    std::optional<Protocolo> carrega(const QString &numero);
    // The company's open protocol (the first one), if it has one.
    std::optional<Protocolo> abertoDaEmpresa(const QString &inscricao);
    // The number "Novo" proposes (largest plus one, "1" for an empty table),
    // or the refusal once four digits no longer hold it. Saving the proposed
    // number makes a new protocol as novo() does: taken meanwhile by another
    // program, the protocol gets the next free number (see aviso()).
    Proposta proximoNumero();

    // Checks the protocol as the window does (required fields in its order,
    // the registration of a registered company, a registered delivery type)
    // and inserts or updates it with the company's type, name, CNPJ and
    // municipality and the exercise 2015; an insert is dated `hoje`. The
    // registration is padded and the responsible person upper-cased in
    // `protocolo` first. Returns the refusal, or empty text once committed.
    // A company whose declaration type is not a whole number raises.
    QString grava(Protocolo &protocolo, const QDate &hoje);
    // A new protocol under the next number, refused while the company has an
    // open one (one open protocol per company). The number is put into
    // `protocolo`.
    QString novo(Protocolo &protocolo, const QDate &hoje);
    // Deletes the protocol unless invoice or apportionment rows carry its
    // number; returns the refusal, or empty text.
    QString apaga(const QString &numero);
    // Opens a transmitted protocol again; returns the refusal (no number, no
    // such protocol), or empty text.
    QString reabre(const QString &numero);
    QList<Protocolo> lista();

    // Opens on `q` the row of the protocol of that number while it is open
    // (not transmitted); false when there is no such row.
    static bool abreAberto(db::Query &q, qint64 numero);
    // Sets the transmission date of the open protocol of that number to
    // `hoje`, closing it, in a write transaction of its own. Under that lock
    // the database must be sound, `confere` (when given) must pass and the
    // protocol must still be open; otherwise raises orva::Error with the
    // reason and nothing is written.
    void marcaTransmitido(const QString &numero, const QDate &hoje, const std::function<void()> &confere = {});

    // The warning of the company that already has an open protocol.
    static const QString avisoProtocoloAberto;

    // Whether the last save inserted (rather than updated) the protocol.
    bool inseriu() const { return m_inseriu; }
    // Why the last save stored another number than the one proposed; empty
    // when it stored the number shown.
    const QString &aviso() const { return m_aviso; }
    // What the last read and the last write sent to the database.
    db::Query &consulta() { return m_query; }
    db::Command &comando() { return m_command; }

private:
    // Runs a read on the store's query; true when a row came.
    bool consulta(const QString &sql);
    bool existe(const QString &sql);
    QString grava(Protocolo &protocolo, const QDate &hoje, bool umAbertoPorEmpresa);
    // The protocol of the number, without remembering it.
    std::optional<Protocolo> le(const QString &numero);
    // The next free number, without remembering it as proposed.
    Proposta livre();

    db::Connection &m_conexao;
    QString m_tabela;
    db::Query m_query;
    db::Command m_command;
    bool m_inseriu = false;
    Leitura<Protocolo> m_lido;
    QString m_aviso;
};

} // namespace orva::stores
