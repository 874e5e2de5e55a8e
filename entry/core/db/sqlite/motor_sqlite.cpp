#include "motor_sqlite.h"

#include "comparacao.h"
#include "falhas_sqlite.h"

#include "core/db/campo.h"
#include "core/db/connection.h"
#include "core/db/parameters.h"
#include "core/shell/regional.h"

#include "common/plataforma/gravacao.h"

#include <QFile>
#include <QFileInfo>

#include <sqlite3.h>

namespace orva::db::sqlite {
namespace {

// Most rows read ahead after a paused statement is resumed.
constexpr int kMaxReadAhead = 20000;

QString lastError(sqlite3 *db)
{
    return db ? QString::fromUtf8(sqlite3_errmsg(db)) : QStringLiteral("sem memória");
}

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

struct Finaliza {
    sqlite3_stmt *stmt;
    ~Finaliza() { sqlite3_finalize(stmt); }
};

// Binds every ":name" of the statement; one that has no value raises.
void vincula(sqlite3_stmt *stmt, const Parameters &parametros)
{
    const int count = sqlite3_bind_parameter_count(stmt);
    for (int i = 1; i <= count; ++i) {
        const char *rawName = sqlite3_bind_parameter_name(stmt, i);
        if (!rawName)
            throw DatabaseError(QStringLiteral("Parâmetros sem nome não são aceitos no comando."));
        const QString name = QString::fromUtf8(rawName + 1); // without the ":"
        const Parameter *found = parametros.find(name);
        if (!found || !found->assigned())
            throw DatabaseError(QStringLiteral("Nenhum valor foi dado ao parâmetro %1.").arg(name));
        const QVariant &v = found->value();
        int rc = SQLITE_OK;
        if (v.isNull()) {
            rc = sqlite3_bind_null(stmt, i);
        } else if (v.typeId() == QMetaType::LongLong) {
            rc = sqlite3_bind_int64(stmt, i, v.toLongLong());
        } else if (v.typeId() == QMetaType::Double) {
            rc = sqlite3_bind_double(stmt, i, v.toDouble());
        } else {
            const QByteArray text = v.toString().toUtf8();
            rc = sqlite3_bind_text(stmt, i, text.constData(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
        }
        if (rc != SQLITE_OK)
            throw DatabaseError(QString::fromUtf8(sqlite3_errstr(rc)));
    }
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

// A statement's rows. Between requests it is paused (reset, so it holds no
// lock that would keep another program from saving) and resumed where it
// stopped: its rows up to there are stepped over again.
class CursorSqlite : public Cursor {
public:
    CursorSqlite(sqlite3 *db, const QString &sql, const Parameters &parametros) : m_stmt(prepare(db, sql))
    {
        try {
            vincula(m_stmt, parametros);
        } catch (...) {
            sqlite3_finalize(m_stmt);
            throw;
        }
        const int columns = sqlite3_column_count(m_stmt);
        for (int i = 0; i < columns; ++i) {
            const char *declared = sqlite3_column_decltype(m_stmt, i);
            m_colunas.push_back({QString::fromUtf8(sqlite3_column_name(m_stmt, i)),
                                 declared && QByteArray(declared).toUpper() == "DATE"});
        }
    }
    ~CursorSqlite() override { sqlite3_finalize(m_stmt); }

    const std::vector<Coluna> &colunas() const override { return m_colunas; }

    bool proxima() override
    {
        Q_ASSERT(!m_fim);
        if (m_pausado) {
            m_pausado = false;
            for (qint64 passados = 0; passados < m_linhas; ++passados)
                if (!passo())
                    return false; // another program deleted rows meanwhile: the result ends here
            // Read as many again ahead before the next pause: the total work stays linear.
            m_adiante = static_cast<int>(std::min<qint64>(m_linhas, kMaxReadAhead));
        }
        if (!passo())
            return false;
        ++m_linhas;
        return true;
    }

    QVariant valor(int coluna) const override { return readValue(naLinha(coluna), coluna); }

    StoredValue guardado(int coluna) const override
    {
        sqlite3_stmt *stmt = naLinha(coluna);
        StoredValue v;
        switch (sqlite3_column_type(stmt, coluna)) {
        case SQLITE_NULL: break;
        case SQLITE_INTEGER:
            v.kind = StoredValue::Kind::Integer;
            v.integer = sqlite3_column_int64(stmt, coluna);
            break;
        case SQLITE_FLOAT:
            v.kind = StoredValue::Kind::Real;
            v.real = sqlite3_column_double(stmt, coluna);
            break;
        case SQLITE_TEXT: {
            v.kind = StoredValue::Kind::Text;
            const auto *text = reinterpret_cast<const char *>(sqlite3_column_text(stmt, coluna));
            v.text = QByteArrayView(text, sqlite3_column_bytes(stmt, coluna));
            break;
        }
        default: v.kind = StoredValue::Kind::Blob; break;
        }
        return v;
    }

    QString texto(int coluna) const override
    {
        sqlite3_stmt *stmt = naLinha(coluna);
        switch (sqlite3_column_type(stmt, coluna)) {
        case SQLITE_NULL: return QString();
        case SQLITE_INTEGER: return QString::number(sqlite3_column_int64(stmt, coluna));
        case SQLITE_FLOAT: return regional::formatFloat(sqlite3_column_double(stmt, coluna));
        default:
            return Field::dateOrText(QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(stmt, coluna)),
                                                       sqlite3_column_bytes(stmt, coluna)),
                                     m_colunas[static_cast<size_t>(coluna)].data);
        }
    }

    double numero(int coluna) const override
    {
        sqlite3_stmt *stmt = naLinha(coluna);
        const int type = sqlite3_column_type(stmt, coluna);
        if (type == SQLITE_NULL)
            return 0;
        if (type == SQLITE_FLOAT || type == SQLITE_INTEGER)
            return sqlite3_column_double(stmt, coluna);
        return Cursor::numero(coluna);
    }

    bool leAntesDePausar() override
    {
        if (m_pausado || m_adiante <= 0)
            return false;
        --m_adiante;
        return true;
    }

    void pausa() override
    {
        if (m_pausado || m_fim)
            return;
        sqlite3_reset(m_stmt);
        m_pausado = true;
        m_adiante = 0;
    }

private:
    // The statement, standing on a row: a value is read only from there.
    sqlite3_stmt *naLinha(int coluna) const
    {
        Q_ASSERT(!m_pausado && !m_fim && m_linhas > 0);
        Q_ASSERT(coluna >= 0 && coluna < static_cast<int>(m_colunas.size()));
        Q_UNUSED(coluna);
        return m_stmt;
    }

    bool passo()
    {
        const int rc = sqlite3_step(m_stmt);
        if (rc == SQLITE_ROW)
            return true;
        m_fim = true;
        if (rc == SQLITE_DONE)
            return false;
        throw falha(sqlite3_db_handle(m_stmt), rc);
    }

    sqlite3_stmt *m_stmt;
    std::vector<Coluna> m_colunas;
    qint64 m_linhas = 0; // rows stepped, to skip again after a pause
    int m_adiante = 0;
    bool m_pausado = false;
    bool m_fim = false;
};

class PreparadoSqlite : public Preparado {
public:
    PreparadoSqlite(sqlite3 *db, const QString &sql) : m_db(db)
    {
        const QByteArray text = sql.toUtf8();
        const int rc = sqlite3_prepare_v3(m_db, text.constData(), static_cast<int>(text.size()),
                                          SQLITE_PREPARE_PERSISTENT, &m_statement, nullptr);
        if (rc != SQLITE_OK) {
            const DatabaseError error = falha(m_db, rc);
            sqlite3_finalize(m_statement);
            throw error;
        }
    }
    // Valid after the connection closed too: its close waits for this.
    ~PreparadoSqlite() override { sqlite3_finalize(m_statement); }

    int parameterIndex(const QString &name) const override
    {
        return sqlite3_bind_parameter_index(m_statement, name.toUtf8().constData());
    }
    bool bindText(int index, const char *utf8, int size) override
    {
        return sqlite3_bind_text(m_statement, index, utf8, size, SQLITE_STATIC) == SQLITE_OK;
    }
    bool bindInteger(int index, qint64 value) override { return sqlite3_bind_int64(m_statement, index, value) == SQLITE_OK; }
    bool bindReal(int index, double value) override { return sqlite3_bind_double(m_statement, index, value) == SQLITE_OK; }

    RunOutcome run(bool bound, DatabaseError &failure) override
    {
        const int rc = bound ? sqlite3_step(m_statement) : SQLITE_MISMATCH;
        if (rc != SQLITE_DONE)
            failure = falha(m_db, rc); // read before the reset, which may replace it
        sqlite3_reset(m_statement);
        sqlite3_clear_bindings(m_statement);
        if (rc == SQLITE_DONE)
            return RunOutcome::Done;
        if (!bound)
            return RunOutcome::BindFailed;
        if (rc == SQLITE_CONSTRAINT_PRIMARYKEY || rc == SQLITE_CONSTRAINT_UNIQUE)
            return RunOutcome::DuplicateKey;
        return RunOutcome::Refused;
    }

private:
    sqlite3 *m_db;
    sqlite3_stmt *m_statement = nullptr;
};

// Each row is written as it is added; its refusal waits for the flush.
class LoteSqlite : public Lote {
public:
    LoteSqlite(sqlite3 *db, const QString &sql) : m_statement(db, sql) {}

    int parameterIndex(const QString &name) const override { return m_statement.parameterIndex(name); }
    bool bindText(int index, const char *utf8, int size) override { return m_statement.bindText(index, utf8, size); }
    bool bindInteger(int index, qint64 value) override { return m_statement.bindInteger(index, value); }
    bool bindReal(int index, double value) override { return m_statement.bindReal(index, value); }
    void bindingFailed() override { m_bound = false; }

    void add(int posicao) override
    {
        Q_ASSERT(m_refusals.empty() || m_refusals.back().posicao < posicao);
        DatabaseError failure{QString()};
        const RunOutcome outcome = m_statement.run(m_bound, failure);
        m_bound = true;
        if (outcome != RunOutcome::Done)
            m_refusals.push_back({posicao, outcome, failure});
    }
    int linhasPorLote(int) const override { return 1; }

    void flush(int linhas, const Refusal &refused) override
    {
        const auto refusals = std::move(m_refusals);
        m_refusals.clear();
        for (const Recusa &r : refusals) {
            Q_ASSERT(r.posicao < linhas);
            refused(r.posicao, r.outcome, r.failure);
        }
        Q_UNUSED(linhas);
    }

private:
    struct Recusa {
        int posicao;
        RunOutcome outcome;
        DatabaseError failure;
    };
    PreparadoSqlite m_statement;
    bool m_bound = true;
    std::vector<Recusa> m_refusals;
};

// Writes rows into a table through one prepared insert.
class EscritaSqlite : public EscritaTabela {
public:
    EscritaSqlite(sqlite3 *db, const QString &tabela, const QStringList &colunas) : m_db(db)
    {
        QStringList marcas;
        for (int i = 1; i <= colunas.size(); ++i)
            marcas << QStringLiteral("?%1").arg(i);
        const QByteArray sql = QStringLiteral("insert into %1 (%2) values (%3)")
                                   .arg(tabela, colunas.join(QStringLiteral(", ")), marcas.join(QStringLiteral(", ")))
                                   .toUtf8();
        if (sqlite3_prepare_v2(m_db, sql.constData(), -1, &m_stmt, nullptr) != SQLITE_OK)
            throw falha(m_db, sqlite3_errcode(m_db));
        m_colunas = static_cast<int>(colunas.size());
    }
    ~EscritaSqlite() override { sqlite3_finalize(m_stmt); }

    // A file numbers the rows in the order they come: the source's rowid,
    // last, was read for the order only.
    void grava(const std::vector<StoredValue> &linha) override
    {
        Q_ASSERT(static_cast<int>(linha.size()) >= m_colunas);
        for (int i = 0; i < m_colunas; ++i) {
            const StoredValue &v = linha[static_cast<size_t>(i)];
            switch (v.kind) {
            case StoredValue::Kind::Null: sqlite3_bind_null(m_stmt, i + 1); break;
            case StoredValue::Kind::Integer: sqlite3_bind_int64(m_stmt, i + 1, v.integer); break;
            case StoredValue::Kind::Real: sqlite3_bind_double(m_stmt, i + 1, v.real); break;
            case StoredValue::Kind::Text:
            case StoredValue::Kind::Blob:
                // A null pointer would bind null: an empty text is bound as "".
                sqlite3_bind_text(m_stmt, i + 1, v.text.data() ? v.text.data() : "", static_cast<int>(v.text.size()),
                                  SQLITE_STATIC);
                break;
            }
        }
        const int rc = sqlite3_step(m_stmt);
        sqlite3_reset(m_stmt);
        if (rc != SQLITE_DONE)
            throw falha(m_db, rc);
    }
    void termina() override {}

private:
    sqlite3 *m_db;
    sqlite3_stmt *m_stmt = nullptr;
    int m_colunas = 0;
};

class MotorSqlite : public Driver {
public:
    MotorSqlite(sqlite3 *db, QString path) : m_db(db), m_path(std::move(path)) {}
    // Statements still prepared keep the file open until they are finalized.
    ~MotorSqlite() override { sqlite3_close_v2(m_db); }

    sqlite3 *handle() const { return m_db; }

    bool remoto() const override { return false; }
    bool emTransacao() const override { return !sqlite3_get_autocommit(m_db); }

    void executaRoteiro(const QString &sql) override
    {
        char *error = nullptr;
        const int rc = sqlite3_exec(m_db, sql.toUtf8().constData(), nullptr, nullptr, &error);
        if (rc != SQLITE_OK) {
            const QString message = QString::fromUtf8(error ? error : "");
            sqlite3_free(error);
            throw falha(rc, message);
        }
    }

    void defineEspera(int milliseconds) override { sqlite3_busy_timeout(m_db, milliseconds); }

    void verifica(const QStringList &tables) override
    {
        sqlite3_stmt *stmt = prepare(m_db, QStringLiteral("pragma quick_check"));
        Finaliza finaliza{stmt};
        QStringList problems;
        int rc;
        while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
            const QString line = QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(stmt, 0)));
            if (line != QLatin1String("ok") && problems.size() < 5)
                problems << line;
        }
        if (rc != SQLITE_DONE)
            throw falha(m_db, rc);
        for (const QString &table : tables) {
            sqlite3_stmt *find = prepare(
                m_db, QStringLiteral("select 1 from sqlite_master where type in ('table', 'view') and name = ?1 collate nocase"));
            Finaliza fim{find};
            const QByteArray name = table.toUtf8();
            sqlite3_bind_text(find, 1, name.constData(), static_cast<int>(name.size()), SQLITE_TRANSIENT);
            const int found = sqlite3_step(find);
            if (found == SQLITE_DONE)
                problems << QStringLiteral("a tabela %1 não existe").arg(table);
            else if (found != SQLITE_ROW)
                throw falha(m_db, found);
        }
        if (!problems.isEmpty())
            throw DatabaseError(explicacao(Causa::Danificado) + QStringLiteral("\n(") + m_path + QStringLiteral(": ")
                                    + problems.join(QStringLiteral("; ")) + QLatin1Char(')'),
                                Causa::Danificado);
    }

