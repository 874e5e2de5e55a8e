// The client against a receiving server that misbehaves: replies cut off by a
// close, lines trickling in past the limit, a server that stops reading, a
// name lookup that never answers. Limits are shortened; every wait must end
// at its limit, and nothing but a whole "201" may count as a receipt.
#include "client/apoio.h"
#include "support/rede.h"

#include "client/conexao.h"
#include "client/datp.h"
#include "client/gravacaosegura.h"
#include "common/errors.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>

#include <atomic>

using namespace orva::cliente;
using apoio::Ambiente;
using apoio::Nome;
using apoio::Registro;
using apoio::resposta;

namespace {

const QString ArquivoRecibo = QStringLiteral("/recv/0000000000000120150007.cmp");

// The whole origin and receipts folders, names and bytes.
QMap<QString, QByteArray> estado(const Ambiente &a)
{
    QMap<QString, QByteArray> r;
    for (const QString &pasta : {a.origem, a.pastaCliente + "/recv"})
        for (const QString &nome : QDir(pasta).entryList(QDir::Files | QDir::Hidden))
            r[pasta + nome] = apoio::le(QDir(pasta).filePath(nome));
    return r;
}

// A server that accepts the declaration, then reads nothing more until
// `fim` is set: the client's send stalls.
auto paraDeLer(std::atomic<bool> &fim)
{
    return [&fim](apoio::Soquete fd) {
        apoio::leLinha(fd);
        apoio::envia(fd, resposta("200", "", ""));
        while (!fim)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
    };
}

} // namespace

// Every cut of the "200" and of the "201" short of its line end, and every
// cut of a fetched receipt: a failure that renames, deletes and writes nothing.
TEST(ServidorHostil, CutRepliesAreNeverTakenAsWhole)
{
    const QByteArray pronto = resposta("200", "Pronto", "Envie");
    const QByteArray recibo = resposta("201", Registro.left(22), Registro.mid(22));
    int falsos = 0, tentativas = 0;
    for (int fase = 0; fase < 2; ++fase) {
        const QByteArray &linha = fase == 0 ? pronto : recibo;
        for (qsizetype corte = 1; corte < linha.size(); ++corte) {
            apoio::ServidorFalso servidor([&](apoio::Soquete fd) {
                apoio::leLinha(fd);
                if (fase == 0) {
                    apoio::envia(fd, pronto.left(corte));
                    return;
                }
                apoio::envia(fd, pronto);
                apoio::leBytes(fd, 1300);
                apoio::envia(fd, recibo.left(corte));
            });
            Ambiente a(servidor.porta);
            const auto antes = estado(a);
            const ResultadoEnvio r = a.cliente->Envia();
            ++tentativas;
            if (r.troca.desfecho == Desfecho::Recebida || r.comprovanteGravado)
                ++falsos;
            EXPECT_EQ(r.troca.desfecho, Desfecho::SemResposta) << fase << " " << corte;
            EXPECT_EQ(estado(a), antes) << fase << " " << corte;
            EXPECT_EQ(a.dialogos.tipos().last(), "erro");
            EXPECT_EQ(a.dialogos.itens.back().texto1, mensagemConexaoEncerrada());
        }
    }
    std::printf("cut replies: %d false successes in %d trials\n", falsos, tentativas);
    EXPECT_EQ(falsos, 0) << "of " << tentativas;

    // A fetch whose reply is cut leaves the good receipt as it was.
    QTemporaryDir dir;
    QDir().mkpath(dir.filePath("recv"));
    apoio::DialogosGravados dialogos;
    Cliente cliente(dir.path(), dialogos);
    const QByteArray comp = resposta("201", "Localizado", Registro.mid(22));
    {
        apoio::ServidorFalso servidor([&](apoio::Soquete fd) {
            apoio::leLinha(fd);
            apoio::envia(fd, comp);
        });
        cliente.endereco().porta = servidor.porta;
        ASSERT_TRUE(cliente.BuscaRecibo("00000000000001", "20150007"));
    }
    const QByteArray bom = apoio::le(dir.path() + ArquivoRecibo);
    for (qsizetype corte = 1; corte < comp.size(); corte += 3) {
        apoio::ServidorFalso servidor([&](apoio::Soquete fd) {
            apoio::leLinha(fd);
            apoio::envia(fd, comp.left(corte));
        });
        cliente.endereco().porta = servidor.porta;
        EXPECT_FALSE(cliente.BuscaRecibo("00000000000001", "20150007")) << corte;
        EXPECT_EQ(apoio::le(dir.path() + ArquivoRecibo), bom) << corte;
    }
    EXPECT_EQ(QDir(dir.filePath("recv")).entryList(QDir::Files | QDir::Hidden).size(), 1);
}

