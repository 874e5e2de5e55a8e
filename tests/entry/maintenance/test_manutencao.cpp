#include "support/scripted_prompts.h"
#include "support/temp_program.h"

#include "maintenance/arquivador.h"
#include "maintenance/manutencao.h"
#include "shell/frmprincipal.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

#include <gtest/gtest.h>

using namespace orva::manutencao;

namespace {

// A program folder with the archiver beside the program.
struct MaintenanceFixture {
    MaintenanceFixture() { QFile::copy(QStringLiteral(ORVA_DIST_DIR "/rar"), program.path("rar")); }

    void exec(const QString &sql)
    {
        orva::db::Command cmd(dtmDados->ADOConnection);
        cmd.setCommandText(sql);
        cmd.execute();
    }
    QStringList produtos()
    {
        orva::db::Query q(dtmDados->ADOConnection);
        q.setSql("Select Descricao From Produtos order by Cod_Prod");
        q.open();
        QStringList out;
        for (; !q.eof(); q.next())
            out << q.field(0).asString();
        return out;
    }

    TempProgram program;
    ScriptedPrompts prompts;
};

} // namespace

TEST(Manutencao, BackupThenRestoreBringsTheRowsBackAndKeepsTheReplacedDatabase)
{
    MaintenanceFixture t;
    t.exec("Insert into Produtos Values (1, 'PRIMEIRA')");
    ASSERT_TRUE(fazBackup(*t.program.dados).ok);
    t.exec("Insert into Produtos Values (2, 'SEGUNDA')");
    // Two backups in a row: the archive holds the second.
    const Resultado segundo = fazBackup(*t.program.dados);
    EXPECT_TRUE(segundo.ok) << segundo.mensagem.toStdString();
    EXPECT_EQ(segundo.mensagem, "Copia de Segurança gerada com sucesso!");
    EXPECT_TRUE(t.program.dados->ADOConnection.isOpen());
    t.exec("Insert into Produtos Values (3, 'DEPOIS DO BACKUP')");

    const Resultado r = restauraBackup(*t.program.dados);
    EXPECT_TRUE(r.ok) << r.mensagem.toStdString();
    EXPECT_EQ(r.mensagem, "Restauração da Copia de Segurança realizada com sucesso!");
    EXPECT_EQ(t.produtos(), (QStringList{"PRIMEIRA", "SEGUNDA"}));

    // The replaced database is kept as Orva_old.mdb, with the row added after the backup.
    orva::db::Connection antigo;
    antigo.open(t.program.path("Orva_old.mdb"));
    orva::db::Query q(antigo);
    q.setSql("Select count(*) From Produtos");
    q.open();
    EXPECT_EQ(q.field(0).asInteger(), 3);
    // Nothing is left of the extraction.
    EXPECT_EQ(QDir(t.program.path("Backup")).entryList(QDir::NoDotAndDotDot | QDir::AllEntries),
              QStringList{"bkpOrva.rar"});
}

TEST(Manutencao, RestoreWithoutAGoodBackupLosesNothing)
{
    MaintenanceFixture t;
    t.exec("Insert into Produtos Values (1, 'FICA')");
    Resultado r = restauraBackup(*t.program.dados);
    EXPECT_FALSE(r.ok);
    EXPECT_TRUE(r.mensagem.contains("Não existe cópia de segurança")) << r.mensagem.toStdString();
    EXPECT_TRUE(t.program.dados->ADOConnection.isOpen());
    EXPECT_EQ(t.produtos(), QStringList{"FICA"});

    // An archive that holds no database.
    QFile outro(t.program.path("leia-me.txt"));
    ASSERT_TRUE(outro.open(QIODevice::WriteOnly));
    outro.write("nada");
    outro.close();
    QString motivo;
    ASSERT_FALSE(Funcoes::CompactaArquivo(outro.fileName(), t.program.path("Backup/bkpOrva"), &motivo))
        << motivo.toStdString();
    r = restauraBackup(*t.program.dados);
    EXPECT_FALSE(r.ok);
    EXPECT_TRUE(r.mensagem.contains("não foi alterado")) << r.mensagem.toStdString();
    EXPECT_EQ(t.produtos(), QStringList{"FICA"});
    EXPECT_FALSE(QFileInfo::exists(t.program.path("Orva_old.mdb")));

    // Without the archiver, a backup is reported as not made.
    QFile::remove(t.program.path("rar"));
    r = fazBackup(*t.program.dados);
    EXPECT_FALSE(r.ok);
    EXPECT_TRUE(r.mensagem.startsWith("A cópia de segurança não foi gerada.")) << r.mensagem.toStdString();
    EXPECT_TRUE(t.program.dados->ADOConnection.isOpen());
}

