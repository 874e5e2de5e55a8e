#include "valores.h"

#include "common/prompts.h"
#include "exithandler.h"
#include "regional.h"

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
    prompts().warning(aviso);
    focusLater(campo);
    return false;
}

void mostraValor(QLineEdit *campo, double valor)
{
    const QString texto = regional::formatAmount(valor);
    if (texto.size() > campo->maxLength())
        campo->setMaxLength(int(texto.size()));
    campo->setText(texto);
}

} // namespace orva::ui
