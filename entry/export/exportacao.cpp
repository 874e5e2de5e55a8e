#include "exportacao.h"

#include "common/errors.h"
#include "common/win1252.h"
#include "shell/db/sqltexto.h"
#include "shell/funcoes.h"

#include <QFile>

namespace orva::exportacao {
namespace {


// Lines go out in Windows-1252, each ended by CR LF, through one buffer.
class ArquivoDeclaracao {
public:
    explicit ArquivoDeclaracao(const QString &nome) : m_arquivo(nome)
    {
        if (!m_arquivo.open(QIODevice::WriteOnly | QIODevice::Truncate))
            throw orva::Error(QStringLiteral("Não foi possível criar o arquivo %1: %2")
                                  .arg(nome, m_arquivo.errorString()));
        m_buffer.reserve(kBuffer + 1024);
    }
    void escreve(const QString &linha)
    {
        orva::win1252::appendEncoded(m_buffer, linha);
        m_buffer += "\r\n";
        if (m_buffer.size() >= kBuffer)
            descarrega();
    }
    void fecha()
    {
        descarrega();
        m_arquivo.close();
        if (m_arquivo.error() != QFileDevice::NoError)
            throw orva::Error(QStringLiteral("Erro ao gravar o arquivo %1: %2")
                                  .arg(m_arquivo.fileName(), m_arquivo.errorString()));
    }

private:
    static constexpr qsizetype kBuffer = 1 << 16;
    void descarrega()
    {
        if (!m_buffer.isEmpty() && m_arquivo.write(m_buffer) != m_buffer.size())
            throw orva::Error(QStringLiteral("Erro ao gravar o arquivo %1: %2")
                                  .arg(m_arquivo.fileName(), m_arquivo.errorString()));
        m_buffer.clear();
    }

