#include "janelamanutencao.h"

#include "common/prompts.h"
#include "core/shell/dtmdados.h"

namespace orva::manutencao {

void mostraResultado(const Resultado &resultado)
{
    if (resultado.ok)
        orva::prompts().information(resultado.mensagem);
    else
        orva::prompts().error(resultado.mensagem);
}

void executaNaJanela(Operacao operacao)
{
    // Compaction asks first even without a data module, as it always did.
    if (!dtmDados && operacao != Operacao::Compactacao)
        return;
    const auto confirma = [](const QString &texto) {
        return orva::prompts().question(QStringLiteral("Confirmação"), texto, orva::Prompts::Icon::Question,
                                        orva::Prompts::Button::No);
    };
    if (!confirma(pergunta(operacao)) || !dtmDados)
        return;
    if (const auto resultado = executa(operacao, *dtmDados))
        mostraResultado(*resultado);
}

} // namespace orva::manutencao

namespace Funcoes {

void CompactaBanco()
{
    if (dtmDados)
        orva::manutencao::mostraResultado(orva::manutencao::compactaBanco(*dtmDados));
}

} // namespace Funcoes
