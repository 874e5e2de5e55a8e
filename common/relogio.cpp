#include "relogio.h"

namespace orva {
namespace {
std::function<QDateTime()> g_relogio;
}

QDateTime agora() { return g_relogio ? g_relogio() : QDateTime::currentDateTime(); }

QDate hoje() { return agora().date(); }

void defineRelogio(std::function<QDateTime()> relogio) { g_relogio = std::move(relogio); }

} // namespace orva
