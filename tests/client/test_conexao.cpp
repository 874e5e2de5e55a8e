// The connection over the system's sockets at the edges the delivery tests
// do not reach: more buffers than one system call takes, child processes,
// and the texts of failures.
#include "client/apoio.h"
#include "support/rede.h"

#include "client/conexao.h"

#include <QElapsedTimer>

using namespace orva::cliente;

// Thousands of parts of every size, empty ones among them, sent while the
// server does not read yet: every call is partial or refused, and every byte
// still arrives once and in order.
TEST(Conexao, ManyPartsArriveWholeAndInOrder)
{
    std::vector<QByteArray> blocos;
    QByteArray esperado;
    for (int i = 0; i < 3000; ++i) {
        QByteArray bloco(i % 7 == 0 ? 0 : (i * 37) % 3001, Qt::Uninitialized);
        for (qsizetype j = 0; j < bloco.size(); ++j)
            bloco[j] = static_cast<char>((i * 131 + j) % 251);
        esperado += bloco;
        blocos.push_back(bloco);
    }
    std::vector<Parte> partes;
    for (const QByteArray &b : blocos)
        partes.push_back({b.constData(), static_cast<size_t>(b.size())});

    QByteArray recebido;
    apoio::ServidorFalso servidor([&](apoio::Soquete fd) {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        recebido = apoio::leBytes(fd, esperado.size());
    });
    Conexao c;
    QString erro;
    ASSERT_TRUE(c.conecta("127.0.0.1", servidor.porta, std::chrono::seconds(2), &erro)) << erro.toStdString();
    EXPECT_TRUE(c.envia(partes.data(), static_cast<int>(partes.size()), std::chrono::seconds(5), &erro))
        << erro.toStdString();
    servidor.espera();
    EXPECT_EQ(recebido.size(), esperado.size());
    EXPECT_TRUE(recebido == esperado);
}

// A refused connection ends at once, not at its limit, and says why in one
// line of the system's own words.
TEST(Conexao, RefusalEndsAtOnceWithTheSystemsText)
{
    quint16 porta = 0;
    {
        apoio::ServidorFalso fechado(nullptr);
        porta = fechado.porta;
    }
    Conexao c;
    QString erro;
    QElapsedTimer t;
    t.start();
    EXPECT_FALSE(c.conecta("127.0.0.1", porta, std::chrono::seconds(5), &erro));
    EXPECT_LT(t.elapsed(), 2000);
    EXPECT_FALSE(c.aberta());
    for (const QString &texto : {erro, apoio::so::textoErro(apoio::so::ErroTempoEsgotado)}) {
        EXPECT_FALSE(texto.isEmpty());
        EXPECT_EQ(texto, texto.trimmed());
        EXPECT_FALSE(texto.contains(QLatin1Char('\n'))) << texto.toStdString();
    }
}

// A program started while the connection is open (the archiver) does not
// inherit it: closing the connection ends it for the server at once.
TEST(Conexao, AChildProcessDoesNotKeepTheConnectionOpen)
{
    bool fechou = false;
    Relogio::time_point visto{};
    apoio::ServidorFalso servidor([&](apoio::Soquete fd) {
        fechou = apoio::fechouSemDados(fd);
        visto = Relogio::now();
    });
    Conexao c;
    QString erro;
    ASSERT_TRUE(c.conecta("127.0.0.1", servidor.porta, std::chrono::seconds(2), &erro)) << erro.toStdString();
    QProcess filho;
    ASSERT_TRUE(rede::iniciaFilhoParado(filho));
    const auto fim = Relogio::now();
    c.fecha();
    servidor.espera();
    filho.kill();
    filho.waitForFinished(5000);
    EXPECT_TRUE(fechou);
    EXPECT_LT(visto - fim, std::chrono::seconds(1));
}
