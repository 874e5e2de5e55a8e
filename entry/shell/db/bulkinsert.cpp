#include "bulkinsert.h"

#include "connection.h"
#include "postgres.h"

#include <QRegularExpression>

#include <libpq-fe.h>

#include <charconv>

namespace orva::db {
namespace {

// "COPY notas, line 3, column nf: ..." names the line the server refused.
int refusedLine(const pg_result *r)
{
    static const QRegularExpression line(QStringLiteral("\\bline (\\d+)"));
    const auto m = line.match(QString::fromUtf8(r ? PQresultErrorField(r, PG_DIAG_CONTEXT) : nullptr));
    return m.hasMatch() ? m.captured(1).toInt() : 0;
}

DatabaseError noRow() { return DatabaseError(QString()); }

} // namespace

BulkInsert::BulkInsert(Connection &connection, const QString &insertSql, int batchRows)
    : m_connection(connection), m_batchRows(std::max(1, batchRows)), m_insertSql(insertSql),
      m_generation(connection.generation())
{
    if (!connection.servidor()) {
        m_batchRows = 1; // each row is written as it comes
        m_statement = std::make_unique<PreparedStatement>(connection, insertSql);
        return;
    }
    static const QRegularExpression insert(
        QStringLiteral("^\\s*insert\\s+into\\s+(\\w+)\\s*\\(([^)]*)\\)\\s*values\\s*\\(([^)]*)\\)\\s*$"),
        QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression name(QStringLiteral("^\\w+$"));
    static const QRegularExpression parameter(QStringLiteral("^:(\\w+)$"));
    const auto m = insert.match(insertSql);
    const QStringList columns = m.captured(2).split(QLatin1Char(','));
    const QStringList values = m.captured(3).split(QLatin1Char(','));
    if (!m.hasMatch() || columns.size() != values.size())
        throw DatabaseError(QStringLiteral("A gravação em lote só aceita uma inserção de parâmetros: %1").arg(insertSql));
    QStringList names;
    for (qsizetype i = 0; i < columns.size(); ++i) {
        const QString column = columns.at(i).trimmed();
        const auto p = parameter.match(values.at(i).trimmed());
        if (!name.match(column).hasMatch() || !p.hasMatch())
            throw DatabaseError(QStringLiteral("A gravação em lote só aceita uma inserção de parâmetros: %1").arg(insertSql));
        names << column;
        qsizetype index = -1;
        for (qsizetype k = 0; k < m_parameters.size() && index < 0; ++k)
            if (m_parameters.at(k).compare(p.captured(1), Qt::CaseInsensitive) == 0)
                index = k;
        if (index < 0) {
            index = m_parameters.size();
            m_parameters << p.captured(1);
        }
        m_columnParameter.push_back(static_cast<int>(index));
    }
    // The columns are named, so any other column (the row number) takes its default.
    m_copySql = QStringLiteral("copy %1 (%2) from stdin").arg(m.captured(1), names.join(QStringLiteral(", "))).toUtf8();
    m_values.assign(static_cast<size_t>(m_parameters.size()), {0, -1});
}

BulkInsert::~BulkInsert() = default;

bool BulkInsert::stale() const { return m_generation != m_connection.generation(); }

int BulkInsert::parameterIndex(const QString &name) const
{
    if (m_statement)
        return m_statement->parameterIndex(name);
    const QString bare = name.startsWith(QLatin1Char(':')) ? name.mid(1) : name;
    for (qsizetype i = 0; i < m_parameters.size(); ++i)
        if (m_parameters.at(i).compare(bare, Qt::CaseInsensitive) == 0)
            return static_cast<int>(i + 1);
    return 0;
}

bool BulkInsert::bindText(int index, const char *utf8, int size)
{
    if (m_statement)
        return m_statement->bindText(index, utf8, size);
    if (index < 1 || index > static_cast<int>(m_values.size()))
        return false;
    m_values[static_cast<size_t>(index - 1)] = {static_cast<int>(m_bound.size()), size};
    m_bound.append(utf8, size);
    return true;
}

bool BulkInsert::bindInteger(int index, qint64 value)
{
    if (m_statement)
        return m_statement->bindInteger(index, value);
    char text[24];
    const auto r = std::to_chars(text, text + sizeof text, value);
    return bindText(index, text, static_cast<int>(r.ptr - text));
}

bool BulkInsert::bindReal(int index, double value)
{
    if (m_statement)
        return m_statement->bindReal(index, value);
    // The shortest text that reads back as the same double.
    char text[32];
    const auto r = std::to_chars(text, text + sizeof text, value);
    return bindText(index, text, static_cast<int>(r.ptr - text));
}

void BulkInsert::bindingFailed()
{
    if (m_statement)
        m_statement->bindingFailed();
    else
        m_bindFailed = true;
}

void BulkInsert::add()
{
    if (m_statement) {
        const Outcome outcome = m_statement->run();
        if (outcome != Outcome::Done) {
            m_refusals.emplace_back(m_pending, outcome);
            m_failures.push_back(m_statement->failure());
        }
        ++m_pending;
        return;
    }
    Row row;
    row.begin = static_cast<int>(m_copy.size());
    row.bindFailed = m_bindFailed;
    if (!m_bindFailed) {
        for (size_t c = 0; c < m_columnParameter.size(); ++c) {
            if (c > 0)
                m_copy.append('\t');
            const auto [offset, size] = m_values[static_cast<size_t>(m_columnParameter[c])];
            if (size < 0)
                m_copy.append("\\N", 2);
            else
                pg::acrescentaTextoCopia(m_copy, m_bound.constData() + offset, size);
        }
        m_copy.append('\n');
    }
    row.end = static_cast<int>(m_copy.size());
    m_rows.push_back(row);
    std::fill(m_values.begin(), m_values.end(), std::pair<int, int>{0, -1});
    m_bound.clear();
    m_bindFailed = false;
    ++m_pending;
}

void BulkInsert::execute(const char *sql)
{
    const pg::Resultado r = pg::resposta(m_connection, PQsendQuery(m_connection.pgHandle(), sql));
    if (!r || PQresultStatus(r.get()) != PGRES_COMMAND_OK)
        throw pg::falha(m_connection.pgHandle(), r.get());
}

void BulkInsert::executeQuietly(const char *sql)
{
    try {
        execute(sql);
    } catch (const DatabaseError &) {
        // what follows on this connection tells the failure
    }
}

int BulkInsert::copy(int first, int last, DatabaseError &failure)
{
    // Every wait for the server is bounded (pg::resposta): a silent server
    // closes the connection and fails the rows as a lost one does.
    const bool savepoint = m_connection.inTransaction();
    try {
        if (savepoint)
            execute("savepoint orva_lote");
        pg_conn *c = m_connection.pgHandle();
        const Row &from = m_rows[static_cast<size_t>(first)];
        const Row &to = m_rows[static_cast<size_t>(last - 1)];
        pg::Resultado r = pg::resposta(m_connection, PQsendQuery(c, m_copySql.constData()));
        if (r && PQresultStatus(r.get()) == PGRES_COPY_IN) {
            const bool sent = pg::enviaCopia(m_connection, m_copy.constData() + from.begin, to.end - from.begin);
            r = pg::resposta(m_connection, pg::terminaCopia(m_connection, sent ? nullptr : "orva: envio interrompido"));
        }
        if (r && PQresultStatus(r.get()) == PGRES_COMMAND_OK) {
            if (savepoint)
                execute("release savepoint orva_lote");
            return last;
        }
        failure = pg::falha(c, r.get());
        const int line = refusedLine(r.get());
        if (savepoint)
            execute("rollback to savepoint orva_lote; release savepoint orva_lote");
        return line >= 1 && first + line - 1 < last ? first + line - 1 : first;
    } catch (const DatabaseError &e) {
        if (failure.message().isEmpty())
            failure = e;
        return first;
    }
}

BulkInsert::Outcome BulkInsert::runAlone(const Row &row, DatabaseError &failure)
{
    // Rows that run alone share one savepoint until one is written: a
    // duplicate writes nothing and keeps the transaction sound, another
    // refusal goes back to it, so no row is lost and a run of duplicates
    // (a file imported again) costs one statement a row.
    try {
        if (!m_single)
            m_single = std::make_unique<PreparedStatement>(m_connection, m_insertSql);
        if (!m_aloneSavepoint && m_connection.inTransaction()) {
            execute("savepoint orva_linha");
            m_aloneSavepoint = true;
        }
    } catch (const DatabaseError &e) {
        failure = e;
        return Outcome::Refused;
    }
    // The row's COPY text back to values: fields split by tabs, "\N" for none.
    const QByteArray line = m_copy.mid(row.begin, row.end - row.begin - 1);
    const QList<QByteArray> fields = line.split('\t');
    for (size_t c = 0; c < m_columnParameter.size() && c < static_cast<size_t>(fields.size()); ++c) {
        const QByteArray &field = fields.at(static_cast<qsizetype>(c));
        if (field == "\\N")
            continue;
        QByteArray value;
        for (qsizetype i = 0; i < field.size(); ++i) {
            char ch = field.at(i);
            if (ch == '\\' && i + 1 < field.size()) {
                const char e = field.at(++i);
                ch = e == 't' ? '\t' : e == 'n' ? '\n' : e == 'r' ? '\r' : e;
            }
            value.append(ch);
        }
        const int index =
            m_single->parameterIndex(QLatin1Char(':') + m_parameters.at(m_columnParameter[c]));
        m_single->bindText(index, value.constData(), static_cast<int>(value.size()));
    }
    const Outcome outcome = m_single->run();
    if (outcome != Outcome::Done)
        failure = m_single->failure();
    if (outcome == Outcome::Done)
        releaseAloneSavepoint();
    else if (outcome != Outcome::DuplicateKey && m_aloneSavepoint)
        executeQuietly("rollback to savepoint orva_linha"); // the row leaves nothing
    return outcome;
}

void BulkInsert::releaseAloneSavepoint()
{
    if (m_aloneSavepoint && m_connection.servidor())
        executeQuietly("release savepoint orva_linha");
    m_aloneSavepoint = false;
}

void BulkInsert::flush(const Refusal &refused)
{
    m_pending = 0;
    if (m_statement) {
        const auto refusals = std::move(m_refusals);
        const auto failures = std::move(m_failures);
        m_refusals.clear();
        m_failures.clear();
        for (size_t i = 0; i < refusals.size(); ++i)
            refused(refusals[i].first, refusals[i].second, failures[i]);
        return;
    }
    struct Clear {
        BulkInsert &b;
        ~Clear()
        {
            b.releaseAloneSavepoint();
            b.m_rows.clear();
            b.m_copy.clear();
        }
    } clear{*this};
    const int n = static_cast<int>(m_rows.size());
    int i = 0;
    int end = n;
    bool alone = false; // the row before was refused: its neighbours may be too
    while (i < n) {
        const Row &row = m_rows[static_cast<size_t>(i)];
        if (row.bindFailed) {
            refused(i, Outcome::BindFailed, DatabaseError(QStringLiteral("Um valor não pôde ser passado ao banco de dados.")));
            ++i;
            end = n;
            continue;
        }
        for (int k = i; k < end; ++k)
            if (m_rows[static_cast<size_t>(k)].bindFailed)
                end = k;
        DatabaseError failure = noRow();
        if (!alone) {
            releaseAloneSavepoint();
            const int bad = copy(i, end, failure);
            if (bad == end) {
                i = end;
                end = n;
                continue;
            }
            if (bad > i) {
                end = bad; // the rows before it go in without it
                continue;
            }
        }
        const Outcome outcome = runAlone(row, failure);
        alone = outcome != Outcome::Done;
        if (alone)
            refused(i, outcome, failure);
        ++i;
        end = n;
    }
}

} // namespace orva::db
