#include "motor.h"

#include "campo.h"

namespace orva::db {

QString Cursor::texto(int coluna) const { return Field::text(valor(coluna), colunas().at(static_cast<size_t>(coluna)).data); }

double Cursor::numero(int coluna) const { return Field::number(valor(coluna), colunas().at(static_cast<size_t>(coluna)).nome); }

} // namespace orva::db
