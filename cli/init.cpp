#include "comandos.h"

#include "shell/funcoes.h"
#include "shell/instalacao.h"

#include <QDir>
#include <QTextStream>

namespace {

// Prepares an empty program folder: orva.mdb and the working folders.
int init(const QStringList &argumentos)
{
    if (!argumentos.isEmpty())
        return orva::cli::falha(QStringLiteral("O comando init não recebe argumentos."));
    const QString pasta = Funcoes::DiretorioSistema();
    orva::install::createProgramFolder(pasta);
    QTextStream(stdout) << QDir(pasta).absoluteFilePath(QStringLiteral("orva.mdb")) << Qt::endl;
    return 0;
}

const orva::cli::Registro registro("init", "init                         cria orva.mdb e as pastas numa pasta de programa vazia",
                                   init);

} // namespace
