#include "query.h"

#include "postgres.h"
#include "shell/regional.h"
#include "traducao.h"

#include <libpq-fe.h>
#include <sqlite3.h>

#include <cmath>

namespace orva::db {
namespace {

// Rows read at once when a query opens: most lookups end within them, so
// their statement is finished before the caller sees the first row.
constexpr int kFirstRows = 64;
// Most rows read ahead after a parked statement is resumed.
constexpr int kMaxReadAhead = 20000;
// Rows a server cursor hands over at once in a forward-only pass.
constexpr int kServerBatch = 1000;

sqlite3_stmt *prepare(sqlite3 *db, const QString &sql)
{
    if (sql.trimmed().isEmpty())
        throw DatabaseError(QStringLiteral("O comando SQL está vazio."));
    const QByteArray utf8 = sql.toUtf8();
    sqlite3_stmt *stmt = nullptr;
    const char *tail = nullptr;
    const int rc = sqlite3_prepare_v2(db, utf8.constData(), static_cast<int>(utf8.size()), &stmt, &tail);
    if (rc != SQLITE_OK)
        throw falha(db, rc);
    if (!stmt)
        throw DatabaseError(QStringLiteral("O comando SQL está vazio."));
    return stmt;
}

QVariant readValue(sqlite3_stmt *stmt, int column)
{
    switch (sqlite3_column_type(stmt, column)) {
    case SQLITE_INTEGER:
        return QVariant(static_cast<qint64>(sqlite3_column_int64(stmt, column)));
    case SQLITE_FLOAT:
        return QVariant(sqlite3_column_double(stmt, column));
    case SQLITE_NULL:
        return QVariant();
    case SQLITE_BLOB:
        return QVariant(QByteArray(static_cast<const char *>(sqlite3_column_blob(stmt, column)),
                                   sqlite3_column_bytes(stmt, column)));
    default:
        return QVariant(QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(stmt, column)),
                                          sqlite3_column_bytes(stmt, column)));
    }
}

} // namespace

// ---- Field ----

QString Field::asString() const { return text(m_value, m_isDate); }

QString Field::text(const QVariant &value, bool isDate)
{
    switch (value.typeId()) {
    case QMetaType::UnknownType:
        return QString();
    case QMetaType::Double:
        return regional::formatFloat(value.toDouble());
    case QMetaType::LongLong:
        return QString::number(value.toLongLong());
    case QMetaType::QString:
        break;
    default:
        return value.toString();
    }
    return dateOrText(*static_cast<const QString *>(value.constData()), isDate);
}

QString Field::dateOrText(const QString &text, bool isDate)
{
    if (isDate && text.size() >= 10 && text.at(4) == QLatin1Char('-') && text.at(7) == QLatin1Char('-')) {
        // YYYY-MM-DD as stored, read back as DD/MM/YYYY (rearranged, not parsed: exports read millions).
        QString out(10, QLatin1Char('/'));
        const QChar *in = text.constData();
        QChar *o = out.data();
        o[0] = in[8], o[1] = in[9], o[3] = in[5], o[4] = in[6];
        o[6] = in[0], o[7] = in[1], o[8] = in[2], o[9] = in[3];
        return out;
    }
    return text;
}

qint64 Field::asInteger() const
{
    switch (m_value.typeId()) {
    case QMetaType::UnknownType: return 0;
    case QMetaType::LongLong: return m_value.toLongLong();
    case QMetaType::Double: return std::llround(m_value.toDouble());
    default: break;
    }
    bool ok = false;
    const qint64 v = m_value.toString().trimmed().toLongLong(&ok);
    if (!ok)
        throw DatabaseError(QStringLiteral("'%1' do campo %2 não é um número inteiro.").arg(m_value.toString(), m_name));
    return v;
}

double Field::asFloat() const { return number(m_value, m_name); }

