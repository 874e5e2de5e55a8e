// orva-cli's usage for every command, and its first use by a user of an
// installed system.
#include "support/plataforma.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

struct Saida {
    int codigo = -1;
    QString texto;
    QString erros;
};

Saida roda(const QString &programa, const QStringList &argumentos,
           const QProcessEnvironment &ambiente = QProcessEnvironment::systemEnvironment())
{
    QProcess p;
    p.setProcessEnvironment(ambiente);
    p.start(programa, argumentos);
    if (!p.waitForFinished(60000))
        return {};
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
            QString::fromUtf8(p.readAllStandardOutput()).replace(QStringLiteral("\r\n"), QStringLiteral("\n")),
            QString::fromUtf8(p.readAllStandardError())};
}

const QString kCli = QStringLiteral(ORVA_DIST_DIR "/orva-cli" ORVA_EXE);

} // namespace

TEST(OrvaCliAjuda, EveryCommandAndSubcommandAnswersHelpAndTouchesNothing)
{
    QTemporaryDir dir;
    const QString pasta = dir.filePath(QStringLiteral("nao-existe"));
    // The commands, as the general usage lists them.
    QStringList comandos;
    const Saida geral = roda(kCli, {QStringLiteral("--help")});
    ASSERT_EQ(geral.codigo, 0);
    for (const QString &linha : geral.texto.mid(geral.texto.indexOf(QStringLiteral("Comandos:"))).split('\n'))
        if (linha.startsWith(QStringLiteral("  ")))
            comandos << linha.trimmed().section(QLatin1Char(' '), 0, 0);
    ASSERT_GE(comandos.size(), 15) << geral.texto.toStdString();
    for (const QString &comando : comandos) {
        for (const QStringList &pedido : {QStringList{comando, QStringLiteral("--help")},
                                          QStringList{comando, QStringLiteral("save"), QStringLiteral("-h")}}) {
            const Saida s = roda(kCli, QStringList{QStringLiteral("--dir"), pasta} + pedido);
            EXPECT_EQ(s.codigo, 0) << pedido.join(' ').toStdString() << ": " << s.erros.toStdString();
            EXPECT_TRUE(s.texto.startsWith(QStringLiteral("Uso: orva-cli ") + comando)) << s.texto.toStdString();
        }
    }
    EXPECT_FALSE(QFileInfo::exists(pasta)) << "a usage made the program folder";
}

// A user who never ran Orva nor init gets a folder of their own on the first
// command, not "reinstale o programa".
TEST(OrvaCliAjuda, InstalledForEveryUserTheFirstCommandPreparesTheUsersFolder)
{
    if (sistema::emWindows())
        GTEST_SKIP() << "Windows keeps the per-user folder in %LOCALAPPDATA%, not under XDG_DATA_HOME";
    QTemporaryDir dir;
    const QString instalado = dir.filePath(QStringLiteral("instalado"));
    QDir().mkpath(instalado);
    ASSERT_TRUE(QFile::copy(kCli, instalado + QStringLiteral("/orva-cli")));
    ASSERT_TRUE(QFile::copy(QStringLiteral(ORVA_DIST_DIR "/rar"), instalado + QStringLiteral("/rar")));
    QFile marca(instalado + QStringLiteral("/ORVA-instalado.txt"));
    ASSERT_TRUE(marca.open(QIODevice::WriteOnly));
    marca.close();
    QProcessEnvironment ambiente = QProcessEnvironment::systemEnvironment();
    ambiente.insert(QStringLiteral("XDG_DATA_HOME"), dir.filePath(QStringLiteral("dados")));

    const Saida s = roda(instalado + QStringLiteral("/orva-cli"), {QStringLiteral("company"), QStringLiteral("list")}, ambiente);
    EXPECT_EQ(s.codigo, 0) << s.erros.toStdString();
    EXPECT_FALSE(s.erros.contains(QStringLiteral("reinstale"))) << s.erros.toStdString();
    EXPECT_TRUE(QFileInfo::exists(dir.filePath(QStringLiteral("dados/orva/orva.mdb"))));
    EXPECT_TRUE(QFileInfo::exists(dir.filePath(QStringLiteral("dados/orva/enviar"))));
}
