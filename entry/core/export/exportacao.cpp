#include "exportacao.h"

#include "common/errors.h"
#include "common/files.h"
#include "common/plataforma/gravacao.h"
#include "common/win1252.h"
#include "core/maintenance/arquivador.h"
#include "core/db/connection.h"
#include "core/shell/funcoesbase.h"
#include "core/stores/empresas.h"
#include "core/stores/lancamento.h"
#include "core/stores/notas.h"
#include "core/stores/protocolos.h"
#include "core/stores/rateios.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStorageInfo>

#include <cerrno>
#include <cstring>

namespace orva::exportacao {
namespace {

QString mensagemLinhasAlteradas()
{
    return QStringLiteral("Outro usuário incluiu, alterou ou excluiu linhas deste protocolo depois que o arquivo foi "
                          "gerado, e o arquivo não as contém.");
}


// Lines go out in Windows-1252, each ended by CR LF, through one buffer.
// The file is written under a temporary name and takes its own name only
// when closed complete, so a failed run leaves the earlier file as it was.
class ArquivoDeclaracao {
public:
    explicit ArquivoDeclaracao(const QString &nome) : m_arquivo(nome)
    {
        if (!m_arquivo.open(QIODevice::WriteOnly))
            throw orva::Error(QStringLiteral("Não foi possível criar o arquivo %1: %2")
                                  .arg(nome, orva::files::descreveFalha(m_arquivo.errorString())));
        m_buffer.reserve(kBuffer + 1024);
    }
    void escreve(const QString &linha)
    {
        orva::win1252::appendEncoded(m_buffer, linha);
        terminaLinha();
    }
    void escreve(const declaracao::RegistroDetalhe &detalhe)
    {
        detalhe.acrescentaWin1252(m_buffer);
        terminaLinha();
    }
    void fecha()
    {
        descarrega();
        // On the disk before it takes its name: a crash never leaves a short
        // file under the final name.
        if (!m_arquivo.flush() || !orva::plataforma::sincroniza(m_arquivo.handle())) {
            const QString motivo = m_arquivo.error() != QFileDevice::NoError
                                       ? m_arquivo.errorString()
                                       : QString::fromLocal8Bit(std::strerror(errno));
            m_arquivo.cancelWriting();
            throw orva::Error(QStringLiteral("Erro ao gravar o arquivo %1: %2").arg(m_arquivo.fileName(), causa(motivo)));
        }
        if (!m_arquivo.commit())
            throw orva::Error(
                QStringLiteral("Erro ao gravar o arquivo %1: %2").arg(m_arquivo.fileName(), causa(m_arquivo.errorString())));
    }

private:
    // Told while the unfinished file still takes its room on the disk.
    QString causa(const QString &motivo) const
    {
        return orva::files::descreveFalhaGravacao(motivo, QFileInfo(m_arquivo.fileName()).absolutePath());
    }

    static constexpr qsizetype kBuffer = 1 << 16;
    void terminaLinha()
    {
        m_buffer += "\r\n";
        if (m_buffer.size() >= kBuffer)
            descarrega();
    }
    void descarrega()
    {
        if (!m_buffer.isEmpty() && m_arquivo.write(m_buffer) != m_buffer.size())
            throw orva::Error(
                QStringLiteral("Erro ao gravar o arquivo %1: %2").arg(m_arquivo.fileName(), causa(m_arquivo.errorString())));
        m_gravados += m_buffer.size();
        m_buffer.clear();
        // Hands what was written so far to the disk in the background, so
        // the flush at the end has little left to wait for.
        if (m_gravados - m_aDisco >= kLote && m_arquivo.flush()) {
            orva::plataforma::adiantaGravacao(m_arquivo.handle(), m_aDisco, m_gravados - m_aDisco);
            m_aDisco = m_gravados;
        }
    }

    static constexpr qint64 kLote = 8 << 20;
    qint64 m_gravados = 0;
    qint64 m_aDisco = 0;

