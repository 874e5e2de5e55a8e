#include "lancamento.h"

#include "leitura.h"
#include "core/db/query.h"
#include "core/db/sqltexto.h"
#include "core/shell/regional.h"

namespace orva::stores {

namespace {

// An untransmitted protocol: the number, then the open state and the type.
const QString kSelectProtocolo = QStringLiteral("Select * From Protocolo Where Protocolo = ");
const QString kAberto = QStringLiteral(" And DtTransmissao is Null");
const QString kDoTipo = QStringLiteral(" And Tipo_Protocolo = ");
// The key of a declarant's rows, each piece followed by its value in quotes.
const QString kOndeInscricao = QStringLiteral(" Where Inscricao = ");
const QString kEExercicio = QStringLiteral(" And Exercicio = ");
const QString kEMunicipio = QStringLiteral(" And Municipio = ");
// A description found by two keys: the table, the description and the two key columns.
const QString kDescricaoChaves =
    QStringLiteral("Select %2 as Descricao From %1 Where %3 = :Chave1  And   %4 = :Chave2 ");

} // namespace

const QString kExercicio = QStringLiteral("2015");

QString condicaoDoDeclarante(const QString &inscricao, const QString &exercicio)
{
    return kOndeInscricao + db::textoSql(inscricao) + kEExercicio + db::textoSql(exercicio);
}

QString condicaoDoMunicipio(const QString &inscricao, const QString &exercicio, const QString &municipio)
{
    return condicaoDoDeclarante(inscricao, exercicio) + kEMunicipio + db::textoSql(municipio);
}

db::Field resultado(db::Connection &conexao, const QString &sql, qint64 protocolo)
{
    db::Query q(conexao);
    q.setSql(sql + QString::number(protocolo));
    q.open();
    return q.eof() ? db::Field(QString(), QVariant(), false) : q.fieldByName(QStringLiteral("Resultado"));
}

QString retratoDasLinhas(db::Connection &conexao, const QString &sql, qint64 protocolo)
{
    db::Query q(conexao);
    q.setSql(sql + QString::number(protocolo));
    q.open();
    QStringList retrato;
    for (int i = 0; i < q.fieldCount(); ++i)
        retrato << q.field(i).asString();
    return retrato.join(QLatin1Char('|'));
}

std::optional<qint64> numeroProtocolo(const QString &texto)
{
    const QString numero = texto.trimmed();
    if (numero.isEmpty() || numero.size() > 18)
        return std::nullopt;
    for (const QChar c : numero)
        if (c < u'0' || c > u'9')
            return std::nullopt;
    return numero.toLongLong();
}

std::optional<ProtocoloAberto> protocoloAberto(db::Connection &conexao, const QString &numero, int tipoProtocolo)
{
    const auto n = numeroProtocolo(numero);
    if (!n)
        return std::nullopt;
    db::Query q(conexao);
    q.setSql(kSelectProtocolo + QString::number(*n) + kAberto + kDoTipo + QString::number(tipoProtocolo));
    q.open();
    if (q.eof())
        return std::nullopt;
    ProtocoloAberto p;
    p.numero = q.fieldByName(QStringLiteral("Protocolo")).asInteger();
    p.exercicio = q.fieldByName(QStringLiteral("Exercicio")).asString();
    p.inscricao = q.fieldByName(QStringLiteral("Inscricao")).asString();
    p.tipoEntrega = q.fieldByName(QStringLiteral("Tipo_Entrega")).asString();
    p.municipio = q.fieldByName(QStringLiteral("Municipio")).asString();
    return p;
}

void completaChaveDoProtocolo(db::Connection &conexao, const ProtocoloAberto &p, const QString &tipoDeclaracao,
                              QString &exercicio, QString &inscricao, QString &municipio)
{
    exercicio = p.exercicio;
    inscricao = p.inscricao;
    if (!inscricao.isEmpty() && declarante(conexao, inscricao, tipoDeclaracao) == Tabelas::naoCadastrado)
        inscricao.clear();
    if (!municipio.isEmpty()
        && Tabelas::buscaDescricao(conexao, QStringLiteral("Municipios"), QStringLiteral("Codigo"), municipio,
                                   QStringLiteral("Descricao"))
               == Tabelas::naoCadastrado)
        municipio.clear();
}

namespace {

// The protocol of the row `consulta` finds (read as a number, so "07" is 7).
std::optional<qint64> protocoloDaLinha(db::Connection &conexao, const QString &consulta)
{
    db::Query q(conexao);
    q.setSql(consulta);
    q.open();
    if (q.eof())
        return std::nullopt;
    return q.fieldByName(QStringLiteral("Protocolo")).asInteger();
}

// Exactly one row written, or the write is undone with the transaction.
void confereUma(int linhas)
{
    if (linhas != 1)
        throw orva::Error(QStringLiteral("O registro não foi gravado: outro programa alterou a tabela ao mesmo tempo. "
                                         "Confira o registro e grave de novo."));
}

QString mensagemProtocoloFechado(qint64 protocolo)
{
    return QStringLiteral("O protocolo %1 não está mais aberto: outro usuário o exportou ou excluiu. Nada foi gravado.")
        .arg(protocolo);
}

} // namespace

Gravacao gravaNoProtocolo(db::Connection &conexao, qint64 protocolo, int tipoProtocolo, const QString &consulta,
                          db::Command &escrita, const QString &insere, const QString &redeclara,
                          const QString &jaCadastrada)
{
    db::WriteTransaction transacao(conexao);
    if (!protocoloAberto(conexao, QString::number(protocolo), tipoProtocolo))
        return {Gravacao::Como::Recusada, mensagemProtocoloFechado(protocolo)};
    const auto anterior = protocoloDaLinha(conexao, consulta);
    if (anterior && *anterior == protocolo)
        return {Gravacao::Como::Recusada, jaCadastrada};
    escrita.setCommandText(anterior ? redeclara : insere);
    // A duplicate key here is a row another program inserted without the
    // write lock: the same answer as one found by the lookup.
    const std::optional<int> linhas = executaSemDuplicar(escrita);
    if (!linhas)
        return {Gravacao::Como::Recusada, jaCadastrada};
    confereUma(*linhas);
    transacao.commit();
    return {anterior ? Gravacao::Como::Redeclarada : Gravacao::Como::Inserida, {}};
}

Exclusao excluiDoProtocolo(db::Connection &conexao, qint64 protocolo, int tipoProtocolo, const QString &consulta,
                           const QString &apaga, const QString &retira)
{
    db::WriteTransaction transacao(conexao);
    if (!protocoloAberto(conexao, QString::number(protocolo), tipoProtocolo))
        throw orva::Error(mensagemProtocoloFechado(protocolo));
    const auto anterior = protocoloDaLinha(conexao, consulta);
    if (!anterior)
        return Exclusao::Nenhuma;
    db::Command cmd(conexao);
    const bool desteProtocolo = *anterior == protocolo;
    cmd.setCommandText(desteProtocolo ? apaga : retira);
    confereUma(cmd.execute());
    transacao.commit();
    return desteProtocolo ? Exclusao::Apagada : Exclusao::Retirada;
}

QString buscaDescricaoChaves(db::Connection &conexao, const QString &tabela, const QString &campoChave1,
                             const QString &valor1, const QString &campoChave2, const QString &valor2,
                             const QString &campoDescricao)
{
    db::Query q(conexao);
    q.parameters().add(QStringLiteral("Chave1"), db::ParamKind::Text).setValue(valor1);
    q.parameters().add(QStringLiteral("Chave2"), db::ParamKind::Text).setValue(valor2);
    q.setSql(kDescricaoChaves.arg(tabela, campoDescricao, campoChave1, campoChave2));
    q.open();
    const QString texto = q.eof() ? QString() : q.fieldByName(QStringLiteral("Descricao")).asString();
    return texto.isEmpty() ? Tabelas::naoCadastrado : texto;
}

QString declarante(db::Connection &conexao, const QString &inscricao, const QString &tipoDeclaracao)
{
    return buscaDescricaoChaves(conexao, QStringLiteral("Empresa"), QStringLiteral("Inscricao"), inscricao,
                                QStringLiteral("TIPO_DECLARA"), tipoDeclaracao, QStringLiteral("Razao"));
}

std::optional<double> valorPositivo(const QString &texto)
{
    const auto valor = regional::parseAmount(texto);
    if (valor && *valor > 0)
        return valor;
    return std::nullopt;
}

std::optional<QString> campoFaltando(const QString &prefixo,
                                     std::initializer_list<std::pair<QString, QString>> campos)
{
    for (const auto &[texto, dica] : campos)
        if (texto.isEmpty())
            return prefixo + dica;
    return std::nullopt;
}

} // namespace orva::stores
