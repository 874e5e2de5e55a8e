#pragma once
// The causes of SQLite's result codes.
#include "core/db/falhas.h"

struct sqlite3;

namespace orva::db::sqlite {

// The cause of a result code (extended codes accepted; a duplicate key is
// told only by the extended ones).
Causa causaDe(int codigo);

// The failure of the last call on `db`, which returned `codigo`: the
// sentence of its cause followed by the database's own text.
DatabaseError falha(sqlite3 *db, int codigo);
// The same for a failure known only by its code and text.
DatabaseError falha(int codigo, const QString &texto);

} // namespace orva::db::sqlite
