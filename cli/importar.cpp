#include "comandos.h"
#include "pedidoimportacao.h"

#include "import/validacao.h"
#include "maintenance/manutencao.h"
#include "shell/dtmdados.h"
#include "shell/funcoes.h"

#include <QTextStream>

namespace {

// Validates an import file and, when it is free of errors, imports it under
// the protocol and compacts the database, as the import window does when the
// user agrees. The report of the pass that ran last goes to stdout.
// Exit status: 0 every record imported; 1 validation errors (nothing
// written); 2 some records could not be written; 3 every record imported but
// the compaction failed.
int importa(const QStringList &argumentos)
{
    TdtmDados dados;
    dados.DataModuleCreate();
    dtmDados = &dados;
    orva::importacao::Importador importador(dados.ADOConnection);
    const auto pedido = orva::cli::lePedidoImportacao(QStringLiteral("import"), argumentos, importador);
    if (!pedido)
        return 1;
    const QString &arquivo = pedido->arquivo;
    const QString &numero = pedido->protocolo.numero;
    const auto &protocolo = pedido->protocolo;

    QTextStream err(stderr);
    orva::cli::SaidaRelatorio saida(pedido->formato);
    orva::importacao::Acompanhamento acompanhamento;
    saida.acompanha(acompanhamento);
    const auto validacao = importador.ValidaArquivo(arquivo, protocolo.inscricao, protocolo.exercicio, acompanhamento);
    if (validacao.erros > 0) {
        saida.termina(QStringLiteral("validacao"), validacao, validacao.diagnostico);
        return orva::cli::falha(orva::importacao::mensagemErrosValidacao());
    }

    orva::importacao::Resultado importacao;
    try {
        importacao = importador.ImportaArquivo(arquivo, numero, acompanhamento);
    } catch (const orva::Error &e) {
        saida.termina(QStringLiteral("importacao"), importacao, validacao.diagnostico);
        err << e.message() << Qt::endl;
        return 2;
    }
    saida.termina(QStringLiteral("importacao"), importacao, validacao.diagnostico);
    if (importacao.erros > 0) {
        err << orva::importacao::mensagemErrosImportacao() << Qt::endl;
        return 2;
    }
    const auto compactacao = orva::manutencao::compactaBanco(dados);
    err << compactacao.mensagem << Qt::endl;
    err << orva::importacao::mensagemSemErros() << QStringLiteral(": %1 notas.").arg(importacao.importados) << Qt::endl;
    return compactacao.ok ? 0 : 3;
}

const orva::cli::Registro registro("import",
                                   "import --protocolo N ARQ     valida e importa o arquivo de notas ARQ no protocolo N "
                                   "(--formato texto|csv|json; 0 tudo importado, 1 erros de validação, 2 notas não gravadas, 3 falha na compactação)",
                                   importa);

} // namespace
