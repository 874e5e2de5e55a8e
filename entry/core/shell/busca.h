#pragma once
#include <QString>

namespace orva::db {
class Query;
}

// The description and next-code lookups, run on a query the caller hands in
// (the data module's shared query for the windows, a query of their own
// connection for the engines). Database failures are raised to the caller.
namespace orva::busca {

// What a lookup gives for a code without a description.
QString naoCadastrado();

// One-key description: "Não Cadastrado" when absent or empty. The query is
// left open on its result.
QString descricao(orva::db::Query &consulta, const QString &tabela, const QString &campoChave, const QString &valor,
                  const QString &campoDescricao);
// Two-key description, as descricao().
QString descricaoChaves(orva::db::Query &consulta, const QString &tabela, const QString &campoChave1,
                        const QString &valor1, const QString &campoChave2, const QString &valor2,
                        const QString &campoDescricao);
// Largest code plus one; "1" for an empty table.
QString proximoCodigo(orva::db::Query &consulta, const QString &tabela, const QString &campo);

} // namespace orva::busca
