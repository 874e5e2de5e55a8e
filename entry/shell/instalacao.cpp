#include "instalacao.h"

#include "common/errors.h"
#include "common/files.h"
#include "db/connection.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace orva::install {
namespace {

QString resourceText(const QString &name)
{
    QFile file(QStringLiteral(":/data/") + name);
    if (!file.open(QIODevice::ReadOnly))
        throw Error(QStringLiteral("O roteiro de instalação %1 não está no programa.").arg(name));
    return QString::fromUtf8(file.readAll());
}

} // namespace

QStringList programFolders()
{
    return {QStringLiteral("dados"), QStringLiteral("enviar"), QStringLiteral("Backup"),
            QStringLiteral("ClienteOrvaDATP"), QStringLiteral("ClienteOrvaDATP/recv")};
}

void createProgramFolder(const QString &folder)
{
    const QString database = files::findIgnoringCase(folder, QStringLiteral("orva.mdb"));
    if (QFileInfo::exists(database))
        throw Error(QStringLiteral("Já existe um banco de dados em %1; ele não foi alterado.").arg(database));
    QDir dir(folder);
    for (const QString &sub : programFolders())
        if (!dir.mkpath(sub))
            throw Error(QStringLiteral("Não foi possível criar a pasta %1.").arg(dir.filePath(sub)));
    db::Connection::create(dir.filePath(QStringLiteral("orva.mdb")),
                           resourceText(QStringLiteral("schema.sql")) + QLatin1Char('\n')
                               + resourceText(QStringLiteral("reference.sql")));
}

} // namespace orva::install