// Short lines without end: the wait still ends at its limit, and a "201"
// that comes after it is not taken.
TEST(ServidorHostil, TricklingLinesDoNotMoveTheReplyDeadline)
{
    std::atomic<bool> fim{false};
    apoio::ServidorFalso servidor([&](apoio::Soquete fd) {
        apoio::leLinha(fd);
        apoio::envia(fd, resposta("200", "", ""));
        apoio::leBytes(fd, 1300);
        QElapsedTimer t;
        t.start();
        while (!fim && t.elapsed() < 1500) {
            apoio::envia(fd, "ab\r\n");
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        apoio::envia(fd, resposta("201", Registro.left(22), Registro.mid(22)));
    });
    Ambiente a(servidor.porta);
    a.cliente->limites().resposta = std::chrono::milliseconds(600);
    QElapsedTimer t;
    t.start();
    const ResultadoEnvio r = a.cliente->Envia();
    const qint64 gasto = t.elapsed();
    fim = true;
    std::printf("reply wait with lines trickling: limit 600 ms, ended after %lld ms\n", static_cast<long long>(gasto));
    EXPECT_GE(gasto, 600);
    EXPECT_LT(gasto, 900);
    // The last short line is parsed like a reply: a refusal, never a receipt.
    EXPECT_EQ(r.troca.desfecho, Desfecho::RecusadaAposEnvio);
    EXPECT_FALSE(r.comprovanteGravado);
    EXPECT_TRUE(a.listada());
    EXPECT_EQ(a.dialogos.itens.at(1).texto1, mensagemTempoEsgotado());
}

// A server that stops reading: the send ends when no byte was taken for the
// sending limit, says so, and no reply is waited for afterwards.
TEST(ServidorHostil, ServerThatStopsReadingEndsTheSendAtItsLimit)
{
    std::atomic<bool> fim{false};
    apoio::ServidorFalso servidor(paraDeLer(fim));
    Ambiente a(servidor.porta, QByteArray(32 * 1024 * 1024, 'z'));
    a.cliente->limites().envio = std::chrono::milliseconds(500);
    a.cliente->limites().resposta = std::chrono::milliseconds(3000);
    QElapsedTimer t;
    t.start();
    const ResultadoEnvio r = a.cliente->Envia();
    const qint64 gasto = t.elapsed();
    fim = true;
    std::printf("send to a server that stopped reading: limit 500 ms, ended after %lld ms\n",
                static_cast<long long>(gasto));
    EXPECT_GE(gasto, 500);
    EXPECT_LT(gasto, 1500);
    EXPECT_EQ(r.troca.desfecho, Desfecho::EnvioParado);
    ASSERT_EQ(a.dialogos.tipos(), (QStringList{"aviso", "erro"}));
    EXPECT_EQ(a.dialogos.itens[1].texto1, mensagemEnvioParado(std::chrono::milliseconds(500)));
    EXPECT_TRUE(a.listada());
    EXPECT_TRUE(a.dadosPresentes());
}

// A name lookup that never answers is held to the connection limit.
TEST(ServidorHostil, NameLookupCountsInsideTheConnectLimit)
{
    Conexao::defineResolvedor([](const char *n, const char *s, const addrinfo *d, addrinfo **r) {
        std::this_thread::sleep_for(std::chrono::seconds(2));
        return orva::plataforma::procuraEndereco(n, s, d, r);
    });
    Conexao c;
    QString erro;
    QElapsedTimer t;
    t.start();
    EXPECT_FALSE(c.conecta("servidor.invalid", 4040, std::chrono::milliseconds(300), &erro));
    std::printf("name lookup that hangs: limit 300 ms, ended after %lld ms\n", static_cast<long long>(t.elapsed()));
    EXPECT_GE(t.elapsed(), 290);
    EXPECT_LT(t.elapsed(), 1000);
    EXPECT_TRUE(erro.contains("tempo limite")) << erro.toStdString();
    Conexao::defineResolvedor({});
}

// A receipt that cannot be written whole (the file size limit stands in for
// a full disk) leaves the receipt already there as it was, and no temporary
// file behind.
TEST(ServidorHostil, ReceiptWriteFailureKeepsTheOldReceipt)
{
    if (!rede::LimiteDeArquivo::disponivel)
        GTEST_SKIP() << "no file size limit on this system";
    QTemporaryDir dir;
    const QString arquivo = dir.filePath("x.cmp");
    GravaArquivoSeguro(arquivo, "bom\r\n");
    QString mensagem;
    {
        rede::LimiteDeArquivo limite(64);
        try {
            GravaArquivoSeguro(arquivo, QByteArray(200, 'n'));
        } catch (const orva::Error &e) {
            mensagem = e.message();
        }
    }
    EXPECT_TRUE(mensagem.contains("x.cmp")) << mensagem.toStdString();
    EXPECT_EQ(apoio::le(arquivo), "bom\r\n");
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"x.cmp"});
}