double Field::number(const QVariant &value, const QString &name)
{
    switch (value.typeId()) {
    case QMetaType::UnknownType: return 0;
    case QMetaType::LongLong: return static_cast<double>(value.toLongLong());
    case QMetaType::Double: return value.toDouble();
    default: break;
    }
    const QString text = value.toString();
    bool ok = false;
    const double v = text.trimmed().toDouble(&ok);
    if (ok)
        return v;
    if (const auto local = regional::parseFloat(text, true))
        return *local;
    throw DatabaseError(QStringLiteral("'%1' do campo %2 não é um número.").arg(text, name));
}

// ---- Query ----

struct Query::Cursor {
    sqlite3_stmt *stmt = nullptr;
    // On a server: the cursor's name, the transaction it lives in (none
    // when it is held past commits), its rows at hand and the current one.
    Connection *server = nullptr;
    QByteArray name;
    quint64 generation = 0;
    std::optional<quint64> transaction;
    pg::Resultado batch;
    int row = -1;

    ~Cursor()
    {
        sqlite3_finalize(stmt);
        if (!server || name.isEmpty() || !server->servidor() || server->generation() != generation)
            return;
        // A cursor of a transaction that ended is gone with it.
        if (transaction && (!server->inTransaction() || server->serverTransaction() != *transaction))
            return;
        try {
            pg::resposta(*server, PQsendQuery(server->pgHandle(), ("close " + name).constData()));
        } catch (const DatabaseError &) {
            // a silent server: the connection was closed, the cursor with it
        }
    }
    bool fetch()
    {
        batch = pg::executa(*server, QStringLiteral("fetch forward %1 from %2").arg(kServerBatch).arg(QString::fromLatin1(name)));
        row = 0;
        return PQntuples(batch.get()) > 0;
    }
};

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
    m_parked = false;
    m_readAhead = 0;
    m_current = 0;
    if (m_connection.servidor()) {
        executeOnServer();
        return;
    }
    auto cursor = std::make_unique<Cursor>();
    cursor->stmt = prepare(m_connection.handle(), m_sql);
    m_parameters.bind(cursor->stmt);
    m_cursor = std::move(cursor);
}

void Query::executeOnServer()
{
    const Traducao traducao = traduzParaPostgres(m_sql);
    const pg::Valores valores = pg::valores(m_parameters, traducao.parametros);
    pg::Resultado result;
    if (!m_forwardOnly && m_connection.inTransaction()) {
        // Lookups inside a write: the whole result in one round trip, read
        // whether or not the transaction is over when it is.
        result = pg::executa(m_connection, traducao.sql, valores);
        describeServerColumns(result.get());
        m_rows.clear();
        const int rows = PQntuples(result.get());
        for (int r = 0; r < rows; ++r) {
            Row values;
            values.reserve(m_serverColumns.size());
            for (const int c : m_serverColumns)
                values.push_back(pg::valor(result.get(), r, c));
            m_rows.push_back(std::move(values));
        }
        m_fetchedEnd = rows;
        m_done = true;
    } else {
        // A long pass or a grid: a cursor hands the rows over in batches as
        // they are asked for, so a large result is not read whole (a long
        // pass keeps none of them). Outside a transaction it must outlive
        // the implicit one.
        static quint64 counter = 0;
        auto cursor = std::make_unique<Cursor>();
        cursor->server = &m_connection;
        const QByteArray name = "orva_c" + QByteArray::number(++counter);
        cursor->generation = m_connection.generation();
        const bool inTransaction = m_connection.inTransaction();
        pg::executa(m_connection,
                    QStringLiteral("declare %1 no scroll cursor %2 for ")
                            .arg(QString::fromLatin1(name), inTransaction ? QString() : QStringLiteral("with hold"))
                        + traducao.sql,
                    valores);
        cursor->name = name;
        if (inTransaction)
            cursor->transaction = m_connection.serverTransaction();
        cursor->fetch();
        cursor->row = -1;
        m_cursor = std::move(cursor);
        describeServerColumns(m_cursor->batch.get());
    }
}

