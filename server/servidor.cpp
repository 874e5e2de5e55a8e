#include "servidor.h"

#include "validacao.h"

#include "common/errors.h"
#include "common/relogio.h"
#include "common/win1252.h"

#include <QCryptographicHash>
#include <QDate>
#include <QDir>
#include <QFile>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/statvfs.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace orva::servidor {
namespace {

using Clock = std::chrono::steady_clock;

std::mutex g_saida;

void registra(const QString &texto)
{
    const std::lock_guard<std::mutex> trava(g_saida);
    std::printf("%s\n", texto.toLocal8Bit().constData());
    std::fflush(stdout);
}

// Windows-1252 that never fails: a character the code page lacks becomes "?",
// and a quote or a line break could not travel inside a quoted text.
QByteArray paraLinha(QString texto)
{
    for (QChar &c : texto) {
        if (c == QLatin1Char('\''))
            c = QChar(0x00B4);
        else if (c.unicode() < 0x20 || c.unicode() == 0x7F)
            c = QLatin1Char(' ');
    }
    try {
        return win1252::encode(texto);
    } catch (const Error &) {
        QByteArray saida;
        for (const QChar c : texto)
            saida += win1252::canEncode(QString(c)) ? win1252::encode(QString(c)) : QByteArray("?");
        return saida;
    }
}

QByteArray resposta(const char *codigo, const QString &m1, const QString &m2)
{
    return QByteArray("DATP/1.0 00 ") + codigo + " '" + paraLinha(m1) + "' '" + paraLinha(m2) + "'\r\n";
}

// The receipt record's own bytes: already Windows-1252, quotes taken out.
QByteArray respostaComprovante(const QByteArray &registro)
{
    return "DATP/1.0 00 201 '" + registro.left(22) + "' '" + registro.mid(22) + "'\r\n";
}

bool soDigitos(const QByteArray &t)
{
    if (t.isEmpty())
        return false;
    for (const char c : t)
        if (c < '0' || c > '9')
            return false;
    return true;
}

// Milliseconds from now until `prazo` for poll(): never negative, rounded up.
int ate(Clock::time_point prazo)
{
    const auto agora = Clock::now();
    if (agora >= prazo)
        return 0;
    const auto ms = std::chrono::ceil<std::chrono::milliseconds>(prazo - agora).count();
    return ms > 3600000 ? 3600000 : static_cast<int>(ms);
}

// One client's connection. Every wait ends at a deadline fixed before it
// began: bytes trickling in do not move it.
class Canal {
public:
    enum class Estado { Ok, Fechado, Prazo, Longa, ErroGravacao };

    explicit Canal(int fd) : m_fd(fd) {}
    ~Canal() { ::close(m_fd); }

    // The command line: its first byte must come by `prazoPrimeiro`, the
    // whole line by `prazoLinha`.
    Estado leLinha(QByteArray &linha, qsizetype maximo, Clock::time_point prazoPrimeiro, Clock::time_point prazoLinha)
    {
        for (;;) {
            const qsizetype lf = m_buffer.indexOf('\n');
            if (lf >= 0) {
                linha = m_buffer.left(lf);
                m_buffer.remove(0, lf + 1);
                if (linha.endsWith('\r'))
                    linha.chop(1);
                return linha.size() > maximo ? Estado::Longa : Estado::Ok;
            }
            if (m_buffer.size() > maximo)
                return Estado::Longa;
            const Estado e = le(m_buffer.isEmpty() ? std::min(prazoPrimeiro, prazoLinha) : prazoLinha);
            if (e != Estado::Ok)
                return e;
        }
    }

