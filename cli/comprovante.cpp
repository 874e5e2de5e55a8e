#include "clientecli.h"
#include "comandos.h"
#include "resposta.h"

#include <QRegularExpression>

namespace {

// Fetches the receipt of an earlier delivery, as the client's download dialog
// does: registration and protocol left-padded with "0" to 14 and 4 digits.
int busca(const QStringList &argumentos)
{
    const orva::cli::Opcoes opcoes(QStringLiteral("receipt"), argumentos,
                                   {QStringLiteral("inscricao"), QStringLiteral("exercicio"),
                                    QStringLiteral("protocolo"), QStringLiteral("client-dir"), QStringLiteral("port")});
    if (!opcoes.valido())
        return orva::cli::falha(opcoes.erro());
    const QString uso = QStringLiteral(
        "Uso: orva-cli receipt --inscricao I --exercicio AAAA --protocolo P [--client-dir PASTA] [--port N]");
    const QString inscricao = opcoes.valor(QStringLiteral("inscricao"));
    const QString exercicio = opcoes.valor(QStringLiteral("exercicio"));
    const QString protocolo = opcoes.valor(QStringLiteral("protocolo"));
    if (!opcoes.posicionais().isEmpty())
        return orva::cli::falha(uso);
    const QRegularExpression digitos(QStringLiteral("^[0-9]+$"));
    if (!digitos.match(inscricao).hasMatch() || inscricao.size() > 14)
        return orva::cli::falha(QStringLiteral("A inscrição deve ter de 1 a 14 dígitos.\n") + uso);
    if (!digitos.match(exercicio).hasMatch() || exercicio.size() != 4)
        return orva::cli::falha(QStringLiteral("O exercício deve ter 4 dígitos.\n") + uso);
    if (!digitos.match(protocolo).hasMatch() || protocolo.size() > 4)
        return orva::cli::falha(QStringLiteral("O protocolo deve ter de 1 a 4 dígitos.\n") + uso);

    orva::cli::DialogosCli dialogos;
    orva::cliente::Cliente cliente(orva::cli::pastaCliente(opcoes), dialogos);
    cliente.LeConfiguracao();
    if (!orva::cli::definePorta(opcoes, cliente))
        return 1;
    QString arquivo;
    if (!cliente.BuscaRecibo(inscricao.rightJustified(14, QLatin1Char('0')),
                             exercicio + protocolo.rightJustified(4, QLatin1Char('0')), &arquivo))
        return 1;
    orva::cli::Resposta::atual().linha(arquivo);
    orva::cli::Resposta::atual().resultado(QStringLiteral("comprovante"), arquivo);
    return 0;
}

const orva::cli::Registro registro(
    "receipt",
    "receipt --inscricao I --exercicio AAAA --protocolo P [--client-dir PASTA] [--port N]  busca de novo o comprovante",
    busca);

} // namespace
