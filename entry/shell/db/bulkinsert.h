#pragma once
// Many rows of one insert statement, for passes that write a row per record.
#include "statement.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <utility>
#include <vector>

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
    int parameterIndex(const QString &name) const;
    bool bindText(int index, const char *utf8, int size);
    bool bindInteger(int index, qint64 value);
    bool bindReal(int index, double value);
    void bindingFailed();

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
    struct Row {
        int begin = 0; // its line in m_copy
        int end = 0;
        bool bindFailed = false;
    };

    // Server: sends rows [first, last) in one COPY under a savepoint; the
    // index of the row the server refused, `last` when all went in.
    int copy(int first, int last, DatabaseError &failure);
    // Server: writes one row through the prepared insert under a savepoint.
    Outcome runAlone(const Row &row, DatabaseError &failure);
    void releaseAloneSavepoint();
    void execute(const char *sql);
    void executeQuietly(const char *sql); // failures left to the next statement

    Connection &m_connection;
    int m_batchRows;
    int m_pending = 0;

    // Embedded: each row runs at once; refusals wait for flush().
    std::unique_ptr<PreparedStatement> m_statement;
    std::vector<std::pair<int, Outcome>> m_refusals;
    std::vector<DatabaseError> m_failures;

    // Server: the COPY statement, which column takes which parameter, the
    // values bound (offsets into m_bound; size -1 for none) and the batch
    // as COPY text lines.
    QByteArray m_copySql;
    QStringList m_parameters;
    std::vector<int> m_columnParameter;
    std::vector<std::pair<int, int>> m_values;
    QByteArray m_bound;
    bool m_bindFailed = false;
    QByteArray m_copy;
    std::vector<Row> m_rows;
    QString m_insertSql;
    std::unique_ptr<PreparedStatement> m_single; // for a row that runs alone
    bool m_aloneSavepoint = false;
    quint64 m_generation = 0;
};

} // namespace orva::db
