#include "conexao.h"

#include <algorithm>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace orva::cliente {
namespace {

namespace so = plataforma;

constexpr qsizetype TamanhoMaximoLinha = 64 * 1024;

// Milliseconds left until `prazo`, rounded up so a wait never ends early;
// 0 once it has passed.
int restante(Relogio::time_point prazo)
{
    const auto agora = Relogio::now();
    if (agora >= prazo)
        return 0;
    const auto ms = std::chrono::ceil<std::chrono::milliseconds>(prazo - agora).count();
    return ms > 3600000 ? 3600000 : static_cast<int>(ms);
}

// Waits for `evento` on the socket until `prazo`: >0 ready, 0 time out, <0 error.
int esperaAte(so::Soquete fd, so::Evento evento, Relogio::time_point prazo)
{
    for (;;) {
        const int r = so::espera(fd, evento, Milissegundos(restante(prazo)));
        if (r < 0 && so::interrompida(so::ultimoErro()))
            continue;
        if (r == 0 && Relogio::now() < prazo)
            continue; // woke a little early: the time is not up yet
        return r;
    }
}

// The name service, replaceable by tests.
Resolvedor &resolvedor()
{
    static Resolvedor r = so::procuraEndereco;
    return r;
}

// getaddrinfo() has no time limit of its own: the lookup runs in a thread of
// its own and is waited for until `prazo`, `fatia` at a time with `entre`
// called between the slices (false abandons it as cancelled). A lookup still
// running then is left behind; it frees its own answer when it ends. `dica`
// must outlive it (plataforma::dicaTcp's hints last as long as the program).
int resolveAte(const QByteArray &nome, const QByteArray &servico, const addrinfo *dica, Relogio::time_point prazo,
               const std::function<bool()> &entre, Milissegundos fatia, addrinfo **enderecos, bool *cancelada)
{
    struct Busca {
        std::mutex trava;
        std::condition_variable pronta;
        bool feita = false, abandonada = false;
        int resultado = so::ProcuraTemporaria;
        addrinfo *enderecos = nullptr;
    };
    auto busca = std::make_shared<Busca>();
    try {
        std::thread([busca, nome, servico, dica, resolve = resolvedor()] {
            addrinfo *res = nullptr;
            const int r = resolve(nome.constData(), servico.constData(), dica, &res);
            const std::lock_guard<std::mutex> trava(busca->trava);
            if (busca->abandonada) {
                if (r == 0 && res)
                    so::liberaEnderecos(res);
                return;
            }
            busca->resultado = r;
            busca->enderecos = res;
            busca->feita = true;
            busca->pronta.notify_one();
        }).detach();
    } catch (const std::system_error &) {
        return so::ProcuraFalhaSistema;
    }
    std::unique_lock<std::mutex> trava(busca->trava);
    for (;;) {
        const auto fim = entre ? std::min(prazo, Relogio::now() + fatia) : prazo;
        if (busca->pronta.wait_until(trava, fim, [&] { return busca->feita; }))
            break;
        if (fim >= prazo) {
            busca->abandonada = true;
            return so::ProcuraTemporaria;
        }
        trava.unlock();
        const bool segue = entre();
        trava.lock();
        if (!segue && !busca->feita) {
            busca->abandonada = true;
            *cancelada = true;
            return so::ProcuraTemporaria;
        }
    }
    *enderecos = busca->enderecos;
    return busca->resultado;
}

} // namespace

Conexao::~Conexao() { fecha(); }

void Conexao::defineResolvedor(Resolvedor resolve)
{
    resolvedor() = resolve ? std::move(resolve) : Resolvedor(so::procuraEndereco);
}

void Conexao::defineVigia(Vigia vigia, Milissegundos fatia)
{
    m_vigia = std::move(vigia);
    m_fatia = std::max(fatia, Milissegundos(1));
}

bool Conexao::vigiaSeDevida()
{
    if (!m_vigia || Relogio::now() - m_ultimaVigia < m_fatia)
        return true;
    return chamaVigia();
}

