#pragma once
#include <QDateTime>

#include <functional>

// The delivery client's clock: the date and time written into receipts come
// from here, so tests can fix them.
namespace orva::cliente {

QDateTime agora();
// Replaces the clock; an empty function goes back to the system clock.
void defineRelogio(std::function<QDateTime()> relogio);

} // namespace orva::cliente
