#include "support/scripted_prompts.h"

#include "support/temp_program.h"

#include "common/focovisivel.h"
#include "ui/shell/conventions.h"
#include "ui/shell/querymodel.h"
#include "ui/shell/funcoes.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDateEdit>
#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QSignalSpy>
#include <QHeaderView>
#include <QTableWidget>
#include <QTest>
#include <QVBoxLayout>

#include <gtest/gtest.h>

#include <memory>

using namespace orva::ui;

namespace {

// A small entry window, its controls created (and so tabbed) in this order.
struct EntryWindow {
    QDialog dialog;
    QVBoxLayout *layout = new QVBoxLayout(&dialog);
    QLineEdit *edtCodigo = add(new QLineEdit(&dialog));
    QLabel *lblDescricao = add(new QLabel(QStringLiteral("Descrição"), &dialog));
    QLabel *lblTitulo = add(new QLabel(QStringLiteral("Código:"), &dialog));
    QGroupBox *grupo = add(new QGroupBox(&dialog));
    QLineEdit *edtNome = new QLineEdit(grupo);
    QLineEdit *edtValor = add(new QLineEdit(&dialog));
    QLineEdit *edtCep = add(new QLineEdit(&dialog));
    QComboBox *cmbTipo = add(new QComboBox(&dialog));
    QComboBox *cmbMunicipio = add(new QComboBox(&dialog));
    QDateEdit *dtpData = add(new QDateEdit(QDate(2015, 3, 5), &dialog));
    QTableWidget *DBGrid1 = add(new QTableWidget(2, 3, &dialog));
    QPushButton *btnSalvar = add(new QPushButton(QStringLiteral("&Salvar"), &dialog));
    QPushButton *btnFechar = add(new QPushButton(QStringLiteral("&Fechar"), &dialog));

    EntryWindow()
    {
        (new QVBoxLayout(grupo))->addWidget(edtNome);
        markRequired(edtCodigo, QStringLiteral("Código"));
        makeDigitField(edtCodigo);
        setTag(lblDescricao, 1);
        markRequired(edtNome, QStringLiteral("Nome"));
        makeAmountField(edtValor);
        edtCep->setInputMask(QStringLiteral("99999-999;_"));
        markRequired(edtCep, QStringLiteral("CEP"));
        cmbTipo->addItems({QStringLiteral("Entrada"), QStringLiteral("Saída")});
        cmbTipo->setCurrentIndex(-1);
        markRequired(cmbTipo, QStringLiteral("Tipo"));
        cmbMunicipio->setEditable(true);
        cmbMunicipio->addItems({QStringLiteral("Vitória"), QStringLiteral("Serra")});
        cmbMunicipio->setCurrentIndex(-1);
        applyWindowConventions(&dialog);
        QObject::connect(btnSalvar, &QPushButton::clicked, &dialog, &QDialog::accept);
        dialog.show();
        QApplication::setActiveWindow(&dialog);
        EXPECT_TRUE(QTest::qWaitForWindowActive(&dialog));
    }

    template <typename W> W *add(W *widget)
    {
        layout->addWidget(widget);
        return widget;
    }

    void focus(QWidget *widget)
    {
        widget->setFocus(Qt::OtherFocusReason);
        ASSERT_EQ(QApplication::focusWidget(), widget);
    }

    void enter() { QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return); }

    void fillRequired()
    {
        edtCodigo->setText(QStringLiteral("12"));
        edtNome->setText(QStringLiteral("Ana"));
        edtCep->setText(QStringLiteral("29000000"));
        cmbTipo->setCurrentIndex(0);
    }
};

} // namespace

