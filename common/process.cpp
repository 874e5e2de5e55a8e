#include "process.h"

#include <QEventLoop>
#include <QFileInfo>
#include <QProcess>

namespace orva::process {

Result run(const QString &program, const QStringList &arguments, const QString &workingFolder, Wait wait)
{
    Result result;
    const QFileInfo info(program);
    if (!info.isFile() || !info.isExecutable()) {
        result.error = QStringLiteral("O programa %1 não foi encontrado ou não pode ser executado.").arg(program);
        return result;
    }
    QProcess process;
    process.setProgram(program);
    process.setArguments(arguments);
    process.setWorkingDirectory(workingFolder.isEmpty() ? info.absolutePath() : workingFolder);
    // What the program prints is not ours to print; its errors still show.
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.start();
    if (!process.waitForStarted(-1)) {
        result.error = QStringLiteral("O programa %1 não pôde ser iniciado: %2").arg(program, process.errorString());
        return result;
    }
    result.started = true;
    if (wait == Wait::ProcessingEvents) {
        QEventLoop loop;
        QObject::connect(&process, &QProcess::finished, &loop, &QEventLoop::quit);
        if (process.state() != QProcess::NotRunning)
            loop.exec();
    } else {
        process.waitForFinished(-1);
    }
    if (process.exitStatus() == QProcess::NormalExit)
        result.exitCode = process.exitCode();
    else
        result.error = QStringLiteral("O programa %1 terminou de forma anormal.").arg(program);
    return result;
}

QStringList splitArguments(const QString &text)
{
    QStringList args;
    QString current;
    bool inArgument = false;
    bool quoted = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == QLatin1Char('\\')) {
            qsizetype n = 0;
            while (i < text.size() && text.at(i) == QLatin1Char('\\')) {
                ++n;
                ++i;
            }
            if (i < text.size() && text.at(i) == QLatin1Char('"')) {
                // 2n backslashes and a quote: n backslashes, the quote groups;
                // 2n+1: n backslashes and a literal quote.
                current += QString(n / 2, QLatin1Char('\\'));
                if (n % 2 == 1)
                    current += QLatin1Char('"');
                else
                    quoted = !quoted;
            } else {
                current += QString(n, QLatin1Char('\\'));
                --i;
            }
            inArgument = true;
        } else if (c == QLatin1Char('"')) {
            quoted = !quoted;
            inArgument = true;
        } else if ((c == QLatin1Char(' ') || c == QLatin1Char('\t')) && !quoted) {
            if (inArgument)
                args << current;
            current.clear();
            inArgument = false;
        } else {
            current += c;
            inArgument = true;
        }
    }
    if (inArgument)
        args << current;
    return args;
}

} // namespace orva::process
