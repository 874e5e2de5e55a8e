#include "localidade.h"

#include <clocale>

#ifndef _WIN32
#include <cstring>
#include <langinfo.h>
#endif

namespace orva::plataforma {

#ifdef _WIN32

void localidadeDoUsuario() { std::setlocale(LC_ALL, ""); }

#else

void localidadeDoUsuario()
{
    std::setlocale(LC_ALL, "");
    if (std::strcmp(nl_langinfo(CODESET), "UTF-8") != 0)
        std::setlocale(LC_CTYPE, "C.UTF-8");
}

#endif

} // namespace orva::plataforma
