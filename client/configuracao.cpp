#include "configuracao.h"

#include "common/errors.h"
#include "common/ini.h"

#include <QDir>
#include <QFileInfo>

namespace orva::cliente {

QString arquivoConfiguracao(const QString &executavel)
{
    const QFileInfo info(executavel);
    const QString nome = info.suffix().isEmpty() ? info.fileName() : info.completeBaseName();
    return QDir(info.path()).filePath(nome + QStringLiteral(".INI"));
}

QString configuracaoDaPasta(const QString &pastaCliente)
{
    return QDir(pastaCliente).filePath(QStringLiteral("ClienteORVA.INI"));
}

QString LeConfiguracao(const QString &arquivo, QString *erro)
{
    const QString secao = QStringLiteral("REMOTE"), chave = QStringLiteral("ADDR");
    if (QFileInfo::exists(arquivo)) {
        IniFile ini;
        ini.load(arquivo);
        return ini.value(secao, chave, QStringLiteral("172.0.0.1"));
    }
    const QString host = QString::fromLatin1(HostPadrao);
    try {
        IniFile ini;
        ini.setValue(secao, chave, host);
        ini.save(arquivo);
    } catch (const orva::Error &e) {
        if (erro)
            *erro = e.message();
    }
    return host;
}

} // namespace orva::cliente
