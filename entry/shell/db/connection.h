#pragma once
#include "common/errors.h"

#include <QString>

#include <set>

struct sqlite3;

namespace orva::db {

class Query;

// A database failure; the text is readable as it stands.
class DatabaseError : public orva::Error {
public:
    using orva::Error::Error;
};

// The one connection to orva.mdb. It never creates the file: a missing
// database is an error (only the installation step creates it).
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
    bool isOpen() const { return m_db != nullptr; }
    const QString &path() const { return m_path; }

    // Runs statements with no parameters and no rows (schema scripts).
    void executeScript(const QString &sql);

    // Creates a new database file from a schema script; refuses an existing file.
    static void create(const QString &path, const QString &script);

    sqlite3 *handle() const;

    // Bumped by close(); statements prepared before it are stale.
    quint64 generation() const { return m_generation; }

    // Open queries are closed with the connection, so no statement keeps the
    // file open behind a backup, restore or compaction.
    void attach(Query *query) { m_queries.insert(query); }
    void detach(Query *query) { m_queries.erase(query); }

private:
    void openHandle(const QString &path, int flags);

    sqlite3 *m_db = nullptr;
    QString m_path;
    quint64 m_generation = 0;
    std::set<Query *> m_queries;
};

} // namespace orva::db
