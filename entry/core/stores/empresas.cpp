#include "empresas.h"

#include "core/db/sqltexto.h"
#include "core/shell/funcoesbase.h"
#include "core/shell/validadores.h"
#include "tabelas.h"

namespace orva::stores {

namespace {

// %1 is the table, %2 the registration.
const QString kCarrega = QStringLiteral("Select * From %1 Where Inscricao = '%2'");
const QString kAltera = QStringLiteral("Update %1 Set  Razao = :RazaoSocial  ,CNPJ = :Cnpj ,CNAE = :Cnae "
                                       ",Tipo_Declara = :TipoDeclara ,Municipio = :Municipio Where Inscricao = :InscEst");
const QString kInsere = QStringLiteral("Insert into %1 (Inscricao,Razao,Cnpj,Cnae,Tipo_Declara,Municipio ) Values "
                                       "(:InscEst, :RazaoSocial, :Cnpj, :Cnae, :TipoDeclara, :Municipio)");
const QString kApaga = QStringLiteral("Delete From %1 Where Inscricao = '%2'");
const QString kLista = QStringLiteral("Select Inscricao, Razao, Cnpj, Cnae, Tipo_Declara, Municipio From %1 "
                                      "Order By Inscricao");

// One company, followed by its registration in quotes.
const QString kDaInscricao = QStringLiteral("Select * From Empresa Where Inscricao = ");
const QString kQuantas = QStringLiteral("Select Count(*) From Empresa");

const QString kCnpjInvalido = QStringLiteral("CNPJ/CPF invalido !");
constexpr int kLarguraInscricao = 14;

// A registration that statements can carry between quotes.
bool soInscricao(const QString &inscricao)
{
    return Funcoes::SoDigitos(inscricao) && inscricao.size() <= kLarguraInscricao;
}

Empresa daLinha(db::Query &q)
{
    const auto campo = [&q](const char *nome) { return q.fieldByName(QString::fromLatin1(nome)).asString(); };
    return {campo("Inscricao"), campo("Cnpj"), campo("Razao"), campo("Cnae"), campo("Tipo_Declara"),
            campo("Municipio")};
}

} // namespace

const QString inscricaoInvalida = QStringLiteral("Inscrição Estadual Invalida !");

QString inscricaoCompleta(const QString &digitada) { return Funcoes::ZerosEsquerda(digitada, kLarguraInscricao); }

bool inscricaoValida(const QString &inscricao)
{
    try {
        return Funcoes::ValidaInscricao(inscricao);
    } catch (const orva::Error &) {
        return false; // a character that is not a digit
    }
}

Empresas::Empresas(db::Connection &conexao, QString tabela)
    : m_conexao(conexao), m_tabela(std::move(tabela)), m_query(conexao), m_command(conexao)
{
    for (const char *nome : {"Cnpj", "InscEst", "RazaoSocial", "Cnae", "TipoDeclara", "Municipio"})
        m_command.parameters().add(QString::fromLatin1(nome), db::ParamKind::Text);
}

std::optional<Empresa> Empresas::carrega(const QString &inscricao)
{
    std::optional<Empresa> empresa = le(inscricao);
    if (soInscricao(inscricao))
        m_lida.lembra(inscricao, empresa);
    return empresa;
}

std::optional<Empresa> Empresas::le(const QString &inscricao)
{
    if (!soInscricao(inscricao))
        return std::nullopt;
    m_query.close();
    m_query.setSql(kCarrega.arg(m_tabela, inscricao));
    m_query.open();
    std::optional<Empresa> empresa;
    if (!m_query.eof())
        empresa = daLinha(m_query);
    m_query.close();
    return empresa;
}

QString Empresas::grava(Empresa &e)
{
    // The window's fields, in the order its required-field check meets them.
    const QString recusa = confereCampos({{QStringLiteral("Razão Social do Declarante"), e.razao, 70},
                                          {QStringLiteral("Inscrição Estadual do Declarante"), e.inscricao, 14, true},
                                          {QStringLiteral("Tipo de Declaração"), e.tipoDeclara, 2, true},
                                          {QStringLiteral("C.N.A.E"), e.cnae, 7, true},
                                          {QStringLiteral("C.N.P.J/CPF do Declarante"), e.cnpj, 14, true},
                                          {QStringLiteral("Municipio da empresa"), e.municipio, 6, true}});
    if (!recusa.isEmpty())
        return recusa;
    e.inscricao = inscricaoCompleta(e.inscricao);
    e.razao = e.razao.toUpper();
    if (!inscricaoValida(e.inscricao))
        return inscricaoInvalida;
    if (!Funcoes::ValidaCnpjCpf(e.cnpj))
        return kCnpjInvalido;
    struct CodigoDaEmpresa {
        const QString &valor;
        const char *dica, *tabela;
    };
    for (const CodigoDaEmpresa &c : {CodigoDaEmpresa{e.cnae, "C.N.A.E", "CNAE"},
                                     CodigoDaEmpresa{e.tipoDeclara, "Tipo de Declaração", "Tipo_Declara"},
                                     CodigoDaEmpresa{e.municipio, "Municipio da empresa", "Municipios"}}) {
        const QString tabela = QString::fromLatin1(c.tabela);
        if (Tabelas::buscaDescricao(m_conexao, tabela, QStringLiteral("Codigo"), c.valor, QStringLiteral("Descricao"))
            == Tabelas::naoCadastrado)
            return codigoNaoCadastrado(QString::fromUtf8(c.dica), c.valor, tabela);
    }

    // The check and the write under one lock: another program cannot insert
    // the same company in between.
    db::WriteTransaction transacao(m_conexao);
    const std::optional<Empresa> atual = le(e.inscricao);
    if (const QString outro = m_lida.recusa(e.inscricao, atual); !outro.isEmpty())
        return outro;
    const bool existe = atual.has_value();
    db::Parameters &p = m_command.parameters();
    p.byName(QStringLiteral("Cnpj")).setValue(e.cnpj);
    p.byName(QStringLiteral("InscEst")).setValue(e.inscricao);
    p.byName(QStringLiteral("RazaoSocial")).setValue(e.razao);
    p.byName(QStringLiteral("Cnae")).setValue(e.cnae);
    p.byName(QStringLiteral("TipoDeclara")).setValue(e.tipoDeclara);
    p.byName(QStringLiteral("Municipio")).setValue(e.municipio);
    m_command.setCommandText((existe ? kAltera : kInsere).arg(m_tabela));
    if (!executaSemDuplicar(m_command).has_value())
        return kIncluidoPorOutro;
    // What the next save from here compares against.
    const std::optional<Empresa> gravada = le(e.inscricao);
    transacao.commit();
    m_lida.lembra(e.inscricao, gravada);
    m_inseriu = !existe;
    return QString();
}

bool Empresas::apaga(const QString &inscricao)
{
    if (!soInscricao(inscricao))
        return false;
    m_command.setCommandText(kApaga.arg(m_tabela, inscricao));
    const bool apagou = m_command.execute() > 0;
    m_lida.lembra(inscricao, std::nullopt);
    return apagou;
}

QList<Empresa> Empresas::lista()
{
    m_query.close();
    m_query.setSql(kLista.arg(m_tabela));
    m_query.open();
    QList<Empresa> empresas;
    for (; !m_query.eof(); m_query.next())
        empresas.append(daLinha(m_query));
    m_query.close();
    return empresas;
}

bool Empresas::abre(db::Query &q, const QString &inscricao)
{
    q.setSql(kDaInscricao + db::textoSql(inscricao));
    q.open();
    return !q.eof();
}

qint64 Empresas::quantas(db::Connection &conexao)
{
    db::Query q(conexao);
    q.setSql(kQuantas);
    q.open();
    return q.field(0).asInteger();
}

} // namespace orva::stores
