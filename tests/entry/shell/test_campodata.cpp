#include "support/scripted_prompts.h"
#include "support/window_driver.h"

#include "ui/maintenance/fsobre.h"
#include "ui/shell/campodata.h"

#include <QDateEdit>
#include <QDialog>
#include <QVBoxLayout>

#include <gtest/gtest.h>

namespace {

// A window with one date picker of this year's declaration, as the invoice window sets them.
struct JanelaData {
    JanelaData()
    {
        auto *layout = new QVBoxLayout(&w);
        data = new QDateEdit(&w);
        outro = new QLineEdit(&w);
        layout->addWidget(data);
        layout->addWidget(outro);
        data->setDisplayFormat(QStringLiteral("dd/MM/yyyy"));
        data->setDateRange(QDate(2015, 1, 1), QDate(2015, 12, 31));
        data->setToolTip(QStringLiteral("Data de Emissão da Nota Fiscal"));
        orva::ui::makeDateField(data);
        janela::ativa(&w);
    }
    QDate digita(const QString &texto, QDate antes = QDate(2015, 4, 15))
    {
        data->setDate(antes);
        janela::foca(data);
        QTest::keyClicks(data, texto);
        janela::assenta();
        return data->date();
    }

    ScriptedPrompts prompts;
    QDialog w;
    QDateEdit *data = nullptr;
    QLineEdit *outro = nullptr;
};

} // namespace

TEST(CampoData, ADateTypedWithOrWithoutSlashesIsExactlyThatDate)
{
    JanelaData j;
    EXPECT_EQ(j.digita("28/11/2015"), QDate(2015, 11, 28));
    EXPECT_EQ(j.digita("28112015"), QDate(2015, 11, 28));
    EXPECT_EQ(j.digita("05/03/2015"), QDate(2015, 3, 5));
    EXPECT_EQ(j.digita("5/3/2015"), QDate(2015, 3, 5));
    EXPECT_EQ(j.digita("31/12/2015", QDate(2015, 1, 1)), QDate(2015, 12, 31));
    EXPECT_EQ(j.data->text(), "31/12/2015");
    // Backspace takes back the last digit typed.
    j.data->setDate(QDate(2015, 4, 15));
    janela::foca(j.data);
    QTest::keyClicks(j.data, "01/02/201");
    QTest::keyClick(j.data, Qt::Key_Backspace);
    QTest::keyClicks(j.data, "15");
    EXPECT_EQ(j.data->date(), QDate(2015, 2, 1)); // "0102201" less its last digit, then "15"
    EXPECT_TRUE(j.prompts.shown.empty());
}

TEST(CampoData, AnImpossibleOrUnfinishedDateIsRefusedAndTheEarlierOneStays)
{
    JanelaData j;
    for (const char *impossivel : {"31/02/2015", "31042015", "00/01/2015", "01/13/2015", "01/01/2016"}) {
        j.prompts.clear();
        EXPECT_EQ(j.digita(impossivel), QDate(2015, 4, 15)) << impossivel;
        ASSERT_EQ(j.prompts.shown.size(), 1u) << impossivel;
        EXPECT_EQ(j.prompts.last().kind, "warning");
        EXPECT_TRUE(j.prompts.last().text.startsWith("Data de Emissão da Nota Fiscal inválida")) << impossivel;
    }
    // Leaving in the middle of a date is refused: the typing stays on
    // screen and the focus in the field; Esc gives the earlier date back.
    j.prompts.clear();
    EXPECT_EQ(j.digita("28/"), QDate(2015, 4, 15));
    janela::sai();
    ASSERT_EQ(j.prompts.shown.size(), 1u);
    EXPECT_TRUE(j.prompts.last().text.startsWith("Data de Emissão da Nota Fiscal incompleta: 28"));
    EXPECT_EQ(QApplication::focusWidget(), j.data);
    EXPECT_EQ(j.data->text(), "28");
    EXPECT_FALSE(orva::ui::confirmDate(j.data));
    EXPECT_EQ(j.prompts.shown.size(), 1u) << "one warning for one typing";
    janela::tecla(Qt::Key_Escape);
    EXPECT_EQ(j.data->text(), "15/04/2015");
    EXPECT_TRUE(orva::ui::confirmDate(j.data));
    janela::ativa(&j.w); // Esc also closed the dialog
    // A two-digit year out of the range is refused as such.
    j.prompts.clear();
    EXPECT_EQ(j.digita("01/01/16"), QDate(2015, 4, 15));
    janela::sai();
    ASSERT_EQ(j.prompts.shown.size(), 1u);
    EXPECT_TRUE(j.prompts.last().text.startsWith("Data de Emissão da Nota Fiscal inválida: 01/01/16"));
}

TEST(CampoData, AShortDateIsCompletedAsMeant)
{
    JanelaData j;
    for (const auto &[texto, data] : std::initializer_list<std::pair<const char *, QDate>>{
             {"25/7/15", QDate(2015, 7, 25)}, {"250715", QDate(2015, 7, 25)}, {"5/3", QDate(2015, 3, 5)}}) {
        j.digita(texto);
        janela::sai();
        EXPECT_EQ(j.data->date(), data) << texto;
        EXPECT_EQ(j.data->text(), data.toString("dd/MM/yyyy")) << texto;
    }
    // From the year part: the year alone.
    j.data->setDate(QDate(2015, 4, 15));
    janela::foca(j.data);
    j.data->setCurrentSection(QDateTimeEdit::YearSection);
    QTest::keyClicks(j.data, "15");
    EXPECT_TRUE(orva::ui::confirmDate(j.data));
    EXPECT_EQ(j.data->date(), QDate(2015, 4, 15));
    EXPECT_TRUE(j.prompts.shown.empty()) << j.prompts.texts().join('|').toStdString();
}

TEST(Sobre, EnterClosesTheBox)
{
    ScriptedPrompts prompts;
    TFSobre sobre;
    janela::ativa(&sobre);
    janela::tecla(Qt::Key_Return);
    EXPECT_FALSE(sobre.isVisible());
    EXPECT_EQ(sobre.result(), QDialog::Accepted);
}

TEST(CampoData, OneTabPassesTheDateAndShiftTabBackTypesFromTheDay)
{
    JanelaData j;
    j.data->setDate(QDate(2015, 4, 15));
    janela::foca(j.outro);
    QTest::keyClick(j.outro, Qt::Key_Backtab);
    janela::assenta();
    ASSERT_EQ(QApplication::focusWidget(), j.data);
    // Qt would enter at the year and then walk the parts with Tab.
    QTest::keyClicks(j.data, "25/7/15");
    QTest::keyClick(j.data, Qt::Key_Tab);
    janela::assenta();
    EXPECT_EQ(QApplication::focusWidget(), j.outro);
    EXPECT_EQ(j.data->date(), QDate(2015, 7, 25));
    // Without typing, one Tab and one Shift+Tab pass it too.
    janela::foca(j.data);
    QTest::keyClick(j.data, Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), j.outro);
    janela::foca(j.data);
    QTest::keyClick(j.data, Qt::Key_Backtab);
    EXPECT_NE(QApplication::focusWidget(), j.data);
    EXPECT_TRUE(j.prompts.shown.empty()) << j.prompts.texts().join('|').toStdString();
}
