#include "common/process.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

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

    // A script that records its folder and arguments, then ends with code 3.
    const QString script = dir.filePath(QStringLiteral("prog.sh"));
    {
        QFile f(script);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("#!/bin/sh\n{ pwd; for a in \"$@\"; do echo \"[$a]\"; done; } > saida.txt\nexit 3\n");
        f.close();
        f.setPermissions(f.permissions() | QFileDevice::ExeOwner);
    }
    const orva::process::Result r = run(script, {QStringLiteral("a b"), QStringLiteral("c")});
    EXPECT_TRUE(r.started);
    EXPECT_EQ(r.exitCode, 3);
    // It ran in its own folder and had ended when run returned.
    QFile saida(dir.filePath(QStringLiteral("saida.txt")));
    ASSERT_TRUE(saida.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromUtf8(saida.readAll()), QDir(dir.path()).canonicalPath() + QStringLiteral("\n[a b]\n[c]\n"));
}
