#pragma once
#include <QString>
#include <QStringList>

// Starting another program and waiting for it.
namespace orva::process {

struct Result {
    bool started = false; // the program could be started at all
    int exitCode = -1;    // its exit status; -1 when it did not end normally
    QString error;        // why it could not be started
};

// Starts `program` with `arguments` in `workingFolder` (its own folder when
// empty) and waits for it to end, without a time limit.
Result run(const QString &program, const QStringList &arguments, const QString &workingFolder = QString());

// Splits an argument text the way a Windows program reads its command line:
// blanks separate arguments, double quotes group blanks into one and are
// removed, and a backslash before a double quote makes it literal.
QStringList splitArguments(const QString &text);

} // namespace orva::process
