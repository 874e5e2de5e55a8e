#include "importacao.h"

#include "common/errors.h"

namespace orva::importacao {

Execucao executaImportacao(Importador &importador, TdtmDados &dados, const Protocolo &protocolo,
                           const QString &arquivo, const PassosImportacao &passos)
{
    Execucao e;
    try {
        e.validacao = importador.ValidaArquivo(arquivo, protocolo.inscricao, protocolo.exercicio, passos.validacao);
    } catch (const orva::Error &erro) {
        e.mensagem = erro.message();
        return e;
    }
    if (e.validacao.cancelado) {
        e.fim = Execucao::Fim::ValidacaoCancelada;
        return e;
    }
    if (e.validacao.erros > 0) {
        e.fim = Execucao::Fim::ErrosValidacao;
        return e;
    }
    if (passos.confirmaImportacao && !passos.confirmaImportacao(e.validacao)) {
        e.fim = Execucao::Fim::ImportacaoRecusada;
        return e;
    }
    try {
        e.importacao = importador.ImportaArquivo(arquivo, protocolo.numero, passos.importacao);
    } catch (const orva::Error &erro) {
        e.falhaNaImportacao = true;
        e.mensagem = erro.message();
        return e;
    }
    if (e.importacao.cancelado) {
        e.fim = Execucao::Fim::ImportacaoCancelada;
        return e;
    }
    if (e.importacao.erros > 0) {
        e.fim = Execucao::Fim::ErrosImportacao;
        return e;
    }
    e.compactacao = orva::manutencao::compactaBanco(dados);
    e.fim = Execucao::Fim::Importado;
    return e;
}

} // namespace orva::importacao
