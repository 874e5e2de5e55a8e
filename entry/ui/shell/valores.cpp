#include "valores.h"

#include "common/prompts.h"
#include "exithandler.h"
#include "core/shell/regional.h"

#include <QLineEdit>

namespace orva::ui {

bool validaValorPositivo(QLineEdit *campo, const QString &aviso)
{
    const QString texto = campo->text();
    if (texto.isEmpty())
        return true;
    const auto valor = regional::parseAmount(texto);
    if (valor && *valor > 0) {
        mostraValor(campo, *valor);
        return true;
    }
    prompts().warning(valor ? aviso : naoENumero(campo));
    focusLater(campo);
    return false;
}

QString naoENumero(const QLineEdit *campo)
{
    const QString nome = campo->toolTip().isEmpty() ? QStringLiteral("Valor") : campo->toolTip();
    return QStringLiteral("%1: \"%2\" não é um número.\nDigite o valor com uma só vírgula, antes dos centavos "
                          "(por exemplo 1234,56).")
        .arg(nome, campo->text());
}

void mostraValor(QLineEdit *campo, double valor)
{
    const QString texto = regional::formatAmount(valor);
    if (texto.size() > campo->maxLength())
        campo->setMaxLength(int(texto.size()));
    campo->setText(texto);
}

} // namespace orva::ui
