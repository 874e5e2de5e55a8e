#include "query.h"

namespace orva::db {
namespace {

// Rows read at once when a query opens: most lookups end within them, so
// their statement is finished before the caller sees the first row.
constexpr int kFirstRows = 64;

DatabaseError noField(int position)
{
    return DatabaseError(QStringLiteral("A consulta não tem o campo de número %1.").arg(position));
}

} // namespace

Query::Query(Connection &connection) : m_connection(connection) {}

Query::~Query() { close(); }

void Query::setSql(const QString &sql)
{
    close();
    m_sql = sql;
}

void Query::checkOpen() const
{
    if (!m_open)
        throw DatabaseError(QStringLiteral("A consulta não está aberta."));
}

void Query::execute()
{
    m_cursor.reset();
    m_rows.clear();
    m_fetchedEnd = 0;
    m_done = false;
    m_current = 0;
    m_cursor = m_connection.motor().abre(m_sql, m_parameters, m_forwardOnly);
}

void Query::open()
{
    close();
    try {
        execute();
        m_names.clear();
        m_dateColumns.clear();
        for (const Coluna &c : m_cursor->colunas()) {
            m_names << c.nome;
            m_dateColumns.push_back(c.data);
        }
        m_open = true;
        m_connection.attach(this);
        fetchOne(); // errors of the statement surface at open, as the windows expect
        if (!m_forwardOnly)
            for (int i = 1; i < kFirstRows && fetchOne(); ++i) {
            }
        park();
    } catch (...) {
        close();
        throw;
    }
}

void Query::park()
{
    if (m_forwardOnly || m_done || !m_cursor)
        return;
    while (m_cursor->leAntesDePausar())
        if (!fetchOne())
            return;
    m_cursor->pausa();
}

void Query::close()
{
    if (m_open)
        m_connection.detach(this);
    m_open = false;
    m_cursor.reset();
    m_rows.clear();
    m_names.clear();
    m_dateColumns.clear();
    m_fetchedEnd = 0;
    m_done = false;
    m_current = 0;
    m_recordCount.reset();
}

bool Query::fetchOne()
{
    if (m_done || !m_cursor)
        return false;
    bool more = false;
    try {
        more = m_cursor->proxima();
    } catch (...) {
        m_done = true;
        m_cursor.reset();
        throw;
    }
    if (!more) {
        m_done = true;
        m_cursor.reset();
        return false;
    }
    if (m_forwardOnly) {
        // One pass: the row the cursor stands on is read from it as asked.
        m_rows.clear();
    } else {
        Row values;
        values.reserve(m_names.size());
        for (int i = 0; i < static_cast<int>(m_names.size()); ++i)
            values.push_back(m_cursor->valor(i));
        m_rows.push_back(std::move(values));
    }
    ++m_fetchedEnd;
    Q_ASSERT(m_forwardOnly ? m_rows.empty() : static_cast<int>(m_rows.size()) <= m_fetchedEnd);
    return true;
}

int Query::firstKept() const
{
    // A forward-only query keeps, at most, the row its cursor stands on.
    if (m_forwardOnly && m_rows.empty() && m_cursor)
        return m_fetchedEnd - 1;
    return m_fetchedEnd - static_cast<int>(m_rows.size());
}

bool Query::onStatementRow() const
{
    return m_forwardOnly && m_rows.empty() && m_cursor && m_current == m_fetchedEnd - 1;
}

bool Query::hasRow(int index)
{
    checkOpen();
    while (m_fetchedEnd <= index) {
        if (!fetchOne())
            return false;
    }
    park();
    return index >= firstKept();
}

const Query::Row &Query::row(int index)
{
    if (!hasRow(index))
        throw DatabaseError(QStringLiteral("Não há registro atual na consulta."));
    if (m_forwardOnly && m_rows.empty()) {
        // The row the cursor stands on, taken whole when a Field is asked for.
        Q_ASSERT(m_cursor && index == m_fetchedEnd - 1);
        Row values;
        values.reserve(m_names.size());
        for (int i = 0; i < static_cast<int>(m_names.size()); ++i)
            values.push_back(m_cursor->valor(i));
        m_rows.push_back(std::move(values));
    }
    const int offset = index - (m_fetchedEnd - static_cast<int>(m_rows.size()));
    Q_ASSERT(offset >= 0 && offset < static_cast<int>(m_rows.size()));
    return m_rows[static_cast<size_t>(offset)];
}

bool Query::eof()
{
    checkOpen();
    return !hasRow(m_current);
}

void Query::next()
{
    checkOpen();
    if (!eof())
        ++m_current;
    if (m_forwardOnly) {
        while (!m_rows.empty() && m_fetchedEnd - static_cast<int>(m_rows.size()) < m_current)
            m_rows.pop_front();
    }
}

void Query::first()
{
    checkOpen();
    if (firstKept() > 0) {
        execute(); // rows already dropped: read again from the start
        fetchOne();
        park();
    }
    m_current = 0;
}

int Query::fieldCount() const { return static_cast<int>(m_names.size()); }

QStringList Query::fieldNames() const { return m_names; }

Field Query::makeField(const Row &values, int column) const
{
    return Field(m_names.at(column), values.at(static_cast<size_t>(column)), m_dateColumns.at(static_cast<size_t>(column)));
}

Field Query::field(int position)
{
    checkOpen();
    if (position < 0 || position >= fieldCount())
        throw noField(position);
    return makeField(row(m_current), position);
}

QString Query::textAt(int position)
{
    checkOpen();
    if (position < 0 || position >= fieldCount()) {
        row(m_current); // no current row is told first
        throw noField(position);
    }
    if (hasRow(m_current) && onStatementRow())
        return m_cursor->texto(position);
    return Field::text(row(m_current)[static_cast<size_t>(position)], m_dateColumns[static_cast<size_t>(position)]);
}

double Query::floatAt(int position)
{
    checkOpen();
    if (position < 0 || position >= fieldCount()) {
        row(m_current);
        throw noField(position);
    }
    if (hasRow(m_current) && onStatementRow())
        return m_cursor->numero(position);
    return Field::number(row(m_current)[static_cast<size_t>(position)], m_names.at(position));
}

bool Query::storedRow(const std::vector<int> &positions, std::vector<StoredValue> &values)
{
    checkOpen();
    if (!hasRow(m_current) || !onStatementRow())
        return false;
    values.resize(positions.size());
    for (size_t i = 0; i < positions.size(); ++i) {
        if (positions[i] < 0 || positions[i] >= fieldCount())
            throw noField(positions[i]);
        values[i] = m_cursor->guardado(positions[i]);
    }
    return true;
}

Field Query::fieldByName(const QString &name)
{
    checkOpen();
    for (int i = 0; i < fieldCount(); ++i)
        if (m_names.at(i).compare(name, Qt::CaseInsensitive) == 0)
            return makeField(row(m_current), i);
    throw DatabaseError(QStringLiteral("Campo '%1' não encontrado.").arg(name));
}

Field Query::valueAt(int rowIndex, int column)
{
    checkOpen();
    if (column < 0 || column >= fieldCount())
        throw noField(column);
    return makeField(row(rowIndex), column);
}

int Query::fetchMore(int count)
{
    checkOpen();
    int fetched = 0;
    while (fetched < count && fetchOne())
        ++fetched;
    park();
    return fetched;
}

int Query::recordCount()
{
    checkOpen();
    if (m_done)
        return m_fetchedEnd;
    if (!m_recordCount && m_cursor)
        m_recordCount = m_cursor->total();
    if (!m_recordCount) {
        // Counted by the database, so a large result is not read into memory.
        if (const auto counted = m_connection.motor().conta(m_sql, m_parameters)) {
            m_recordCount = static_cast<int>(*counted);
        } else {
            while (fetchOne()) {
            }
            m_recordCount = m_fetchedEnd;
        }
    }
    return *m_recordCount;
}

// ---- Command ----

int Command::execute() { return m_connection.motor().executa(m_sql, m_parameters); }

} // namespace orva::db
