#pragma once
#include <QString>

class TdtmDados;

// Compaction, backup and restore of orva.mdb, free of dialogs: the main
// window asks its questions and shows the result; orva-cli prints it.
namespace orva::manutencao {

struct Resultado {
    bool ok = false;
    QString mensagem; // what to tell the user, success or failure
};

// Rewrites the database compacted (VACUUM INTO Orva2.mdb, then in place of
// orva.mdb). The connection is closed around it and always opened again on
// the database that is there; a half-written Orva2.mdb is removed.
Resultado compactaBanco(TdtmDados &dados);

// Adds the database to Backup/bkpOrva.rar, replacing the copy inside.
Resultado fazBackup(TdtmDados &dados);

// Puts the database of Backup/bkpOrva.rar in place, keeping the replaced one
// as Orva_old.mdb. Nothing is touched unless the archive exists and holds a
// database; on any failure the previous database is put back.
Resultado restauraBackup(TdtmDados &dados);

} // namespace orva::manutencao

namespace Funcoes {
// Compacts the database and shows the outcome in a box.
void CompactaBanco();
} // namespace Funcoes
