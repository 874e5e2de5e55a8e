#pragma once
#include "core/maintenance/manutencao.h"
#include "validacao.h"

#include <functional>
#include <optional>

class TdtmDados;

// One run of the import window and of orva-cli import: the file validated,
// then (when it is free of errors and the user agrees) imported under the
// protocol, then the database compacted.
namespace orva::importacao {

struct PassosImportacao {
    Acompanhamento validacao; // what the validation pass reports to
    Acompanhamento importacao; // what the import pass reports to
    // Asked after a validation without errors; none: import at once.
    std::function<bool(const Resultado &validacao)> confirmaImportacao;
};

struct Execucao {
    enum class Fim {
        ValidacaoCancelada,
        ErrosValidacao,     // nothing written
        ArquivoVazio,       // no record at all: nothing written nor compacted
        ImportacaoRecusada, // the user did not confirm: nothing written
        ImportacaoCancelada,
        ErrosImportacao, // some records refused, the others written
        Importado,       // every record written, then a file compacted
        Falha,           // a pass stopped on an error: `mensagem`
    };
    Fim fim = Fim::Falha;
    bool falhaNaImportacao = false; // Falha: the import pass stopped; `importacao.importados` stay written
    QString mensagem;
    Resultado validacao;
    Resultado importacao;
    std::optional<orva::manutencao::Resultado> compactacao; // Importado into a file only
};

Execucao executaImportacao(Importador &importador, TdtmDados &dados, const Protocolo &protocolo,
                           const QString &arquivo, const PassosImportacao &passos);

} // namespace orva::importacao
