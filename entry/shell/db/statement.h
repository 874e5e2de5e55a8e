#pragma once
#include "falhas.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace orva::db {

class Connection;

// One statement prepared once and run many times, for passes that write a
// row per record: values are bound by the index of their parameter, texts
// are the caller's bytes (not copied, they must live until run()).
class PreparedStatement {
public:
    // How a run ended.
    enum class Outcome {
        Done,
        DuplicateKey, // a row with the same key is stored already
        BindFailed,   // a value could not be bound
        Refused,      // any other refusal of the database
    };

    // Raises DatabaseError when the database cannot prepare it.
    PreparedStatement(Connection &connection, const QString &sql);
    ~PreparedStatement();
    PreparedStatement(const PreparedStatement &) = delete;
    PreparedStatement &operator=(const PreparedStatement &) = delete;

    // Prepared for a connection closed since: it must be prepared again.
    bool stale() const;

    // The index of a named parameter (":pNome"); 0 when the statement has none.
    int parameterIndex(const QString &name) const;
    bool bindText(int index, const char *utf8, int size);
    bool bindInteger(int index, qint64 value);
    bool bindReal(int index, double value);
    // Remembers that a value could not be bound: the next run() refuses.
    void bindingFailed() { m_bindingFailed = true; }

    // Runs the statement with the values bound, then clears them.
    Outcome run();
    // The failure of the last run that was not Done.
    const DatabaseError &failure() const { return m_failure; }

private:
    Outcome runOnServer();

    Connection &m_connection;
    sqlite3 *m_db = nullptr;
    sqlite3_stmt *m_statement = nullptr;
    // On a PostgreSQL server: the prepared statement's name, its parameters
    // in order and the values bound for the next run. An insert there does
    // nothing on a duplicate key (so a transaction in progress survives it)
    // and reports DuplicateKey.
    QByteArray m_serverName;
    QStringList m_serverParameters;
    std::vector<std::optional<QByteArray>> m_serverValues;
    bool m_serverInsert = false;
    quint64 m_generation = 0;
    bool m_bindingFailed = false;
    DatabaseError m_failure{QString()};
};

} // namespace orva::db