    void copiaPara(Driver &destino) override
    {
        if (destino.remoto())
            throw DatabaseError(QStringLiteral("A cópia direta só existe entre arquivos orva.mdb; o banco de dados no "
                                               "servidor não foi copiado."));
        copiaPaginas(m_db, static_cast<MotorSqlite &>(destino).m_db);
    }

    // All pages in one step: the copy is one snapshot of the source and one
    // transaction on the target. The target's busy timeout bounds the wait.
    static void copiaPaginas(sqlite3 *source, sqlite3 *destination)
    {
        sqlite3_backup *backup = sqlite3_backup_init(destination, "main", source, "main");
        if (!backup)
            throw falha(destination, sqlite3_errcode(destination));
        int rc = sqlite3_backup_step(backup, -1);
        const int finished = sqlite3_backup_finish(backup);
        if (rc == SQLITE_DONE)
            rc = finished;
        if (rc != SQLITE_OK && rc != SQLITE_DONE)
            throw falha(rc, QString::fromUtf8(sqlite3_errstr(rc)));
    }

    void desfazSemFalhar() override { sqlite3_exec(m_db, "rollback", nullptr, nullptr, nullptr); }

    void comecaLeitura() override
    {
        executaRoteiro(QStringLiteral("begin"));
        try {
            // The first read takes the snapshot; begin alone takes none.
            executaRoteiro(QStringLiteral("select count(*) from sqlite_master"));
        } catch (...) {
            desfazSemFalhar();
            throw;
        }
    }
    void terminaLeitura() override { sqlite3_exec(m_db, "commit", nullptr, nullptr, nullptr); }

