#include "statement.h"

#include "connection.h"

namespace orva::db {

PreparedStatement::PreparedStatement(Connection &connection, const QString &sql)
    : m_connection(connection), m_generation(connection.generation()), m_statement(connection.motor().prepara(sql))
{
}

PreparedStatement::~PreparedStatement() = default;

bool PreparedStatement::stale() const { return m_generation != m_connection.generation(); }

PreparedStatement::Outcome PreparedStatement::run()
{
    const bool bound = !m_bindingFailed;
    m_bindingFailed = false;
    const Outcome outcome = m_statement->run(bound, m_failure);
    Q_ASSERT(bound || outcome == Outcome::BindFailed);
    return outcome;
}

} // namespace orva::db