bool Conexao::chamaVigia()
{
    const bool segue = m_vigia();
    m_ultimaVigia = Relogio::now();
    if (!segue)
        m_cancelada = true;
    return segue;
}

int Conexao::espera(so::Soquete fd, so::Evento evento, Relogio::time_point prazo)
{
    for (;;) {
        if (!vigiaSeDevida())
            return -1;
        // Without a watcher one poll() to the deadline; with one, up to the
        // end of the slice, the deadline never moved.
        const auto fim = m_vigia ? std::min(prazo, m_ultimaVigia + m_fatia) : prazo;
        const int r = esperaAte(fd, evento, fim);
        if (r != 0 || fim >= prazo)
            return r;
    }
}

void Conexao::fecha()
{
    so::fechaSoquete(m_fd);
    m_fd = so::SoqueteInvalido;
    m_buffer.clear();
    m_cortada.clear();
    m_descartando = false;
    m_fim = false;
}

bool Conexao::conecta(const QString &host, quint16 porta, Milissegundos limite, QString *erro)
{
    fecha();
    m_cancelada = false;
    const auto prazo = Relogio::now() + limite;
    const QByteArray nome = host.trimmed().toUtf8();
    const QByteArray servico = QByteArray::number(porta);
    if (nome.isEmpty()) {
        *erro = QStringLiteral("endereço do servidor vazio");
        return false;
    }
    addrinfo *enderecos = nullptr;
    // A numeric address needs no name service; only a host name is resolved.
    int r = so::procuraEndereco(nome.constData(), servico.constData(), so::dicaTcp(true), &enderecos);
    if (r != 0) {
        const auto entre = m_vigia ? std::function<bool()>([this] { return chamaVigia(); }) : std::function<bool()>();
        r = resolveAte(nome, servico, so::dicaTcp(false), prazo, entre, m_fatia, &enderecos, &m_cancelada);
    }
    if (m_cancelada) {
        *erro = QStringLiteral("operação cancelada");
        return false;
    }
    if (r == so::ProcuraTemporaria && Relogio::now() >= prazo) {
        *erro = QStringLiteral("tempo limite esgotado ao procurar o endereço de %1").arg(host.trimmed());
        return false;
    }
    if (r != 0) {
        *erro = so::textoErroProcura(r);
        return false;
    }
    QString ultimo = QStringLiteral("tempo limite esgotado");
    for (const addrinfo *a = enderecos; a && !aberta(); a = so::proximoEndereco(a)) {
        const so::Soquete fd = so::criaSoquete(*a);
        if (fd == so::SoqueteInvalido) {
            ultimo = so::textoErro(so::ultimoErro());
            continue;
        }
        int codigo = so::conecta(fd, *a);
        if (so::emAndamento(codigo)) {
            const int w = espera(fd, so::Evento::Escrita, prazo);
            if (w > 0)
                codigo = so::erroPendente(fd);
            else if (w == 0)
                codigo = so::ErroTempoEsgotado;
            else if (!m_cancelada) // stopped by the watcher: still not connected
                codigo = so::ultimoErro();
        }
        if (codigo == 0) {
            m_fd = fd;
        } else {
            ultimo = so::textoErro(codigo);
            so::fechaSoquete(fd);
            if (Relogio::now() >= prazo || m_cancelada)
                break;
        }
    }
    so::liberaEnderecos(enderecos);
    if (m_cancelada) {
        *erro = QStringLiteral("operação cancelada");
        return false;
    }
    if (!aberta()) {
        *erro = ultimo;
        return false;
    }
    return true;
}

