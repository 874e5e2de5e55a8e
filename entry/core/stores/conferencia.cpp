#include "conferencia.h"

#include "core/shell/funcoesbase.h"

namespace orva::stores {

QString confereCampos(const std::vector<Campo> &campos)
{
    for (const Campo &c : campos)
        if (c.texto.isEmpty())
            return QStringLiteral("Falta o Dados do Campo ") + c.dica;
    for (const Campo &c : campos) {
        if (c.texto.size() > c.largura)
            return QStringLiteral("O campo %1 aceita no máximo %2 caracteres: encurte o valor informado (%3).")
                .arg(c.dica)
                .arg(c.largura)
                .arg(c.texto);
        if (c.soDigitos && !Funcoes::SoDigitos(c.texto))
            return QStringLiteral("O campo %1 aceita só dígitos (0 a 9): retire pontos, traços, espaços e letras de "
                                  "\"%2\".")
                .arg(c.dica, c.texto);
    }
    return QString();
}

QString codigoNaoCadastrado(const QString &dica, const QString &codigo, const QString &tabela)
{
    return QStringLiteral("O código %1 (%2) não está cadastrado na tabela %3: informe um código cadastrado.")
        .arg(codigo, dica, tabela);
}

} // namespace orva::stores
