#pragma once
#include "connection.h"
#include "parameters.h"

#include <QByteArrayView>
#include <QStringList>
#include <QVariant>

#include <deque>
#include <memory>
#include <optional>
#include <vector>

struct pg_result;

namespace orva::db {

// One value of the current row, read the ways the windows need.
class Field {
public:
    Field(QString name, QVariant value, bool isDate) : m_name(std::move(name)), m_value(std::move(value)), m_isDate(isDate) {}

    const QString &name() const { return m_name; }
    bool isNull() const { return m_value.isNull(); }
    // Dates as DD/MM/YYYY, floating point in the locale's decimal form
    // without grouping ("1234,5"), null as empty text.
    QString asString() const;
    qint64 asInteger() const;
    double asFloat() const;
    const QVariant &value() const { return m_value; }

    static QString text(const QVariant &value, bool isDate);
    // A stored text as shown: YYYY-MM-DD of a date column as DD/MM/YYYY.
    static QString dateOrText(const QString &text, bool isDate);
    static double number(const QVariant &value, const QString &name);

private:
    QString m_name;
    QVariant m_value;
    bool m_isDate;
};

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
    struct Cursor;
    using Row = std::vector<QVariant>;

    void checkOpen() const;
    void execute();
    // The same on a PostgreSQL server: the whole result, or a cursor when forward-only.
    void executeOnServer();
    void describeServerColumns(const pg_result *described);
    bool fetchFromServer();
    bool fetchOne();
    // One step of the statement: true on a row, false at its end.
    bool step(sqlite3_stmt *stmt);
    void park();
    bool resume();
    // The index of the first row still kept.
    int firstKept() const;
    // A forward-only query standing on its current row: read from the statement.
    bool onStatementRow() const;
    const Row &row(int index);
    Field makeField(const Row &row, int column) const;

    Connection &m_connection;
    QString m_sql;
    Parameters m_parameters;
    bool m_forwardOnly = false;
    bool m_open = false;
    std::unique_ptr<Cursor> m_cursor;
    QStringList m_names;
    std::vector<bool> m_dateColumns;
    // On a server: the result's column of each visible field.
    std::vector<int> m_serverColumns;
    std::deque<Row> m_rows; // rows [m_fetchedEnd - m_rows.size(), m_fetchedEnd)
    int m_fetchedEnd = 0;
    bool m_done = false;
    bool m_parked = false;
    int m_readAhead = 0;
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
