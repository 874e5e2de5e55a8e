#pragma once
#include <QString>

class QLineEdit;

namespace orva::ui {

// The exit rule of an amount field that must be greater than zero. An empty
// field is left alone. An amount (typed, or grouped as the field itself
// wrote it) above zero is rewritten as "1.234,56" and true is returned;
// zero or a negative amount shows `aviso` in a warning box, a text that is
// no amount says so (naoENumero); either puts the focus back and returns false.
bool validaValorPositivo(QLineEdit *campo, const QString &aviso);

// The warning for a field whose text is no number ("1,2,3"), naming the
// field by its hint.
QString naoENumero(const QLineEdit *campo);

// Shows `valor` as "1.234.567.890,12", the field's maximum length grown to
// hold it whole: a formatted amount is longer than the digits typed for it.
void mostraValor(QLineEdit *campo, double valor);

} // namespace orva::ui
