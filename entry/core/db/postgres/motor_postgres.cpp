#include "motor_postgres.h"

#include "lote_postgres.h"
#include "postgres.h"
#include "traducao.h"

#include "core/db/connection.h"
#include "core/db/copiabanco.h"
#include "core/db/parameters.h"

#include <QLocale>
#include <QRegularExpression>

#include <libpq-fe.h>

namespace orva::db {
namespace postgres {

std::unique_ptr<Driver> conecta(Connection &conexao, const QString &cadeia)
{
    // Waits bounded whatever the network does: the connection itself, and a
    // server host that stops answering (keepalives, unacknowledged data).
    // The connection string may say otherwise for any of them.
    const QByteArray texto = cadeia.toUtf8();
    const char *chaves[] = {"connect_timeout", "keepalives", "keepalives_idle", "keepalives_interval", "keepalives_count",
                            "tcp_user_timeout", "application_name", "dbname", nullptr};
    const char *valores[] = {"10", "1", "30", "10", "3", "30000", "orva", texto.constData(), nullptr};
    PGconn *c = PQconnectdbParams(chaves, valores, 1);
    if (PQstatus(c) != CONNECTION_OK) {
        const QString message = QString::fromUtf8(PQerrorMessage(c)).trimmed();
        PQfinish(c);
        throw DatabaseError(QStringLiteral("Não foi possível conectar ao banco de dados no servidor PostgreSQL: %1\n"
                                           "Confira a conexão configurada e se o servidor está no ar.")
                                .arg(message),
                            Causa::NaoEncontrado);
    }
    // Never blocks on a full socket: every wait is ours, under the deadline.
    PQsetnonblocking(c, 1);
    return std::make_unique<pg::MotorPostgres>(conexao, c);
}

} // namespace postgres

namespace pg {
namespace {

// Rows a server cursor hands over at once.
constexpr int kServerBatch = 1000;

// Ends a server transaction without raising (destructors, failed begins).
void terminaNoServidor(Connection &connection, const char *comando)
{
    try {
        resposta(connection, PQsendQuery(handle(connection), comando));
    } catch (const DatabaseError &) {
        // a silent server: the connection was closed, the transaction with it
    }
}

// The visible columns of a result, and the result's column of each.
struct Descricao {
    std::vector<Coluna> colunas;
    std::vector<int> doServidor;
};

Descricao descreve(const Grafias &grafias, const QString &sql, const pg_result *described)
{
    // The server's tables carry a `rowid` column of their own, standing in
    // for the embedded database's implicit one: a statement sees it only when
    // it selects it by name, so `Select *` gives the same columns on both
    // engines (also when ordered by rowid).
    static const QRegularExpression selecionaRowid(QStringLiteral("^((?!\\bfrom\\b).)*\\browid\\b"),
                                                   QRegularExpression::CaseInsensitiveOption
                                                       | QRegularExpression::DotMatchesEverythingOption);
    const bool namesRowid = selecionaRowid.match(sql).hasMatch();
    Descricao d;
    for (int i = 0; i < PQnfields(described); ++i) {
        if (!namesRowid && qstrcmp(PQfname(described, i), "rowid") == 0)
            continue;
        d.doServidor.push_back(i);
        d.colunas.push_back({nomeDaColuna(grafias, described, i), colunaData(described, i)});
    }
    return d;
}

// Rows of a result held whole: lookups inside a write, read in one round
// trip whether or not the transaction is over when they are read.
class CursorResultado : public Cursor {
public:
    CursorResultado(Resultado resultado, Descricao d) : m_resultado(std::move(resultado)), m_d(std::move(d)) {}
    const std::vector<Coluna> &colunas() const override { return m_d.colunas; }
    bool proxima() override { return ++m_linha < PQntuples(m_resultado.get()); }
    QVariant valor(int coluna) const override { return pg::valor(m_resultado.get(), m_linha, servidor(coluna)); }
    StoredValue guardado(int coluna) const override { return valorGuardado(m_resultado.get(), m_linha, servidor(coluna)); }
    std::optional<int> total() const override { return PQntuples(m_resultado.get()); }

private:
    int servidor(int coluna) const
    {
        Q_ASSERT(m_linha >= 0 && m_linha < PQntuples(m_resultado.get()));
        Q_ASSERT(coluna >= 0 && coluna < static_cast<int>(m_d.doServidor.size()));
        return m_d.doServidor[static_cast<size_t>(coluna)];
    }

