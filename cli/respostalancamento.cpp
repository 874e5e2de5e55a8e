#include "respostalancamento.h"

#include "cadastro.h"
#include "resposta.h"

namespace orva::cli {

int respondeGravacao(const stores::Gravacao &gravacao, const QJsonObject &chave, const QString &textoChave)
{
    if (!gravacao.gravada())
        return cadastro::recusa(gravacao.recusa);
    auto &resposta = Resposta::atual();
    resposta.mensagem(QStringLiteral("Registro Gravado !"));
    resposta.linha(gravacao.operacao() + QLatin1Char('\t') + textoChave);
    resposta.resultado(QStringLiteral("chave"), chave);
    resposta.resultado(QStringLiteral("operacao"), gravacao.operacao());
    return cadastro::Feito;
}

int respondeExclusao(stores::Exclusao exclusao, const QJsonObject &chave, const QString &textoChave,
                     const QString &apagada, const QString &retirada, const QString &semLinha)
{
    auto &resposta = Resposta::atual();
    resposta.resultado(QStringLiteral("chave"), chave);
    if (exclusao == stores::Exclusao::Nenhuma)
        return cadastro::recusa(semLinha);
    const QString como = exclusao == stores::Exclusao::Apagada ? apagada : retirada;
    resposta.linha(como + QLatin1Char('\t') + textoChave);
    resposta.resultado(QStringLiteral("exclusao"), como);
    return cadastro::Feito;
}

} // namespace orva::cli
