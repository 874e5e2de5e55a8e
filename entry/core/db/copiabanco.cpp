#include "copiabanco.h"

#include "connection.h"
#include "query.h"

#include <functional>

namespace orva::db {
namespace {

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

    // The rowid, last, is read for the order; the target's driver keeps it
    // (a server) or numbers the rows in the order they come (a file).
    qint64 lidas = 0;
    const auto escrita = destino.motor().escritaDeCopia(tabela, colunas);
    leLinhas(origem, select, [&](const Linha &linha) {
        escrita->grava(linha);
        ++lidas;
    });
    escrita->termina();
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
