#pragma once
#include <functional>

class QWidget;

namespace orva::ui {

// Runs `handler` when the focus leaves `field` for another control of its
// window (Tab, Shift+Tab, a click, Enter or code moving it). Focus lost to
// another window, such as a message box, does not count, and a handler never
// runs again while it is running, so one invalid field cannot open boxes
// without end.
void onExit(QWidget *field, std::function<void()> handler);

// Puts the focus back on `field` once the current event is over: what an
// exit handler does to keep the user on an invalid field.
void focusLater(QWidget *field);

} // namespace orva::ui
