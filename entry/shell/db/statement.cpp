#include "statement.h"

#include "connection.h"

#include <sqlite3.h>

namespace orva::db {

PreparedStatement::PreparedStatement(Connection &connection, const QString &sql)
    : m_connection(connection), m_db(connection.handle()), m_generation(connection.generation())
{
    const QByteArray text = sql.toUtf8();
    const int rc = sqlite3_prepare_v3(m_db, text.constData(), static_cast<int>(text.size()), SQLITE_PREPARE_PERSISTENT,
                                      &m_statement, nullptr);
    if (rc != SQLITE_OK) {
        const DatabaseError error = falha(m_db, rc);
        sqlite3_finalize(m_statement);
        throw error;
    }
}

PreparedStatement::~PreparedStatement() { sqlite3_finalize(m_statement); }

bool PreparedStatement::stale() const { return m_generation != m_connection.generation(); }

int PreparedStatement::parameterIndex(const QString &name) const
{
    return sqlite3_bind_parameter_index(m_statement, name.toUtf8().constData());
}

bool PreparedStatement::bindText(int index, const char *utf8, int size)
{
    return sqlite3_bind_text(m_statement, index, utf8, size, SQLITE_STATIC) == SQLITE_OK;
}

bool PreparedStatement::bindInteger(int index, qint64 value)
{
    return sqlite3_bind_int64(m_statement, index, value) == SQLITE_OK;
}

bool PreparedStatement::bindReal(int index, double value)
{
    return sqlite3_bind_double(m_statement, index, value) == SQLITE_OK;
}

PreparedStatement::Outcome PreparedStatement::run()
{
    const bool bound = !m_bindingFailed;
    m_bindingFailed = false;
    const int rc = bound ? sqlite3_step(m_statement) : SQLITE_MISMATCH;
    if (rc != SQLITE_DONE)
        m_failure = falha(m_db, rc); // read before the reset, which may replace it
    sqlite3_reset(m_statement);
    sqlite3_clear_bindings(m_statement);
    if (rc == SQLITE_DONE)
        return Outcome::Done;
    if (!bound)
        return Outcome::BindFailed;
    if (rc == SQLITE_CONSTRAINT_PRIMARYKEY || rc == SQLITE_CONSTRAINT_UNIQUE)
        return Outcome::DuplicateKey;
    return Outcome::Refused;
}

} // namespace orva::db
