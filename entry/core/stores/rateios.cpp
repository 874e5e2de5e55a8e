#include "rateios.h"

#include "core/db/connection.h"
#include "core/db/query.h"
#include "core/db/sqltexto.h"
#include "core/shell/regional.h"

namespace orva::stores {

namespace {

// One row: the table, followed by the municipality's key.
const QString kSelectRateio = QStringLiteral("Select * From Rateio");
// Re-declaration of an earlier protocol's row, followed by the key condition.
const QString kRedeclara = QStringLiteral(
    "Update Rateio Set  INSCRICAO = :pInscricao ,EXERCICIO = :pExercicio ,MUNICIPIO = :pMunicipio "
    ",VALOR_ENTRADA = :pValorEntrada ,VALOR_SAIDA = :pValorSaida ,PROTOCOLO = :pProtocolo  ,OPERACAO = 'A'");
const QString kInsere = QStringLiteral(
    "Insert into Rateio ( INSCRICAO, EXERCICIO, MUNICIPIO, VALOR_ENTRADA, VALOR_SAIDA, PROTOCOLO, OPERACAO )"
    "Values ( :pInscricao, :pExercicio, :pMunicipio, :pValorEntrada, :pValorSaida, :pProtocolo,'I' )");
// Physical delete, followed by the key condition.
const QString kApaga = QStringLiteral("Delete From Rateio ");
// Withdrawal: the number, then " ,OPERACAO = 'E'" and the key condition.
const QString kRetira = QStringLiteral("Update Rateio Set ") + QStringLiteral("  PROTOCOLO = ");
const QString kOperacaoE = QStringLiteral(" ,OPERACAO = 'E'");
// The grid: followed by the declarant and the exercise in quotes.
const QString kGrade = QStringLiteral("Select INSCRICAO AS [InscEst Declarante], Exercicio as [Ano de Base], Municipio, "
                                      "Valor_Entrada as [Valor das Entradas], Valor_Saida as [Valor das Saidas] ")
                       + QStringLiteral(" From vwRateio Where Inscricao = ");
const QString kGradeExercicio = QStringLiteral(" And Exercicio = ");
// The declarant's rows of an exercise, in municipality order.
const QString kOrdem = QStringLiteral(" Order By Municipio");
// The declaration's reads, each followed by the protocol number.
const QString kDaDeclaracao = QStringLiteral("Select * From Rateio Where Protocolo = ");
const QString kOrdemDeEntrada = QStringLiteral(" Order By rowid");
const QString kTotalEntradas = QStringLiteral("Select Sum(VALOR_ENTRADA) as Resultado from Rateio where protocolo = ");
const QString kTotalSaidas = QStringLiteral("Select Sum(VALOR_SAIDA) as Resultado from Rateio where protocolo = ");
const QString kQuantidade = QStringLiteral("Select Count(Municipio) as Resultado from Rateio where protocolo = ");
// Amounts summed as whole cents: the same figures on every run and engine.
const QString kRetrato = QStringLiteral(
    "Select Count(*), Max(rowid), Sum(Cast(Round(VALOR_ENTRADA * 100) As BigInt)), "
    "Sum(Cast(Round(VALOR_SAIDA * 100) As BigInt)) From Rateio Where Protocolo = ");

QString condicao(const ChaveRateio &c) { return condicaoDoMunicipio(c.inscricao, c.exercicio, c.municipio); }

qint64 numeroDe(const QString &protocolo)
{
    const auto numero = numeroProtocolo(protocolo);
    if (!numero)
        throw orva::Error(Rateios::kProtocoloNaoNumerico);
    return *numero;
}

} // namespace

std::optional<ProtocoloAberto> Rateios::protocoloAberto(const QString &numero)
{
    return stores::protocoloAberto(m_conexao, numero, 1);
}

QString Rateios::declarante(const QString &inscricao)
{
    return stores::declarante(m_conexao, inscricao, QStringLiteral("1"));
}

Gravacao Rateios::grava(const Rateio &rateio)
{
    if (!valorPositivo(rateio.valorEntrada))
        return {Gravacao::Como::Recusada, kEntradaZero};
    if (!valorPositivo(rateio.valorSaida))
        return {Gravacao::Como::Recusada, kSaidaZero};
    const qint64 protocolo = numeroDe(rateio.protocolo);

    db::Command cmd(m_conexao);
    db::Parameters &p = cmd.parameters();
    using db::ParamKind;
    p.add(QStringLiteral("pInscricao"), ParamKind::Text).setValue(rateio.chave.inscricao);
    p.add(QStringLiteral("pExercicio"), ParamKind::Text).setValue(rateio.chave.exercicio);
    p.add(QStringLiteral("pMunicipio"), ParamKind::Text).setValue(rateio.chave.municipio);
    // The amounts as shown; the parameters read "1.234,56" as 1234.56.
    p.add(QStringLiteral("pValorEntrada"), ParamKind::Float).setValue(rateio.valorEntrada);
    p.add(QStringLiteral("pValorSaida"), ParamKind::Float).setValue(rateio.valorSaida);
    p.add(QStringLiteral("pProtocolo"), ParamKind::Integer).setValue(protocolo);
    return gravaNoProtocolo(m_conexao, protocolo, 1, kSelectRateio + condicao(rateio.chave), cmd, kInsere,
                            kRedeclara + condicao(rateio.chave), kJaCadastrado);
}

Exclusao Rateios::exclui(const ChaveRateio &chave, const QString &protocolo)
{
    const qint64 numero = numeroDe(protocolo);
    // Withdrawn: the row stays, marked, in this protocol.
    return excluiDoProtocolo(m_conexao, numero, 1, kSelectRateio + condicao(chave), kApaga + condicao(chave),
                             kRetira + QString::number(numero) + kOperacaoE + condicao(chave));
}

void Rateios::abreGrade(db::Query &grade, const QString &inscricao, const QString &exercicio)
{
    grade.close();
    grade.setSql(kGrade + db::textoSql(inscricao) + kGradeExercicio + db::textoSql(exercicio));
    grade.open();
}

std::vector<RateioGravado> Rateios::lista(const QString &inscricao, const QString &exercicio)
{
    db::Query q(m_conexao);
    q.setSql(kSelectRateio + condicaoDoDeclarante(inscricao, exercicio) + kOrdem);
    q.open();
    std::vector<RateioGravado> linhas;
    for (; !q.eof(); q.next()) {
        const auto campo = [&q](const char *nome) { return q.fieldByName(QString::fromLatin1(nome)).asString(); };
        linhas.push_back({{campo("INSCRICAO"), campo("EXERCICIO"), campo("MUNICIPIO")},
                          campo("VALOR_ENTRADA"),
                          campo("VALOR_SAIDA"),
                          campo("PROTOCOLO"),
                          campo("OPERACAO")});
    }
    return linhas;
}

std::optional<QString> Rateios::completaChave(Rateio &rateio)
{
    ChaveRateio &chave = rateio.chave;
    const auto protocolo = protocoloAberto(rateio.protocolo);
    if (!protocolo)
        return kProtocoloInvalido;
    completaChaveDoProtocolo(m_conexao, *protocolo, QStringLiteral("1"), chave.exercicio, chave.inscricao,
                             chave.municipio);
    return campoFaltando(kFaltaCampo, {{rateio.protocolo, QStringLiteral("Número do Protocolo de Transmissão")},
                                       {chave.exercicio, QStringLiteral("Ano Base")},
                                       {chave.inscricao, QStringLiteral("Inscrição Estadual do Declarante das Entradas")},
                                       {chave.municipio, QStringLiteral("Município de origem da Nota Fiscal")}});
}

std::optional<QString> Rateios::completa(Rateio &rateio)
{
    if (auto recusa = completaChave(rateio))
        return recusa;
    for (auto [valor, recusa] : {std::pair{&rateio.valorEntrada, kEntradaZero}, std::pair{&rateio.valorSaida, kSaidaZero}}) {
        if (valor->isEmpty())
            continue;
        const auto numero = valorPositivo(*valor);
        if (!numero)
            return recusa;
        *valor = regional::formatAmount(*numero);
    }
    return campoFaltando(kFaltaCampo, {{rateio.valorEntrada, QStringLiteral("Valor Total das Entradas do Periodo")},
                                       {rateio.valorSaida, QStringLiteral("Valor Total das Saidas do Periodo.")}});
}

void Rateios::abreDoProtocolo(db::Query &linhas, qint64 protocolo)
{
    linhas.setSql(kDaDeclaracao + QString::number(protocolo) + kOrdemDeEntrada);
    linhas.open();
}

double Rateios::totalEntradas(qint64 protocolo) { return resultado(m_conexao, kTotalEntradas, protocolo).asFloat(); }

double Rateios::totalSaidas(qint64 protocolo) { return resultado(m_conexao, kTotalSaidas, protocolo).asFloat(); }

qint64 Rateios::quantidade(qint64 protocolo) { return resultado(m_conexao, kQuantidade, protocolo).asInteger(); }

QString Rateios::retrato(qint64 protocolo) { return retratoDasLinhas(m_conexao, kRetrato, protocolo); }

} // namespace orva::stores
