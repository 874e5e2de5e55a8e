#include "comandos.h"

#include "client/cliente.h"
#include "client/dialogostexto.h"
#include "shell/funcoes.h"

#include <QDir>
#include <QFileInfo>
#include <QTextStream>

namespace {

// The client folder: --client-dir, or ClienteOrvaDATP under the program folder.
QString pastaCliente(const orva::cli::Opcoes &opcoes)
{
    if (opcoes.tem(QStringLiteral("client-dir")))
        return opcoes.valor(QStringLiteral("client-dir"));
    return QDir(Funcoes::DiretorioSistema()).filePath(QStringLiteral("ClienteOrvaDATP"));
}

// The receiving server's port is fixed; trials against a local server on
// another port name it here.
bool portaDefinida(const orva::cli::Opcoes &opcoes, orva::cliente::Cliente &cliente, QString *erro)
{
    if (!opcoes.tem(QStringLiteral("port")))
        return true;
    bool ok = false;
    const uint porta = opcoes.valor(QStringLiteral("port")).toUInt(&ok);
    if (!ok || porta == 0 || porta > 65535) {
        *erro = QStringLiteral("Porta inválida: %1").arg(opcoes.valor(QStringLiteral("port")));
        return false;
    }
    cliente.endereco().porta = static_cast<quint16>(porta);
    return true;
}

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

    QTextStream saida(stdout), erros(stderr);
    orva::cliente::DialogosTexto dialogos(saida, erros);
    orva::cliente::Cliente cliente(pastaCliente(opcoes), dialogos);
    cliente.LeConfiguracao();
    QString erro;
    if (!portaDefinida(opcoes, cliente, &erro))
        return orva::cli::falha(erro);

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
    saida << r.comprovante << Qt::endl;
    return 0;
}

const orva::cli::Registro registro(
    "deliver", "deliver ARQUIVO.rar [--client-dir PASTA] [--port N]  entrega a declaração e guarda o comprovante",
    entrega);

} // namespace
