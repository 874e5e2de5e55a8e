#include "common/pastaprograma.h"

#include "support/plataforma.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace pp = orva::pastaprograma;

TEST(PastaPrograma, AFolderTheUserCannotWriteIsAnInstalledSystem)
{
    QTemporaryDir dir;
    EXPECT_FALSE(pp::instalada(dir.path()));
    if (sistema::administrador())
        GTEST_SKIP() << "root writes anywhere";
    if (sistema::emWindows())
        GTEST_SKIP() << "a read-only attribute on a folder does not keep files out of it on Windows";
    QFile::setPermissions(dir.path(), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    EXPECT_TRUE(pp::instalada(dir.path()));
    QFile::setPermissions(dir.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}

TEST(PastaPrograma, ThePerUserFolderFollowsXdgDataHome)
{
    if (sistema::emWindows())
        GTEST_SKIP() << "Windows keeps the per-user folder in %LOCALAPPDATA%, not under XDG_DATA_HOME";
    QTemporaryDir dir;
    const QByteArray antes = qgetenv("XDG_DATA_HOME");
    qputenv("XDG_DATA_HOME", QFile::encodeName(dir.path()));
    EXPECT_EQ(pp::doUsuario(), dir.filePath("orva"));
    if (antes.isNull())
        qunsetenv("XDG_DATA_HOME");
    else
        qputenv("XDG_DATA_HOME", antes);
}

// The archiver and the client are linked in; a copy the user put there is
// kept, a link left by an older installation is renewed.
TEST(PastaPrograma, LinksTheInstalledProgramsKeepingTheUsersOwnFiles)
{
    if (sistema::emWindows())
        GTEST_SKIP() << "Windows makes no links: the installed programs are found where they are (LocalizaPrograma)";
    QTemporaryDir instalada, usuario, antiga;
    QDir(instalada.path()).mkpath("ClienteOrvaDATP");
    for (const char *nome : {"rar", "ClienteOrvaDATP/ClienteORVA"}) {
        QFile f(instalada.filePath(nome));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    QDir(usuario.path()).mkpath("ClienteOrvaDATP");
    ASSERT_TRUE(QFile::link(antiga.filePath("rar" ORVA_EXE), usuario.filePath("rar" ORVA_EXE)));
    {
        QFile propria(usuario.filePath("ClienteOrvaDATP/ClienteORVA"));
        ASSERT_TRUE(propria.open(QIODevice::WriteOnly));
        propria.write("cópia do usuário");
    }

    QString erro;
    ASSERT_TRUE(pp::ligaProgramas(usuario.path(), instalada.path(), &erro)) << erro.toStdString();
    EXPECT_EQ(QFileInfo(usuario.filePath("rar" ORVA_EXE)).symLinkTarget(), instalada.filePath("rar" ORVA_EXE));
    EXPECT_FALSE(QFileInfo(usuario.filePath("ClienteOrvaDATP/ClienteORVA")).isSymLink());

    // A second start changes nothing; a missing client folder is made.
    QDir(usuario.path()).removeRecursively();
    QDir().mkpath(usuario.path());
    ASSERT_TRUE(pp::ligaProgramas(usuario.path(), instalada.path(), &erro));
    ASSERT_TRUE(pp::ligaProgramas(usuario.path(), instalada.path(), &erro));
    EXPECT_EQ(QFileInfo(usuario.filePath("ClienteOrvaDATP/ClienteORVA")).symLinkTarget(),
              instalada.filePath("ClienteOrvaDATP/ClienteORVA"));
}
