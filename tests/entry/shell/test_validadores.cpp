#include "common/errors.h"
#include "ui/shell/funcoes.h"

#include <gtest/gtest.h>

using namespace Funcoes;

TEST(Validadores, CpfAndCnpjCheckDigits)
{
    EXPECT_TRUE(ValidaCnpjCpf(QStringLiteral("11111111111")));
    EXPECT_FALSE(ValidaCnpjCpf(QStringLiteral("11111111112")));
    EXPECT_TRUE(ValidaCnpjCpf(QStringLiteral("12345678000195")));
    EXPECT_TRUE(ValidaCnpjCpf(QStringLiteral("12.345.678/0001-95")));
    EXPECT_FALSE(ValidaCnpjCpf(QStringLiteral("12345678000194")));
    EXPECT_FALSE(ValidaCnpjCpf(QStringLiteral("12345678000159")));
    EXPECT_TRUE(ValidaCnpjCpf(QStringLiteral("00000000000000")));
    EXPECT_TRUE(ValidaCnpjCpf(QStringLiteral("529.982.247-25"))); // a well-known example CPF
    // Only 11 or 14 digits are documents at all.
    EXPECT_FALSE(ValidaCnpjCpf(QStringLiteral("123.456.789-0")));
    EXPECT_FALSE(ValidaCnpjCpf(QStringLiteral("123456789012")));
    EXPECT_FALSE(ValidaCnpjCpf(QStringLiteral("123456780001950")));
    EXPECT_FALSE(ValidaCnpjCpf(QString()));
}

TEST(Validadores, CnpjWeightsWrapButCpfWeightsGrow)
{
    // Base 111111111111: weights 2..9 then 2..5 sum 58, so 8; then 3..9, 2..6 plus 16 sum 78, so 0.
    EXPECT_TRUE(ValidaCnpjCpf(QStringLiteral("11111111111180")));
    EXPECT_FALSE(ValidaCnpjCpf(QStringLiteral("11111111111111")));
}

TEST(Validadores, StateRegistration)
{
    EXPECT_TRUE(ValidaInscricao(QStringLiteral("00001234567897")));
    EXPECT_FALSE(ValidaInscricao(QStringLiteral("00001234567898")));
    EXPECT_TRUE(ValidaInscricao(QStringLiteral("00000000000001")));  // remainder 0
    EXPECT_FALSE(ValidaInscricao(QStringLiteral("00000000000000")));
    EXPECT_TRUE(ValidaInscricao(QStringLiteral("00000000000060")));  // remainder 1
    EXPECT_FALSE(ValidaInscricao(QStringLiteral("00000000000123"))); // expects 4
    EXPECT_TRUE(ValidaInscricao(QStringLiteral("00000000000124")));
    EXPECT_FALSE(ValidaInscricao(QStringLiteral("0000000000012"))); // 13 characters
    EXPECT_FALSE(ValidaInscricao(QStringLiteral("abc")));            // too short to look at
    // Longer text: the first 13 characters are weighted and the last is the digit.
    EXPECT_TRUE(ValidaInscricao(QStringLiteral("0000123456789X7")));
    EXPECT_THROW(ValidaInscricao(QStringLiteral("0000123456789A")), orva::Error);
    EXPECT_THROW(ValidaInscricao(QStringLiteral("00001234.67897")), orva::Error);
}
