#include "parameters.h"

#include "connection.h"
#include "core/shell/regional.h"


#include <cmath>

namespace orva::db {
namespace {

QString describe(ParamKind kind)
{
    switch (kind) {
    case ParamKind::Integer: return QStringLiteral("número inteiro");
    case ParamKind::Float: return QStringLiteral("número");
    case ParamKind::Date: return QStringLiteral("data (DD/MM/AAAA)");
    case ParamKind::Text: break;
    }
    return QStringLiteral("texto");
}

[[noreturn]] void refuse(const Parameter &p, const QString &text)
{
    throw DatabaseError(QStringLiteral("'%1' não é um valor válido de %2 para o parâmetro %3.")
                            .arg(text, describe(p.kind()), p.name()));
}

} // namespace

void Parameter::setValue(const QString &text)
{
    switch (m_kind) {
    case ParamKind::Text:
        assign(text);
        return;
    case ParamKind::Integer: {
        bool ok = false;
        const qint64 v = text.trimmed().toLongLong(&ok);
        if (!ok)
            refuse(*this, text);
        assign(v);
        return;
    }
    case ParamKind::Float: {
        const auto v = regional::parseFloat(text, true);
        if (!v)
            refuse(*this, text);
        assign(*v);
        return;
    }
    case ParamKind::Date: {
        const auto d = regional::parseDate(text);
        if (!d)
            refuse(*this, text);
        assign(d->toString(Qt::ISODate));
        return;
    }
    }
}

void Parameter::setValue(qint64 value)
{
    switch (m_kind) {
    case ParamKind::Text: assign(QString::number(value)); return;
    case ParamKind::Float: assign(static_cast<double>(value)); return;
    case ParamKind::Integer: assign(value); return;
    case ParamKind::Date: refuse(*this, QString::number(value));
    }
}

void Parameter::setValue(double value)
{
    switch (m_kind) {
    case ParamKind::Text: assign(regional::formatFloat(value)); return;
    case ParamKind::Float: assign(value); return;
    case ParamKind::Integer: assign(static_cast<qint64>(std::llround(value))); return;
    case ParamKind::Date: refuse(*this, QString::number(value));
    }
}

void Parameter::setValue(const QDate &value)
{
    if (m_kind != ParamKind::Date && m_kind != ParamKind::Text)
        refuse(*this, regional::formatDate(value));
    if (!value.isValid())
        refuse(*this, QString());
    assign(m_kind == ParamKind::Date ? value.toString(Qt::ISODate) : regional::formatDate(value));
}

void Parameter::setNull() { assign(QVariant()); }

Parameter &Parameters::add(const QString &name, ParamKind kind)
{
    if (Parameter *existing = find(name)) {
        *existing = Parameter(name, kind);
        return *existing;
    }
    m_items.emplace_back(name, kind);
    return m_items.back();
}

Parameter *Parameters::find(const QString &name)
{
    for (Parameter &p : m_items)
        if (p.name().compare(name, Qt::CaseInsensitive) == 0)
            return &p;
    return nullptr;
}

Parameter &Parameters::byName(const QString &name)
{
    if (Parameter *p = find(name))
        return *p;
    throw DatabaseError(QStringLiteral("Parâmetro %1 não encontrado.").arg(name));
}

const Parameter *Parameters::find(const QString &name) const
{
    for (const Parameter &p : m_items)
        if (p.name().compare(name, Qt::CaseInsensitive) == 0)
            return &p;
    return nullptr;
}

} // namespace orva::db
