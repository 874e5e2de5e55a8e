#include "server/declaracoes_teste.h"
#include "server/servidor_teste.h"
#include "server/consulta_postgres.h"

#include "archiver/rar_archive.h"
#include "client/datp.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <atomic>
#include <thread>
#include <vector>

using namespace datp_teste;

namespace {

enum class Guarda { Pasta, Postgres };

void PrintTo(Guarda guarda, std::ostream *os)
{
    *os << (guarda == Guarda::Pasta ? "pasta" : "PostgreSQL");
}

// Each test runs on the receipt folder and on a PostgreSQL database of its own.
class Servidor : public ::testing::TestWithParam<Guarda> {
protected:
    void SetUp() override
    {
        if (GetParam() == Guarda::Postgres) {
            ORVA_REQUER_POSTGRES();
            banco = std::make_unique<BancoPostgres>();
        }
    }
    // The server's options, with the store under test.
    QStringList opcoes(QStringList extra = {}) const
    {
        if (banco)
            extra << "--banco" << banco->conexao();
        return extra;
    }
    std::unique_ptr<BancoPostgres> banco;
};

} // namespace

INSTANTIATE_TEST_SUITE_P(Guardas, Servidor, ::testing::Values(Guarda::Pasta, Guarda::Postgres),
                         [](const auto &info) { return info.param == Guarda::Pasta ? "Pasta" : "Postgres"; });

TEST_P(Servidor, GoodDeclarationGetsAReceiptThatOutlivesTheServer)
{
    QTemporaryDir dir;
    const QByteArray arquivo = compacta(dir, declaracao("00", {1250, 200, 0, 0, 0},
                                                        {nota("0000000123", 1000), nota("0000000124", 250)}));
    QByteArray registro;
    {
        ServidorDatp servidor(dir.filePath("dados"), opcoes());
        const auto r = entrega(servidor.porta, arquivo);
        ASSERT_EQ(r.codigo, "201") << r.linha.toStdString();
        registro = (r.mensagem1 + r.mensagem2).toLatin1();
        EXPECT_EQ(r.mensagem1, "00000000000001" "2015" "0007");
        ASSERT_EQ(registro.size(), 104);
        EXPECT_EQ(registro.mid(22, 3), "001");
        EXPECT_EQ(registro.mid(25, 10), QDate::currentDate().toString("dd/MM/yyyy").toLatin1());
        // The quote of the name cannot travel inside a quoted text.
        EXPECT_EQ(registro.mid(35, 50), QByteArray("D\xB4" "AVILA COMERCIO LTDA").leftJustified(50, ' '));
        EXPECT_EQ(registro.mid(85, 6), "000004");
        EXPECT_EQ(registro.mid(91).size(), 13);
        // The control number comes from the archive's bytes.
        EXPECT_EQ((entrega(servidor.porta, arquivo).mensagem2).toLatin1().mid(69), registro.mid(91));
    }
    ServidorDatp outro(dir.filePath("dados"), opcoes());
    const auto r = pede(outro.porta, "DATP/1.0 COMP 00000000000001@20150007 ORVA 3 myfile.rar\r\n");
    EXPECT_EQ(r.codigo, "201");
    EXPECT_EQ(r.mensagem2.toLatin1(), registro.mid(22));
    EXPECT_EQ(pede(outro.porta, "DATP/1.0 COMP 00000000000001@20150008 ORVA 3 myfile.rar\r\n").codigo, "404");
    EXPECT_EQ(pede(outro.porta, "DATP/1.0 COMP ../../etc@20150008 ORVA 3 myfile.rar\r\n").codigo, "400");
    EXPECT_EQ(restosRecebendo(dir.filePath("dados")), QStringList());
    if (banco) {
        EXPECT_FALSE(QDir(dir.filePath("dados/comprovantes")).exists());
    }
}

