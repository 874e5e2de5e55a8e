#include "conventions.h"

#include "common/prompts.h"
#include "espaco.h"

#include <QAbstractItemView>
#include <QAbstractSpinBox>
#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QDropEvent>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QPushButton>
#include <QTableView>
#include <QTimer>
#include <QVariant>

namespace orva::ui {
namespace {

constexpr char kKeyPreviewProperty[] = "orvaKeyPreview";
constexpr char kFieldKindProperty[] = "orvaFieldKind";
constexpr char kLeaveWatched[] = "orvaLeaveWatched";
constexpr char kEscapeIgnored[] = "orvaEscapeIgnored";
constexpr char kMatchedOnLeaving[] = "orvaMatchedOnLeaving";
constexpr char kTabOnly[] = "orvaTabOnly";

// focusNextPrevChild() is protected; naming it through a derived class gives
// a pointer that still dispatches to the window's own override.
struct FocusChainAccess : QWidget {
    using QWidget::focusNextPrevChild;
};

void focusNextControl(QWidget *window)
{
    bool (QWidget::*next)(bool) = &FocusChainAccess::focusNextPrevChild;
    (window->*next)(true);
}

// The grid a key was meant for: the receiver itself, or the grid around an
// open cell editor.
QAbstractItemView *gridAround(QWidget *widget, const QWidget *window)
{
    for (QWidget *w = widget; w && w != window; w = w->parentWidget()) {
        if (auto *grid = qobject_cast<QAbstractItemView *>(w))
            return grid;
    }
    return nullptr;
}

// One column right in the same row, wrapping to the first; hidden columns of
// a table are passed over.
void moveToNextColumn(QAbstractItemView *grid)
{
    const QAbstractItemModel *model = grid->model();
    if (!model)
        return;
    const QModelIndex current = grid->currentIndex();
    const QModelIndex parent = current.isValid() ? current.parent() : grid->rootIndex();
    const int columns = model->columnCount(parent);
    if (columns == 0 || model->rowCount(parent) == 0)
        return;
    const auto *table = qobject_cast<const QTableView *>(grid);
    int column = current.isValid() ? current.column() : -1;
    for (int step = 0; step < columns; ++step) {
        column = (column + 1) % columns;
        if (!table || !table->isColumnHidden(column))
            break;
    }
    grid->setCurrentIndex(model->index(current.isValid() ? current.row() : 0, column, parent));
}

bool isEnter(const QKeyEvent *key)
{
    return (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)
        && !(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier));
}

// Watches the whole application, so it sees a key before the control that
// has the focus does, and acts only on keys for its own window.
class KeyPreview : public QObject {
public:
    explicit KeyPreview(QWidget *window) : QObject(window), m_window(window) { qApp->installEventFilter(this); }

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() != QEvent::KeyPress || !isEnter(static_cast<QKeyEvent *>(event)))
            return false;
        auto *target = qobject_cast<QWidget *>(watched);
        if (!target || target->window() != m_window)
            return false;
        if (QAbstractItemView *grid = gridAround(target, m_window)) {
            moveToNextColumn(grid);
            return true;
        }
        // Enter walks the fields: the search buttons and the read-only
        // counters are stops of Tab only.
        QWidget *antes = nullptr;
        do {
            antes = QApplication::focusWidget();
            focusNextControl(m_window);
        } while (QApplication::focusWidget() && QApplication::focusWidget() != antes
                 && QApplication::focusWidget()->property(kTabOnly).toBool());
        return true;
    }

private:
    QWidget *m_window;
};

// --- Field key rules ---

FieldKind kindOf(const QLineEdit *edit) { return static_cast<FieldKind>(edit->property(kFieldKindProperty).toInt()); }

// What a key would type: nothing for shortcuts and control characters
// (Backspace, Enter, Tab, Escape).
QString typedText(const QKeyEvent *key)
{
    if (key->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))
        return {};
    QString text = key->text();
    text.removeIf([](QChar c) { return !c.isPrint(); });
    return text;
}

// An amount that would not fit the field is refused with a message: cut,
// it would be another amount.
bool amountOverflows(const QLineEdit *edit, const QString &text)
{
    if (kindOf(edit) != FieldKind::Amount || text.isEmpty())
        return false;
    const qsizetype after = edit->text().size() - edit->selectedText().size() + text.size();
    if (after <= edit->maxLength())
        return false;
    prompts().beep();
    const QString name = hint(edit).isEmpty() ? QStringLiteral("Valor") : hint(edit);
    prompts().warning(QStringLiteral("%1: o valor não cabe no campo.\nDigite no máximo %2 caracteres, "
                                     "algarismos e a vírgula dos centavos.")
                          .arg(name)
                          .arg(edit->maxLength()));
    return true;
}

