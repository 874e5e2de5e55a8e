#pragma once
#include <QString>

namespace orva::db {

// A value written into a statement as a quoted text: a quote inside it is
// doubled, so the value can never end the literal and change the statement.
inline QString textoSql(const QString &valor)
{
    QString escapado = valor;
    escapado.replace(QLatin1Char('\''), QStringLiteral("''"));
    return QLatin1Char('\'') + escapado + QLatin1Char('\'');
}

} // namespace orva::db
