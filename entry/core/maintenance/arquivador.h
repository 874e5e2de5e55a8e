#pragma once
#include <QString>

// Packing and unpacking files with the archiver beside the program ("rar"),
// and starting an outside program and waiting for it.
namespace Funcoes {

// Starts `programa` with the argument text `argumentos` (split as a Windows
// program reads its command line: blanks separate, double quotes group) in
// the program's own folder and waits for it to end, without a time limit.
// True when the program could be started. `modo` is the window mode the
// callers ask for (0 hidden, 1 normal); programs here run without a console,
// so it changes nothing.
bool ExecutaEspera(const QString &programa, const QString &argumentos, int modo);

// Adds `arquivo` to the archive `arquivoCompactado` (".rar" is added to a
// name without extension), replacing the copy already inside.
// False on success; true on failure, with the reason in *motivo: the
// archiver is missing or cannot be started, or it ends with an error.
bool CompactaArquivo(const QString &arquivo, const QString &arquivoCompactado, QString *motivo = nullptr);

// Extracts every file of `arquivoCompactado` without paths into the folder
// `destino`, overwriting files already there. Same result as CompactaArquivo.
bool DescompactaArquivo(const QString &arquivoCompactado, const QString &destino, QString *motivo = nullptr);

// The bytes the files of a ZIP archive (what the archiver writes) take once
// extracted, read from its central directory; -1 when that cannot be told.
qint64 TamanhoExtraido(const QString &arquivoCompactado);

} // namespace Funcoes