// With a watcher (the window's way) the waits are cut into slices: the reply
// deadline holds all the same, every stage is shown, and a watcher that says
// stop ends a send to a server that stopped reading, or a name lookup that
// hangs, at once and changes nothing.
TEST(ServidorHostil, WatchedExchangeKeepsItsDeadlinesAndStopsWhenTold)
{
    {
        apoio::ServidorFalso servidor([&](apoio::Soquete fd) {
            apoio::leLinha(fd);
            apoio::envia(fd, resposta("200", "", ""));
            apoio::leBytes(fd, 1300);
            std::this_thread::sleep_for(std::chrono::milliseconds(1500));
        });
        Ambiente a(servidor.porta);
        a.cliente->limites().resposta = std::chrono::milliseconds(600);
        std::vector<std::pair<Andamento::Etapa, bool>> etapas;
        int chamadas = 0;
        a.cliente->defineAcompanhamento([&](const Andamento &e) {
            ++chamadas;
            if (etapas.empty() || etapas.back() != std::pair{e.etapa, e.aposEnvio})
                etapas.emplace_back(e.etapa, e.aposEnvio);
            return true;
        });
        QElapsedTimer t;
        t.start();
        const ResultadoEnvio r = a.cliente->Envia();
        std::printf("watched reply wait: limit 600 ms, ended after %lld ms, %d watcher calls\n",
                    static_cast<long long>(t.elapsed()), chamadas);
        EXPECT_EQ(r.troca.desfecho, Desfecho::SemResposta);
        EXPECT_GE(t.elapsed(), 600);
        EXPECT_LT(t.elapsed(), 900);
        EXPECT_GE(chamadas, 10);
        using E = Andamento::Etapa;
        EXPECT_EQ(etapas, (std::vector<std::pair<E, bool>>{
                              {E::Conectando, false}, {E::Aguardando, false}, {E::Enviando, false}, {E::Aguardando, true}}));
    }
    {
        std::atomic<bool> fim{false};
        apoio::ServidorFalso servidor(paraDeLer(fim));
        Ambiente a(servidor.porta, QByteArray(32 * 1024 * 1024, 'z'));
        const auto antes = estado(a);
        qint64 enviados = 0;
        a.cliente->defineAcompanhamento([&](const Andamento &e) {
            enviados = e.enviados;
            return e.etapa != Andamento::Etapa::Enviando || e.enviados == 0;
        });
        const ResultadoEnvio r = a.cliente->Envia();
        fim = true;
        EXPECT_EQ(r.troca.desfecho, Desfecho::Cancelada);
        EXPECT_GT(enviados, 0);
        EXPECT_EQ(estado(a), antes);
        EXPECT_EQ(a.dialogos.tipos(), (QStringList{"aviso", "mensagem"}));
        EXPECT_EQ(a.dialogos.itens[1].texto1, mensagemEntregaCancelada(false));
    }
    Conexao::defineResolvedor([](const char *n, const char *s, const addrinfo *d, addrinfo **r) {
        std::this_thread::sleep_for(std::chrono::seconds(2));
        return orva::plataforma::procuraEndereco(n, s, d, r);
    });
    Conexao c;
    int chamadas = 0;
    c.defineVigia([&] { return ++chamadas < 3; });
    QString erro;
    QElapsedTimer t;
    t.start();
    EXPECT_FALSE(c.conecta("servidor.invalid", 4040, std::chrono::milliseconds(5000), &erro));
    EXPECT_TRUE(c.cancelada());
    EXPECT_LT(t.elapsed(), 1000);
    Conexao::defineResolvedor({});
}

namespace {

// Sends "ab\r\n" as fast as the client takes it until `ms` have passed, then
// a receipt: the short lines never leave the reply wait a quiet moment.
void inunda(apoio::Soquete fd, int ms, const QByteArray &depois)
{
    const QByteArray curtas = QByteArray("ab\r\n").repeated(4096);
    QElapsedTimer t;
    t.start();
    const apoio::so::Parte parte{curtas.constData(), static_cast<size_t>(curtas.size())};
    while (t.elapsed() < ms && apoio::so::enviaPartes(fd, &parte, 1) > 0) {
    }
    apoio::envia(fd, depois);
}

} // namespace

