#include "respostalancamento.h"

#include "resposta.h"

namespace orva::cli {

std::optional<Acao> leAcao(const QString &comando, const QStringList &argumentos, const OpcoesDasAcoes &acoes,
                           const QString &uso)
{
    const auto acao = acoes.find(argumentos.value(0));
    if (acao == acoes.end()) {
        falha(uso);
        return std::nullopt;
    }
    Opcoes opcoes(comando + QLatin1Char(' ') + acao->first, argumentos.mid(1), acao->second.first, acao->second.second);
    if (!opcoes.valido()) {
        falha(opcoes.erro() + QLatin1Char('\n') + uso);
        return std::nullopt;
    }
    if (!opcoes.posicionais().isEmpty() || !opcoes.tem(QStringLiteral("protocolo"))) {
        falha(uso);
        return std::nullopt;
    }
    return Acao{acao->first, opcoes};
}

int respondeGravacao(const stores::Gravacao &gravacao, const QJsonObject &chave, const QString &textoChave)
{
    if (!gravacao.gravada())
        return falha(gravacao.recusa);
    auto &resposta = Resposta::atual();
    resposta.mensagem(QStringLiteral("Registro Gravado !"));
    resposta.linha(gravacao.operacao() + QLatin1Char('\t') + textoChave);
    resposta.resultado(QStringLiteral("chave"), chave);
    resposta.resultado(QStringLiteral("operacao"), gravacao.operacao());
    return 0;
}

int respondeExclusao(stores::Exclusao exclusao, const QJsonObject &chave, const QString &textoChave,
                     const QString &apagada, const QString &retirada, const QString &semLinha)
{
    auto &resposta = Resposta::atual();
    resposta.resultado(QStringLiteral("chave"), chave);
    if (exclusao == stores::Exclusao::Nenhuma) {
        resposta.mensagem(semLinha);
        resposta.resultado(QStringLiteral("exclusao"), QStringLiteral("nenhuma"));
        return 2;
    }
    const QString como = exclusao == stores::Exclusao::Apagada ? apagada : retirada;
    resposta.linha(como + QLatin1Char('\t') + textoChave);
    resposta.resultado(QStringLiteral("exclusao"), como);
    return 0;
}

} // namespace orva::cli
