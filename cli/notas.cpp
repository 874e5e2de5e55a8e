#include "comandos.h"
#include "resposta.h"
#include "respostalancamento.h"

#include "shell/db/connection.h"
#include "shell/dtmdados.h"
#include "stores/notas.h"

#include <QJsonArray>
#include <QJsonObject>

// invoice save|delete|list: the invoice entry without its window, with its
// checks and messages. Exit 0 done; 1 refused or failed, nothing changed;
// 2 delete of an invoice that is not stored, nothing changed.
namespace {

using orva::stores::Notas;

const QString kUso = QStringLiteral(
    "Uso: orva-cli invoice save --protocolo N --nf N [--tipo NE|NP|NA] [--emissao DD/MM/AAAA] --valor V\n"
    "                          [--emitente IE|CPF [--cpf]] [--municipio-origem M] [--tipo-nf-origem NP|NA]\n"
    "                          [--nota-origem N] [--emissao-origem DD/MM/AAAA] [--valor-origem V]\n"
    "     orva-cli invoice delete --protocolo N --nf N [--tipo NE|NP|NA]\n"
    "     orva-cli invoice list --protocolo N");

QJsonObject chaveJson(const orva::stores::ChaveNota &c)
{
    return {{"inscricao", c.inscricao}, {"exercicio", c.exercicio}, {"municipio", c.municipio},
            {"nf", c.nf},               {"tipo", c.tipo}};
}

QJsonObject linhaJson(const orva::stores::NotaGravada &n)
{
    QJsonObject o = chaveJson(n.chave);
    o.insert("emissao", n.emissao);
    o.insert("valor", n.valor);
    o.insert("protocolo", n.protocolo);
    o.insert("operacao", n.operacao);
    o.insert("tipo_emitente_origem", n.origem.tipoEmitente);
    o.insert("emitente_origem", n.origem.emitente);
    o.insert("municipio_origem", n.origem.municipio);
    o.insert("tipo_nf_origem", n.origem.tipoNf);
    o.insert("nota_origem", n.origem.nota);
    o.insert("emissao_origem", n.origem.data);
    o.insert("valor_origem", n.origem.valor);
    return o;
}

QString textoChave(const orva::stores::ChaveNota &c)
{
    return QStringList{c.inscricao, c.exercicio, c.municipio, c.nf, c.tipo}.join(QLatin1Char('\t'));
}

int grava(const orva::cli::Opcoes &o, Notas &notas)
{
    orva::stores::NotaFiscal nota;
    nota.protocolo = o.valor("protocolo");
    nota.chave.nf = o.valor("nf");
    nota.chave.tipo = o.valor("tipo");
    nota.emissao = o.valor("emissao");
    nota.valor = o.valor("valor");
    nota.origem.cpf = o.tem("cpf");
    nota.origem.emitente = o.valor("emitente");
    nota.origem.municipio = o.valor("municipio-origem");
    nota.origem.tipoNf = o.valor("tipo-nf-origem");
    nota.origem.nota = o.valor("nota-origem");
    nota.origem.valor = o.valor("valor-origem");
    const auto dataOrigem = Notas::dataDoExercicio(o.valor("emissao-origem"));
    if (!dataOrigem)
        return orva::cli::falha(Notas::kDataForaDoExercicio);
    nota.origem.data = *dataOrigem;
    if (const auto recusa = notas.completa(nota))
        return orva::cli::falha(*recusa);
    return orva::cli::respondeGravacao(notas.grava(nota), chaveJson(nota.chave), textoChave(nota.chave));
}

int exclui(const orva::cli::Opcoes &o, Notas &notas)
{
    orva::stores::NotaFiscal nota;
    nota.protocolo = o.valor("protocolo");
    nota.chave.nf = o.valor("nf");
    nota.chave.tipo = o.valor("tipo");
    if (const auto recusa = notas.completaChave(nota))
        return orva::cli::falha(*recusa);
    return orva::cli::respondeExclusao(notas.exclui(nota.chave, nota.protocolo), chaveJson(nota.chave), textoChave(nota.chave),
                                       QStringLiteral("apagada"), QStringLiteral("retirada"),
                                       QStringLiteral("Não há nota fiscal com esta chave: nada foi excluído."));
}

int lista(const orva::cli::Opcoes &o, Notas &notas)
{
    const auto protocolo = orva::stores::numeroProtocolo(o.valor("protocolo"));
    if (!protocolo)
        return orva::cli::falha(kUso);
    auto &resposta = orva::cli::Resposta::atual();
    QJsonArray linhas;
    for (const auto &n : notas.lista(*protocolo)) {
        linhas.append(linhaJson(n));
        resposta.linha(QStringList{n.operacao, textoChave(n.chave), n.emissao, n.valor}.join(QLatin1Char('\t')));
    }
    resposta.resultado("linhas", linhas);
    return 0;
}

int nota(const QStringList &argumentos)
{
    const auto acao = orva::cli::leAcao(
        QStringLiteral("invoice"), argumentos,
        {{"save",
          {{"protocolo", "nf", "tipo", "emissao", "valor", "emitente", "municipio-origem", "tipo-nf-origem",
            "nota-origem", "emissao-origem", "valor-origem"},
           {"cpf"}}},
         {"delete", {{"protocolo", "nf", "tipo"}, {}}},
         {"list", {{"protocolo"}, {}}}},
        kUso);
    if (!acao)
        return 1;
    orva::db::Connection conexao;
    conexao.open(TdtmDados::ArquivoBanco());
    Notas notas(conexao);
    if (acao->nome == QLatin1String("save"))
        return grava(acao->opcoes, notas);
    if (acao->nome == QLatin1String("delete"))
        return exclui(acao->opcoes, notas);
    return lista(acao->opcoes, notas);
}

const orva::cli::Registro registro(
    "invoice",
    "invoice save|delete|list --protocolo N [...]  lança notas fiscais num protocolo aberto (0 feito; 1 recusado, nada alterado; 2 nada a excluir)",
    nota);

} // namespace
