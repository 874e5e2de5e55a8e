#include "core/import/registronota.h"

#include "common/errors.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using orva::importacao::LeitorLinhas;
using orva::importacao::RegistroNota;

namespace {

const QString kExemplo = QStringLiteral("00000012345678" "2015" "110020" "0000004711" "NE" "1" "05" "03" "2015"
                                        "000000000150000" "1" "00000087654321" "NP" "0000000815" "01" "03" "2015"
                                        "000000000150000" "110020");

// Every line the reader gives, as (text, length).
std::vector<std::pair<QString, qint64>> leTudo(const QByteArray &conteudo)
{
    QTemporaryDir dir;
    const QString caminho = dir.filePath("f.txt");
    QFile f(caminho);
    f.open(QIODevice::WriteOnly);
    f.write(conteudo);
    f.close();
    LeitorLinhas leitor(caminho);
    std::vector<std::pair<QString, qint64>> linhas;
    while (leitor.proxima())
        linhas.emplace_back(leitor.texto(), leitor.tamanho());
    return linhas;
}

} // namespace

TEST(RegistroNota, WorkedExampleCutsIntoItsNineteenFields)
{
    ASSERT_EQ(kExemplo.size(), 116);
    const RegistroNota r(kExemplo);
    EXPECT_TRUE(r.tamanhoValido());
    const QStringList esperado = {"00000012345678", "2015", "110020", "0000004711", "NE", "1", "05", "03", "2015",
                                  "000000000150000", "1", "00000087654321", "NP", "0000000815", "01", "03", "2015",
                                  "000000000150000", "110020"};
    QStringList campos;
    for (int i = 1; i <= 19; ++i)
        campos << r.campo(i);
    EXPECT_EQ(campos, esperado);
    EXPECT_EQ(r.dataEmissao(), "05/03/2015");
    EXPECT_EQ(r.dataNotaOrigem(), "01/03/2015");
    EXPECT_EQ(r.dataNotaOrigemGravada(), "01/03/2015");
    EXPECT_EQ(r.valorNotaDecimal(), "0000000001500,00");
    EXPECT_EQ(r.valorNotaOrigemDecimal(), "0000000001500,00");

    // The all-zero origin date is stored as the absent date; no other date is replaced.
    QString semOrigem = kExemplo;
    semOrigem.replace(87, 8, "00000000");
    EXPECT_EQ(RegistroNota(semOrigem).dataNotaOrigemGravada(), "01/01/1900");
    semOrigem.replace(87, 8, "00000001");
    EXPECT_EQ(RegistroNota(semOrigem).dataNotaOrigemGravada(), "00/00/0001");
    QString valor = kExemplo;
    valor.replace(45, 15, "000000001234567");
    EXPECT_EQ(RegistroNota(valor).valorNotaDecimal(), "0000000012345,67");

    // Fields are cut as they stand, blanks included; a short line gives short fields.
    EXPECT_EQ(RegistroNota(" 1").campo(1), " 1");
    EXPECT_EQ(RegistroNota("abc").campo(19), "");
    EXPECT_FALSE(RegistroNota(kExemplo + " ").tamanhoValido());
}

TEST(RegistroNota, EveryLineIsARecordAndLengthsCountWindows1252Characters)
{
    // Blank lines are records; the last terminator adds none; LF alone also ends a line.
    auto linhas = leTudo("abc\r\n\r\nde\n");
    ASSERT_EQ(linhas.size(), 3u);
    EXPECT_EQ(linhas[0], std::make_pair(QString("abc"), qint64(3)));
    EXPECT_EQ(linhas[1], std::make_pair(QString(), qint64(0)));
    EXPECT_EQ(linhas[2], std::make_pair(QString("de"), qint64(2)));
    EXPECT_EQ(leTudo("abc\r\n\r\nde\n\r\n").size(), 4u);

    // Text after the last terminator is a record; an empty file has none.
    linhas = leTudo("x\r\nlast");
    ASSERT_EQ(linhas.size(), 2u);
    EXPECT_EQ(linhas[1].first, "last");
    EXPECT_TRUE(leTudo("").empty());

    // One byte, one character: "Ç" and "€" of the code page count one each;
    // blanks at the end count too.
    linhas = leTudo("\xC7\x80  \r\n");
    ASSERT_EQ(linhas.size(), 1u);
    EXPECT_EQ(linhas[0].first, QString::fromUtf8("Ç€  "));
    EXPECT_EQ(linhas[0].second, 4);

    // A line longer than what is kept still reports its whole length, and a
    // line that spans the reading buffer is read whole.
    const QByteArray enorme(LeitorLinhas::MaximoGuardado + 300000, 'x');
    linhas = leTudo(enorme + "\r\n" + QByteArray(116, '1'));
    ASSERT_EQ(linhas.size(), 2u);
    EXPECT_EQ(linhas[0].second, enorme.size());
    EXPECT_EQ(linhas[0].first.size(), LeitorLinhas::MaximoGuardado);
    EXPECT_EQ(linhas[1].second, 116);

    EXPECT_THROW(LeitorLinhas("/nonexistent/notas.txt"), orva::Error);
}
