#pragma once
#include "core/import/validacao.h"
#include "saidarelatorio.h"

#include <QStringList>

#include <optional>

// What validate and import both start from: "--protocolo N [--formato texto|csv|json] FILE", an open
// invoice protocol of a company registered for invoices.
namespace orva::cli {

struct PedidoImportacao {
    orva::importacao::Protocolo protocolo;
    QString arquivo;
    SaidaRelatorio::Formato formato = SaidaRelatorio::Formato::Texto;
};

// Reads the arguments and checks the protocol on the importer's connection;
// nothing, after printing why, when the command cannot go on.
std::optional<PedidoImportacao> lePedidoImportacao(const QString &comando, const QStringList &argumentos,
                                                   orva::importacao::Importador &importador);

} // namespace orva::cli
