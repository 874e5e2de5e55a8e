#pragma once
#include <QString>
#include <QStringList>

namespace orva::db {

// Whether `alvo` names a PostgreSQL database (a "postgresql://" URL or a
// "key=value" connection string) rather than a database file.
bool ehServidor(const QString &alvo);

// A statement as the program writes it, in the form PostgreSQL runs.
struct Traducao {
    QString sql;
    // The named parameters in the order of their numbers ($1, $2, ...).
    QStringList parametros;
};

// The one place where statements change for PostgreSQL: ":pNome" becomes
// "$n" (the same name, the same number), "[Nome com espaço]" a quoted name,
// "Like" a case-insensitive ILIKE with no escape character (so "\" stays a
// plain character, as in the embedded database), "#MM/DD/YYYY#" and
// "#YYYY-MM-DD#" a date literal, "Select Top N" a LIMIT, "ifnull(" coalesce,
// "begin immediate" a begin that takes the database's one advisory
// write lock (writers wait for each other, as on a database file), and a "pragma" (the embedded database's
// own settings) nothing. Literals, quoted names and comments are kept.
Traducao traduzParaPostgres(const QString &sql);

// The tables and views of the embedded database's schema script in the
// server's types: "TEXT COLLATE NOCASE" becomes TEXTO (the case-folding text
// type that the server's preamble declares), REAL double precision and
// ifnull() coalesce(). Names, keys and column order stay as they are.
QString esquemaParaPostgres(const QString &esquema);

} // namespace orva::db
