#pragma once
#include <QString>

// The listing statement of the search window, built from the column, the
// operator and the key the user gave.
namespace orva::consulta {

// The statement for table T, column C, operator O and key K; `anterior` is the
// statement of the previous "Confirma" (repeated for an operator it does not
// know). The key is always written as a quoted text with its quotes doubled,
// and a column that is not a plain name is bracketed, so nothing typed can
// change what the statement does.
QString montaSql(const QString &tabela, const QString &campo, const QString &operador, const QString &chave,
                 const QString &anterior);

} // namespace orva::consulta
