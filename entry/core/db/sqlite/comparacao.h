#pragma once
#include <QString>

struct sqlite3;

namespace orva::db {

// Case-insensitive comparison and LIKE matching that also fold accented
// letters ("ção" equals "ÇÃO"), installed on every connection: NOCASE is
// replaced and like() overridden.
void installTextComparison(sqlite3 *db);

int compareIgnoringCase(const QString &a, const QString &b);
// LIKE with "%" for any run and "_" for one character, ignoring case.
bool likeMatches(const QString &pattern, const QString &text, QChar escape = QChar());

} // namespace orva::db
