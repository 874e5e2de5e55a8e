#pragma once
#include <QDate>
#include <QString>
#include <QVariant>

#include <vector>

namespace orva::db {

// How a named parameter converts the value it is given.
enum class ParamKind {
    Text,    // stored as given
    Integer, // whole number; text must convert
    Float,   // floating point; text in the locale's form ("1.234,56")
    Date     // date; text in the short date form DD/MM/YYYY, stored as YYYY-MM-DD
};

class Parameter {
public:
    Parameter(QString name, ParamKind kind) : m_name(std::move(name)), m_kind(kind) {}

    const QString &name() const { return m_name; }
    ParamKind kind() const { return m_kind; }

    // Converts at once: a value that does not fit the kind raises DatabaseError.
    void setValue(const QString &text);
    void setValue(qint64 value);
    void setValue(int value) { setValue(static_cast<qint64>(value)); }
    void setValue(double value);
    void setValue(const QDate &value);
    void setNull();

    // The stored value: QString, qint64, double or null.
    const QVariant &value() const { return m_value; }
    // False until a value (or null) has been given.
    bool assigned() const { return m_assigned; }

private:
    void assign(QVariant value)
    {
        m_value = std::move(value);
        m_assigned = true;
    }

    QString m_name;
    ParamKind m_kind;
    QVariant m_value;
    bool m_assigned = false;
};

// The named parameters of a query or a command, found by name whatever the case.
class Parameters {
public:
    // Declares (or re-declares with another kind) and returns the parameter.
    Parameter &add(const QString &name, ParamKind kind);
    // Raises DatabaseError when no such parameter is declared.
    Parameter &byName(const QString &name);
    Parameter *find(const QString &name);
    const Parameter *find(const QString &name) const;
    void clear() { m_items.clear(); }
    bool isEmpty() const { return m_items.empty(); }

private:
    std::vector<Parameter> m_items;
};

} // namespace orva::db
