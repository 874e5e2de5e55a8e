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

qint64 EstimativaEnvio::segundosRestantes(const Andamento &a, Relogio::time_point agora)
{
    if (a.etapa != Andamento::Etapa::Enviando) {
        m_enviando = false;
        return -1;
    }
    if (!m_enviando) {
        m_enviando = true;
        m_inicio = agora;
        m_base = a.enviados;
    }
    const auto passado = std::chrono::duration_cast<std::chrono::milliseconds>(agora - m_inicio).count();
    const qint64 feitos = a.enviados - m_base;
    if (passado < 1000 || feitos <= 0)
        return -1;
    const qint64 faltam = std::max<qint64>(0, a.total - a.enviados);
    return (faltam * passado / feitos + 999) / 1000;
}

QString textoAndamento(const Andamento &a, Relogio::time_point agora, EstimativaEnvio &estimativa)
{
    const qint64 restantes = estimativa.segundosRestantes(a, agora);
    QString texto = textoAndamento(a, agora);
    if (a.etapa == Andamento::Etapa::Enviando)
        texto += restantes < 0 ? QStringLiteral(" (calculando o tempo restante)")
                               : QStringLiteral(" (cerca de %1 s restantes)").arg(restantes);
    return texto;
}

int milesimosEnviados(const Andamento &a)
{
    if (a.total <= 0)
        return a.aposEnvio ? 1000 : 0;
    return static_cast<int>(std::clamp<qint64>(a.enviados * 1000 / a.total, 0, 1000));
}

} // namespace orva::cliente
