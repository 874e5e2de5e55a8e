#include "lote_postgres.h"

#include "postgres.h"
#include "traducao.h"

#include "core/db/connection.h"

#include <QRegularExpression>

#include <libpq-fe.h>

#include <algorithm>
#include <charconv>

namespace orva::db::pg {
namespace {

// "COPY notas, line 3, column nf: ..." names the line the server refused.
int refusedLine(const pg_result *r)
{
    static const QRegularExpression line(QStringLiteral("\\bline (\\d+)"));
    const auto m = line.match(QString::fromUtf8(r ? PQresultErrorField(r, PG_DIAG_CONTEXT) : nullptr));
    return m.hasMatch() ? m.captured(1).toInt() : 0;
}

DatabaseError noRow() { return DatabaseError(QString()); }

// The 1-based place of a parameter (":nome" or "nome", any case); 0 when unknown.
int indiceDoParametro(const QStringList &parametros, const QString &name)
{
    const QString bare = name.startsWith(QLatin1Char(':')) ? name.mid(1) : name;
    for (qsizetype i = 0; i < parametros.size(); ++i)
        if (parametros.at(i).compare(bare, Qt::CaseInsensitive) == 0)
            return static_cast<int>(i + 1);
    return 0;
}

} // namespace

// ---- PreparadoPostgres ----

PreparadoPostgres::PreparadoPostgres(Connection &conexao, const QString &sql)
    : m_conexao(conexao), m_generation(conexao.generation())
{
    static quint64 counter = 0;
    Traducao traducao = traduzParaPostgres(sql);
    m_insert = traducao.sql.trimmed().startsWith(QLatin1String("insert"), Qt::CaseInsensitive);
    if (m_insert)
        traducao.sql = traducao.sql.trimmed() + QStringLiteral(" on conflict do nothing");
    const QByteArray name = "orva_p" + QByteArray::number(++counter);
    m_parameters = traducao.parametros;
    m_values.resize(static_cast<size_t>(m_parameters.size()));
    const Resultado r = resposta(conexao, PQsendPrepare(handle(conexao), name.constData(),
                                                        traducao.sql.toUtf8().constData(), 0, nullptr));
    if (!r || PQresultStatus(r.get()) != PGRES_COMMAND_OK)
        throw falha(handle(conexao), r.get());
    m_name = name;
}

PreparadoPostgres::~PreparadoPostgres()
{
    if (m_generation == m_conexao.generation() && m_conexao.servidor())
        try {
            resposta(m_conexao, PQsendQuery(handle(m_conexao), ("deallocate " + m_name).constData()));
        } catch (const DatabaseError &) {
            // a silent server: the connection is closed, the statement with it
        }
}

int PreparadoPostgres::parameterIndex(const QString &name) const { return indiceDoParametro(m_parameters, name); }

bool PreparadoPostgres::bindText(int index, const char *utf8, int size)
{
    if (index < 1 || index > static_cast<int>(m_values.size()))
        return false;
    m_values[static_cast<size_t>(index - 1)] = QByteArray(utf8, size);
    return true;
}

bool PreparadoPostgres::bindInteger(int index, qint64 value)
{
    const QByteArray text = QByteArray::number(value);
    return bindText(index, text.constData(), static_cast<int>(text.size()));
}

bool PreparadoPostgres::bindReal(int index, double value)
{
    const QByteArray text = QByteArray::number(value, 'g', 17);
    return bindText(index, text.constData(), static_cast<int>(text.size()));
}

RunOutcome PreparadoPostgres::run(bool bound, DatabaseError &failure)
{
    std::vector<const char *> values;
    for (const auto &v : m_values)
        values.push_back(v ? v->constData() : nullptr);
    // The values stay alive until the statement ran; then they are cleared.
    struct Limpa {
        std::vector<std::optional<QByteArray>> &v;
        ~Limpa() { std::fill(v.begin(), v.end(), std::nullopt); }
    } limpa{m_values};
    if (!bound) {
        failure = DatabaseError(QStringLiteral("Um valor não pôde ser passado ao banco de dados."));
        return RunOutcome::BindFailed;
    }
    const Resultado r = resposta(m_conexao, PQsendQueryPrepared(handle(m_conexao), m_name.constData(),
                                                                static_cast<int>(values.size()), values.data(), nullptr,
                                                                nullptr, 0));
    if (r && PQresultStatus(r.get()) == PGRES_COMMAND_OK) {
        if (m_insert && linhasAlteradas(r.get()) == 0) {
            failure = db::falha(Causa::ChaveDuplicada, QString());
            return RunOutcome::DuplicateKey;
        }
        return RunOutcome::Done;
    }
    failure = falha(handle(m_conexao), r.get());
    return failure.causa() == Causa::ChaveDuplicada ? RunOutcome::DuplicateKey : RunOutcome::Refused;
}

// ---- LotePostgres ----

LotePostgres::LotePostgres(Connection &conexao, const QString &insertSql, int)
    : m_conexao(conexao), m_insertSql(insertSql)
{
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

LotePostgres::~LotePostgres() = default;

int LotePostgres::parameterIndex(const QString &name) const { return indiceDoParametro(m_parameters, name); }

bool LotePostgres::bindText(int index, const char *utf8, int size)
{
    if (index < 1 || index > static_cast<int>(m_values.size()))
        return false;
    m_values[static_cast<size_t>(index - 1)] = {static_cast<int>(m_bound.size()), size};
    m_bound.append(utf8, size);
    return true;
}

bool LotePostgres::bindInteger(int index, qint64 value)
{
    char text[24];
    const auto r = std::to_chars(text, text + sizeof text, value);
    return bindText(index, text, static_cast<int>(r.ptr - text));
}

bool LotePostgres::bindReal(int index, double value)
{
    // The shortest text that reads back as the same double.
    char text[32];
    const auto r = std::to_chars(text, text + sizeof text, value);
    return bindText(index, text, static_cast<int>(r.ptr - text));
}

void LotePostgres::add(int posicao)
{
    // The rows of a batch come in order, one line each.
    Q_ASSERT(posicao == static_cast<int>(m_rows.size()));
    Q_UNUSED(posicao);
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
                acrescentaTextoCopia(m_copy, m_bound.constData() + offset, size);
        }
        m_copy.append('\n');
    }
    row.end = static_cast<int>(m_copy.size());
    m_rows.push_back(row);
    std::fill(m_values.begin(), m_values.end(), std::pair<int, int>{0, -1});
    m_bound.clear();
    m_bindFailed = false;
}

