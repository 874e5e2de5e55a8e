#include "armazem.h"

#include <QStringList>

#include <libpq-fe.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <vector>

namespace orva::servidor {
namespace {

// The store's tables carry a version: 1, the receipts alone (the first
// store); 2, every receipt issued also kept in a history. A store of an older
// version is brought up to date when the server starts.
constexpr int VersaoDoArmazem = 2;

// Two processes may start at once: the advisory lock, taken before anything
// is read, makes the second wait for the first's upgrade and then see it.
const char *const TravaArmazem = "SELECT pg_advisory_xact_lock(4040)";
// The version: for a store made before there was a mark, what its tables
// say (0: an empty database); -1 when it is marked.
const char *const LeTabelas =
    "SELECT CASE WHEN to_regclass('datp_versao') IS NOT NULL THEN -1"
    " WHEN to_regclass('datp_comprovantes_historico') IS NOT NULL THEN 2"
    " WHEN to_regclass('datp_comprovantes') IS NOT NULL THEN 1 ELSE 0 END";
const char *const LeMarca = "SELECT coalesce(max(versao), 0) FROM datp_versao";
const char *const CriaVersao1 =
    "CREATE TABLE datp_comprovantes ("
    " chave char(22) PRIMARY KEY," // registration, exercise, protocol
    " registro bytea NOT NULL," // the receipt record as sent (Windows-1252)
    " registro_protocolo bytea NOT NULL," // the declaration's protocol record
    " arquivo text NOT NULL,"
    " tamanho bigint NOT NULL,"
    " recebido_em timestamptz NOT NULL DEFAULT now())";
// Every receipt issued, never updated nor deleted. Nothing stored is
// changed, so no copy is kept.
const char *const SobeParaVersao2 =
    "CREATE TABLE datp_comprovantes_historico ("
    " id bigint GENERATED ALWAYS AS IDENTITY PRIMARY KEY,"
    " chave char(22) NOT NULL,"
    " registro bytea NOT NULL,"
    " registro_protocolo bytea NOT NULL,"
    " arquivo text NOT NULL,"
    " tamanho bigint NOT NULL,"
    " recebido_em timestamptz NOT NULL);"
    "CREATE INDEX datp_comprovantes_historico_chave ON datp_comprovantes_historico (chave, id)";
// At every start: a receipt without any row in the history (kept before
// there was one, or by a server of version 1 since) joins it.
const char *const JuntaAoHistorico =
    "INSERT INTO datp_comprovantes_historico (chave, registro, registro_protocolo, arquivo, tamanho, recebido_em)"
    " SELECT c.chave, c.registro, c.registro_protocolo, c.arquivo, c.tamanho, c.recebido_em"
    " FROM datp_comprovantes c WHERE NOT EXISTS"
    " (SELECT 1 FROM datp_comprovantes_historico h WHERE h.chave = c.chave) ORDER BY c.recebido_em, c.chave";
const char *const MarcaVersao =
    "CREATE TABLE IF NOT EXISTS datp_versao (versao integer NOT NULL,"
    " unica boolean PRIMARY KEY DEFAULT true CHECK (unica));"
    "DELETE FROM datp_versao; INSERT INTO datp_versao (versao) VALUES (%1)";
// In one statement: the receipt joins the history and becomes the latest of
// its key; the record it succeeds (the statement's snapshot) comes back for
// the log, with whether both rows were written.
const char *const GravaComprovante =
    "WITH anterior AS (SELECT registro FROM datp_comprovantes WHERE chave = $1),"
    " historico AS (INSERT INTO datp_comprovantes_historico"
    " (chave, registro, registro_protocolo, arquivo, tamanho, recebido_em)"
    " VALUES ($1, $2, $3, $4, $5::bigint, now()) RETURNING 1),"
    " atual AS (INSERT INTO datp_comprovantes (chave, registro, registro_protocolo, arquivo, tamanho, recebido_em)"
    " VALUES ($1, $2, $3, $4, $5::bigint, now())"
    " ON CONFLICT (chave) DO UPDATE SET registro = EXCLUDED.registro,"
    " registro_protocolo = EXCLUDED.registro_protocolo, arquivo = EXCLUDED.arquivo,"
    " tamanho = EXCLUDED.tamanho, recebido_em = EXCLUDED.recebido_em RETURNING 1)"
    " SELECT ((SELECT count(*) FROM historico) = 1 AND (SELECT count(*) FROM atual) = 1)::text,"
    " (SELECT registro FROM anterior)";
const char *const BuscaComprovante = "SELECT registro FROM datp_comprovantes WHERE chave = $1";
// A stuck lock must not hold a client's thread for ever.
const char *const LimitaEspera = "SET statement_timeout TO 30000";

// Connections kept open for the sessions' threads; a few suffice, since a
// statement takes milliseconds, and the server must not take every
// connection the database allows.
constexpr size_t MaximoConexoes = 8;
constexpr std::chrono::seconds EsperaConexao{30};

QString textoErro(const char *mensagem)
{
    return QString::fromUtf8(mensagem).trimmed();
}

// Text and binary parameters of one statement, kept alive together.
struct Parametros {
    std::vector<QByteArray> valores;
    std::vector<int> binario;
    void texto(const QByteArray &v) { acrescenta(v, 0); }
    void bytes(const QByteArray &v) { acrescenta(v, 1); }

private:
    void acrescenta(const QByteArray &v, int formato)
    {
        valores.push_back(v);
        binario.push_back(formato);
    }
};

class ArmazemPostgres : public Armazem {
public:
    explicit ArmazemPostgres(const QString &conexao) : m_conexao(conexao.toUtf8()) {}

