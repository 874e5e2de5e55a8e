#pragma once
#include <QString>

#include <functional>
#include <optional>

class TdtmDados;

// Compaction, backup and restore of orva.mdb, free of dialogs: the main
// window asks its questions and shows the result; orva-cli prints it. When
// Orva.ini names a server database, the same three work on it: compaction
// is the server's VACUUM ANALYZE, and the backup holds an orva.mdb with a
// snapshot of its rows, so one backup restores on either engine.
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
// database; on any failure the previous database is put back. On a server,
// its rows are replaced in one transaction and a snapshot of them becomes
// Orva_old.mdb.
Resultado restauraBackup(TdtmDados &dados);

// The three operations of the main menu's tools.
enum class Operacao { Compactacao, Backup, Restauracao };

// The Yes/No question asked before the operation.
QString pergunta(Operacao operacao);

// The run the main menu and orva-cli share: the question, answered by
// `confirma` (none: Yes), then the operation on the data module. Nothing
// when the answer is No.
std::optional<Resultado> executa(Operacao operacao, TdtmDados &dados,
                                 const std::function<bool(const QString &pergunta)> &confirma = {});

} // namespace orva::manutencao
