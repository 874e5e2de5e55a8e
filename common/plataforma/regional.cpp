#include "regional.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <QLocale>
#endif

namespace orva::plataforma {

#ifdef _WIN32

QString formatoDataCurta()
{
    wchar_t formato[LOCALE_NAME_MAX_LENGTH * 2] = {};
    const int n = ::GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, LOCALE_SSHORTDATE, formato,
                                    static_cast<int>(sizeof formato / sizeof formato[0]));
    return n > 0 ? QString::fromWCharArray(formato, n - 1) : QString();
}

#else

QString formatoDataCurta() { return QLocale::system().dateFormat(QLocale::ShortFormat); }

#endif

} // namespace orva::plataforma
