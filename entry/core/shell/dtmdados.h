#pragma once
#include "core/db/query.h"

// The data module: the one connection to orva.mdb and the shared query that
// the lookup routines use.
class TdtmDados {
public:
    TdtmDados() = default;

    // Opens the program's database: the server database of Orva.ini's
    // [Banco] section, or else orva.mdb in the program folder. A failure is
    // raised to the caller (at start-up, the unhandled-error box).
    void DataModuleCreate();
    // What DataModuleCreate opens: a server connection string or the file.
    static QString OrigemBanco();

    // The database file in the program folder, whatever the case of its name.
    static QString ArquivoBanco();
    // The connection of the data module; raises when none was created.
    static orva::db::Connection &Conexao();

    // The tables and views every orva.mdb has.
    static const QStringList &Tabelas();
    // Raises DatabaseError (Causa::Danificado) when `conexao` is not a sound
    // orva.mdb: damaged pages or indexes, or tables missing (an empty file).
    static void VerificaBanco(orva::db::Connection &conexao);

    orva::db::Connection ADOConnection;
    orva::db::Query ADOQuery{ADOConnection};
};

// The instance created at start-up (or by a test); null before.
extern TdtmDados *dtmDados;