    Resultado m_resultado;
    Descricao m_d;
    int m_linha = -1;
};

// A long pass or a grid: a server cursor hands the rows over in batches as
// they are asked for, so a large result is not read whole. Outside a
// transaction it outlives the implicit one (with hold).
class CursorServidor : public Cursor {
public:
    CursorServidor(Connection &conexao, const QString &sql, const Valores &valores)
        : m_conexao(conexao), m_generation(conexao.generation())
    {
        static quint64 counter = 0;
        const QByteArray name = "orva_c" + QByteArray::number(++counter);
        const bool inTransaction = conexao.inTransaction();
        executa(conexao,
                QStringLiteral("declare %1 no scroll cursor %2 for ")
                        .arg(QString::fromLatin1(name), inTransaction ? QString() : QStringLiteral("with hold"))
                    + sql,
                valores);
        m_name = name;
        if (inTransaction)
            m_transaction = motorDe(conexao).transacao();
        fetch();
        m_linha = -1;
    }

    ~CursorServidor() override
    {
        if (m_name.isEmpty() || !m_conexao.servidor() || m_conexao.generation() != m_generation)
            return;
        // A cursor of a transaction that ended is gone with it.
        if (m_transaction && (!m_conexao.inTransaction() || motorDe(m_conexao).transacao() != *m_transaction))
            return;
        try {
            resposta(m_conexao, PQsendQuery(handle(m_conexao), ("close " + m_name).constData()));
        } catch (const DatabaseError &) {
            // a silent server: the connection was closed, the cursor with it
        }
    }

    void descreve(const Grafias &grafias, const QString &sql) { m_d = pg::descreve(grafias, sql, m_batch.get()); }

    const std::vector<Coluna> &colunas() const override { return m_d.colunas; }

    bool proxima() override
    {
        if (++m_linha >= PQntuples(m_batch.get()))
            return PQntuples(m_batch.get()) == kServerBatch && fetch();
        return true;
    }

    QVariant valor(int coluna) const override { return pg::valor(m_batch.get(), m_linha, servidor(coluna)); }
    StoredValue guardado(int coluna) const override { return valorGuardado(m_batch.get(), m_linha, servidor(coluna)); }

private:
    bool fetch()
    {
        m_batch = executa(m_conexao, QStringLiteral("fetch forward %1 from %2").arg(kServerBatch).arg(QString::fromLatin1(m_name)));
        m_linha = 0;
        return PQntuples(m_batch.get()) > 0;
    }

    int servidor(int coluna) const
    {
        Q_ASSERT(m_linha >= 0 && m_linha < PQntuples(m_batch.get()));
        Q_ASSERT(coluna >= 0 && coluna < static_cast<int>(m_d.doServidor.size()));
        return m_d.doServidor[static_cast<size_t>(coluna)];
    }

    Connection &m_conexao;
    quint64 m_generation;
    QByteArray m_name;
    // The transaction the cursor lives in; none when it is held past commits.
    std::optional<quint64> m_transaction;
    Resultado m_batch;
    int m_linha = -1;
    Descricao m_d;
};

// Writes rows into a table through COPY, in its text form, the source's
// rowids too: the numbering goes on past them, so the insertion order
// stays as it was. Every wait for the server is bounded (resposta).
class EscritaPostgres : public EscritaTabela {
public:
    EscritaPostgres(Connection &destino, const QString &tabela, const QStringList &colunas)
        : m_conexao(destino), m_tabela(tabela)
    {
        const QString sql = QStringLiteral("copy %1 (%2, rowid) from stdin").arg(tabela, colunas.join(QStringLiteral(", ")));
        const Resultado r = resposta(m_conexao, PQsendQuery(handle(m_conexao), sql.toUtf8().constData()));
        if (!r || PQresultStatus(r.get()) != PGRES_COPY_IN)
            throw falha(handle(m_conexao), r.get());
        m_copiando = true;
        m_colunas = static_cast<size_t>(colunas.size()) + 1;
    }
    ~EscritaPostgres() override
    {
        // Abandoned halfway: the server ends the COPY with a failure, so the
        // connection can roll the transaction back.
        if (m_copiando && m_conexao.servidor()) {
            try {
                resposta(m_conexao, terminaCopia(m_conexao, "copia interrompida"));
            } catch (const DatabaseError &) {
                // a silent server: the connection was closed, the copy with it
            }
        }
    }