    QFile m_arquivo;
    QByteArray m_buffer;
};

} // namespace

QString mensagemProtocoloInexistente()
{
    return QStringLiteral("Este número de protocolo não existe, \nou ja foi entregue !");
}

QString mensagemSemRegistros()
{
    return QStringLiteral("Não existem registros para este protocolo, Exportação Cancelada!");
}

QString mensagemTipoInvalido()
{
    return QStringLiteral("Este Tipo de protocolo é invalido, \n"
                          "este erro ocorreu por violação de integridade da base de dados\n"
                          "Entre em contato com a Quorta pelo telefone 55 5010-2020 !");
}

QString mensagemFalhaCompactacao() { return QStringLiteral("Problemas na compactação do arquivo de dados !"); }

std::optional<ProtocoloCarregado> Exportador::carregaProtocolo(const QString &numero, const QDate &hoje)
{
    if (!Funcoes::SoDigitos(numero))
        return std::nullopt; // only a number may reach the statement
    orva::db::Query q(m_conexao);
    q.setSql(QStringLiteral("Select * From Protocolo Where Protocolo = ") + numero
             + QStringLiteral(" And DtTransmissao is Null"));
    q.open();
    if (q.eof())
        return std::nullopt;
    ProtocoloCarregado p;
    p.numero = numero;
    p.exercicio = q.fieldByName(QStringLiteral("Exercicio")).asString();
    p.inscricao = q.fieldByName(QStringLiteral("Inscricao")).asString();
    p.tipoProtocolo = static_cast<int>(q.fieldByName(QStringLiteral("Tipo_Protocolo")).asInteger());
    p.tipoEntrega = q.fieldByName(QStringLiteral("Tipo_Entrega")).asString();
    const QString pasta = Funcoes::DiretorioSistema();
    p.arquivo = declaracao::nomeArquivo(pasta, numero, p.inscricao);
    p.baseCompactado = declaracao::nomeBaseCompactado(pasta, numero, p.inscricao);
    p.registroProtocolo = declaracao::registroProtocolo(q, totais(numero, p.tipoProtocolo), hoje);
    return p;
}

declaracao::Totais Exportador::totais(const QString &numero, int tipoProtocolo)
{
    const auto resultado = [&](const QString &sql) {
        orva::db::Query q(m_conexao);
        q.setSql(sql + numero);
        q.open();
        return q.eof() ? orva::db::Field(QString(), QVariant(), false) : q.fieldByName(QStringLiteral("Resultado"));
    };
    declaracao::Totais t;
    t.fill(declaracao::zeros15());
    if (tipoProtocolo == 0) {
        t[0] = declaracao::V15(resultado(QStringLiteral("Select Sum(VALOR_NF) as Resultado from Notas where protocolo = ")).asFloat());
        t[1] = declaracao::C15(resultado(QStringLiteral("Select Count(NF) as Resultado from Notas where protocolo = ")).asInteger());
    } else if (tipoProtocolo == 1) {
        t[2] = declaracao::V15(
            resultado(QStringLiteral("Select Sum(VALOR_ENTRADA) as Resultado from Rateio where protocolo = ")).asFloat());
        t[3] = declaracao::V15(
            resultado(QStringLiteral("Select Sum(VALOR_SAIDA) as Resultado from Rateio where protocolo = ")).asFloat());
        t[4] = declaracao::C15(
            resultado(QStringLiteral("Select Count(Municipio) as Resultado from Rateio where protocolo = ")).asInteger());
    }
    return t;
}

std::optional<QString> Exportador::registroEmpresa(const QString &inscricao)
{
    orva::db::Query q(m_conexao);
    q.setSql(QStringLiteral("Select * From Empresa Where Inscricao = ") + orva::db::textoSql(inscricao));
    q.open();
    if (q.eof())
        return std::nullopt;
    return declaracao::registroEmpresa(q);
}

ResultadoGravacao Exportador::gravaArquivo(const ProtocoloCarregado &protocolo, const QString &registroEmpresa,
                                           const std::function<bool(int, int)> &progresso)
{
    ArquivoDeclaracao arquivo(protocolo.arquivo);
    QString tabela;
    if (protocolo.tipoProtocolo == 0)
        tabela = QStringLiteral("Notas");
    else if (protocolo.tipoProtocolo == 1)
        tabela = QStringLiteral("Rateio");
    else
        throw orva::Error(mensagemTipoInvalido());

    orva::db::Query linhas(m_conexao);
    linhas.setForwardOnly(true);
    linhas.setSql(QStringLiteral("Select * From ") + tabela + QStringLiteral(" Where Protocolo = ") + protocolo.numero);
    linhas.open();
    const int total = progresso ? linhas.recordCount() : 0;

    arquivo.escreve(registroEmpresa);
    arquivo.escreve(protocolo.registroProtocolo);
    ResultadoGravacao resultado;
    const declaracao::RegistroDetalhe detalhe(linhas, protocolo.tipoProtocolo);
    for (; !linhas.eof(); linhas.next()) {
        ++resultado.linhas;
        if (progresso && !progresso(resultado.linhas, total)) {
            resultado.cancelado = true;
            break;
        }
        arquivo.escreve(detalhe.registro());
    }
    arquivo.fecha();
    return resultado;
}

void Exportador::marcaTransmitido(const QString &numero, const QDate &hoje)
{
    if (!Funcoes::SoDigitos(numero))
        throw orva::Error(QStringLiteral("Número de protocolo inválido: %1").arg(numero));
    orva::db::Query q(m_conexao);
    q.setSql(QStringLiteral("Select * From Protocolo Where Protocolo = ") + numero);
    q.open();
    const bool existe = !q.eof();
    q.close();
    if (!existe)
        return;
    orva::db::Command cmd(m_conexao);
    cmd.parameters().add(QStringLiteral("pDtTransmissao"), orva::db::ParamKind::Date).setValue(hoje);
    cmd.setCommandText(QStringLiteral("Update Protocolo Set ") + QStringLiteral(" DTTRANSMISSAO = :pDtTransmissao")
                       + QStringLiteral(" Where Protocolo = ") + numero);
    cmd.execute();
}

} // namespace orva::exportacao
