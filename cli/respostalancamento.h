#pragma once
#include "core/stores/lancamento.h"

#include <QJsonObject>

// What the invoice and apportionment commands answer to a save or a delete.
namespace orva::cli {

// "Registro Gravado !" with the operation and the stored key (exit 0), or
// the refusal's message (exit 1).
int respondeGravacao(const stores::Gravacao &gravacao, const QJsonObject &chave, const QString &textoChave);

// How the row went (`apagada` and `retirada` name the two outcomes in the
// command's words) with exit 0, or the refusal `semLinha` when there was none.
int respondeExclusao(stores::Exclusao exclusao, const QJsonObject &chave, const QString &textoChave,
                     const QString &apagada, const QString &retirada, const QString &semLinha);

} // namespace orva::cli
