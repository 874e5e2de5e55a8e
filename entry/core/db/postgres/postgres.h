#pragma once
// The PostgreSQL side of the database layer: running a statement through
// libpq, reading its values as the embedded database gives them, and naming
// a failure's cause.
#include "core/db/falhas.h"
#include "core/db/motor.h"

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

// The columns' spelling as the schema declares them ("Inscricao", "NF"),
// by table number and lower-case name: the server keeps names in lower
// case, the windows show them as headers and field lists.
using Grafias = QHash<quint32, QHash<QString, QString>>;

// The driver of a PostgreSQL server database.
class MotorPostgres : public Driver {
public:
    MotorPostgres(Connection &conexao, pg_conn *pg) : m_conexao(conexao), m_pg(pg) {}
    ~MotorPostgres() override;

    pg_conn *handle() const { return m_pg; }
    // Counts the transactions begun, so a cursor knows whether the
    // transaction it was declared in is over.
    quint64 transacao() const { return m_transacao; }
    void novaTransacao() { ++m_transacao; }
    const Grafias &grafias() const { return m_grafias; }

    void inicia() override;
    bool remoto() const override { return true; }
    bool emTransacao() const override;
    void executaRoteiro(const QString &sql) override;
    void defineEspera(int milliseconds) override;
    void verifica(const QStringList &tabelas) override;
    void copiaPara(Driver &destino) override;
    void desfazSemFalhar() override;
    void comecaLeitura() override;
    void terminaLeitura() override;
    std::unique_ptr<Cursor> abre(const QString &sql, const Parameters &parametros, bool umaPassagem) override;
    int executa(const QString &sql, const Parameters &parametros) override;
    std::optional<qint64> conta(const QString &sql, const Parameters &parametros) override;
    std::unique_ptr<Preparado> prepara(const QString &sql) override;
    std::unique_ptr<Lote> lote(const QString &insertSql, int linhasPorLote) override;
    std::unique_ptr<EscritaTabela> escritaDeCopia(const QString &tabela, const QStringList &colunas) override;
    int versaoDoEsquema() override;
    void marcaVersao(int versao) override;
    QString guardaCopia(int versao) override;
    void sobeEsquema(int versao) override;
    void criaEsquema(const QString &script) override;
    bool temEsquema() override;

private:
    // The program's tables without the rowid column, in lower case.
    QStringList tabelasSemRowid();

    Connection &m_conexao;
    pg_conn *m_pg;
    quint64 m_transacao = 0;
    Grafias m_grafias;
};

// The server driver of an open connection, and its libpq connection;
// raises when the connection is closed or holds no server.
MotorPostgres &motorDe(Connection &conexao);
pg_conn *handle(Connection &conexao);

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
Grafias grafias(Connection &conexao);
// Column `coluna`'s name, in the schema's spelling when it is a column of a
// known table or view, as the server gives it otherwise.
QString nomeDaColuna(const Grafias &grafias, const pg_result *r, int coluna);

// Rows changed by a write.
int linhasAlteradas(const pg_result *r);

} // namespace pg
} // namespace orva::db
