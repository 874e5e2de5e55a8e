#pragma once
#include "campo.h"
#include "connection.h"
#include "motor.h"
#include "parameters.h"

#include <QStringList>
#include <QVariant>

#include <deque>
#include <memory>
#include <optional>
#include <vector>

namespace orva::db {

// A row set over a statement. Rows are read from the database as they are
// asked for, so a large table is not loaded at once. Between requests the
// statement is parked (reset, so it holds no lock that would keep another
// program from saving) and resumed where it stopped when more rows are asked
// for. A forward-only query is one pass: it keeps its statement running until
// it reaches the end or is closed.
class Query {
public:
    explicit Query(Connection &connection);
    ~Query();
    Query(const Query &) = delete;
    Query &operator=(const Query &) = delete;

    void setSql(const QString &sql);
    const QString &sql() const { return m_sql; }
    Parameters &parameters() { return m_parameters; }

    // With forward-only reading the rows already passed are not kept.
    void setForwardOnly(bool forwardOnly) { m_forwardOnly = forwardOnly; }

    void open();
    void close();
    bool isOpen() const { return m_open; }

    // The current row.
    bool eof();
    void next();
    void first();

    int fieldCount() const;
    QStringList fieldNames() const;
    // By name whatever its letter case; an unknown name raises.
    Field fieldByName(const QString &name);
    Field field(int position);
    // The current row's value at `position` read as Field::asString() and
    // Field::asFloat() do, without building a Field (long passes).
    QString textAt(int position);
    double floatAt(int position);
    // The stored values at `positions` of the current row; false (nothing
    // read) when the current row is not the one a forward-only statement
    // stands on, and textAt()/floatAt() must read it.
    bool storedRow(const std::vector<int> &positions, std::vector<StoredValue> &values);
    // Whether textAt() shows the column's stored YYYY-MM-DD as DD/MM/YYYY.
    bool isDateColumn(int position) const { return m_dateColumns.at(static_cast<size_t>(position)); }

    // Number of rows of the whole result.
    int recordCount();

    // Random access for grids: row `row`, column `column` (fetched on demand).
    bool hasRow(int row);
    Field valueAt(int row, int column);
    // How many rows have been read so far.
    int fetchedCount() const { return m_fetchedEnd; }
    bool fetchedAll() const { return m_done; }
    // Reads up to `count` more rows; returns how many came.
    int fetchMore(int count);

private:
    using Row = std::vector<QVariant>;

    void checkOpen() const;
    void execute();
    bool fetchOne();
    // Between requests: lets a cursor that holds a lock release it.
    void park();
    // The index of the first row still kept.
    int firstKept() const;
    // A forward-only query standing on its current row: read from the cursor.
    bool onStatementRow() const;
    const Row &row(int index);
    Field makeField(const Row &row, int column) const;

    Connection &m_connection;
    QString m_sql;
    Parameters m_parameters;
    bool m_forwardOnly = false;
    bool m_open = false;
    // The engine's cursor, until the result's end.
    std::unique_ptr<Cursor> m_cursor;
    QStringList m_names;
    std::vector<bool> m_dateColumns;
    std::deque<Row> m_rows; // rows [m_fetchedEnd - m_rows.size(), m_fetchedEnd)
    int m_fetchedEnd = 0;
    bool m_done = false;
    int m_current = 0;
    std::optional<int> m_recordCount;
};

// A statement that writes: no rows come back.
class Command {
public:
    explicit Command(Connection &connection) : m_connection(connection) {}

    void setCommandText(const QString &sql) { m_sql = sql; }
    const QString &commandText() const { return m_sql; }
    Parameters &parameters() { return m_parameters; }

    // Runs the statement; returns the number of rows it changed.
    int execute();

private:
    Connection &m_connection;
    QString m_sql;
    Parameters m_parameters;
};

} // namespace orva::db
