#include "proposta.h"

#include "common/errors.h"
#include "common/prompts.h"

QString PropostaNovo(const std::function<orva::stores::Proposta()> &propoe)
{
    orva::stores::Proposta proposta;
    try {
        proposta = propoe();
    } catch (const orva::Error &e) {
        orva::prompts().error(e.message());
        return QString();
    }
    if (!proposta.recusa.isEmpty())
        orva::prompts().information(proposta.recusa);
    return proposta.valor;
}
