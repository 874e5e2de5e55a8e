#pragma once
#include "falhas.h"

#include <QHash>
#include <QString>
#include <QStringList>

#include <set>

struct sqlite3;
struct pg_conn;

namespace orva::db {

class Query;

// The one connection to orva.mdb. It never creates the file: a missing
// database is an error (only the installation step creates it).
// Given a PostgreSQL connection string ("postgresql://..." or "host=...
// dbname=...") instead of a path, the same connection speaks to that server:
// statements are translated there (traducao.h), text compares as here.
class Connection {
public:
    Connection() = default;
    ~Connection();
    Connection(const Connection &) = delete;
    Connection &operator=(const Connection &) = delete;

    void open(const QString &path);
    void close();
    // Opens again the file of the last open().
    void reopen();
    bool isOpen() const { return m_db != nullptr || m_pg != nullptr; }
    // Open on a PostgreSQL server rather than a database file.
    bool servidor() const { return m_pg != nullptr; }
    // A transaction is open (begun and neither committed nor undone).
    bool inTransaction() const;
    const QString &path() const { return m_path; }

    // Runs statements with no parameters and no rows (schema scripts).
    void executeScript(const QString &sql);

    // How long a statement waits for another program's lock before it fails
    // with Causa::EmUso.
    void setBusyTimeout(int milliseconds);
    static constexpr int DefaultBusyTimeout = 5000;

    // On a server: how long a statement's reply may take before the
    // connection is given up (a long compaction or copy stays well inside).
    void setServerReplyTimeout(int milliseconds) { m_serverReplyTimeout = milliseconds; }
    int serverReplyTimeout() const { return m_serverReplyTimeout; }
    static constexpr int DefaultServerReplyTimeout = 15 * 60 * 1000;

    // The database's own check of every page and index (PRAGMA quick_check)
    // and the presence of `tables`: raises DatabaseError (Causa::Danificado)
    // naming what is wrong. An empty or foreign file fails here.
    void verify(const QStringList &tables);

    // Copies the whole database into `target` through SQLite's online backup,
    // under the locks of both: another program may keep both files open.
    void copyTo(Connection &target);

    // Creates a new database file from a schema script; refuses an existing file.
    static void create(const QString &path, const QString &script);
    // Creates the tables, views and reference rows (`script`, in the server's
    // own dialect, run as it stands) in an empty PostgreSQL database, in one
    // transaction; refuses a database that holds an Empresa table already.
    static void createOnServer(const QString &conexao, const QString &script);
    // The same on this open server connection, inside the transaction that is
    // open (a copy creates the tables and fills them in one transaction).
    void createSchemaOnServer(const QString &script);
    // On a server: whether the database holds the Orva tables.
    bool hasServerSchema();

    sqlite3 *handle() const;
    pg_conn *pgHandle() const;
    // Counts the server transactions begun, so a cursor knows whether the
    // transaction it was declared in is over.
    quint64 serverTransaction() const { return m_serverTransaction; }
    void novaTransacaoServidor() { ++m_serverTransaction; }
    // On a server: the columns' spelling as the schema declares them.
    const QHash<quint32, QHash<QString, QString>> &grafias() const { return m_grafias; }

    // Bumped by close(); statements prepared before it are stale.
    quint64 generation() const { return m_generation; }

    // Open queries are closed with the connection, so no statement keeps the
    // file open behind a backup, restore or compaction.
    void attach(Query *query) { m_queries.insert(query); }
    void detach(Query *query) { m_queries.erase(query); }

private:
    void openHandle(const QString &path, int flags);
    void openServer(const QString &conexao);

    sqlite3 *m_db = nullptr;
    pg_conn *m_pg = nullptr;
    quint64 m_serverTransaction = 0;
    QHash<quint32, QHash<QString, QString>> m_grafias;
    int m_busyTimeout = DefaultBusyTimeout;
    int m_serverReplyTimeout = DefaultServerReplyTimeout;
    QString m_path;
    quint64 m_generation = 0;
    std::set<Query *> m_queries;
};

// A write transaction that takes the database's write lock at once (so two
// writers wait for each other instead of failing halfway) and is rolled back
// unless committed.
class WriteTransaction {
public:
    explicit WriteTransaction(Connection &connection);
    ~WriteTransaction();
    WriteTransaction(const WriteTransaction &) = delete;
    WriteTransaction &operator=(const WriteTransaction &) = delete;
    void commit();
    // Commits what is still open, then begins again under the write lock:
    // a long pass writes in batches through one transaction object.
    void restart();

private:
    Connection &m_connection;
    bool m_open = true;
};

// A read transaction: every statement inside it sees one snapshot of the
// database, whatever other programs commit meanwhile. Ended when destroyed.
class ReadTransaction {
public:
    explicit ReadTransaction(Connection &connection);
    ~ReadTransaction();
    ReadTransaction(const ReadTransaction &) = delete;
    ReadTransaction &operator=(const ReadTransaction &) = delete;

private:
    Connection &m_connection;
};

} // namespace orva::db
