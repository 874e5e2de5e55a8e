#include "exithandler.h"

#include <QEvent>
#include <QFocusEvent>
#include <QPointer>
#include <QTimer>
#include <QWidget>

namespace orva::ui {
namespace {

// One exit handler at a time in the whole program: a handler that shows a
// box or moves the focus must not trigger another.
bool g_running = false;

class ExitFilter : public QObject {
public:
    ExitFilter(QWidget *field, std::function<void()> handler) : QObject(field), m_handler(std::move(handler)) {}

    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() != QEvent::FocusOut || g_running)
            return false;
        switch (static_cast<QFocusEvent *>(event)->reason()) {
        case Qt::TabFocusReason:
        case Qt::BacktabFocusReason:
        case Qt::MouseFocusReason:
        case Qt::OtherFocusReason:
            break;
        default:
            return false;
        }
        g_running = true;
        try {
            m_handler();
        } catch (...) {
            g_running = false;
            throw;
        }
        g_running = false;
        return false;
    }

private:
    std::function<void()> m_handler;
};

} // namespace

void onExit(QWidget *field, std::function<void()> handler)
{
    field->installEventFilter(new ExitFilter(field, std::move(handler)));
}

void focusLater(QWidget *field)
{
    QPointer<QWidget> target(field);
    QTimer::singleShot(0, field, [target] {
        if (target)
            target->setFocus(Qt::OtherFocusReason);
    });
}

} // namespace orva::ui
