#include "common/pastaprograma.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace pp = orva::pastaprograma;

namespace {

void cria(const QString &caminho)
{
    QDir().mkpath(QFileInfo(caminho).path());
    QFile arquivo(caminho);
    ASSERT_TRUE(arquivo.open(QIODevice::WriteOnly));
}

} // namespace

// A per-user program folder holds no programs where links cannot stand in for
// them (Windows): the archiver and the client are found where the installer
// put them, beside the running program or in its parent; the folder's own
// copy comes first, and an unmarked, writable folder is no installation.
TEST(LocalizaPrograma, FindsTheInstalledProgramsWhenTheProgramFolderHasNone)
{
    QTemporaryDir instalada, usuario;
    const QString rar = pp::executavel(QStringLiteral("rar"));
    const QString cliente = pp::executavel(QStringLiteral("ClienteOrvaDATP/ClienteORVA"));
    cria(instalada.filePath(rar));
    cria(instalada.filePath(cliente));
    const QString pastaCliente = instalada.filePath(QStringLiteral("ClienteOrvaDATP"));

    EXPECT_FALSE(pp::instalada(instalada.path()));
    EXPECT_EQ(pp::localizaPrograma(usuario.path(), QStringLiteral("rar"), instalada.path()), usuario.filePath(rar));

    cria(instalada.filePath(QLatin1String(pp::MarcaInstalacao)));
    cria(QDir(pastaCliente).filePath(QLatin1String(pp::MarcaInstalacao)));
    EXPECT_TRUE(pp::instalada(instalada.path()));
    EXPECT_EQ(pp::localizaPrograma(usuario.path(), QStringLiteral("rar"), instalada.path()), instalada.filePath(rar));
    EXPECT_EQ(pp::localizaPrograma(usuario.path(), QStringLiteral("ClienteOrvaDATP/ClienteORVA"), instalada.path()),
              instalada.filePath(cliente));
    // The client runs from its own folder: the archiver is in the parent.
    EXPECT_EQ(pp::localizaPrograma(usuario.path(), QStringLiteral("rar"), pastaCliente), instalada.filePath(rar));

    cria(usuario.filePath(rar));
    EXPECT_EQ(pp::localizaPrograma(usuario.path(), QStringLiteral("rar"), instalada.path()), usuario.filePath(rar));
}
