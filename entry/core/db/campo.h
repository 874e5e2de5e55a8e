#pragma once
#include <QString>
#include <QVariant>

namespace orva::db {

// One value of the current row, read the ways the windows need.
class Field {
public:
    Field(QString name, QVariant value, bool isDate) : m_name(std::move(name)), m_value(std::move(value)), m_isDate(isDate) {}

    const QString &name() const { return m_name; }
    bool isNull() const { return m_value.isNull(); }
    // Dates as DD/MM/YYYY, floating point in the locale's decimal form
    // without grouping ("1234,5"), null as empty text.
    QString asString() const;
    qint64 asInteger() const;
    double asFloat() const;
    const QVariant &value() const { return m_value; }

    static QString text(const QVariant &value, bool isDate);
    // A stored text as shown: YYYY-MM-DD of a date column as DD/MM/YYYY.
    static QString dateOrText(const QString &text, bool isDate);
    static double number(const QVariant &value, const QString &name);

private:
    QString m_name;
    QVariant m_value;
    bool m_isDate;
};

} // namespace orva::db
