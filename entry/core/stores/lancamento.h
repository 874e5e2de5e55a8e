#pragma once
#include "tabelas.h"

#include <QString>

#include <initializer_list>
#include <optional>
#include <utility>

namespace orva::db {
class Command;
class Connection;
class Field;
}

// What the stores of a protocol's rows (invoices, apportionment) share: the
// open protocol they accept, the outcomes of a save and of a delete, and the
// description lookups they run on the connection they were given.
namespace orva::stores {

// This configuration works on one exercise.
extern const QString kExercicio;

// An open protocol as an entry reads it.
struct ProtocoloAberto {
    qint64 numero = 0;
    QString exercicio;
    QString inscricao;
    QString tipoEntrega;
    QString municipio;
};

// What a save did: refused (with the message the user reads), inserted ("I")
// or declared again a row of an earlier protocol ("A").
struct Gravacao {
    enum class Como { Recusada, Inserida, Redeclarada };
    Como como = Como::Recusada;
    QString recusa;
    bool gravada() const { return como != Como::Recusada; }
    QString operacao() const { return como == Como::Inserida ? QStringLiteral("I") : QStringLiteral("A"); }
};

// What a delete did: nothing (no such row), removed a row of this protocol,
// or withdrew ("E") a row of an earlier protocol.
enum class Exclusao { Nenhuma, Apagada, Retirada };

// The protocol number a user typed, when it is one: digits only (blanks
// around them allowed). Anything else never reaches a statement.
std::optional<qint64> numeroProtocolo(const QString &texto);

// The untransmitted protocol of that number and type (0 invoices, 1
// apportionment); nothing for text that is no number.
std::optional<ProtocoloAberto> protocoloAberto(db::Connection &conexao, const QString &numero, int tipoProtocolo);

// The name of a company registered for that declaration type ("0" invoices,
// "1" apportionment); "Não Cadastrado" for any other.
QString declarante(db::Connection &conexao, const QString &inscricao, const QString &tipoDeclaracao);

// What leaving the protocol and municipality fields fills in a row's key:
// the exercise and declarant of the open protocol `p` (the declarant left
// empty when not registered for `tipoDeclaracao`), and `municipio` left empty
// when it is no registered municipality.
void completaChaveDoProtocolo(db::Connection &conexao, const ProtocoloAberto &p, const QString &tipoDeclaracao,
                              QString &exercicio, QString &inscricao, QString &municipio);

// The row life cycle of both tables, under the database's write lock from the
// lookup to the commit, so no other program slips a row in between and the row
// is committed on return. `consulta` finds the row by its key.
// A save refuses a row of this protocol with `jaCadastrada`, runs `escrita`
// with `redeclara` for a row of an earlier protocol, with `insere` otherwise.
// Both check first, inside their write transaction, that the protocol is
// still open and of `tipoProtocolo`: a save refuses, a delete raises.
Gravacao gravaNoProtocolo(db::Connection &conexao, qint64 protocolo, int tipoProtocolo, const QString &consulta,
                          db::Command &escrita, const QString &insere, const QString &redeclara,
                          const QString &jaCadastrada);
// A delete runs `apaga` on a row of this protocol and `retira` on one of an
// earlier protocol; nothing when there is no row.
Exclusao excluiDoProtocolo(db::Connection &conexao, qint64 protocolo, int tipoProtocolo, const QString &consulta,
                           const QString &apaga, const QString &retira);

// The description of a code found by two keys, "Não Cadastrado" (as
// Tabelas::buscaDescricao answers) when absent or empty. A database failure
// is raised (the caller decides how to show it).
QString buscaDescricaoChaves(db::Connection &conexao, const QString &tabela, const QString &campoChave1,
                             const QString &valor1, const QString &campoChave2, const QString &valor2,
                             const QString &campoDescricao);

// " Where Inscricao = 'I' And Exercicio = 'E'": a declarant's rows of an
// exercise, in either table.
QString condicaoDoDeclarante(const QString &inscricao, const QString &exercicio);
// The same and " And Municipio = 'M'": one municipality's row (the whole key
// of an apportionment row, the start of an invoice's).
QString condicaoDoMunicipio(const QString &inscricao, const QString &exercicio, const QString &municipio);

// The column "Resultado" of the first row of `sql` followed by the protocol
// number (a null field when no row comes).
db::Field resultado(db::Connection &conexao, const QString &sql, qint64 protocolo);
// The columns of the first row of `sql` followed by the protocol number,
// joined by "|": the brief of a protocol's rows.
QString retratoDasLinhas(db::Connection &conexao, const QString &sql, qint64 protocolo);

// An amount as typed or as shown ("1.234,56") that is greater than zero.
std::optional<double> valorPositivo(const QString &texto);

// "Falta o Dados do Campo " or the window's own prefix, with the first empty
// field's hint: the required fields are given as (text, hint) pairs in the
// window's order. Nothing when all are filled.
std::optional<QString> campoFaltando(const QString &prefixo,
                                     std::initializer_list<std::pair<QString, QString>> campos);

} // namespace orva::stores
