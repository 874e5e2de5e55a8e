#include "resposta.h"

#include <QJsonDocument>
#include <QTextStream>

namespace orva::cli {

Resposta &Resposta::atual()
{
    static Resposta resposta;
    return resposta;
}

void Resposta::inicia(const QString &comando, bool json)
{
    *this = Resposta();
    m_comando = comando;
    m_json = json;
}

void Resposta::mensagem(const QString &texto)
{
    QTextStream(stderr) << texto << Qt::endl;
    if (m_json)
        m_mensagens.append(texto);
}

void Resposta::linha(const QString &texto)
{
    if (!m_json)
        QTextStream(stdout) << texto << Qt::endl;
}

void Resposta::resultado(const QString &chave, const QJsonValue &valor)
{
    if (m_json)
        m_resultado.insert(chave, valor);
}

int Resposta::termina(int saida)
{
    if (!m_json)
        return saida;
    QJsonObject objeto = m_resultado;
    objeto.insert(QStringLiteral("comando"), m_comando);
    objeto.insert(QStringLiteral("ok"), saida == 0);
    objeto.insert(QStringLiteral("saida"), saida);
    objeto.insert(QStringLiteral("mensagens"), m_mensagens);
    if (m_fechamento) {
        m_fechamento(objeto);
        return saida;
    }
    QTextStream(stdout) << QString::fromUtf8(QJsonDocument(objeto).toJson(QJsonDocument::Compact)) << Qt::endl;
    return saida;
}

} // namespace orva::cli
