#pragma once
#include <QString>

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

// A new database file at `path` with the tables, views and reference rows;
// refuses an existing file.
void createDatabaseFile(const QString &path);

// On an installed system (the executable's folder is no program folder),
// makes the per-user program folder the program folder: prepared on first
// start as createProgramFolder does, completed on later ones. Does nothing
// when the programs run from their own folder. Raises orva::Error.
void prepareInstalledProgramFolder();

} // namespace orva::install
