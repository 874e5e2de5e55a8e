#pragma once
#include "falhas.h"
#include "motor.h"

#include <QString>

#include <memory>

namespace orva::db {

class Connection;

// One statement prepared once and run many times, for passes that write a
// row per record: values are bound by the index of their parameter, texts
// are the caller's bytes (not copied, they must live until run()). On a
// server an insert does nothing on a duplicate key (so a transaction in
// progress survives it) and reports DuplicateKey.
class PreparedStatement {
public:
    // How a run ended.
    using Outcome = RunOutcome;

    // Raises DatabaseError when the database cannot prepare it.
    PreparedStatement(Connection &connection, const QString &sql);
    ~PreparedStatement();
    PreparedStatement(const PreparedStatement &) = delete;
    PreparedStatement &operator=(const PreparedStatement &) = delete;

    // Prepared for a connection closed since: it must be prepared again.
    bool stale() const;

    // The index of a named parameter (":pNome"); 0 when the statement has none.
    int parameterIndex(const QString &name) const { return m_statement->parameterIndex(name); }
    bool bindText(int index, const char *utf8, int size) { return m_statement->bindText(index, utf8, size); }
    bool bindInteger(int index, qint64 value) { return m_statement->bindInteger(index, value); }
    bool bindReal(int index, double value) { return m_statement->bindReal(index, value); }
    // Remembers that a value could not be bound: the next run() refuses.
    void bindingFailed() { m_bindingFailed = true; }

    // Runs the statement with the values bound, then clears them.
    Outcome run();
    // The failure of the last run that was not Done.
    const DatabaseError &failure() const { return m_failure; }

private:
    Connection &m_connection;
    quint64 m_generation = 0;
    std::unique_ptr<Preparado> m_statement;
    bool m_bindingFailed = false;
    DatabaseError m_failure{QString()};
};

} // namespace orva::db
