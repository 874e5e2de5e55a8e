#pragma once
#include <QDate>
#include <QDateTime>

#include <functional>

// The one clock of the entry program: every date or time it writes comes
// from here, so tests can fix the day.
namespace orva {

QDateTime agora();
QDate hoje();
// Replaces the clock; an empty function goes back to the system clock.
void defineRelogio(std::function<QDateTime()> relogio);

} // namespace orva