TEST_P(Servidor, BadDeclarationsAreRefusedWithTheirProblems)
{
    QTemporaryDir dir;
    ServidorDatp servidor(dir.filePath("dados"), opcoes());
    // Totals off, a short invoice record, an apportionment record in an invoice protocol.
    auto r = entrega(servidor.porta, compacta(dir, declaracao("00", {500, 300, 0, 0, 0},
                                                              {nota("0000000123", 1000), nota("0000000124", 250).left(100),
                                                               "40" + Inscricao})));
    EXPECT_EQ(r.codigo, "500");
    const QStringList problemas = r.mensagem2.split("#13");
    ASSERT_EQ(problemas.size(), 4) << r.mensagem2.toStdString();
    EXPECT_TRUE(problemas[0].startsWith("Linha 4: registro 30 com 100 caracteres")) << problemas[0].toStdString();
    EXPECT_TRUE(problemas[1].startsWith("Linha 5: registro \"40\" inesperado")) << problemas[1].toStdString();
    EXPECT_TRUE(problemas[2].startsWith("Total 1 (valor das notas) de 500 centavos")) << problemas[2].toStdString();
    EXPECT_TRUE(problemas[3].startsWith("Total 2")) << problemas[3].toStdString();

    // An apportionment protocol whose count is right; records "10" then nothing.
    const QByteArray rateio = "40" + Inscricao + "2015" "110001" + z(10000, 15) + z(5025, 15) + "0007" "I";
    EXPECT_EQ(entrega(servidor.porta, compacta(dir, declaracao("01", {0, 0, 10000, 5025, 100}, {rateio}))).codigo, "201");
    r = entrega(servidor.porta, compacta(dir, declaracao("01", {0, 0, 0, 0, 100}, {}).left(119)));
    EXPECT_EQ(r.codigo, "500");
    EXPECT_TRUE(r.mensagem2.contains("Falta o registro 20")) << r.mensagem2.toStdString();
    // Not an archive; an archive without a declaration file.
    EXPECT_EQ(entrega(servidor.porta, QByteArray(300, 'x')).codigo, "500");
    r = entrega(servidor.porta, compacta(dir, "qualquer coisa", "leia-me.txt"));
    EXPECT_TRUE(r.mensagem2.contains(".exp")) << r.mensagem2.toStdString();
}

TEST_P(Servidor, GarbageShortOversizedAndVanishingClientsNeverStopIt)
{
    QTemporaryDir dir;
    // All the clients come from one address here: its limit is raised.
    ServidorDatp servidor(dir.filePath("dados"), opcoes({"--timeout", "0.3", "--max-size", "100000", "--max-per-address", "64"}));
    EXPECT_EQ(pede(servidor.porta, "ola\r\n").codigo, "400");
    EXPECT_EQ(pede(servidor.porta, QByteArray(10000, 'A')).codigo, "400");
    EXPECT_EQ(pede(servidor.porta, "DATP/1.0 AUTH USUARIO@ORVA ORVA 100001 x.rar\r\n").codigo, "413");
    EXPECT_EQ(pede(servidor.porta, "DATP/1.0 AUTH USUARIO@ORVA SENHA 10 x.rar\r\n").codigo, "400");
    {
        // A short body: refused when the client falls silent.
        ConexaoBruta c(servidor.porta);
        c.envia("DATP/1.0 AUTH USUARIO@ORVA ORVA 100 x.rar\r\n0123456789");
        c.linha();
        EXPECT_TRUE(c.linha().startsWith("DATP/1.0 00 408 "));
        EXPECT_TRUE(c.fechada());
    }
    {
        // More bytes than announced.
        ConexaoBruta c(servidor.porta);
        c.envia("DATP/1.0 AUTH USUARIO@ORVA ORVA 5 x.rar\r\n0123456789");
        c.linha();
        EXPECT_TRUE(c.linha().startsWith("DATP/1.0 00 400 "));
    }
    {
        // A client that vanishes in the middle of the body, another that never speaks.
        ConexaoBruta c(servidor.porta);
        c.envia("DATP/1.0 AUTH USUARIO@ORVA ORVA 50000 x.rar\r\n" + QByteArray(20000, 'x'));
        c.linha();
        c.fecha();
        ConexaoBruta mudo(servidor.porta);
        EXPECT_TRUE(mudo.fechada());
    }
    // Many clients at once, each answered.
    std::atomic<int> respondidos{0};
    std::vector<std::thread> clientes;
    for (int i = 0; i < 40; ++i)
        clientes.emplace_back([&] {
            if (pede(servidor.porta, "DATP/1.0 COMP 00000000000001@20150007 ORVA 3 myfile.rar\r\n").codigo == "404")
                ++respondidos;
        });
    for (auto &t : clientes)
        t.join();
    EXPECT_EQ(respondidos.load(), 40);
    EXPECT_EQ(servidor.processo.state(), QProcess::Running);
    EXPECT_EQ(restosRecebendo(dir.filePath("dados")), QStringList());
}

