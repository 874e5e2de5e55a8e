#include "files.h"

#include "plataforma/arquivos.h"

#include <QDir>
#include <QFileInfo>
#include <QStorageInfo>

#include <initializer_list>

namespace orva::files {

QString findIgnoringCase(const QString &folder, const QString &name)
{
    const QDir dir(folder);
    const QString exact = dir.filePath(name);
    if (QFileInfo::exists(exact))
        return exact;
    const QStringList entries = dir.entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden);
    for (const QString &entry : entries) {
        if (entry.compare(name, Qt::CaseInsensitive) == 0)
            return dir.filePath(entry);
    }
    return exact;
}

} // namespace orva::files

namespace orva::files {

QString descreveFalha(const QString &systemText)
{
    struct Causa {
        std::initializer_list<const char *> textos;
        const char *explicacao;
    };
    static const Causa causas[] = {
        {{"No space left", "Não há espaço", "Disk quota", "Quota de disco"},
         "o disco está cheio; libere espaço e tente novamente"},
        {{"Read-only file system", "somente leitura", "apenas para leitura"},
         "o disco ou a pasta estão somente para leitura"},
        {{"Permission denied", "Permissão negada", "Operation not permitted", "Operação não permitida"},
         "não há permissão de gravação no arquivo ou na pasta"},
        {{"File too large", "Arquivo muito grande", "Ficheiro demasiado grande"},
         "o arquivo passou do tamanho máximo que o sistema permite"},
    };
    for (const Causa &causa : causas)
        for (const char *texto : causa.textos)
            if (systemText.contains(QString::fromUtf8(texto), Qt::CaseInsensitive))
                return QString::fromUtf8(causa.explicacao) + QStringLiteral(" (") + systemText + QLatin1Char(')');
    return systemText;
}

QString descreveFalhaGravacao(const QString &systemText, const QString &folder)
{
    const QString descrita = descreveFalha(systemText);
    if (descrita != systemText)
        return descrita;
    // Less than a megabyte: nothing of any size fits there.
    const QStorageInfo disco(folder);
    if (disco.isValid() && disco.bytesAvailable() >= 0 && disco.bytesAvailable() < (1 << 20))
        return QStringLiteral("o disco está cheio; libere espaço e tente novamente");
    return systemText.isEmpty() || systemText == QLatin1String("Unknown error")
        ? QStringLiteral("o sistema não informou a causa; confira o espaço e as permissões do disco")
        : systemText;
}

bool isRegularFile(const QString &path) { return plataforma::arquivoComum(path); }

} // namespace orva::files
