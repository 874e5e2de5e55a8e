#include "datp.h"

#include "common/errors.h"
#include "common/win1252.h"

#include <QFile>
#include <QFileInfo>

#include <vector>

namespace orva::cliente {
namespace {

// A line must stay one line: no control character may travel in it.
void recusaControles(const QString &texto, const QString &oQue)
{
    QString visivel = texto;
    bool recusado = false;
    for (QChar &c : visivel) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7F) {
            c = QLatin1Char('?');
            recusado = true;
        }
    }
    if (recusado)
        throw Error(QStringLiteral("%1 contém um caractere de controle e não pode ser enviado: \"%2\"")
                        .arg(oQue, visivel));
}

QByteArray comFimDeLinha(const QString &linha) { return win1252::encode(linha) + "\r\n"; }

// Hands the connection's watcher the stage the exchange is in, and shows each
// new stage at once.
class Acompanhamento {
public:
    Acompanhamento(Conexao &conexao, const Acompanha &acompanha) : m_acompanha(acompanha)
    {
        if (m_acompanha)
            conexao.defineVigia([this] { return m_acompanha(andamento); });
    }
    // False when the caller stopped the exchange.
    bool etapa(Andamento::Etapa etapa, Relogio::time_point prazo = {})
    {
        andamento.etapa = etapa;
        andamento.prazo = prazo;
        return !m_acompanha || m_acompanha(andamento);
    }
    Andamento andamento;

private:
    const Acompanha &m_acompanha;
};

// Connects and sends the command line; a line that cannot go out means the
// connection broke, the same outcome as no connection at all.
bool conectaEEnvia(Conexao &conexao, Acompanhamento &acompanhamento, const Endereco &endereco,
                   const Limites &limites, const QByteArray &linha, ResultadoTroca &r)
{
    if (!acompanhamento.etapa(Andamento::Etapa::Conectando, Relogio::now() + limites.conexao)) {
        r.desfecho = Desfecho::Cancelada;
        return false;
    }
    if (conexao.conecta(endereco.host, endereco.porta, limites.conexao, &r.erro)
        && conexao.envia(linha, limites.envio, &r.erro))
        return true;
    r.desfecho = conexao.cancelada() ? Desfecho::Cancelada : Desfecho::SemConexao;
    return false;
}

// Reads a reply into the result: false when it was empty (the exchange
// ends) or the caller stopped the wait (desfecho Cancelada).
bool respostaLida(Conexao &conexao, Acompanhamento &acompanhamento, const Limites &limites, ResultadoTroca &r)
{
    const auto prazo = Relogio::now() + limites.resposta;
    acompanhamento.andamento.aposEnvio = r.aposEnvio;
    LinhaLida lida;
    if (acompanhamento.etapa(Andamento::Etapa::Aguardando, prazo))
        lida = LeResposta(conexao, prazo);
    else
        lida.cancelada = true;
    if (lida.cancelada) {
        r.desfecho = Desfecho::Cancelada;
        return false;
    }
    r.tempoEsgotado = r.tempoEsgotado || lida.esgotado;
    r.conexaoEncerrada = lida.fechada;
    r.resposta = InterpretaResposta(lida.linha);
    return !lida.linha.isEmpty();
}

} // namespace

Resposta InterpretaResposta(const QString &linha)
{
    Resposta r;
    r.linha = linha;
    r.marca = linha.mid(9, 2);
    r.codigo = linha.mid(12, 3);
    bool dentro = false;
    QString *alvo = &r.mensagem1;
    for (const QChar c : linha) {
        if (c == QLatin1Char('\'')) {
            if (dentro)
                alvo = &r.mensagem2;
            dentro = !dentro;
        } else if (dentro) {
            *alvo += c;
        }
    }
    return r;
}

LinhaLida LeResposta(Conexao &conexao, Milissegundos limite) { return LeResposta(conexao, Relogio::now() + limite); }

LinhaLida LeResposta(Conexao &conexao, Relogio::time_point prazo)
{
    LinhaLida r;
    QByteArray linha;
    for (;;) {
        const Conexao::Leitura leitura = conexao.leLinha(linha, prazo);
        if (leitura == Conexao::Leitura::Cancelada) {
            r.cancelada = true;
            return r;
        }
        if (leitura != Conexao::Leitura::Linha) {
            r.esgotado = true;
            r.fechada = leitura == Conexao::Leitura::Fechada;
            return r;
        }
        r.linha = win1252::decode(linha);
        if (r.linha.size() > 3)
            return r;
    }
}

