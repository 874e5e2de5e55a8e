// The reference server against clients that hold it: connections trickling a
// byte at a time, idle ones, one address taking every slot, a client that
// reserves the disk, compression bombs. Honest clients must still be served.
#include "server/declaracoes_teste.h"
#include "server/servidor_teste.h"
#include "support/compactados.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>

#include <archive.h>
#include <archive_entry.h>

#include <atomic>
#include <memory>
#include <thread>
#include <vector>

using namespace datp_teste;

namespace {

// An archive whose declaration file is `cabeca` followed by `tamanho` bytes
// made of `padrao` over and over, streamed in so the test never holds it.
QByteArray bomba(const QTemporaryDir &dir, const QByteArray &cabeca, const QByteArray &padrao, qint64 tamanho)
{
    const QString caminho = dir.filePath("bomba.rar");
    struct archive *a = archive_write_new();
    archive_write_set_format_zip(a);
    archive_write_open_filename(a, QFile::encodeName(caminho).constData());
    struct archive_entry *e = archive_entry_new();
    archive_entry_set_pathname(e, "Orva000700000000000001.exp");
    archive_entry_set_filetype(e, AE_IFREG);
    archive_entry_set_perm(e, 0644);
    archive_entry_set_size(e, cabeca.size() + tamanho);
    archive_write_header(a, e);
    archive_entry_free(e);
    archive_write_data(a, cabeca.constData(), cabeca.size());
    const QByteArray bloco = padrao.repeated((1 << 20) / padrao.size());
    for (qint64 feito = 0; feito < tamanho; feito += bloco.size())
        archive_write_data(a, bloco.constData(), std::min<qint64>(bloco.size(), tamanho - feito));
    archive_write_close(a);
    archive_write_free(a);
    QFile f(caminho);
    f.open(QIODevice::ReadOnly);
    return f.readAll();
}

// True when the server has closed the connection: whatever it sent last
// (a refusal) is read first.
bool fechadaAgora(orva::plataforma::Soquete fd)
{
    namespace so = orva::plataforma;
    char bloco[512];
    for (;;) {
        // Nothing pending: still open.
        if (so::espera(fd, so::Evento::Leitura, std::chrono::milliseconds(0)) <= 0)
            return false;
        const std::ptrdiff_t n = so::recebe(fd, bloco, sizeof bloco);
        if (n > 0)
            continue;
        return n == 0 || !so::bloquearia(so::ultimoErro());
    }
}

} // namespace