    // Copies exactly `tamanho` bytes of the body into the file `saida`: what
    // came with the command line first, then straight from the socket into
    // one buffer and on to the file. The first byte must come by
    // `prazoInicio`; from then on, after `folga`, the bytes must keep up
    // with `taxa` per second on average since the first one. The deadline
    // is checked on every turn, so a peer that trickles cannot hold it off.
    Estado recebe(qint64 tamanho, int saida, qint64 *recebidos, Clock::time_point prazoInicio,
                  std::chrono::milliseconds folga, qint64 taxa)
    {
        *recebidos = std::min<qint64>(m_buffer.size(), tamanho);
        if (!grava(saida, m_buffer.constData(), *recebidos))
            return Estado::ErroGravacao;
        m_buffer.remove(0, *recebidos);
        Clock::time_point inicio = Clock::now();
        bool comecou = *recebidos > 0;
        // When the next byte is due: the bytes so far at the minimum rate.
        const auto prazoAtual = [&] {
            if (!comecou)
                return prazoInicio;
            return inicio + folga + std::chrono::milliseconds(*recebidos * 1000 / std::max<qint64>(1, taxa));
        };
        std::vector<char> bloco(1 << 18);
        while (*recebidos < tamanho) {
            const Clock::time_point prazo = prazoAtual();
            if (Clock::now() >= prazo)
                return Estado::Prazo;
            const ssize_t n = ::recv(m_fd, bloco.data(), std::min<qint64>(bloco.size(), tamanho - *recebidos),
                                     MSG_DONTWAIT);
            if (n > 0) {
                if (!comecou) {
                    comecou = true;
                    inicio = Clock::now();
                }
                if (!grava(saida, bloco.data(), n))
                    return Estado::ErroGravacao;
                *recebidos += n;
                continue;
            }
            if (n == 0)
                return Estado::Fechado;
            if (errno == EINTR)
                continue;
            if (errno != EAGAIN && errno != EWOULDBLOCK)
                return Estado::Fechado;
            pollfd p{m_fd, POLLIN, 0};
            const int r = ::poll(&p, 1, ate(prazo));
            if (r < 0 && errno != EINTR)
                return Estado::Fechado;
        }
        return Estado::Ok;
    }

    // Bytes beyond the announced body already waiting.
    bool sobra()
    {
        if (!m_buffer.isEmpty())
            return true;
        char c;
        return ::recv(m_fd, &c, 1, MSG_PEEK | MSG_DONTWAIT) > 0;
    }

    // Sends a reply; a client that does not read it within a few seconds is
    // given up.
    bool envia(const QByteArray &dados)
    {
        const auto prazo = Clock::now() + std::chrono::seconds(10);
        qsizetype feito = 0;
        while (feito < dados.size()) {
            const ssize_t n = ::send(m_fd, dados.constData() + feito, dados.size() - feito, MSG_NOSIGNAL | MSG_DONTWAIT);
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
                pollfd p{m_fd, POLLOUT, 0};
                if (Clock::now() >= prazo || ::poll(&p, 1, ate(prazo)) <= 0)
                    return false;
                continue;
            }
            if (n <= 0)
                return false;
            feito += n;
        }
        return true;
    }

    // Sends the last line and closes politely: what the client still sends
    // is read and dropped (for at most two seconds) so the reply is not lost
    // to a reset.
    void encerra(const QByteArray &ultima)
    {
        envia(ultima);
        ::shutdown(m_fd, SHUT_WR);
        const auto prazo = Clock::now() + std::chrono::seconds(2);
        char lixo[4096];
        while (Clock::now() < prazo) {
            pollfd p{m_fd, POLLIN, 0};
            if (::poll(&p, 1, std::max(1, ate(prazo))) <= 0)
                break;
            if (::recv(m_fd, lixo, sizeof lixo, 0) <= 0)
                break;
        }
    }

private:
    Estado le(Clock::time_point prazo)
    {
        for (;;) {
            if (Clock::now() >= prazo)
                return Estado::Prazo;
            pollfd p{m_fd, POLLIN, 0};
            const int r = ::poll(&p, 1, ate(prazo));
            if (r < 0 && errno == EINTR)
                continue;
            if (r == 0)
                continue; // the loop's test decides whether the time is up
            if (r < 0)
                return Estado::Fechado;
            char bloco[1 << 16];
            const ssize_t n = ::recv(m_fd, bloco, sizeof bloco, 0);
            if (n < 0 && (errno == EINTR || errno == EAGAIN))
                continue;
            if (n <= 0)
                return Estado::Fechado;
            m_buffer.append(bloco, n);
            return Estado::Ok;
        }
    }