void Query::describeServerColumns(const pg_result *described)
{
    // The server's tables carry a `rowid` column of their own, standing in
    // for the embedded database's implicit one: a statement sees it only when
    // it names it, so `Select *` gives the same columns on both engines.
    const bool namesRowid = m_sql.contains(QLatin1String("rowid"), Qt::CaseInsensitive);
    const int columns = PQnfields(described);
    m_names.clear();
    m_dateColumns.clear();
    m_serverColumns.clear();
    for (int i = 0; i < columns; ++i) {
        if (!namesRowid && qstrcmp(PQfname(described, i), "rowid") == 0)
            continue;
        m_serverColumns.push_back(i);
        m_names << pg::nomeDaColuna(m_connection.grafias(), described, i);
        m_dateColumns.push_back(pg::colunaData(described, i));
    }
}

bool Query::fetchFromServer()
{
    Cursor &cursor = *m_cursor;
    if (++cursor.row >= PQntuples(cursor.batch.get())) {
        if (PQntuples(cursor.batch.get()) < kServerBatch || !cursor.fetch()) {
            m_done = true;
            m_cursor.reset();
            return false;
        }
    }
    if (m_forwardOnly) {
        m_rows.clear();
    } else {
        Row values;
        values.reserve(m_serverColumns.size());
        for (const int c : m_serverColumns)
            values.push_back(pg::valor(cursor.batch.get(), cursor.row, c));
        m_rows.push_back(std::move(values));
    }
    ++m_fetchedEnd;
    return true;
}

void Query::open()
{
    close();
    if (m_connection.servidor()) {
        m_fetchedEnd = 0;
        m_done = false;
        m_current = 0;
        try {
            executeOnServer();
            if (!m_forwardOnly)
                for (int i = 0; i < kFirstRows && fetchOne(); ++i) {
                }
        } catch (...) {
            close();
            throw;
        }
        m_open = true;
        m_connection.attach(this);
        return;
    }
    execute();
    sqlite3_stmt *stmt = m_cursor->stmt;
    const int columns = sqlite3_column_count(stmt);
    m_names.clear();
    m_dateColumns.assign(static_cast<size_t>(columns), false);
    for (int i = 0; i < columns; ++i) {
        m_names << QString::fromUtf8(sqlite3_column_name(stmt, i));
        const char *declared = sqlite3_column_decltype(stmt, i);
        m_dateColumns[static_cast<size_t>(i)] = declared && QByteArray(declared).toUpper() == "DATE";
    }
    m_open = true;
    m_connection.attach(this);
    try {
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
    // A server's cursor holds no lock between batches: nothing to release.
    if (m_forwardOnly || m_done || m_parked || !m_cursor || m_cursor->server)
        return;
    // A statement resumed after a park read its rows again up to where it
    // stopped: reading as many again ahead keeps the total work linear.
    for (; m_readAhead > 0; --m_readAhead)
        if (!fetchOne())
            return;
    sqlite3_reset(m_cursor->stmt);
    m_parked = true;
}

bool Query::resume()
{
    sqlite3_stmt *stmt = m_cursor->stmt;
    m_parked = false;
    for (int skipped = 0; skipped < m_fetchedEnd; ++skipped)
        if (!step(stmt))
            return false; // another program deleted rows meanwhile: the result ends here
    m_readAhead = std::min(m_fetchedEnd, kMaxReadAhead);
    return true;
}

bool Query::step(sqlite3_stmt *stmt)
{
    const int rc = sqlite3_step(stmt);
    if (rc == SQLITE_ROW)
        return true;
    m_done = true;
    if (rc == SQLITE_DONE) {
        m_cursor.reset();
        return false;
    }
    const DatabaseError error = falha(sqlite3_db_handle(stmt), rc);
    m_cursor.reset();
    throw error;
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
    m_parked = false;
    m_readAhead = 0;
    m_current = 0;
    m_recordCount.reset();
}

bool Query::fetchOne()
{
    if (m_done || !m_cursor)
        return false;
    if (m_parked && !resume())
        return false;
    if (m_cursor->server)
        return fetchFromServer();
    sqlite3_stmt *stmt = m_cursor->stmt;
    if (m_forwardOnly) {
        // One pass: the row the statement stands on is read from it as asked.
        m_rows.clear();
        if (!step(stmt))
            return false;
        ++m_fetchedEnd;
        return true;
    }
    if (!step(stmt))
        return false;
    Row values;
    const int columns = static_cast<int>(m_names.size());
    values.reserve(static_cast<size_t>(columns));
    for (int i = 0; i < columns; ++i)
        values.push_back(readValue(stmt, i));
    m_rows.push_back(std::move(values));
    ++m_fetchedEnd;
    return true;
}

int Query::firstKept() const
{
    // A forward-only query keeps, at most, the row its statement stands on.
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
        // The row the statement stands on, taken whole when a Field is asked for.
        sqlite3_stmt *stmt = m_cursor->stmt;
        Row values;
        values.reserve(m_names.size());
        for (int i = 0; i < static_cast<int>(m_names.size()); ++i)
            values.push_back(stmt ? readValue(stmt, i)
                                  : pg::valor(m_cursor->batch.get(), m_cursor->row, m_serverColumns[static_cast<size_t>(i)]));
        m_rows.push_back(std::move(values));
    }
    return m_rows[static_cast<size_t>(index - (m_fetchedEnd - static_cast<int>(m_rows.size())))];
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
        throw DatabaseError(QStringLiteral("A consulta não tem o campo de número %1.").arg(position));
    return makeField(row(m_current), position);
}

