// The file and process calls beneath the programs, as each system makes them.
#include "common/causafalha.h"
#include "common/plataforma/arquivos.h"
#include "common/plataforma/gravacao.h"
#include "common/plataforma/processos.h"
#include "common/plataforma/travas.h"

#include "support/arquivos.h"
#include "support/plataforma.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace pl = orva::plataforma;

TEST(Plataforma, TemporaryFilesGetFreshNamesAndExclusiveCreationRefusesAnExistingOne)
{
    QTemporaryDir dir;
    QString a = dir.filePath(".x.tmp-XXXXXX");
    QString b = a;
    const int fa = pl::criaTemporario(a);
    const int fb = pl::criaTemporario(b);
    ASSERT_GE(fa, 0);
    ASSERT_GE(fb, 0);
    EXPECT_NE(a, b);
    EXPECT_TRUE(a.startsWith(dir.filePath(".x.tmp-")) && a.size() == dir.filePath(".x.tmp-XXXXXX").size()) << a.toStdString();
    EXPECT_FALSE(a.endsWith("XXXXXX"));

    const QByteArray dados(3 << 20, 'z');
    ASSERT_TRUE(pl::gravaTudo(fa, dados.constData(), dados.size()));
    ASSERT_TRUE(pl::sincroniza(fa));
    ASSERT_TRUE(pl::voltaAoInicio(fa));
    QByteArray lido(dados.size() + 1, '\0');
    qint64 total = 0;
    for (qint64 n; (n = pl::le(fa, lido.data() + total, lido.size() - total)) > 0;)
        total += n;
    EXPECT_EQ(lido.left(total), dados);
    EXPECT_TRUE(pl::fecha(fa));
    EXPECT_TRUE(pl::fecha(fb));

    errno = 0;
    EXPECT_EQ(pl::criaExclusivo(a), -1);
    EXPECT_EQ(errno, EEXIST);
    EXPECT_EQ(le(a), dados);
}

// Where the system refuses to replace a file another program holds open,
// the failure names that cause and both files stay as they were.
TEST(Plataforma, ReplacingPutsTheNewFileInPlaceOrNamesTheProgramHoldingIt)
{
    QTemporaryDir dir;
    const QString destino = dir.filePath("recibo.txt");
    const QString novo = dir.filePath(".recibo.tmp");
    grava(destino, "antigo");
    grava(novo, "novo");
    ASSERT_TRUE(pl::substitui(novo, destino));
    EXPECT_EQ(le(destino), "novo");
    EXPECT_FALSE(QFileInfo::exists(novo));

    grava(novo, "mais novo");
    QFile aberto(destino);
    ASSERT_TRUE(aberto.open(QIODevice::ReadOnly));
    const bool substituiu = pl::substitui(novo, destino);
    const int erro = errno;
    aberto.close();
    EXPECT_EQ(substituiu, !sistema::emWindows());
    if (!substituiu) {
        EXPECT_EQ(erro, EBUSY);
        EXPECT_TRUE(orva::causaDaFalha(erro).contains("aberto em outro programa"));
        EXPECT_EQ(le(destino), "novo");
        EXPECT_EQ(le(novo), "mais novo");
    }
}

// A file being written holds its lock: another run neither takes the lock
// nor removes the file, yet may read it; once closed it is a leftover.
TEST(Plataforma, ALockedFileIsNoLeftoverAndStaysReadable)
{
    QTemporaryDir dir;
    const QString caminho = dir.filePath(".a.rar.tmp-Ab12Cd");
    QFile escrevendo(caminho);
    ASSERT_TRUE(escrevendo.open(QIODevice::ReadWrite));
    escrevendo.write("parte");
    escrevendo.flush();
    ASSERT_TRUE(pl::trava(escrevendo.handle(), false));
    {
        QFile outro(caminho);
        ASSERT_TRUE(outro.open(QIODevice::ReadOnly));
        EXPECT_FALSE(pl::trava(outro.handle(), false));
        EXPECT_EQ(outro.readAll(), "parte");
    }
    pl::removeSeLivre(caminho);
    EXPECT_TRUE(QFileInfo::exists(caminho));
    escrevendo.close();
    pl::removeSeLivre(caminho);
    EXPECT_FALSE(QFileInfo::exists(caminho));
}

TEST(Plataforma, ALinkNamedLikeALeftoverIsLeftAlone)
{
    if (sistema::emWindows())
        GTEST_SKIP() << "a symbolic link needs a privilege on Windows";
    QTemporaryDir dir;
    grava(dir.filePath("importante"), "dados");
    ASSERT_TRUE(QFile::link(dir.filePath("importante"), dir.filePath(".rar-Ab12Cd")));
    pl::removeSeLivre(dir.filePath(".rar-Ab12Cd"));
    EXPECT_TRUE(QFileInfo(dir.filePath(".rar-Ab12Cd")).isSymLink());
    EXPECT_EQ(le(dir.filePath("importante")), "dados");
}

TEST(Plataforma, OnlyAFileOnTheDiskIsRegular)
{
    QTemporaryDir dir;
    grava(dir.filePath("a.txt"), "a");
    EXPECT_TRUE(pl::arquivoComum(dir.filePath("a.txt")));
    EXPECT_FALSE(pl::arquivoComum(dir.path()));
    EXPECT_FALSE(pl::arquivoComum(dir.filePath("falta.txt")));
    EXPECT_FALSE(pl::arquivoComum(QProcess::nullDevice()));
}

TEST(Plataforma, AProcessIsAliveUntilItEnds)
{
    EXPECT_TRUE(pl::processoVivo(QCoreApplication::applicationPid()));
    QProcess filho;
    filho.start(QCoreApplication::applicationFilePath(), {"--gtest_list_tests", "--gtest_filter=Nenhum"});
    ASSERT_TRUE(filho.waitForStarted());
    const qint64 pid = filho.processId();
    ASSERT_TRUE(filho.waitForFinished());
    EXPECT_FALSE(pl::processoVivo(pid));
    // Numbers no process has; one past pid_t must not wrap to "every process".
    for (const qint64 pid : {qint64(0), qint64(-1), qint64(1) << 32})
        EXPECT_FALSE(pl::processoVivo(pid)) << pid;
}
