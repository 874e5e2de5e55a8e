#include "comandos.h"
#include "resposta.h"

#include "core/shell/funcoesbase.h"
#include "core/shell/instalacao.h"

#include <QDir>

namespace {

// Prepares an empty program folder: orva.mdb and the working folders; with
// --servidor, a workstation on a server database instead: the tables made
// there (or joined, when another workstation made them), the working folders
// and Orva.ini's [Banco] setting.
int init(const QStringList &argumentos)
{
    const orva::cli::Opcoes opcoes(QStringLiteral("init"), argumentos, {QStringLiteral("servidor")});
    if (!opcoes.valido())
        return orva::cli::falha(opcoes.erro());
    if (!opcoes.posicionais().isEmpty())
        return orva::cli::falha(QStringLiteral("Uso: orva-cli init [--servidor CONEXAO]"));
    auto &resposta = orva::cli::Resposta::atual();
    const QString pasta = Funcoes::DiretorioSistema();
    if (opcoes.tem(QStringLiteral("servidor"))) {
        const auto estacao = orva::install::prepareServerWorkstation(pasta, opcoes.valor(QStringLiteral("servidor")));
        if (estacao.tabelasCriadas)
            resposta.mensagem(QStringLiteral("Tabelas e registros de referência criados no servidor."));
        else if (estacao.atualizadaDe)
            resposta.mensagem(QStringLiteral("As tabelas do servidor foram atualizadas da versão %1 para a atual.")
                                  .arg(*estacao.atualizadaDe));
        else
            resposta.mensagem(QStringLiteral("O servidor já tinha as tabelas do Orva: esta pasta passa a usá-las."));
        if (estacao.bancoLocal)
            resposta.mensagem(QStringLiteral("O orva.mdb desta pasta fica como está e deixa de ser usado; para levar "
                                             "os dados dele ao servidor, use orva-cli copy --para."));
        const QString ini = QDir(pasta).absoluteFilePath(QStringLiteral("Orva.ini"));
        resposta.mensagem(QStringLiteral("Estação pronta: %1 aponta para o banco no servidor.").arg(ini));
        resposta.resultado(QStringLiteral("servidor"), true);
        resposta.resultado(QStringLiteral("tabelas_criadas"), estacao.tabelasCriadas);
        resposta.resultado(QStringLiteral("pasta"), QDir(pasta).absolutePath());
        return 0;
    }
    orva::install::createProgramFolder(pasta);
    const QString banco = QDir(pasta).absoluteFilePath(QStringLiteral("orva.mdb"));
    resposta.linha(banco);
    resposta.resultado(QStringLiteral("banco"), banco);
    return 0;
}

const orva::cli::Registro registro("init",
                                   "init [--servidor CONEXAO]    cria orva.mdb e as pastas numa pasta de programa vazia; "
                                   "com --servidor, prepara a pasta como estação de um banco PostgreSQL (cria as tabelas ou usa as que já existem)",
                                   init);

} // namespace
