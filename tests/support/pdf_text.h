#pragma once
#include "support/ferramentas.h"

#include <QString>
#include <QStringList>

// The text of a PDF as pdftotext reads it, laid out as on the page.
inline QString pdfText(const QString &path)
{
    const ResultadoHost r = executaHost(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), QStringLiteral("-enc"),
                                                                      QStringLiteral("UTF-8"), caminhoHost(path), QStringLiteral("-")});
    if (!r.terminou || r.codigo != 0)
        return QStringLiteral("<pdftotext failed: %1>").arg(QString::fromLocal8Bit(r.erros));
    return QString::fromUtf8(r.saida);
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
    const ResultadoHost r = executaHost(QStringLiteral("pdfinfo"), {caminhoHost(path)});
    if (!r.terminou)
        return QString();
    for (const QString &line : QString::fromUtf8(r.saida).split(QLatin1Char('\n')))
        if (line.startsWith(QLatin1String("Page size:")))
            return line.mid(10).trimmed();
    return QString();
}
