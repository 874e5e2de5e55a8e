#include "cadastro.h"
#include "respostalancamento.h"

#include "core/stores/rateios.h"

// apportionment save|delete|list: the apportionment entry without its window,
// with its checks and messages.
namespace {

namespace cad = orva::cli::cadastro;
using orva::stores::Rateios;

const char *const kUso =
    "apportionment save --protocolo N --municipio N --valor-entrada V --valor-saida V | apportionment delete "
    "--protocolo N --municipio N | apportionment list --protocolo N";

// The answer's keys: the options' names; a listed row has them all.
const QStringList kChave{"inscricao", "exercicio", "municipio"};
const QStringList kColunas =
    QStringList{"operacao"} + kChave + QStringList{"valor-entrada", "valor-saida", "protocolo"};

QJsonObject chaveJson(const orva::stores::ChaveRateio &c)
{
    return {{kChave.at(0), c.inscricao}, {kChave.at(1), c.exercicio}, {kChave.at(2), c.municipio}};
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

int grava(const orva::cli::Opcoes &o, orva::db::Connection &conexao)
{
    auto rateio = lido(o);
    Rateios rateios(conexao);
    if (const auto recusa = rateios.completa(rateio))
        return cad::recusa(*recusa);
    return orva::cli::respondeGravacao(rateios.grava(rateio), chaveJson(rateio.chave), textoChave(rateio.chave));
}

int exclui(const orva::cli::Opcoes &o, orva::db::Connection &conexao)
{
    auto rateio = lido(o);
    Rateios rateios(conexao);
    if (const auto recusa = rateios.completaChave(rateio))
        return cad::recusa(*recusa);
    return orva::cli::respondeExclusao(
        rateios.exclui(rateio.chave, rateio.protocolo), chaveJson(rateio.chave), textoChave(rateio.chave),
        QStringLiteral("apagado"), QStringLiteral("retirado"),
        QStringLiteral("Não há rateio do município %1: nada foi excluído. Confira com orva-cli apportionment list "
                       "--protocolo %2.")
            .arg(rateio.chave.municipio, rateio.protocolo));
}

// The rows the entry's grid shows for the protocol's declarant and exercise.
int lista(const orva::cli::Opcoes &o, orva::db::Connection &conexao)
{
    Rateios rateios(conexao);
    const auto protocolo = rateios.protocoloAberto(o.valor("protocolo"));
    if (!protocolo)
        return cad::recusa(Rateios::kProtocoloInvalido);
    QJsonArray linhas;
    for (const auto &r : rateios.lista(protocolo->inscricao, protocolo->exercicio)) {
        QJsonObject linha = chaveJson(r.chave);
        linha.insert("operacao", r.operacao);
        linha.insert("valor-entrada", r.valorEntrada);
        linha.insert("valor-saida", r.valorSaida);
        linha.insert("protocolo", r.protocolo);
        linhas.append(linha);
    }
    return cad::lista(kColunas, linhas);
}

int rateio(const QStringList &argumentos)
{
    const QStringList protocolo{"protocolo"};
    return cad::executa(QStringLiteral("apportionment"), QString::fromLatin1(kUso), argumentos,
                        {{"save", {"protocolo", "municipio", "valor-entrada", "valor-saida"}, protocolo, grava},
                         {"delete", {"protocolo", "municipio"}, protocolo, exclui},
                         {"list", protocolo, protocolo, lista}});
}

const orva::cli::Registro registro("apportionment",
                                   "apportionment save|delete|list  lança, exclui ou lista o rateio por município de "
                                   "um protocolo aberto (--protocolo, --municipio, --valor-entrada, --valor-saida); "
                                   ORVA_CADASTRO_SAIDAS,
                                   rateio);

} // namespace
