#pragma once
#include <QString>
#include <QStringList>

class QTextStream;

// The archiver behind the "rar" command: files go into an archive under their
// bare names and come out of it without paths.
namespace orva::rar {

// The archive name the add command writes: ".rar" appended when the file
// name has no extension ("Backup/bkpOrva" -> "Backup/bkpOrva.rar").
QString archivePath(const QString &given);

// Adds each file under its bare name, replacing an entry of the same name
// (letter case ignored) and keeping the others. The new archive is written
// under a temporary name in the archive's folder (".NAME.tmp-XXXXXX"), each
// write and the close checked, flushed to disk and read back whole before it
// takes the archive's place; on failure (false, *error naming the cause) the
// archive is as it was and no temporary file is left. Temporary files of an
// earlier run that was interrupted are removed. Missing folders of the
// archive's path are created. The container is ZIP (deflate).
bool add(const QString &archive, const QStringList &files, QString *error);

// What an extraction did besides writing files.
struct ExtractReport {
    QStringList written;  // names written into the folder
    QStringList ignored;  // entries that are not plain files or have no usable name
    QStringList kept;     // existing files left alone (no overwrite asked)
};

// Extracts every plain file of the archive (only the one whose bare name is
// `only`, any letter case, when given) into `folder` under the bare name of
// its entry, so nothing is ever written outside the folder. Directories,
// links and other entries are ignored. Files are written under temporary
// names and take their own only once the whole archive has been read.
// Existing files are replaced only with `overwrite`. A missing archive named
// without extension is also looked for with ".rar". False with *error, and
// nothing written, when the archive cannot be read or is damaged, when
// nothing was extracted, when a file cannot be written, or when the output
// would pass the free space or a bound no real declaration reaches (200
// times the archive's size, at least 64 MiB).
bool extract(const QString &archive, const QString &folder, bool overwrite, ExtractReport *report, QString *error,
             const QString &only = QString());

// The command line without the program name: messages go to `out`, errors
// to `err`; the result is the exit status (0 success, 1 failure, 2 bad
// command line).
int runCommand(const QStringList &arguments, QTextStream &out, QTextStream &err);

// The help text.
QString usage();

} // namespace orva::rar
