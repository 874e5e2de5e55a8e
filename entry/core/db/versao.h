#pragma once
// The version of the entry database's schema, and its upgrade by numbered
// steps when a database made by an older program is opened.
#include <QString>
#include <QStringList>

#include <optional>

namespace orva::db {

class Connection;

// 1: the tables as the first versions made them (unmarked databases with
//    these tables are of this version).
// 2: every table on a server has its rowid (a file's rows have their own).
constexpr int kVersaoDoEsquema = 2;

struct Atualizacao {
    int de = 0;    // the version the database had
    QString copia; // where the copy made before the upgrade was kept (empty: nothing to keep)
};

// Brings the open database to kVersaoDoEsquema: under the write lock, the
// version is read again, a copy of what changes is kept beside it, and every
// step runs in one transaction with the new mark. An unmarked database must
// hold `tabelas` first. Nothing (and no lock) when it is current; a database
// of a newer program raises DatabaseError saying to update the program.
std::optional<Atualizacao> atualizaEsquema(Connection &conexao, const QStringList &tabelas);

// Marks a database just created from the current schema, inside the write
// transaction that is open.
void marcaEsquemaAtual(Connection &conexao);

} // namespace orva::db
