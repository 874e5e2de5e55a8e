#include "validacao.h"

#include "common/errors.h"
#include "common/files.h"
#include "diagnostico.h"
#include "core/shell/dtmdados.h"
#include "core/shell/busca.h"
#include "core/db/bulkinsert.h"
#include "core/db/connection.h"
#include "core/db/parameters.h"
#include "core/db/query.h"
#include "core/db/statement.h"
#include "core/shell/funcoesbase.h"
#include "core/shell/validadores.h"
#include "core/shell/regional.h"
#include "core/stores/notas.h"

#include <QDate>
#include <QFileInfo>

#include <cstring>
#include <limits>

namespace orva::importacao {
namespace {

const QString kNaoCadastrado = QStringLiteral("Não Cadastrado");
const QString kSeparador = QStringLiteral("------------------------------------------------");
// Dates of this declaration must fall in its year.
const QString kAnoDeclaracao = QStringLiteral("2015");


// Removes the blanks (and the control characters below them) at both ends.
QString semBrancos(const QString &texto)
{
    qsizetype inicio = 0;
    qsizetype fim = texto.size();
    while (inicio < fim && texto.at(inicio).unicode() <= 0x20)
        ++inicio;
    while (fim > inicio && texto.at(fim - 1).unicode() <= 0x20)
        --fim;
    return texto.mid(inicio, fim - inicio);
}

// The conversions of the checks. The fields are mostly digits: those take a
// short way with the same answer as the regional conversion.
bool validaNumero(const QString &v) { return Funcoes::SoDigitos(v) || Funcoes::ValidaNumero(v); }

std::optional<double> numero(const QString &v)
{
    if (Funcoes::SoDigitos(v) && v.size() <= 18)
        return static_cast<double>(v.toLongLong());
    return orva::regional::parseFloat(v, false);
}

bool validaInteiro(const QString &v)
{
    if (Funcoes::SoDigitos(v) && v.size() <= 18)
        return v.toLongLong() <= std::numeric_limits<qint32>::max();
    return Funcoes::ValidaInteiro(v);
}

bool validaData(const QString &d)
{
    // DD/MM/YYYY in digits: the date itself decides.
    if (d.size() == 10 && d.at(2) == QLatin1Char('/') && d.at(5) == QLatin1Char('/') && Funcoes::SoDigitos(d.left(2))
        && Funcoes::SoDigitos(d.mid(3, 2)) && Funcoes::SoDigitos(d.right(4)))
        return QDate(d.right(4).toInt(), d.mid(3, 2).toInt(), d.left(2).toInt()).isValid();
    return Funcoes::ValidaData(d);
}

QString erroConversao(const QString &v) { return QStringLiteral("'%1' não é um número válido.").arg(v); }

// A line as the passes read it: its text and its whole length.
size_t hashLinha(const RegistroNota &registro) { return qHashMulti(0, registro.linha(), registro.tamanho()); }

qint64 tamanhoArquivo(const QString &arquivo) { return QFileInfo(arquivo).size(); }

QString mensagemArquivoAlterado(const QString &arquivo)
{
    return QStringLiteral("O arquivo %1 foi alterado depois da validação. Valide-o de novo antes de importar.").arg(arquivo);
}

} // namespace

QString mensagemProtocoloInvalido()
{
    return QStringLiteral("Este número de protocolo não existe, \nja foi entregue, ou o é um protocolo de Rateio !");
}
QString mensagemErrosValidacao() { return QStringLiteral("Foram encontrados erros na validação do Arquivo de importação"); }
QString mensagemErrosImportacao() { return QStringLiteral("Foram encontrados erros na importação dos Dados"); }
QString mensagemFalhaRegistro() { return QStringLiteral("Problemas na importação da Nota Fiscal!"); }
QString mensagemSemErros() { return QStringLiteral("Dados importados sem erros"); }

QString mensagemTamanho(qint64 tamanho)
{
    return QStringLiteral("Tamanho do Registro inválido, o registro deve ter 116 bytes e não ") + QString::number(tamanho);
}

QString verificaMunicipio(const QString &v)
{
    const QString t = semBrancos(v);
    if (t.size() != 6)
        return QStringLiteral("O cód. do municipio \"") + t + QStringLiteral("\" está com tamanho inválido!");
    // A code that is no whole number is not a registered municipality either.
    const auto codigo = orva::regional::parseInteger(t);
    if (!codigo || *codigo < 110001 || *codigo > 110180)
        return t + QStringLiteral(" Municipio não cadastrado no Orva");
    return QString();
}

const CampoVerificado &campoDaVerificacao(int verificacao)
{
    static const CampoVerificado campos[Verificacao::Verificacoes] = {
        {"inscricao", 1, 14},          {"exercicio", 15, 4},       {"municipio", 19, 6},
        {"tipo_entrada", 35, 2},       {"tipo_emitente", 37, 1},   {"nota_fiscal", 25, 10},
        {"data_emissao", 38, 8},       {"valor_nota", 46, 15},     {"nota_origem", 78, 10},
        {"municipio_origem", 111, 6},  {"tipo_nota_origem", 76, 2}, {"valor_nota_origem", 96, 15},
    };
    return campos[std::clamp(verificacao, 0, Verificacao::Verificacoes - 1)];
}

namespace {

// The record's key and the line as one error of the whole record.
ErroRegistro erroDoRegistro(const RegistroNota &registro, int linha, const QString &mensagem)
{
    ErroRegistro e;
    e.linha = linha;
    e.inscricao = registro.campo(1);
    e.notaFiscal = registro.campo(4);
    e.tipo = registro.campo(5);
    e.campo = QStringLiteral("registro");
    e.largura = static_cast<int>(std::min<qint64>(registro.tamanho(), std::numeric_limits<int>::max()));
    e.mensagem = mensagem;
    e.texto = registro.linha().left(200);
    e.conteudo = e.texto;
    return e;
}

} // namespace

QStringList blocoValidacao(const QString &linha, int processados, const Verificacao::Mensagens &mensagens)
{
    // Each message ends with its own line break, as the report has always
    // shown them: one line per message and an empty line before the closing
    // separator.
    QString juntas;
    for (const QString &m : mensagens)
        if (!m.isEmpty())
            juntas += m + QLatin1Char('\n');
    return {linha,
            QStringLiteral("------ Erros encotrados no registro acima Linha ") + QString::number(processados)
                + QStringLiteral("------"),
            juntas, kSeparador};
}

QStringList blocoImportacao(const QString &linha, const QString &mensagem)
{
    return {linha, QStringLiteral("------ Erros encotrados no registro acima ------"), mensagem, kSeparador};
}

QStringList resumoValidacao(int processados, int erros)
{
    return {QStringLiteral("------ Resultado da Validação dos Dados ------"),
            QStringLiteral("Registros Processados.: ") + QString::number(processados),
            QStringLiteral("Qtde. Total de Erros..: ") + QString::number(erros), kSeparador};
}

QStringList resumoImportacao(int processados, int erros, int existentes)
{
    QStringList resumo = {QStringLiteral("------ Resultado da Importação dos Dados ------"),
                          QStringLiteral("Registros Processados.: ") + QString::number(processados),
                          QStringLiteral("Qtde. Total de Erros..: ") + QString::number(erros)};
    if (existentes > 0)
        resumo << QStringLiteral("Já no Banco de Dados..: ") + QString::number(existentes);
    resumo << kSeparador;
    return resumo;
}

// --- Checks -----------------------------------------------------------------

Verificacao::Verificacao(QString inscricao, QString exercicio, BuscaEmpresa buscaEmpresa)
    : m_inscricao(std::move(inscricao)), m_exercicio(std::move(exercicio)), m_buscaEmpresa(std::move(buscaEmpresa))
{
}

Verificacao::Mensagens Verificacao::verifica(const RegistroNota &registro)
{
    Mensagens m;
    if (!registro.tamanhoValido()) {
        m[0] = mensagemTamanho(registro.tamanho());
        return m;
    }
    const QString tipo = registro.tipo();
    m[0] = verificaDeclarante(registro.inscricao());
    m[1] = verificaExercicio(registro.exercicio());
    m[2] = verificaMunicipio(registro.municipio());
    m[3] = verificaTipoEntrada(tipo);
    m[4] = verificaTipoEmitente(registro.tipoEmitente(), tipo);
    m[5] = verificaNotaFiscal(registro.notaFiscal());
    m[6] = verificaDataEmissao(registro.dataEmissao());
    m[7] = verificaValorNota(registro.valorNota());
    // The origin note is checked only on the declarant's own entry notes.
    if (tipo == QLatin1String("NE")) {
        m[8] = verificaNotaOrigem(registro.notaOrigem());
        m[9] = verificaMunicipio(registro.municipioOrigem());
        m[10] = verificaTipoNotaOrigem(registro.tipoNotaOrigem());
        m[11] = verificaValorNotaOrigem(registro.valorNotaOrigem(), registro.valorNota());
    }
    return m;
}

QString Verificacao::verificaDeclarante(const QString &v)
{
    if (v != m_inscricao)
        return v + QStringLiteral(" Inscrição diferente da inscrição informada no protocolo.");
    if (!m_declaranteConhecido || m_declaranteVerificado != v) {
        bool valida = false;
        try {
            valida = Funcoes::ValidaInscricao(v);
        } catch (const orva::Error &) {
            valida = false; // a registration with other characters than digits is invalid, not a halt
        }
        if (!valida)
            m_mensagemDeclarante = v + QStringLiteral(" Inscrição Inválida");
        else if (m_buscaEmpresa && m_buscaEmpresa(v) == kNaoCadastrado)
            m_mensagemDeclarante = v + QStringLiteral(" Empresa não Cadastrada no Orva");
        else
            m_mensagemDeclarante.clear();
        m_declaranteVerificado = v;
        m_declaranteConhecido = true;
    }
    return m_mensagemDeclarante;
}

QString Verificacao::verificaExercicio(const QString &v) const
{
    if (v != m_exercicio)
        return v + QStringLiteral(" Exercicio diferente do exercicio informado no protocolo");
    return QString();
}

QString Verificacao::verificaTipoEntrada(const QString &v) const
{
    const QString t = v.toUpper();
    if (t != QLatin1String("NP") && t != QLatin1String("NA") && t != QLatin1String("NE"))
        return kNaoCadastrado + QStringLiteral(" Tipo de Entrada não cadastrada no Orva");
    return QString();
}

QString Verificacao::verificaTipoEmitente(const QString &v, const QString &tipo) const
{
    if (tipo == QLatin1String("NE") && v != QLatin1String("1"))
        return v + QStringLiteral(" Para o tipo de Entrada ") + tipo
               + QStringLiteral(" , o Tipo de emitente deve ser 1 (Inscrição Estadual)");
    return QString();
}

QString Verificacao::verificaNotaFiscal(const QString &v) const
{
    if (!Funcoes::SoDigitos(v))
        return v + QStringLiteral(" Nota Fiscal deve ter somente números");
    return QString();
}

QString Verificacao::verificaDataEmissao(const QString &d) const
{
    if (semBrancos(d).size() != 10)
        return d + QStringLiteral(" Data da Nota com Tamanho inválido");
    if (!validaData(d))
        return d + QStringLiteral(" Data inválida");
    if (d.mid(6, 4) != kAnoDeclaracao)
        return d + QStringLiteral(" Ano inválido para esta declaração");
    return QString();
}

QString Verificacao::verificaValorNota(const QString &v) const
{
    if (!validaNumero(v))
        return v + QStringLiteral(" Valor da Nota deve comter apenas numeros");
    const auto valor = numero(v);
    if (!valor || !(*valor > 0))
        return v + QStringLiteral(" Valor da Nota deve ser maior que ZERO");
    return QString();
}

QString Verificacao::verificaNotaOrigem(const QString &v) const
{
    if (!validaInteiro(v))
        return v + QStringLiteral(" Nota de Origem deve conter apenas numeros ");
    return QString();
}

QString Verificacao::verificaTipoNotaOrigem(const QString &v) const
{
    if (v != QLatin1String("NP") && v != QLatin1String("NA"))
        return v + QStringLiteral(" Tipo de Entrada não cadastrada no Orva");
    return QString();
}

QString Verificacao::verificaValorNotaOrigem(const QString &v, const QString &w) const
{
    if (!validaNumero(v))
        return v + QStringLiteral(" Valor da Nota de Origem deve comter apenas numeros");
    const auto valorNota = numero(w);
    if (!valorNota)
        return QStringLiteral("Valor Invalido ") + erroConversao(w);
    const auto valorOrigem = numero(v);
    if (!valorOrigem || *valorOrigem != *valorNota)
        return v + QStringLiteral(" Valor da Nota de Origem deve ser igual ao valor da Nota Fiscal de Entrada!");
    return QString();
}

// --- Insert -----------------------------------------------------------------

namespace {

// The transaction of an import pass was undone by the database itself (a
// full disk, an I/O error): what it held since the last commit is gone.
struct TransacaoDesfeita {
    QString causa;
};

using orva::db::ParamKind;

// The parameters of the insert, in the order they are given their values.
enum Param {
    pInscricao,
    pExercicio,
    pMunicipio,
    pNotaFiscal,
    pDtEmissao,
    pTipo,
    pValorNF,
    pTipoEmitente,
    pNotaOrigem,
    pEmitenteOrigem,
    pTipoNfOrigem,
    pDtNfOrigem,
    pValorNfOrigem,
    pTipoEmitenteOrigem,
    pMunicipioOrigem,
    pProtocolo,
    pOperacao,
    kParametros
};

constexpr const char *kNomes[kParametros] = {
    "pInscricao",     "pExercicio",     "pMunicipio",          "pNotaFiscal",      "pDtEmissao", "pTipo",
    "pValorNF",       "pTipoEmitente",  "pNotaOrigem",         "pEmitenteOrigem",  "pTipoNfOrigem",
    "pDtNfOrigem",    "pValorNfOrigem", "pTipoEmitenteOrigem", "pMunicipioOrigem", "pProtocolo", "pOperacao",
};

bool digitos(const char *p, int n)
{
    for (int i = 0; i < n; ++i)
        if (p[i] < '0' || p[i] > '9')
            return false;
    return true;
}

qint64 inteiro(const char *p, int n)
{
    qint64 v = 0;
    for (int i = 0; i < n; ++i)
        v = v * 10 + (p[i] - '0');
    return v;
}

} // namespace

// The insert, prepared once and run for every record. Values are converted as the command parameters of their kinds
// convert them; the usual shapes of the record's fields (digits where digits
// belong) take a short way to the same value, anything else goes through the
// parameters' own conversion.
class Importador::Insercao {
public:
    explicit Insercao(orva::db::Connection &conexao) : m_conexao(conexao) {}