    void grava(const std::vector<StoredValue> &linha) override
    {
        Q_ASSERT(linha.size() >= m_colunas);
        for (size_t i = 0; i < m_colunas; ++i) {
            if (i > 0)
                m_buffer += '\t';
            const StoredValue &v = linha[i];
            switch (v.kind) {
            case StoredValue::Kind::Null: m_buffer += "\\N"; break;
            case StoredValue::Kind::Integer: m_buffer += QByteArray::number(v.integer); break;
            // The shortest text that reads back as the same double.
            case StoredValue::Kind::Real: m_buffer += QByteArray::number(v.real, 'g', QLocale::FloatingPointShortest); break;
            case StoredValue::Kind::Text:
            case StoredValue::Kind::Blob: acrescentaTextoCopia(m_buffer, v.text.data(), v.text.size()); break;
            }
        }
        m_buffer += '\n';
        if (m_buffer.size() >= 1 << 20)
            envia();
    }

    void termina() override
    {
        envia();
        m_copiando = false;
        pg_conn *c = handle(m_conexao);
        const Resultado r = resposta(m_conexao, terminaCopia(m_conexao));
        if (!r || PQresultStatus(r.get()) != PGRES_COMMAND_OK) {
            // The line of the COPY a refused value stands on.
            const QString contexto = r ? QString::fromUtf8(PQresultErrorField(r.get(), PG_DIAG_CONTEXT)) : QString();
            const DatabaseError erro = falha(c, r.get());
            throw contexto.isEmpty() ? erro
                                     : DatabaseError(erro.message() + QStringLiteral(" (") + contexto + QLatin1Char(')'),
                                                     erro.causa());
        }
        executa(m_conexao, QStringLiteral("select setval(pg_get_serial_sequence('%1', 'rowid'), "
                                          "coalesce(max(rowid), 0) + 1, false) from %1")
                               .arg(m_tabela.toLower()));
    }

private:
    void envia()
    {
        if (!m_buffer.isEmpty() && !enviaCopia(m_conexao, m_buffer.constData(), static_cast<int>(m_buffer.size())))
            throw falha(handle(m_conexao), nullptr);
        m_buffer.clear();
    }

