#pragma once
#include "support/ferramentas.h"

#include <QProcess>
#include <QString>
#include <QStringList>

// The text of a PDF as pdftotext reads it, laid out as on the page.
inline QString pdfText(const QString &path)
{
    QProcess p;
    p.start(ferramentaHost(QStringLiteral("pdftotext")),
            {QStringLiteral("-layout"), QStringLiteral("-enc"), QStringLiteral("UTF-8"), caminhoHost(path), QStringLiteral("-")});
    if (!p.waitForFinished(30000) || p.exitCode() != 0)
        return QStringLiteral("<pdftotext failed: %1>").arg(QString::fromLocal8Bit(p.readAllStandardError()));
    return QString::fromUtf8(p.readAllStandardOutput());
}

// One text per page.
inline QStringList pdfPages(const QString &path)
{
    QStringList pages = pdfText(path).split(QLatin1Char('\f'));
    if (!pages.isEmpty() && pages.last().trimmed().isEmpty())
        pages.removeLast();
    return pages;
}

// Runs of blanks and line ends as one blank: what a test compares.
inline QString simplified(const QString &text) { return text.simplified(); }

// The "Page size:" line of pdfinfo, e.g. "595.276 x 841.89 pts (A4)".
inline QString pdfPageSize(const QString &path)
{
    QProcess p;
    p.start(ferramentaHost(QStringLiteral("pdfinfo")), {caminhoHost(path)});
    if (!p.waitForFinished(30000))
        return QString();
    for (const QString &line : QString::fromUtf8(p.readAllStandardOutput()).split(QLatin1Char('\n')))
        if (line.startsWith(QLatin1String("Page size:")))
            return line.mid(10).trimmed();
    return QString();
}
