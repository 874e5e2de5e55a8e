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
        throw DatabaseError(QStringLiteral("Não foi possível abrir o banco de dados %1: %2").arg(path, message));
    }
    sqlite3_extended_result_codes(db, 1);
    sqlite3_busy_timeout(db, 5000);
    installTextComparison(db);
    // Reading the schema proves the file is a database at all.
    char *error = nullptr;
    if (sqlite3_exec(db, "select count(*) from sqlite_master", nullptr, nullptr, &error) != SQLITE_OK) {
        const QString message = QString::fromUtf8(error ? error : "");
        sqlite3_free(error);
        sqlite3_close(db);
        throw DatabaseError(QStringLiteral("O arquivo %1 não é um banco de dados válido: %2").arg(path, message));
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
                                .arg(path));
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

sqlite3 *Connection::handle() const
{
    if (!m_db)
        throw DatabaseError(QStringLiteral("A conexão com o banco de dados está fechada."));
    return m_db;
}

void Connection::executeScript(const QString &sql)
{
    char *error = nullptr;
    if (sqlite3_exec(handle(), sql.toUtf8().constData(), nullptr, nullptr, &error) != SQLITE_OK) {
        const QString message = QString::fromUtf8(error ? error : "");
        sqlite3_free(error);
        throw DatabaseError(message);
    }
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
