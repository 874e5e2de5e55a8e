#include "importacao.h"

#include "common/errors.h"
#include "core/shell/dtmdados.h"

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
    // A file without a record is no import at all: refused with the sentence
    // the diagnosis gives, nothing written nor compacted.
    if (e.validacao.processados == 0) {
        e.mensagem = e.validacao.diagnostico.isEmpty()
            ? QStringLiteral("O arquivo não tem nenhum registro de nota fiscal: nada foi importado.")
            : e.validacao.diagnostico.join(QLatin1Char('\n')) + QStringLiteral("\nNada foi importado.");
        e.fim = Execucao::Fim::ArquivoVazio;
        return e;
    }
    if (passos.confirmaImportacao && !passos.confirmaImportacao(e.validacao)) {
        e.fim = Execucao::Fim::ImportacaoRecusada;
        return e;
    }
    try {
        e.importacao = importador.ImportaArquivo(arquivo, protocolo.numero, passos.importacao, &e.validacao.impressao);
    } catch (const ImportacaoInterrompida &erro) {
        e.falhaNaImportacao = true;
        e.importacao = erro.parcial();
        e.mensagem = erro.message();
        return e;
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
    // A file is compacted; a server keeps its own tables in order (its
    // autovacuum), and a VACUUM there would wait for every workstation that
    // imports at the same time.
    if (!dados.ADOConnection.servidor())
        e.compactacao = orva::manutencao::compactaBanco(dados);
    e.fim = Execucao::Fim::Importado;
    return e;
}

} // namespace orva::importacao
