#pragma once
#include "core/stores/conferencia.h"

#include <functional>

// What "Novo" puts in the code field: the value a store proposes, or empty
// text once the user was shown why there is none (the refusal, or the
// database's failure).
QString PropostaNovo(const std::function<orva::stores::Proposta()> &propoe);
