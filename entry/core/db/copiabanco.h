#pragma once
#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

namespace orva::db {

class Connection;

// The tables of orva.mdb in the order a copy writes them (code tables, then
// companies and producers, then protocols and their rows).
const QStringList &tabelasDoBanco();

struct TabelaCopiada {
    QString tabela;
    qint64 linhas = 0;
};

// Copies the rows of `tabelas` from `origem` into `destino`, either engine
// on either side. The source is read in one snapshot, in its insertion order
// (rowid); the target's rows are replaced in one transaction, which commits
// only when every table holds as many rows as the source. Values keep their
// kind (integer, amount, text, date); on a server the copied rowids are kept
// and the numbering continues past them. Raises DatabaseError naming the
// table on any failure, and then nothing of the target has changed.
// `preparaDestino`, when given, runs first inside the target's transaction
// (an empty server database gets its tables there).
std::vector<TabelaCopiada> copiaBanco(Connection &origem, Connection &destino,
                                      const QStringList &tabelas = tabelasDoBanco(),
                                      const std::function<void()> &preparaDestino = {});

} // namespace orva::db