void LotePostgres::execute(const char *sql)
{
    const Resultado r = resposta(m_conexao, PQsendQuery(handle(m_conexao), sql));
    if (!r || PQresultStatus(r.get()) != PGRES_COMMAND_OK)
        throw falha(handle(m_conexao), r.get());
}

void LotePostgres::executeQuietly(const char *sql)
{
    try {
        execute(sql);
    } catch (const DatabaseError &) {
        // what follows on this connection tells the failure
    }
}

int LotePostgres::copy(int first, int last, DatabaseError &failure)
{
    // Every wait for the server is bounded (resposta): a silent server
    // closes the connection and fails the rows as a lost one does.
    const bool savepoint = m_conexao.inTransaction();
    try {
        if (savepoint)
            execute("savepoint orva_lote");
        pg_conn *c = handle(m_conexao);
        const Row &from = m_rows[static_cast<size_t>(first)];
        const Row &to = m_rows[static_cast<size_t>(last - 1)];
        Resultado r = resposta(m_conexao, PQsendQuery(c, m_copySql.constData()));
        if (r && PQresultStatus(r.get()) == PGRES_COPY_IN) {
            const bool sent = enviaCopia(m_conexao, m_copy.constData() + from.begin, to.end - from.begin);
            r = resposta(m_conexao, terminaCopia(m_conexao, sent ? nullptr : "orva: envio interrompido"));
        }
        if (r && PQresultStatus(r.get()) == PGRES_COMMAND_OK) {
            if (savepoint)
                execute("release savepoint orva_lote");
            return last;
        }
        failure = falha(c, r.get());
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

RunOutcome LotePostgres::runAlone(const Row &row, DatabaseError &failure)
{
    // Rows that run alone share one savepoint until one is written: a
    // duplicate writes nothing and keeps the transaction sound, another
    // refusal goes back to it, so no row is lost and a run of duplicates
    // (a file imported again) costs one statement a row.
    try {
        if (!m_single)
            m_single = std::make_unique<PreparadoPostgres>(m_conexao, m_insertSql);
        if (!m_aloneSavepoint && m_conexao.inTransaction()) {
            execute("savepoint orva_linha");
            m_aloneSavepoint = true;
        }
    } catch (const DatabaseError &e) {
        failure = e;
        return RunOutcome::Refused;
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
    const RunOutcome outcome = m_single->run(true, failure);
    if (outcome == RunOutcome::Done)
        releaseAloneSavepoint();
    else if (outcome != RunOutcome::DuplicateKey && m_aloneSavepoint)
        executeQuietly("rollback to savepoint orva_linha"); // the row leaves nothing
    return outcome;
}

void LotePostgres::releaseAloneSavepoint()
{
    if (m_aloneSavepoint && m_conexao.servidor())
        executeQuietly("release savepoint orva_linha");
    m_aloneSavepoint = false;
}

void LotePostgres::flush(int linhas, const Refusal &refused)
{
    Q_ASSERT(linhas == static_cast<int>(m_rows.size()));
    Q_UNUSED(linhas);
    struct Clear {
        LotePostgres &b;
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
            refused(i, RunOutcome::BindFailed, DatabaseError(QStringLiteral("Um valor não pôde ser passado ao banco de dados.")));
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
        const RunOutcome outcome = runAlone(row, failure);
        alone = outcome != RunOutcome::Done;
        if (alone)
            refused(i, outcome, failure);
        ++i;
        end = n;
    }
}

} // namespace orva::db::pg
