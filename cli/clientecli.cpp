#include "clientecli.h"

#include "resposta.h"

#include "client/avisos.h"
#include "core/shell/funcoesbase.h"

#include <QDir>

namespace orva::cli {

DialogosCli::DialogosCli() : m_saida(stdout), m_erros(stderr), m_texto(m_saida, m_erros) {}

void DialogosCli::aviso(const QString &mensagem1, const QString &mensagem2)
{
    if (!Resposta::atual().json())
        return m_texto.aviso(mensagem1, mensagem2);
    Resposta::atual().mensagem(orva::cliente::linhasAviso(mensagem1, mensagem2).join(QLatin1Char('\n')));
}

void DialogosCli::falha(const QString &mensagem1, const QString &mensagem2)
{
    if (!Resposta::atual().json())
        return m_texto.falha(mensagem1, mensagem2);
    Resposta::atual().mensagem(orva::cliente::linhasFalha(mensagem1, mensagem2).join(QLatin1Char('\n')));
}

void DialogosCli::erro(const QString &texto)
{
    if (!Resposta::atual().json())
        return m_texto.erro(texto);
    Resposta::atual().mensagem(texto);
}

void DialogosCli::mensagem(const QString &texto)
{
    if (!Resposta::atual().json())
        return m_texto.mensagem(texto);
    Resposta::atual().mensagem(texto);
}

QString pastaCliente(const Opcoes &opcoes)
{
    if (opcoes.tem(QStringLiteral("client-dir")))
        return opcoes.valor(QStringLiteral("client-dir"));
    return QDir(Funcoes::DiretorioSistema()).filePath(QStringLiteral("ClienteOrvaDATP"));
}

bool definePorta(const Opcoes &opcoes, orva::cliente::Cliente &cliente)
{
    if (!opcoes.tem(QStringLiteral("port")))
        return true;
    bool ok = false;
    const uint porta = opcoes.valor(QStringLiteral("port")).toUInt(&ok);
    if (!ok || porta == 0 || porta > 65535) {
        cli::falha(QStringLiteral("Porta inválida: %1").arg(opcoes.valor(QStringLiteral("port"))));
        return false;
    }
    cliente.endereco().porta = static_cast<quint16>(porta);
    return true;
}

} // namespace orva::cli
