#include "instalacao.h"

#include "common/errors.h"
#include "common/files.h"
#include "common/pastaprograma.h"
#include "db/connection.h"
#include "db/traducao.h"
#include "db/versao.h"

#include <QCoreApplication>
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

// On an installed system the archiver and the delivery client stay in the
// package's folder: the program folder links to them.
void linkInstalledPrograms(const QString &folder)
{
    const QString installed = QCoreApplication::applicationDirPath();
    if (!pastaprograma::instalada(installed))
        return;
    QString error;
    if (!pastaprograma::ligaProgramas(folder, installed, &error))
        throw Error(error);
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
    createDatabaseFile(dir.filePath(QStringLiteral("orva.mdb")));
    linkInstalledPrograms(folder);
}

void createDatabaseFile(const QString &path)
{
    db::Connection::create(path, resourceText(QStringLiteral("schema.sql")) + QLatin1Char('\n')
                                     + resourceText(QStringLiteral("reference.sql")));
    // Made from the current schema: no upgrade will be asked of it.
    db::Connection conexao;
    conexao.open(path);
    db::WriteTransaction transacao(conexao);
    db::marcaEsquemaAtual(conexao);
    transacao.commit();
}

QString serverDatabaseScript()
{
    return resourceText(QStringLiteral("schema-postgresql.sql")) + QLatin1Char('\n')
           + db::esquemaParaPostgres(resourceText(QStringLiteral("schema.sql"))) + QLatin1Char('\n')
           + resourceText(QStringLiteral("reference.sql"));
}

void createServerDatabase(const QString &conexao) { db::Connection::createOnServer(conexao, serverDatabaseScript()); }

void prepareInstalledProgramFolder()
{
    if (!pastaprograma::instalada(QCoreApplication::applicationDirPath()))
        return;
    const QString folder = pastaprograma::doUsuario();
    if (!QFileInfo::exists(files::findIgnoringCase(folder, QStringLiteral("orva.mdb")))) {
        createProgramFolder(folder);
        return;
    }
    QDir dir(folder);
    for (const QString &sub : programFolders())
        if (!dir.mkpath(sub))
            throw Error(QStringLiteral("Não foi possível criar a pasta %1.").arg(dir.filePath(sub)));
    linkInstalledPrograms(folder);
}

} // namespace orva::install
