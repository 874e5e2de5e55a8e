#include "clientecli.h"
#include "comandos.h"
#include "resposta.h"

#include <QFileInfo>

namespace {

// Delivers an archive as the client does when the user clicks it and presses
// "Enviar Declaração": unpacked beside itself, its protocol record read,
// sent, the receipt stored, the archive marked ".ra_", the declaration file
// deleted. The notice after the server's acceptance is answered at once.
int entrega(const QStringList &argumentos)
{
    const orva::cli::Opcoes opcoes(QStringLiteral("deliver"), argumentos,
                                   {QStringLiteral("client-dir"), QStringLiteral("port")});
    if (!opcoes.valido())
        return orva::cli::falha(opcoes.erro());
    if (opcoes.posicionais().size() != 1)
        return orva::cli::falha(QStringLiteral("Uso: orva-cli deliver ARQUIVO.rar [--client-dir PASTA] [--port N]"));
    const QFileInfo arquivo(opcoes.posicionais().first());
    if (!arquivo.isFile())
        return orva::cli::falha(QStringLiteral("O arquivo %1 não existe.").arg(arquivo.filePath()));

    orva::cli::DialogosCli dialogos;
    orva::cliente::Cliente cliente(orva::cli::pastaCliente(opcoes), dialogos);
    cliente.LeConfiguracao();
    if (!orva::cli::definePorta(opcoes, cliente))
        return 1;

    cliente.defineOrigem(orva::cliente::comBarra(arquivo.absolutePath()));
    cliente.ListaDeclaracoes(cliente.origem());
    const qsizetype indice = cliente.declaracoes().indexOf(arquivo.fileName());
    if (indice < 0)
        return orva::cli::falha(QStringLiteral("%1 não é uma declaração compactada (*.rar) da pasta %2.")
                                    .arg(arquivo.fileName(), arquivo.absolutePath()));
    cliente.SelecionaDeclaracao(static_cast<int>(indice));
    const orva::cliente::ResultadoEnvio r = cliente.Envia();
    if (!r.comprovanteGravado)
        return 1;
    auto &resposta = orva::cli::Resposta::atual();
    resposta.linha(r.comprovante);
    resposta.resultado(QStringLiteral("comprovante"), r.comprovante);
    resposta.resultado(QStringLiteral("arquivo_marcado"), r.marcada);
    return 0;
}

const orva::cli::Registro registro(
    "deliver", "deliver ARQUIVO.rar [--client-dir PASTA] [--port N]  entrega a declaração e guarda o comprovante",
    entrega);

} // namespace
