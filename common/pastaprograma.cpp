#include "pastaprograma.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

namespace orva::pastaprograma {

namespace {

bool marcada(const QString &pasta) { return QFileInfo::exists(QDir(pasta).filePath(QLatin1String(MarcaInstalacao))); }

} // namespace

#ifdef _WIN32

bool instalada(const QString &pastaExecutavel)
{
    return !QFileInfo(pastaExecutavel).isWritable() || marcada(pastaExecutavel);
}

QString doUsuario()
{
    // GenericDataLocation is %LOCALAPPDATA% on Windows.
    return QDir(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)).filePath(QStringLiteral("ORVA"));
}

QString executavel(const QString &nome) { return nome + QStringLiteral(".exe"); }

bool ligaProgramas(const QString &, const QString &, QString *) { return true; }

#else

bool instalada(const QString &pastaExecutavel)
{
    const QFileInfo pasta(pastaExecutavel);
    if (!pasta.isWritable() || marcada(pastaExecutavel))
        return true;
    // Root may write anywhere: the package folder still is no program folder.
    const QString destino = QFileInfo(QStringLiteral(ORVA_PASTA_INSTALADA)).canonicalFilePath();
    const QString atual = pasta.canonicalFilePath();
    return !destino.isEmpty() && (atual == destino || atual.startsWith(destino + QLatin1Char('/')));
}

QString doUsuario()
{
    return QDir(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)).filePath(QStringLiteral("orva"));
}

QString executavel(const QString &nome) { return nome; }

bool ligaProgramas(const QString &pastaPrograma, const QString &pastaInstalada, QString *erro)
{
    const QDir programa(pastaPrograma);
    const QDir instalados(pastaInstalada);
    for (const QString &nome : {QStringLiteral("rar"), QStringLiteral("ClienteOrvaDATP/ClienteORVA")}) {
        const QString link = programa.filePath(nome);
        const QFileInfo atual(link);
        if (atual.exists() && !atual.isSymLink())
            continue;
        if (atual.isSymLink())
            QFile::remove(link);
        const QString alvo = QDir::cleanPath(instalados.absoluteFilePath(nome));
        if (!programa.mkpath(QFileInfo(nome).path()) || !QFile::link(alvo, link)) {
            if (erro)
                *erro = QStringLiteral("Não foi possível criar o atalho %1 para %2.").arg(link, alvo);
            return false;
        }
    }
    return true;
}

#endif

QString localizaPrograma(const QString &pastaPrograma, const QString &nome, const QString &executando)
{
    const QString arquivo = executavel(nome);
    const QString proprio = QDir(pastaPrograma).filePath(arquivo);
    if (QFileInfo::exists(proprio) || (executando.isEmpty() && !QCoreApplication::instance()))
        return proprio;
    const QString pastaExecutavel = executando.isEmpty() ? QCoreApplication::applicationDirPath() : executando;
    if (!instalada(pastaExecutavel))
        return proprio;
    for (const QString &instalada : {pastaExecutavel, QDir(pastaExecutavel).filePath(QStringLiteral(".."))}) {
        const QString caminho = QDir::cleanPath(QDir(instalada).filePath(arquivo));
        if (QFileInfo(caminho).isFile())
            return caminho;
    }
    return proprio;
}

} // namespace orva::pastaprograma