// A re-delivery under the same key (anyone may send one) gets a receipt of
// its own and a fetch returns it; the earlier receipt stays in the history,
// also one kept before there was a history, and the log names it.
TEST_P(Servidor, ReDeliveryKeepsEveryReceiptInTheHistory)
{
    QTemporaryDir dir;
    const QString dados = dir.filePath("dados");
    const QByteArray primeira = compacta(dir, declaracao("00", {1000, 100, 0, 0, 0}, {nota("0000000123", 1000)}));
    const QByteArray segunda = compacta(dir, declaracao("00", {2000, 100, 0, 0, 0}, {nota("0000000123", 2000)}));
    const auto registroDe = [](const orva::cliente::Resposta &r) { return (r.mensagem1 + r.mensagem2).toLatin1(); };
    // Every receipt of the key the store holds, oldest first.
    const auto historico = [&] {
        QList<QByteArray> r;
        if (banco) {
            QString todos;
            consulta(*banco,
                     "select string_agg(encode(registro, 'hex'), '|' order by id) from datp_comprovantes_historico"
                     " where chave = '0000000000000120150007'",
                     &todos);
            for (const QString &t : todos.split('|', Qt::SkipEmptyParts))
                r << QByteArray::fromHex(t.toLatin1());
            return r;
        }
        const QDir pasta(dados + "/comprovantes/historico");
        for (const QString &nome : pasta.entryList({"0000000000000120150007-*.txt"}, QDir::Files, QDir::Name)) {
            QFile f(pasta.filePath(nome));
            r << (f.open(QIODevice::ReadOnly) ? f.readAll().trimmed() : QByteArray());
        }
        return r;
    };

    QByteArray antigo;
    {
        ServidorDatp servidor(dados, opcoes());
        const auto r = entrega(servidor.porta, primeira);
        ASSERT_EQ(r.codigo, "201");
        antigo = registroDe(r);
        EXPECT_EQ(historico(), QList<QByteArray>{antigo});
    }
    // As a server without a history left it.
    if (banco)
        consulta(*banco, "delete from datp_comprovantes_historico");
    else
        ASSERT_TRUE(QDir(dados + "/comprovantes/historico").removeRecursively());

    ServidorDatp servidor(dados, opcoes());
    EXPECT_EQ(historico(), QList<QByteArray>{antigo});
    const auto r = entrega(servidor.porta, segunda);
    ASSERT_EQ(r.codigo, "201");
    const QByteArray novo = registroDe(r);
    ASSERT_NE(novo, antigo);
    EXPECT_EQ(registroDe(pede(servidor.porta, "DATP/1.0 COMP 00000000000001@20150007 ORVA 3 myfile.rar\r\n")).mid(22),
              novo.mid(22));
    EXPECT_EQ(historico(), (QList<QByteArray>{antigo, novo}));
    const QString log = servidor.registro();
    EXPECT_TRUE(log.contains("sucede o comprovante de " + QString::fromLatin1(antigo.mid(25, 10)) + ", controle "
                             + QString::fromLatin1(antigo.mid(91, 13)) + ", mantido no histórico"))
        << log.toStdString();
}

TEST_P(Servidor, TheReceiptCarriesTheDayOfTheServersClock)
{
    QTemporaryDir dir;
    const QByteArray arquivo = compacta(dir, declaracao("00", {1000, 100, 0, 0, 0}, {nota("0000000123", 1000)}));
    ServidorDatp servidor(dir.filePath("dados"), opcoes({"--today", "29/02/2016"}));
    const auto r = entrega(servidor.porta, arquivo);
    ASSERT_EQ(r.codigo, "201") << r.linha.toStdString();
    EXPECT_EQ((r.mensagem1 + r.mensagem2).toLatin1().mid(25, 10), "29/02/2016");

    // A day that is none is refused before the server listens.
    if (testesNoWindows())
        return; // the server runs on the host there
    QProcess invalido;
    invalido.start(QStringLiteral(ORVA_DATP_SERVER), {"--port", "0", "--data", dir.filePath("outro"), "--today", "30/02/2016"});
    ASSERT_TRUE(invalido.waitForFinished(10000));
    EXPECT_EQ(invalido.exitCode(), 2);
}
