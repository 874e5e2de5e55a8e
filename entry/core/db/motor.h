#pragma once
// What a database engine gives the layer above. Each engine has a driver of
// its own (sqlite/, postgres/) implementing these; Connection, Query,
// Command, PreparedStatement, BulkInsert and the copy between databases speak
// only to them, so nothing above the drivers knows which engine it runs on.
#include "falhas.h"

#include <QByteArrayView>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace orva::db {

class Connection;
class Parameters;

// A value of the row a forward-only statement stands on, as the database
// holds it: for passes over millions of rows that must not convert each value
// twice. The text stays valid until the query moves.
struct StoredValue {
    enum class Kind { Null, Integer, Real, Text, Blob };
    Kind kind = Kind::Null;
    qint64 integer = 0;
    double real = 0;
    QByteArrayView text; // UTF-8
};

// A column of a result as the windows see it.
struct Coluna {
    QString nome;
    bool data = false; // declared DATE: stored YYYY-MM-DD, shown DD/MM/YYYY
};

// How one run of a prepared statement ended.
enum class RunOutcome {
    Done,
    DuplicateKey, // a row with the same key is stored already
    BindFailed,   // a value could not be bound
    Refused,      // any other refusal of the database
};

// The rows of one statement, read forward one at a time.
class Cursor {
public:
    virtual ~Cursor() = default;
    virtual const std::vector<Coluna> &colunas() const = 0;
    // Moves to the next row: false at the end. A failure raises.
    virtual bool proxima() = 0;
    // The row the cursor stands on, read the ways Field does.
    virtual QVariant valor(int coluna) const = 0;
    virtual StoredValue guardado(int coluna) const = 0;
    virtual QString texto(int coluna) const;
    virtual double numero(int coluna) const;
    // The whole result's row count when it is at hand without reading on.
    virtual std::optional<int> total() const { return std::nullopt; }
    // A cursor that holds a lock while it runs is paused between requests:
    // first it asks for rows to be read ahead (true: read one more), then
    // pauses; the next proxima() resumes where it stopped.
    virtual bool leAntesDePausar() { return false; }
    virtual void pausa() {}
};

// One statement prepared once and run many times; see PreparedStatement.
class Preparado {
public:
    virtual ~Preparado() = default;
    virtual int parameterIndex(const QString &name) const = 0;
    virtual bool bindText(int index, const char *utf8, int size) = 0;
    virtual bool bindInteger(int index, qint64 value) = 0;
    virtual bool bindReal(int index, double value) = 0;
    // `bound` false: a value could not be bound, the run refuses.
    virtual RunOutcome run(bool bound, DatabaseError &failure) = 0;
};

// Many rows of one insert; see BulkInsert.
class Lote {
public:
    using Refusal = std::function<void(int row, RunOutcome outcome, const DatabaseError &failure)>;
    virtual ~Lote() = default;
    virtual int parameterIndex(const QString &name) const = 0;
    virtual bool bindText(int index, const char *utf8, int size) = 0;
    virtual bool bindInteger(int index, qint64 value) = 0;
    virtual bool bindReal(int index, double value) = 0;
    virtual void bindingFailed() = 0;
    // Takes the row bound; `posicao` is its place since the last flush.
    virtual void add(int posicao) = 0;
    // Rows the engine gathers before they are written (1: each as it comes).
    virtual int linhasPorLote(int pedidas) const = 0;
    virtual void flush(int linhas, const Refusal &refused) = 0;
};

// Rows written into one table by the copy between databases. Each row comes
// as the table's columns followed by the source's rowid.
class EscritaTabela {
public:
    virtual ~EscritaTabela() = default;
    virtual void grava(const std::vector<StoredValue> &linha) = 0;
    // Ends the table: raises when the database refused a row.
    virtual void termina() = 0;
};

// An open database of one engine.
class Driver {
public:
    virtual ~Driver() = default;

    // Settles the session once the connection holds the driver.
    virtual void inicia() {}
    // A server several workstations share, not a file.
    virtual bool remoto() const = 0;
    virtual bool emTransacao() const = 0;
    virtual void executaRoteiro(const QString &sql) = 0;
    virtual void defineEspera(int milliseconds) = 0;
    virtual void verifica(const QStringList &tabelas) = 0;
    virtual void copiaPara(Driver &destino) = 0;

    // A write transaction's end without raising (destructors); the read
    // transaction's begin and end.
    virtual void desfazSemFalhar() = 0;
    virtual void comecaLeitura() = 0;
    virtual void terminaLeitura() = 0;

    virtual std::unique_ptr<Cursor> abre(const QString &sql, const Parameters &parametros, bool umaPassagem) = 0;
    // Rows changed.
    virtual int executa(const QString &sql, const Parameters &parametros) = 0;
    // The result's row count, counted by the database; none when it cannot.
    virtual std::optional<qint64> conta(const QString &sql, const Parameters &parametros) = 0;
    virtual std::unique_ptr<Preparado> prepara(const QString &sql) = 0;
    virtual std::unique_ptr<Lote> lote(const QString &insertSql, int linhasPorLote) = 0;
    virtual std::unique_ptr<EscritaTabela> escritaDeCopia(const QString &tabela, const QStringList &colunas) = 0;

    // The schema's version mark (0: none) and its stamp, inside the write
    // transaction that is open.
    virtual int versaoDoEsquema() = 0;
    virtual void marcaVersao(int versao) = 0;
    // Before an upgrade from `versao`, inside its write transaction: keeps
    // a copy of what the upgrade changes; says where.
    virtual QString guardaCopia(int versao) = 0;
    // The engine's part of the step that makes a database of version
    // `versao - 1` one of `versao`.
    virtual void sobeEsquema(int versao) = 0;

    // A server's schema: creating it, and whether it is there.
    virtual void criaEsquema(const QString &script) = 0;
    virtual bool temEsquema() = 0;
};

} // namespace orva::db
