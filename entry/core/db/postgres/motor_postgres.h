#pragma once
// The driver of a PostgreSQL server database that several workstations share.
#include "core/db/motor.h"

#include <memory>

namespace orva::db::postgres {

// Connects to the server database of `conexao` (a libpq connection string);
// raises DatabaseError when it cannot.
std::unique_ptr<Driver> conecta(Connection &conexao, const QString &cadeia);

} // namespace orva::db::postgres
