#include "instalacao.h"

#include "common/errors.h"
#include "common/files.h"
#include "common/ini.h"
#include "common/pastaprograma.h"
#include "configuracao.h"
#include "dtmdados.h"
#include "core/db/connection.h"
#include "core/db/traducao.h"
#include "core/db/versao.h"

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

EstacaoServidor prepareServerWorkstation(const QString &folder, const QString &conexao)
{
    const QString servidor = conexao.trimmed();
    if (servidor.isEmpty())
        throw Error(QStringLiteral("Informe a conexão com o banco no servidor (por exemplo \"host=servidor dbname=orva "
                                   "user=ana\")."));
    const QString atual = configuracao::lerServidorBanco(folder);
    if (!atual.isEmpty() && atual != servidor)
        throw Error(QStringLiteral("A pasta %1 já usa o banco \"%2\" (seção [Banco] do %3); nada foi alterado.\n"
                                   "Para trocar de banco, corrija o %3 à mão.")
                        .arg(QDir::toNativeSeparators(folder), atual, configuracao::nomeArquivo()));

    EstacaoServidor estacao;
    {
        db::Connection banco;
        banco.open(servidor);
        if (!banco.servidor())
            throw db::DatabaseError(QStringLiteral("%1 não é uma conexão com um servidor PostgreSQL.").arg(servidor));
        {
            // Under the write lock: of two workstations prepared at once on an
            // empty database, one makes the tables and the other joins them.
            db::WriteTransaction transacao(banco);
            if (!banco.hasServerSchema()) {
                banco.createSchemaOnServer(serverDatabaseScript());
                transacao.commit();
                estacao.tabelasCriadas = true;
            }
        }
        if (!estacao.tabelasCriadas) {
            if (const auto atualizacao = db::atualizaEsquema(banco, TdtmDados::Tabelas()))
                estacao.atualizadaDe = atualizacao->de;
            banco.verify(TdtmDados::Tabelas());
        }
    }

    QDir dir(folder);
    for (const QString &sub : programFolders())
        if (!dir.mkpath(sub))
            throw Error(QStringLiteral("Não foi possível criar a pasta %1.").arg(dir.filePath(sub)));
    linkInstalledPrograms(folder);
    estacao.bancoLocal = QFileInfo::exists(files::findIgnoringCase(folder, QStringLiteral("orva.mdb")));
    if (atual.isEmpty()) {
        const QString arquivo = files::findIgnoringCase(folder, configuracao::nomeArquivo());
        IniFile ini;
        ini.load(arquivo);
        ini.setValue(QStringLiteral("Banco"), QStringLiteral("Servidor"), servidor);
        ini.save(arquivo);
    }
    return estacao;
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
    // A workstation on a server database needs no orva.mdb of its own.
    if (!QFileInfo::exists(files::findIgnoringCase(folder, QStringLiteral("orva.mdb")))
        && configuracao::lerServidorBanco(folder).isEmpty()) {
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
