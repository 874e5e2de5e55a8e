#include "campo.h"

#include "falhas.h"
#include "core/shell/regional.h"

#include <cmath>

namespace orva::db {

QString Field::asString() const { return text(m_value, m_isDate); }

QString Field::text(const QVariant &value, bool isDate)
{
    switch (value.typeId()) {
    case QMetaType::UnknownType:
        return QString();
    case QMetaType::Double:
        return regional::formatFloat(value.toDouble());
    case QMetaType::LongLong:
        return QString::number(value.toLongLong());
    case QMetaType::QString:
        break;
    default:
        return value.toString();
    }
    return dateOrText(*static_cast<const QString *>(value.constData()), isDate);
}

QString Field::dateOrText(const QString &text, bool isDate)
{
    if (isDate && text.size() >= 10 && text.at(4) == QLatin1Char('-') && text.at(7) == QLatin1Char('-')) {
        // YYYY-MM-DD as stored, read back as DD/MM/YYYY (rearranged, not parsed: exports read millions).
        QString out(10, QLatin1Char('/'));
        const QChar *in = text.constData();
        QChar *o = out.data();
        o[0] = in[8], o[1] = in[9], o[3] = in[5], o[4] = in[6];
        o[6] = in[0], o[7] = in[1], o[8] = in[2], o[9] = in[3];
        return out;
    }
    return text;
}

qint64 Field::asInteger() const
{
    switch (m_value.typeId()) {
    case QMetaType::UnknownType: return 0;
    case QMetaType::LongLong: return m_value.toLongLong();
    case QMetaType::Double: return std::llround(m_value.toDouble());
    default: break;
    }
    bool ok = false;
    const qint64 v = m_value.toString().trimmed().toLongLong(&ok);
    if (!ok)
        throw DatabaseError(QStringLiteral("'%1' do campo %2 não é um número inteiro.").arg(m_value.toString(), m_name));
    return v;
}

double Field::asFloat() const { return number(m_value, m_name); }

double Field::number(const QVariant &value, const QString &name)
{
    switch (value.typeId()) {
    case QMetaType::UnknownType: return 0;
    case QMetaType::LongLong: return static_cast<double>(value.toLongLong());
    case QMetaType::Double: return value.toDouble();
    default: break;
    }
    const QString text = value.toString();
    bool ok = false;
    const double v = text.trimmed().toDouble(&ok);
    if (ok)
        return v;
    if (const auto local = regional::parseFloat(text, true))
        return *local;
    throw DatabaseError(QStringLiteral("'%1' do campo %2 não é um número.").arg(text, name));
}

} // namespace orva::db