    std::unique_ptr<Cursor> abre(const QString &sql, const Parameters &parametros, bool) override
    {
        return std::make_unique<CursorSqlite>(m_db, sql, parametros);
    }

    int executa(const QString &sql, const Parameters &parametros) override
    {
        sqlite3_stmt *stmt = prepare(m_db, sql);
        Finaliza finaliza{stmt};
        vincula(stmt, parametros);
        int rc = sqlite3_step(stmt);
        while (rc == SQLITE_ROW)
            rc = sqlite3_step(stmt);
        if (rc != SQLITE_DONE)
            throw falha(m_db, rc);
        return sqlite3_changes(m_db);
    }

    std::optional<qint64> conta(const QString &sql, const Parameters &parametros) override
    {
        sqlite3_stmt *stmt = nullptr;
        try {
            stmt = prepare(m_db, QStringLiteral("select count(*) from (%1)").arg(sql));
        } catch (const DatabaseError &) {
            return std::nullopt; // not a plain select: the caller reads the rows
        }
        Finaliza finaliza{stmt};
        vincula(stmt, parametros);
        const int rc = sqlite3_step(stmt);
        if (rc != SQLITE_ROW)
            throw falha(m_db, rc);
        return sqlite3_column_int64(stmt, 0);
    }

    std::unique_ptr<Preparado> prepara(const QString &sql) override { return std::make_unique<PreparadoSqlite>(m_db, sql); }

