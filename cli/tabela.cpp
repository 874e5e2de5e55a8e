#include "cadastro.h"

#include "core/stores/tabelas.h"

namespace {

namespace cad = orva::cli::cadastro;

const char *const kUso = "table list --tabela CNAE|Municipios|Tipo_Declara|Tipo_Entrega|Tipo_Entrada|Produtos";

// The code tables whose codes the registrations take: code and description
// columns as the search window shows them.
orva::stores::DefinicaoTabela definicao(const QString &tabela)
{
    if (tabela.compare(QLatin1String("Produtos"), Qt::CaseInsensitive) == 0)
        return orva::stores::tabelaProdutos();
    for (const char *nome : {"CNAE", "Municipios", "Tipo_Declara", "Tipo_Entrega", "Tipo_Entrada"})
        if (tabela.compare(QLatin1String(nome), Qt::CaseInsensitive) == 0)
            return {QString::fromLatin1(nome), QStringLiteral("Codigo"), QStringLiteral("Descricao")};
    return {};
}

int listaCodigos(const orva::cli::Opcoes &o, orva::db::Connection &conexao)
{
    const orva::stores::DefinicaoTabela d = definicao(o.valor(QStringLiteral("tabela")));
    if (d.tabela.isEmpty())
        return cad::recusa(QStringLiteral("Tabela desconhecida: \"%1\". Informe uma destas: %2.")
                               .arg(o.valor(QStringLiteral("tabela")), QString::fromLatin1(kUso).section(' ', 3)));
    QJsonArray linhas;
    for (const orva::stores::Codigo &c : orva::stores::Tabelas(conexao, d).lista())
        linhas.append(QJsonObject{{QStringLiteral("codigo"), c.codigo}, {QStringLiteral("descricao"), c.descricao}});
    return cad::lista({QStringLiteral("codigo"), QStringLiteral("descricao")}, linhas);
}

int tabela(const QStringList &argumentos)
{
    const QString tabela = QStringLiteral("tabela");
    return cad::executa(QStringLiteral("table"), QString::fromLatin1(kUso), argumentos,
                        {{QStringLiteral("list"), {tabela}, {tabela}, listaCodigos}});
}

const orva::cli::Registro registro("table", "table list --tabela NOME       lista os códigos e descrições de uma tabela "
                                            "de códigos (CNAE, Municipios, Tipo_Declara, Tipo_Entrega...); "
                                            ORVA_CADASTRO_SAIDAS,
                                   tabela);

} // namespace
