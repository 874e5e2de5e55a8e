#include "comandos.h"

#include "client/cliente.h"
#include "client/dialogostexto.h"
#include "shell/funcoes.h"

#include <QDir>
#include <QRegularExpression>
#include <QTextStream>

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

    QTextStream saida(stdout), erros(stderr);
    orva::cliente::DialogosTexto dialogos(saida, erros);
    const QString pasta = opcoes.tem(QStringLiteral("client-dir"))
                              ? opcoes.valor(QStringLiteral("client-dir"))
                              : QDir(Funcoes::DiretorioSistema()).filePath(QStringLiteral("ClienteOrvaDATP"));
    orva::cliente::Cliente cliente(pasta, dialogos);
    cliente.LeConfiguracao();
    if (opcoes.tem(QStringLiteral("port"))) {
        bool ok = false;
        const uint porta = opcoes.valor(QStringLiteral("port")).toUInt(&ok);
        if (!ok || porta == 0 || porta > 65535)
            return orva::cli::falha(QStringLiteral("Porta inválida: %1").arg(opcoes.valor(QStringLiteral("port"))));
        cliente.endereco().porta = static_cast<quint16>(porta);
    }
    QString arquivo;
    if (!cliente.BuscaRecibo(inscricao.rightJustified(14, QLatin1Char('0')),
                             exercicio + protocolo.rightJustified(4, QLatin1Char('0')), &arquivo))
        return 1;
    saida << arquivo << Qt::endl;
    return 0;
}

const orva::cli::Registro registro(
    "receipt",
    "receipt --inscricao I --exercicio AAAA --protocolo P [--client-dir PASTA] [--port N]  busca de novo o comprovante",
    busca);

} // namespace
