// Several receiving servers on one PostgreSQL store, as behind a balancer:
// any of them answers for a delivery any other took, and a database failure
// is never answered as a success.
#include "server/consulta_postgres.h"
#include "server/declaracoes_teste.h"
#include "server/servidor_teste.h"

#include <QTemporaryDir>

#include <thread>

using namespace datp_teste;

namespace {

const QByteArray Comp = "DATP/1.0 COMP 00000000000001@20150007 ORVA 3 myfile.rar\r\n";

class ServidoresPostgres : public ::testing::Test {
protected:
    void SetUp() override
    {
        ORVA_REQUER_POSTGRES();
        banco = std::make_unique<BancoPostgres>();
    }
    QStringList opcoes() const { return {"--banco", banco->conexao()}; }
    // The receipt record a reply carries.
    static QByteArray registro(const orva::cliente::Resposta &r) { return (r.mensagem1 + r.mensagem2).toLatin1(); }

    std::unique_ptr<BancoPostgres> banco;
    QTemporaryDir dir;
};

} // namespace

// Both servers share a data folder too, as two started from one program folder.
TEST_F(ServidoresPostgres, EachServerAnswersForTheOthersDeliveries)
{
    ServidorDatp a(dir.filePath("dados"), opcoes()), b(dir.filePath("dados"), opcoes());
    const QByteArray primeira = compacta(dir, declaracao("00", {1000, 100, 0, 0, 0}, {nota("0000000123", 1000)}));
    const QByteArray segunda = compacta(dir, declaracao("00", {2000, 100, 0, 0, 0}, {nota("0000000123", 2000)}));

    const auto entregue = entrega(a.porta, primeira);
    ASSERT_EQ(entregue.codigo, "201") << entregue.linha.toStdString();
    auto r = pede(b.porta, Comp);
    EXPECT_EQ(r.codigo, "201");
    EXPECT_EQ(r.mensagem2.toLatin1(), registro(entregue).mid(22));

    // The second delivery replaces the receipt, whichever server asks.
    const auto reentregue = entrega(b.porta, segunda);
    ASSERT_EQ(reentregue.codigo, "201");
    ASSERT_NE(registro(reentregue), registro(entregue)); // another control number
    r = pede(a.porta, Comp);
    EXPECT_EQ(r.mensagem2.toLatin1(), registro(reentregue).mid(22));

    // Both at once, the same key through each: one receipt, one of the two.
    orva::cliente::Resposta ra, rb;
    std::thread ta([&] { ra = entrega(a.porta, primeira); });
    std::thread tb([&] { rb = entrega(b.porta, segunda); });
    ta.join();
    tb.join();
    EXPECT_EQ(ra.codigo, "201");
    EXPECT_EQ(rb.codigo, "201");
    QString linhas;
    ASSERT_TRUE(consulta(*banco, "SELECT count(*) FROM datp_comprovantes", &linhas));
    EXPECT_EQ(linhas, "1");
    const QByteArray guardado = pede(b.porta, Comp).mensagem2.toLatin1();
    EXPECT_TRUE(guardado == registro(ra).mid(22) || guardado == registro(rb).mid(22));
    EXPECT_EQ(pede(a.porta, Comp).mensagem2.toLatin1(), guardado);
    EXPECT_EQ(restosRecebendo(dir.filePath("dados")), QStringList());
}

// Several servers starting at once on an empty database all create or find
// the table.
TEST_F(ServidoresPostgres, ServersStartingTogetherShareTheNewTable)
{
    std::vector<std::unique_ptr<QProcess>> processos;
    for (int i = 0; i < 4; ++i) {
        processos.push_back(std::make_unique<QProcess>());
        processos.back()->start(QStringLiteral(ORVA_DATP_SERVER),
                                QStringList{"--port", "0", "--data", dir.filePath("dados")} + opcoes());
    }
    for (auto &p : processos) {
        QByteArray saida;
        while (!saida.contains('\n') && p->waitForReadyRead(10000))
            saida += p->readAllStandardOutput();
        EXPECT_TRUE(saida.contains("comprovantes no banco")) << saida.toStdString() << p->readAllStandardError().toStdString();
        p->kill();
        p->waitForFinished(5000);
    }
}

// A failing database gives the storage failure's refusal and a line in the
// log, a receipt that cannot be read is no "not found", and a server whose
// connections the database dropped connects again.
TEST_F(ServidoresPostgres, DatabaseFailuresAreRefusalsAndConnectionsComeBack)
{
    ServidorDatp servidor(dir.filePath("dados"), opcoes());
    const QByteArray arquivo = compacta(dir, declaracao("00", {1000, 100, 0, 0, 0}, {nota("0000000123", 1000)}));
    ASSERT_EQ(entrega(servidor.porta, arquivo).codigo, "201");

    ASSERT_TRUE(consulta(*banco, "ALTER TABLE datp_comprovantes RENAME TO fora"));
    auto r = entrega(servidor.porta, arquivo);
    EXPECT_EQ(r.codigo, "500");
    EXPECT_EQ(r.mensagem1, "Falha no servidor.");
    EXPECT_EQ(r.mensagem2, "Não foi possível gravar o comprovante.");
    r = pede(servidor.porta, Comp);
    EXPECT_EQ(r.codigo, "500");
    EXPECT_TRUE(r.mensagem2.contains("Tente novamente")) << r.mensagem2.toStdString();
    ASSERT_TRUE(consulta(*banco, "ALTER TABLE fora RENAME TO datp_comprovantes"));
    servidor.processo.waitForReadyRead(500);
    const QString log = QString::fromLocal8Bit(servidor.processo.readAllStandardOutput());
    EXPECT_TRUE(log.contains("comprovante não gravado: ")) << log.toStdString();
    EXPECT_TRUE(log.contains("falha ao ler o comprovante: ")) << log.toStdString();

    ASSERT_TRUE(consulta(*banco, "SELECT pg_terminate_backend(pid) FROM pg_stat_activity"
                              " WHERE datname = current_database() AND pid <> pg_backend_pid()"));
    EXPECT_EQ(entrega(servidor.porta, arquivo).codigo, "201");
    EXPECT_EQ(pede(servidor.porta, Comp).codigo, "201");
}

TEST(ServidorPostgres, AnUnreachableDatabaseStopsTheStartWithAMessage)
{
    QTemporaryDir dir;
    QProcess p;
    p.start(QStringLiteral(ORVA_DATP_SERVER),
            {"--port", "0", "--data", dir.filePath("dados"), "--banco", "host=" + dir.filePath("nada") + " dbname=datp"});
    ASSERT_TRUE(p.waitForFinished(15000));
    EXPECT_EQ(p.exitCode(), 1);
    const QString erro = QString::fromLocal8Bit(p.readAllStandardError());
    EXPECT_TRUE(erro.contains("Confira a conexão dada em --banco")) << erro.toStdString();
}