    void prepara()
    {
        if (m_insert && !m_insert->stale())
            return;
        m_insert.reset(); // statements of a connection closed since are stale
        m_insert = orva::stores::Notas::insercaoEmLote(m_conexao);
        for (int i = 0; i < kParametros; ++i)
            m_indices[i] = m_insert->parameterIndex(QLatin1Char(':') + QLatin1String(kNomes[i]));
    }

    // Takes the values of a 116-character record; false when one of them
    // does not convert to the kind of its parameter.
    bool preenche(const RegistroNota &r, const QString &protocolo)
    {
        if (r.linha().size() != RegistroNota::Tamanho)
            return false; // only a whole record has all its fields
        m_linha = r.linha().toUtf8();
        m_ascii = m_linha.size() == r.linha().size();
        texto(pInscricao, r, 1);
        texto(pExercicio, r, 2);
        texto(pMunicipio, r, 3);
        texto(pNotaFiscal, r, 4);
        if (!data(pDtEmissao, r, 38, false, [&] { return r.dataEmissao(); }))
            return false;
        texto(pTipo, r, 5);
        if (!valor(pValorNF, 46, [&] { return r.valorNotaDecimal(); }))
            return false;
        // Emitter type: a whole number.
        if (m_ascii && digitos(m_linha.constData() + 36, 1)) {
            m_valores[pTipoEmitente] = Valor::deInteiro(m_linha.at(36) - '0');
        } else {
            const auto v = converte(ParamKind::Integer, r.tipoEmitente());
            if (!v)
                return false;
            m_valores[pTipoEmitente] = Valor::deInteiro(v->toLongLong());
        }
        texto(pNotaOrigem, r, 14);
        texto(pEmitenteOrigem, r, 12);
        texto(pTipoNfOrigem, r, 13);
        if (!data(pDtNfOrigem, r, 88, true, [&] { return r.dataNotaOrigemGravada(); }))
            return false;
        if (!valor(pValorNfOrigem, 96, [&] { return r.valorNotaOrigemDecimal(); }))
            return false;
        // Bound as text, into a whole-number column: the database refuses a
        // text that is no number rather than keep it in that column.
        texto(pTipoEmitenteOrigem, r, 11);
        if (!(m_ascii && digitos(m_linha.constData() + 60, 1)) && !orva::regional::parseInteger(r.tipoEmitenteOrigem()))
            return false;
        texto(pMunicipioOrigem, r, 19);
        if (protocolo != m_protocolo) {
            m_protocolo = protocolo;
            m_protocoloUtf8 = protocolo.toUtf8();
        }
        m_valores[pProtocolo] = Valor::deTexto(m_protocoloUtf8);
        m_valores[pOperacao] = Valor::deTexto("I", 1);
        return true;
    }