    static bool grava(int fd, const char *dados, qint64 tamanho)
    {
        while (tamanho > 0) {
            const ssize_t n = ::write(fd, dados, static_cast<size_t>(tamanho));
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                return false;
            dados += n;
            tamanho -= n;
        }
        return true;
    }

    int m_fd;
    QByteArray m_buffer;
};

quint64 controle(const QString &arquivo)
{
    QFile f(arquivo);
    QCryptographicHash h(QCryptographicHash::Sha1);
    if (f.open(QIODevice::ReadOnly))
        h.addData(&f);
    const QByteArray d = h.result();
    quint64 n = 0;
    for (int i = 0; i < 8; ++i)
        n = (n << 8) | static_cast<unsigned char>(d.at(i));
    return n;
}

} // namespace

Servidor::Servidor(Opcoes opcoes) : m_opcoes(std::move(opcoes)) {}

Servidor::~Servidor()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

bool Servidor::escuta(QString *erro)
{
    QDir dados(m_opcoes.dados);
    if (!dados.mkpath(QStringLiteral("recebendo"))) {
        *erro = QStringLiteral("Não foi possível criar a pasta de dados %1.").arg(dados.absolutePath());
        return false;
    }
    m_opcoes.dados = dados.absolutePath();
    if (!m_recebimento.abre(dados.filePath(QStringLiteral("recebendo")), erro))
        return false;
    m_armazem = m_opcoes.banco.isEmpty()
                    ? armazemEmPasta(dados.filePath(QStringLiteral("comprovantes")), m_recebimento.caminho())
                    : armazemPostgres(m_opcoes.banco);
    if (!m_armazem->prepara(erro)) {
        if (!m_opcoes.banco.isEmpty())
            *erro = QStringLiteral("Não foi possível usar o banco dos comprovantes: %1\n"
                                   "Confira a conexão dada em --banco e se o PostgreSQL está no ar.")
                        .arg(*erro);
        return false;
    }

    m_fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const int sim = 1;
    ::setsockopt(m_fd, SOL_SOCKET, SO_REUSEADDR, &sim, sizeof sim);
    sockaddr_in endereco{};
    endereco.sin_family = AF_INET;
    endereco.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    endereco.sin_port = htons(m_opcoes.porta);
    if (m_fd < 0 || ::bind(m_fd, reinterpret_cast<sockaddr *>(&endereco), sizeof endereco) != 0
        || ::listen(m_fd, SOMAXCONN) != 0) {
        *erro = QStringLiteral("Não foi possível escutar em 127.0.0.1:%1: %2")
                    .arg(m_opcoes.porta)
                    .arg(QString::fromLocal8Bit(std::strerror(errno)));
        return false;
    }
    socklen_t tamanho = sizeof endereco;
    ::getsockname(m_fd, reinterpret_cast<sockaddr *>(&endereco), &tamanho);
    m_porta = ntohs(endereco.sin_port);
    return true;
}

