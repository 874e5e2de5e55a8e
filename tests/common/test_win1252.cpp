#include "common/errors.h"
#include "common/win1252.h"

#include <gtest/gtest.h>

using namespace orva;

TEST(Win1252, AccentsAreOneByteEachAndRoundTrip)
{
    const QString text = QStringLiteral("AÇÃO é ç ü € “x” Ñ");
    const QByteArray bytes = win1252::encode(text);
    EXPECT_EQ(bytes.size(), text.size());
    EXPECT_EQ(static_cast<unsigned char>(win1252::encode(QStringLiteral("Ç")).at(0)), 0xC7);
    EXPECT_EQ(static_cast<unsigned char>(win1252::encode(QStringLiteral("€")).at(0)), 0x80);
    EXPECT_EQ(win1252::decode(bytes), text);
}

TEST(Win1252, RefusesWhatTheCodePageCannotCarry)
{
    EXPECT_FALSE(win1252::canEncode(QStringLiteral("Ωmega")));
    try {
        win1252::encode(QStringLiteral("ab→c"));
        FAIL() << "encode accepted an arrow";
    } catch (const Error &e) {
        EXPECT_TRUE(e.message().contains(QStringLiteral("U+2192"))) << e.message().toStdString();
        EXPECT_TRUE(e.message().contains(QStringLiteral("→")));
    }
}

TEST(Win1252, EveryByteDecodesAndEncodesBack)
{
    QByteArray all;
    for (int b = 0; b < 256; ++b)
        all.append(static_cast<char>(b));
    const QString text = win1252::decode(all);
    EXPECT_EQ(text.size(), 256);
    EXPECT_EQ(win1252::encode(text), all);
}
