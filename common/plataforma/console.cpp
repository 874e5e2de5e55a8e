#include "console.h"

#ifdef _WIN32
#include <windows.h>
#include <shellapi.h>
#endif

namespace orva::plataforma {

#ifdef _WIN32

QStringList argumentos(int, char **)
{
    QStringList lista;
    int quantos = 0;
    wchar_t **args = ::CommandLineToArgvW(::GetCommandLineW(), &quantos);
    for (int i = 1; args && i < quantos; ++i)
        lista << QString::fromWCharArray(args[i]);
    ::LocalFree(args);
    return lista;
}

void consoleUtf8() { ::SetConsoleOutputCP(CP_UTF8); }

#else

QStringList argumentos(int argc, char **argv)
{
    QStringList lista;
    for (int i = 1; i < argc; ++i)
        lista << QString::fromLocal8Bit(argv[i]);
    return lista;
}

void consoleUtf8() {}

#endif

} // namespace orva::plataforma
