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

// How the caller waits: blocked (a short helper such as the archiver), or in
// an event loop of its own so that its windows keep painting (a program the
// user works with). Windows stay as modal as they were: the caller disables
// what must not be used meanwhile.
enum class Wait { Blocking, ProcessingEvents };

// Starts `program` with `arguments` in `workingFolder` (its own folder when
// empty) and waits for it to end, without a time limit.
Result run(const QString &program, const QStringList &arguments, const QString &workingFolder = QString(),
           Wait wait = Wait::Blocking);

// Splits an argument text the way a Windows program reads its command line:
// blanks separate arguments, double quotes group blanks into one and are
// removed, and a backslash before a double quote makes it literal.
QStringList splitArguments(const QString &text);

} // namespace orva::process
