// orva-cli import into a server database: a clean import ends without a
// VACUUM, and a connection the server drops midway is counted and named.
#include "support/motor.h"
#include "support/orva_cli.h"
#include "support/sql.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QThread>

#include <gtest/gtest.h>

namespace {

struct ImportacaoServidor : ::testing::Test {
    void SetUp() override
    {
        ORVA_REQUER_POSTGRES();
        servidor = std::make_unique<ProgramaNoMotor>(Motor::Servidor);
        orva::install::createProgramFolder(pasta.path());
        QFile ini(QDir(pasta.path()).filePath(QStringLiteral("Orva.ini")));
        ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
        ini.write("[Banco]\r\nServidor=" + servidor->alvo().toUtf8() + "\r\n");
        ini.close();
        sql::executa(servidor->connection(), "Insert into Empresa Values ('00000000000001', 'EMPRESA ALFA', "
                                             "'12345678000195', '4711302', '0', '110001')");
        sql::executa(servidor->connection(), "Insert into Protocolo (Protocolo, Tipo_Protocolo, Tipo_Entrega, Exercicio, "
                                             "Inscricao, DtGeracao) Values (1, 0, '1', '2015', '00000000000001', "
                                             "'2015-03-05'), (2, 0, '1', '2015', '00000000000001', '2015-03-05')");
    }

    QString arquivoNotas(int primeira, int quantas)
    {
        const QByteArray resto = QByteArray("NP") + "1" + "05" + "03" + "2015" + "000000000150000" + "0"
                                 + QByteArray(14, '0') + "00" + QByteArray(10, '0') + "00" + "00" + "0000"
                                 + QByteArray(15, '0') + "000000" + "\r\n";
        QFile f(QDir(pasta.path()).filePath(QStringLiteral("notas%1.txt").arg(primeira)));
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        for (int nf = primeira; nf < primeira + quantas; ++nf)
            f.write("00000000000001" "2015" "110001" + QByteArray::number(nf).rightJustified(10, '0') + resto);
        return f.fileName();
    }
    qint64 notas(int protocolo)
    {
        return sql::numero(servidor->connection(), QStringLiteral("Select Count(*) From Notas Where Protocolo = %1").arg(protocolo));
    }

    std::unique_ptr<ProgramaNoMotor> servidor;
    QTemporaryDir pasta;
};

} // namespace

TEST_F(ImportacaoServidor, ACleanImportLeavesTheCleanUpToTheServer)
{
    const orvacli::Resposta r = orvacli::roda(pasta.path(), {"import", "--protocolo", "1", arquivoNotas(1, 300)});
    orvacli::confere(r, "import", 0);
    EXPECT_FALSE(r.mensagens().contains("Compactação")) << r.mensagens().toStdString();
    EXPECT_EQ(r.json.value("importados").toInt(), 300);
    EXPECT_EQ(notas(1), 300);
}

TEST_F(ImportacaoServidor, AConnectionDroppedMidwayIsNamedAndWhatStaysIsCounted)
{
    QProcess importa;
    importa.start(QStringLiteral(ORVA_DIST_DIR "/orva-cli" ORVA_EXE),
                  {"--dir", pasta.path(), "import", "--protocolo", "2", arquivoNotas(100000, 200000), "--json"});
    ASSERT_TRUE(importa.waitForStarted());
    // Once the import committed a first transaction, the server drops it.
    QElapsedTimer relogio;
    relogio.start();
    while (notas(2) == 0 && relogio.elapsed() < 60000 && importa.state() == QProcess::Running)
        QThread::msleep(20);
    ASSERT_GT(notas(2), 0);
    sql::executa(servidor->connection(), "Select pg_terminate_backend(pid) From pg_stat_activity Where "
                                         "application_name = 'orva' And datname = current_database() And pid <> "
                                         "pg_backend_pid()");
    ASSERT_TRUE(importa.waitForFinished(120000));
    const QJsonObject json = QJsonDocument::fromJson(importa.readAllStandardOutput()).object();
    const qint64 gravadas = notas(2);
    EXPECT_EQ(importa.exitCode(), 2) << QJsonDocument(json).toJson().toStdString();
    EXPECT_EQ(json.value("importados").toInt(), gravadas);
    EXPECT_EQ(json.value("resumo").toObject().value("importados").toInt(), gravadas);
    EXPECT_GE(json.value("resumo").toObject().value("processados").toInt(), gravadas);
    const QString mensagens = QJsonDocument(json.value("mensagens").toArray()).toJson();
    EXPECT_TRUE(mensagens.contains("conexão com o servidor PostgreSQL foi perdida")) << mensagens.toStdString();
    EXPECT_FALSE(mensagens.contains("pasta não foram encontrados")) << mensagens.toStdString();
}

// A role that may connect but not create tables is told so, not sent to
// orva.mdb's permissions.
TEST(CopiaServidor, ARoleWithoutRightsIsToldToAskTheServerAdministrator)
{
    ORVA_REQUER_POSTGRES();
    BancoPostgres banco;
    BancoPostgres::executa(QStringLiteral("drop role if exists orva_sem_direito"));
    ASSERT_TRUE(BancoPostgres::executa(QStringLiteral("create role orva_sem_direito login")));
    ASSERT_TRUE(BancoPostgres::executa(QStringLiteral("revoke create on database %1 from public").arg(banco.nome())));
    QTemporaryDir pasta;
    orva::install::createProgramFolder(pasta.path());
    {
        // PostgreSQL 15 gives no one but the owner the right to create in public.
        orva::db::Connection c;
        c.open(banco.conexao());
        sql::executa(c, "revoke create on schema public from public");
    }
    const orvacli::Resposta r
        = orvacli::roda(pasta.path(), {"copy", "--para", banco.conexao() + QStringLiteral(" user=orva_sem_direito")});
    EXPECT_EQ(r.saida, 1);
    EXPECT_TRUE(r.mensagens().contains("não tem permissão")) << r.mensagens().toStdString();
    EXPECT_FALSE(r.mensagens().contains("orva.mdb")) << r.mensagens().toStdString();
    BancoPostgres::executa(QStringLiteral("drop owned by orva_sem_direito"));
}