// Pastes the clipboard when the field accepts all of it; otherwise beeps.
void pasteChecked(QLineEdit *edit, QClipboard::Mode mode)
{
    if (!acceptsText(kindOf(edit), QGuiApplication::clipboard()->text(mode))) {
        prompts().beep();
        return;
    }
    if (amountOverflows(edit, QGuiApplication::clipboard()->text(mode)))
        return;
    if (mode == QClipboard::Clipboard)
        edit->paste();
    else
        edit->insert(QGuiApplication::clipboard()->text(mode));
}

// The standard menu, with its Paste going through the check.
void showCheckedContextMenu(QLineEdit *edit, const QPoint &globalPos)
{
    QMenu *menu = edit->createStandardContextMenu();
    for (QAction *action : menu->actions()) {
        const bool wasPaste = QObject::disconnect(action, &QAction::triggered, edit, &QLineEdit::paste)
            || QObject::disconnect(action, SIGNAL(triggered()), edit, SLOT(paste()));
        if (wasPaste)
            QObject::connect(action, &QAction::triggered, edit, [edit] { pasteChecked(edit, QClipboard::Clipboard); });
    }
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(globalPos);
}

// Sits on one line edit and refuses the characters its kind does not allow.
class FieldFilter : public QObject {
public:
    using QObject::QObject;

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        auto *edit = static_cast<QLineEdit *>(watched);
        if (edit->isReadOnly())
            return false;
        switch (event->type()) {
        case QEvent::KeyPress: {
            const auto *key = static_cast<QKeyEvent *>(event);
            if (key->matches(QKeySequence::Paste)) {
                pasteChecked(edit, QClipboard::Clipboard);
                return true;
            }
            return refused(edit, typedText(key)) || amountOverflows(edit, typedText(key));
        }
        case QEvent::InputMethod:
            return refused(edit, static_cast<QInputMethodEvent *>(event)->commitString());
        case QEvent::Drop: {
            auto *drop = static_cast<QDropEvent *>(event);
            if (!drop->mimeData()->hasText() || !refused(edit, drop->mimeData()->text()))
                return false;
            drop->ignore();
            return true;
        }
        case QEvent::MouseButtonRelease: {
            // Middle-click pastes the X11 selection.
            const auto *mouse = static_cast<QMouseEvent *>(event);
            if (mouse->button() != Qt::MiddleButton || !QGuiApplication::clipboard()->supportsSelection())
                return false;
            return refused(edit, QGuiApplication::clipboard()->text(QClipboard::Selection));
        }
        case QEvent::ContextMenu:
            if (edit->contextMenuPolicy() != Qt::DefaultContextMenu)
                return false;
            showCheckedContextMenu(edit, static_cast<QContextMenuEvent *>(event)->globalPos());
            return true;
        default:
            return false;
        }
    }

private:
    // Beeps and tells the caller to drop the event when the text holds a
    // character the field does not take.
    static bool refused(const QLineEdit *edit, const QString &text)
    {
        if (text.isEmpty() || acceptsText(kindOf(edit), text))
            return false;
        prompts().beep();
        return true;
    }
};

// Notes when an editable combo box selects an item by itself as the focus
// leaves it (it selects the item whose text equals the one shown): the
// selection seen right after the focus-out is no pick of the user's.
class LeaveMatchWatch : public QObject {
public:
    explicit LeaveMatchWatch(QComboBox *combo) : QObject(combo), m_combo(combo)
    {
        combo->setProperty(kLeaveWatched, true);
        combo->installEventFilter(this);
        combo->lineEdit()->installEventFilter(this);
        // Any later selection is a real one.
        connect(combo, &QComboBox::currentIndexChanged, this, [this] { m_combo->setProperty(kMatchedOnLeaving, false); });
    }

    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::FocusOut && !m_leaving) {
            m_leaving = true;
            const int before = m_combo->currentIndex();
            QTimer::singleShot(0, this, [this, before] {
                m_leaving = false;
                if (m_combo->currentIndex() != before && m_combo->currentIndex() >= 0)
                    m_combo->setProperty(kMatchedOnLeaving, true);
            });
        }
        return false;
    }

private:
    QComboBox *m_combo;
    bool m_leaving = false;
};

