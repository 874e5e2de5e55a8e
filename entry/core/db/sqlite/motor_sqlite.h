#pragma once
// The driver of the embedded engine: a database file such as orva.mdb.
#include "core/db/motor.h"

#include <memory>

namespace orva::db::sqlite {

// Opens the file at `path` (creating it when `cria`); raises DatabaseError
// when it cannot be opened or is no database.
std::unique_ptr<Driver> abre(Connection &conexao, const QString &path, bool cria);

// Creates a new database file from a schema script; refuses an existing file.
void criaArquivo(const QString &path, const QString &script);

} // namespace orva::db::sqlite
