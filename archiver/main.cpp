#include "rar_archive.h"

#include "common/plataforma/console.h"
#include "common/plataforma/localidade.h"

#include <QString>
#include <QStringList>
#include <QTextStream>

#include <cstdio>
#include <cstring>

// rar: the archiver the programs start to pack and unpack their files.
int main(int argc, char **argv)
{
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
        std::printf("rar (ORVA) %s\n", ORVA_VERSION);
        return 0;
    }
    // Entry names are kept in UTF-8: libarchive converts them through the
    // locale's character set, so a plain "C" locale would refuse accents.
    orva::plataforma::localidadeDoUsuario();
    orva::plataforma::consoleUtf8();
    const QStringList arguments = orva::plataforma::argumentos(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);
    return orva::rar::runCommand(arguments, out, err);
}
