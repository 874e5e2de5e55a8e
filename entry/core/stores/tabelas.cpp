#include "tabelas.h"

#include "core/shell/funcoesbase.h"

namespace orva::stores {

namespace {

// T table, C code column, D description column, then the code as written.
const QString kCarrega = QStringLiteral("Select * From %1 Where %2 = %3");
const QString kExiste = QStringLiteral("Select * from %1 Where %2 = %3");
const QString kAltera = QStringLiteral("Update %1 Set %3 = :Descricao Where %2 = :Codigo");
const QString kInsere = QStringLiteral("Insert into %1 (%2,%3 ) Values (:Codigo,:Descricao)");
const QString kApaga = QStringLiteral("Delete from %1 where %2 = %3");
const QString kLista = QStringLiteral("Select %2, %3 From %1 Order By %2");
// Lookups: T table, K key column, D description column.
const QString kBuscaDescricao = QStringLiteral("Select %3 as Descricao From %1 Where %2 = :Chave1 ");
const QString kProximoCodigo = QStringLiteral("Select Max(%2) + 1 as Codigo From %1");

const QString kDicaCodigo = QStringLiteral("Código");
const QString kDicaDescricao = QStringLiteral("Descrição");

} // namespace

const QString Tabelas::naoCadastrado = QStringLiteral("Não Cadastrado");

DefinicaoTabela tabelaProdutos()
{
    return {QStringLiteral("Produtos"), QStringLiteral("Cod_Prod"), QStringLiteral("Descricao"), 5, 50, 1};
}

Tabelas::Tabelas(db::Connection &conexao, DefinicaoTabela definicao)
    : m_conexao(conexao), m_definicao(std::move(definicao)), m_query(conexao), m_command(conexao)
{
    m_command.parameters().add(QStringLiteral("Codigo"), db::ParamKind::Text);
    m_command.parameters().add(QStringLiteral("Descricao"), db::ParamKind::Text);
}

QString Tabelas::valorCodigo(const QString &codigo) const
{
    return m_definicao.tipoCodigo == 2 ? QLatin1Char('\'') + codigo + QLatin1Char('\'') : codigo;
}

QString Tabelas::recusaCodigo(const QString &codigo) const
{
    return confereCampos({{kDicaCodigo, codigo, m_definicao.tamanhoCodigo, true}});
}

QString Tabelas::chave(const QString &codigo) const
{
    return Funcoes::ZerosEsquerda(codigo.trimmed(), m_definicao.tamanhoCodigo);
}

std::optional<QString> Tabelas::descricao(const QString &codigo)
{
    std::optional<QString> texto = le(codigo, kCarrega, m_query);
    if (recusaCodigo(codigo).isEmpty())
        m_lida.lembra(chave(codigo), texto);
    return texto;
}

std::optional<QString> Tabelas::le(const QString &codigo, const QString &modelo, db::Query &q)
{
    if (!recusaCodigo(codigo).isEmpty())
        return std::nullopt;
    const DefinicaoTabela &d = m_definicao;
    q.close();
    q.setSql(modelo.arg(d.tabela, d.campoCodigo, valorCodigo(codigo)));
    q.open();
    std::optional<QString> texto;
    if (!q.eof())
        texto = q.fieldByName(d.campoDescricao).asString();
    q.close();
    return texto;
}

Proposta Tabelas::proximoCodigo()
{
    const Proposta proposta = livre();
    if (proposta.recusa.isEmpty())
        m_lida.propoe(chave(proposta.valor));
    return proposta;
}

Proposta Tabelas::livre()
{
    const QString proximo = proximoCodigo(m_conexao, m_definicao.tabela, m_definicao.campoCodigo);
    // Cut to the field's width it would name a code that exists, and the
    // save would overwrite that row.
    if (proximo.size() > m_definicao.tamanhoCodigo)
        return {QString(), QStringLiteral("O próximo código (%1) não cabe no campo de %2 dígitos: a tabela chegou ao "
                                          "limite. Reutilize um código livre ou apague códigos que não serão mais "
                                          "usados.")
                               .arg(proximo)
                               .arg(m_definicao.tamanhoCodigo)};
    return {proximo, QString()};
}

QString Tabelas::grava(const QString &codigo, const QString &descricao)
{
    const DefinicaoTabela &d = m_definicao;
    const QString recusa = confereCampos({{kDicaCodigo, codigo, d.tamanhoCodigo},
                                          {kDicaDescricao, descricao, d.tamanhoDescricao}});
    if (!recusa.isEmpty())
        return recusa;
    const QString semBrancos = codigo.trimmed();
    if (const QString r = recusaCodigo(semBrancos); !r.isEmpty())
        return r;

    // The check and the write under one lock: another program cannot slip
    // the same code in between.
    db::WriteTransaction transacao(m_conexao);
    m_aviso.clear();
    QString digitado = semBrancos;
    std::optional<QString> atual = le(digitado, kExiste, m_query);
    if (atual && m_lida.proposta(chave(digitado))) {
        // The proposed code was taken by another program: the next free one.
        const Proposta proximo = livre();
        if (!proximo.recusa.isEmpty())
            return proximo.recusa;
        m_aviso = QStringLiteral("O código %1, proposto por \"Novo\", foi usado por outro usuário antes da gravação: "
                                 "este registro foi gravado com o código %2.")
                      .arg(semBrancos, proximo.valor);
        digitado = proximo.valor;
        atual = le(digitado, kExiste, m_query);
    } else if (const QString outro = m_lida.recusa(chave(digitado), atual); !outro.isEmpty()) {
        return outro;
    }
    const QString gravado = chave(digitado);

    m_command.parameters().byName(QStringLiteral("Codigo")).setValue(gravado);
    m_command.parameters().byName(QStringLiteral("Descricao")).setValue(descricao.trimmed());
    m_command.setCommandText((atual ? kAltera : kInsere).arg(d.tabela, d.campoCodigo, d.campoDescricao));
    if (!executaSemDuplicar(m_command).has_value())
        return kIncluidoPorOutro;
    // What the next save from here compares against (read aside: the
    // store's query keeps the statement of the check).
    db::Query releitura(m_conexao);
    const std::optional<QString> lida = le(digitado, kCarrega, releitura);
    transacao.commit();
    m_lida.lembra(gravado, lida);
    m_codigoGravado = gravado;
    return QString();
}

bool Tabelas::apaga(const QString &codigo)
{
    if (codigo.isEmpty() || !recusaCodigo(codigo).isEmpty())
        return false;
    m_command.setCommandText(kApaga.arg(m_definicao.tabela, m_definicao.campoCodigo, valorCodigo(codigo)));
    const bool apagou = m_command.execute() > 0;
    m_lida.lembra(chave(codigo), std::nullopt);
    return apagou;
}

QList<Codigo> Tabelas::lista()
{
    const DefinicaoTabela &d = m_definicao;
    m_query.close();
    m_query.setSql(kLista.arg(d.tabela, d.campoCodigo, d.campoDescricao));
    m_query.open();
    QList<Codigo> linhas;
    for (; !m_query.eof(); m_query.next())
        linhas.append({m_query.field(0).asString(), m_query.field(1).asString()});
    m_query.close();
    return linhas;
}

QString Tabelas::buscaDescricao(db::Connection &conexao, const QString &tabela, const QString &campoChave,
                                const QString &valor, const QString &campoDescricao)
{
    db::Query q(conexao);
    q.parameters().add(QStringLiteral("Chave1"), db::ParamKind::Text).setValue(valor);
    q.setSql(kBuscaDescricao.arg(tabela, campoChave, campoDescricao));
    q.open();
    const QString texto = q.eof() ? QString() : q.fieldByName(QStringLiteral("Descricao")).asString();
    return texto.isEmpty() ? naoCadastrado : texto;
}

QString Tabelas::proximoCodigo(db::Connection &conexao, const QString &tabela, const QString &campo)
{
    db::Query q(conexao);
    q.setSql(kProximoCodigo.arg(tabela, campo));
    q.open();
    const QString codigo = q.eof() ? QString() : q.fieldByName(QStringLiteral("Codigo")).asString();
    return codigo.isEmpty() ? QStringLiteral("1") : codigo;
}

} // namespace orva::stores
