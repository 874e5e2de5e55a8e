#pragma once
// The test's own statements on a test database: what the servers stored,
// and the failures the tests cause.
#include "support/postgres.h"

// Runs `sql` on `banco`; the first column of the first row in *valor.
inline bool consulta(const BancoPostgres &banco, const QString &sql, QString *valor = nullptr)
{
    PGconn *c = PQconnectdb(banco.conexao().toUtf8().constData());
    PGresult *r = PQexec(c, sql.toUtf8().constData());
    const bool ok = PQresultStatus(r) == PGRES_COMMAND_OK || PQresultStatus(r) == PGRES_TUPLES_OK;
    EXPECT_TRUE(ok) << sql.toStdString() << ": " << PQerrorMessage(c);
    if (ok && valor && PQntuples(r) > 0)
        *valor = QString::fromUtf8(PQgetvalue(r, 0, 0));
    PQclear(r);
    PQfinish(c);
    return ok;
}
