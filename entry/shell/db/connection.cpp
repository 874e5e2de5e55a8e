#include "connection.h"

#include "postgres.h"
#include "query.h"
#include "textcompare.h"
#include "traducao.h"

#include <QFile>
#include <QFileInfo>

#include <libpq-fe.h>
#include <sqlite3.h>

namespace orva::db {
namespace {

QString lastError(sqlite3 *db)
{
    return db ? QString::fromUtf8(sqlite3_errmsg(db)) : QStringLiteral("sem memória");
}

// Ends a server transaction without raising (destructors, failed begins).
void terminaNoServidor(Connection &connection, const char *comando)
{
    try {
        pg::resposta(connection, PQsendQuery(connection.pgHandle(), comando));
    } catch (const DatabaseError &) {
        // a silent server: the connection was closed, the transaction with it
    }
}

} // namespace

Connection::~Connection() { close(); }

void Connection::openHandle(const QString &path, int flags)
{
    sqlite3 *db = nullptr;
    const int rc = sqlite3_open_v2(path.toUtf8().constData(), &db, flags, nullptr);
    if (rc != SQLITE_OK) {
        const QString message = lastError(db);
        sqlite3_close(db);
        throw falha(rc, QStringLiteral("Não foi possível abrir o banco de dados %1: %2").arg(path, message));
    }
    sqlite3_extended_result_codes(db, 1);
    sqlite3_busy_timeout(db, m_busyTimeout);
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
    m_db = db;
    m_path = path;
}

void Connection::openServer(const QString &conexao)
{
    // Waits bounded whatever the network does: the connection itself, and a
    // server host that stops answering (keepalives, unacknowledged data).
    // The connection string may say otherwise for any of them.
    const QByteArray texto = conexao.toUtf8();
    const char *chaves[] = {"connect_timeout", "keepalives", "keepalives_idle", "keepalives_interval", "keepalives_count",
                            "tcp_user_timeout", "application_name", "dbname", nullptr};
    const char *valores[] = {"10", "1", "30", "10", "3", "30000", "orva", texto.constData(), nullptr};
    PGconn *pg = PQconnectdbParams(chaves, valores, 1);
    if (PQstatus(pg) != CONNECTION_OK) {
        const QString message = QString::fromUtf8(PQerrorMessage(pg)).trimmed();
        PQfinish(pg);
        throw DatabaseError(QStringLiteral("Não foi possível conectar ao banco de dados no servidor PostgreSQL: %1\n"
                                           "Confira a conexão configurada e se o servidor está no ar.")
                                .arg(message),
                            Causa::NaoEncontrado);
    }
    // Never blocks on a full socket: every wait is ours, under the deadline.
    PQsetnonblocking(pg, 1);
    m_pg = pg;
    m_path = conexao;
    try {
        // Texts travel as UTF-8, dates read back as YYYY-MM-DD and a typed
        // DD/MM/YYYY is day first; a lock is waited for as on a file. A
        // commit is confirmed only once it is on the server's disk, whatever
        // the cluster's default: what is reported written survives a crash.
        pg::executaRoteiro(*this, QStringLiteral("set client_encoding to 'UTF8'; set datestyle to 'ISO, DMY'; "
                                                 "set lock_timeout = %1; set synchronous_commit to on")
                                      .arg(m_busyTimeout));
        m_grafias = pg::grafias(*this);
    } catch (...) {
        close();
        throw;
    }
}

void Connection::open(const QString &path)
{
    close();
    if (ehServidor(path)) {
        openServer(path);
        return;
    }
    if (!QFileInfo(path).isFile())
        throw DatabaseError(QStringLiteral("Banco de dados não encontrado: %1\n"
                                           "Restaure a cópia de segurança ou reinstale o programa.")
                                .arg(path),
                            Causa::NaoEncontrado);
    openHandle(path, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX);
}

void Connection::close()
{
    if (!isOpen())
        return;
    ++m_generation;
    const std::set<Query *> open = m_queries;
    for (Query *query : open)
        query->close();
    if (m_pg)
        PQfinish(m_pg);
    else
        sqlite3_close_v2(m_db);
    m_db = nullptr;
    m_pg = nullptr;
}

void Connection::reopen()
{
    if (m_path.isEmpty())
        throw DatabaseError(QStringLiteral("Nenhum banco de dados foi aberto antes."));
    open(m_path);
}

bool Connection::inTransaction() const
{
    if (m_pg)
        return PQtransactionStatus(m_pg) != PQTRANS_IDLE;
    return m_db && !sqlite3_get_autocommit(m_db);
}

sqlite3 *Connection::handle() const
{
    if (m_pg)
        throw DatabaseError(QStringLiteral("Esta operação só existe para o banco de dados orva.mdb, não para o banco "
                                           "de dados no servidor."));
    if (!m_db)
        throw DatabaseError(QStringLiteral("A conexão com o banco de dados está fechada."));
    return m_db;
}

pg_conn *Connection::pgHandle() const
{
    if (!m_pg)
        throw DatabaseError(QStringLiteral("A conexão com o banco de dados está fechada."));
    return m_pg;
}

void Connection::executeScript(const QString &sql)
{
    if (m_pg) {
        pg::executaRoteiro(*this, traduzParaPostgres(sql).sql);
        return;
    }
    char *error = nullptr;
    const int rc = sqlite3_exec(handle(), sql.toUtf8().constData(), nullptr, nullptr, &error);
    if (rc != SQLITE_OK) {
        const QString message = QString::fromUtf8(error ? error : "");
        sqlite3_free(error);
        throw falha(rc, message);
    }
}

void Connection::setBusyTimeout(int milliseconds)
{
    m_busyTimeout = milliseconds;
    if (m_pg)
        pg::executaRoteiro(*this, QStringLiteral("set lock_timeout = %1").arg(milliseconds));
    else if (m_db)
        sqlite3_busy_timeout(m_db, milliseconds);
}

void Connection::verify(const QStringList &tables)
{
    if (m_pg) {
        // The server keeps its own pages sound; what can be missing is a table.
        QStringList missing;
        for (const QString &table : tables) {
            const auto r = pg::executa(*this, QStringLiteral("select 1 from pg_class c join pg_namespace n on "
                                                             "n.oid = c.relnamespace where n.nspname = current_schema() "
                                                             "and c.relname = lower($1) and c.relkind in ('r', 'v')"),
                                       {table.toUtf8()});
            if (PQntuples(r.get()) == 0)
                missing << QStringLiteral("a tabela %1 não existe").arg(table);
        }
        if (!missing.isEmpty())
            throw DatabaseError(explicacao(Causa::Danificado) + QStringLiteral("\n(") + PQdb(m_pg) + QStringLiteral(": ")
                                    + missing.join(QStringLiteral("; ")) + QLatin1Char(')'),
                                Causa::Danificado);
        return;
    }
    sqlite3 *db = handle();
    sqlite3_stmt *stmt = nullptr;
    int rc = sqlite3_prepare_v2(db, "pragma quick_check", -1, &stmt, nullptr);
    if (rc != SQLITE_OK)
        throw falha(db, rc);
    QStringList problems;
    while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
        const QString line = QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(stmt, 0)));
        if (line != QLatin1String("ok") && problems.size() < 5)
            problems << line;
    }
    if (rc != SQLITE_DONE) {
        const DatabaseError error = falha(db, rc);
        sqlite3_finalize(stmt);
        throw error;
    }
    sqlite3_finalize(stmt);
    for (const QString &table : tables) {
        const QByteArray sql = "select 1 from sqlite_master where type in ('table', 'view') and name = ?1 collate nocase";
        sqlite3_stmt *find = nullptr;
        if (sqlite3_prepare_v2(db, sql.constData(), -1, &find, nullptr) != SQLITE_OK)
            throw falha(db, sqlite3_errcode(db));
        const QByteArray name = table.toUtf8();
        sqlite3_bind_text(find, 1, name.constData(), static_cast<int>(name.size()), SQLITE_TRANSIENT);
        const int found = sqlite3_step(find);
        sqlite3_finalize(find);
        if (found == SQLITE_DONE)
            problems << QStringLiteral("a tabela %1 não existe").arg(table);
        else if (found != SQLITE_ROW)
            throw falha(db, found);
    }
    if (!problems.isEmpty())
        throw DatabaseError(explicacao(Causa::Danificado) + QStringLiteral("\n(") + m_path + QStringLiteral(": ")
                                + problems.join(QStringLiteral("; ")) + QLatin1Char(')'),
                            Causa::Danificado);
}

