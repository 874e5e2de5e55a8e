#include "support/pdf_text.h"

#include "common/errors.h"
#include "common/relatorio.h"

#include <QLocale>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace orva::report;

namespace {

const QLocale kBrasil(QLocale::Portuguese, QLocale::Brazil);
const QString kMascara = QStringLiteral("###,###,###,##0.00;0;*");
const QString kTotal = QStringLiteral("###,###,##0.00");
const QDateTime kAgora(QDate(2015, 3, 5), QTime(14, 7, 9));

// A grouped list: one line per row, the group's total in its footer and the
// whole report's in the summary.
Report relatorioAgrupado()
{
    Report r;
    r.title = QStringLiteral("Relação de Teste");
    r.standardPage({label(QStringLiteral("Chave"), QRectF(0, 0, 30, 5)),
                    label(QStringLiteral("Valor"), QRectF(100, 0, 40, 5), Qt::AlignRight)});
    r.groupField = QStringLiteral("CHAVE");
    r.groupHeader.add(field(QStringLiteral("chave"), QRectF(0, 1, 60, 5)).inBold());
    r.groupHeader.height = 7;
    r.detail.add(field(QStringLiteral("NOME"), QRectF(0, 0, 60, 5)));
    r.detail.add(field(QStringLiteral("VALOR"), QRectF(100, 0, 40, 5), Qt::AlignRight, kMascara));
    r.detail.height = 5;
    r.groupFooter.add(label(QStringLiteral("Sub Total.:"), QRectF(60, 1, 38, 5), Qt::AlignRight));
    r.groupFooter.add(sum(QStringLiteral("valor"), QRectF(100, 1, 40, 5), kTotal));
    r.groupFooter.height = 7;
    r.summary.add(label(QStringLiteral("Geral.:"), QRectF(60, 1, 38, 5), Qt::AlignRight));
    r.summary.add(sum(QStringLiteral("VALOR"), QRectF(100, 1, 40, 5), kTotal));
    r.summary.height = 7;
    return r;
}

} // namespace

TEST(Relatorio, MascarasDeValorEDeTotal)
{
    // Amount column: grouped with two decimals; a negative value whole and
    // unsigned; zero, and what rounds to zero, as "*".
    EXPECT_EQ(formatNumber(1234567.891, kMascara, kBrasil), "1.234.567,89");
    EXPECT_EQ(formatNumber(0.5, kMascara, kBrasil), "0,50");
    EXPECT_EQ(formatNumber(999.995, kMascara, kBrasil), "1.000,00");
    EXPECT_EQ(formatNumber(-1234.56, kMascara, kBrasil), "1235");
    EXPECT_EQ(formatNumber(-0.4, kMascara, kBrasil), "0");
    EXPECT_EQ(formatNumber(0, kMascara, kBrasil), "*");
    EXPECT_EQ(formatNumber(0.004, kMascara, kBrasil), "*");
    // Totals keep their sign and print zero with two decimals.
    EXPECT_EQ(formatNumber(-1234.5, kTotal, kBrasil), "-1.234,50");
    EXPECT_EQ(formatNumber(0, kTotal, kBrasil), "0,00");
    EXPECT_EQ(formatNumber(-0.001, kTotal, kBrasil), "0,00");
    EXPECT_EQ(formatNumber(123456789012.0, kTotal, kBrasil), "123.456.789.012,00");
    // Separators follow the locale.
    EXPECT_EQ(formatNumber(1234.5, kTotal, QLocale(QLocale::English, QLocale::UnitedStates)), "1,234.50");
}

