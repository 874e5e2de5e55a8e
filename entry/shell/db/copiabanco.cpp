#include "copiabanco.h"

#include "connection.h"
#include "postgres.h"
#include "query.h"

#include <QLocale>

#include <libpq-fe.h>
#include <sqlite3.h>

#include <functional>

namespace orva::db {
namespace {

// The column that stands for the insertion order on both engines.
const QString kRowid = QStringLiteral("rowid");

using Linha = std::vector<StoredValue>;
using RecebeLinha = std::function<void(const Linha &)>;

// The columns of `tabela` in their order (a server's rowid is hidden from
// `select *`, as a file's own).
QStringList colunasDe(Connection &conexao, const QString &tabela)
{
    Query consulta(conexao);
    consulta.setSql(QStringLiteral("select * from %1 where 1 = 0").arg(tabela));
    consulta.open();
    return consulta.fieldNames();
}

qint64 contaLinhas(Connection &conexao, const QString &tabela)
{
    Query consulta(conexao);
    consulta.setSql(QStringLiteral("select count(*) from %1").arg(tabela));
    consulta.open();
    return consulta.field(0).asInteger();
}

// Passes every row of `select` to `recebe`, the values as stored, in the
// select's order.
void leLinhas(Connection &origem, const QString &select, const RecebeLinha &recebe)
{
    Query consulta(origem);
    consulta.setForwardOnly(true);
    consulta.setSql(select);
    consulta.open();
    std::vector<int> posicoes(static_cast<size_t>(consulta.fieldCount()));
    for (size_t i = 0; i < posicoes.size(); ++i)
        posicoes[i] = static_cast<int>(i);
    Linha linha(posicoes.size());
    for (; !consulta.eof(); consulta.next()) {
        if (!consulta.storedRow(posicoes, linha))
            throw DatabaseError(QStringLiteral("a leitura da origem não seguiu linha a linha."));
        recebe(linha);
    }
}

// Writes rows into a file's table through one prepared insert.
class EscritaArquivo {
public:
    EscritaArquivo(Connection &destino, const QString &tabela, const QStringList &colunas) : m_db(destino.handle())
    {
        QStringList marcas;
        for (int i = 1; i <= colunas.size(); ++i)
            marcas << QStringLiteral("?%1").arg(i);
        const QByteArray sql = QStringLiteral("insert into %1 (%2) values (%3)")
                                   .arg(tabela, colunas.join(QStringLiteral(", ")), marcas.join(QStringLiteral(", ")))
                                   .toUtf8();
        if (sqlite3_prepare_v2(m_db, sql.constData(), -1, &m_stmt, nullptr) != SQLITE_OK)
            throw falha(m_db, sqlite3_errcode(m_db));
        m_colunas = static_cast<int>(colunas.size());
    }
    ~EscritaArquivo() { sqlite3_finalize(m_stmt); }

    void grava(const Linha &linha)
    {
        for (int i = 0; i < m_colunas; ++i) {
            const StoredValue &v = linha[static_cast<size_t>(i)];
            switch (v.kind) {
            case StoredValue::Kind::Null: sqlite3_bind_null(m_stmt, i + 1); break;
            case StoredValue::Kind::Integer: sqlite3_bind_int64(m_stmt, i + 1, v.integer); break;
            case StoredValue::Kind::Real: sqlite3_bind_double(m_stmt, i + 1, v.real); break;
            case StoredValue::Kind::Text:
            case StoredValue::Kind::Blob:
                // A null pointer would bind null: an empty text is bound as "".
                sqlite3_bind_text(m_stmt, i + 1, v.text.data() ? v.text.data() : "", static_cast<int>(v.text.size()),
                                  SQLITE_STATIC);
                break;
            }
        }
        const int rc = sqlite3_step(m_stmt);
        sqlite3_reset(m_stmt);
        if (rc != SQLITE_DONE)
            throw falha(m_db, rc);
    }
    void termina() {}

private:
    sqlite3 *m_db;
    sqlite3_stmt *m_stmt = nullptr;
    int m_colunas = 0;
};

// Writes rows into a server's table through COPY, in its text form. Every
// wait for the server is bounded (pg::resposta).
class EscritaServidor {
public:
    EscritaServidor(Connection &destino, const QString &tabela, const QStringList &colunas) : m_conexao(destino)
    {
        const QString sql = QStringLiteral("copy %1 (%2) from stdin").arg(tabela, colunas.join(QStringLiteral(", ")));
        const pg::Resultado r = pg::resposta(m_conexao, PQsendQuery(m_conexao.pgHandle(), sql.toUtf8().constData()));
        if (!r || PQresultStatus(r.get()) != PGRES_COPY_IN)
            throw pg::falha(m_conexao.pgHandle(), r.get());
        m_copiando = true;
        m_colunas = static_cast<size_t>(colunas.size());
    }
    ~EscritaServidor()
    {
        // Abandoned halfway: the server ends the COPY with a failure, so the
        // connection can roll the transaction back.
        if (m_copiando && m_conexao.servidor()) {
            try {
                pg::resposta(m_conexao, pg::terminaCopia(m_conexao, "copia interrompida"));
            } catch (const DatabaseError &) {
                // a silent server: the connection was closed, the copy with it
            }
        }
    }

    // The first values of `linha`, one for each column (a rowid read for the
    // order only is left out).
    void grava(const Linha &linha)
    {
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
            case StoredValue::Kind::Blob: pg::acrescentaTextoCopia(m_buffer, v.text.data(), v.text.size()); break;
            }
        }
        m_buffer += '\n';
        if (m_buffer.size() >= 1 << 20)
            envia();
    }

