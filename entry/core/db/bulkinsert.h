#pragma once
// Many rows of one insert statement, for passes that write a row per record.
#include "statement.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

namespace orva::db {

class Connection;

// The rows of "Insert into T ( columns ) Values ( :p1, :p2, ... )", bound as
// for PreparedStatement and added one by one. On the embedded database each
// row is written when added. On a PostgreSQL server the rows wait in a batch
// that flush() sends in one COPY; when the server refuses the batch, the
// rows before the refused one go in again, the refused one alone (so it is
// told apart as a duplicate key or another refusal, and leaves nothing), and
// so on with the rest. Either way, every row is written or refused on its
// own, and a refusal leaves the transaction in progress usable.
class BulkInsert {
public:
    using Outcome = PreparedStatement::Outcome;
    // A row that was not written: its position among the rows added since
    // the last flush (from 0), how it ended and why.
    using Refusal = std::function<void(int row, Outcome outcome, const DatabaseError &failure)>;

    // Rows a batch holds before full() asks for a flush, on a server.
    static constexpr int DefaultBatchRows = 10000;

    // Raises DatabaseError when the database cannot take the statement (on a
    // server, when it is not a plain insert of parameters).
    BulkInsert(Connection &connection, const QString &insertSql, int batchRows = DefaultBatchRows);
    ~BulkInsert();
    BulkInsert(const BulkInsert &) = delete;
    BulkInsert &operator=(const BulkInsert &) = delete;

    // Made for a connection closed since: it must be made again.
    bool stale() const;

    // As in PreparedStatement: texts are not copied until add().
    int parameterIndex(const QString &name) const { return m_lote->parameterIndex(name); }
    bool bindText(int index, const char *utf8, int size) { return m_lote->bindText(index, utf8, size); }
    bool bindInteger(int index, qint64 value) { return m_lote->bindInteger(index, value); }
    bool bindReal(int index, double value) { return m_lote->bindReal(index, value); }
    void bindingFailed() { m_lote->bindingFailed(); }

    // Takes the row bound and clears the values.
    void add();
    // Rows added and not yet told by flush().
    int pending() const { return m_pending; }
    // The batch is full: flush before adding more.
    bool full() const { return m_pending >= m_batchRows; }
    // Writes the rows pending and tells each refused one to `refused`, in
    // order. A failure of the database itself (a lost connection, a full
    // disk) is told as the refusal of the first row it stopped; `refused`
    // may raise, and the rows after that one are then dropped unwritten.
    void flush(const Refusal &refused);

private:
    Connection &m_connection;
    int m_batchRows;
    int m_pending = 0;
    quint64 m_generation = 0;
    std::unique_ptr<Lote> m_lote;
};

} // namespace orva::db
