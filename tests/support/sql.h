#pragma once
// Statements the tests run to set up and read back a database.
#include "core/db/query.h"

#include <QString>

namespace sql {

inline int executa(orva::db::Connection &c, const QString &statement)
{
    orva::db::Command cmd(c);
    cmd.setCommandText(statement);
    return cmd.execute();
}

// The first column of the first row, as text ("" when there is no row).
inline QString valor(orva::db::Connection &c, const QString &statement)
{
    orva::db::Query q(c);
    q.setSql(statement);
    q.open();
    return q.eof() ? QString() : q.field(0).asString();
}

inline qint64 numero(orva::db::Connection &c, const QString &statement) { return valor(c, statement).toLongLong(); }

// The database's full check of a file: "ok" when it is sound.
inline QString integridade(const QString &arquivo)
{
    orva::db::Connection c;
    c.open(arquivo);
    return valor(c, QStringLiteral("pragma integrity_check"));
}

} // namespace sql