    std::unique_ptr<Lote> lote(const QString &insertSql, int) override
    {
        return std::make_unique<LoteSqlite>(m_db, insertSql);
    }

    std::unique_ptr<EscritaTabela> escritaDeCopia(const QString &tabela, const QStringList &colunas) override
    {
        return std::make_unique<EscritaSqlite>(m_db, tabela, colunas);
    }

    int versaoDoEsquema() override;
    void marcaVersao(int versao) override;
    QString guardaCopia(int versao) override;
    // The file's rows already carry their own rowid: no step changes a table yet.
    void sobeEsquema(int) override {}
    void criaEsquema(const QString &) override { throw soNoServidor(); }
    bool temEsquema() override { throw soNoServidor(); }

private:
    static DatabaseError soNoServidor()
    {
        return DatabaseError(QStringLiteral("Esta operação só existe para o banco de dados no servidor, não para o "
                                            "arquivo orva.mdb."));
    }

    sqlite3 *m_db;
    QString m_path;
};

int MotorSqlite::versaoDoEsquema()
{
    sqlite3_stmt *stmt = prepare(m_db, QStringLiteral("pragma user_version"));
    Finaliza finaliza{stmt};
    const int rc = sqlite3_step(stmt);
    if (rc != SQLITE_ROW)
        throw falha(m_db, rc);
    return sqlite3_column_int(stmt, 0);
}

