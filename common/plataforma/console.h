#pragma once
#include <QStringList>

// The command line and the console of the programs without windows.
namespace orva::plataforma {

// The program's arguments as typed: decoded from the locale on Linux, taken
// from the UTF-16 command line on Windows (a path with letters outside the
// ANSI code page stays whole).
QStringList argumentos(int argc, char **argv);

// The console shows the UTF-8 the programs write (Windows; a Linux terminal
// already does).
void consoleUtf8();

} // namespace orva::plataforma
