#pragma once
#include <QString>

#include <optional>

namespace orva::install {

// The working folders of the program folder, relative to it.
QStringList programFolders();

// Prepares a program folder: its working folders and a new orva.mdb with the
// tables, views and reference rows. Refuses (orva::Error) when a database is
// already there, whatever the case of its name; never touches one.
void createProgramFolder(const QString &folder);

// Creates the tables, views and reference rows in an empty database on a
// PostgreSQL server (`conexao`, a libpq connection string), in one
// transaction. Raises orva::db::DatabaseError; never touches a database that
// holds them already.
void createServerDatabase(const QString &conexao);
// What createServerDatabase runs: the tables, views and reference rows in the
// server's dialect.
QString serverDatabaseScript();

// What preparing a workstation on a server database found and did.
struct EstacaoServidor {
    bool tabelasCriadas = false;  // the database was empty: this workstation made the tables
    std::optional<int> atualizadaDe; // the tables were there, of this older version, and were upgraded
    bool bancoLocal = false;      // the folder has an orva.mdb, left as it is and no longer used
};

// Prepares `folder` as a workstation on the server database `conexao`: the
// tables and reference rows when the database is empty (decided under its
// write lock, so two workstations never both create them), or else the
// existing tables joined after their version is checked (an older one is
// upgraded, a newer one refused); then the working folders and the [Banco]
// setting of Orva.ini, written last and keeping the rest of the file. A
// folder whose Orva.ini names another server is refused untouched. Raises
// orva::Error or orva::db::DatabaseError.
EstacaoServidor prepareServerWorkstation(const QString &folder, const QString &conexao);

// A new database file at `path` with the tables, views and reference rows;
// refuses an existing file.
void createDatabaseFile(const QString &path);

// On an installed system (the executable's folder is no program folder),
// makes the per-user program folder the program folder: prepared on first
// start as createProgramFolder does, completed on later ones. Does nothing
// when the programs run from their own folder. Raises orva::Error.
void prepareInstalledProgramFolder();

} // namespace orva::install
