#pragma once
#include <QString>

// The check digits of the documents a company is registered by.
namespace Funcoes {

// A CNPJ (14 digits) or CPF (11 digits) whose check digits are right.
bool ValidaCnpjCpf(const QString &texto);
// A state registration whose check digit is right; raises orva::Error when a
// weighted character is not a digit.
bool ValidaInscricao(const QString &texto);

} // namespace Funcoes
