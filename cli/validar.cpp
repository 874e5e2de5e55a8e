#include "comandos.h"
#include "pedidoimportacao.h"
#include "resposta.h"

#include "core/import/validacao.h"
#include "core/shell/dtmdados.h"

namespace {

// Checks every record of an import file against an open invoice protocol,
// as the import window's validation does; the report goes to stdout.
int valida(const QStringList &argumentos)
{
    TdtmDados dados;
    dados.DataModuleCreate();
    orva::importacao::Importador importador(dados.ADOConnection);
    const auto pedido = orva::cli::lePedidoImportacao(QStringLiteral("validate"), argumentos, importador);
    if (!pedido)
        return 1;
    const auto &protocolo = pedido->protocolo;

    orva::cli::SaidaRelatorio saida(pedido->formato);
    orva::importacao::Acompanhamento acompanhamento;
    saida.acompanha(acompanhamento);
    orva::importacao::Resultado r;
    try {
        r = importador.ValidaArquivo(pedido->arquivo, protocolo.inscricao, protocolo.exercicio, acompanhamento);
    } catch (const orva::Error &e) {
        saida.termina(QStringLiteral("validacao"), r, r.diagnostico); // the report stays whole
        return orva::cli::falha(e.message());
    }
    saida.termina(QStringLiteral("validacao"), r, r.diagnostico);
    if (r.erros > 0)
        return orva::cli::falha(orva::importacao::mensagemErrosValidacao());
    orva::cli::Resposta::atual().mensagem(
        QStringLiteral("Arquivo sem erros: %1 registros validados.").arg(r.processados));
    return 0;
}

const orva::cli::Registro registro("validate",
                                   "validate --protocolo N ARQ   valida o arquivo de notas ARQ para o protocolo N "
                                   "(relatório na saída, --formato texto|csv|json; 0 sem erros, 1 com erros)",
                                   valida);

} // namespace
