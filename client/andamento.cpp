#include "andamento.h"

#include <QLocale>

namespace orva::cliente {

QString textoAndamento(const Andamento &a, Relogio::time_point agora)
{
    const auto segundos = a.prazo > agora ? std::chrono::ceil<std::chrono::seconds>(a.prazo - agora).count() : 0;
    const QLocale local;
    switch (a.etapa) {
    case Andamento::Etapa::Conectando:
        return QStringLiteral("Conectando ao servidor... (%1 s restantes)").arg(segundos);
    case Andamento::Etapa::Enviando:
        return QStringLiteral("Enviando a declaração: %1 de %2 bytes")
            .arg(local.toString(a.enviados), local.toString(a.total));
    case Andamento::Etapa::Aguardando:
        break;
    }
    return a.aposEnvio
               ? QStringLiteral("Declaração enviada. Aguardando a resposta do servidor... (%1 s restantes)").arg(segundos)
               : QStringLiteral("Aguardando a resposta do servidor... (%1 s restantes)").arg(segundos);
}

int milesimosEnviados(const Andamento &a)
{
    if (a.total <= 0)
        return a.aposEnvio ? 1000 : 0;
    return static_cast<int>(std::clamp<qint64>(a.enviados * 1000 / a.total, 0, 1000));
}

} // namespace orva::cliente
