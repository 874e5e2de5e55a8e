#pragma once

// A program started from a window (the delivery client from the export
// window) learns that window's id from this variable, and keeps its own
// main window above it as a dialog of it, so the opener never covers it.
namespace orva {

constexpr char kJanelaDona[] = "ORVA_JANELA_DONA";

} // namespace orva
