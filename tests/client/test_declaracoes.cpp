#include "client/apoio.h"

#include "client/configuracao.h"
#include "client/declaracoes.h"
#include "common/errors.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

using namespace orva::cliente;

namespace {

void executavel(const QString &caminho)
{
    apoio::grava(caminho, "#!/bin/sh\nexit 0\n");
    QFile(caminho).setPermissions(QFile::permissions(caminho) | QFileDevice::ExeOwner);
}

} // namespace

TEST(Declaracoes, ListSortedByNameWithTheVisibleStems)
{
    QTemporaryDir dir;
    for (const char *nome : {"Orva000900000000000002.rar", "Orva000700000012345678.rar", "Orva000800000000000001.ra_",
                             "Orva000600000000000001.exp", "curto.RAR"})
        apoio::grava(dir.filePath(nome), "x");
    QDir(dir.path()).mkdir("pasta.rar");
    EXPECT_EQ(arquivosDeclaracao(dir.path()),
              (QStringList{"curto.RAR", "Orva000700000012345678.rar", "Orva000900000000000002.rar"}));
    EXPECT_EQ(linhaDeclaracao("Orva000700000012345678.rar"), "Orva000700000012345678");
    // A name not made by the export still gives a data file name from its first 22 characters.
    EXPECT_EQ(arquivoDados(dir.path(), "curto.RAR"), dir.path() + "/curto.RAR.EXP");
    EXPECT_TRUE(arquivosDeclaracao(dir.filePath("nao-existe")).isEmpty());
    EXPECT_EQ(comBarra("c:"), "c:/");
    EXPECT_EQ(comBarra("/x/enviar\\"), "/x/enviar/");
}

TEST(Declaracoes, ArchiverSearchSkipsDottedFoldersAndPrefersBesideTheClient)
{
    QTemporaryDir dir;
    QDir raiz(dir.path());
    raiz.mkpath("a.b");
    raiz.mkpath("c/d");
    raiz.mkpath(".oculta");
    apoio::grava(dir.filePath("a.b/Rar.exe"), "");
    apoio::grava(dir.filePath(".oculta/Rar.exe"), "");
    EXPECT_EQ(ProcuraArquivo(dir.path(), "Rar.exe", true), "");
    apoio::grava(dir.filePath("c/d/RAR.EXE"), "");
    EXPECT_EQ(ProcuraArquivo(dir.path(), "rar.exe", true), dir.path() + "/c/d/RAR.EXE");
    EXPECT_EQ(ProcuraArquivo(dir.path(), "rar.exe", false), "");
    // A link back to the root does not send the search round for ever.
    QFile::link(dir.path(), dir.filePath("c/volta"));
    EXPECT_EQ(ProcuraArquivo(dir.path(), "nada", true), "");

    const QString cliente = dir.filePath("programa/ClienteOrvaDATP");
    raiz.mkpath("programa/ClienteOrvaDATP");
    executavel(dir.filePath("programa/rar" ORVA_EXE));
    EXPECT_EQ(QFileInfo(LocalizaArquivador(cliente)).canonicalFilePath(),
              QFileInfo(dir.filePath("programa/rar" ORVA_EXE)).canonicalFilePath());
    executavel(cliente + "/rar" ORVA_EXE);
    EXPECT_EQ(QFileInfo(LocalizaArquivador(cliente)).canonicalFilePath(), QFileInfo(cliente + "/rar" ORVA_EXE).canonicalFilePath());
}

