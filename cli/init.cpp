#include "comandos.h"
#include "resposta.h"

#include "shell/funcoesbase.h"
#include "shell/instalacao.h"

#include <QDir>

namespace {

// Prepares an empty program folder: orva.mdb and the working folders; with
// --servidor, the tables and reference rows in an empty server database
// instead (the folders still go in the program folder).
int init(const QStringList &argumentos)
{
    const orva::cli::Opcoes opcoes(QStringLiteral("init"), argumentos, {QStringLiteral("servidor")});
    if (!opcoes.valido())
        return orva::cli::falha(opcoes.erro());
    if (!opcoes.posicionais().isEmpty())
        return orva::cli::falha(QStringLiteral("Uso: orva-cli init [--servidor CONEXAO]"));
    auto &resposta = orva::cli::Resposta::atual();
    if (opcoes.tem(QStringLiteral("servidor"))) {
        const QString servidor = opcoes.valor(QStringLiteral("servidor"));
        orva::install::createServerDatabase(servidor);
        resposta.mensagem(QStringLiteral("Tabelas e registros de referência criados no servidor."));
        resposta.resultado(QStringLiteral("servidor"), true);
        return 0;
    }
    const QString pasta = Funcoes::DiretorioSistema();
    orva::install::createProgramFolder(pasta);
    const QString banco = QDir(pasta).absoluteFilePath(QStringLiteral("orva.mdb"));
    resposta.linha(banco);
    resposta.resultado(QStringLiteral("banco"), banco);
    return 0;
}

const orva::cli::Registro registro("init",
                                   "init [--servidor CONEXAO]    cria orva.mdb e as pastas numa pasta de programa vazia; "
                                   "com --servidor, as tabelas num banco PostgreSQL vazio",
                                   init);

} // namespace