QByteArray linhaAuth(qint64 tamanho, const QString &nomeArquivo)
{
    const QString nome = nomeArquivo.trimmed();
    recusaControles(nome, QStringLiteral("O nome do arquivo"));
    return comFimDeLinha(QStringLiteral("DATP/1.0 AUTH USUARIO@ORVA ORVA ") + QString::number(tamanho)
                         + QLatin1Char(' ') + nome);
}

QByteArray linhaComp(const QString &inscricao, const QString &exercicioProtocolo)
{
    recusaControles(inscricao, QStringLiteral("A inscrição"));
    recusaControles(exercicioProtocolo, QStringLiteral("O exercício e protocolo"));
    return comFimDeLinha(QStringLiteral("DATP/1.0 COMP ") + inscricao + QLatin1Char('@') + exercicioProtocolo
                         + QStringLiteral(" ORVA 3 myfile.rar"));
}

ResultadoTroca EntregaDeclaracao(const Endereco &endereco, const QString &arquivo, const Limites &limites,
                                 const Confirmacao &confirma, const Acompanha &acompanha, int blocosPorEnvio)
{
    ResultadoTroca r;
    QFile entrada(arquivo);
    if (!entrada.open(QIODevice::ReadOnly | QIODevice::Unbuffered)) {
        r.desfecho = Desfecho::ArquivoInacessivel;
        r.erro = QStringLiteral("Não foi possível abrir o arquivo \"%1\": %2").arg(arquivo, entrada.errorString());
        return r;
    }
    r.tamanho = entrada.size();
    QByteArray auth;
    try {
        auth = linhaAuth(r.tamanho, QFileInfo(arquivo).fileName());
    } catch (const Error &e) {
        r.desfecho = Desfecho::PedidoInvalido;
        r.erro = e.message();
        return r;
    }

    Conexao conexao;
    Acompanhamento acompanhamento(conexao, acompanha);
    acompanhamento.andamento.total = r.tamanho;
    if (!conectaEEnvia(conexao, acompanhamento, endereco, limites, auth, r))
        return r;
    if (!respostaLida(conexao, acompanhamento, limites, r)) {
        if (r.desfecho != Desfecho::Cancelada)
            r.desfecho = Desfecho::SemResposta;
        return r;
    }
    if (r.resposta.codigo != QLatin1String("200")) {
        r.desfecho = Desfecho::Recusada;
        return r;
    }
    // The sending stage shows while the notice waits for the user.
    if (!acompanhamento.etapa(Andamento::Etapa::Enviando)) {
        r.desfecho = Desfecho::Cancelada;
        return r;
    }
    if (confirma && !confirma(r.resposta)) {
        r.desfecho = Desfecho::Cancelada;
        return r;
    }

    // The archive's bytes, in 512-byte blocks, up to the size announced.
    const int blocos = std::max(1, blocosPorEnvio);
    QByteArray buffer(static_cast<qsizetype>(blocos) * TamanhoBloco, Qt::Uninitialized);
    std::vector<Parte> partes(static_cast<size_t>(blocos));
    qint64 enviados = 0;
    QString erroEnvio;
    r.aposEnvio = true;
    const auto prazoEnvio =
        Relogio::now() + limites.envio
        + Milissegundos(r.tamanho * 1000 / std::max<qint64>(1, limites.taxaMinimaEnvio));
    while (enviados < r.tamanho) {
        // A server cannot have received the whole archive before its last
        // byte went out: whatever it says now (a refusal, or a "201" that
        // cannot be one) is read, and nothing more is sent.
        if (conexao.haParaLer()) {
            erroEnvio = QStringLiteral("o servidor respondeu antes de receber a declaração inteira");
            break;
        }
        const qint64 pedir = std::min<qint64>(buffer.size(), r.tamanho - enviados);
        const qint64 lidos = entrada.read(buffer.data(), pedir);
        if (lidos <= 0) {
            erroEnvio = QStringLiteral("Não foi possível ler o arquivo \"%1\": %2")
                            .arg(arquivo, lidos < 0 ? entrada.errorString() : QStringLiteral("o arquivo diminuiu"));
            break;
        }
        int quantas = 0;
        for (qint64 p = 0; p < lidos; p += TamanhoBloco)
            partes[static_cast<size_t>(quantas++)] = {buffer.data() + p,
                                                      static_cast<size_t>(std::min<qint64>(TamanhoBloco, lidos - p))};
        if (!conexao.envia(partes.data(), quantas, limites.envio, &erroEnvio, prazoEnvio)) {
            if (conexao.cancelada()) {
                r.desfecho = Desfecho::Cancelada;
                return r;
            }
            // A server that takes no more bytes would not answer either:
            // no reply is waited for.
            if (conexao.envioParado()) {
                r.desfecho = Desfecho::EnvioParado;
                r.envioLento = Relogio::now() >= prazoEnvio;
                r.erro = erroEnvio;
                return r;
            }
            break;
        }
        enviados += lidos;
        acompanhamento.andamento.enviados = enviados;
    }
    r.enviados = enviados;
    r.bytesEnviados = enviados == r.tamanho;
    r.erro = erroEnvio;
    entrada.close();

    r.resposta = {};
    if (!respostaLida(conexao, acompanhamento, limites, r)) {
        if (r.desfecho != Desfecho::Cancelada)
            r.desfecho = Desfecho::SemResposta;
        return r;
    }
    if (r.resposta.codigo != QLatin1String("201"))
        r.desfecho = Desfecho::RecusadaAposEnvio;
    else
        r.desfecho = r.bytesEnviados ? Desfecho::Recebida : Desfecho::EnvioIncompleto;
    return r;
}

