#include "notas.h"

#include "core/db/bulkinsert.h"
#include "core/db/connection.h"
#include "core/db/query.h"
#include "core/db/sqltexto.h"
#include "core/shell/funcoesbase.h"
#include "core/shell/regional.h"

namespace orva::stores {

namespace {

// One invoice: the table, then after the municipality's key its number and
// type, each followed by its value in quotes.
const QString kSelectNota = QStringLiteral("Select * From NOTAS");
const QString kENf = QStringLiteral(" And NF = ");
const QString kETipo = QStringLiteral(" And TIPO = ");
// Re-declaration of an earlier protocol's invoice, followed by the key condition.
const QString kRedeclara = QStringLiteral(
    "Update Notas Set  DTA_EMIT_NF = :pDtEmissao ,TIPO = :pTipo ,VALOR_NF = :pValorNF "
    ",TIPO_EMITENTE = :pTipoEmitente ,TIPO_EMITENTE_ORIGEM = :pTipoEmitenteOrigem "
    ",EMITENTE_NOTA_ORIGEM = :pEmitenteOrigem ,TIPO_NF_ORIGEM = :pTipoNfOrigem "
    ",NOTA_ORIGEM = :pNotaOrigem ,DTA_NF_ORIGEM = :pDtEmissaoOrigem "
    ",VALOR_NF_ORIGEM = :pValorNfOrigem ,MUNICIPIO_ORIGEM = :pMunicipioOrigem "
    ",PROTOCOLO = :pProtocolo ,OPERACAO = 'A'");
const QString kInsere = QStringLiteral(
    "Insert into NOTAS (  INSCRICAO, EXERCICIO, MUNICIPIO,  NF, DTA_EMIT_NF, TIPO, VALOR_NF, "
    "TIPO_EMITENTE,  NOTA_ORIGEM, DTA_NF_ORIGEM, TIPO_EMITENTE_ORIGEM, EMITENTE_NOTA_ORIGEM, "
    "TIPO_NF_ORIGEM, VALOR_NF_ORIGEM, MUNICIPIO_ORIGEM, PROTOCOLO, OPERACAO )  Values ( :pInscricao, "
    ":pExercicio, :pMunicipio, :pNotaFiscal, :pDtEmissao, :pTipo, :pValorNF, :pTipoEmitente, "
    ":pNotaOrigem, :pDtEmissaoOrigem, :pTipoEmitenteOrigem, :pEmitenteOrigem, :pTipoNfOrigem, "
    ":pValorNfOrigem, :pMunicipioOrigem, :pProtocolo, 'I')");
// Physical delete, followed by the key condition.
const QString kApaga = QStringLiteral("Delete From NOTAS ");
// Withdrawal: the number, then " ,OPERACAO = 'E'" and the key condition.
const QString kRetira = QStringLiteral("Update Notas Set ") + QStringLiteral("  PROTOCOLO = ");
const QString kOperacaoE = QStringLiteral(" ,OPERACAO = 'E'");
// The invoices of one protocol, followed by the number and the order.
const QString kSelectDoProtocolo = QStringLiteral("Select * From NOTAS Where Protocolo = ");
const QString kOrdem = QStringLiteral(" Order By Inscricao, Exercicio, Municipio, NF, TIPO");
// The protocol under which an invoice of the same key is stored.
const QString kProtocoloDaNota = QStringLiteral("Select Protocolo From Notas Where INSCRICAO = :p1 And EXERCICIO = :p2 "
                                                "And MUNICIPIO = :p3 And NF = :p4 And TIPO = :p5");
// The declaration's reads, each followed by the protocol number.
const QString kDaDeclaracao = QStringLiteral("Select * From Notas Where Protocolo = ");
const QString kOrdemDeEntrada = QStringLiteral(" Order By rowid");
const QString kValorTotal = QStringLiteral("Select Sum(VALOR_NF) as Resultado from Notas where protocolo = ");
const QString kQuantidade = QStringLiteral("Select Count(NF) as Resultado from Notas where protocolo = ");
// The amounts are summed as whole cents, so the same rows give the same
// figures on every run and engine (a floating-point sum may differ in its
// last digits with the order a server adds them in).
const QString kRetrato = QStringLiteral(
    "Select Count(*), Max(rowid), Sum(Cast(Round(VALOR_NF * 100) As BigInt)) From Notas Where Protocolo = ");
// The import's insert: every value a parameter, the operation too.
const QString kInsereImportada = QStringLiteral(
    "Insert into Notas ( INSCRICAO, EXERCICIO, MUNICIPIO, NF, DTA_EMIT_NF, TIPO, VALOR_NF, TIPO_EMITENTE, "
    "NOTA_ORIGEM, DTA_NF_ORIGEM, EMITENTE_NOTA_ORIGEM,TIPO_NF_ORIGEM, VALOR_NF_ORIGEM, TIPO_EMITENTE_ORIGEM,"
    "MUNICIPIO_ORIGEM, PROTOCOLO, OPERACAO ) Values ( :pInscricao, :pExercicio, :pMunicipio, :pNotaFiscal, "
    ":pDtEmissao, :pTipo, :pValorNF, :pTipoEmitente, :pNotaOrigem, :pDtNfOrigem, :pEmitenteOrigem,"
    ":pTipoNfOrigem, :pValorNfOrigem, :pTipoEmitenteOrigem,:pMunicipioOrigem, :pProtocolo, :pOperacao )");

// Widths of the invoice number and of the origin emitter kinds.
constexpr int kTamanhoNota = 10;
constexpr int kTamanhoInscricao = 14;
constexpr int kTamanhoCpf = 11;

QString condicao(const ChaveNota &c)
{
    return condicaoDoMunicipio(c.inscricao, c.exercicio, c.municipio) + kENf + db::textoSql(c.nf) + kETipo
           + db::textoSql(c.tipo);
}

// The protocol number of a write; text that is none never reaches a statement.
qint64 numeroDe(const QString &protocolo)
{
    const auto numero = numeroProtocolo(protocolo);
    if (!numero)
        throw orva::Error(QStringLiteral("'%1' não é um número de protocolo válido.").arg(protocolo));
    return *numero;
}

NotaGravada leNota(db::Query &q)
{
    const auto campo = [&q](const char *nome) { return q.fieldByName(QString::fromLatin1(nome)).asString(); };
    NotaGravada n;
    n.chave = {campo("INSCRICAO"), campo("EXERCICIO"), campo("MUNICIPIO"), campo("NF"), campo("TIPO")};
    n.emissao = campo("DTA_EMIT_NF");
    n.valor = campo("VALOR_NF");
    n.origem.municipio = campo("MUNICIPIO_ORIGEM");
    n.origem.tipoEmitente = int(q.fieldByName(QStringLiteral("TIPO_EMITENTE_ORIGEM")).asInteger());
    n.origem.emitente = campo("EMITENTE_NOTA_ORIGEM");
    n.origem.tipoNf = campo("TIPO_NF_ORIGEM");
    n.origem.nota = campo("NOTA_ORIGEM");
    n.origem.data = campo("DTA_NF_ORIGEM");
    n.origem.valor = campo("VALOR_NF_ORIGEM");
    n.protocolo = campo("PROTOCOLO");
    n.operacao = campo("OPERACAO");
    return n;
}

bool soDigitos(const QString &texto, int maximo) { return texto.size() <= maximo && Funcoes::SoDigitos(texto); }

} // namespace

std::optional<QDate> Notas::dataDoExercicio(const QString &texto)
{
    if (texto.isEmpty())
        return QDate(kExercicio.toInt(), 1, 1);
    const auto data = regional::parseDate(texto);
    if (!data || data->year() != kExercicio.toInt())
        return std::nullopt;
    return data;
}

std::optional<ProtocoloAberto> Notas::protocoloAberto(const QString &numero)
{
    return stores::protocoloAberto(m_conexao, numero, 0);
}

QString Notas::declarante(const QString &inscricao)
{
    return stores::declarante(m_conexao, inscricao, QStringLiteral("0"));
}

QString Notas::municipioDoProdutor(const QString &emitente, bool cpf)
{
    return Tabelas::buscaDescricao(m_conexao, QStringLiteral("Produtor"), cpf ? QStringLiteral("CGC_CPF") : QStringLiteral("Inscricao"),
                          emitente, QStringLiteral("Cod_Municipio"));
}

std::optional<NotaGravada> Notas::carrega(const ChaveNota &chave)
{
    db::Query q(m_conexao);
    q.setSql(kSelectNota + condicao(chave));
    q.open();
    if (q.eof())
        return std::nullopt;
    return leNota(q);
}

Gravacao Notas::grava(const NotaFiscal &nota)
{
    const QString &tipo = nota.chave.tipo;
    if (!valorPositivo(nota.valor))
        return {Gravacao::Como::Recusada, kValorZero};
    if (tipo == QLatin1String(notas::kTipoComOrigem) && !notas::mesmoValor(nota.valor, nota.origem.valor))
        return {Gravacao::Como::Recusada, notas::kValoresDiferentes};
    const qint64 protocolo = numeroDe(nota.protocolo);

    db::Command cmd(m_conexao);
    db::Parameters &p = cmd.parameters();
    using db::ParamKind;
    p.add(QStringLiteral("pInscricao"), ParamKind::Text).setValue(nota.chave.inscricao);
    p.add(QStringLiteral("pExercicio"), ParamKind::Text).setValue(nota.chave.exercicio);
    p.add(QStringLiteral("pMunicipio"), ParamKind::Text).setValue(nota.chave.municipio);
    p.add(QStringLiteral("pNotaFiscal"), ParamKind::Text).setValue(nota.chave.nf);
    p.add(QStringLiteral("pDtEmissao"), ParamKind::Date).setValue(nota.emissao);
    p.add(QStringLiteral("pTipo"), ParamKind::Text).setValue(tipo);
    // The amount as shown; the parameter reads "1.234,56" as 1234.56.
    p.add(QStringLiteral("pValorNF"), ParamKind::Float).setValue(nota.valor);
    p.add(QStringLiteral("pTipoEmitente"), ParamKind::Integer).setValue(1);
    notas::defineParametrosOrigem(p, notas::valoresOrigem(tipo, nota.origem));
    p.add(QStringLiteral("pProtocolo"), ParamKind::Text).setValue(nota.protocolo);
    return gravaNoProtocolo(m_conexao, protocolo, 0, kSelectNota + condicao(nota.chave), cmd, kInsere,
                            kRedeclara + condicao(nota.chave), kJaCadastrada);
}

Exclusao Notas::exclui(const ChaveNota &chave, const QString &protocolo)
{
    const qint64 numero = numeroDe(protocolo);
    // Withdrawn: the row stays, marked, in this protocol.
    return excluiDoProtocolo(m_conexao, numero, 0, kSelectNota + condicao(chave), kApaga + condicao(chave),
                             kRetira + QString::number(numero) + kOperacaoE + condicao(chave));
}

std::vector<NotaGravada> Notas::lista(qint64 protocolo)
{
    db::Query q(m_conexao);
    q.setSql(kSelectDoProtocolo + QString::number(protocolo) + kOrdem);
    q.open();
    std::vector<NotaGravada> notas;
    for (; !q.eof(); q.next())
        notas.push_back(leNota(q));
    return notas;
}

QString Notas::protocoloDe(const ChaveNota &chave)
{
    db::Query q(m_conexao);
    q.setSql(kProtocoloDaNota);
    const QStringList valores = {chave.inscricao, chave.exercicio, chave.municipio, chave.nf, chave.tipo};
    for (int i = 0; i < valores.size(); ++i)
        q.parameters().add(QStringLiteral("p%1").arg(i + 1), db::ParamKind::Text).setValue(valores.at(i));
    q.open();
    return q.eof() ? QString() : q.field(0).asString();
}

void Notas::abreDoProtocolo(db::Query &linhas, qint64 protocolo)
{
    linhas.setSql(kDaDeclaracao + QString::number(protocolo) + kOrdemDeEntrada);
    linhas.open();
}

double Notas::valorTotal(qint64 protocolo) { return resultado(m_conexao, kValorTotal, protocolo).asFloat(); }

qint64 Notas::quantidade(qint64 protocolo) { return resultado(m_conexao, kQuantidade, protocolo).asInteger(); }

QString Notas::retrato(qint64 protocolo) { return retratoDasLinhas(m_conexao, kRetrato, protocolo); }

std::unique_ptr<db::BulkInsert> Notas::insercaoEmLote(db::Connection &conexao)
{
    return std::make_unique<db::BulkInsert>(conexao, kInsereImportada);
}

std::optional<QString> Notas::completaChave(NotaFiscal &nota)
{
    ChaveNota &chave = nota.chave;
    const auto protocolo = protocoloAberto(nota.protocolo);
    if (!protocolo)
        return kProtocoloInvalido;
    chave.municipio = protocolo->municipio; // the declarant's own, not typed
    completaChaveDoProtocolo(m_conexao, *protocolo, QStringLiteral("0"), chave.exercicio, chave.inscricao,
                             chave.municipio);

    chave.tipo = chave.tipo.isEmpty() ? QString::fromLatin1(notas::kTipoComOrigem) : chave.tipo.toUpper();
    if (Tabelas::buscaDescricao(m_conexao, QStringLiteral("Tipo_Entrada"), QStringLiteral("Codigo"), chave.tipo,
                       QStringLiteral("Descricao"))
        == Tabelas::naoCadastrado)
        return notas::kTipoNfInvalido;
    if (!chave.nf.isEmpty()) {
        if (!soDigitos(chave.nf, kTamanhoNota))
            return kNumeroInvalido;
        chave.nf = Funcoes::ZerosEsquerda(chave.nf, kTamanhoNota);
    }
    return campoFaltando(kFaltaCampo, {{nota.protocolo, QStringLiteral("Número do Protocolo de Transmissão")},
                                       {chave.exercicio, QStringLiteral("Ano de Entrada das Notas Fiscais")},
                                       {chave.inscricao, QStringLiteral("Inscrição Estadual do Declarante das Entradas")},
                                       {chave.municipio, QStringLiteral("Município de origem do produto.")},
                                       {chave.nf, QStringLiteral("Numero da Nota Fiscal")}});
}

std::optional<QString> Notas::completa(NotaFiscal &nota)
{
    if (auto recusa = completaChave(nota))
        return recusa;
    const ChaveNota &chave = nota.chave;
    const auto emissao = dataDoExercicio(nota.emissao);
    if (!emissao)
        return kDataForaDoExercicio;
    nota.emissao = regional::formatDate(*emissao);
    if (!nota.valor.isEmpty()) {
        const auto valor = valorPositivo(nota.valor);
        if (!valor)
            return kValorZero;
        nota.valor = regional::formatAmount(*valor);
    }

    // Only an entry note carries an origin note; other types store neutral values.
    const bool comOrigem = chave.tipo == QLatin1String(notas::kTipoComOrigem);
    notas::BlocoOrigem &o = nota.origem;
    if (comOrigem) {
        o.tamanhoEmitente = o.cpf ? kTamanhoCpf : kTamanhoInscricao;
        if (!o.emitente.isEmpty()) {
            // The field takes digits only, as many as the kind has.
            if (!soDigitos(o.emitente, o.tamanhoEmitente))
                return o.cpf ? notas::kCpfInvalido : notas::kInscricaoInvalida;
            if (const auto recusa = notas::recusaEmitente(o.emitente, o.cpf))
                return recusa;
            if (!o.cpf)
                o.emitente = notas::inscricaoDoEmitente(o.emitente);
            // A registered producer brings its municipality; a valid emitter presets the producer's note.
            if (o.municipio.isEmpty())
                o.municipio = municipioDoProdutor(o.emitente, o.cpf);
            if (o.tipoNf.isEmpty())
                o.tipoNf = QStringLiteral("NP");
        }
        if (!o.municipio.isEmpty()
            && Tabelas::buscaDescricao(m_conexao, QStringLiteral("Municipios"), QStringLiteral("Codigo"), o.municipio,
                              QStringLiteral("Descricao"))
                   == Tabelas::naoCadastrado)
            o.municipio.clear();
        o.tipoNf = o.tipoNf.toUpper();
        if (!o.tipoNf.isEmpty() && !notas::tipoNfValido(o.tipoNf))
            return notas::kTipoNfInvalido;
        if (!o.nota.isEmpty()) {
            if (!soDigitos(o.nota, kTamanhoNota))
                return kNumeroOrigemInvalido;
            o.nota = Funcoes::ZerosEsquerda(o.nota, kTamanhoNota);
        }
        if (!o.data.isValid())
            o.data = *dataDoExercicio(QString());
        if (o.data.year() != kExercicio.toInt())
            return kDataForaDoExercicio;
        if (!o.valor.isEmpty()) {
            const auto valor = valorPositivo(o.valor);
            if (!valor)
                return notas::kValorOrigemZero;
            o.valor = regional::formatAmount(*valor);
        }
    }

    if (auto falta = campoFaltando(kFaltaCampo, {{nota.valor, QStringLiteral("Valor Total da Nota Fiscal ")}}))
        return falta;
    if (comOrigem)
        return campoFaltando(kFaltaCampo,
                             {{o.emitente, QStringLiteral("IE/CPF/CNPJ do Emitente de Origem.")},
                              {o.municipio, QStringLiteral("Municipio de origem da Nota Fiscal")},
                              {o.tipoNf, QStringLiteral("Tipo da Nota de Origem  (NP-Nota de Produtor); (NA-Nota Avulsa);")},
                              {o.nota, QStringLiteral("Numero da Nota Fiscal de Origem.")},
                              {o.valor, QStringLiteral("Valor Total da Nota Fiscal de origem")}});
    return std::nullopt;
}

} // namespace orva::stores
