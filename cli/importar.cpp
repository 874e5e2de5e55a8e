#include "comandos.h"
#include "pedidoimportacao.h"
#include "resposta.h"

#include "core/import/importacao.h"
#include "core/shell/dtmdados.h"

namespace {

// Validates an import file and, when it is free of errors, imports it under
// the protocol and compacts the database, as the import window does when the
// user agrees. The report of the pass that ran last goes to stdout.
// Exit status: 0 every record imported; 1 nothing written (validation
// errors, an empty file, a stop before the first record); 2 some records
// written and others not; 3 every record imported but the compaction failed.
int importa(const QStringList &argumentos)
{
    TdtmDados dados;
    dados.DataModuleCreate();
    orva::importacao::Importador importador(dados.ADOConnection);
    const auto pedido = orva::cli::lePedidoImportacao(QStringLiteral("import"), argumentos, importador);
    if (!pedido)
        return 1;

    orva::cli::SaidaRelatorio saida(pedido->formato);
    orva::importacao::PassosImportacao passos;
    saida.acompanha(passos.validacao);
    passos.importacao = passos.validacao;
    const auto e = orva::importacao::executaImportacao(importador, dados, pedido->protocolo, pedido->arquivo, passos);

    using Fim = orva::importacao::Execucao::Fim;
    const bool importou
        = e.falhaNaImportacao || (e.fim != Fim::Falha && e.fim != Fim::ErrosValidacao && e.fim != Fim::ArquivoVazio);
    saida.termina(importou ? QStringLiteral("importacao") : QStringLiteral("validacao"),
                  importou ? e.importacao : e.validacao, e.validacao.diagnostico);
    auto &resposta = orva::cli::Resposta::atual();
    resposta.resultado(QStringLiteral("importados"), e.importacao.importados);
    switch (e.fim) {
    case Fim::Falha:
        // 2 only when records before the failure stay written.
        if (!e.falhaNaImportacao || e.importacao.importados == 0)
            return orva::cli::falha(e.mensagem);
        resposta.mensagem(e.mensagem);
        return 2;
    case Fim::ErrosValidacao: return orva::cli::falha(orva::importacao::mensagemErrosValidacao());
    case Fim::ArquivoVazio: return orva::cli::falha(e.mensagem);
    case Fim::ErrosImportacao: resposta.mensagem(orva::importacao::mensagemErrosImportacao()); return 2;
    case Fim::ValidacaoCancelada:
    case Fim::ImportacaoRecusada:
    case Fim::ImportacaoCancelada: return 1; // nothing asks or cancels here
    case Fim::Importado: break;
    }
    if (e.compactacao)
        resposta.mensagem(e.compactacao->mensagem);
    resposta.mensagem(orva::importacao::mensagemSemErros()
                      + QStringLiteral(": %1 notas.").arg(e.importacao.importados));
    return !e.compactacao || e.compactacao->ok ? 0 : 3;
}

const orva::cli::Registro registro("import",
                                   "import --protocolo N ARQ     valida e importa o arquivo de notas ARQ no protocolo N "
                                   "(--formato texto|csv|json; 0 tudo importado, 1 erros de validação, 2 notas não gravadas, 3 falha na compactação)",
                                   importa);

} // namespace
