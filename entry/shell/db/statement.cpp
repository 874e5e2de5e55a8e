#include "statement.h"

#include "connection.h"
#include "postgres.h"
#include "traducao.h"

#include <libpq-fe.h>
#include <sqlite3.h>

#include <algorithm>

namespace orva::db {

PreparedStatement::PreparedStatement(Connection &connection, const QString &sql)
    : m_connection(connection), m_generation(connection.generation())
{
    if (connection.servidor()) {
        static quint64 counter = 0;
        Traducao traducao = traduzParaPostgres(sql);
        m_serverInsert = traducao.sql.trimmed().startsWith(QLatin1String("insert"), Qt::CaseInsensitive);
        if (m_serverInsert)
            traducao.sql = traducao.sql.trimmed() + QStringLiteral(" on conflict do nothing");
        m_serverName = "orva_p" + QByteArray::number(++counter);
        m_serverParameters = traducao.parametros;
        m_serverValues.resize(static_cast<size_t>(m_serverParameters.size()));
        const pg::Resultado r = pg::resposta(connection, PQsendPrepare(connection.pgHandle(), m_serverName.constData(),
                                                                       traducao.sql.toUtf8().constData(), 0, nullptr));
        if (!r || PQresultStatus(r.get()) != PGRES_COMMAND_OK)
            throw pg::falha(connection.pgHandle(), r.get());
        return;
    }
    m_db = connection.handle();
    const QByteArray text = sql.toUtf8();
    const int rc = sqlite3_prepare_v3(m_db, text.constData(), static_cast<int>(text.size()), SQLITE_PREPARE_PERSISTENT,
                                      &m_statement, nullptr);
    if (rc != SQLITE_OK) {
        const DatabaseError error = falha(m_db, rc);
        sqlite3_finalize(m_statement);
        throw error;
    }
}

PreparedStatement::~PreparedStatement()
{
    sqlite3_finalize(m_statement);
    if (!m_serverName.isEmpty() && !stale() && m_connection.servidor())
        try {
            pg::resposta(m_connection, PQsendQuery(m_connection.pgHandle(), ("deallocate " + m_serverName).constData()));
        } catch (const DatabaseError &) {
            // a silent server: the connection is closed, the statement with it
        }
}

bool PreparedStatement::stale() const { return m_generation != m_connection.generation(); }

int PreparedStatement::parameterIndex(const QString &name) const
{
    if (!m_serverName.isEmpty()) {
        const QString bare = name.startsWith(QLatin1Char(':')) ? name.mid(1) : name;
        for (qsizetype i = 0; i < m_serverParameters.size(); ++i)
            if (m_serverParameters.at(i).compare(bare, Qt::CaseInsensitive) == 0)
                return static_cast<int>(i + 1);
        return 0;
    }
    return sqlite3_bind_parameter_index(m_statement, name.toUtf8().constData());
}

bool PreparedStatement::bindText(int index, const char *utf8, int size)
{
    if (!m_serverName.isEmpty()) {
        if (index < 1 || index > static_cast<int>(m_serverValues.size()))
            return false;
        m_serverValues[static_cast<size_t>(index - 1)] = QByteArray(utf8, size);
        return true;
    }
    return sqlite3_bind_text(m_statement, index, utf8, size, SQLITE_STATIC) == SQLITE_OK;
}

bool PreparedStatement::bindInteger(int index, qint64 value)
{
    if (!m_serverName.isEmpty()) {
        const QByteArray text = QByteArray::number(value);
        return bindText(index, text.constData(), static_cast<int>(text.size()));
    }
    return sqlite3_bind_int64(m_statement, index, value) == SQLITE_OK;
}

bool PreparedStatement::bindReal(int index, double value)
{
    if (!m_serverName.isEmpty()) {
        const QByteArray text = QByteArray::number(value, 'g', 17);
        return bindText(index, text.constData(), static_cast<int>(text.size()));
    }
    return sqlite3_bind_double(m_statement, index, value) == SQLITE_OK;
}

PreparedStatement::Outcome PreparedStatement::runOnServer()
{
    const bool bound = !m_bindingFailed;
    m_bindingFailed = false;
    std::vector<const char *> values;
    for (const auto &v : m_serverValues)
        values.push_back(v ? v->constData() : nullptr);
    std::fill(m_serverValues.begin(), m_serverValues.end(), std::nullopt);
    if (!bound) {
        m_failure = DatabaseError(QStringLiteral("Um valor não pôde ser passado ao banco de dados."));
        return Outcome::BindFailed;
    }
    const pg::Resultado r = pg::resposta(m_connection, PQsendQueryPrepared(m_connection.pgHandle(), m_serverName.constData(),
                                                                           static_cast<int>(values.size()), values.data(),
                                                                           nullptr, nullptr, 0));
    if (r && PQresultStatus(r.get()) == PGRES_COMMAND_OK) {
        if (m_serverInsert && pg::linhasAlteradas(r.get()) == 0) {
            m_failure = falha(Causa::ChaveDuplicada, QString());
            return Outcome::DuplicateKey;
        }
        return Outcome::Done;
    }
    m_failure = pg::falha(m_connection.pgHandle(), r.get());
    return m_failure.causa() == Causa::ChaveDuplicada ? Outcome::DuplicateKey : Outcome::Refused;
}

PreparedStatement::Outcome PreparedStatement::run()
{
    if (!m_serverName.isEmpty())
        return runOnServer();
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
