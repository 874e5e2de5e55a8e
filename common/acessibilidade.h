#pragma once

class QWidget;

// What a screen reader says of each control: its own name, never the group
// box's title nor a bare "text".
namespace orva {

// Names the window's controls that have no accessible name yet: a field by
// its label (the label whose buddy it is, else the label on its left or just
// above it, which becomes its buddy), else by its hint (tool tip); where two
// fields would share a name, the hint or the group box's title tells them
// apart. A button by its caption (its hint when the caption is "..." or
// none), a list, grid or text area by its group box or tab page, its hint
// or the window.
// A description label beside a field (tag 1) is read with the field as its
// description. Running it again names only what is new.
void nomeiaControles(QWidget *janela);

// Runs nomeiaControles for every window the program shows, when it shows.
void instalaNomesAcessiveis();

} // namespace orva
