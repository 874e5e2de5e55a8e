#pragma once

class QWidget;

// What was typed in an entry window is not thrown away by the title bar's
// close button or Alt+F4 without asking.
namespace orva::ui {

// Watches the window: typing, pasting or deleting in its fields, picking in
// its lists and toggling its options mark it changed. Closing it from the
// title bar (or Alt+F4) while changed asks "Descartar as alterações?", No
// being the default; No keeps the window open with what was typed.
void guardTypedChanges(QWidget *window);

// What the window calls where nothing typed is pending any more: after a
// save or a delete, on "Novo", when a stored row was loaded.
void markUnchanged(QWidget *window);

// Whether the window holds typing not saved.
bool hasTypedChanges(const QWidget *window);

} // namespace orva::ui