    void termina()
    {
        envia();
        m_copiando = false;
        pg_conn *c = m_conexao.pgHandle();
        const pg::Resultado r = pg::resposta(m_conexao, pg::terminaCopia(m_conexao));
        if (r && PQresultStatus(r.get()) == PGRES_COMMAND_OK)
            return;
        // The line of the COPY a refused value stands on.
        const QString contexto = r ? QString::fromUtf8(PQresultErrorField(r.get(), PG_DIAG_CONTEXT)) : QString();
        const DatabaseError erro = pg::falha(c, r.get());
        throw contexto.isEmpty() ? erro : DatabaseError(erro.message() + QStringLiteral(" (") + contexto + QLatin1Char(')'), erro.causa());
    }

private:
    void envia()
    {
        if (!m_buffer.isEmpty() && !pg::enviaCopia(m_conexao, m_buffer.constData(), static_cast<int>(m_buffer.size())))
            throw pg::falha(m_conexao.pgHandle(), nullptr);
        m_buffer.clear();
    }

    Connection &m_conexao;
    QByteArray m_buffer;
    size_t m_colunas = 0;
    bool m_copiando = false;
};

// The same columns, whatever the letter case the engine gives their names.
bool mesmasColunas(QStringList a, QStringList b)
{
    for (QString &n : a)
        n = n.toLower();
    for (QString &n : b)
        n = n.toLower();
    a.sort();
    b.sort();
    return a == b;
}

// Replaces the target's rows of one table by the source's; returns how many.
qint64 copiaTabela(Connection &origem, Connection &destino, const QString &tabela)
{
    const QStringList colunas = colunasDe(origem, tabela);
    const QStringList doDestino = colunasDe(destino, tabela);
    if (!mesmasColunas(colunas, doDestino))
        throw DatabaseError(QStringLiteral("as colunas não são as mesmas nos dois bancos (%1 / %2). Atualize o programa "
                                           "que criou o banco mais antigo.")
                                .arg(colunas.join(QStringLiteral(", ")), doDestino.join(QStringLiteral(", "))));
    const qint64 naOrigem = contaLinhas(origem, tabela);
    const QString select = QStringLiteral("select %1, rowid from %2 order by rowid")
                               .arg(colunas.join(QStringLiteral(", ")), tabela);

    Command apaga(destino);
    apaga.setCommandText(QStringLiteral("delete from %1").arg(tabela));
    apaga.execute();

    qint64 lidas = 0;
    const auto copia = [&](auto &escrita) {
        leLinhas(origem, select, [&](const Linha &linha) {
            escrita.grava(linha);
            ++lidas;
        });
        escrita.termina();
    };
    // On a server the rowids travel too and the numbering goes on past them,
    // so the insertion order stays as it was; a file numbers the rows in the
    // order they come (the rowid, last, is read for the order only).
    if (destino.servidor()) {
        EscritaServidor escrita(destino, tabela, colunas + QStringList{kRowid});
        copia(escrita);
        pg::executa(destino, QStringLiteral("select setval(pg_get_serial_sequence('%1', 'rowid'), "
                                            "coalesce(max(rowid), 0) + 1, false) from %1")
                                 .arg(tabela.toLower()));
    } else {
        EscritaArquivo escrita(destino, tabela, colunas);
        copia(escrita);
    }
    const qint64 noDestino = contaLinhas(destino, tabela);
    if (lidas != naOrigem || noDestino != naOrigem)
        throw DatabaseError(QStringLiteral("a origem tem %1 linhas, foram lidas %2 e o destino ficou com %3.")
                                .arg(naOrigem)
                                .arg(lidas)
                                .arg(noDestino));
    return naOrigem;
}

} // namespace

const QStringList &tabelasDoBanco()
{
    static const QStringList tabelas = {
        QStringLiteral("Tipo_Declara"), QStringLiteral("Tipo_Entrega"), QStringLiteral("Tipo_Entrada"),
        QStringLiteral("Municipios"),   QStringLiteral("CNAE"),         QStringLiteral("Produtos"),
        QStringLiteral("Produtor"),     QStringLiteral("Empresa"),      QStringLiteral("Protocolo"),
        QStringLiteral("Notas"),        QStringLiteral("Rateio"),
    };
    return tabelas;
}

std::vector<TabelaCopiada> copiaBanco(Connection &origem, Connection &destino, const QStringList &tabelas,
                                      const std::function<void()> &preparaDestino)
{
    if (&origem == &destino || (origem.path() == destino.path() && !origem.path().isEmpty()))
        throw DatabaseError(QStringLiteral("A origem e o destino da cópia são o mesmo banco de dados."));
    std::vector<TabelaCopiada> copiadas;
    ReadTransaction leitura(origem);
    WriteTransaction escrita(destino);
    if (preparaDestino)
        preparaDestino();
    for (const QString &tabela : tabelas) {
        try {
            copiadas.push_back({tabela, copiaTabela(origem, destino, tabela)});
        } catch (const DatabaseError &e) {
            throw DatabaseError(QStringLiteral("A tabela %1 não foi copiada: %2\nNenhum dado do destino foi alterado.")
                                    .arg(tabela, e.message()),
                                e.causa());
        }
    }
    escrita.commit();
    return copiadas;
}

} // namespace orva::db
