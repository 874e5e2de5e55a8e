#include "comandos.h"
#include "resposta.h"
#include "respostalancamento.h"

#include "shell/db/connection.h"
#include "shell/dtmdados.h"
#include "stores/rateios.h"

#include <QJsonArray>
#include <QJsonObject>

// apportionment save|delete|list: the apportionment entry without its window,
// with its checks and messages. Exit 0 done; 1 refused or failed, nothing
// changed; 2 delete of a row that is not stored, nothing changed.
namespace {

using orva::stores::Rateios;

const QString kUso = QStringLiteral(
    "Uso: orva-cli apportionment save --protocolo N --municipio M --valor-entrada V --valor-saida V\n"
    "     orva-cli apportionment delete --protocolo N --municipio M\n"
    "     orva-cli apportionment list --protocolo N");

QJsonObject chaveJson(const orva::stores::ChaveRateio &c)
{
    return {{"inscricao", c.inscricao}, {"exercicio", c.exercicio}, {"municipio", c.municipio}};
}

QString textoChave(const orva::stores::ChaveRateio &c)
{
    return QStringList{c.inscricao, c.exercicio, c.municipio}.join(QLatin1Char('\t'));
}

orva::stores::Rateio lido(const orva::cli::Opcoes &o)
{
    orva::stores::Rateio rateio;
    rateio.protocolo = o.valor("protocolo");
    rateio.chave.municipio = o.valor("municipio");
    rateio.valorEntrada = o.valor("valor-entrada");
    rateio.valorSaida = o.valor("valor-saida");
    return rateio;
}

int grava(const orva::cli::Opcoes &o, Rateios &rateios)
{
    auto rateio = lido(o);
    if (const auto recusa = rateios.completa(rateio))
        return orva::cli::falha(*recusa);
    return orva::cli::respondeGravacao(rateios.grava(rateio), chaveJson(rateio.chave), textoChave(rateio.chave));
}

int exclui(const orva::cli::Opcoes &o, Rateios &rateios)
{
    auto rateio = lido(o);
    if (const auto recusa = rateios.completaChave(rateio))
        return orva::cli::falha(*recusa);
    return orva::cli::respondeExclusao(rateios.exclui(rateio.chave, rateio.protocolo), chaveJson(rateio.chave), textoChave(rateio.chave),
                                       QStringLiteral("apagado"), QStringLiteral("retirado"),
                                       QStringLiteral("Não há rateio deste município: nada foi excluído."));
}

// The rows the entry's grid shows for the protocol's declarant and exercise.
int lista(const orva::cli::Opcoes &o, Rateios &rateios)
{
    auto rateio = lido(o);
    const auto protocolo = rateios.protocoloAberto(rateio.protocolo);
    if (!protocolo)
        return orva::cli::falha(Rateios::kProtocoloInvalido);
    auto &resposta = orva::cli::Resposta::atual();
    QJsonArray linhas;
    for (const auto &r : rateios.lista(protocolo->inscricao, protocolo->exercicio)) {
        QJsonObject linha = chaveJson(r.chave);
        linha.insert("valor_entrada", r.valorEntrada);
        linha.insert("valor_saida", r.valorSaida);
        linha.insert("protocolo", r.protocolo);
        linha.insert("operacao", r.operacao);
        linhas.append(linha);
        resposta.linha(QStringList{r.operacao, textoChave(r.chave), r.valorEntrada, r.valorSaida, r.protocolo}
                           .join(QLatin1Char('\t')));
    }
    resposta.resultado("linhas", linhas);
    return 0;
}

int rateio(const QStringList &argumentos)
{
    const auto acao = orva::cli::leAcao(QStringLiteral("apportionment"), argumentos,
                                        {{"save", {{"protocolo", "municipio", "valor-entrada", "valor-saida"}, {}}},
                                         {"delete", {{"protocolo", "municipio"}, {}}},
                                         {"list", {{"protocolo"}, {}}}},
                                        kUso);
    if (!acao)
        return 1;
    orva::db::Connection conexao;
    conexao.open(TdtmDados::ArquivoBanco());
    Rateios rateios(conexao);
    if (acao->nome == QLatin1String("save"))
        return grava(acao->opcoes, rateios);
    if (acao->nome == QLatin1String("delete"))
        return exclui(acao->opcoes, rateios);
    return lista(acao->opcoes, rateios);
}

const orva::cli::Registro registro(
    "apportionment",
    "apportionment save|delete|list --protocolo N [...]  lança o rateio por município num protocolo aberto (0 feito; 1 recusado, nada alterado; 2 nada a excluir)",
    rateio);

} // namespace