// Watches the whole application and drops Esc meant for its window.
class EscapeFilter : public QObject {
public:
    explicit EscapeFilter(QWidget *window) : QObject(window), m_window(window) { qApp->installEventFilter(this); }

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() != QEvent::KeyPress && event->type() != QEvent::ShortcutOverride)
            return false;
        const auto *key = static_cast<QKeyEvent *>(event);
        if (key->key() != Qt::Key_Escape)
            return false;
        auto *target = qobject_cast<QWidget *>(watched);
        return target && target->window() == m_window && event->type() == QEvent::KeyPress;
    }

private:
    QWidget *m_window;
};

} // namespace

void sizeColumnsToContents(QTableView *grid)
{
    if (!grid || !grid->model())
        return;
    QObject::connect(grid->model(), &QAbstractItemModel::modelReset, grid, [grid] {
        QTimer::singleShot(0, grid, [grid] { grid->resizeColumnsToContents(); });
    });
}

void focusFirstField(QWidget *window)
{
    if (!window)
        return;
    QTimer::singleShot(0, window, [window] {
        for (QWidget *w = window->nextInFocusChain(); w && w != window; w = w->nextInFocusChain()) {
            const auto *edit = qobject_cast<QLineEdit *>(w);
            const bool takesTyping = (edit && !edit->isReadOnly()) || qobject_cast<QComboBox *>(w)
                                     || qobject_cast<QAbstractSpinBox *>(w);
            if (takesTyping && w->isEnabled() && w->isVisibleTo(window) && (w->focusPolicy() & Qt::TabFocus)
                && w->window() == window && !qobject_cast<QComboBox *>(w->parentWidget())
                && !qobject_cast<QAbstractSpinBox *>(w->parentWidget())) {
                w->setFocus(Qt::OtherFocusReason);
                return;
            }
        }
    });
}

void ignoreEscape(QWidget *window)
{
    if (!window || window->property(kEscapeIgnored).toBool())
        return;
    window->setProperty(kEscapeIgnored, true);
    new EscapeFilter(window);
}

void installKeyPreview(QWidget *window)
{
    if (!window || window->property(kKeyPreviewProperty).toBool())
        return;
    window->setProperty(kKeyPreviewProperty, true);
    new KeyPreview(window);
}

void disableDefaultButtons(QWidget *window)
{
    if (!window)
        return;
    for (QPushButton *button : window->findChildren<QPushButton *>()) {
        button->setAutoDefault(false);
        button->setDefault(false);
    }
}

void applyWindowConventions(QWidget *window)
{
    installKeyPreview(window);
    disableDefaultButtons(window);
    // Every control is a stop of Tab: the "..." search buttons and the
    // read-only counters too (Enter passes them over).
    for (QWidget *w : window->findChildren<QWidget *>()) {
        if (w->focusPolicy() != Qt::NoFocus)
            continue;
        const auto *button = qobject_cast<QAbstractButton *>(w);
        const auto *edit = qobject_cast<QLineEdit *>(w);
        if ((button && !button->text().isEmpty()) || (edit && edit->isReadOnly())) {
            w->setFocusPolicy(Qt::TabFocus);
            w->setProperty(kTabOnly, true);
        }
    }
    for (QComboBox *combo : window->findChildren<QComboBox *>())
        if (combo->isEditable() && combo->lineEdit() && !combo->property(kLeaveWatched).toBool())
            new LeaveMatchWatch(combo);
    // A long name in a description label is cut with "…", whole in its tool tip.
    for (QLabel *label : window->findChildren<QLabel *>())
        if (tag(label) == 1)
            reticenciasNoRotulo(label);
}

bool matchedOnLeaving(const QComboBox *combo) { return combo && combo->property(kMatchedOnLeaving).toBool(); }

bool acceptsText(FieldKind kind, const QString &text)
{
    for (QChar c : text) {
        const bool digit = c >= QLatin1Char('0') && c <= QLatin1Char('9');
        const bool comma = kind == FieldKind::Amount && c == QLatin1Char(',');
        if (!digit && !comma)
            return false;
    }
    return true;
}

void restrictField(QLineEdit *edit, FieldKind kind)
{
    if (!edit)
        return;
    const bool filtered = edit->property(kFieldKindProperty).isValid();
    edit->setProperty(kFieldKindProperty, static_cast<int>(kind));
    if (!filtered)
        edit->installEventFilter(new FieldFilter(edit));
}

int tag(const QObject *object) { return object ? object->property("tag").toInt() : 0; }

void setTag(QObject *object, int tag)
{
    if (object)
        object->setProperty("tag", tag);
}

QString hint(const QWidget *widget) { return widget ? widget->toolTip() : QString(); }

void markRequired(QWidget *widget, const QString &hint)
{
    if (!widget)
        return;
    setTag(widget, 1);
    widget->setToolTip(hint);
}

} // namespace orva::ui
