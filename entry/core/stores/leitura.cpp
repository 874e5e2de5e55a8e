#include "leitura.h"

#include "core/db/query.h"

namespace orva::stores {

std::optional<int> executaSemDuplicar(db::Command &comando)
{
    try {
        return comando.execute();
    } catch (const db::DatabaseError &e) {
        if (e.causa() != db::Causa::ChaveDuplicada)
            throw;
        return std::nullopt;
    }
}

} // namespace orva::stores
