#include "validadores.h"

#include "funcoesbase.h"

#include "common/errors.h"

#include <array>

namespace Funcoes {
namespace {

// One check digit: weights from 2 upwards over the base read from its end.
// CNPJ weights wrap from 9 back to 2; CPF weights keep growing.
int checkDigit(const QString &base, int weight, int sum, bool wrapAt9)
{
    for (qsizetype i = base.size() - 1; i >= 0; --i) {
        sum += weight * base.at(i).digitValue();
        ++weight;
        if (wrapAt9 && weight > 9)
            weight = 2;
    }
    const int digit = 11 - sum % 11;
    return digit >= 10 ? 0 : digit;
}

int digitOf(const QString &text, qsizetype position)
{
    const QChar c = text.at(position);
    if (c < QLatin1Char('0') || c > QLatin1Char('9'))
        throw orva::Error(QStringLiteral("'%1' não é um valor inteiro válido.").arg(c));
    return c.digitValue();
}

} // namespace

bool ValidaCnpjCpf(const QString &texto)
{
    const QString digits = SoNumeros(texto);
    const qsizetype n = digits.size();
    if (n != 11 && n != 14)
        return false;
    const bool cnpj = n == 14;
    const QString base = digits.left(n - 2);
    const int first = checkDigit(base, 2, 0, cnpj);
    const int second = checkDigit(base, 3, 2 * first, cnpj);
    return digits.at(n - 2).digitValue() == first && digits.at(n - 1).digitValue() == second;
}

bool ValidaInscricao(const QString &texto)
{
    if (texto.size() < 14)
        return false;
    static constexpr std::array<int, 13> weights{6, 5, 4, 3, 2, 9, 8, 7, 6, 5, 4, 3, 2};
    int sum = 0;
    for (qsizetype i = 0; i < 13; ++i)
        sum += weights[static_cast<size_t>(i)] * digitOf(texto, i);
    const int r = sum % 11;
    const int expected = r == 0 ? 1 : (r == 1 ? 0 : 11 - r);
    return digitOf(texto, texto.size() - 1) == expected;
}

} // namespace Funcoes
