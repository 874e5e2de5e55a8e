#pragma once
#include <QString>

namespace orva::files {

// The path of `name` inside `folder`, matching the name whatever its letter
// case (the system spells some files two ways). When no entry matches, the
// path with `name` as given.
QString findIgnoringCase(const QString &folder, const QString &name);

} // namespace orva::files

namespace orva::files {

// A file failure told in Portuguese: the cause the user can act on (disk
// full, no permission, read-only disk, file too large) followed by the
// system's own text, which may come in English or Portuguese.
QString descreveFalha(const QString &systemText);
// The same for a write into `folder`: when the system named no cause it
// knows ("Unknown error") and that disk has next to no free space left,
// the disk is said to be full.
QString descreveFalhaGravacao(const QString &systemText, const QString &folder);

// Whether `path` is a regular file (after links); a FIFO, a device or a
// folder would block or never end a pass that reads it to its end.
bool isRegularFile(const QString &path);

} // namespace orva::files
