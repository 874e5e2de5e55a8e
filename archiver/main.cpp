#include "rar_archive.h"

#include <QString>
#include <QStringList>
#include <QTextStream>

#include <clocale>
#include <cstdio>
#include <cstring>
#include <langinfo.h>

// rar: the archiver the programs start to pack and unpack their files.
int main(int argc, char **argv)
{
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
        std::printf("rar (ORVA) %s\n", ORVA_VERSION);
        return 0;
    }
    // Entry names are kept in UTF-8: libarchive converts them through the
    // locale's character set, so a plain "C" locale would refuse accents.
    std::setlocale(LC_ALL, "");
    if (std::strcmp(nl_langinfo(CODESET), "UTF-8") != 0)
        std::setlocale(LC_CTYPE, "C.UTF-8");

    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    QTextStream out(stdout);
    QTextStream err(stderr);
    return orva::rar::runCommand(arguments, out, err);
}
