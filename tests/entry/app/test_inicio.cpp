#include "support/scripted_prompts.h"

#include "core/shell/dtmdados.h"
#include "ui/app/frmprincipal.h"
#include "ui/shell/funcoes.h"
#include "ui/app/inicio.h"
#include "core/shell/instalacao.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

// Start-up runs on the system's own short date format; the test environment is pt_BR.
TEST(Inicio, MissingDatabaseShowsSupportLineThenMainWindow)
{
    QTemporaryDir dir;
    Funcoes::DefineDiretorioSistema(dir.path());
    ScriptedPrompts prompts;
    auto objetos = IniciaPrograma();
    ASSERT_NE(objetos, nullptr);
    ASSERT_NE(objetos->frmPrincipal, nullptr);
    EXPECT_EQ(objetos->frmPrincipal->windowTitle(), QStringLiteral("ORVA - Tessaria."));
    EXPECT_FALSE(objetos->dados->ADOConnection.isOpen());
    ASSERT_EQ(prompts.shown.size(), 1u);
    EXPECT_EQ(prompts.last().kind, QStringLiteral("error"));
    EXPECT_TRUE(prompts.last().text.endsWith(QStringLiteral("\n\nSuporte técnico: \nCentral Tarvo - Fone: 55 5010-2020")))
        << prompts.last().text.toStdString();
    EXPECT_FALSE(QFileInfo::exists(dir.filePath(QStringLiteral("orva.mdb"))));
    Funcoes::DefineDiretorioSistema(QString());
}

TEST(Inicio, OpensTheDatabaseWhateverTheCaseOfItsName)
{
    QTemporaryDir dir;
    orva::install::createProgramFolder(dir.path());
    ASSERT_TRUE(QDir(dir.path()).rename(QStringLiteral("orva.mdb"), QStringLiteral("Orva.mdb")));
    Funcoes::DefineDiretorioSistema(dir.path());
    ScriptedPrompts prompts;
    auto objetos = IniciaPrograma();
    ASSERT_NE(objetos, nullptr);
    EXPECT_TRUE(objetos->dados->ADOConnection.isOpen());
    EXPECT_EQ(dtmDados, objetos->dados.get());
    EXPECT_TRUE(prompts.shown.empty());
    Funcoes::DefineDiretorioSistema(QString());
}

namespace {

QString cli() { return QStringLiteral(ORVA_DIST_DIR "/orva-cli" ORVA_EXE); }

} // namespace

TEST(OrvaCli, InitCreatesTheProgramFolderAndNeverTouchesADatabase)
{
    QTemporaryDir dir;
    QProcess p;
    p.start(cli(), {QStringLiteral("--dir"), dir.path(), QStringLiteral("init")});
    ASSERT_TRUE(p.waitForFinished(60000));
    EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
    for (const QString &sub : orva::install::programFolders())
        EXPECT_TRUE(QFileInfo(dir.filePath(sub)).isDir()) << sub.toStdString();
    const QFileInfo db(dir.filePath(QStringLiteral("orva.mdb")));
    ASSERT_TRUE(db.isFile());
    const auto modified = db.lastModified();
    const auto size = db.size();

    p.start(cli(), {QStringLiteral("--dir"), dir.path(), QStringLiteral("init")});
    ASSERT_TRUE(p.waitForFinished(60000));
    EXPECT_NE(p.exitCode(), 0);
    EXPECT_FALSE(p.readAllStandardError().isEmpty());
    EXPECT_EQ(QFileInfo(db.filePath()).lastModified(), modified);
    EXPECT_EQ(QFileInfo(db.filePath()).size(), size);

    p.start(cli(), {QStringLiteral("--dir"), dir.path(), QStringLiteral("nada")});
    ASSERT_TRUE(p.waitForFinished(60000));
    EXPECT_NE(p.exitCode(), 0);
}

TEST(Inicio, WrongDateFormatEndsBeforeAnyWindowOrDatabase)
{
    QTemporaryDir dir;
    orva::install::createProgramFolder(dir.path());
    Funcoes::DefineDiretorioSistema(dir.path());
    dtmDados = nullptr;
    ScriptedPrompts prompts;
    const auto objetos = IniciaPrograma(QStringLiteral("M/d/yy"));
    EXPECT_EQ(objetos, nullptr);
    EXPECT_EQ(dtmDados, nullptr);
    for (QWidget *w : QApplication::topLevelWidgets())
        EXPECT_FALSE(w->inherits("TfrmPrincipal"));
    ASSERT_EQ(prompts.shown.size(), 1u);
    EXPECT_TRUE(prompts.last().text.startsWith(
        QStringLiteral("Formato da Data do Sistema operacional esta invalido (M/d/yy).")));
    Funcoes::DefineDiretorioSistema(QString());
}