QString Query::textAt(int position)
{
    checkOpen();
    if (hasRow(m_current) && onStatementRow() && position >= 0 && position < fieldCount() && m_cursor->stmt) {
        sqlite3_stmt *stmt = m_cursor->stmt;
        switch (sqlite3_column_type(stmt, position)) {
        case SQLITE_NULL: return QString();
        case SQLITE_INTEGER: return QString::number(sqlite3_column_int64(stmt, position));
        case SQLITE_FLOAT: return regional::formatFloat(sqlite3_column_double(stmt, position));
        default:
            return Field::dateOrText(QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(stmt, position)),
                                                       sqlite3_column_bytes(stmt, position)),
                                     m_dateColumns[static_cast<size_t>(position)]);
        }
    }
    const Row &values = row(m_current);
    if (position < 0 || position >= fieldCount())
        throw DatabaseError(QStringLiteral("A consulta não tem o campo de número %1.").arg(position));
    return Field::text(values[static_cast<size_t>(position)], m_dateColumns[static_cast<size_t>(position)]);
}

bool Query::storedRow(const std::vector<int> &positions, std::vector<StoredValue> &values)
{
    checkOpen();
    if (!hasRow(m_current) || !onStatementRow())
        return false;
    sqlite3_stmt *stmt = m_cursor->stmt;
    values.resize(positions.size());
    if (!stmt) {
        for (size_t i = 0; i < positions.size(); ++i) {
            if (positions[i] < 0 || positions[i] >= fieldCount())
                throw DatabaseError(QStringLiteral("A consulta não tem o campo de número %1.").arg(positions[i]));
            values[i] = pg::valorGuardado(m_cursor->batch.get(), m_cursor->row,
                                          m_serverColumns[static_cast<size_t>(positions[i])]);
        }
        return true;
    }
    for (size_t i = 0; i < positions.size(); ++i) {
        const int position = positions[i];
        if (position < 0 || position >= fieldCount())
            throw DatabaseError(QStringLiteral("A consulta não tem o campo de número %1.").arg(position));
        StoredValue &v = values[i];
        switch (sqlite3_column_type(stmt, position)) {
        case SQLITE_NULL: v.kind = StoredValue::Kind::Null; break;
        case SQLITE_INTEGER:
            v.kind = StoredValue::Kind::Integer;
            v.integer = sqlite3_column_int64(stmt, position);
            break;
        case SQLITE_FLOAT:
            v.kind = StoredValue::Kind::Real;
            v.real = sqlite3_column_double(stmt, position);
            break;
        case SQLITE_TEXT: {
            v.kind = StoredValue::Kind::Text;
            const auto *text = reinterpret_cast<const char *>(sqlite3_column_text(stmt, position));
            v.text = QByteArrayView(text, sqlite3_column_bytes(stmt, position));
            break;
        }
        default: v.kind = StoredValue::Kind::Blob; break;
        }
    }
    return true;
}

