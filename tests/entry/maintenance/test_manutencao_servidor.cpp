#include "support/postgres.h"
#include "support/sql.h"
#include "support/temp_program.h"

#include "core/maintenance/manutencao.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <chrono>
#include <thread>

#include <gtest/gtest.h>

using namespace orva::manutencao;

namespace {

// A program folder with the archiver, its data module open on orva.mdb or,
// given a server database, on that database named by its Orva.ini.
struct Estacao {
    explicit Estacao(const QString &servidor = {})
    {
        QFile::copy(QStringLiteral(ORVA_DIST_DIR "/rar" ORVA_EXE), programa.path("rar" ORVA_EXE));
        if (servidor.isEmpty())
            return;
        QFile ini(programa.path("Orva.ini"));
        EXPECT_TRUE(ini.open(QIODevice::WriteOnly));
        ini.write("[Banco]\r\nServidor=" + servidor.toUtf8() + "\r\n");
        ini.close();
        programa.dados->DataModuleCreate();
        EXPECT_TRUE(programa.connection().servidor());
    }
    // The folder the maintenance routines work on.
    TdtmDados &ativa()
    {
        Funcoes::DefineDiretorioSistema(programa.dir.path());
        return *programa.dados;
    }
    QStringList produtos()
    {
        orva::db::Query q(programa.connection());
        q.setSql("Select Descricao From Produtos Order By Cod_Prod");
        q.open();
        QStringList out;
        for (; !q.eof(); q.next())
            out << q.field(0).asString();
        return out;
    }
    // The archive moves to another folder's Backup.
    void levaBackupPara(Estacao &outra)
    {
        QFile::remove(outra.programa.path("Backup/bkpOrva.rar"));
        ASSERT_TRUE(QFile::copy(programa.path("Backup/bkpOrva.rar"), outra.programa.path("Backup/bkpOrva.rar")));
    }

    TempProgram programa;
};

struct BancoComTabelas {
    BancoComTabelas() { orva::install::createServerDatabase(banco.conexao()); }
    BancoPostgres banco;
};

} // namespace

// A backup of a server database restores into a file program folder, and a
// file folder's backup restores into the server; the replaced rows are kept
// as Orva_old.mdb either way.
TEST(ManutencaoServidor, BackupRestoresOnEitherEngine)
{
    ORVA_REQUER_POSTGRES();
    BancoComTabelas servidor;
    Estacao noServidor(servidor.banco.conexao());
    sql::executa(noServidor.programa.connection(), "Insert into Produtos Values (1, 'DO SERVIDOR')");
    sql::executa(noServidor.programa.connection(), "Insert into Empresa Values ('1', 'Café', '', '', '0', '110001')");
    Resultado r = fazBackup(noServidor.ativa());
    ASSERT_TRUE(r.ok) << r.mensagem.toStdString();
    EXPECT_EQ(r.mensagem, "Copia de Segurança gerada com sucesso!");
    EXPECT_EQ(QDir(noServidor.programa.path("Backup")).entryList(QDir::NoDotAndDotDot | QDir::AllEntries),
              QStringList{"bkpOrva.rar"});

    Estacao arquivo;
    sql::executa(arquivo.programa.connection(), "Insert into Produtos Values (2, 'DO ARQUIVO')");
    noServidor.levaBackupPara(arquivo);
    r = restauraBackup(arquivo.ativa());
    ASSERT_TRUE(r.ok) << r.mensagem.toStdString();
    EXPECT_EQ(arquivo.produtos(), QStringList{"DO SERVIDOR"});
    EXPECT_EQ(sql::valor(arquivo.programa.connection(), "Select Razao From Empresa"), "Café");

    // The other way: the file folder's backup into the server.
    sql::executa(arquivo.programa.connection(), "Insert into Produtos Values (3, 'DEPOIS')");
    ASSERT_TRUE(fazBackup(arquivo.ativa()).ok);
    arquivo.levaBackupPara(noServidor);
    sql::executa(noServidor.programa.connection(), "Insert into Produtos Values (4, 'SÓ NO SERVIDOR')");
    r = restauraBackup(noServidor.ativa());
    ASSERT_TRUE(r.ok) << r.mensagem.toStdString();
    EXPECT_EQ(r.mensagem, "Restauração da Copia de Segurança realizada com sucesso!");
    EXPECT_TRUE(noServidor.programa.connection().servidor());
    EXPECT_EQ(noServidor.produtos(), (QStringList{"DO SERVIDOR", "DEPOIS"}));
    orva::db::Connection antigo;
    antigo.open(noServidor.programa.path("Orva_old.mdb"));
    EXPECT_EQ(sql::numero(antigo, "Select Count(*) From Produtos"), 2);
}