TEST(Relatorio, GruposEmPaginasProprias_TotaisPorGrupoEGeral_EIguaisAoImprimirDeNovo)
{
    QTemporaryDir dir;
    const Report r = relatorioAgrupado();
    TableSource linhas({"CHAVE", "NOME", "VALOR"},
                       {{"A", "primeiro", 1000.5}, {"A", "zerado", 0.0}, {"A", "estorno", -20.0},
                        {"B", "segundo", 2.25}, {"C", "sem valor", QVariant()}});
    const QString pdf1 = dir.filePath("1.pdf"), pdf2 = dir.filePath("2.pdf");
    ASSERT_EQ(r.writePdf(pdf1, linhas, kAgora), 3);
    // Painting again (a print from the preview) reads the rows from the start
    // and starts every total from zero.
    ASSERT_EQ(r.writePdf(pdf2, linhas, kAgora), 3);

    const QStringList paginas = pdfPages(pdf1);
    ASSERT_EQ(paginas.size(), 3);
    EXPECT_EQ(pdfPages(pdf2), paginas);

    const QString a = simplified(paginas[0]);
    EXPECT_TRUE(a.contains("Relação de Teste 05/03/2015 14:07:09")) << a.toStdString();
    EXPECT_TRUE(a.contains("Chave Valor A primeiro 1.000,50 zerado * estorno 20 Sub Total.: 980,50")) << a.toStdString();
    EXPECT_TRUE(a.endsWith("Pagina: 1")) << a.toStdString();
    EXPECT_FALSE(a.contains("segundo"));

    const QString b = simplified(paginas[1]);
    EXPECT_TRUE(b.contains("Chave Valor B segundo 2,25 Sub Total.: 2,25")) << b.toStdString();
    EXPECT_TRUE(b.endsWith("Pagina: 2")) << b.toStdString();

    // A null value prints nothing and adds nothing; the summary sums the whole report.
    const QString c = simplified(paginas[2]);
    EXPECT_TRUE(c.contains("C sem valor Sub Total.: 0,00 Geral.: 982,75")) << c.toStdString();
}

TEST(Relatorio, LinhasQueNaoCabemContinuamNaPaginaSeguinteComCabecalho)
{
    QTemporaryDir dir;
    Report r = relatorioAgrupado();
    r.paper = QPageSize::Letter; // the delivery client prints on Letter paper
    QList<QVariantList> rows;
    for (int i = 1; i <= 120; ++i)
        rows.push_back({"A", QStringLiteral("linha %1").arg(i), 1.0});
    TableSource linhas({"CHAVE", "NOME", "VALOR"}, rows);
    const QString pdf = dir.filePath("longo.pdf");
    const int paginas = r.writePdf(pdf, linhas, kAgora);
    ASSERT_GE(paginas, 3);
    EXPECT_TRUE(pdfPageSize(pdf).endsWith("(letter)")) << pdfPageSize(pdf).toStdString();

    const QStringList texto = pdfPages(pdf);
    ASSERT_EQ(texto.size(), paginas);
    int linhasImpressas = 0;
    for (int p = 0; p < paginas; ++p) {
        const QString t = simplified(texto[p]);
        EXPECT_TRUE(t.startsWith("Relação de Teste")) << p;
        EXPECT_TRUE(t.endsWith(QStringLiteral("Pagina: %1").arg(p + 1))) << t.toStdString();
        linhasImpressas += static_cast<int>(t.count(QStringLiteral("linha ")));
    }
    EXPECT_EQ(linhasImpressas, 120);
    EXPECT_TRUE(simplified(texto.last()).contains("linha 120 1,00 Sub Total.: 120,00 Geral.: 120,00"));
}

TEST(Relatorio, TextoLongoECortadoEPdfImpossivelFalha)
{
    QTemporaryDir dir;
    Report r;
    r.title = QStringLiteral("Recibo");
    r.titleBand.add(label(QStringLiteral("Título do recibo"), QRectF(0, 0, 100, 6)).inBold());
    r.titleBand.height = 8;
    r.detail.add(field(QStringLiteral("NOME"), QRectF(0, 0, 20, 5)));
    r.detail.add(field(QStringLiteral("NUMERO"), QRectF(25, 0, 30, 5), Qt::AlignRight, kMascara));
    r.detail.add(richText(QStringLiteral("<p>Primeira parte do texto</p><p>e a segunda parte</p>"), QRectF(60, 0, 100, 5)));
    r.detail.height = 6;
    // The mask applies only to numbers; a text column prints as it stands.
    TableSource linhas({"NOME", "NUMERO"}, {{QStringLiteral("UM NOME MUITO MAIS LONGO QUE A CAIXA"), "12345"}});
    const QString pdf = dir.filePath("recibo.pdf");
    ASSERT_EQ(r.writePdf(pdf, linhas, kAgora), 1);
    const QString t = simplified(pdfText(pdf));
    EXPECT_TRUE(t.contains("Título do recibo")) << t.toStdString();
    EXPECT_FALSE(t.contains("CAIXA")) << t.toStdString();
    EXPECT_TRUE(t.contains("12345")) << t.toStdString();
    EXPECT_TRUE(t.contains("Primeira parte do texto")) << t.toStdString();
    EXPECT_TRUE(t.contains("e a segunda parte")) << t.toStdString();

    EXPECT_THROW(r.writePdf(dir.filePath("nao/existe/x.pdf"), linhas, kAgora), orva::Error);
}
