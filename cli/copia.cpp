#include "comandos.h"
#include "resposta.h"

#include "core/db/connection.h"
#include "core/db/copiabanco.h"
#include "core/db/query.h"
#include "core/db/traducao.h"
#include "core/shell/dtmdados.h"
#include "core/shell/instalacao.h"
#include "core/stores/empresas.h"

#include <QFileInfo>
#include <QJsonObject>

namespace {

const QString kUso = QStringLiteral("Uso: orva-cli copy --para CONEXAO | --de CONEXAO");

// A server database that holds companies already is someone's data: the
// copy into it is refused inside its transaction, before anything changes.
void recusaServidorComEmpresas(orva::db::Connection &servidor)
{
    if (orva::stores::Empresas::quantas(servidor) > 0)
        throw orva::Error(QStringLiteral("O banco de dados no servidor já tem empresas cadastradas e não foi alterado.\n"
                                         "Para trazer esses dados para esta pasta, use orva-cli copy --de; para levar "
                                         "orva.mdb ao servidor, informe um banco de dados vazio."));
}

// Copies the program folder's orva.mdb into a server database (--para) or a
// server database into orva.mdb (--de), in one transaction on the target.
int copy(const QStringList &argumentos)
{
    const orva::cli::Opcoes opcoes(QStringLiteral("copy"), argumentos, {QStringLiteral("para"), QStringLiteral("de")});
    if (!opcoes.valido())
        return orva::cli::falha(opcoes.erro() + QLatin1Char('\n') + kUso);
    const bool para = opcoes.tem(QStringLiteral("para"));
    if (!opcoes.posicionais().isEmpty() || para == opcoes.tem(QStringLiteral("de")))
        return orva::cli::falha(kUso);
    const QString servidor = opcoes.valor(para ? QStringLiteral("para") : QStringLiteral("de"));
    // Only a server is meant here: a file path would copy between two files.
    if (!orva::db::ehServidor(servidor))
        return orva::cli::falha(QStringLiteral("\"%1\" não é uma conexão com um servidor PostgreSQL (por exemplo "
                                               "\"host=servidor dbname=orva\" ou \"postgresql://servidor/orva\"). "
                                               "Nada foi copiado.\n%2")
                                    .arg(servidor, kUso));
    const QString arquivo = TdtmDados::ArquivoBanco();
    if (!QFileInfo(arquivo).isFile())
        return orva::cli::falha(QStringLiteral("Banco de dados não encontrado: %1\n%2")
                                    .arg(arquivo, para ? QStringLiteral("Não há o que copiar.")
                                                       : QStringLiteral("Prepare a pasta com orva-cli init antes.")));

    orva::db::Connection banco;
    banco.open(arquivo);
    TdtmDados::VerificaBanco(banco);
    orva::db::Connection remoto;
    remoto.open(servidor);
    std::vector<orva::db::TabelaCopiada> copiadas;
    if (para) {
        copiadas = orva::db::copiaBanco(banco, remoto, orva::db::tabelasDoBanco(), [&] {
            if (remoto.hasServerSchema())
                recusaServidorComEmpresas(remoto);
            else
                remoto.createSchemaOnServer(orva::install::serverDatabaseScript());
        });
    } else {
        TdtmDados::VerificaBanco(remoto);
        copiadas = orva::db::copiaBanco(remoto, banco);
    }

    auto &resposta = orva::cli::Resposta::atual();
    QJsonObject linhas;
    qint64 total = 0;
    for (const auto &t : copiadas) {
        linhas.insert(t.tabela, t.linhas);
        total += t.linhas;
        resposta.linha(QStringLiteral("%1\t%2").arg(t.tabela).arg(t.linhas));
    }
    resposta.mensagem(QStringLiteral("Cópia concluída e conferida: %1 linhas em %2 tabelas.").arg(total).arg(copiadas.size()));
    resposta.resultado(QStringLiteral("tabelas"), linhas);
    return 0;
}

const orva::cli::Registro registro("copy",
                                   "copy --para CONEXAO | --de CONEXAO  copia orva.mdb para um banco PostgreSQL vazio "
                                   "(--para) ou os dados do servidor para orva.mdb (--de)",
                                   copy);

} // namespace
