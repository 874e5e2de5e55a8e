#include "cadastro.h"
#include "respostalancamento.h"

#include "core/stores/notas.h"

// invoice save|delete|list: the invoice entry without its window, with its
// checks and messages.
namespace {

namespace cad = orva::cli::cadastro;
using orva::stores::Notas;

const char *const kUso =
    "invoice save --protocolo N --nf N [--tipo NE|NP|NA] [--emissao DD/MM/AAAA] --valor V [--emitente N "
    "--tipo-emitente 1|2 --municipio-origem N --tipo-nf-origem NP|NA --nota-origem N --emissao-origem DD/MM/AAAA "
    "--valor-origem V] | invoice delete --protocolo N --nf N [--tipo NE|NP|NA] | invoice list --protocolo N";

// The answer's keys: the options' names; a listed row has them all.
const QStringList kChave{"inscricao", "exercicio", "municipio", "nf", "tipo"};
const QStringList kColunas = QStringList{"operacao"} + kChave + QStringList{"emissao", "valor", "protocolo"};

// Emitter kinds as the window's radio buttons number them.
const QString kInscricaoEstadual = QStringLiteral("1");
const QString kCpf = QStringLiteral("2");

QJsonObject chaveJson(const orva::stores::ChaveNota &c)
{
    const QStringList valores{c.inscricao, c.exercicio, c.municipio, c.nf, c.tipo};
    QJsonObject o;
    for (int i = 0; i < kChave.size(); ++i)
        o.insert(kChave.at(i), valores.at(i));
    return o;
}

QString textoChave(const orva::stores::ChaveNota &c)
{
    return QStringList{c.inscricao, c.exercicio, c.municipio, c.nf, c.tipo}.join(QLatin1Char('\t'));
}

QJsonObject linhaJson(const orva::stores::NotaGravada &n)
{
    QJsonObject o = chaveJson(n.chave);
    o.insert("operacao", n.operacao);
    o.insert("emissao", n.emissao);
    o.insert("valor", n.valor);
    o.insert("protocolo", n.protocolo);
    o.insert("tipo-emitente", QString::number(n.origem.tipoEmitente));
    o.insert("emitente", n.origem.emitente);
    o.insert("municipio-origem", n.origem.municipio);
    o.insert("tipo-nf-origem", n.origem.tipoNf);
    o.insert("nota-origem", n.origem.nota);
    o.insert("emissao-origem", n.origem.data);
    o.insert("valor-origem", n.origem.valor);
    return o;
}

// The invoice as the options give it; the key fields the protocol gives are filled by the store.
orva::stores::NotaFiscal lida(const orva::cli::Opcoes &o)
{
    orva::stores::NotaFiscal nota;
    nota.protocolo = o.valor("protocolo");
    nota.chave.nf = o.valor("nf");
    nota.chave.tipo = o.valor("tipo");
    nota.emissao = o.valor("emissao");
    nota.valor = o.valor("valor");
    nota.origem.cpf = o.valor("tipo-emitente") == kCpf;
    nota.origem.emitente = o.valor("emitente");
    nota.origem.municipio = o.valor("municipio-origem");
    nota.origem.tipoNf = o.valor("tipo-nf-origem");
    nota.origem.nota = o.valor("nota-origem");
    nota.origem.valor = o.valor("valor-origem");
    return nota;
}

int grava(const orva::cli::Opcoes &o, orva::db::Connection &conexao)
{
    auto nota = lida(o);
    const QString tipoEmitente = o.tem("tipo-emitente") ? o.valor("tipo-emitente") : kInscricaoEstadual;
    if (tipoEmitente != kInscricaoEstadual && tipoEmitente != kCpf)
        return cad::recusa(QStringLiteral("O tipo do emitente de origem é 1 (inscrição estadual) ou 2 (CPF): "
                                          "corrija --tipo-emitente."));
    const auto dataOrigem = Notas::dataDoExercicio(o.valor("emissao-origem"));
    if (!dataOrigem)
        return cad::recusa(Notas::kDataForaDoExercicio);
    nota.origem.data = *dataOrigem;
    Notas notas(conexao);
    if (const auto recusa = notas.completa(nota))
        return cad::recusa(*recusa);
    return orva::cli::respondeGravacao(notas.grava(nota), chaveJson(nota.chave), textoChave(nota.chave));
}

int exclui(const orva::cli::Opcoes &o, orva::db::Connection &conexao)
{
    auto nota = lida(o);
    Notas notas(conexao);
    if (const auto recusa = notas.completaChave(nota))
        return cad::recusa(*recusa);
    return orva::cli::respondeExclusao(
        notas.exclui(nota.chave, nota.protocolo), chaveJson(nota.chave), textoChave(nota.chave),
        QStringLiteral("apagada"), QStringLiteral("retirada"),
        QStringLiteral("A nota fiscal %1 do tipo %2 não está lançada: nada foi excluído. Confira com orva-cli "
                       "invoice list --protocolo %3.")
            .arg(nota.chave.nf, nota.chave.tipo, nota.protocolo));
}

int lista(const orva::cli::Opcoes &o, orva::db::Connection &conexao)
{
    const auto protocolo = orva::stores::numeroProtocolo(o.valor("protocolo"));
    if (!protocolo)
        return cad::recusa(QStringLiteral("O número do protocolo deve conter apenas dígitos."));
    QJsonArray linhas;
    for (const auto &n : Notas(conexao).lista(*protocolo))
        linhas.append(linhaJson(n));
    return cad::lista(kColunas, linhas);
}

int nota(const QStringList &argumentos)
{
    const QStringList protocolo{"protocolo"};
    return cad::executa(QStringLiteral("invoice"), QString::fromLatin1(kUso), argumentos,
                        {{"save",
                          {"protocolo", "nf", "tipo", "emissao", "valor", "emitente", "tipo-emitente",
                           "municipio-origem", "tipo-nf-origem", "nota-origem", "emissao-origem", "valor-origem"},
                          protocolo, grava},
                         {"delete", {"protocolo", "nf", "tipo"}, protocolo, exclui},
                         {"list", protocolo, protocolo, lista}});
}

const orva::cli::Registro registro("invoice",
                                   "invoice save|delete|list     lança, exclui ou lista as notas fiscais de um "
                                   "protocolo aberto (--protocolo, --nf, --tipo, --valor, ...); " ORVA_CADASTRO_SAIDAS,
                                   nota);

} // namespace