TEST(Conventions, EnterMovesToTheNextControlAndNeverPressesAButton)
{
    ScriptedPrompts prompts;
    EntryWindow w;
    QSignalSpy saved(w.btnSalvar, &QPushButton::clicked);

    w.focus(w.edtCodigo);
    w.edtCodigo->setText(QStringLiteral("7"));
    w.enter();
    EXPECT_EQ(QApplication::focusWidget(), w.edtNome) << "into the group box, in creation order";
    QTest::keyClick(w.edtNome, Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_EQ(QApplication::focusWidget(), w.edtValor);
    EXPECT_EQ(w.edtCodigo->text(), QStringLiteral("7"));

    w.focus(w.dtpData);
    w.enter();
    EXPECT_EQ(QApplication::focusWidget(), w.DBGrid1);
    EXPECT_EQ(w.dtpData->date(), QDate(2015, 3, 5));

    // On a button Enter moves on too; neither the focused nor a default
    // button is pressed and the dialog stays open.
    EXPECT_FALSE(w.btnSalvar->autoDefault() || w.btnSalvar->isDefault());
    w.focus(w.btnSalvar);
    w.enter();
    EXPECT_EQ(QApplication::focusWidget(), w.btnFechar);
    w.focus(w.edtValor);
    w.enter();
    EXPECT_EQ(saved.count(), 0);
    EXPECT_TRUE(w.dialog.isVisible());
    EXPECT_EQ(prompts.beeps, 0);
}

TEST(Conventions, EnterInAGridMovesOneColumnRightAndWraps)
{
    EntryWindow w;
    QTableWidget *grid = w.DBGrid1;
    grid->setItem(0, 0, new QTableWidgetItem(QStringLiteral("a")));
    grid->setCurrentCell(1, 1);
    w.focus(grid);

    w.enter();
    EXPECT_EQ(grid->currentIndex(), grid->model()->index(1, 2));
    w.enter();
    EXPECT_EQ(grid->currentIndex(), grid->model()->index(1, 0)) << "wraps within the row";
    grid->setColumnHidden(1, true);
    w.enter();
    EXPECT_EQ(grid->currentIndex(), grid->model()->index(1, 2)) << "a hidden column is passed over";
    EXPECT_EQ(QApplication::focusWidget(), grid);

    // Enter in an open cell editor keeps the typed value and moves on.
    grid->setCurrentCell(0, 0);
    grid->editItem(grid->item(0, 0));
    QWidget *editor = QApplication::focusWidget();
    ASSERT_NE(editor, grid);
    QTest::keyClick(editor, Qt::Key_End);
    QTest::keyClicks(editor, QStringLiteral("bc"));
    QTest::keyClick(editor, Qt::Key_Return);
    EXPECT_EQ(grid->currentIndex(), grid->model()->index(0, 2));
    EXPECT_EQ(grid->item(0, 0)->text(), QStringLiteral("abc"));
}

TEST(Conventions, DigitAndAmountFieldsDropOtherTypedKeysWithABeep)
{
    ScriptedPrompts prompts;
    EntryWindow w;

    w.focus(w.edtCodigo);
    QTest::keyClicks(w.edtCodigo, QStringLiteral("1a2"));
    EXPECT_EQ(w.edtCodigo->text(), QStringLiteral("12"));
    EXPECT_EQ(prompts.beeps, 1);
    QTest::keyClicks(w.edtCodigo, QStringLiteral(", -"));
    EXPECT_EQ(w.edtCodigo->text(), QStringLiteral("12"));
    EXPECT_EQ(prompts.beeps, 4);

    // Keys that type nothing pass untouched.
    QTest::keyClick(w.edtCodigo, Qt::Key_Backspace);
    EXPECT_EQ(w.edtCodigo->text(), QStringLiteral("1"));
    QTest::keyClick(w.edtCodigo, Qt::Key_Home);
    QTest::keyClick(w.edtCodigo, Qt::Key_Delete);
    QTest::keyClick(w.edtCodigo, Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(w.edtCodigo->text(), QString());
    EXPECT_EQ(prompts.beeps, 4);

    w.focus(w.edtValor);
    QTest::keyClicks(w.edtValor, QStringLiteral("1,5x."));
    EXPECT_EQ(w.edtValor->text(), QStringLiteral("1,5"));
    EXPECT_EQ(prompts.beeps, 6);

    // Fields without a rule take anything.
    w.focus(w.edtNome);
    QTest::keyClicks(w.edtNome, QStringLiteral("Ana 1,"));
    EXPECT_EQ(w.edtNome->text(), QStringLiteral("Ana 1,"));
    EXPECT_EQ(prompts.beeps, 6);
}

TEST(Conventions, PastedOrDroppedTextIsRefusedWholeUnlessAllAllowed)
{
    ScriptedPrompts prompts;
    EntryWindow w;
    QClipboard *clipboard = QGuiApplication::clipboard();
    w.focus(w.edtCodigo);
    w.edtCodigo->setText(QStringLiteral("9"));

    clipboard->setText(QStringLiteral("12a3"));
    QTest::keyClick(w.edtCodigo, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(w.edtCodigo->text(), QStringLiteral("9"));
    EXPECT_EQ(prompts.beeps, 1);

    clipboard->setText(QStringLiteral("123"));
    QTest::keyClick(w.edtCodigo, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(w.edtCodigo->text(), QStringLiteral("9123"));

    clipboard->setText(QStringLiteral("1.234,56"));
    w.focus(w.edtValor);
    QTest::keyClick(w.edtValor, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(w.edtValor->text(), QString());
    clipboard->setText(QStringLiteral("1234,56"));
    QTest::keyClick(w.edtValor, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(w.edtValor->text(), QStringLiteral("1234,56"));
    EXPECT_EQ(prompts.beeps, 2);

    QMimeData dragged;
    dragged.setText(QStringLiteral("7 8"));
    QDragEnterEvent enter(QPoint(2, 2), Qt::CopyAction, &dragged, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(w.edtCodigo, &enter);
    QDropEvent drop(QPointF(2, 2), Qt::CopyAction, &dragged, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(w.edtCodigo, &drop);
    EXPECT_EQ(w.edtCodigo->text(), QStringLiteral("9123"));
    EXPECT_EQ(prompts.beeps, 3);

    // The Paste of the field's context menu is checked the same way.
    clipboard->setText(QStringLiteral("4a"));
    QContextMenuEvent menuRequest(QContextMenuEvent::Mouse, QPoint(2, 2), w.edtCodigo->mapToGlobal(QPoint(2, 2)));
    QApplication::sendEvent(w.edtCodigo, &menuRequest);
    auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
    ASSERT_NE(menu, nullptr);
    const QString pasteShortcut = QKeySequence(QKeySequence::Paste).toString(QKeySequence::NativeText);
    QAction *paste = nullptr;
    for (QAction *action : menu->actions())
        if (action->text().endsWith(QLatin1Char('\t') + pasteShortcut))
            paste = action;
    ASSERT_NE(paste, nullptr);
    paste->trigger();
    menu->close();
    EXPECT_EQ(w.edtCodigo->text(), QStringLiteral("9123"));
    EXPECT_EQ(prompts.beeps, 4);

    // Code may still show any text: a grouped amount, a padded code.
    w.edtValor->setText(QStringLiteral("1.234,56"));
    EXPECT_EQ(w.edtValor->text(), QStringLiteral("1.234,56"));
    EXPECT_EQ(prompts.beeps, 4);
}

TEST(Conventions, LimpaCamposClearsEditsSelectionsAndDescriptionLabelsOnly)
{
    EntryWindow w;
    w.fillRequired();
    w.edtCodigo->setReadOnly(true);
    w.lblDescricao->setText(QStringLiteral("Vitória"));
    w.dtpData->setDate(QDate(2015, 12, 31));
    w.cmbMunicipio->setEditText(QStringLiteral("Cariacica")); // typed, not picked
    w.DBGrid1->setItem(0, 0, new QTableWidgetItem(QStringLiteral("linha")));

    Funcoes::LimpaCampos(&w.dialog);

    EXPECT_EQ(w.edtCodigo->text(), QString()) << "read-only edits too";
    EXPECT_EQ(w.edtNome->text(), QString());
    EXPECT_EQ(Funcoes::VerificaCampos(&w.dialog), QStringLiteral("Código"));
    EXPECT_EQ(w.edtCep->displayText(), QStringLiteral("_____-___"));
    EXPECT_EQ(w.lblDescricao->text(), QString());
    EXPECT_EQ(w.lblTitulo->text(), QStringLiteral("Código:")) << "untagged labels stay";
    EXPECT_EQ(w.cmbTipo->currentIndex(), -1);
    EXPECT_EQ(w.cmbTipo->currentText(), QString());
    EXPECT_EQ(w.cmbMunicipio->currentText(), QStringLiteral("Cariacica"));
    EXPECT_EQ(w.dtpData->date(), QDate(2015, 12, 31));
    EXPECT_EQ(w.DBGrid1->item(0, 0)->text(), QStringLiteral("linha"));

    // A picked item of an editable combo goes with its text.
    w.cmbMunicipio->setCurrentIndex(1);
    Funcoes::LimpaCampos(&w.dialog);
    EXPECT_EQ(w.cmbMunicipio->currentIndex(), -1);
    EXPECT_EQ(w.cmbMunicipio->currentText(), QString());
}

TEST(Conventions, VerificaCamposNamesTheFirstEmptyRequiredFieldInCreationOrder)
{
    EntryWindow w;
    EXPECT_EQ(Funcoes::VerificaCampos(&w.dialog), QStringLiteral("Código"));

    // The edit inside the group box was created before the later fields.
    w.edtCodigo->setText(QStringLiteral("1"));
    EXPECT_EQ(Funcoes::VerificaCampos(&w.dialog), QStringLiteral("Nome"));

    // Nothing but the mask's separators counts as empty; a part filled does not.
    w.edtNome->setText(QStringLiteral("Ana"));
    EXPECT_EQ(Funcoes::VerificaCampos(&w.dialog), QStringLiteral("CEP"));
    w.edtCep->setText(QStringLiteral("29"));
    EXPECT_EQ(Funcoes::VerificaCampos(&w.dialog), QStringLiteral("Tipo"));

    w.cmbTipo->setCurrentIndex(1);
    EXPECT_EQ(Funcoes::VerificaCampos(&w.dialog), QString());

    // Untagged empty fields never count.
    w.edtValor->clear();
    w.cmbMunicipio->setEditText(QString());
    EXPECT_EQ(Funcoes::VerificaCampos(&w.dialog), QString());
}

TEST(Conventions, FocusIsDrawnPlainlyOnButtonsAndGridColumnsFitTheirContent)
{
    // A focused button shows a frame in the highlight colour; an unfocused one does not.
    orva::FocoVisivel estilo(QStringLiteral("fusion"));
    QDialog janela;
    auto *layout = new QVBoxLayout(&janela);
    auto *botao = new QPushButton(QStringLiteral("Excluir"), &janela);
    auto *outro = new QPushButton(QStringLiteral("Fechar"), &janela);
    layout->addWidget(botao);
    layout->addWidget(outro);
    botao->setStyle(&estilo);
    outro->setStyle(&estilo);
    janela.show();
    QApplication::setActiveWindow(&janela);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&janela));
    botao->setFocus(Qt::TabFocusReason);
    QApplication::processEvents();
    const QColor realce = botao->palette().color(QPalette::Highlight);
    const auto pixelsDeRealce = [&](QWidget *w) {
        const QImage imagem = w->grab().toImage();
        int n = 0;
        for (int y = 0; y < imagem.height(); ++y)
            for (int x = 0; x < imagem.width(); ++x)
                n += imagem.pixelColor(x, y) == realce;
        return n;
    };
    EXPECT_GT(pixelsDeRealce(botao), 2 * (botao->width() + botao->height()));
    EXPECT_LT(pixelsDeRealce(outro), botao->width());

    // A grid over a query: a 14-digit registration and its header are shown whole.
    TempProgram program;
    orva::db::Command cmd(program.connection());
    cmd.setCommandText(QStringLiteral("Insert into Empresa (Inscricao, Razao, Tipo_Declara, Municipio) Values "
                                      "('00000007770001', 'X', '0', '110001')"));
    cmd.execute();
    orva::db::Query q(program.connection());
    q.setSql(QStringLiteral("Select Inscricao as [InscEst Declarante], Razao From Empresa"));
    q.open();
    QTableView grade;
    QueryTableModel modelo;
    grade.setModel(&modelo);
    orva::ui::sizeColumnsToContents(&grade);
    modelo.setQuery(&q);
    grade.show();
    QApplication::processEvents();
    const QFontMetrics fm(grade.font());
    EXPECT_GE(grade.columnWidth(0), fm.horizontalAdvance(QStringLiteral("00000007770001")));
    EXPECT_GE(grade.columnWidth(0), QFontMetrics(grade.horizontalHeader()->font()).horizontalAdvance(QStringLiteral("InscEst Declarante")));
    modelo.setQuery(nullptr);
}