    QSaveFile m_arquivo;
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
    const auto n = orva::stores::numeroProtocolo(numero);
    if (!Funcoes::SoDigitos(numero) || !n)
        return std::nullopt; // only a number may reach the statement
    orva::db::Query q(m_conexao);
    if (!orva::stores::Protocolos::abreAberto(q, *n))
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
    declaracao::Totais t;
    t.fill(declaracao::zeros15());
    const qint64 n = numero.toLongLong();
    if (tipoProtocolo == 0) {
        orva::stores::Notas notas(m_conexao);
        t[0] = declaracao::V15(notas.valorTotal(n));
        t[1] = declaracao::C15(notas.quantidade(n));
    } else if (tipoProtocolo == 1) {
        orva::stores::Rateios rateios(m_conexao);
        t[2] = declaracao::V15(rateios.totalEntradas(n));
        t[3] = declaracao::V15(rateios.totalSaidas(n));
        t[4] = declaracao::C15(rateios.quantidade(n));
    }
    return t;
}

QString Exportador::retratoDasLinhas(const QString &numero, int tipoProtocolo)
{
    const qint64 n = numero.toLongLong();
    return tipoProtocolo == 0 ? orva::stores::Notas(m_conexao).retrato(n) : orva::stores::Rateios(m_conexao).retrato(n);
}

std::optional<QString> Exportador::registroEmpresa(const QString &inscricao)
{
    orva::db::Query q(m_conexao);
    if (!orva::stores::Empresas::abre(q, inscricao))
        return std::nullopt;
    return declaracao::registroEmpresa(q);
}

ResultadoGravacao Exportador::gravaArquivo(const ProtocoloCarregado &protocolo, const QString &registroEmpresa,
                                           const std::function<bool(int, int)> &progresso)
{
    ArquivoDeclaracao arquivo(protocolo.arquivo);
    if (protocolo.tipoProtocolo != 0 && protocolo.tipoProtocolo != 1) {
        arquivo.fecha(); // the file is left empty
        throw Recusa(mensagemTipoInvalido());
    }

    orva::db::Query linhas(m_conexao);
    linhas.setForwardOnly(true);
    const qint64 numero = protocolo.numero.toLongLong();
    if (protocolo.tipoProtocolo == 0)
        orva::stores::Notas(m_conexao).abreDoProtocolo(linhas, numero);
    else
        orva::stores::Rateios(m_conexao).abreDoProtocolo(linhas, numero);
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
        arquivo.escreve(detalhe);
    }
    arquivo.fecha();
    return resultado;
}

Exportacao Exportador::exporta(const QString &numero, const QDate &hoje,
                               const std::function<bool(int, int)> &progresso)
{
    Exportacao e;
    {
        // Protocol, company, totals and rows from one snapshot: rows another
        // program adds meanwhile are in neither the header nor the details.
        const orva::db::ReadTransaction instantaneo(m_conexao);
        const auto protocolo = carregaProtocolo(numero, hoje);
        if (!protocolo)
            throw Recusa(mensagemProtocoloInexistente());
        e.protocolo = *protocolo;
        const auto empresa = registroEmpresa(protocolo->inscricao);
        if (!empresa)
            throw Recusa(mensagemEmpresaInexistente(protocolo->inscricao));
        const ResultadoGravacao gravacao = gravaArquivo(*protocolo, *empresa, progresso);
        e.linhas = gravacao.linhas;
        e.cancelado = gravacao.cancelado;
        if (!e.cancelado)
            e.retratoDasLinhas = retratoDasLinhas(numero, protocolo->tipoProtocolo);
    }
    if (e.cancelado || e.linhas == 0)
        return e;
    QString motivo;
    if (Funcoes::CompactaArquivo(e.protocolo.arquivo, e.protocolo.baseCompactado, &motivo)) {
        // The archiver only says it failed: a disk without room for an
        // archive as large as the declaration is named as the cause.
        const QStorageInfo disco(QFileInfo(e.protocolo.baseCompactado).absolutePath());
        if (disco.isValid() && disco.bytesAvailable() >= 0
            && disco.bytesAvailable() < QFileInfo(e.protocolo.arquivo).size() + (64 << 10))
            motivo = QStringLiteral("O disco está cheio: libere espaço e exporte novamente.\n") + motivo;
        throw Recusa(mensagemFalhaCompactacao() + (motivo.isEmpty() ? QString() : QStringLiteral("\n") + motivo));
    }
    e.arquivoCompactado = e.protocolo.baseCompactado + QStringLiteral(".rar");
    // The archiver reads its archive back before it answers; what must hold
    // here is that the file it named is there.
    const QFileInfo compactado(e.arquivoCompactado);
    if (!compactado.isFile() || compactado.size() == 0)
        throw Recusa(mensagemFalhaCompactacao() + QStringLiteral("\nO arquivo %1 não foi gravado.").arg(e.arquivoCompactado));
    e.empacotado = true;
    return e;
}

void Exportador::marcaTransmitido(const QString &numero, const QDate &hoje, const Exportacao *exportada)
{
    // The rows must still look as in the file, checked under the mark's lock.
    orva::stores::Protocolos(m_conexao).marcaTransmitido(numero, hoje, [&] {
        if (exportada && retratoDasLinhas(numero, exportada->protocolo.tipoProtocolo) != exportada->retratoDasLinhas)
            throw orva::Error(mensagemLinhasAlteradas());
    });
}

Execucao Exportador::executa(const QString &numero, const QDate &hoje, const std::function<bool(int, int)> &progresso,
                             const std::function<void(const Exportacao &)> &transmite)
{
    Execucao e;
    try {
        e.exportacao = exporta(numero, hoje, progresso);
    } catch (const Recusa &recusa) {
        e.mensagem = recusa.message();
        return e;
    } catch (const orva::db::DatabaseError &falha) {
        e.mensagem = falha.message();
        return e;
    }
    if (e.exportacao.cancelado) {
        e.fim = Execucao::Fim::Cancelada;
        e.mensagem = QStringLiteral("Exportação Cancelada !");
        return e;
    }
    if (e.exportacao.linhas == 0) {
        e.fim = Execucao::Fim::SemRegistros;
        e.mensagem = mensagemSemRegistros();
        return e;
    }
    // An archive for a protocol left open is never left where the client
    // would offer it: it lacks rows, or the protocol would be sent twice.
    const auto semMarca = [&](const QString &motivo) {
        QFile::remove(e.exportacao.arquivoCompactado);
        e.fim = Execucao::Fim::MarcaFalhou;
        e.mensagem = mensagemFalhaMarca(motivo);
        return e;
    };
    // Rows changed while the file was packed: nothing is handed on.
    try {
        if (retratoDasLinhas(e.exportacao.protocolo.numero, e.exportacao.protocolo.tipoProtocolo)
            != e.exportacao.retratoDasLinhas)
            return semMarca(mensagemLinhasAlteradas());
    } catch (const orva::Error &falha) {
        return semMarca(falha.message());
    }
    if (transmite)
        transmite(e.exportacao);
    try {
        marcaTransmitido(e.exportacao.protocolo.numero, hoje, &e.exportacao);
    } catch (const orva::Error &falha) {
        return semMarca(falha.message());
    }
    e.fim = Execucao::Fim::Concluida;
    e.mensagem = QStringLiteral("Exportação Concluida!");
    return e;
}

QString mensagemEmpresaInexistente(const QString &inscricao)
{
    return QStringLiteral("A empresa %1 do protocolo não está cadastrada. Cadastre-a antes de exportar.").arg(inscricao);
}

QString mensagemFalhaMarca(const QString &motivo)
{
    return QStringLiteral("O protocolo não pôde ser marcado como transmitido:\n") + motivo
           + QStringLiteral("\nO arquivo compactado foi retirado da pasta enviar. Exporte o protocolo novamente quando "
                            "o problema for resolvido.");
}

} // namespace orva::exportacao