// 300 connections from one address trickling a byte every 100 ms and 50
// idle ones from another, while honest clients deliver: the flood gets a few
// slots, those are dropped when their command line has not come whole by its
// deadline, and every honest delivery gets its receipt.
TEST(ClientesHostis, SlowlorisAndIdleConnectionsDoNotStopHonestClients)
{
    QTemporaryDir dir;
    ServidorDatp servidor(dir.filePath("dados"), {"--timeout", "1"});
    const QByteArray arquivo = compacta(dir, declaracao("00", {1000, 100, 0, 0, 0}, {nota("0000000123", 1000)}));

    QElapsedTimer relogio;
    relogio.start();
    std::vector<std::unique_ptr<ConexaoBruta>> lentas, ociosas;
    for (int i = 0; i < 300; ++i)
        lentas.push_back(std::make_unique<ConexaoBruta>(servidor.porta, "127.0.0.2"));
    for (int i = 0; i < 50; ++i)
        ociosas.push_back(std::make_unique<ConexaoBruta>(servidor.porta, "127.0.0.3"));
    std::atomic<bool> fim{false};

    std::thread gotejador([&] {
        const QByteArray linha = "DATP/1.0 AUTH USUARIO@ORVA ORVA 10 x.rar\r\n";
        for (int i = 0; !fim && i < linha.size(); ++i) {
            for (auto &c : lentas)
                c->envia(linha.mid(i, 1));
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
    });

    std::atomic<int> servidos{0};
    std::vector<std::thread> honestos;
    for (int t = 0; t < 4; ++t)
        honestos.emplace_back([&] {
            for (int i = 0; i < 5; ++i)
                if (entrega(servidor.porta, arquivo).codigo == "201")
                    ++servidos;
        });
    for (auto &t : honestos)
        t.join();
    EXPECT_EQ(servidos.load(), 20);
    std::printf("honest deliveries: %d of 20 served, %lld ms after the flood began\n", servidos.load(),
                static_cast<long long>(relogio.elapsed()));

    // By 2.5 s every flood connection has been closed, trickling or not.
    std::this_thread::sleep_for(std::chrono::milliseconds(2500) - std::chrono::milliseconds(relogio.elapsed()));
    int abertas = 0;
    for (auto &c : lentas)
        abertas += fechadaAgora(c->fd()) ? 0 : 1;
    for (auto &c : ociosas)
        abertas += fechadaAgora(c->fd()) ? 0 : 1;
    fim = true;
    gotejador.join();
    EXPECT_EQ(abertas, 0);
    // One address holds no more than its share.
    std::vector<std::unique_ptr<ConexaoBruta>> mesmas;
    int recusadas = 0;
    for (int i = 0; i < 12; ++i) {
        mesmas.push_back(std::make_unique<ConexaoBruta>(servidor.porta, "127.0.0.4"));
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    for (auto &c : mesmas)
        recusadas += c->linha(100).contains(" 503 ") ? 1 : 0;
    EXPECT_EQ(recusadas, 4);
    EXPECT_EQ(servidor.processo.state(), QProcess::Running);
}

// The taxpayer may read the notice for minutes before the archive goes; a
// connection that says nothing at all is dropped at once; the notice has its
// own limit.
TEST(ClientesHostis, TheNoticeMayBeReadLongerThanTheOtherLimits)
{
    QTemporaryDir dir;
    const QByteArray arquivo = compacta(dir, declaracao("00", {1000, 100, 0, 0, 0}, {nota("0000000123", 1000)}));
    const QByteArray auth = "DATP/1.0 AUTH USUARIO@ORVA ORVA " + QByteArray::number(arquivo.size()) + " x.rar\r\n";
    {
        ServidorDatp servidor(dir.filePath("dados"), {"--timeout", "0.3"});
        ConexaoBruta leitor(servidor.porta);
        leitor.envia(auth);
        EXPECT_TRUE(leitor.linha().contains(" 200 "));
        std::this_thread::sleep_for(std::chrono::milliseconds(1200));
        leitor.envia(arquivo);
        EXPECT_TRUE(leitor.linha().contains(" 201 "));

        ConexaoBruta muda(servidor.porta);
        QElapsedTimer t;
        t.start();
        EXPECT_TRUE(muda.fechada(3000));
        EXPECT_LT(t.elapsed(), 1000);
    }
    ServidorDatp servidor(dir.filePath("dados"), {"--timeout", "0.3", "--notice-timeout", "0.5"});
    ConexaoBruta leitor(servidor.porta);
    leitor.envia(auth);
    EXPECT_TRUE(leitor.linha().contains(" 200 "));
    EXPECT_TRUE(leitor.linha(3000).contains(" 408 "));
}

// Room for archives is set aside at AUTH: when it is short the client is
// told at once, and a client that goes gives its room back.
TEST(ClientesHostis, DiskRoomIsReservedAndRefusedEarly)
{
    QTemporaryDir dir;
    const QByteArray arquivo = compacta(dir, declaracao("00", {1000, 100, 0, 0, 0}, {nota("0000000123", 1000)}));
    ServidorDatp servidor(dir.filePath("dados"), {"--budget", "1000000", "--budget-per-address", "1000000"});
    auto lenta = std::make_unique<ConexaoBruta>(servidor.porta, "127.0.0.2");
    lenta->envia("DATP/1.0 AUTH USUARIO@ORVA ORVA 999900 x.rar\r\n");
    EXPECT_TRUE(lenta->linha().contains(" 200 "));
    lenta->envia(QByteArray(1000, 'x'));

    ConexaoBruta honesta(servidor.porta);
    honesta.envia("DATP/1.0 AUTH USUARIO@ORVA ORVA " + QByteArray::number(arquivo.size()) + " x.rar\r\n");
    EXPECT_TRUE(honesta.linha().contains(" 507 "));
    lenta.reset();
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_EQ(entrega(servidor.porta, arquivo).codigo, "201");
    EXPECT_EQ(servidor.processo.state(), QProcess::Running);
}

// Bombs are refused after their first blocks: one endless line, and valid
// records far beyond the count the protocol record announces.
TEST(ClientesHostis, CompressionBombsAreRefusedInWellUnderASecond)
{
    QTemporaryDir dir;
    ServidorDatp servidor(dir.filePath("dados"));
    const QByteArray cabeca = declaracao("00", {1000, 100, 0, 0, 0}, {});
    const QList<QByteArray> bombas{bomba(dir, cabeca, QByteArray(1, '0'), qint64(400) << 20),
                                   bomba(dir, cabeca, nota("0000000123", 1000) + "\r\n", qint64(400) << 20)};
    for (const QByteArray &b : bombas) {
        ASSERT_LT(b.size(), 3 << 20);
        ConexaoBruta c(servidor.porta);
        c.envia("DATP/1.0 AUTH USUARIO@ORVA ORVA " + QByteArray::number(b.size()) + " x.rar\r\n");
        ASSERT_TRUE(c.linha().contains(" 200 "));
        c.envia(b);
        QElapsedTimer t;
        t.start();
        const auto r = InterpretaResposta(QString::fromLatin1(c.linha()));
        std::printf("bomb of %lld bytes refused in %lld ms\n", static_cast<long long>(b.size()),
                    static_cast<long long>(t.elapsed()));
        EXPECT_LT(t.elapsed(), 300);
        EXPECT_EQ(r.codigo, "500") << r.linha.toStdString();
    }
}

// What a killed server left, half-received archives and half-written
// receipts, is cleared when a server starts on its folder; the receipts stay,
// and so does the archive that another server on the folder is receiving.
TEST(ClientesHostis, LeftoversOfAKilledServerAreCleared)
{
    QTemporaryDir dir;
    const QString dados = dir.filePath("dados");
    QDir().mkpath(dados + "/comprovantes");
    QDir().mkpath(dados + "/recebendo/99-aBcDeF");
    for (const QString &nome :
         QStringList{"comprovantes/0000000000000120150007.txt.tmp1234", "comprovantes/0000000000000120150007.txt",
                     "recebendo/99-1.rar", "recebendo/99-aBcDeF/3.rar"}) {
        QFile f(dados + "/" + nome);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("x");
    }
    ServidorDatp primeiro(dados);
    EXPECT_EQ(QDir(dados + "/comprovantes").entryList(QDir::Files), QStringList{"0000000000000120150007.txt"});
    EXPECT_EQ(restosRecebendo(dados), QStringList());

    const QByteArray arquivo = compacta(dir, declaracao("00", {1000, 100, 0, 0, 0}, {nota("0000000123", 1000)}));
    ConexaoBruta c(primeiro.porta);
    c.envia("DATP/1.0 AUTH USUARIO@ORVA ORVA " + QByteArray::number(arquivo.size()) + " x.rar\r\n");
    ASSERT_TRUE(c.linha().contains(" 200 "));
    c.envia(arquivo.left(10));
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    ServidorDatp outro(dados);
    EXPECT_EQ(restosRecebendo(dados, 0).size(), 1);
    c.envia(arquivo.mid(10));
    EXPECT_TRUE(c.linha().contains(" 201 "));
    c.fecha();
    EXPECT_EQ(restosRecebendo(dados), QStringList());
}

// Four connections of one address announce the largest archive, send a
// byte and trickle: one address gets no more than its share of the room, so
// honest clients of other addresses keep being served while it lasts, and a
// connection that falls below the minimum rate is cut and gives its room
// back.
TEST(ClientesHostis, TricklersOfOneAddressCannotTakeTheRoomOfOthers)
{
    QTemporaryDir dir;
    ServidorDatp servidor(dir.filePath("dados"), {"--budget", "400000000", "--max-size", "100000000", "--timeout", "1"});
    const QByteArray arquivo = compacta(dir, declaracao("00", {1000, 100, 0, 0, 0}, {nota("0000000123", 1000)}));
    std::vector<std::unique_ptr<ConexaoBruta>> lentas;
    QStringList respostas;
    for (int i = 0; i < 4; ++i) {
        lentas.push_back(std::make_unique<ConexaoBruta>(servidor.porta, "127.0.0.2"));
        lentas.back()->envia("DATP/1.0 AUTH USUARIO@ORVA ORVA 100000000 x.rar\r\n");
        respostas << QString::fromLatin1(lentas.back()->linha().mid(12, 3));
    }
    EXPECT_EQ(respostas, (QStringList{"200", "503", "503", "503"}));
    std::atomic<bool> fim{false};
    std::thread gotejador([&] {
        while (!fim) {
            lentas.front()->envia("x");
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
    });
    QElapsedTimer relogio;
    relogio.start();
    int servidos = 0, tentativas = 0;
    // Paced like clients, not back to back: a burst of some 450 deliveries of
    // one key within 800 ms once stalled the server for about 8 s (still to
    // be understood), which is not what this test is about.
    while (relogio.elapsed() < 800) {
        ++tentativas;
        servidos += entrega(servidor.porta, arquivo).codigo == "201" ? 1 : 0;
        std::this_thread::sleep_for(std::chrono::milliseconds(3));
    }
    std::printf("honest deliveries while one address trickles: %d of %d served\n", servidos, tentativas);
    EXPECT_EQ(servidos, tentativas);
    // Behind the minimum rate once the grace has passed: cut with 408.
    const QByteArray corte = lentas.front()->linha(3000);
    const qint64 aos = relogio.elapsed();
    fim = true;
    gotejador.join();
    std::printf("trickling connection cut after %lld ms: %s\n", static_cast<long long>(aos), corte.constData());
    EXPECT_TRUE(corte.contains(" 408 ")) << corte.toStdString();
    EXPECT_LT(aos, 2500);
    // Its room is back: the address may deliver again.
    lentas.clear();
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    ConexaoBruta outra(servidor.porta, "127.0.0.2");
    outra.envia("DATP/1.0 AUTH USUARIO@ORVA ORVA 100000000 x.rar\r\n");
    EXPECT_TRUE(outra.linha().contains(" 200 "));
}

// Only ZIP is read: a tar.gz holding a good declaration is refused, an
// archive that starts like lzop's never starts the "lzop" found on the path,
// and a damaged entry name is refused.
// A declaration of more records than the receipt's six digits can state is
// refused with a message that says so.
TEST(ClientesHostis, OnlyZipIsReadNoProgramRunsAndTheCountNeverWraps)
{
    QTemporaryDir dir;
    const QString marca = dir.filePath("lzop-rodou");
    ServidorDatp servidor(dir.filePath("dados"), {}, compactados::comLzopFalso(dir.filePath("bin"), marca));
    const QByteArray targz = compactados::tarGz(
        "Orva000700000000000001.exp", declaracao("00", {1000, 100, 0, 0, 0}, {nota("0000000123", 1000)}));
    const QByteArray lzo = compactados::comoLzop();
    for (const QByteArray &bytes : {targz, lzo}) {
        const auto r = entrega(servidor.porta, bytes);
        EXPECT_EQ(r.codigo, "500") << r.linha.toStdString();
        EXPECT_TRUE(r.mensagem2.contains("não é um arquivo compactado válido")) << r.mensagem2.toStdString();
    }
    EXPECT_FALSE(QFileInfo::exists(marca));
    // A name damaged in the local header only.
    QByteArray nomeDanificado = compacta(dir, declaracao("00", {1000, 100, 0, 0, 0}, {nota("0000000123", 1000)}));
    ASSERT_EQ(nomeDanificado.mid(30, 4), "Orva");
    nomeDanificado[35] = char(nomeDanificado[35] ^ 1);
    const auto danificado = entrega(servidor.porta, nomeDanificado);
    EXPECT_EQ(danificado.codigo, "500");
    EXPECT_TRUE(danificado.mensagem2.contains("nome da entrada")) << danificado.mensagem2.toStdString();

    // 1,000,000 invoices and the records 10 and 20, streamed into the archive.
    const QString grande = dir.filePath("grande.rar");
    {
        constexpr qint64 Notas = 1000000;
        qint64 soma = 0;
        for (qint64 i = 0; i < Notas; ++i)
            soma += 1000 + i % 997;
        const QByteArray cabeca = declaracao("00", {soma, Notas * 100, 0, 0, 0}, {});
        struct archive *a = archive_write_new();
        archive_write_set_format_zip(a);
        archive_write_open_filename(a, QFile::encodeName(grande).constData());
        struct archive_entry *e = archive_entry_new();
        archive_entry_set_pathname(e, "Orva000700000000000001.exp");
        archive_entry_set_filetype(e, AE_IFREG);
        archive_entry_set_perm(e, 0644);
        archive_entry_set_size(e, cabeca.size() + Notas * 131);
        archive_write_header(a, e);
        archive_entry_free(e);
        archive_write_data(a, cabeca.constData(), cabeca.size());
        QByteArray bloco;
        for (qint64 i = 0; i < Notas; ++i) {
            bloco += nota(z(i + 1, 10), 1000 + i % 997) + "\r\n";
            if (bloco.size() >= (1 << 20) || i + 1 == Notas) {
                archive_write_data(a, bloco.constData(), bloco.size());
                bloco.clear();
            }
        }
        archive_write_close(a);
        archive_write_free(a);
    }
    QFile f(grande);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray bytes = f.readAll();
    std::printf("archive of 1,000,002 records: %lld bytes\n", static_cast<long long>(bytes.size()));
    ConexaoBruta c(servidor.porta);
    c.envia("DATP/1.0 AUTH USUARIO@ORVA ORVA " + QByteArray::number(bytes.size()) + " x.rar\r\n");
    ASSERT_TRUE(c.linha().contains(" 200 "));
    c.envia(bytes);
    const auto r = InterpretaResposta(QString::fromLatin1(c.linha(60000)));
    EXPECT_EQ(r.codigo, "500") << r.linha.toStdString();
    EXPECT_TRUE(r.mensagem2.contains("A declaração tem 1000002 registros")) << r.mensagem2.toStdString();
    EXPECT_EQ(pede(servidor.porta, "DATP/1.0 COMP 00000000000001@20150007 ORVA 3 myfile.rar\r\n").codigo, "404");
}