TEST(Declaracoes, ClickUnpacksWithTheRealArchiverAndSendReadsTheProtocolRecord)
{
    QTemporaryDir dir;
    const QString programa = dir.filePath("programa");
    QDir().mkpath(programa + "/ClienteOrvaDATP/recv");
    QDir().mkpath(programa + "/enviar");
    ASSERT_TRUE(QFile::copy(ORVA_DIST_DIR "/rar" ORVA_EXE, programa + "/rar" ORVA_EXE));
    // The declaration file as the export writes it, packed by the archiver.
    const QString exp = dir.filePath("Orva001200000000000060.exp");
    apoio::grava(exp, "10" + QByteArray(115, '0') + "\r\n" + apoio::registro20("0012", "01", "02", "00000000000060")
                          + "\r\n40...\r\n");
    QProcess rar;
    rar.start(programa + "/rar" ORVA_EXE, {"a", "-va", programa + "/enviar/Orva001200000000000060", exp});
    ASSERT_TRUE(rar.waitForFinished(30000));
    ASSERT_EQ(rar.exitCode(), 0);

    apoio::DialogosGravados dialogos;
    Cliente cliente(programa + "/ClienteOrvaDATP", dialogos);
    cliente.defineOrigem(programa + "/enviar");
    EXPECT_EQ(cliente.Abre(), Cliente::Abertura::Listada);
    EXPECT_EQ(cliente.origem(), programa + "/enviar/");
    ASSERT_EQ(cliente.linhasDeclaracoes(), QStringList{"Orva001200000000000060"});
    ASSERT_TRUE(cliente.SelecionaDeclaracao(0));
    EXPECT_EQ(cliente.erroExtracao(), "");
    EXPECT_TRUE(QFileInfo::exists(programa + "/enviar/Orva001200000000000060.exp"));

    const auto chave = LeRegistroProtocolo(cliente.arquivoDados());
    ASSERT_TRUE(chave);
    EXPECT_EQ(chave->protocolo, "0012");
    EXPECT_EQ(chave->exercicio, "2015");
    EXPECT_EQ(chave->inscricao, "00000000000060");
    EXPECT_EQ(chave->textoTipo, "Rateio");
    EXPECT_EQ(chave->textoRetificacao, "SIM");
    // The record may be the second line or absent; a missing file is an error.
    apoio::grava(dir.filePath("x.exp"), "qualquer\r\nnada\r\n20");
    EXPECT_FALSE(LeRegistroProtocolo(dir.filePath("x.EXP")));
    EXPECT_THROW(LeRegistroProtocolo(dir.filePath("nao-existe.EXP")), orva::Error);

    // Remove: straight to ".ra_", no longer listed.
    cliente.Apaga();
    EXPECT_TRUE(cliente.declaracoes().isEmpty());
    EXPECT_TRUE(QFileInfo::exists(programa + "/enviar/Orva001200000000000060.ra_"));
}

TEST(Configuracao, CreatedWhenMissingAndTheFallbackWhenTheKeyIsMissing)
{
    QTemporaryDir dir;
    EXPECT_EQ(arquivoConfiguracao("/opt/orva/ClienteOrvaDATP/ClienteORVA"), "/opt/orva/ClienteOrvaDATP/ClienteORVA.INI");
    const QString ini = configuracaoDaPasta(dir.path());
    EXPECT_EQ(LeConfiguracao(ini), "127.0.0.1");
    EXPECT_EQ(apoio::le(ini), "[REMOTE]\r\nADDR=127.0.0.1\r\n");
    apoio::grava(ini, "[REMOTE]\r\n");
    EXPECT_EQ(LeConfiguracao(ini), "172.0.0.1");
    apoio::grava(ini, "[remote]\r\naddr = servidor.exemplo \r\n");
    EXPECT_EQ(LeConfiguracao(ini), "servidor.exemplo");
    // A folder where the file cannot be created: the built-in host, and why.
    QString erro;
    EXPECT_EQ(LeConfiguracao(dir.filePath("nao-existe/ClienteORVA.INI"), &erro), "127.0.0.1");
    EXPECT_FALSE(erro.isEmpty());
}

