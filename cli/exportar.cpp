#include "comandos.h"
#include "resposta.h"

#include "core/export/exportacao.h"
#include "core/shell/dtmdados.h"
#include "common/relogio.h"

namespace {

// Exports an open protocol as the export window does, answering "No" to
// sending it now and skipping the copy window. Success is printed only once
// the archive was read back and the protocol's mark committed.
int exporta(const QStringList &argumentos)
{
    const orva::cli::Opcoes opcoes(QStringLiteral("export"), argumentos, {QStringLiteral("protocolo")});
    if (!opcoes.valido())
        return orva::cli::falha(opcoes.erro());
    if (!opcoes.tem(QStringLiteral("protocolo")) || !opcoes.posicionais().isEmpty())
        return orva::cli::falha(QStringLiteral("Uso: orva-cli export --protocolo N"));

    TdtmDados dados;
    dados.DataModuleCreate();
    orva::exportacao::Exportador exportador(dados.ADOConnection);
    const auto execucao = exportador.executa(opcoes.valor(QStringLiteral("protocolo")), orva::hoje(), {}, {});
    if (execucao.fim != orva::exportacao::Execucao::Fim::Concluida)
        return orva::cli::falha(execucao.mensagem);
    const auto &exportacao = execucao.exportacao;
    auto &resposta = orva::cli::Resposta::atual();
    resposta.linha(exportacao.protocolo.arquivo);
    resposta.linha(exportacao.arquivoCompactado);
    resposta.resultado(QStringLiteral("protocolo"), exportacao.protocolo.numero);
    resposta.resultado(QStringLiteral("linhas"), exportacao.linhas);
    resposta.resultado(QStringLiteral("arquivo"), exportacao.protocolo.arquivo);
    resposta.resultado(QStringLiteral("arquivo_compactado"), exportacao.arquivoCompactado);
    return 0;
}

const orva::cli::Registro registro("export", "export --protocolo N         gera e compacta o arquivo de transmissão do protocolo N",
                                   exporta);

} // namespace
