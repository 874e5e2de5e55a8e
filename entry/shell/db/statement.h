#pragma once
#include "falhas.h"

#include <QString>

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
    Connection &m_connection;
    sqlite3 *m_db = nullptr;
    sqlite3_stmt *m_statement = nullptr;
    quint64 m_generation = 0;
    bool m_bindingFailed = false;
    DatabaseError m_failure{QString()};
};

} // namespace orva::db