void MotorSqlite::marcaVersao(int versao) { executaRoteiro(QStringLiteral("pragma user_version = %1").arg(versao)); }

sqlite3 *abreArquivo(const QString &path, int flags, int espera);

QString MotorSqlite::guardaCopia(int versao)
{
    // A new file beside the database, never one that exists: an earlier
    // copy is kept as it is.
    QString copia = QStringLiteral("%1.v%2.bak").arg(m_path).arg(versao);
    for (int n = 2; QFileInfo::exists(copia); ++n)
        copia = QStringLiteral("%1.v%2.%3.bak").arg(m_path).arg(versao).arg(n);
    // Through the online backup, read by a second connection: the write
    // lock this one holds lets readers in and keeps writers out, so the copy
    // is what the upgrade starts from.
    try {
        MotorSqlite origem(abreArquivo(m_path, SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX, Connection::DefaultBusyTimeout),
                           m_path);
        MotorSqlite destino(abreArquivo(copia, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX, 0),
                            copia);
        copiaPaginas(origem.m_db, destino.m_db);
    } catch (const DatabaseError &e) {
        QFile::remove(copia);
        throw DatabaseError(QStringLiteral("A cópia de segurança %1 não pôde ser gravada, e o banco de dados não foi "
                                           "atualizado: %2")
                                .arg(copia, e.message()),
                            e.causa());
    }
    if (!plataforma::sincronizaArquivo(copia)) {
        QFile::remove(copia);
        throw DatabaseError(QStringLiteral("A cópia de segurança %1 não pôde ser gravada no disco, e o banco de dados "
                                           "não foi atualizado. Confira o espaço livre no disco.")
                                .arg(copia),
                            Causa::Disco);
    }
    return copia;
}