    // How the database ended the last record refused, and its text.
    orva::db::PreparedStatement::Outcome ultimoFim() const { return m_ultimoFim; }
    const QString &ultimoTexto() const { return m_ultimoTexto; }

    // Queues the row filled: the database writes it at once (embedded) or
    // with the rest of its batch (server).
    void adiciona()
    {
        vincula();
        m_insert->add();
    }
    // Rows queued and not yet written; the batch is full.
    int pendentes() const { return m_insert->pending(); }
    bool cheio() const { return m_insert->full(); }

    // Writes the rows queued. `recusado` is told each row the database
    // refused (its position among those queued, from 0), with nothing of it
    // left; a failure of the database itself is raised instead, after
    // `posicaoRecusada()` names the row it stopped at.
    void grava(bool emTransacao, const std::function<void(int posicao)> &recusado)
    {
        m_posicaoRecusada = -1;
        m_insert->flush([&](int posicao, orva::db::BulkInsert::Outcome fim, const orva::db::DatabaseError &falhaBanco) {
            m_posicaoRecusada = posicao;
            m_ultimoFim = fim;
            m_ultimoTexto = fim == orva::db::BulkInsert::Outcome::BindFailed ? QString() : falhaBanco.message();
            if (!m_conexao.inTransaction() && emTransacao) {
                // The database undid more than this row: its own transaction and
                // the rows written since the last commit.
                throw TransacaoDesfeita{falhaBanco.message()};
            }
            // A full disk, a lock held by another program or a damaged file is
            // no fault of the record: the pass stops and says why.
            if (falhaBanco.doBanco())
                throw falhaBanco;
            recusado(posicao);
        });
    }
    int posicaoRecusada() const { return m_posicaoRecusada; }

