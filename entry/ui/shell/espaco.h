#pragma once
#include <Qt>

class QLabel;
class QWidget;

// Windows laid out at fixed places that still use the room they are given.
namespace orva::ui {

// The widget takes the room its window gains over the size it was designed
// at, in the directions given: a grid or a report grows with the window, and
// so does each container between it and the window. A window smaller than
// designed leaves everything where it was designed.
void cresceComAJanela(QWidget *widget, Qt::Orientations direcoes);

// The label shows what fits of its text with "…" where it is cut, and then
// holds the whole text in its tool tip; text() stays whole (what the window
// and a screen reader read).
void reticenciasNoRotulo(QLabel *rotulo);

} // namespace orva::ui