ResultadoTroca BuscaComprovante(const Endereco &endereco, const QString &inscricao,
                                const QString &exercicioProtocolo, const Limites &limites,
                                const Acompanha &acompanha)
{
    ResultadoTroca r;
    QByteArray comp;
    try {
        comp = linhaComp(inscricao, exercicioProtocolo);
    } catch (const Error &e) {
        r.desfecho = Desfecho::PedidoInvalido;
        r.erro = e.message();
        return r;
    }
    Conexao conexao;
    Acompanhamento acompanhamento(conexao, acompanha);
    if (!conectaEEnvia(conexao, acompanhamento, endereco, limites, comp, r))
        return r;
    if (!respostaLida(conexao, acompanhamento, limites, r) && r.desfecho == Desfecho::Cancelada)
        return r;
    r.desfecho = r.resposta.codigo == QLatin1String("201") ? Desfecho::Recebida : Desfecho::Recusada;
    return r;
}

QString mensagemTempoEsgotado()
{
    return QStringLiteral("Tempo limite esgotado, verifique o desempenho de sua conexão e tente novamente.");
}

QString mensagemConexaoEncerrada()
{
    return QStringLiteral("O servidor encerrou a conexão sem uma resposta completa. Verifique sua conexão e tente "
                          "novamente.");
}

QString mensagemEnvioParado(Milissegundos limite)
{
    return QStringLiteral("O envio da declaração parou: o servidor não recebeu nenhum dado em %1 segundos. "
                          "Verifique sua conexão e tente novamente.")
        .arg(std::chrono::duration_cast<std::chrono::seconds>(limite).count());
}

QString mensagemEnvioLento()
{
    return QStringLiteral("O envio da declaração passou do tempo limite: o servidor recebe os dados devagar demais. "
                          "Verifique sua conexão e tente novamente.");
}

QString mensagemEnvioIncompleto1() { return QStringLiteral("A entrega não se completou."); }

QString mensagemEnvioIncompleto2(qint64 enviados, qint64 total)
{
    return QStringLiteral("Só %1 de %2 bytes da declaração foram enviados, e o servidor respondeu como se a tivesse "
                          "recebido; sem a declaração inteira não há entrega nem comprovante.#13"
                          "A declaração continua na lista: verifique sua conexão e envie-a novamente.")
        .arg(enviados)
        .arg(total);
}

QString mensagemComprovanteNaoGravado(const QString &erro, const QString &inscricao, const QString &exercicio,
                                      const QString &protocolo)
{
    return QStringLiteral("A declaração foi recebida pelo servidor, mas o comprovante não pôde ser gravado neste "
                          "computador: %1\n"
                          "Não é preciso enviá-la de novo. Corrija o problema e obtenha o comprovante em \"Buscar "
                          "recibos na origem\" (Download de Comprovantes) com a inscrição %2, o exercício %3 e o "
                          "protocolo %4.")
        .arg(erro, inscricao, exercicio, protocolo);
}

QString mensagemEntregaCancelada(bool bytesEnviados)
{
    QString texto = QStringLiteral("Entrega cancelada. A declaração continua na lista e pode ser enviada novamente.");
    if (bytesEnviados)
        texto += QStringLiteral(" Se o servidor chegou a recebê-la, o comprovante pode ser obtido em "
                                "\"Buscar recibos na origem\".");
    return texto;
}

QString mensagemBuscaCancelada() { return QStringLiteral("Busca do comprovante cancelada."); }

QString mensagemSemConexao1() { return QStringLiteral("Não foi possível conectar ao servidor."); }

QString mensagemSemConexao2() { return QStringLiteral("Verifique sua conexão de rede e tente novamente."); }

QString mensagemComprovanteDisponivel()
{
    return QStringLiteral("O comprovante encontra-se disponível para impressão na lista de comprovantes recebidos.");
}

} // namespace orva::cliente
