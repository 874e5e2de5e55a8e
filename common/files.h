#pragma once
#include <QString>

namespace orva::files {

// The path of `name` inside `folder`, matching the name whatever its letter
// case (the system spells some files two ways). When no entry matches, the
// path with `name` as given.
QString findIgnoringCase(const QString &folder, const QString &name);

} // namespace orva::files