    ~ArmazemPostgres() override
    {
        for (PGconn *c : m_livres)
            PQfinish(c);
    }

    bool prepara(QString *erro) override
    {
        PGconn *c = pega(erro);
        if (!c)
            return false;
        m_descricao = QStringLiteral("banco %1 em %2")
                          .arg(QString::fromUtf8(PQdb(c)), QString::fromUtf8(PQhost(c)) + QLatin1Char(':') + QString::fromUtf8(PQport(c)));
        const bool ok = atualiza(c, erro);
        devolve(c, ok);
        return ok;
    }

    bool grava(const Entrega &entrega, QByteArray *anterior, QString *erro) override
    {
        Parametros p;
        p.texto(entrega.registro.left(22));
        p.bytes(entrega.registro);
        p.bytes(entrega.registroProtocolo);
        p.texto(entrega.arquivo.toUtf8());
        p.texto(QByteArray::number(entrega.tamanho));
        anterior->clear();
        PGresult *r = executa(GravaComprovante, p, PGRES_TUPLES_OK, erro);
        // The history row and the latest one written; reported only once committed.
        const bool ok = r && PQntuples(r) == 1 && QByteArray(PQgetvalue(r, 0, 0), PQgetlength(r, 0, 0)) == "true";
        if (r && !ok)
            *erro = QStringLiteral("o banco não gravou o comprovante e o seu histórico");
        if (ok && !PQgetisnull(r, 0, 1))
            *anterior = QByteArray(PQgetvalue(r, 0, 1), PQgetlength(r, 0, 1));
        PQclear(r);
        return ok;
    }

    Busca busca(const QByteArray &chave, QByteArray *registro, QString *erro) override
    {
        Parametros p;
        p.texto(chave);
        PGresult *r = executa(BuscaComprovante, p, PGRES_TUPLES_OK, erro);
        if (!r)
            return Busca::Falha;
        const bool achado = PQntuples(r) == 1;
        if (achado)
            *registro = QByteArray(PQgetvalue(r, 0, 0), PQgetlength(r, 0, 0));
        PQclear(r);
        return achado ? Busca::Achado : Busca::NaoAchado;
    }

    QString descricao() const override { return m_descricao; }

private:
    // Creates or upgrades the tables in one transaction; false with *erro
    // when the database refused, or when a newer server made it.
    static bool atualiza(PGconn *c, QString *erro)
    {
        const auto roda = [&](const QByteArray &sql, ExecStatusType esperado) {
            PGresult *r = PQexec(c, sql.constData());
            const bool ok = PQresultStatus(r) == esperado;
            if (!ok)
                *erro = textoErro(PQresultErrorMessage(r));
            PQclear(r);
            return ok;
        };
        if (!roda("BEGIN", PGRES_COMMAND_OK))
            return false;
        bool ok = roda(TravaArmazem, PGRES_TUPLES_OK);
        int versao = 0;
        const auto le = [&](const char *sql) {
            PGresult *r = PQexec(c, sql);
            const bool lido = PQresultStatus(r) == PGRES_TUPLES_OK && PQntuples(r) == 1;
            if (lido)
                versao = QByteArray(PQgetvalue(r, 0, 0)).toInt();
            else
                *erro = textoErro(PQresultErrorMessage(r));
            PQclear(r);
            return lido;
        };
        ok = ok && le(LeTabelas);
        if (ok && versao < 0)
            ok = le(LeMarca);
        if (ok && versao > VersaoDoArmazem) {
            *erro = QStringLiteral("o banco de dados dos comprovantes foi criado por uma versão mais nova do "
                                   "orva-datp-server (versão %1 do banco; este programa conhece até a %2). Atualize o "
                                   "programa para usá-lo.")
                        .arg(versao)
                        .arg(VersaoDoArmazem);
            ok = false;
        }
        if (ok && versao < 1)
            ok = roda(CriaVersao1, PGRES_COMMAND_OK);
        if (ok && versao < 2)
            ok = roda(SobeParaVersao2, PGRES_COMMAND_OK);
        if (ok)
            ok = roda(JuntaAoHistorico, PGRES_COMMAND_OK);
        if (ok)
            ok = roda(QString::fromLatin1(MarcaVersao).arg(VersaoDoArmazem).toLatin1(), PGRES_COMMAND_OK);
        if (ok)
            return roda("COMMIT", PGRES_COMMAND_OK);
        PQclear(PQexec(c, "ROLLBACK"));
        return false;
    }