double Query::floatAt(int position)
{
    checkOpen();
    if (hasRow(m_current) && onStatementRow() && position >= 0 && position < fieldCount() && m_cursor->stmt) {
        sqlite3_stmt *stmt = m_cursor->stmt;
        const int type = sqlite3_column_type(stmt, position);
        if (type == SQLITE_NULL)
            return 0;
        if (type == SQLITE_FLOAT || type == SQLITE_INTEGER)
            return sqlite3_column_double(stmt, position);
    }
    const Row &values = row(m_current);
    if (position < 0 || position >= fieldCount())
        throw DatabaseError(QStringLiteral("A consulta não tem o campo de número %1.").arg(position));
    return Field::number(values[static_cast<size_t>(position)], m_names.at(position));
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
        throw DatabaseError(QStringLiteral("A consulta não tem o campo de número %1.").arg(column));
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
    if (!m_recordCount && m_connection.servidor()) {
        const Traducao traducao = traduzParaPostgres(QStringLiteral("select count(*) from (%1) as contagem").arg(m_sql));
        const auto r = pg::executa(m_connection, traducao.sql, pg::valores(m_parameters, traducao.parametros));
        m_recordCount = static_cast<int>(pg::valor(r.get(), 0, 0).toLongLong());
    }
    if (!m_recordCount) {
        // Counted by the database, so a large result is not read into memory.
        sqlite3_stmt *stmt = nullptr;
        try {
            stmt = prepare(m_connection.handle(), QStringLiteral("select count(*) from (%1)").arg(m_sql));
        } catch (const DatabaseError &) {
            stmt = nullptr;
        }
        if (stmt) {
            Cursor guard;
            guard.stmt = stmt;
            m_parameters.bind(stmt);
            const int rc = sqlite3_step(stmt);
            if (rc != SQLITE_ROW)
                throw falha(sqlite3_db_handle(stmt), rc);
            m_recordCount = static_cast<int>(sqlite3_column_int64(stmt, 0));
        } else {
            while (fetchOne()) {
            }
            m_recordCount = m_fetchedEnd;
        }
    }
    return *m_recordCount;
}

// ---- Command ----

int Command::execute()
{
    if (m_connection.servidor()) {
        const Traducao traducao = traduzParaPostgres(m_sql);
        const auto r = pg::executa(m_connection, traducao.sql, pg::valores(m_parameters, traducao.parametros));
        return pg::linhasAlteradas(r.get());
    }
    sqlite3 *db = m_connection.handle();
    sqlite3_stmt *stmt = prepare(db, m_sql);
    struct Finalize {
        sqlite3_stmt *stmt;
        ~Finalize() { sqlite3_finalize(stmt); }
    } finalize{stmt};
    m_parameters.bind(stmt);
    int rc = sqlite3_step(stmt);
    while (rc == SQLITE_ROW)
        rc = sqlite3_step(stmt);
    if (rc != SQLITE_DONE)
        throw falha(db, rc);
    return sqlite3_changes(db);
}

} // namespace orva::db
