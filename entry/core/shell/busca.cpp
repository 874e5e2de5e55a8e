#include "busca.h"

#include "core/db/query.h"

#include <QStringList>

namespace orva::busca {
namespace {

// Runs a description statement; the parameters Chave1, Chave2 are text.
QString descricaoPor(orva::db::Query &consulta, const QString &sql, const QStringList &valores)
{
    consulta.close();
    consulta.setSql(QString());
    consulta.parameters().clear();
    for (int i = 0; i < valores.size(); ++i)
        consulta.parameters()
            .add(QStringLiteral("Chave%1").arg(i + 1), orva::db::ParamKind::Text)
            .setValue(valores.at(i));
    consulta.setSql(sql);
    consulta.open();
    if (!consulta.eof()) {
        const QString texto = consulta.fieldByName(QStringLiteral("Descricao")).asString();
        if (!texto.isEmpty())
            return texto;
    }
    return naoCadastrado();
}

} // namespace

QString naoCadastrado() { return QStringLiteral("Não Cadastrado"); }

QString descricao(orva::db::Query &consulta, const QString &tabela, const QString &campoChave, const QString &valor,
                  const QString &campoDescricao)
{
    return descricaoPor(consulta,
                        QStringLiteral("Select ") + campoDescricao + QStringLiteral(" as Descricao From ") + tabela
                            + QStringLiteral(" Where ") + campoChave + QStringLiteral(" = :Chave1 "),
                        {valor});
}

QString descricaoChaves(orva::db::Query &consulta, const QString &tabela, const QString &campoChave1,
                        const QString &valor1, const QString &campoChave2, const QString &valor2,
                        const QString &campoDescricao)
{
    return descricaoPor(consulta,
                        QStringLiteral("Select ") + campoDescricao + QStringLiteral(" as Descricao From ") + tabela
                            + QStringLiteral(" Where ") + campoChave1 + QStringLiteral(" = :Chave1 ")
                            + QStringLiteral(" And   ") + campoChave2 + QStringLiteral(" = :Chave2 "),
                        {valor1, valor2});
}

QString proximoCodigo(orva::db::Query &consulta, const QString &tabela, const QString &campo)
{
    consulta.close();
    consulta.parameters().clear();
    consulta.setSql(QStringLiteral("Select Max(") + campo + QStringLiteral(") + 1 as Codigo From ") + tabela);
    consulta.open();
    if (!consulta.eof()) {
        const QString codigo = consulta.fieldByName(QStringLiteral("Codigo")).asString();
        if (!codigo.isEmpty())
            return codigo;
    }
    return QStringLiteral("1");
}

} // namespace orva::busca
