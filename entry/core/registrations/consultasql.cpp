#include "consultasql.h"

#include "core/db/sqltexto.h"

#include <QRegularExpression>

namespace orva::consulta {
namespace {

QString column(const QString &name)
{
    static const QRegularExpression plain(QStringLiteral("^[A-Za-z_][A-Za-z0-9_]*$"));
    if (plain.match(name).hasMatch())
        return name;
    QString escaped = name;
    escaped.replace(QLatin1Char(']'), QStringLiteral("]]"));
    return QLatin1Char('[') + escaped + QLatin1Char(']');
}

} // namespace

QString montaSql(const QString &tabela, const QString &campo, const QString &operador, const QString &chave,
                 const QString &anterior)
{
    if (campo.isEmpty() || operador.isEmpty())
        return QStringLiteral("Select * From ") + tabela;
    const QString c = column(campo);
    if (operador == QLatin1String("is null") || operador == QLatin1String("is not null"))
        return QStringLiteral(" Select * From ") + tabela + QStringLiteral(" Where ") + c + QLatin1Char(' ') + operador
               + QStringLiteral("  order by ") + c;
    if (operador == QLatin1String("Like"))
        return QStringLiteral(" Select * From ") + tabela + QStringLiteral(" Where ") + c + QLatin1Char(' ') + operador
               + orva::db::textoSql(QLatin1Char('%') + chave + QLatin1Char('%')) + QStringLiteral(" order by ") + c;
    if (operador == QLatin1String("=") || operador == QLatin1String("<>") || operador == QLatin1String("<=")
        || operador == QLatin1String(">="))
        return QStringLiteral(" Select * From ") + tabela + QStringLiteral(" Where ") + c + QLatin1Char(' ') + operador
               + orva::db::textoSql(chave) + QStringLiteral("  order by ") + c;
    return anterior;
}

} // namespace orva::consulta
