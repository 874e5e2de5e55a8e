#pragma once
#include "campos.h"
#include "core/shell/funcoesbase.h"
#include "core/shell/validadores.h"

#include <QString>

// The shared routines every window of the entry program uses: those without
// windows (funcoesbase.h, validadores.h), the window routines (campos.h) and
// the lookups on the data module's shared query that show a failure in a box.
// Code without windows includes funcoesbase.h and runs its lookups with
// busca.h on its own connection.
namespace Funcoes {

// Description of a code; "Não Cadastrado" when absent or empty, empty text
// (after an error box) when the database fails.
QString BuscaDescricao(const QString &tabela, const QString &campoChave, const QString &valor,
                       const QString &campoDescricao);
QString BuscaDescricaoChaves(const QString &tabela, const QString &campoChave1, const QString &valor1,
                             const QString &campoChave2, const QString &valor2, const QString &campoDescricao);
// Largest code plus one; "1" for an empty table; empty text after an error box.
QString ProximoCodigo(const QString &tabela, const QString &campo);

} // namespace Funcoes
