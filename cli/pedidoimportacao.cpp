#include "pedidoimportacao.h"

#include "comandos.h"
#include "resposta.h"
#include "core/shell/busca.h"

namespace orva::cli {

std::optional<PedidoImportacao> lePedidoImportacao(const QString &comando, const QStringList &argumentos,
                                                   orva::importacao::Importador &importador)
{
    const Opcoes opcoes(comando, argumentos, {QStringLiteral("protocolo"), QStringLiteral("formato")});
    if (!opcoes.valido()) {
        falha(opcoes.erro());
        return std::nullopt;
    }
    if (!opcoes.tem(QStringLiteral("protocolo")) || opcoes.posicionais().size() != 1) {
        falha(QStringLiteral("Uso: orva-cli %1 --protocolo N [--formato texto|csv|json] ARQUIVO").arg(comando));
        return std::nullopt;
    }
    // --json asks for the report as JSON.
    const auto formato = Resposta::atual().json() ? std::optional(SaidaRelatorio::Formato::Json)
                                                  : SaidaRelatorio::formato(opcoes.valor(QStringLiteral("formato")));
    if (!formato) {
        falha(QStringLiteral("Formato desconhecido: %1. Use texto, csv ou json.").arg(opcoes.valor(QStringLiteral("formato"))));
        return std::nullopt;
    }
    const auto protocolo = importador.VerificaProtocolo(opcoes.valor(QStringLiteral("protocolo")));
    if (!protocolo) {
        falha(orva::importacao::mensagemProtocoloInvalido());
        return std::nullopt;
    }
    if (importador.empresaDeNotas(protocolo->inscricao) == orva::busca::naoCadastrado()) {
        falha(QStringLiteral("A empresa %1 do protocolo não está cadastrada como declarante de notas fiscais.")
                  .arg(protocolo->inscricao));
        return std::nullopt;
    }
    return PedidoImportacao{*protocolo, opcoes.posicionais().first(), *formato};
}

} // namespace orva::cli
