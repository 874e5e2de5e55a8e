#pragma once
#include <QtGlobal>

namespace orva::plataforma {

// Whether a process of that number is running (one of another user counts).
bool processoVivo(qint64 pid);

} // namespace orva::plataforma
