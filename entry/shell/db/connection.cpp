#include "connection.h"

#include "query.h"
#include "textcompare.h"

#include <QFile>

#include <QFileInfo>

#include <sqlite3.h>

namespace orva::db {
namespace {

QString lastError(sqlite3 *db)
{
    return db ? QString::fromUtf8(sqlite3_errmsg(db)) : QStringLiteral("sem memória");
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

void Connection::open(const QString &path)
{
    close();
    if (!QFileInfo(path).isFile())
        throw DatabaseError(QStringLiteral("Banco de dados não encontrado: %1\n"
                                           "Restaure a cópia de segurança ou reinstale o programa.")
                                .arg(path),
                            Causa::NaoEncontrado);
    openHandle(path, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX);
}

void Connection::close()
{
    if (!m_db)
        return;
    ++m_generation;
    const std::set<Query *> open = m_queries;
    for (Query *query : open)
        query->close();
    sqlite3_close_v2(m_db);
    m_db = nullptr;
}

void Connection::reopen()
{
    if (m_path.isEmpty())
        throw DatabaseError(QStringLiteral("Nenhum banco de dados foi aberto antes."));
    open(m_path);
}

bool Connection::inTransaction() const { return m_db && !sqlite3_get_autocommit(m_db); }

sqlite3 *Connection::handle() const
{
    if (!m_db)
        throw DatabaseError(QStringLiteral("A conexão com o banco de dados está fechada."));
    return m_db;
}

void Connection::executeScript(const QString &sql)
{
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
    if (m_db)
        sqlite3_busy_timeout(m_db, milliseconds);
}

void Connection::verify(const QStringList &tables)
{
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
    if (m_open && m_connection.isOpen())
        sqlite3_exec(m_connection.handle(), "rollback", nullptr, nullptr, nullptr);
}

void WriteTransaction::commit()
{
    m_connection.executeScript(QStringLiteral("commit"));
    m_open = false;
}

ReadTransaction::ReadTransaction(Connection &connection) : m_connection(connection)
{
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
    if (m_connection.isOpen())
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
