#pragma once
#include "core/maintenance/manutencao.h"

// The database maintenance as the windows run it: the question and the
// outcome in boxes.
namespace orva::manutencao {

// The main menu's tools: asks the question, runs the operation on the data
// module and shows the outcome. Nothing without a data module.
void executaNaJanela(Operacao operacao);

// The outcome in a box: information on success, error otherwise.
void mostraResultado(const Resultado &resultado);

} // namespace orva::manutencao

namespace Funcoes {
// Compacts the database without a question and shows the outcome in a box.
void CompactaBanco();
} // namespace Funcoes