sqlite3 *abreArquivo(const QString &path, int flags, int espera)
{
    sqlite3 *db = nullptr;
    const int rc = sqlite3_open_v2(path.toUtf8().constData(), &db, flags, nullptr);
    if (rc != SQLITE_OK) {
        const QString message = lastError(db);
        sqlite3_close(db);
        throw falha(rc, QStringLiteral("Não foi possível abrir o banco de dados %1: %2").arg(path, message));
    }
    sqlite3_extended_result_codes(db, 1);
    sqlite3_busy_timeout(db, espera);
    installTextComparison(db);
    // Reading the schema proves the file is a database at all.
    char *error = nullptr;
    const int check = sqlite3_exec(db, "select count(*) from sqlite_master", nullptr, nullptr, &error);
    if (check != SQLITE_OK) {
        const QString message = QString::fromUtf8(error ? error : "");
        sqlite3_free(error);
        sqlite3_close(db);
        if (causaDe(check) == Causa::Danificado || causaDe(check) == Causa::Outra)
            throw DatabaseError(QStringLiteral("O arquivo %1 não é um banco de dados válido: %2\n%3")
                                    .arg(path, message, explicacao(Causa::Danificado)),
                                Causa::Danificado);
        throw falha(check, message);
    }
    return db;
}

} // namespace

std::unique_ptr<Driver> abre(Connection &conexao, const QString &path, bool cria)
{
    const int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX | (cria ? SQLITE_OPEN_CREATE : 0);
    return std::make_unique<MotorSqlite>(abreArquivo(path, flags, conexao.busyTimeout()), path);
}

void criaArquivo(const QString &path, const QString &script)
{
    if (QFileInfo::exists(path))
        throw DatabaseError(QStringLiteral("O banco de dados %1 já existe e não será alterado.").arg(path));
    try {
        MotorSqlite motor(abreArquivo(path, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX,
                                      Connection::DefaultBusyTimeout),
                          path);
        motor.executaRoteiro(QStringLiteral("begin;\n") + script + QStringLiteral("\ncommit;"));
    } catch (...) {
        QFile::remove(path);
        throw;
    }
}

} // namespace orva::db::sqlite
