#include "common/process.h"
#include "common/prompts.h"
#include "support/substituto.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

using orva::process::run;
using orva::process::splitArguments;

TEST(Process, SplitArgumentsReadsLikeAWindowsProgram)
{
    // Runs of blanks separate; quotes group and are dropped.
    EXPECT_EQ(splitArguments(QStringLiteral("  a -va  \"/tmp/meus dados/bkp\"  \"/tmp/x.mdb\"")),
              (QStringList{"a", "-va", "/tmp/meus dados/bkp", "/tmp/x.mdb"}));
    // A backslash before the closing quote escapes it; doubled it is one backslash.
    EXPECT_EQ(splitArguments(QStringLiteral(" e -y \"C:\\dir\\\" x")), (QStringList{"e", "-y", "C:\\dir\" x"}));
    EXPECT_EQ(splitArguments(QStringLiteral("\"C:\\dir\\\\\" x")), (QStringList{"C:\\dir\\", "x"}));
    // Backslashes elsewhere are kept; an empty pair of quotes is an empty argument.
    EXPECT_EQ(splitArguments(QStringLiteral("a\\\\b \"\" c\"d e\"f")), (QStringList{"a\\\\b", "", "cd ef"}));
    EXPECT_TRUE(splitArguments(QStringLiteral("   ")).isEmpty());
}

TEST(Process, RunStartsWaitsAndReportsTheExitCode)
{
    QTemporaryDir dir;
    const orva::process::Result missing = run(dir.filePath(QStringLiteral("nao-existe")), {});
    EXPECT_FALSE(missing.started);
    EXPECT_FALSE(missing.error.isEmpty());

    // A program that records its folder and arguments, then ends with code 3.
    const QString programa = instalaSubstituto(dir.filePath(QStringLiteral("prog")));
    RoteiroSubstituto roteiro{{"SAIDA", "3"}};
    const orva::process::Result r = run(programa, {QStringLiteral("a b"), QStringLiteral("c")});
    EXPECT_TRUE(r.started);
    EXPECT_EQ(r.exitCode, 3);
    // It ran in its own folder and had ended when run returned.
    QFile saida(dir.filePath(QStringLiteral("saida.txt")));
    ASSERT_TRUE(saida.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromUtf8(saida.readAll()), QDir(dir.path()).canonicalPath() + QStringLiteral("\n[a b]\n[c]\n"));
}

// The entry program waits for the delivery client in an event loop of its
// own: timers run (and windows paint) until the client ends. The stand-in
// ends once it sees the file that the test's timer writes, or after 5 s.
TEST(Process, WaitingForAProgramTheUserWorksWithKeepsHandlingEvents)
{
    QTemporaryDir dir;
    const QString programa = instalaSubstituto(dir.filePath(QStringLiteral("cliente")));
    RoteiroSubstituto roteiro{{"ESPERA", "sinal"}};
    int batidas = 0;
    QTimer relogio;
    QObject::connect(&relogio, &QTimer::timeout, [&] {
        if (++batidas == 3) {
            QFile sinal(dir.filePath(QStringLiteral("sinal")));
            sinal.open(QIODevice::WriteOnly);
        }
    });
    relogio.start(20);
    orva::DialogPrompts dialogos;
    EXPECT_TRUE(dialogos.runProgram(programa, {}, dir.path()));
    relogio.stop();
    QFile fim(dir.filePath(QStringLiteral("fim")));
    ASSERT_TRUE(fim.open(QIODevice::ReadOnly)) << "the call returned before the program ended";
    EXPECT_EQ(fim.readAll(), "visto\n");
}
