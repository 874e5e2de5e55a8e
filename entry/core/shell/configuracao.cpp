#include "configuracao.h"

#include "common/files.h"
#include "common/ini.h"

namespace orva::configuracao {
namespace {

bool ligado(const IniFile &ini, const QString &chave)
{
    const QString valor = ini.value(QStringLiteral("MENU"), chave).toLower();
    return valor == QLatin1String("1") || valor == QLatin1String("sim") || valor == QLatin1String("true");
}

} // namespace

QString nomeArquivo() { return QStringLiteral("Orva.ini"); }

Menus lerMenus(const QString &pasta)
{
    IniFile ini;
    if (!ini.load(files::findIgnoringCase(pasta, nomeArquivo())))
        return {};
    Menus m;
    m.notasFiscais = ligado(ini, QStringLiteral("NotasFiscais"));
    m.produtos = ligado(ini, QStringLiteral("Produtos"));
    m.importacao = ligado(ini, QStringLiteral("Importacao"));
    return m;
}

QString lerServidorBanco(const QString &pasta)
{
    IniFile ini;
    if (!ini.load(files::findIgnoringCase(pasta, nomeArquivo())))
        return {};
    return ini.value(QStringLiteral("Banco"), QStringLiteral("Servidor")).trimmed();
}

} // namespace orva::configuracao
