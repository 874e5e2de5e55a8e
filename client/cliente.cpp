#include "cliente.h"

#include "common/relogio.h"

#include "common/errors.h"
#include "common/files.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace orva::cliente {

namespace {

// The advice of a failed connection, and on a line of its own what the
// system said: a wrong host name, a refusal and a time-out read apart.
QString semConexao2(const QString &causa)
{
    return causa.isEmpty() ? mensagemSemConexao2() : mensagemSemConexao2() + QStringLiteral("#13Causa: ") + causa;
}

} // namespace

Cliente::Cliente(const QString &pastaCliente, Dialogos &dialogos)
    : m_pastaCliente(pastaCliente), m_dialogos(dialogos)
{
}

void Cliente::LeConfiguracao(const QString &arquivo)
{
    m_endereco.host = orva::cliente::LeConfiguracao(arquivo.isEmpty() ? configuracaoDaPasta(m_pastaCliente) : arquivo);
}

const QStringList &Cliente::ListaDeclaracoes(const QString &pasta)
{
    m_arquivos = arquivosDeclaracao(pasta);
    m_linhas.clear();
    for (const QString &nome : std::as_const(m_arquivos))
        m_linhas << linhaDeclaracao(nome);
    return m_linhas;
}

bool Cliente::SelecionaDeclaracao(int indice)
{
    if (indice < 0 || indice >= m_arquivos.size())
        return false;
    const QString &nome = m_arquivos.at(indice);
    m_pastaSelecao = comBarra(m_origem);
    m_arquivoSelecionado = m_pastaSelecao + nome;
    m_erroExtracao.clear();
    ExtraiDeclaracao(LocalizaArquivador(m_pastaCliente), m_arquivoSelecionado, m_pastaSelecao, &m_erroExtracao);
    m_arquivoDados = orva::cliente::arquivoDados(m_pastaSelecao, nome);
    return true;
}

void Cliente::avisaEspera(const ResultadoTroca &troca)
{
    if (troca.conexaoEncerrada)
        m_dialogos.erro(mensagemConexaoEncerrada());
    else if (troca.tempoEsgotado)
        m_dialogos.erro(mensagemTempoEsgotado());
}

bool Cliente::grava(const QString &registro, QString *arquivo, QString *erro)
{
    try {
        *arquivo = GravaComprovante(pastaRecibos(), registro, m_chave, agora());
    } catch (const orva::Error &e) {
        if (erro)
            *erro = e.message();
        else
            m_dialogos.erro(e.message());
        return false;
    }
    ListaComprovantes();
    return true;
}

ResultadoEnvio Cliente::Envia()
{
    ResultadoEnvio r;
    r.troca.desfecho = Desfecho::ArquivoInacessivel;
    // A declaration file that did not come out of this archive (or an older
    // one left beside it) must not speak for it.
    if (!m_erroExtracao.isEmpty()) {
        r.troca.erro = m_erroExtracao;
        m_dialogos.erro(m_erroExtracao);
        return r;
    }
    try {
        if (const auto chave = LeRegistroProtocolo(m_arquivoDados))
            m_chave = *chave;
    } catch (const orva::Error &e) {
        r.troca.erro = e.message();
        m_dialogos.erro(e.message());
        return r;
    }

    const auto confirma = [this](const Resposta &resposta) {
        return m_dialogos.confirma(resposta.mensagem1, resposta.mensagem2);
    };
    r.troca = EntregaDeclaracao(m_endereco, m_arquivoSelecionado, m_limites, confirma, m_acompanha, kBlocosPorEnvio);
    const Resposta &resposta = r.troca.resposta;
    avisaEspera(r.troca);
    bool respondida = false;
    switch (r.troca.desfecho) {
    case Desfecho::ArquivoInacessivel:
    case Desfecho::PedidoInvalido:
        m_dialogos.erro(r.troca.erro);
        break;
    case Desfecho::SemConexao:
        m_dialogos.falha(mensagemSemConexao1(), semConexao2(r.troca.erro));
        break;
    case Desfecho::SemResposta:
        break;
    case Desfecho::Cancelada:
        m_dialogos.mensagem(mensagemEntregaCancelada(r.troca.bytesEnviados));
        break;
    case Desfecho::EnvioParado:
        m_dialogos.erro(r.troca.envioLento ? mensagemEnvioLento() : mensagemEnvioParado(m_limites.envio));
        break;
    case Desfecho::Recusada:
        m_dialogos.falha(resposta.mensagem1, resposta.mensagem2);
        break;
    case Desfecho::RecusadaAposEnvio:
        m_dialogos.falha(resposta.mensagem1, resposta.mensagem2 + QLatin1Char('-') + resposta.codigo);
        respondida = true;
        break;
    case Desfecho::EnvioIncompleto:
        // Nothing changes: the archive stays listed with its declaration file.
        m_dialogos.falha(mensagemEnvioIncompleto1(), mensagemEnvioIncompleto2(r.troca.enviados, r.troca.tamanho));
        break;
    case Desfecho::Recebida: {
        // A receipt that cannot be stored stops here: the archive stays
        // listed. The user hears that the server has the declaration and how
        // to fetch its receipt; that it is available only once it is stored.
        QString erro;
        r.comprovanteGravado = grava(resposta.mensagem1 + resposta.mensagem2, &r.comprovante, &erro);
        if (r.comprovanteGravado)
            m_dialogos.aviso(resposta.mensagem1, mensagemComprovanteDisponivel());
        else
            m_dialogos.erro(mensagemComprovanteNaoGravado(erro, m_chave.inscricao, m_chave.exercicio, m_chave.protocolo));
        respondida = r.comprovanteGravado;
        break;
    }
    }
    if (!respondida)
        return r;

    if (r.comprovanteGravado)
        r.marcada = MarcaEnviada(m_arquivoSelecionado);
    ListaComprovantes();
    m_origem = comBarra(m_origem);
    ListaDeclaracoes(m_origem);
    const QFileInfo dados(m_arquivoDados);
    QFile::remove(files::findIgnoringCase(dados.path(), dados.fileName()));
    return r;
}