    // Writes one row; false, with nothing of it left, when the database
    // refuses it.
    bool executa(bool emTransacao)
    {
        adiciona();
        bool gravado = true;
        grava(emTransacao, [&](int) { gravado = false; });
        return gravado;
    }

private:
    struct Valor {
        enum Tipo { Texto, Inteiro, Real } tipo = Texto;
        const char *texto = nullptr;
        int tamanho = 0;
        qint64 numero = 0;
        double real = 0;

        static Valor deTexto(const char *t, int n) { return {Texto, t, n, 0, 0}; }
        static Valor deTexto(const QByteArray &t) { return {Texto, t.constData(), static_cast<int>(t.size()), 0, 0}; }
        static Valor deInteiro(qint64 v) { return {Inteiro, nullptr, 0, v, 0}; }
        static Valor deReal(double v) { return {Real, nullptr, 0, 0, v}; }
    };

    // The parameters' own conversion: nothing when the text does not convert.
    static std::optional<QVariant> converte(ParamKind tipo, const QString &texto)
    {
        orva::db::Parameter p(QString(), tipo);
        try {
            p.setValue(texto);
        } catch (const orva::Error &) {
            return std::nullopt;
        }
        return p.value();
    }

    // Field `campo` as text: straight from the line when it is plain ASCII.
    void texto(Param p, const RegistroNota &r, int campo)
    {
        const auto &pos = RegistroNota::Campos[static_cast<size_t>(campo - 1)];
        if (m_ascii) {
            m_valores[p] = Valor::deTexto(m_linha.constData() + pos.inicio - 1, pos.largura);
        } else {
            m_textos[p] = r.campo(campo).toUtf8();
            m_valores[p] = Valor::deTexto(m_textos[p]);
        }
    }

