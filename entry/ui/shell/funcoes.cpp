#include "funcoes.h"

#include "core/shell/busca.h"
#include "common/errors.h"
#include "common/prompts.h"
#include "core/shell/dtmdados.h"

namespace Funcoes {

namespace {

// A lookup on the data module's shared query; a database failure is shown in
// an error box and gives empty text.
template <typename Busca>
QString naConsultaCompartilhada(Busca busca)
{
    try {
        TdtmDados::Conexao(); // raises when there is no data module
        return busca(dtmDados->ADOQuery);
    } catch (const orva::Error &e) {
        orva::prompts().error(e.message());
        return QString();
    }
}

} // namespace

QString BuscaDescricao(const QString &tabela, const QString &campoChave, const QString &valor,
                       const QString &campoDescricao)
{
    return naConsultaCompartilhada([&](orva::db::Query &consulta) {
        return orva::busca::descricao(consulta, tabela, campoChave, valor, campoDescricao);
    });
}

QString BuscaDescricaoChaves(const QString &tabela, const QString &campoChave1, const QString &valor1,
                             const QString &campoChave2, const QString &valor2, const QString &campoDescricao)
{
    return naConsultaCompartilhada([&](orva::db::Query &consulta) {
        return orva::busca::descricaoChaves(consulta, tabela, campoChave1, valor1, campoChave2, valor2,
                                            campoDescricao);
    });
}

QString ProximoCodigo(const QString &tabela, const QString &campo)
{
    return naConsultaCompartilhada(
        [&](orva::db::Query &consulta) { return orva::busca::proximoCodigo(consulta, tabela, campo); });
}

} // namespace Funcoes
