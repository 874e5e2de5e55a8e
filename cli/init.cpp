#include "comandos.h"
#include "resposta.h"

#include "shell/funcoesbase.h"
#include "shell/instalacao.h"

#include <QDir>

namespace {

// Prepares an empty program folder: orva.mdb and the working folders.
int init(const QStringList &argumentos)
{
    if (!argumentos.isEmpty())
        return orva::cli::falha(QStringLiteral("O comando init não recebe argumentos."));
    const QString pasta = Funcoes::DiretorioSistema();
    orva::install::createProgramFolder(pasta);
    const QString banco = QDir(pasta).absoluteFilePath(QStringLiteral("orva.mdb"));
    auto &resposta = orva::cli::Resposta::atual();
    resposta.linha(banco);
    resposta.resultado(QStringLiteral("banco"), banco);
    return 0;
}

const orva::cli::Registro registro("init", "init                         cria orva.mdb e as pastas numa pasta de programa vazia",
                                   init);

} // namespace
