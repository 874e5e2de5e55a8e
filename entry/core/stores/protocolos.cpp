#include "protocolos.h"

#include "empresas.h"
#include "core/shell/dtmdados.h"
#include "core/shell/funcoesbase.h"
#include "tabelas.h"

namespace orva::stores {

namespace {

// %1 is the table, %2 the protocol number or the registration.
const QString kCarrega = QStringLiteral("Select * From %1 Where Protocolo = %2");
const QString kAberto = QStringLiteral("Select * From %1 Where Inscricao = '%2' And DtTransmissao is Null ");
const QString kAltera = QStringLiteral(
    "Update %1 Set   Tipo_Protocolo = :pTipoProtocolo ,Tipo_Entrega = :pTipoEntrega ,Exercicio = :pExercicio "
    ",Inscricao = :pInscricao ,Crc = :pCrc ,Responsavel = :pResponsavel ,Razao = :pRazao ,Cnpj = :pCnpj "
    ",Municipio = :pMunicipio Where Protocolo = :pProtocolo");
const QString kInsere = QStringLiteral(
    "Insert into %1 ( PROTOCOLO, TIPO_PROTOCOLO, TIPO_ENTREGA,  EXERCICIO, INSCRICAO, DTGERACAO, CRC, RESPONSAVEL, "
    "RAZAO, CNPJ, MUNICIPIO  ) Values ( :pProtocolo, :pTipoProtocolo, :pTipoEntrega, :pExercicio, :pInscricao, "
    ":pDtGeracao, :pCrc,  :pResponsavel, :pRazao, :pCnpj, :pMunicipio )");
const QString kTemNotas = QStringLiteral("Select * From Notas Where Protocolo = %1");
const QString kTemRateios = QStringLiteral("Select * From Rateio Where Protocolo = %1");
const QString kApaga = QStringLiteral("Delete From Protocolo Where Protocolo = %1");
const QString kExiste = QStringLiteral("Select * From Protocolo Where Protocolo = %1");
const QString kReabre = QStringLiteral("Update Protocolo Set  DTTRANSMISSAO = null Where Protocolo = %1");
const QString kLista = QStringLiteral("Select * From %1 Order By Protocolo");
// The protocol of number %1 while it is open.
const QString kAbertoPorNumero = QStringLiteral("Select * From Protocolo Where Protocolo = %1 And DtTransmissao is Null");
// Marks an open protocol transmitted; a protocol marked meanwhile is left as it is.
const QString kMarcaTransmitido = QStringLiteral(
    "Update Protocolo Set DTTRANSMISSAO = :pDtTransmissao Where Protocolo = %1 And DtTransmissao Is Null");

// Every protocol belongs to this exercise.
const QString kExercicio = QStringLiteral("2015");
constexpr int kLarguraNumero = 4;

// A number that statements can carry: the field's four digits.
bool numeroValido(const QString &numero) { return Funcoes::SoDigitos(numero) && numero.size() <= kLarguraNumero; }

// The number as remembered: "0007" and "7" are one protocol.
QString chaveDe(const QString &numero) { return QString::number(numero.trimmed().toLongLong()); }

QString recusaNumero(const QString &numero)
{
    return QStringLiteral("Informe o número do protocolo (até %1 dígitos): \"%2\" não serve.")
        .arg(kLarguraNumero)
        .arg(numero);
}

// The company's declaration type as the protocol type: a whole number, or
// the save stops here.
int tipoDeclaracao(const QString &texto)
{
    bool ok = false;
    const int tipo = texto.trimmed().toInt(&ok);
    if (!ok)
        throw orva::Error(QStringLiteral("'%1' não é um valor inteiro válido.").arg(texto));
    return tipo;
}

Protocolo daLinha(db::Query &q)
{
    const auto campo = [&q](const char *nome) { return q.fieldByName(QString::fromLatin1(nome)).asString(); };
    Protocolo p;
    p.numero = campo("Protocolo");
    p.tipoEntrega = campo("Tipo_Entrega");
    p.inscricao = campo("Inscricao");
    p.crc = campo("Crc");
    p.responsavel = campo("Responsavel");
    p.tipoProtocolo = campo("Tipo_Protocolo");
    p.exercicio = campo("Exercicio");
    p.dtGeracao = campo("DtGeracao");
    p.dtTransmissao = campo("DtTransmissao");
    p.razao = campo("Razao");
    p.cnpj = campo("CNPJ");
    p.municipio = campo("Municipio");
    p.valorNotas = campo("Valor_Notas");
    p.qtdeNotas = campo("Qtde_Notas");
    p.valorEntradas = campo("Valor_Entradas");
    p.valorSaidas = campo("Valor_Saidas");
    p.qtdeMunicipios = campo("Qtde_Municipios");
    return p;
}

} // namespace

const QString Protocolos::avisoProtocoloAberto =
    QStringLiteral("Esta empresa ja possui um protocolo cadastrado que não foi transmitido\n"
                   "Para poder gerar outro protocolo para esta empresa, por favor transmita\n"
                   "o protocolo existente!");

Protocolos::Protocolos(db::Connection &conexao, QString tabela)
    : m_conexao(conexao), m_tabela(std::move(tabela)), m_query(conexao), m_command(conexao)
{
}

bool Protocolos::consulta(const QString &sql)
{
    m_query.close();
    m_query.setSql(sql);
    m_query.open();
    return !m_query.eof();
}

bool Protocolos::existe(const QString &sql)
{
    const bool achou = consulta(sql);
    m_query.close();
    return achou;
}

std::optional<Protocolo> Protocolos::carrega(const QString &numero)
{
    std::optional<Protocolo> p = le(numero);
    if (numeroValido(numero))
        m_lido.lembra(chaveDe(numero), p);
    return p;
}

std::optional<Protocolo> Protocolos::le(const QString &numero)
{
    if (!numeroValido(numero) || !consulta(kCarrega.arg(m_tabela, numero)))
        return std::nullopt;
    Protocolo p = daLinha(m_query);
    m_query.close();
    return p;
}

std::optional<Protocolo> Protocolos::abertoDaEmpresa(const QString &inscricao)
{
    if (!Funcoes::SoDigitos(inscricao) || !consulta(kAberto.arg(m_tabela, inscricao)))
        return std::nullopt;
    Protocolo p = daLinha(m_query);
    m_query.close();
    m_lido.lembra(chaveDe(p.numero), p);
    return p;
}

Proposta Protocolos::proximoNumero()
{
    const Proposta proposta = livre();
    if (proposta.recusa.isEmpty())
        m_lido.propoe(chaveDe(proposta.valor));
    return proposta;
}

Proposta Protocolos::livre()
{
    const QString proximo = Tabelas::proximoCodigo(m_conexao, QStringLiteral("Protocolo"), QStringLiteral("Protocolo"));
    // The field and the declaration file hold four digits: a fifth would be
    // cut off and the save would overwrite another protocol.
    if (proximo.size() > kLarguraNumero)
        return {QString(), QStringLiteral("O limite de 9999 protocolos foi atingido: não é possível criar outro. "
                                          "Apague protocolos que não serão mais usados.")};
    return {proximo, QString()};
}

QString Protocolos::grava(Protocolo &protocolo, const QDate &hoje) { return grava(protocolo, hoje, false); }

QString Protocolos::novo(Protocolo &protocolo, const QDate &hoje)
{
    protocolo.numero.clear();
    return grava(protocolo, hoje, true);
}

QString Protocolos::grava(Protocolo &p, const QDate &hoje, bool novo)
{
    // The number "Novo" proposed is saved as a new protocol: one open per
    // company, and a number nobody took meanwhile.
    const bool proposto = !novo && !p.numero.isEmpty() && numeroValido(p.numero) && m_lido.proposta(chaveDe(p.numero));
    // A new protocol is checked with a stand-in number: its own comes under
    // the write lock below.
    const QString numeroDigitado = novo ? QStringLiteral("1") : p.numero;
    // The window's fields, in the order its required-field check meets them.
    QString recusa = confereCampos({{QStringLiteral("Responsável pela entrega dos Dados"), p.responsavel, 50},
                                    {QStringLiteral("Inscrição Estadual do Declarante"), p.inscricao, 14, true},
                                    {QStringLiteral("C.R.C do contador ( caso exista)"), p.crc, 14},
                                    {QStringLiteral("Tipo de entrega"), p.tipoEntrega, 4, true},
                                    {QStringLiteral("Número do Protocolo"), numeroDigitado, kLarguraNumero, true}});
    if (!recusa.isEmpty())
        return recusa;
    p.inscricao = inscricaoCompleta(p.inscricao);
    p.responsavel = p.responsavel.toUpper();
    if (!inscricaoValida(p.inscricao))
        return inscricaoInvalida;
    const auto daEmpresa = [&](const char *coluna) {
        return Tabelas::buscaDescricao(m_conexao, QStringLiteral("Empresa"), QStringLiteral("Inscricao"), p.inscricao,
                                       QString::fromLatin1(coluna));
    };
    if (daEmpresa("Razao") == Tabelas::naoCadastrado)
        return QStringLiteral("A empresa de inscrição %1 não está cadastrada: cadastre a empresa antes de gravar o "
                              "protocolo.")
            .arg(p.inscricao);
    if (Tabelas::buscaDescricao(m_conexao, QStringLiteral("Tipo_Entrega"), QStringLiteral("Codigo"), p.tipoEntrega,
                                QStringLiteral("Descricao"))
        == Tabelas::naoCadastrado)
        return codigoNaoCadastrado(QStringLiteral("Tipo de entrega"), p.tipoEntrega, QStringLiteral("Tipo_Entrega"));

    // The number, the checks and the write under one lock: another program
    // cannot take the same number or open a protocol in between.
    db::WriteTransaction transacao(m_conexao);
    m_aviso.clear();
    std::optional<Protocolo> atual;
    if (novo || proposto) {
        if (consulta(kAberto.arg(m_tabela, p.inscricao))) {
            const QString aberto = m_query.fieldByName(QStringLiteral("Protocolo")).asString();
            m_query.close();
            return avisoProtocoloAberto + QStringLiteral("\nProtocolo aberto: %1.").arg(aberto);
        }
        if (proposto)
            atual = le(p.numero);
        if (novo || atual) {
            const Proposta proximo = livre();
            if (!proximo.recusa.isEmpty())
                return proximo.recusa;
            if (proposto)
                m_aviso = QStringLiteral("O número %1, proposto por \"Novo\", foi usado por outro usuário antes da "
                                         "gravação: este protocolo foi gravado com o número %2.")
                              .arg(p.numero, proximo.valor);
            p.numero = proximo.valor;
            atual.reset();
        }
    } else {
        atual = le(p.numero);
        if (const QString outro = m_lido.recusa(chaveDe(p.numero), atual); !outro.isEmpty())
            return outro;
    }
    const bool existe = atual.has_value();

    const int tipoProtocolo = tipoDeclaracao(daEmpresa("Tipo_Declara"));
    db::Parameters &par = m_command.parameters();
    par.clear();
    par.add(QStringLiteral("pProtocolo"), db::ParamKind::Integer).setValue(p.numero);
    par.add(QStringLiteral("pTipoProtocolo"), db::ParamKind::Integer).setValue(tipoProtocolo);
    par.add(QStringLiteral("pTipoEntrega"), db::ParamKind::Text).setValue(p.tipoEntrega);
    par.add(QStringLiteral("pExercicio"), db::ParamKind::Text).setValue(kExercicio);
    par.add(QStringLiteral("pInscricao"), db::ParamKind::Text).setValue(p.inscricao);
    par.add(QStringLiteral("pDtGeracao"), db::ParamKind::Date).setValue(hoje.toString(QStringLiteral("dd/MM/yyyy")));
    par.add(QStringLiteral("pResponsavel"), db::ParamKind::Text).setValue(p.responsavel);
    par.add(QStringLiteral("pCrc"), db::ParamKind::Text).setValue(p.crc);
    par.add(QStringLiteral("pRazao"), db::ParamKind::Text).setValue(daEmpresa("Razao"));
    par.add(QStringLiteral("pCnpj"), db::ParamKind::Text).setValue(daEmpresa("Cnpj"));
    par.add(QStringLiteral("pMunicipio"), db::ParamKind::Text).setValue(daEmpresa("Municipio"));
    // An update keeps the creation date; an insert leaves the protocol open.
    m_command.setCommandText((existe ? kAltera : kInsere).arg(m_tabela));
    if (!executaSemDuplicar(m_command).has_value())
        return kIncluidoPorOutro;
    // What the next save from here compares against.
    const std::optional<Protocolo> gravado = le(p.numero);
    transacao.commit();
    m_lido.lembra(chaveDe(p.numero), gravado);
    m_inseriu = !existe;
    return QString();
}

QString Protocolos::apaga(const QString &numero)
{
    if (!numeroValido(numero))
        return recusaNumero(numero);
    // The checks and the delete under one lock: no row can be given this
    // number in between.
    db::WriteTransaction transacao(m_conexao);
    if (existe(kTemNotas.arg(numero)))
        return QStringLiteral("Este protocolo não pode ser apagado, pois tem Notas vinculadas !");
    if (existe(kTemRateios.arg(numero)))
        return QStringLiteral("Este protocolo não pode ser apagado, pois tem Rateios vinculados !");
    m_command.parameters().clear();
    m_command.setCommandText(kApaga.arg(numero));
    m_command.execute();
    transacao.commit();
    m_lido.lembra(chaveDe(numero), std::nullopt);
    return QString();
}

QString Protocolos::reabre(const QString &numero)
{
    if (numero.isEmpty())
        return QStringLiteral("Informe o número do protocolo que será reaberto.");
    if (!numeroValido(numero))
        return recusaNumero(numero);
    db::WriteTransaction transacao(m_conexao);
    if (!existe(kExiste.arg(numero)))
        return QStringLiteral("O protocolo %1 não existe: nada foi reaberto.\nConfira o número do protocolo.").arg(numero);
    m_command.parameters().clear();
    m_command.setCommandText(kReabre.arg(numero));
    m_command.execute();
    transacao.commit();
    return QString();
}

QList<Protocolo> Protocolos::lista()
{
    QList<Protocolo> protocolos;
    for (bool linha = consulta(kLista.arg(m_tabela)); linha; linha = (m_query.next(), !m_query.eof()))
        protocolos.append(daLinha(m_query));
    m_query.close();
    return protocolos;
}

bool Protocolos::abreAberto(db::Query &q, qint64 numero)
{
    q.setSql(kAbertoPorNumero.arg(numero));
    q.open();
    return !q.eof();
}

void Protocolos::marcaTransmitido(const QString &numero, const QDate &hoje, const std::function<void()> &confere)
{
    if (!Funcoes::SoDigitos(numero) || numero.size() > 18)
        throw orva::Error(QStringLiteral("Número de protocolo inválido: %1").arg(numero));
    db::WriteTransaction transacao(m_conexao);
    // A damaged database may have given a declaration that lacks rows: the
    // mark waits until it is sound (the database's own check).
    TdtmDados::VerificaBanco(m_conexao);
    if (confere)
        confere();
    m_command.parameters().clear();
    m_command.parameters().add(QStringLiteral("pDtTransmissao"), db::ParamKind::Date).setValue(hoje);
    m_command.setCommandText(kMarcaTransmitido.arg(numero.toLongLong()));
    if (m_command.execute() == 0)
        throw orva::Error(QStringLiteral("O protocolo %1 não existe mais no banco de dados ou já foi marcado como "
                                         "transmitido por outro usuário.")
                              .arg(numero));
    transacao.commit();
}

} // namespace orva::stores
