#pragma once
#include <QString>

class QObject;
class QWidget;
class QLineEdit;
class QComboBox;
class QTableView;

// Behaviour every entry window shares: Enter moves on, digit-only and amount
// fields, the `tag` marking of required fields and description labels.
namespace orva::ui {

// --- Keyboard ---------------------------------------------------------------

// Lets the window see every key before its controls. Enter (or the keypad's
// Enter) in a grid moves its current cell one column right, wrapping to the
// first column of the same row; anywhere else the key is swallowed and the
// focus moves to the next control in tab order that is not a stop of Tab
// only (see applyWindowConventions). Installing twice is harmless.
void installKeyPreview(QWidget *window);

// Turns `default` and `autoDefault` off on every push button of the window,
// so that Enter never presses a button of a dialog.
void disableDefaultButtons(QWidget *window);

// Both of the above, the watch on editable combo boxes below and "…" in
// description labels too long for their room; buttons and read-only fields
// left out of the focus become stops of Tab only. What an entry window calls
// once its controls exist.
void applyWindowConventions(QWidget *window);

// Sizes the grid's columns to their content, headers included, each time its
// model is filled anew (the first rows read decide).
void sizeColumnsToContents(QTableView *grid);

// Puts the focus on the window's first enabled field that takes typing
// (line edit, combo box, date picker) in tab order, once the window shows.
void focusFirstField(QWidget *window);

// For windows that only their "Fechar" button closes: Esc is swallowed, so
// what was typed is never thrown away by a stray key. Popups of the window
// (an open list, a calendar) still close with Esc.
void ignoreEscape(QWidget *window);

// Whether an editable combo box of such a window has its list item selected
// only because the focus left it with a text equal to that item (Qt then
// selects the item by itself): the user picked nothing.
bool matchedOnLeaving(const QComboBox *combo);

// --- Field key rules --------------------------------------------------------

enum class FieldKind {
    Digits, // codes, registrations, CNPJ/CPF, protocol numbers: 0-9 only
    Amount, // values: 0-9 and the decimal comma
};

// Restricts what the user can type, paste or drop into the field. A typed
// character outside the kind beeps and is dropped; pasted or dropped text
// with any such character is refused whole, with one beep. Keys that type
// nothing (Backspace, Delete, arrows, Enter, Tab, shortcuts) pass untouched,
// and setText() from code is never restricted. An amount typed or pasted
// beyond the field's maximum length is refused with a warning naming the
// field (its hint): cut, it would be another amount.
void restrictField(QLineEdit *edit, FieldKind kind);
inline void makeDigitField(QLineEdit *edit) { restrictField(edit, FieldKind::Digits); }
inline void makeAmountField(QLineEdit *edit) { restrictField(edit, FieldKind::Amount); }

// True when every character of the text may be typed into a field of the kind.
bool acceptsText(FieldKind kind, const QString &text);

// --- Tag and hint -----------------------------------------------------------

// The `tag` dynamic property: 1 marks a required field, or a description
// label that is emptied with the window. In a form file:
//   <property name="tag" stdset="0"><number>1</number></property>
// 0 when absent.
int tag(const QObject *object);
void setTag(QObject *object, int tag);

// The field's hint (its tool tip): names the field in the missing-field message.
QString hint(const QWidget *widget);

// Marks a field as required and gives the hint that names it.
void markRequired(QWidget *widget, const QString &hint);

} // namespace orva::ui
