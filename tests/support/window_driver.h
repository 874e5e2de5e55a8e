#pragma once
// Drives a real window as the user does: focus, typing, Tab, Enter, Esc, clicks.
#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QCloseEvent>
#include <QSpontaneKeyEvent>
#include <QTest>

#include <gtest/gtest.h>

namespace janela {

// Lets queued focus moves and timers of zero run.
inline void assenta()
{
    for (int i = 0; i < 3; ++i)
        QCoreApplication::processEvents();
}

// Shows the window and makes it the active one, so focus moves happen.
inline void ativa(QWidget *w)
{
    w->show();
    QApplication::setActiveWindow(w);
    EXPECT_TRUE(QTest::qWaitForWindowActive(w));
    assenta();
}

inline void foca(QWidget *w)
{
    w->setFocus(Qt::OtherFocusReason);
    assenta();
}

// Types over the field's text.
inline void digita(QWidget *w, const QString &texto)
{
    foca(w);
    if (auto *edit = qobject_cast<QLineEdit *>(w))
        edit->selectAll();
    if (auto *combo = qobject_cast<QComboBox *>(w); combo && combo->lineEdit())
        combo->lineEdit()->selectAll();
    QTest::keyClicks(w, texto);
}

// As digita, for any text: an accented letter is typed by a key that
// carries it (QTest's own key table knows only ASCII).
inline void digitaTexto(QWidget *w, const QString &texto)
{
    digita(w, QString());
    for (const QChar c : texto) {
        if (c.unicode() < 128)
            QTest::keyClick(w, c.toLatin1());
        else
            QTest::sendKeyEvent(QTest::Click, w, Qt::Key_unknown, QString(c), Qt::NoModifier);
    }
}

// A key on whatever has the focus.
inline void tecla(Qt::Key key)
{
    QWidget *alvo = QApplication::focusWidget();
    EXPECT_NE(alvo, nullptr);
    if (alvo)
        QTest::keyClick(alvo, key);
    assenta();
}

inline void sai() { tecla(Qt::Key_Tab); }

// Types over the field's text and leaves it with Tab, as the user fills a field.
inline void preenche(QWidget *w, const QString &texto)
{
    digita(w, texto);
    sai();
}

// The title bar's close button or Alt+F4: the window system's close, which
// the window may refuse. True when the window closed.
inline bool fechaPelaBarra(QWidget *w)
{
    QCloseEvent fechar;
    QSpontaneKeyEvent::setSpontaneous(&fechar); // as the window system sends it
    qApp->notify(w, &fechar); // sendEvent() would take the flag away
    assenta();
    return !w->isVisible();
}

inline void clica(QAbstractButton *b)
{
    QTest::mouseClick(b, Qt::LeftButton);
    assenta();
}

} // namespace janela