void Connection::copyTo(Connection &target)
{
    if (servidor() || target.servidor())
        throw DatabaseError(QStringLiteral("A cópia direta só existe entre arquivos orva.mdb; o banco de dados no "
                                           "servidor não foi copiado."));
    sqlite3 *source = handle();
    sqlite3 *destination = target.handle();
    sqlite3_backup *backup = sqlite3_backup_init(destination, "main", source, "main");
    if (!backup)
        throw falha(destination, sqlite3_errcode(destination));
    // All pages in one step: the copy is one snapshot of the source and one
    // transaction on the target. The target's busy timeout bounds the wait.
    int rc = sqlite3_backup_step(backup, -1);
    const int finished = sqlite3_backup_finish(backup);
    if (rc == SQLITE_DONE)
        rc = finished;
    if (rc != SQLITE_OK && rc != SQLITE_DONE)
        throw falha(rc, QString::fromUtf8(sqlite3_errstr(rc)));
}

WriteTransaction::WriteTransaction(Connection &connection) : m_connection(connection)
{
    m_connection.executeScript(QStringLiteral("begin immediate"));
}

WriteTransaction::~WriteTransaction()
{
    if (!m_open || !m_connection.isOpen())
        return;
    if (m_connection.servidor())
        terminaNoServidor(m_connection, "rollback");
    else
        sqlite3_exec(m_connection.handle(), "rollback", nullptr, nullptr, nullptr);
}

