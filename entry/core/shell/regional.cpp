#include "regional.h"

#include <QLocale>
#include <QRegularExpression>

#include <cmath>
#include <limits>

namespace orva::regional {

std::optional<double> parseFloat(const QString &text, bool allowGrouping)
{
    const QLocale locale;
    const QString decimal = locale.decimalPoint();
    const QString group = locale.groupSeparator();
    QString t = text.trimmed();
    if (t.isEmpty())
        return std::nullopt;

    if (allowGrouping && !group.isEmpty() && t.contains(group)) {
        // Integer part must be 1-3 digits followed by groups of exactly three.
        const QRegularExpression grouped(QStringLiteral("^([+-]?)(\\d{1,3}(?:%1\\d{3})+)(%2\\d*)?$")
                                             .arg(QRegularExpression::escape(group), QRegularExpression::escape(decimal)));
        const auto m = grouped.match(t);
        if (!m.hasMatch())
            return std::nullopt;
        t = m.captured(1) + m.captured(2).remove(group) + m.captured(3);
    }
    const QRegularExpression plain(QStringLiteral("^[+-]?(\\d+(%1\\d*)?|%1\\d+)([eE][+-]?\\d+)?$")
                                       .arg(QRegularExpression::escape(decimal)));
    if (!plain.match(t).hasMatch())
        return std::nullopt;
    t.replace(decimal, QStringLiteral("."));
    bool ok = false;
    const double value = t.toDouble(&ok);
    if (!ok)
        return std::nullopt;
    return value;
}

std::optional<qint32> parseInteger(const QString &text)
{
    static const QRegularExpression whole(QStringLiteral("^\\s*[+-]?\\d+\\s*$"));
    if (!whole.match(text).hasMatch())
        return std::nullopt;
    bool ok = false;
    const qint64 value = text.trimmed().toLongLong(&ok);
    if (!ok || value < std::numeric_limits<qint32>::min() || value > std::numeric_limits<qint32>::max())
        return std::nullopt;
    return static_cast<qint32>(value);
}

std::optional<QDate> parseDate(const QString &text)
{
    static const QRegularExpression shortDate(QStringLiteral("^\\s*(\\d{1,2})/(\\d{1,2})/(\\d{4}|\\d{2})\\s*$"));
    const auto m = shortDate.match(text);
    if (!m.hasMatch())
        return std::nullopt;
    int year = m.captured(3).toInt();
    if (m.captured(3).size() == 2)
        year += year < 50 ? 2000 : 1900;
    const QDate date(year, m.captured(2).toInt(), m.captured(1).toInt());
    if (!date.isValid())
        return std::nullopt;
    return date;
}

QString formatFloat(double value)
{
    QLocale locale;
    locale.setNumberOptions(QLocale::OmitGroupSeparator);
    // Fixed notation, as amounts are read; exponents only for absurd sizes.
    const char format = (value != 0 && (std::abs(value) >= 1e15 || std::abs(value) < 1e-5)) ? 'g' : 'f';
    return locale.toString(value, format, QLocale::FloatingPointShortest);
}

QString formatDate(const QDate &date)
{
    return date.toString(QStringLiteral("dd/MM/yyyy"));
}

} // namespace orva::regional

namespace orva::regional {

QString formatAmount(double value)
{
    return QLocale().toString(value, 'f', 2);
}

std::optional<double> parseAmount(const QString &text) { return parseFloat(text, true); }

} // namespace orva::regional
