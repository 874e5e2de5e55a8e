#pragma once
#include <QString>

class QWidget;

// Clearing a window and checking its required fields (tag 1).
namespace Funcoes {

// Clears the window's edits, combo selections and description labels; the
// window then holds no typing to lose (markUnchanged).
void LimpaCampos(QWidget *janela);
// Hint of the first empty required field (tag 1), or empty text.
QString VerificaCampos(QWidget *janela);

} // namespace Funcoes
