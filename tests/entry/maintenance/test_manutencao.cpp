#include "support/plataforma.h"
#include "support/scripted_prompts.h"
#include "support/sql.h"
#include "support/temp_program.h"

#include "core/import/validacao.h"

#include "core/maintenance/arquivador.h"
#include "core/maintenance/manutencao.h"
#include "ui/app/frmprincipal.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>

#include <gtest/gtest.h>

using namespace orva::manutencao;

namespace {

QByteArray lerArquivo(const QString &caminho)
{
    QFile f(caminho);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("(ausente)");
}

// A program folder with the archiver beside the program.
struct MaintenanceFixture {
    MaintenanceFixture() { QFile::copy(QStringLiteral(ORVA_DIST_DIR "/rar" ORVA_EXE), program.path("rar" ORVA_EXE)); }

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
    QFile::remove(t.program.path("rar" ORVA_EXE));
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

    // A compaction that fails (another program writing) still leaves the
    // connection open on the database, and the other program's rows in it.
    {
        orva::db::Connection outro;
        outro.open(TdtmDados::ArquivoBanco());
        orva::db::WriteTransaction escrevendo(outro);
        sql::executa(outro, "Insert into Produtos Values (3, 'DO OUTRO')");
        const Resultado falha = compactaBanco(*t.program.dados);
        EXPECT_FALSE(falha.ok);
        EXPECT_TRUE(falha.mensagem.startsWith("Erro durante a compactação do arquivo de Banco de Dados!\n"
                                              "O banco de dados está em uso por outro programa"))
            << falha.mensagem.toStdString();
        EXPECT_TRUE(t.program.dados->ADOConnection.isOpen());
        escrevendo.commit();
    }
    EXPECT_EQ(t.produtos(), (QStringList{"UM", "DO OUTRO"}));
}

TEST(Manutencao, CompactionAndRestoreKeepTheFileThatAnotherProgramHasOpen)
{
    MaintenanceFixture t;
    t.exec("Insert into Produtos Values (1, 'NO BACKUP')");
    ASSERT_TRUE(fazBackup(*t.program.dados).ok);
    t.exec("Insert into Produtos Values (2, 'DEPOIS')");
    const auto inode = [&] { return sistema::identidade(TdtmDados::ArquivoBanco()); };
    const auto antes = inode();
    // A half-written copy of an interrupted compaction of older versions.
    QFile(t.program.path("Orva2.mdb")).open(QIODevice::WriteOnly);

    // The other program keeps its connection (and a grid) open throughout.
    orva::db::Connection outro;
    outro.open(TdtmDados::ArquivoBanco());
    orva::db::Query grade(outro);
    grade.setSql("Select Descricao From Produtos Order By Cod_Prod");
    grade.open();

    const Resultado compactado = compactaBanco(*t.program.dados);
    EXPECT_TRUE(compactado.ok) << compactado.mensagem.toStdString();
    EXPECT_FALSE(QFileInfo::exists(t.program.path("Orva2.mdb")));
    sql::executa(outro, "Insert into Produtos Values (3, 'DO OUTRO')");
    EXPECT_EQ(t.produtos(), (QStringList{"NO BACKUP", "DEPOIS", "DO OUTRO"}));

    const Resultado restaurado = restauraBackup(*t.program.dados);
    EXPECT_TRUE(restaurado.ok) << restaurado.mensagem.toStdString();
    EXPECT_EQ(inode(), antes);
    // What the other program reads and writes now is the restored database.
    EXPECT_EQ(sql::valor(outro, "Select group_concat(Descricao) From Produtos"), "NO BACKUP");
    sql::executa(outro, "Insert into Produtos Values (4, 'APOS RESTAURAR')");
    EXPECT_EQ(t.produtos(), (QStringList{"NO BACKUP", "APOS RESTAURAR"}));
    EXPECT_EQ(sql::integridade(TdtmDados::ArquivoBanco()), "ok");
    EXPECT_EQ(sql::integridade(t.program.path("Orva_old.mdb")), "ok");
}

TEST(Manutencao, DamagedDatabasesAreRefusedAndTheGoodBackupIsKept)
{
    enum Dano { Vazio, PaginaSobrescrita, Truncado };
    for (const Dano dano : {Vazio, PaginaSobrescrita, Truncado}) {
        SCOPED_TRACE(static_cast<int>(dano));
        MaintenanceFixture t;
        t.exec("With Recursive n(v) As (Select 1 Union All Select v + 1 From n Where v < 3000) "
               "Insert into Produtos Select v, 'PRODUTO ' || v From n");
        ASSERT_TRUE(fazBackup(*t.program.dados).ok);
        const QByteArray bomBackup = lerArquivo(t.program.path("Backup/bkpOrva.rar"));

        const QString banco = TdtmDados::ArquivoBanco();
        t.program.dados->ADOConnection.close();
        {
            QFile f(banco);
            ASSERT_TRUE(f.open(QIODevice::ReadWrite));
            const qint64 tamanho = f.size();
            if (dano == Vazio) {
                f.resize(0);
            } else if (dano == PaginaSobrescrita) {
                f.seek((tamanho / 2 / 4096) * 4096);
                f.write(QByteArray(4096, '\x33'));
            } else {
                f.resize((tamanho / 2 / 4096) * 4096);
            }
        }
        try {
            t.program.dados->ADOConnection.reopen(); // a damaged schema page does not even open
        } catch (const orva::db::DatabaseError &e) {
            EXPECT_EQ(e.causa(), orva::db::Causa::Danificado);
        }
        const QByteArray danificado = lerArquivo(banco);

        const Resultado backup = fazBackup(*t.program.dados);
        EXPECT_FALSE(backup.ok);
        EXPECT_TRUE(backup.mensagem.contains("O banco de dados está danificado")) << backup.mensagem.toStdString();
        EXPECT_EQ(lerArquivo(t.program.path("Backup/bkpOrva.rar")), bomBackup);
        const Resultado compactado = compactaBanco(*t.program.dados);
        EXPECT_FALSE(compactado.ok);
        EXPECT_TRUE(compactado.mensagem.contains("danificado")) << compactado.mensagem.toStdString();
        EXPECT_EQ(lerArquivo(banco), danificado);

        const QString notas = t.program.path("notas.txt");
        QFile(notas).open(QIODevice::WriteOnly);
        try {
            orva::db::Connection conexao;
            conexao.open(banco);
            orva::importacao::Importador(conexao).VerificaEntrada(notas);
            ADD_FAILURE() << "a damaged database took an import";
        } catch (const orva::db::DatabaseError &e) {
            EXPECT_EQ(e.causa(), orva::db::Causa::Danificado);
        }

        // A backup holding the damaged file is refused by the restore.
        ASSERT_FALSE(Funcoes::CompactaArquivo(banco, t.program.path("Backup/ruim/bkpOrva")));
        QFile::rename(t.program.path("Backup/bkpOrva.rar"), t.program.path("Backup/bom.rar"));
        QFile::rename(t.program.path("Backup/ruim/bkpOrva.rar"), t.program.path("Backup/bkpOrva.rar"));
        const Resultado ruim = restauraBackup(*t.program.dados);
        EXPECT_FALSE(ruim.ok);
        EXPECT_TRUE(ruim.mensagem.contains("não foi alterado")) << ruim.mensagem.toStdString();
        EXPECT_EQ(lerArquivo(banco), danificado);

        // The good backup brings the database back, damaged as it is now.
        QFile::remove(t.program.path("Backup/bkpOrva.rar"));
        QFile::rename(t.program.path("Backup/bom.rar"), t.program.path("Backup/bkpOrva.rar"));
        const Resultado bom = restauraBackup(*t.program.dados);
        EXPECT_TRUE(bom.ok) << bom.mensagem.toStdString();
        EXPECT_EQ(sql::integridade(banco), "ok");
        EXPECT_EQ(t.produtos().size(), 3000);
        EXPECT_EQ(lerArquivo(t.program.path("Orva_old.mdb")), danificado);
    }
}

TEST(Manutencao, RestoreKeepsAnEarlierOrvaOldAndRemovesWhatInterruptedRunsLeft)
{
    MaintenanceFixture t;
    t.exec("Insert into Produtos Values (1, 'UM')");
    {
        QFile velho(t.program.path("Orva_old.mdb"));
        ASSERT_TRUE(velho.open(QIODevice::WriteOnly));
        velho.write("o banco de uma restauração anterior");
    }
    // Leftovers of runs that died: a process number no longer running, or
    // none at all (older versions).
    const QStringList sobras = {"Backup/restaura-999999999-abcdef/orva.mdb", "Backup/restaura-Xy12Zw/orva.mdb",
                                "Backup/copia-999999999-abcdef/orva.mdb", ".restaura-999999999-Orva_old.mdb"};
    for (const QString &sobra : sobras) {
        QDir().mkpath(QFileInfo(t.program.path(sobra)).absolutePath());
        QFile(t.program.path(sobra)).open(QIODevice::WriteOnly);
    }
    // A restore killed after it put the copy in place and before it named
    // the replaced database: that file may be the only copy of its rows.
    {
        QFile substituido(t.program.path(".restaura-999999998-Orva_old.mdb"));
        ASSERT_TRUE(substituido.open(QIODevice::WriteOnly));
        substituido.write("o banco substituído");
        substituido.flush();
        substituido.setFileTime(QDateTime(QDate(2020, 1, 2), QTime(3, 4, 5)), QFileDevice::FileModificationTime);
    }
    ASSERT_TRUE(fazBackup(*t.program.dados).ok);
    ASSERT_TRUE(restauraBackup(*t.program.dados).ok);

    EXPECT_EQ(QDir(t.program.path("Backup")).entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::Hidden),
              QStringList{"bkpOrva.rar"});
    QStringList antigos = QDir(t.program.dir.path()).entryList({"Orva_old*"}, QDir::Files);
    ASSERT_EQ(antigos.size(), 3) << antigos.join(' ').toStdString();
    EXPECT_EQ(lerArquivo(t.program.path("Orva_old-20200102-030405.mdb")), "o banco substituído");
    antigos.removeAll("Orva_old-20200102-030405.mdb");
    EXPECT_EQ(sql::integridade(t.program.path("Orva_old.mdb")), "ok");
    const QString guardado = antigos.filter(QRegularExpression("^Orva_old-\\d{8}-\\d{6}\\.mdb$")).value(0);
    EXPECT_EQ(lerArquivo(t.program.path(guardado)), "o banco de uma restauração anterior");
    EXPECT_TRUE(QDir(t.program.dir.path()).entryList({".restaura*"}, QDir::Files | QDir::Hidden).isEmpty());
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
        cli.start(QStringLiteral(ORVA_DIST_DIR "/orva-cli" ORVA_EXE), {"--dir", t.program.dir.path(), command},
                  QIODevice::ReadWrite | QIODevice::Text); // Windows ends its lines with CR LF
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