    // A date of day, month and year fields starting at `inicio`, stored as
    // YYYY-MM-DD. The all-zero origin date is the absent date 01/01/1900.
    template <typename Texto>
    bool data(Param p, const RegistroNota &, int inicio, bool zeroAusente, Texto textoData)
    {
        const char *d = m_linha.constData() + inicio - 1;
        if (m_ascii && digitos(d, 8)) {
            if (zeroAusente && std::memcmp(d, "00000000", 8) == 0) {
                m_textos[p] = QByteArrayLiteral("1900-01-01");
                m_valores[p] = Valor::deTexto(m_textos[p]);
                return true;
            }
            const int ano = static_cast<int>(inteiro(d + 4, 4));
            if (ano >= 1000 && QDate(ano, static_cast<int>(inteiro(d + 2, 2)), static_cast<int>(inteiro(d, 2))).isValid()) {
                QByteArray &iso = m_textos[p];
                iso.resize(10);
                char *o = iso.data();
                std::memcpy(o, d + 4, 4);
                o[4] = '-';
                std::memcpy(o + 5, d + 2, 2);
                o[7] = '-';
                std::memcpy(o + 8, d, 2);
                m_valores[p] = Valor::deTexto(iso);
                return true;
            }
        }
        const auto v = converte(ParamKind::Date, textoData());
        if (!v)
            return false;
        m_textos[p] = v->toString().toUtf8();
        m_valores[p] = Valor::deTexto(m_textos[p]);
        return true;
    }

    // A 15-character value in hundredths starting at `inicio`. Digits give
    // an exact whole number of hundredths divided by 100: the number the
    // regional conversion of "13 digits,2 digits" gives.
    template <typename Texto>
    bool valor(Param p, int inicio, Texto textoDecimal)
    {
        const char *v = m_linha.constData() + inicio - 1;
        if (m_ascii && digitos(v, 15)) {
            m_valores[p] = Valor::deReal(static_cast<double>(inteiro(v, 15)) / 100.0);
            return true;
        }
        const auto n = converte(ParamKind::Float, textoDecimal());
        if (!n)
            return false;
        m_valores[p] = Valor::deReal(n->toDouble());
        return true;
    }

    // The texts stay in this object until the row is written: no copies.
    void vincula()
    {
        for (int i = 0; i < kParametros; ++i) {
            const int indice = m_indices[i];
            if (indice == 0)
                continue;
            const Valor &v = m_valores[i];
            bool vinculado = true;
            switch (v.tipo) {
            case Valor::Texto: vinculado = m_insert->bindText(indice, v.texto, v.tamanho); break;
            case Valor::Inteiro: vinculado = m_insert->bindInteger(indice, v.numero); break;
            case Valor::Real: vinculado = m_insert->bindReal(indice, v.real); break;
            }
            if (!vinculado) {
                m_insert->bindingFailed();
                return;
            }
        }
    }

