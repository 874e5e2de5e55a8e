#pragma once
#include <QString>

// A ZIP archive holds each entry's name twice, in its local header and in
// the central directory, and no checksum covers either: a name damaged in
// one place shows only as a difference between the two.
namespace orva::rar {

// True when every entry of the central directory has a local header at its
// offset carrying the same name. False with *why (in Portuguese) when they
// differ, or when the central directory cannot be found or read.
bool zipNamesAgree(const QString &path, QString *why);

} // namespace orva::rar
