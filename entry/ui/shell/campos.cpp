// Clearing a window and checking its required fields.
#include "campos.h"

#include "conventions.h"
#include "descarte.h"

#include <QAbstractSpinBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QScrollArea>

namespace {

// Controls built from inner widgets of their own (the line edit inside a
// combo box or a date picker, the cell editors of a grid, the viewport of a
// text box) are one field each: their insides are not fields of the window.
bool isCompoundControl(const QWidget *widget)
{
    if (qobject_cast<const QComboBox *>(widget) || qobject_cast<const QAbstractSpinBox *>(widget)
        || qobject_cast<const QLineEdit *>(widget))
        return true;
    return qobject_cast<const QAbstractScrollArea *>(widget) && !qobject_cast<const QScrollArea *>(widget);
}

// The window's fields in creation order: depth first, each widget before its
// children, without entering compound controls or other windows.
void collectFields(const QWidget *parent, QList<QWidget *> &fields)
{
    for (QObject *child : parent->children()) {
        auto *widget = qobject_cast<QWidget *>(child);
        if (!widget || widget->isWindow())
            continue;
        fields.append(widget);
        if (!isCompoundControl(widget))
            collectFields(widget, fields);
    }
}

QList<QWidget *> fieldsOf(const QWidget *window)
{
    QList<QWidget *> fields;
    if (window)
        collectFields(window, fields);
    return fields;
}

// A masked edit holding nothing but its separators counts as empty.
bool isEmpty(const QLineEdit *edit)
{
    if (edit->inputMask().isEmpty())
        return edit->text().isEmpty();
    QLineEdit blank;
    blank.setInputMask(edit->inputMask());
    return edit->text() == blank.text();
}

} // namespace

namespace Funcoes {

void LimpaCampos(QWidget *janela)
{
    orva::ui::markUnchanged(janela); // nothing typed is left to lose
    for (QWidget *field : fieldsOf(janela)) {
        if (auto *edit = qobject_cast<QLineEdit *>(field)) {
            edit->clear();
        } else if (auto *combo = qobject_cast<QComboBox *>(field)) {
            // Unselecting a list item also empties the text it put there; a
            // text typed or set without a selection stays. An editable box
            // selects the item equal to its text by itself when the focus
            // passes through it: that is no pick, and its text stays.
            if (combo->isEditable() && orva::ui::matchedOnLeaving(combo)) {
                const QString texto = combo->currentText();
                combo->setCurrentIndex(-1);
                combo->setEditText(texto);
            } else if (combo->currentIndex() >= 0) {
                combo->setCurrentIndex(-1);
            }
        } else if (auto *label = qobject_cast<QLabel *>(field)) {
            if (orva::ui::tag(label) == 1)
                label->setText(QString());
        }
    }
}

QString VerificaCampos(QWidget *janela)
{
    for (QWidget *field : fieldsOf(janela)) {
        if (orva::ui::tag(field) != 1)
            continue;
        if (auto *edit = qobject_cast<QLineEdit *>(field); edit && isEmpty(edit))
            return orva::ui::hint(edit);
        if (auto *combo = qobject_cast<QComboBox *>(field); combo && combo->currentText().isEmpty())
            return orva::ui::hint(combo);
    }
    return {};
}

} // namespace Funcoes
