#pragma once
#include <QDate>
#include <QDateTime>

#include <functional>

// The one clock of the programs (the entry program, the delivery client and
// the receiving server): every date or time they write comes from here, so
// tests can fix the day.
namespace orva {

QDateTime agora();
QDate hoje();
// Replaces the clock; an empty function goes back to the system clock.
void defineRelogio(std::function<QDateTime()> relogio);

} // namespace orva