bool Conexao::envia(const Parte *partes, int quantas, Milissegundos limiteSemProgresso, QString *erro,
                    Relogio::time_point prazo)
{
    m_parado = false;
    m_cancelada = false;
    // A private copy: partial sends advance it.
    std::vector<Parte> resto(partes, partes + quantas);
    size_t inicio = 0;
    while (inicio < resto.size()) {
        if (Relogio::now() >= prazo) {
            m_parado = true;
            *erro = QStringLiteral("o envio passou do tempo limite");
            return false;
        }
        if (resto[inicio].tamanho == 0) {
            ++inicio;
            continue;
        }
        const std::ptrdiff_t n =
            so::enviaPartes(m_fd, resto.data() + inicio, static_cast<int>(resto.size() - inicio));
        if (n < 0) {
            const int codigo = so::ultimoErro();
            if (so::interrompida(codigo))
                continue;
            if (!so::bloquearia(codigo)) {
                *erro = so::textoErro(codigo);
                return false;
            }
            const int w = espera(m_fd, so::Evento::Escrita, std::min(prazo, Relogio::now() + limiteSemProgresso));
            if (m_cancelada) {
                *erro = QStringLiteral("envio cancelado");
                return false;
            }
            if (w <= 0) {
                m_parado = w == 0;
                *erro = w == 0 ? QStringLiteral("o servidor deixou de receber os dados")
                               : so::textoErro(so::ultimoErro());
                return false;
            }
            continue;
        }
        size_t enviado = static_cast<size_t>(n);
        while (enviado > 0 && inicio < resto.size()) {
            Parte &p = resto[inicio];
            const size_t parte = std::min(enviado, p.tamanho);
            p.dados += parte;
            p.tamanho -= parte;
            enviado -= parte;
            if (p.tamanho == 0)
                ++inicio;
        }
        if (!vigiaSeDevida()) {
            *erro = QStringLiteral("envio cancelado");
            return false;
        }
    }
    return true;
}

bool Conexao::envia(const QByteArray &dados, Milissegundos limiteSemProgresso, QString *erro)
{
    const Parte parte{dados.constData(), static_cast<size_t>(dados.size())};
    return envia(&parte, 1, limiteSemProgresso, erro);
}

bool Conexao::extraiLinha(QByteArray &linha)
{
    const qsizetype fim = m_buffer.indexOf('\n');
    if (fim < 0) {
        // A line beyond the limit keeps its first part; the rest is dropped
        // until its end arrives.
        if (!m_descartando && m_buffer.size() >= TamanhoMaximoLinha) {
            m_cortada = m_buffer.left(TamanhoMaximoLinha);
            m_descartando = true;
        }
        if (m_descartando)
            m_buffer.clear();
        return false;
    }
    if (m_descartando) {
        linha = m_cortada;
        m_cortada.clear();
        m_descartando = false;
    } else {
        linha = m_buffer.left(fim);
        if (linha.endsWith('\r'))
            linha.chop(1);
    }
    m_buffer.remove(0, fim + 1);
    return true;
}

bool Conexao::haParaLer()
{
    return !m_buffer.isEmpty() || m_fim || !aberta() || so::espera(m_fd, so::Evento::Leitura, Milissegundos(0)) != 0;
}

Conexao::Leitura Conexao::leLinha(QByteArray &linha, Relogio::time_point prazo)
{
    m_cancelada = false;
    for (;;) {
        // Checked on every turn: a peer that keeps sending never lets the
        // wait below time out, and a line taken after the deadline counts
        // for nothing.
        if (Relogio::now() >= prazo)
            return Leitura::Prazo;
        if (extraiLinha(linha))
            return Leitura::Linha;
        // Bytes left without their line end were cut off by the close: they
        // are no line at all.
        if (m_fim || !aberta())
            return Leitura::Fechada;
        const int w = espera(m_fd, so::Evento::Leitura, prazo);
        if (m_cancelada)
            return Leitura::Cancelada;
        if (w == 0)
            return Leitura::Prazo;
        if (w < 0) {
            m_fim = true;
            continue;
        }
        char bloco[16384];
        const std::ptrdiff_t n = so::recebe(m_fd, bloco, sizeof bloco);
        const int codigo = n < 0 ? so::ultimoErro() : 0;
        if (n > 0)
            m_buffer.append(bloco, n);
        else if (n == 0 || (!so::interrompida(codigo) && !so::bloquearia(codigo)))
            m_fim = true;
    }
}

} // namespace orva::cliente
