#pragma once
#include "falhas.h"
#include "motor.h"

#include <QString>
#include <QStringList>

#include <memory>
#include <set>

namespace orva::db {

class Query;

// The one connection to orva.mdb. It never creates the file: a missing
// database is an error (only the installation step creates it).
// Given a PostgreSQL connection string ("postgresql://..." or "host=...
// dbname=...") instead of a path, the same connection speaks to that server
// through its driver (postgres/): statements are translated there, text
// compares as here.
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
    bool isOpen() const { return m_motor != nullptr; }
    // Open on a server several workstations share rather than a database file.
    bool servidor() const { return m_motor && m_motor->remoto(); }
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
    // open (a copy creates the tables and fills them in one transaction),
    // marked with the schema's current version.
    void createSchemaOnServer(const QString &script);
    // On a server: whether the database holds the Orva tables.
    bool hasServerSchema();

    // The open database's driver; raises when the connection is closed.
    Driver &motor() const;
    int busyTimeout() const { return m_busyTimeout; }

    // Bumped by close(); statements prepared before it are stale.
    quint64 generation() const { return m_generation; }

    // Open queries are closed with the connection, so no statement keeps the
    // file open behind a backup, restore or compaction.
    void attach(Query *query) { m_queries.insert(query); }
    void detach(Query *query) { m_queries.erase(query); }

private:
    std::unique_ptr<Driver> m_motor;
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
