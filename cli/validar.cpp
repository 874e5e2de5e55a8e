#include "comandos.h"

#include "import/validacao.h"
#include "shell/dtmdados.h"
#include "shell/funcoes.h"

#include <QTextStream>

namespace {

// Checks every record of an import file against an open invoice protocol,
// as the import window's validation does; the report goes to stdout.
int valida(const QStringList &argumentos)
{
    const orva::cli::Opcoes opcoes(QStringLiteral("validate"), argumentos, {QStringLiteral("protocolo")});
    if (!opcoes.valido())
        return orva::cli::falha(opcoes.erro());
    if (!opcoes.tem(QStringLiteral("protocolo")) || opcoes.posicionais().size() != 1)
        return orva::cli::falha(QStringLiteral("Uso: orva-cli validate --protocolo N ARQUIVO"));

    TdtmDados dados;
    dados.DataModuleCreate();
    dtmDados = &dados;
    orva::importacao::Importador importador(dados.ADOConnection);
    const auto protocolo = importador.VerificaProtocolo(opcoes.valor(QStringLiteral("protocolo")));
    if (!protocolo)
        return orva::cli::falha(orva::importacao::mensagemProtocoloInvalido());
    if (Funcoes::BuscaDescricaoChaves(QStringLiteral("Empresa"), QStringLiteral("Inscricao"), protocolo->inscricao,
                                      QStringLiteral("TIPO_DECLARA"), QStringLiteral("0"), QStringLiteral("Razao"))
        == QStringLiteral("Não Cadastrado"))
        return orva::cli::falha(QStringLiteral("A empresa %1 do protocolo não está cadastrada como declarante de "
                                               "notas fiscais.")
                                    .arg(protocolo->inscricao));

    QTextStream out(stdout);
    orva::importacao::Acompanhamento acompanhamento;
    acompanhamento.relatorio = [&out](const QString &entrada) { out << entrada << '\n'; };
    const auto r = importador.ValidaArquivo(opcoes.posicionais().first(), protocolo->inscricao, protocolo->exercicio,
                                            acompanhamento);
    out.flush();
    if (r.erros > 0)
        return orva::cli::falha(orva::importacao::mensagemErrosValidacao());
    QTextStream(stderr) << QStringLiteral("Arquivo sem erros: %1 registros validados.").arg(r.processados) << Qt::endl;
    return 0;
}

const orva::cli::Registro registro("validate",
                                   "validate --protocolo N ARQ   valida o arquivo de notas ARQ para o protocolo N "
                                   "(relatório na saída; 0 sem erros, 1 com erros)",
                                   valida);

} // namespace
