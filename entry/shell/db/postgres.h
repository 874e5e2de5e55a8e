#pragma once
// The PostgreSQL side of the database layer: running a statement through
// libpq, reading its values as the embedded database gives them, and naming
// a failure's cause.
#include "falhas.h"
#include "query.h"

#include <QByteArray>
#include <QHash>
#include <QVariant>

#include <memory>
#include <optional>
#include <vector>

struct pg_conn;
struct pg_result;

namespace orva::db {

class Connection;
class Parameters;

namespace pg {

struct LiberaResultado {
    void operator()(pg_result *r) const;
};
using Resultado = std::unique_ptr<pg_result, LiberaResultado>;

// Values of a statement's parameters as text (null: no value), in the order of `nomes`.
using Valores = std::vector<std::optional<QByteArray>>;
Valores valores(const Parameters &parametros, const QStringList &nomes);

// Waits for the whole reply to what was just sent (`enviado`: the send
// succeeded), within the connection's deadline whatever the server does: a
// server silent past it is a DatabaseError and the connection is closed, as
// its state is unknown. The last result, as PQexec gives it.
Resultado resposta(Connection &conexao, bool enviado);

// Hands COPY data, or its end (`erro`: the copy is abandoned with that
// text), to the server, waiting for the socket within the connection's
// deadline; false when the connection failed.
bool enviaCopia(Connection &conexao, const char *dados, int tamanho);
bool terminaCopia(Connection &conexao, const char *erro = nullptr);

// Appends `texto` to a line of COPY's text form, its backslash, tab and line
// breaks escaped.
void acrescentaTextoCopia(QByteArray &linha, const char *texto, qsizetype tamanho);

// Runs one statement; raises DatabaseError when the server refuses it.
Resultado executa(Connection &conexao, const QString &sql, const Valores &valores = {});
// Runs statements with no parameters (several, separated by ";"); a failing
// script rolls back the transaction it began.
void executaRoteiro(Connection &conexao, const QString &sql);

// The failure of a result (or of the connection when there is none).
DatabaseError falha(pg_conn *conexao, const pg_result *resultado);

// A column's value as the embedded database gives it: whole numbers as
// qint64, amounts as double, dates as YYYY-MM-DD text, null as null.
QVariant valor(const pg_result *r, int linha, int coluna);
StoredValue valorGuardado(const pg_result *r, int linha, int coluna);
bool colunaData(const pg_result *r, int coluna);
// The columns' spelling as the schema declares them ("Inscricao", "NF"),
// by table number and lower-case name: the server keeps names in lower
// case, the windows show them as headers and field lists.
using Grafias = QHash<quint32, QHash<QString, QString>>;
Grafias grafias(Connection &conexao);
// Column `coluna`'s name, in the schema's spelling when it is a column of a
// known table or view, as the server gives it otherwise.
QString nomeDaColuna(const Grafias &grafias, const pg_result *r, int coluna);

// Rows changed by a write.
int linhasAlteradas(const pg_result *r);

} // namespace pg
} // namespace orva::db