// A server that floods short lines: the reply waits of a delivery and of a
// fetch end at their deadline all the same, and a "201" that comes after it
// is never taken.
TEST(ServidorHostil, FloodOfShortLinesEndsTheWaitAtItsDeadline)
{
    const QByteArray recibo = resposta("201", Registro.left(22), Registro.mid(22));
    for (const bool aposEnvio : {false, true}) {
        apoio::ServidorFalso servidor([&](apoio::Soquete fd) {
            apoio::leLinha(fd);
            if (aposEnvio) {
                apoio::envia(fd, resposta("200", "", ""));
                apoio::leBytes(fd, 1300);
            }
            inunda(fd, 1500, aposEnvio ? recibo : resposta("200", "", ""));
        });
        Ambiente a(servidor.porta);
        a.cliente->limites().resposta = std::chrono::milliseconds(600);
        const auto antes = estado(a);
        QElapsedTimer t;
        t.start();
        const ResultadoEnvio r = a.cliente->Envia();
        const qint64 gasto = t.elapsed();
        std::printf("flooded reply wait (%s the archive): limit 600 ms, ended after %lld ms\n",
                    aposEnvio ? "after" : "before", static_cast<long long>(gasto));
        EXPECT_GE(gasto, 600);
        EXPECT_LT(gasto, 1000);
        EXPECT_NE(r.troca.desfecho, Desfecho::Recebida);
        EXPECT_FALSE(r.comprovanteGravado);
        EXPECT_TRUE(a.listada());
        EXPECT_EQ(a.dialogos.tipos().value(aposEnvio ? 1 : 0), "erro");
        EXPECT_EQ(a.dialogos.itens.at(aposEnvio ? 1 : 0).texto1, mensagemTempoEsgotado());
        if (!aposEnvio) {
            EXPECT_EQ(estado(a), antes);
        }
    }

    QTemporaryDir dir;
    QDir().mkpath(dir.filePath("recv"));
    apoio::DialogosGravados dialogos;
    Cliente cliente(dir.path(), dialogos);
    cliente.limites().resposta = std::chrono::milliseconds(600);
    apoio::ServidorFalso servidor([&](apoio::Soquete fd) {
        apoio::leLinha(fd);
        inunda(fd, 1500, resposta("201", "Localizado", Registro.mid(22)));
    });
    cliente.endereco().porta = servidor.porta;
    QElapsedTimer t;
    t.start();
    EXPECT_FALSE(cliente.BuscaRecibo("00000000000001", "20150007"));
    std::printf("flooded receipt fetch: limit 600 ms, ended after %lld ms\n", static_cast<long long>(t.elapsed()));
    EXPECT_LT(t.elapsed(), 1000);
    EXPECT_TRUE(QDir(dir.filePath("recv")).isEmpty());
}