TEST(Manutencao, CompactionKeepsTheRowsAndLeavesNoCopyBehind)
{
    MaintenanceFixture t;
    t.exec("Insert into Produtos Values (1, 'UM'), (2, 'DOIS')");
    t.exec("Delete From Produtos Where Cod_Prod = 2");
    const Resultado r = compactaBanco(*t.program.dados);
    EXPECT_TRUE(r.ok) << r.mensagem.toStdString();
    EXPECT_EQ(r.mensagem, "Compactação do arquivo de Banco de Dados concluida!");
    EXPECT_FALSE(QFileInfo::exists(t.program.path("Orva2.mdb")));
    EXPECT_TRUE(t.program.dados->ADOConnection.isOpen());
    EXPECT_EQ(t.produtos(), QStringList{"UM"});

    // A compaction that fails still leaves the connection open on the database.
    ASSERT_TRUE(QDir(t.program.dir.path()).mkdir("Orva2.mdb"));
    const Resultado falha = compactaBanco(*t.program.dados);
    EXPECT_FALSE(falha.ok);
    EXPECT_TRUE(falha.mensagem.startsWith("Erro durante a compactação do arquivo de Banco de Dados!"));
    EXPECT_TRUE(t.program.dados->ADOConnection.isOpen());
    EXPECT_EQ(t.produtos(), QStringList{"UM"});
}

TEST(Manutencao, MenuCommandsAskFirstAndAnswerNoDoesNothing)
{
    MaintenanceFixture t;
    TfrmPrincipal principal;
    t.prompts.answers = {false, false, false};
    principal.Compatacao1Click();
    principal.FazerCpiadeSegurana1Click();
    principal.RestaurarCpiadeSegurana1Click();
    ASSERT_EQ(t.prompts.shown.size(), 3u);
    for (const auto &s : t.prompts.shown) {
        EXPECT_EQ(s.caption, "Confirmação");
        EXPECT_EQ(s.defaultButton, orva::Prompts::Button::No);
        EXPECT_EQ(s.icon, orva::Prompts::Icon::Question);
    }
    EXPECT_EQ(t.prompts.shown[2].text, "Deseja Restaurar a Copia de Segurança do banco de Dados ?\n"
                                       "O Sistema ira restaurar o arquivo de dados apartir da ultima\n"
                                       "Copia de segurança que foi gerada pelo ORVA\n\n"
                                       "Este procedimento pode demorar alguns minutos !");
    EXPECT_FALSE(QFileInfo::exists(t.program.path("Backup/bkpOrva.rar")));

    t.prompts.answers = {true};
    principal.FazerCpiadeSegurana1Click();
    EXPECT_EQ(t.prompts.last().text, "Copia de Segurança gerada com sucesso!");
    EXPECT_TRUE(QFileInfo::exists(t.program.path("Backup/bkpOrva.rar")));
}

TEST(OrvaCli, BackupRestoreAndCompactRunTheSameMaintenance)
{
    MaintenanceFixture t;
    t.exec("Insert into Produtos Values (1, 'ANTES')");
    t.program.dados->ADOConnection.close();
    const auto run = [&](const QString &command) {
        QProcess cli;
        cli.start(QStringLiteral(ORVA_DIST_DIR "/orva-cli"), {"--dir", t.program.dir.path(), command});
        EXPECT_TRUE(cli.waitForFinished(60000));
        return std::make_pair(cli.exitCode(), QString::fromUtf8(cli.readAllStandardOutput() + cli.readAllStandardError()));
    };
    EXPECT_EQ(run("restore").first, 1); // no backup yet: refused, nothing touched
    EXPECT_EQ(run("backup"), std::make_pair(0, QString("Copia de Segurança gerada com sucesso!\n")));
    t.program.dados->ADOConnection.reopen();
    t.exec("Insert into Produtos Values (2, 'DEPOIS')");
    t.program.dados->ADOConnection.close();
    EXPECT_EQ(run("restore").first, 0);
    EXPECT_EQ(run("compact").first, 0);
    t.program.dados->ADOConnection.reopen();
    EXPECT_EQ(t.produtos(), QStringList{"ANTES"});
}