    // A new connection; libpq waits at most 10 s for it unless the
    // connection string says otherwise.
    PGconn *conecta(QString *erro)
    {
        const char *chaves[] = {"connect_timeout", "application_name", "dbname", nullptr};
        const char *valores[] = {"10", "orva-datp-server", m_conexao.constData(), nullptr};
        PGconn *c = PQconnectdbParams(chaves, valores, 1);
        if (PQstatus(c) == CONNECTION_OK) {
            PGresult *r = PQexec(c, LimitaEspera);
            const bool ok = PQresultStatus(r) == PGRES_COMMAND_OK;
            PQclear(r);
            if (ok)
                return c;
        }
        *erro = textoErro(PQerrorMessage(c));
        PQfinish(c);
        return nullptr;
    }

    // An idle connection, or a new one while fewer than the maximum are
    // open; otherwise waits for one to come back.
    PGconn *pega(QString *erro)
    {
        std::unique_lock<std::mutex> trava(m_trava);
        if (!m_devolvida.wait_for(trava, EsperaConexao, [this] { return !m_livres.empty() || m_abertas < MaximoConexoes; })) {
            *erro = QStringLiteral("nenhuma conexão com o banco ficou livre em %1 s").arg(EsperaConexao.count());
            return nullptr;
        }
        if (!m_livres.empty()) {
            PGconn *c = m_livres.back();
            m_livres.pop_back();
            return c;
        }
        ++m_abertas;
        trava.unlock();
        PGconn *c = conecta(erro);
        if (!c) {
            const std::lock_guard<std::mutex> t(m_trava);
            --m_abertas;
            m_devolvida.notify_one();
        }
        return c;
    }

    // Back to the pool, or closed when it may be broken.
    void devolve(PGconn *c, bool boa)
    {
        boa = boa && PQstatus(c) == CONNECTION_OK && PQtransactionStatus(c) == PQTRANS_IDLE;
        {
            const std::lock_guard<std::mutex> trava(m_trava);
            if (boa)
                m_livres.push_back(c);
            else
                --m_abertas;
        }
        if (!boa)
            PQfinish(c);
        m_devolvida.notify_one();
    }

    void descartaLivres()
    {
        std::vector<PGconn *> livres;
        {
            const std::lock_guard<std::mutex> trava(m_trava);
            livres.swap(m_livres);
            m_abertas -= livres.size();
        }
        for (PGconn *c : livres)
            PQfinish(c);
        m_devolvida.notify_all();
    }

    // Runs one statement; the result when its status is `esperado`, null
    // with *erro otherwise. A connection the database dropped (a restart,
    // an idle timeout) is replaced and the statement tried once more: both
    // statements give the same result when repeated.
    PGresult *executa(const char *sql, const Parametros &p, ExecStatusType esperado, QString *erro)
    {
        std::vector<const char *> valores;
        std::vector<int> tamanhos;
        for (const QByteArray &v : p.valores) {
            valores.push_back(v.constData());
            tamanhos.push_back(static_cast<int>(v.size()));
        }
        for (int tentativa = 0; tentativa < 2; ++tentativa) {
            PGconn *c = pega(erro);
            if (!c)
                return nullptr;
            PGresult *r = PQexecParams(c, sql, static_cast<int>(valores.size()), nullptr, valores.data(), tamanhos.data(),
                                       p.binario.data(), 1);
            if (PQresultStatus(r) == esperado) {
                devolve(c, true);
                return r;
            }
            *erro = textoErro(r ? PQresultErrorMessage(r) : PQerrorMessage(c));
            const bool caiu = PQstatus(c) != CONNECTION_OK;
            PQclear(r);
            devolve(c, !caiu);
            if (!caiu)
                return nullptr;
            descartaLivres(); // dropped with this one, most likely
        }
        return nullptr;
    }

    QByteArray m_conexao;
    QString m_descricao;
    std::mutex m_trava; // guards the pool below
    std::condition_variable m_devolvida;
    std::vector<PGconn *> m_livres;
    size_t m_abertas = 0;
};

} // namespace

std::unique_ptr<Armazem> armazemPostgres(const QString &conexao)
{
    return std::make_unique<ArmazemPostgres>(conexao);
}

} // namespace orva::servidor
