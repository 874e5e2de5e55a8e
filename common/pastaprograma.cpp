#include "pastaprograma.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

namespace orva::pastaprograma {

bool instalada(const QString &pastaExecutavel)
{
    const QFileInfo pasta(pastaExecutavel);
    if (!pasta.isWritable())
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

} // namespace orva::pastaprograma