    orva::db::Connection &m_conexao;
    orva::db::PreparedStatement::Outcome m_ultimoFim = orva::db::PreparedStatement::Outcome::Done;
    QString m_ultimoTexto;
    std::unique_ptr<orva::db::BulkInsert> m_insert;
    int m_posicaoRecusada = -1;
    int m_indices[kParametros] = {};
    Valor m_valores[kParametros];
    std::array<QByteArray, kParametros> m_textos;
    QByteArray m_linha;
    bool m_ascii = false;
    QString m_protocolo;
    QByteArray m_protocoloUtf8;
};

// --- Importador ---------------------------------------------------------------

Importador::Importador(orva::db::Connection &conexao) : m_conexao(conexao) {}

Importador::~Importador() = default;

Importador::Insercao &Importador::insercao()
{
    if (!m_insercao)
        m_insercao = std::make_unique<Insercao>(m_conexao);
    m_insercao->prepara();
    return *m_insercao;
}

QString Importador::empresaDeNotas(const QString &inscricao)
{
    orva::db::Query consulta(m_conexao);
    return orva::busca::descricaoChaves(consulta, QStringLiteral("Empresa"), QStringLiteral("Inscricao"), inscricao,
                                        QStringLiteral("TIPO_DECLARA"), QStringLiteral("0"), QStringLiteral("Razao"));
}

std::optional<Protocolo> Importador::VerificaProtocolo(const QString &numero)
{
    if (!Funcoes::SoDigitos(numero))
        return std::nullopt; // only a number may reach the statement
    const auto aberto = orva::stores::Notas(m_conexao).protocoloAberto(numero);
    if (!aberto)
        return std::nullopt;
    Protocolo p;
    p.numero = numero;
    p.exercicio = aberto->exercicio;
    p.inscricao = aberto->inscricao;
    p.tipoEntrega = aberto->tipoEntrega;
    return p;
}

bool Importador::protocoloAberto(const QString &protocolo)
{
    return orva::stores::Notas(m_conexao).protocoloAberto(protocolo).has_value();
}

bool Importador::ImportaRegistro(const RegistroNota &registro, const QString &protocolo)
{
    return importa(registro, protocolo, false);
}

bool Importador::importa(const RegistroNota &r, const QString &protocolo, bool emTransacao, Recusa *recusa)
{
    Insercao &ins = insercao();
    if (!ins.preenche(r, protocolo)) {
        if (recusa)
            *recusa = {QStringLiteral("Um valor do registro não pôde ser convertido."), false};
        return false;
    }
    if (ins.executa(emTransacao))
        return true;
    if (recusa)
        *recusa = motivoRecusa(r, ins.ultimoFim(), ins.ultimoTexto());
    return false;
}

Importador::Recusa Importador::motivoRecusa(const RegistroNota &r, orva::db::PreparedStatement::Outcome fim,
                                           const QString &texto)
{
    if (fim == orva::db::PreparedStatement::Outcome::DuplicateKey) {
        // The key of Notas: the same invoice is already stored.
        const QString protocolo =
            orva::stores::Notas(m_conexao).protocoloDe({r.campo(1), r.campo(2), r.campo(3), r.campo(4), r.campo(5)});
        return {protocolo.isEmpty() ? QStringLiteral("A nota já está no banco de dados.")
                                    : QStringLiteral("A nota já está no banco de dados (protocolo %1).").arg(protocolo),
                true};
    }
    if (fim == orva::db::PreparedStatement::Outcome::BindFailed)
        return {QStringLiteral("Um valor do registro não pôde ser convertido."), false};
    return {QStringLiteral("O banco de dados recusou o registro: %1").arg(texto), false};
}

void Importador::VerificaEntrada(const QString &arquivo)
{
    if (!QFileInfo::exists(arquivo))
        throw orva::Error(QStringLiteral("O arquivo %1 não existe.").arg(arquivo));
    if (!orva::files::isRegularFile(arquivo))
        throw orva::Error(QStringLiteral("%1 não é um arquivo comum (é uma pasta, um dispositivo ou um canal): "
                                         "informe o arquivo de notas fiscais a importar.")
                              .arg(arquivo));
    // A damaged database must not pass for a clean file, nor take records.
    TdtmDados::VerificaBanco(m_conexao);
}

Resultado Importador::ValidaArquivo(const QString &arquivo, const QString &inscricao, const QString &exercicio,
                                    const Acompanhamento &a)
{
    VerificaEntrada(arquivo);
    Resultado r;
    r.diagnostico = diagnosticaArquivo(arquivo);
    const int total = Funcoes::ContaLinhas(arquivo);
    if (a.inicio)
        a.inicio(total);
    LeitorLinhas leitor(arquivo);
    // A database failure of this lookup stops the pass: it must not pass a
    // registration it could not look up.
    Verificacao verificacao(inscricao, exercicio, [this](const QString &v) { return empresaDeNotas(v); });
    const auto relata = [&](const QStringList &entradas) {
        if (a.relatorio)
            for (const QString &e : entradas)
                a.relatorio(e);
    };

    // What is wrong with the file as a whole comes first, to explain the rest.
    relata(r.diagnostico);
    while (leitor.proxima()) {
        ++r.processados;
        if (a.andamento)
            a.andamento(r.processados, r.erros);
        if (a.cancelado && a.cancelado()) {
            r.cancelado = true;
            return r;
        }
        const RegistroNota registro = leitor.registro();
        r.impressao.linhas.push_back(hashLinha(registro));
        const Verificacao::Mensagens mensagens = verificacao.verifica(registro);
        int errosRegistro = 0;
        for (const QString &m : mensagens)
            if (!m.isEmpty())
                ++errosRegistro;
        if (errosRegistro > 0) {
            r.erros += errosRegistro;
            relata(blocoValidacao(registro.linha(), r.processados, mensagens));
            if (a.erro) {
                for (int i = 0; i < Verificacao::Verificacoes; ++i) {
                    if (mensagens[static_cast<size_t>(i)].isEmpty())
                        continue;
                    ErroRegistro e = erroDoRegistro(registro, r.processados, mensagens[static_cast<size_t>(i)]);
                    if (registro.tamanhoValido()) {
                        const CampoVerificado &c = campoDaVerificacao(i);
                        e.campo = QString::fromLatin1(c.nome);
                        e.inicio = c.inicio;
                        e.largura = c.largura;
                        e.texto = registro.linha().mid(c.inicio - 1, c.largura);
                    }
                    a.erro(e);
                }
            }
        }
    }
    if (a.andamento)
        a.andamento(r.processados, r.erros);
    if (r.erros > 0)
        relata(resumoValidacao(r.processados, r.erros));
    r.impressao.tamanho = tamanhoArquivo(arquivo);
    r.impressao.lida = true;
    return r;
}

Resultado Importador::ImportaArquivo(const QString &arquivo, const QString &protocolo, const Acompanhamento &a,
                                      const ImpressaoArquivo *validado)
{
    VerificaEntrada(arquivo);
    if (validado && !validado->lida)
        validado = nullptr;
    if (validado && tamanhoArquivo(arquivo) != validado->tamanho)
        throw ImportacaoInterrompida(mensagemArquivoAlterado(arquivo) + QStringLiteral(" Nenhuma nota foi gravada."),
                                     orva::db::Causa::Outra, Resultado{});
    const int total = Funcoes::ContaLinhas(arquivo);
    if (a.inicio)
        a.inicio(total);
    LeitorLinhas leitor(arquivo);
    const auto relata = [&](const QStringList &entradas) {
        if (a.relatorio)
            for (const QString &e : entradas)
                a.relatorio(e);
    };

    insercao(); // a database that cannot take the statement fails before the pass
    // No statement of the pass outlives it: a compaction closes the
    // connection right after.
    // A page cache that holds a whole transaction's pages, so none is
    // written out twice; back to the usual size after the pass.
    m_conexao.executeScript(QStringLiteral("pragma cache_size = -16384"));
    struct Libera {
        std::unique_ptr<Insercao> &insercao;
        orva::db::Connection &conexao;
        ~Libera()
        {
            insercao.reset();
            try {
                conexao.executeScript(QStringLiteral("pragma cache_size = -2000"));
            } catch (const orva::Error &) {
            }
        }
    } libera{m_insercao, m_conexao};
    Resultado r;
    int pendentes = 0;       // records written since the last commit
    int linhaConfirmada = 0; // last line whose record is committed
    // The records since the last write, in file order: those refused before
    // reaching the database carry their message, the others are queued
    // (`linhasNaFila`: their lines) and learn theirs when the queue is
    // written. Their report follows, so it keeps the file's order.
    struct Pendente {
        int linha;
        RegistroNota registro;
        QString mensagem;
        bool naFila;
    };
    std::vector<Pendente> lote;
    std::vector<int> linhasNaFila;
    Insercao &ins = insercao();
    // On a server every workstation's writes wait for the write lock one
    // transaction at a time: shorter transactions keep that wait within the
    // lock's time when several import at once.
    const int porTransacao = m_conexao.servidor() ? std::min(m_porTransacao, kPorTransacaoServidor) : m_porTransacao;
    const auto gravaLote = [&] {
        std::vector<size_t> naFila;
        for (size_t k = 0; k < lote.size(); ++k)
            if (lote[k].naFila)
                naFila.push_back(k);
        ins.grava(true, [&](int posicao) {
            Pendente &p = lote[naFila[static_cast<size_t>(posicao)]];
            const Recusa recusa = motivoRecusa(p.registro, ins.ultimoFim(), ins.ultimoTexto());
            // The record's message as always, and why after it.
            p.mensagem = mensagemFalhaRegistro() + QLatin1Char(' ') + recusa.motivo;
            r.existentes += recusa.existente ? 1 : 0;
        });
        for (const Pendente &p : lote) {
            if (p.mensagem.isEmpty()) {
                ++r.importados;
                continue;
            }
            ++r.erros;
            relata(blocoImportacao(p.registro.linha(), p.mensagem));
            if (a.erro)
                a.erro(erroDoRegistro(p.registro, p.linha, p.mensagem));
        }
        lote.clear();
        linhasNaFila.clear();
    };
    int confirmados = 0; // records committed
    // What stays written when the pass stops.
    const auto parcial = [&](int gravados) {
        Resultado p = r;
        p.importados = gravados;
        return p;
    };
    const QString anteriores = QStringLiteral(" (as anteriores ficaram gravadas)");
    // Each transaction takes the write lock at its start: a writer that
    // cannot have it waits its time and fails before the first record. Under
    // that lock the protocol must still be open: an export that marked it
    // meanwhile ends the pass before anything goes into it. A transaction
    // left open when the pass stops is undone.
    orva::db::WriteTransaction transacao(m_conexao);
    const auto confereProtocolo = [&] {
        if (!protocoloAberto(protocolo))
            throw ImportacaoInterrompida(
                QStringLiteral("O protocolo %1 não está mais aberto: ele foi exportado ou excluído durante a importação. "
                               "As notas a partir da linha %2 não foram gravadas%3.")
                    .arg(protocolo)
                    .arg(r.processados + 1)
                    .arg(confirmados > 0 ? anteriores : QString()),
                orva::db::Causa::Outra, parcial(confirmados));
    };
    confereProtocolo();
    try {
        for (;;) {
            if (a.cancelado && a.cancelado()) {
                r.cancelado = true;
                break;
            }
            if (!leitor.proxima())
                break;
            RegistroNota registro = leitor.registro();
            // Only the line validated is written: what was validated before
            // it is committed, and the pass stops.
            if (validado
                && (static_cast<size_t>(r.processados) >= validado->linhas.size()
                    || validado->linhas[static_cast<size_t>(r.processados)] != hashLinha(registro))) {
                gravaLote();
                transacao.commit();
                confirmados = r.importados;
                throw ImportacaoInterrompida(mensagemArquivoAlterado(arquivo)
                                                 + QStringLiteral(" As notas a partir da linha %1 não foram gravadas%2.")
                                                       .arg(r.processados + 1)
                                                       .arg(confirmados > 0 ? anteriores : QString()),
                                             orva::db::Causa::Outra, parcial(confirmados));
            }
            ++r.processados;
            if (a.andamento)
                a.andamento(r.processados, r.erros);
            Pendente p{r.processados, std::move(registro), QString(), false};
            if (!p.registro.tamanhoValido()) {
                p.mensagem = mensagemTamanho(p.registro.tamanho());
            } else if (!ins.preenche(p.registro, protocolo)) {
                p.mensagem = mensagemFalhaRegistro() + QLatin1Char(' ')
                             + QStringLiteral("Um valor do registro não pôde ser convertido.");
            } else {
                ins.adiciona();
                p.naFila = true;
                linhasNaFila.push_back(p.linha);
            }
            lote.push_back(std::move(p));
            if (ins.cheio() || ins.pendentes() == 0)
                gravaLote();
            if (++pendentes >= porTransacao) {
                gravaLote();
                // Counted as written once committed, before the next begins:
                // a next that cannot begin leaves these counted.
                transacao.commit();
                confirmados = r.importados;
                pendentes = 0;
                linhaConfirmada = r.processados;
                transacao.restart();
                confereProtocolo();
            }
        }
        gravaLote();
        transacao.commit();
        confirmados = r.importados;
    } catch (const ImportacaoInterrompida &) {
        throw;
    } catch (const TransacaoDesfeita &desfeita) {
        throw ImportacaoInterrompida(
            QStringLiteral("O banco de dados desfez a gravação em andamento: as notas das linhas %1 a %2 "
                           "não foram gravadas. Resolva a causa abaixo e importe o arquivo novamente.\n")
                    .arg(linhaConfirmada + 1)
                    .arg(r.processados)
                + desfeita.causa,
            orva::db::Causa::Outra, parcial(confirmados));
    } catch (const orva::db::DatabaseError &e) {
        // What was written stays when it can be committed.
        bool confirmado = m_conexao.inTransaction();
        try {
            if (confirmado)
                transacao.commit();
        } catch (const orva::Error &) {
            confirmado = false; // undone as the pass ends
        }
        int primeira = linhaConfirmada + 1; // the transaction was undone
        int gravados = confirmados;
        if (linhaConfirmada == r.processados) {
            primeira = r.processados + 1; // a new transaction could not start
        } else if (confirmado && ins.posicaoRecusada() >= 0
                   && ins.posicaoRecusada() < static_cast<int>(linhasNaFila.size())) {
            primeira = linhasNaFila[static_cast<size_t>(ins.posicaoRecusada())]; // the rows before it are written
            gravados = r.importados + ins.posicaoRecusada();
        } else if (confirmado) {
            primeira = std::max(r.processados, 1); // the current record failed
            gravados = r.importados;
        }
        throw ImportacaoInterrompida(QStringLiteral("A importação parou na linha %1: as notas a partir dela não foram "
                                                    "gravadas%2.\n")
                                             .arg(primeira)
                                             .arg(gravados > 0 ? anteriores : QString())
                                         + e.message(),
                                     e.causa(), parcial(gravados));
    } catch (const orva::Error &e) {
        // What was written stays; a failed commit gives way to the first failure.
        int gravados = r.importados;
        try {
            transacao.commit();
        } catch (const orva::Error &) {
            gravados = confirmados; // undone as the pass ends
        }
        throw ImportacaoInterrompida(e.message(), orva::db::Causa::Outra, parcial(gravados));
    } catch (...) {
        try {
            transacao.commit();
        } catch (const orva::Error &) {
        }
        throw;
    }
    // A file cut short since the validation: what was read is what was validated.
    if (validado && !r.cancelado && static_cast<size_t>(r.processados) != validado->linhas.size())
        throw ImportacaoInterrompida(mensagemArquivoAlterado(arquivo)
                                         + QStringLiteral(" As linhas lidas, até a %1, foram gravadas.").arg(r.processados),
                                     orva::db::Causa::Outra, parcial(confirmados));
    if (a.andamento)
        a.andamento(r.processados, r.erros);
    if (!r.cancelado && r.erros > 0)
        relata(resumoImportacao(r.processados, r.erros, r.existentes));
    return r;
}

} // namespace orva::importacao
