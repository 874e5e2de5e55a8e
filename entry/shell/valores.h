#pragma once
#include <QString>

class QLineEdit;

namespace orva::ui {

// The exit rule of an amount field that must be greater than zero. An empty
// field is left alone. An amount (typed, or grouped as the field itself
// wrote it) above zero is rewritten as "1.234,56" and true is returned;
// zero, a negative amount or a text that is no amount shows `aviso` in a
// warning box, puts the focus back and returns false.
bool validaValorPositivo(QLineEdit *campo, const QString &aviso);

// Shows `valor` as "1.234.567.890,12", the field's maximum length grown to
// hold it whole: a formatted amount is longer than the digits typed for it.
void mostraValor(QLineEdit *campo, double valor);

} // namespace orva::ui