// A backup that cannot be read into the server changes nothing there.
TEST(ManutencaoServidor, RestoreOfADamagedBackupLeavesTheServerAlone)
{
    ORVA_REQUER_POSTGRES();
    BancoComTabelas servidor;
    Estacao noServidor(servidor.banco.conexao());
    sql::executa(noServidor.programa.connection(), "Insert into Produtos Values (1, 'FICA')");
    // A backup of a database the server refuses: a text in a whole-number column.
    Estacao arquivo;
    sql::executa(arquivo.programa.connection(), "Insert into Produtos Values (2, 'OUTRO')");
    sql::executa(arquivo.programa.connection(), "Insert into Protocolo (Protocolo, Qtde_Notas) Values (1, 'dois')");
    ASSERT_TRUE(fazBackup(arquivo.ativa()).ok);
    arquivo.levaBackupPara(noServidor);
    const Resultado r = restauraBackup(noServidor.ativa());
    EXPECT_FALSE(r.ok);
    EXPECT_TRUE(r.mensagem.contains("A tabela Protocolo não foi copiada")) << r.mensagem.toStdString();
    EXPECT_EQ(noServidor.produtos(), QStringList{"FICA"});
    EXPECT_FALSE(QFileInfo::exists(noServidor.programa.path("Orva_old.mdb")));
}

TEST(ManutencaoServidor, CompactionRunsVacuumAnalyzeOnTheServer)
{
    ORVA_REQUER_POSTGRES();
    BancoComTabelas servidor;
    Estacao noServidor(servidor.banco.conexao());
    sql::executa(noServidor.programa.connection(), "Insert into Produtos Values (1, 'UM')");
    const Resultado r = compactaBanco(noServidor.ativa());
    EXPECT_TRUE(r.ok) << r.mensagem.toStdString();
    EXPECT_EQ(r.mensagem, "Compactação do arquivo de Banco de Dados concluida!");
    EXPECT_TRUE(noServidor.programa.connection().servidor());
    // The statistics the analysis leaves behind.
    EXPECT_EQ(sql::valor(noServidor.programa.connection(),
                         "Select Count(*) From pg_stat_user_tables Where relname = 'produtos' And last_analyze Is Not Null"),
              "1");
}

// Another workstation holds a write on the server when the restore starts
// and commits 1.5 s later: its row is in Orva_old.mdb, the server holds the
// backup's rows.
TEST(ManutencaoServidor, ARestoreWaitsForAWriterAndKeepsWhatItCommittedInOrvaOld)
{
    ORVA_REQUER_POSTGRES();
    BancoComTabelas servidor;
    Estacao noServidor(servidor.banco.conexao());
    sql::executa(noServidor.programa.connection(), "Insert into Produtos Values (1, 'ANTES')");
    ASSERT_TRUE(fazBackup(noServidor.ativa()).ok);
    orva::db::Connection escritor;
    escritor.open(servidor.banco.conexao());
    escritor.executeScript("begin");
    sql::executa(escritor, "Insert into Produtos Values (2, 'DO OUTRO')");
    std::thread confirma([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(1500));
        escritor.executeScript("commit");
    });
    const Resultado r = restauraBackup(noServidor.ativa());
    confirma.join();
    ASSERT_TRUE(r.ok) << r.mensagem.toStdString();
    EXPECT_EQ(noServidor.produtos(), QStringList{"ANTES"});
    orva::db::Connection antigo;
    antigo.open(noServidor.programa.path("Orva_old.mdb"));
    EXPECT_EQ(sql::valor(antigo, "Select Descricao From Produtos Where Cod_Prod = 2"), "DO OUTRO");
}
