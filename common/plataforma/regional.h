#pragma once
#include <QString>

namespace orva::plataforma {

// The short date format of the user's regional settings, as the system
// spells it ("dd/MM/yyyy"): Windows' own setting there, the locale of
// LANG/LC_ALL elsewhere.
QString formatoDataCurta();

} // namespace orva::plataforma
