#pragma once
#include <QDate>
#include <QString>

#include <optional>

// Numbers and dates as the user types and reads them, in the regional
// settings (decimal comma, DD/MM/YYYY).
namespace orva::regional {

// A floating-point text in the locale's form. With grouping allowed,
// "1.234,56" is read too (groups must be of three digits, so "1.23456" is
// refused rather than misread).
std::optional<double> parseFloat(const QString &text, bool allowGrouping);
// A whole number that fits in 32 bits.
std::optional<qint32> parseInteger(const QString &text);
// A date typed as D/M/YYYY (one or two digits for day and month; a two-digit
// year is taken in 1950–2049).
std::optional<QDate> parseDate(const QString &text);

// The locale's decimal form without grouping, shortest exact digits ("1234,5").
QString formatFloat(double value);
// DD/MM/YYYY.
QString formatDate(const QDate &date);

// An amount as the entry windows show it: "###,###,###,##0.00" in the
// locale's separators ("1.234,56").
QString formatAmount(double value);
// An amount as typed or as formatAmount wrote it (grouping allowed).
std::optional<double> parseAmount(const QString &text);

} // namespace orva::regional