Cliente::Abertura Cliente::Abre()
{
    if (m_origem.size() > 140 && (m_origem.startsWith(QLatin1Char('S')) || m_origem.startsWith(QLatin1Char('N')))) {
        QString arquivo;
        if (!grava(m_origem, &arquivo))
            return Abertura::ComprovanteRecusado; // the text stays, so it can be corrected
        m_origem = QStringLiteral("a:\\");
        return Abertura::ComprovanteGravado;
    }
    m_origem = comBarra(m_origem);
    ListaDeclaracoes(m_origem);
    return Abertura::Listada;
}

void Cliente::Apaga()
{
    if (!m_arquivoSelecionado.trimmed().isEmpty())
        MarcaEnviada(m_arquivoSelecionado);
    ListaDeclaracoes(m_origem);
}

const ListaRecibos &Cliente::ListaComprovantes()
{
    m_recibos = orva::cliente::ListaComprovantes(pastaRecibos(), m_filtro);
    return m_recibos;
}

void Cliente::SelecionaComprovante(int indice)
{
    if (indice >= 0 && indice < m_recibos.arquivos.size())
        m_comprovanteSelecionado = QDir(pastaRecibos()).filePath(m_recibos.arquivos.at(indice));
}

std::optional<Recibo> Cliente::PreparaImpressao()
{
    if (m_comprovanteSelecionado.isEmpty() || !QFileInfo::exists(m_comprovanteSelecionado)) {
        m_dialogos.mensagem(QStringLiteral("Selecione um comprovante para a impressão."));
        return std::nullopt;
    }
    try {
        Recibo recibo = LeComprovante(m_comprovanteSelecionado);
        AplicaAoImprimir(recibo, m_chave);
        return recibo;
    } catch (const orva::Error &e) {
        m_dialogos.erro(e.message());
        return std::nullopt;
    }
}

void Cliente::ConcluiImpressao()
{
    m_comprovanteSelecionado = MarcaImpresso(m_comprovanteSelecionado);
    ListaComprovantes();
}

void Cliente::ExcluiComprovante()
{
    if (!m_comprovanteSelecionado.isEmpty())
        orva::cliente::ExcluiComprovante(m_comprovanteSelecionado);
    ListaComprovantes();
}

bool Cliente::BuscaRecibo(const QString &inscricao, const QString &exercicioProtocolo, QString *comprovante)
{
    const ResultadoTroca r = BuscaComprovante(m_endereco, inscricao, exercicioProtocolo, m_limites, m_acompanha);
    if (r.desfecho == Desfecho::Cancelada) {
        m_dialogos.mensagem(mensagemBuscaCancelada());
        return false;
    }
    if (r.desfecho == Desfecho::PedidoInvalido) {
        m_dialogos.erro(r.erro);
        return false;
    }
    if (r.desfecho == Desfecho::SemConexao) {
        m_dialogos.falha(mensagemSemConexao1(), semConexao2(r.erro));
        return false;
    }
    avisaEspera(r);
    bool gravado = false;
    QString arquivo;
    if (r.desfecho == Desfecho::Recebida) {
        gravado = grava(inscricao + exercicioProtocolo + r.resposta.mensagem2, &arquivo);
        if (gravado)
            m_dialogos.aviso(r.resposta.mensagem1, mensagemComprovanteDisponivel());
    } else {
        m_dialogos.falha(r.resposta.mensagem1, r.resposta.mensagem2 + r.resposta.codigo);
    }
    ListaComprovantes();
    if (comprovante)
        *comprovante = arquivo;
    return gravado;
}

} // namespace orva::cliente