    Connection &m_conexao;
    QString m_tabela;
    QByteArray m_buffer;
    size_t m_colunas = 0;
    bool m_copiando = false;
};

} // namespace

MotorPostgres::~MotorPostgres() { PQfinish(m_pg); }

void MotorPostgres::inicia()
{
    // Texts travel as UTF-8, dates read back as YYYY-MM-DD and a typed
    // DD/MM/YYYY is day first; a lock is waited for as on a file. A
    // commit is confirmed only once it is on the server's disk, whatever
    // the cluster's default: what is reported written survives a crash.
    pg::executaRoteiro(m_conexao, QStringLiteral("set client_encoding to 'UTF8'; set datestyle to 'ISO, DMY'; "
                                                 "set lock_timeout = %1; set synchronous_commit to on")
                                      .arg(m_conexao.busyTimeout()));
    m_grafias = pg::grafias(m_conexao);
}

bool MotorPostgres::emTransacao() const { return PQtransactionStatus(m_pg) != PQTRANS_IDLE; }

void MotorPostgres::executaRoteiro(const QString &sql) { pg::executaRoteiro(m_conexao, traduzParaPostgres(sql).sql); }

void MotorPostgres::defineEspera(int milliseconds)
{
    pg::executaRoteiro(m_conexao, QStringLiteral("set lock_timeout = %1").arg(milliseconds));
}

void MotorPostgres::verifica(const QStringList &tabelas)
{
    // The server keeps its own pages sound; what can be missing is a table.
    QStringList missing;
    for (const QString &table : tabelas) {
        const auto r = pg::executa(m_conexao, QStringLiteral("select 1 from pg_class c join pg_namespace n on "
                                                             "n.oid = c.relnamespace where n.nspname = current_schema() "
                                                             "and c.relname = lower($1) and c.relkind in ('r', 'v')"),
                                   {table.toUtf8()});
        if (PQntuples(r.get()) == 0)
            missing << QStringLiteral("a tabela %1 não existe").arg(table);
    }
    if (!missing.isEmpty())
        throw DatabaseError(explicacao(Causa::Danificado) + QStringLiteral("\n(") + PQdb(m_pg) + QStringLiteral(": ")
                                + missing.join(QStringLiteral("; ")) + QLatin1Char(')'),
                            Causa::Danificado);
}

void MotorPostgres::copiaPara(Driver &)
{
    throw DatabaseError(QStringLiteral("A cópia direta só existe entre arquivos orva.mdb; o banco de dados no "
                                       "servidor não foi copiado."));
}

void MotorPostgres::desfazSemFalhar() { terminaNoServidor(m_conexao, "rollback"); }

void MotorPostgres::comecaLeitura()
{
    // The snapshot is taken by the first statement after begin.
    pg::executaRoteiro(m_conexao, QStringLiteral("begin isolation level repeatable read read only"));
    try {
        pg::executaRoteiro(m_conexao, QStringLiteral("select 1"));
    } catch (...) {
        terminaNoServidor(m_conexao, "rollback");
        throw;
    }
}

void MotorPostgres::terminaLeitura() { terminaNoServidor(m_conexao, "commit"); }

std::unique_ptr<Cursor> MotorPostgres::abre(const QString &sql, const Parameters &parametros, bool umaPassagem)
{
    const Traducao traducao = traduzParaPostgres(sql);
    const Valores v = valores(parametros, traducao.parametros);
    if (!umaPassagem && emTransacao()) {
        Resultado r = pg::executa(m_conexao, traducao.sql, v);
        Descricao d = descreve(m_grafias, sql, r.get());
        return std::make_unique<CursorResultado>(std::move(r), std::move(d));
    }
    auto cursor = std::make_unique<CursorServidor>(m_conexao, traducao.sql, v);
    cursor->descreve(m_grafias, sql);
    return cursor;
}

int MotorPostgres::executa(const QString &sql, const Parameters &parametros)
{
    const Traducao traducao = traduzParaPostgres(sql);
    const auto r = pg::executa(m_conexao, traducao.sql, valores(parametros, traducao.parametros));
    return linhasAlteradas(r.get());
}

std::optional<qint64> MotorPostgres::conta(const QString &sql, const Parameters &parametros)
{
    const Traducao traducao = traduzParaPostgres(QStringLiteral("select count(*) from (%1) as contagem").arg(sql));
    const auto r = pg::executa(m_conexao, traducao.sql, valores(parametros, traducao.parametros));
    return pg::valor(r.get(), 0, 0).toLongLong();
}

std::unique_ptr<Preparado> MotorPostgres::prepara(const QString &sql)
{
    return std::make_unique<PreparadoPostgres>(m_conexao, sql);
}

std::unique_ptr<Lote> MotorPostgres::lote(const QString &insertSql, int linhasPorLote)
{
    return std::make_unique<LotePostgres>(m_conexao, insertSql, linhasPorLote);
}

std::unique_ptr<EscritaTabela> MotorPostgres::escritaDeCopia(const QString &tabela, const QStringList &colunas)
{
    return std::make_unique<EscritaPostgres>(m_conexao, tabela, colunas);
}

void MotorPostgres::criaEsquema(const QString &script)
{
    const auto codificacao = pg::executa(m_conexao, QStringLiteral("show server_encoding"));
    if (QByteArray(PQgetvalue(codificacao.get(), 0, 0)) != "UTF8")
        throw DatabaseError(QStringLiteral("O banco de dados %1 não usa a codificação UTF8. Crie-o com "
                                           "\"create database ... encoding 'UTF8' template template0\".")
                                .arg(QString::fromUtf8(PQdb(m_pg))));
    if (temEsquema())
        throw DatabaseError(QStringLiteral("O banco de dados %1 já tem as tabelas do Orva e não será alterado.")
                                .arg(QString::fromUtf8(PQdb(m_pg))));
    pg::executaRoteiro(m_conexao, script);
}

bool MotorPostgres::temEsquema()
{
    const auto existe = pg::executa(m_conexao, QStringLiteral("select to_regclass('empresa') is not null"));
    return QByteArray(PQgetvalue(existe.get(), 0, 0)) == "t";
}

// The version mark: a table of one row.
int MotorPostgres::versaoDoEsquema()
{
    const auto existe = pg::executa(m_conexao, QStringLiteral("select to_regclass('orva_versao') is not null"));
    if (QByteArray(PQgetvalue(existe.get(), 0, 0)) != "t")
        return 0;
    const auto r = pg::executa(m_conexao, QStringLiteral("select max(versao) from orva_versao"));
    return PQgetisnull(r.get(), 0, 0) ? 0 : QByteArray(PQgetvalue(r.get(), 0, 0)).toInt();
}

void MotorPostgres::marcaVersao(int versao)
{
    pg::executaRoteiro(m_conexao, QStringLiteral("create table if not exists orva_versao (versao integer not null, "
                                                 "unica boolean primary key default true check (unica)); "
                                                 "delete from orva_versao; insert into orva_versao (versao) values (%1)")
                                      .arg(versao));
}

QStringList MotorPostgres::tabelasSemRowid()
{
    QStringList semRowid;
    for (const QString &tabela : tabelasDoBanco()) {
        const auto r = pg::executa(m_conexao, QStringLiteral("select 1 from information_schema.columns where "
                                                             "table_schema = current_schema() and table_name = $1 "
                                                             "and column_name = 'rowid'"),
                                   {tabela.toLower().toUtf8()});
        if (PQntuples(r.get()) == 0)
            semRowid << tabela.toLower();
    }
    return semRowid;
}

QString MotorPostgres::guardaCopia(int versao)
{
    // The tables the next step changes, copied inside the same transaction
    // into tables of their own (tabela_v1): the upgrade and its copy are
    // committed together or not at all.
    QStringList copias;
    for (const QString &tabela : tabelasSemRowid()) {
        QString copia = QStringLiteral("%1_v%2").arg(tabela).arg(versao);
        for (int n = 2;; ++n) {
            const auto existe = pg::executa(m_conexao, QStringLiteral("select to_regclass($1) is not null"), {copia.toUtf8()});
            if (QByteArray(PQgetvalue(existe.get(), 0, 0)) != "t")
                break;
            copia = QStringLiteral("%1_v%2_%3").arg(tabela).arg(versao).arg(n);
        }
        pg::executaRoteiro(m_conexao, QStringLiteral("create table %1 as table %2").arg(copia, tabela));
        copias << copia;
    }
    return copias.isEmpty() ? QString()
                            : QStringLiteral("tabelas %1 no banco de dados %2")
                                  .arg(copias.join(QStringLiteral(", ")), QString::fromUtf8(PQdb(m_pg)));
}

void MotorPostgres::sobeEsquema(int versao)
{
    if (versao != 2)
        return;
    // A database made before the tables had a rowid of their own: the
    // existing rows are numbered in the order the server holds them.
    for (const QString &tabela : tabelasSemRowid())
        pg::executaRoteiro(m_conexao,
                           QStringLiteral("alter table %1 add column rowid bigint generated by default as identity").arg(tabela));
}

} // namespace pg
} // namespace orva::db