// A server that answers the AUTH with "200" and "201" at once and closes
// without reading: the archive did not go out whole, so the "201" is no
// delivery, for a large archive and for a small one (the reply came before
// its bytes went). Nor is a "201" that comes while a large archive is still
// going out. A refusal after a failed send is shown.
TEST(ServidorHostil, A201BeforeTheWholeArchiveIsNoDelivery)
{
    const QByteArray pronto = resposta("200", "Pronto", "");
    const QByteArray recibo = resposta("201", Registro.left(22), Registro.mid(22));
    int falsos = 0, tentativas = 0;
    for (int caso = 0; caso < 9; ++caso) {
        const qsizetype tamanho = caso < 3 ? qsizetype(1300) : qsizetype(16) << 20;
        const bool juntas = caso < 6;
        apoio::ServidorFalso servidor([&](apoio::Soquete fd) {
            apoio::leLinha(fd);
            if (juntas) {
                apoio::envia(fd, pronto + recibo);
            } else {
                apoio::envia(fd, pronto);
                std::this_thread::sleep_for(std::chrono::milliseconds(30));
                apoio::envia(fd, recibo);
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            apoio::so::resetaAoFechar(fd);
        });
        Ambiente a(servidor.porta, QByteArray(tamanho, 'z'));
        const auto antes = estado(a);
        const ResultadoEnvio r = a.cliente->Envia();
        ++tentativas;
        falsos += r.comprovanteGravado || r.troca.desfecho == Desfecho::Recebida ? 1 : 0;
        EXPECT_LT(r.troca.enviados, tamanho) << caso;
        EXPECT_EQ(estado(a), antes) << caso;
        if (juntas) {
            EXPECT_EQ(r.troca.desfecho, Desfecho::EnvioIncompleto) << caso;
            ASSERT_EQ(a.dialogos.tipos(), (QStringList{"aviso", "falha"}));
            EXPECT_EQ(a.dialogos.itens[1].texto1, mensagemEnvioIncompleto1());
            EXPECT_EQ(a.dialogos.itens[1].texto2, mensagemEnvioIncompleto2(r.troca.enviados, tamanho));
        }
    }
    std::printf("201 before the whole archive went out: %d deliveries taken in %d trials\n", falsos, tentativas);
    EXPECT_EQ(falsos, 0);

    apoio::ServidorFalso servidor([&](apoio::Soquete fd) {
        apoio::leLinha(fd);
        apoio::envia(fd, resposta("200", "", ""));
        apoio::leBytes(fd, 1000);
        apoio::envia(fd, resposta("500", "Falha no servidor.", "Disco cheio"));
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        apoio::so::resetaAoFechar(fd);
    });
    Ambiente a(servidor.porta, QByteArray(16 << 20, 'z'));
    const ResultadoEnvio r = a.cliente->Envia();
    EXPECT_EQ(r.troca.desfecho, Desfecho::RecusadaAposEnvio);
    EXPECT_FALSE(r.troca.bytesEnviados);
    ASSERT_EQ(a.dialogos.tipos(), (QStringList{"aviso", "falha"}));
    EXPECT_EQ(a.dialogos.itens[1].texto2, "Disco cheio-500");
    EXPECT_TRUE(a.listada());
}

// "recv" cannot be written (a file stands in its place): the user is told
// that the server has the declaration and how to fetch its receipt.
TEST(ServidorHostil, AReceiptThatCannotBeStoredStillSaysTheDeclarationArrived)
{
    apoio::ServidorFalso servidor([&](apoio::Soquete fd) {
        apoio::leLinha(fd);
        apoio::envia(fd, resposta("200", "", ""));
        apoio::leBytes(fd, 1300);
        apoio::envia(fd, resposta("201", Registro.left(22), Registro.mid(22)));
    });
    Ambiente a(servidor.porta);
    ASSERT_TRUE(QDir(a.pastaCliente + "/recv").removeRecursively());
    apoio::grava(a.pastaCliente + "/recv", "não é uma pasta");
    const ResultadoEnvio r = a.cliente->Envia();
    EXPECT_EQ(r.troca.desfecho, Desfecho::Recebida);
    EXPECT_FALSE(r.comprovanteGravado);
    ASSERT_EQ(a.dialogos.tipos(), (QStringList{"aviso", "erro"}));
    const QString texto = a.dialogos.itens[1].texto1;
    EXPECT_TRUE(texto.startsWith("A declaração foi recebida pelo servidor")) << texto.toStdString();
    EXPECT_TRUE(texto.contains("Download de Comprovantes")) << texto.toStdString();
    EXPECT_TRUE(texto.contains("inscrição 00000000000001, o exercício 2015 e o protocolo 0007")) << texto.toStdString();
    EXPECT_TRUE(a.listada());
}

// A server that reads, but a little at a time: the send ends at its whole
// deadline (the sending limit plus the archive's size at the minimum rate),
// not after each small read gives it new life.
TEST(ServidorHostil, AServerThatReadsSlowlyEndsTheSendAtItsDeadline)
{
    std::atomic<bool> fim{false};
    apoio::ServidorFalso servidor([&](apoio::Soquete fd) {
        apoio::leLinha(fd);
        apoio::envia(fd, resposta("200", "", ""));
        while (!fim && !apoio::leBytes(fd, 256 * 1024).isEmpty())
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
    });
    Ambiente a(servidor.porta, QByteArray(64 << 20, 'z'));
    a.cliente->limites().envio = std::chrono::milliseconds(1000);
    a.cliente->limites().taxaMinimaEnvio = 64 << 20; // the whole archive within 2 s
    QElapsedTimer t;
    t.start();
    const ResultadoEnvio r = a.cliente->Envia();
    const qint64 gasto = t.elapsed();
    fim = true;
    std::printf("send to a server reading 5 MiB/s: deadline 2000 ms, ended after %lld ms\n",
                static_cast<long long>(gasto));
    EXPECT_GE(gasto, 2000);
    EXPECT_LT(gasto, 3000);
    EXPECT_EQ(r.troca.desfecho, Desfecho::EnvioParado);
    ASSERT_EQ(a.dialogos.tipos(), (QStringList{"aviso", "erro"}));
    EXPECT_EQ(a.dialogos.itens[1].texto1, mensagemEnvioLento());
    EXPECT_TRUE(a.listada());
}
