#include "descarte.h"

#include "common/prompts.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAbstractSpinBox>
#include <QApplication>
#include <QComboBox>
#include <QEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextEdit>

namespace orva::ui {
namespace {

constexpr char kMudou[] = "orvaTypedChanges";
constexpr char kGuardada[] = "orvaGuardTyping";

bool editavel(const QWidget *w)
{
    if (const auto *edit = qobject_cast<const QLineEdit *>(w))
        return !edit->isReadOnly();
    if (const auto *spin = qobject_cast<const QAbstractSpinBox *>(w))
        return !spin->isReadOnly();
    if (const auto *texto = qobject_cast<const QPlainTextEdit *>(w))
        return !texto->isReadOnly();
    if (const auto *texto = qobject_cast<const QTextEdit *>(w))
        return !texto->isReadOnly();
    return qobject_cast<const QComboBox *>(w) || qobject_cast<const QAbstractItemView *>(w);
}

// A key that changes a field's text: a character, Backspace, Delete, paste or cut.
bool mudaTexto(const QKeyEvent *key)
{
    if (key->matches(QKeySequence::Paste) || key->matches(QKeySequence::Cut))
        return true;
    if (key->key() == Qt::Key_Backspace || key->key() == Qt::Key_Delete)
        return true;
    if (key->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))
        return false;
    const QString texto = key->text();
    return !texto.isEmpty() && texto.at(0).isPrint();
}

class Guarda : public QObject {
public:
    explicit Guarda(QWidget *window) : QObject(window), m_window(window)
    {
        qApp->installEventFilter(this);
        window->installEventFilter(this);
        for (QAbstractButton *botao : window->findChildren<QAbstractButton *>())
            if (botao->isCheckable())
                connect(botao, &QAbstractButton::clicked, this, [this] { marca(); });
        for (QComboBox *combo : window->findChildren<QComboBox *>())
            connect(combo, &QComboBox::activated, this, [this] { marca(); });
    }

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched == m_window && event->type() == QEvent::Close)
            return !podeFechar(event);
        if (event->type() != QEvent::KeyPress)
            return false;
        auto *alvo = qobject_cast<QWidget *>(watched);
        if (!alvo || alvo->window() != m_window || !mudaTexto(static_cast<QKeyEvent *>(event)))
            return false;
        for (QWidget *w = alvo; w && w != m_window; w = w->parentWidget())
            if (editavel(w)) {
                marca();
                break;
            }
        return false;
    }

private:
    void marca() { m_window->setProperty(kMudou, true); }

    // False when the user keeps the window.
    bool podeFechar(QEvent *event)
    {
        // Only the window system's close (title bar, Alt+F4): "Fechar" closes
        // the dialog too, on purpose.
        if (!m_window->property(kMudou).toBool() || !event->spontaneous())
            return true;
        if (prompts().question(QStringLiteral("Descartar as alterações?"),
                               QStringLiteral("O que foi digitado nesta janela ainda não foi gravado.\n"
                                              "Fechar a janela e descartar as alterações?"),
                               Prompts::Icon::Warning, Prompts::Button::No)) {
            markUnchanged(m_window);
            return true;
        }
        event->ignore();
        return false;
    }

    QWidget *m_window;
};

} // namespace

void guardTypedChanges(QWidget *window)
{
    if (!window || window->property(kGuardada).toBool())
        return;
    window->setProperty(kGuardada, true);
    new Guarda(window);
}

void markUnchanged(QWidget *window)
{
    if (window)
        window->setProperty(kMudou, false);
}

bool hasTypedChanges(const QWidget *window) { return window && window->property(kMudou).toBool(); }

} // namespace orva::ui