void WriteTransaction::commit()
{
    m_connection.executeScript(QStringLiteral("commit"));
    m_open = false;
}

void WriteTransaction::restart()
{
    if (m_open)
        commit();
    m_connection.executeScript(QStringLiteral("begin immediate"));
    m_open = true;
}

ReadTransaction::ReadTransaction(Connection &connection) : m_connection(connection)
{
    if (m_connection.servidor()) {
        // The snapshot is taken by the first statement after begin.
        pg::executaRoteiro(m_connection, QStringLiteral("begin isolation level repeatable read read only"));
        try {
            pg::executaRoteiro(m_connection, QStringLiteral("select 1"));
        } catch (...) {
            terminaNoServidor(m_connection, "rollback");
            throw;
        }
        return;
    }
    m_connection.executeScript(QStringLiteral("begin"));
    try {
        // The first read takes the snapshot; begin alone takes none.
        m_connection.executeScript(QStringLiteral("select count(*) from sqlite_master"));
    } catch (...) {
        sqlite3_exec(m_connection.handle(), "rollback", nullptr, nullptr, nullptr);
        throw;
    }
}

ReadTransaction::~ReadTransaction()
{
    if (m_connection.servidor())
        terminaNoServidor(m_connection, "commit");
    else if (m_connection.isOpen())
        sqlite3_exec(m_connection.handle(), "commit", nullptr, nullptr, nullptr);
}

void Connection::create(const QString &path, const QString &script)
{
    if (QFileInfo::exists(path))
        throw DatabaseError(QStringLiteral("O banco de dados %1 já existe e não será alterado.").arg(path));
    Connection connection;
    try {
        connection.openHandle(path, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX);
        connection.executeScript(QStringLiteral("begin;\n") + script + QStringLiteral("\ncommit;"));
    } catch (...) {
        connection.close();
        QFile::remove(path);
        throw;
    }
}

} // namespace orva::db

namespace orva::db {

void Connection::createOnServer(const QString &conexao, const QString &script)
{
    Connection connection;
    connection.openServer(conexao);
    pg::executaRoteiro(connection, QStringLiteral("begin"));
    try {
        connection.createSchemaOnServer(script);
        pg::executaRoteiro(connection, QStringLiteral("commit"));
    } catch (...) {
        terminaNoServidor(connection, "rollback");
        throw;
    }
}

void Connection::createSchemaOnServer(const QString &script)
{
    const auto codificacao = pg::executa(*this, QStringLiteral("show server_encoding"));
    if (QByteArray(PQgetvalue(codificacao.get(), 0, 0)) != "UTF8")
        throw DatabaseError(QStringLiteral("O banco de dados %1 não usa a codificação UTF8. Crie-o com "
                                           "\"create database ... encoding 'UTF8' template template0\".")
                                .arg(QString::fromUtf8(PQdb(m_pg))));
    if (hasServerSchema())
        throw DatabaseError(QStringLiteral("O banco de dados %1 já tem as tabelas do Orva e não será alterado.")
                                .arg(QString::fromUtf8(PQdb(m_pg))));
    pg::executaRoteiro(*this, script);
}

bool Connection::hasServerSchema()
{
    const auto existe = pg::executa(*this, QStringLiteral("select to_regclass('empresa') is not null"));
    return QByteArray(PQgetvalue(existe.get(), 0, 0)) == "t";
}

} // namespace orva::db
