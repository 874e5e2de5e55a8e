#include "avisos.h"

namespace orva::cliente {

QString TrocaQuebras(const QString &texto)
{
    QString saida = texto;
    saida.replace(QStringLiteral("#13"), QStringLiteral("\r\n "));
    return saida;
}

QStringList linhasAviso(const QString &mensagem1, const QString &mensagem2)
{
    return {QStringLiteral("Módulo de Entrega de Declaração/ORVA"),
            QStringLiteral("------------------------------------"),
            QStringLiteral(" "),
            QStringLiteral("ESTE PROCEDIMENTO PODE DEMORAR ALGUNS MINUTOS ! "),
            QStringLiteral("CLIQUE NO BOTÃO CONTINUAR, E AGUARDE O FINAL DO PROCESSAMENTO! "),
            QStringLiteral(" "),
            mensagem1,
            QStringLiteral(" "),
            mensagem2};
}

QStringList linhasFalha(const QString &mensagem1, const QString &mensagem2)
{
    QStringList linhas{QStringLiteral("Módulo de Entrega de Declaração/ORVA"),
                       QStringLiteral("------------------------------------"),
                       QStringLiteral(" "),
                       mensagem1,
                       QStringLiteral(" "),
                       QStringLiteral("Devido ao(s) seguinte(s) problema(s) sua declaração não pôde ser recebida:")};
    linhas += TrocaQuebras(mensagem2).split(QStringLiteral("\r\n"));
    return linhas;
}

} // namespace orva::cliente