void Servidor::atende()
{
    for (;;) {
        sockaddr_in origem{};
        socklen_t tamanho = sizeof origem;
        const int cliente = ::accept4(m_fd, reinterpret_cast<sockaddr *>(&origem), &tamanho, SOCK_CLOEXEC);
        if (cliente < 0) {
            if (errno == EMFILE || errno == ENFILE)
                std::this_thread::sleep_for(std::chrono::milliseconds(100));
            continue;
        }
        const quint32 endereco = origem.sin_addr.s_addr;
        const auto recusa = [cliente](const QString &m1, const QString &m2) {
            const QByteArray linha = resposta("503", m1, m2);
            ::send(cliente, linha.constData(), linha.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
            ::close(cliente);
        };
        {
            const std::lock_guard<std::mutex> trava(m_trava);
            if (m_ativos >= m_opcoes.maxClientes) {
                recusa(QStringLiteral("Servidor ocupado."), QStringLiteral("Tente novamente em alguns minutos."));
                continue;
            }
            int &doEndereco = m_porEndereco[endereco];
            if (doEndereco >= m_opcoes.maxPorEndereco) {
                recusa(QStringLiteral("Conexões demais deste endereço."),
                       QStringLiteral("Conclua as entregas em andamento e tente novamente."));
                continue;
            }
            ++doEndereco;
            ++m_ativos;
        }
        const auto libera = [this, endereco] {
            const std::lock_guard<std::mutex> trava(m_trava);
            --m_ativos;
            if (--m_porEndereco[endereco] <= 0)
                m_porEndereco.erase(endereco);
        };
        try {
            std::thread([this, cliente, endereco, libera] {
                sessao(cliente, endereco);
                libera();
            }).detach();
        } catch (const std::system_error &) {
            libera();
            ::close(cliente);
        }
    }
}

Servidor::Reservada Servidor::reserva(quint32 endereco, qint64 bytes)
{
    const std::lock_guard<std::mutex> trava(m_trava);
    const qint64 porEndereco =
        m_opcoes.orcamentoPorEndereco >= 0 ? m_opcoes.orcamentoPorEndereco : m_opcoes.orcamento / 4;
    const auto doEndereco = m_reservadoPorEndereco.find(endereco);
    if ((doEndereco == m_reservadoPorEndereco.end() ? 0 : doEndereco->second) + bytes > porEndereco)
        return Reservada::EnderecoCheio;
    if (m_reservado + bytes > m_opcoes.orcamento)
        return Reservada::SemEspaco;
    struct statvfs disco{};
    if (::statvfs(QFile::encodeName(m_opcoes.dados).constData(), &disco) == 0) {
        const qint64 livre = qint64(disco.f_bavail) * qint64(disco.f_frsize);
        // What the receipts need is kept free beside the archives.
        if (m_reservado + bytes > livre - m_opcoes.folgaDisco)
            return Reservada::SemEspaco;
    }
    m_reservado += bytes;
    m_reservadoPorEndereco[endereco] += bytes;
    return Reservada::Sim;
}

void Servidor::libera(quint32 endereco, qint64 bytes)
{
    const std::lock_guard<std::mutex> trava(m_trava);
    m_reservado -= bytes;
    if ((m_reservadoPorEndereco[endereco] -= bytes) <= 0)
        m_reservadoPorEndereco.erase(endereco);
}

void Servidor::sessao(int fd, quint32 endereco)
{
    Canal canal(fd);
    const auto inicio = Clock::now();
    QByteArray linha;
    switch (canal.leLinha(linha, 4096, inicio + m_opcoes.primeiroByte, inicio + m_opcoes.comando)) {
    case Canal::Estado::Ok:
        break;
    case Canal::Estado::Longa:
        canal.encerra(resposta("400", QStringLiteral("Comando inválido."), QStringLiteral("Linha longa demais.")));
        return;
    default:
        return;
    }
    const QList<QByteArray> partes = linha.split(' ');
    const QByteArray comando = partes.value(1);
    if (!linha.startsWith("DATP/1.0 ") || (comando != "AUTH" && comando != "COMP")) {
        registra(QStringLiteral("comando inválido: %1").arg(win1252::decode(linha.left(80))));
        canal.encerra(resposta("400", QStringLiteral("Comando inválido."),
                               QStringLiteral("O servidor atende DATP/1.0 AUTH e COMP.")));
        return;
    }

    if (comando == "COMP") {
        // DATP/1.0 COMP <inscrição>@<exercício><protocolo> ORVA 3 myfile.rar
        const QList<QByteArray> chave = partes.value(2).split('@');
        const QByteArray inscricao = chave.value(0), exercicioProtocolo = chave.value(1);
        if (partes.size() != 6 || chave.size() != 2 || inscricao.size() != 14 || exercicioProtocolo.size() != 8
            || !soDigitos(inscricao) || !soDigitos(exercicioProtocolo) || partes.at(3) != "ORVA") {
            canal.encerra(resposta("400", QStringLiteral("Pedido de comprovante inválido."),
                                   QStringLiteral("Informe inscrição (14 dígitos), exercício (4) e protocolo (4).")));
            return;
        }
        const QString pedido = QString::fromLatin1(inscricao) + QLatin1Char('@') + QString::fromLatin1(exercicioProtocolo);
        QByteArray registro;
        QString erro;
        switch (m_armazem->busca(inscricao + exercicioProtocolo, &registro, &erro)) {
        case Armazem::Busca::NaoAchado:
            registra(QStringLiteral("COMP %1: não encontrado").arg(pedido));
            canal.encerra(resposta("404", QStringLiteral("Comprovante não encontrado."),
                                   QStringLiteral("Não há entrega da inscrição %1, exercício %2, protocolo %3.")
                                       .arg(QString::fromLatin1(inscricao), QString::fromLatin1(exercicioProtocolo.left(4)),
                                            QString::fromLatin1(exercicioProtocolo.mid(4)))));
            return;
        case Armazem::Busca::Falha:
            // Not a 404: the receipt may well be there.
            registra(QStringLiteral("COMP %1: falha ao ler o comprovante: %2").arg(pedido, erro));
            canal.encerra(resposta("500", QStringLiteral("Falha no servidor."),
                                   QStringLiteral("Não foi possível ler o comprovante. Tente novamente em alguns minutos.")));
            return;
        case Armazem::Busca::Achado:
            break;
        }
        registra(QStringLiteral("COMP %1: 201").arg(pedido));
        canal.encerra(respostaComprovante(registro));
        return;
    }

    // DATP/1.0 AUTH <usuário>@<sistema> <credencial> <tamanho> <nome>
    const QByteArray tamanhoTexto = partes.value(4);
    const QByteArray nome = partes.mid(5).join(' ').trimmed();
    if (partes.size() < 6 || !partes.at(2).contains('@') || partes.at(3) != "ORVA" || !soDigitos(tamanhoTexto)
        || tamanhoTexto.size() > 15 || nome.isEmpty()) {
        canal.encerra(resposta("400", QStringLiteral("Pedido de entrega inválido."),
                               QStringLiteral("Esperado: DATP/1.0 AUTH usuário@ORVA ORVA tamanho nome.")));
        return;
    }
    const qint64 tamanho = tamanhoTexto.toLongLong();
    const QString nomeTexto = win1252::decode(nome);
    if (tamanho > m_opcoes.tamanhoMaximo) {
        canal.encerra(resposta("413", QStringLiteral("Arquivo grande demais."),
                               QStringLiteral("O servidor aceita arquivos de até %1 bytes.").arg(m_opcoes.tamanhoMaximo)));
        return;
    }
    // The bytes this delivery will take on disk are set aside before the
    // "200", so a client is told at once when there is no room for it.
    Reserva reserva(*this, endereco, tamanho);
    if (reserva.resultado() == Reservada::EnderecoCheio) {
        registra(QStringLiteral("AUTH %1: %2 bytes passariam da parte de um endereço").arg(nomeTexto).arg(tamanho));
        canal.encerra(resposta("503", QStringLiteral("Há entregas demais em andamento a partir deste endereço."),
                               QStringLiteral("Conclua as entregas em andamento e tente novamente.")));
        return;
    }
    if (reserva.resultado() == Reservada::SemEspaco) {
        registra(QStringLiteral("AUTH %1: sem espaço para %2 bytes").arg(nomeTexto).arg(tamanho));
        canal.encerra(resposta("507", QStringLiteral("Servidor sem espaço para receber a declaração agora."),
                               QStringLiteral("Tente novamente mais tarde.")));
        return;
    }
    if (!canal.envia(resposta("200", QStringLiteral("Servidor pronto para receber %1 (%2 bytes).").arg(nomeTexto).arg(tamanho),
                              QStringLiteral("Após o envio, aguarde a conferência da declaração e o comprovante de entrega."))))
        return;

    static std::atomic<quint64> sequencia{0};
    const QString temporario = QDir(m_recebimento.caminho()).filePath(QStringLiteral("%1.rar").arg(++sequencia));
    const int saida = ::open(QFile::encodeName(temporario).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (saida < 0) {
        canal.encerra(resposta("500", QStringLiteral("Falha no servidor."), QStringLiteral("Não foi possível gravar o arquivo recebido.")));
        return;
    }
    struct Remove {
        QString caminho;
        ~Remove() { QFile::remove(caminho); }
    } remove{temporario};
    qint64 recebidos = 0;
    const Canal::Estado estado =
        canal.recebe(tamanho, saida, &recebidos, Clock::now() + m_opcoes.aviso, m_opcoes.corpo, m_opcoes.taxaMinima);
    ::close(saida);
    switch (estado) {
    case Canal::Estado::Ok:
        break;
    case Canal::Estado::Prazo:
        registra(QStringLiteral("AUTH %1: %2 de %3 bytes antes do tempo limite").arg(nomeTexto).arg(recebidos).arg(tamanho));
        canal.encerra(resposta("408", QStringLiteral("Recebimento incompleto."),
                               QStringLiteral("Recebidos %1 de %2 bytes no tempo limite.").arg(recebidos).arg(tamanho)));
        return;
    case Canal::Estado::ErroGravacao:
        canal.encerra(resposta("500", QStringLiteral("Falha no servidor."), QStringLiteral("Não foi possível gravar o arquivo recebido.")));
        return;
    default:
        registra(QStringLiteral("AUTH %1: o cliente desconectou após %2 de %3 bytes").arg(nomeTexto).arg(recebidos).arg(tamanho));
        return;
    }
    if (canal.sobra()) {
        canal.encerra(resposta("400", QStringLiteral("Declaração %1 recusada.").arg(nomeTexto),
                               QStringLiteral("Chegaram mais bytes que os %1 anunciados.").arg(tamanho)));
        return;
    }

    const Declaracao declaracao = validaArquivo(temporario);
    if (!declaracao.problemas.isEmpty()) {
        registra(QStringLiteral("AUTH %1: recusada (%2 problema(s))").arg(nomeTexto).arg(declaracao.problemas.size()));
        canal.encerra(resposta("500", QStringLiteral("Declaração %1 recusada.").arg(nomeTexto),
                               declaracao.problemas.join(QStringLiteral("#13"))));
        return;
    }
    const QByteArray registro = registroComprovante(
        declaracao, orva::hoje().toString(QStringLiteral("dd/MM/yyyy")).toLatin1(), controle(temporario));
    QString erro;
    QByteArray anterior;
    if (!m_armazem->grava({registro, declaracao.registro20, nomeTexto, tamanho}, &anterior, &erro)) {
        registra(QStringLiteral("AUTH %1: comprovante não gravado: %2").arg(nomeTexto, erro));
        canal.encerra(resposta("500", QStringLiteral("Falha no servidor."), QStringLiteral("Não foi possível gravar o comprovante.")));
        return;
    }
    QString linhaRegistro = QStringLiteral("AUTH %1: 201 %2").arg(nomeTexto, QString::fromLatin1(registro.left(22)));
    // A re-delivery (anyone may send one for any key) succeeds the earlier
    // receipt, which stays in the history.
    if (!anterior.isEmpty())
        linhaRegistro += QStringLiteral("; sucede o comprovante de %1, controle %2, mantido no histórico")
                             .arg(QString::fromLatin1(anterior.mid(25, 10)), QString::fromLatin1(anterior.mid(91, 13)));
    registra(linhaRegistro);
    canal.encerra(respostaComprovante(registro));
}

} // namespace orva::servidor