// A click unpacks only the declaration's own data file: an entry named like
// another pending declaration leaves that one alone, and an archive without
// its data file is an error shown at Send, before any connection.
TEST(Declaracoes, ClickWritesOnlyTheDeclarationsOwnFile)
{
    QTemporaryDir dir;
    const QString programa = dir.filePath("programa");
    const QString enviar = programa + "/enviar/";
    QDir().mkpath(programa + "/ClienteOrvaDATP/recv");
    QDir().mkpath(enviar);
    ASSERT_TRUE(QFile::copy(ORVA_DIST_DIR "/rar" ORVA_EXE, programa + "/rar" ORVA_EXE));
    QDir().mkpath(dir.filePath("pacote"));
    const QString proprio = dir.filePath("pacote/Orva001200000000000060.EXP");
    const QString intruso = dir.filePath("pacote/Orva001300000000000060.exp");
    apoio::grava(proprio, "10" + QByteArray(115, '0') + "\r\n" + apoio::registro20("0012", "01", "01", "00000000000060") + "\r\n");
    apoio::grava(intruso, "substituto");
    QProcess rar;
    rar.start(programa + "/rar" ORVA_EXE, {"a", enviar + "Orva001200000000000060.rar", proprio, intruso});
    ASSERT_TRUE(rar.waitForFinished(30000));
    rar.start(programa + "/rar" ORVA_EXE, {"a", enviar + "Orva001400000000000060.rar", intruso});
    ASSERT_TRUE(rar.waitForFinished(30000));
    apoio::grava(enviar + "Orva001300000000000060.exp", "a declaração pendente");

    apoio::DialogosGravados dialogos;
    Cliente cliente(programa + "/ClienteOrvaDATP", dialogos);
    cliente.defineOrigem(enviar);
    cliente.ListaDeclaracoes(enviar);
    ASSERT_EQ(cliente.declaracoes().size(), 2);
    ASSERT_TRUE(cliente.SelecionaDeclaracao(0));
    EXPECT_EQ(cliente.erroExtracao(), "");
    EXPECT_EQ(apoio::le(enviar + "Orva001300000000000060.exp"), "a declaração pendente");
    EXPECT_TRUE(QFileInfo::exists(enviar + "Orva001200000000000060.EXP"));
    EXPECT_EQ(QDir(enviar).entryList(QDir::Files | QDir::Hidden).size(), 4);

    ASSERT_TRUE(cliente.SelecionaDeclaracao(1));
    EXPECT_TRUE(cliente.erroExtracao().contains("não contém")) << cliente.erroExtracao().toStdString();
    cliente.endereco().porta = 1; // nothing may be tried
    EXPECT_EQ(cliente.Envia().troca.desfecho, Desfecho::ArquivoInacessivel);
    ASSERT_EQ(dialogos.tipos(), QStringList{"erro"});
    EXPECT_EQ(dialogos.itens[0].texto1, cliente.erroExtracao());
    EXPECT_EQ(apoio::le(enviar + "Orva001300000000000060.exp"), "a declaração pendente");
}

TEST(Declaracoes, StartArgumentFolderOrArchiveAndTheDefaultWithoutOne)
{
    QTemporaryDir dir;
    const QString enviar = dir.filePath("enviar");
    ASSERT_TRUE(QDir().mkpath(enviar));
    apoio::grava(enviar + "/Orva000900000000000002.rar", "x");
    // A folder, given or missing, is the origin as given (the export's form).
    EXPECT_EQ(partidaDoArgumento(enviar, "/padrao/").origem, enviar);
    EXPECT_EQ(partidaDoArgumento(enviar + "/", "/padrao/").declaracao, "");
    EXPECT_EQ(partidaDoArgumento(dir.filePath("nao-existe.rar"), "/padrao/").origem, dir.filePath("nao-existe.rar"));
    EXPECT_EQ(partidaDoArgumento("", "/padrao/").origem, "/padrao/");
    // An archive, named relatively, opens its folder with itself to select.
    const QString antes = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(dir.path()));
    const Partida partida = partidaDoArgumento("enviar/Orva000900000000000002.rar", "/padrao/");
    QDir::setCurrent(antes);
    EXPECT_EQ(partida.origem, QDir(enviar).canonicalPath() + "/");
    EXPECT_EQ(partida.declaracao, "Orva000900000000000002.rar");
}
