#pragma once
#include <QString>

// An advisory lock that a file being written holds on itself, so another run
// that clears leftover temporary files leaves it alone.
namespace orva::plataforma {

// Takes the exclusive lock of an open file, released when it is closed.
// With `espera` false it does not wait: false at once when another holds it.
// The lock keeps no one from reading or writing the file's data.
bool trava(int descritor, bool espera);

// Removes the file at `caminho` unless another process holds its lock (or,
// on Windows, holds it open) or it is a link; a link is left as it is.
void removeSeLivre(const QString &caminho);

} // namespace orva::plataforma
