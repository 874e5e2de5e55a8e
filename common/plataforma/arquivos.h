#pragma once
#include <QString>

// Files by descriptor, for the writes whose failure must name its cause: a
// descriptor of the C library (the same kind QFileDevice::handle() gives),
// failures reported through errno on both systems, so orva::causaDaFalha
// can tell a full disk from a missing permission.
namespace orva::plataforma {

// Creates `caminho` for writing; fails (EEXIST) when it already exists.
// Read and write for the owner, read for everyone else. The descriptor is
// not inherited by programs started from here. -1 with errno on failure.
int criaExclusivo(const QString &caminho);

// Creates a new file from `modelo`, whose last six characters "XXXXXX" are
// replaced by ones that make a free name, for reading and writing, readable
// by its owner only. `modelo` receives the name made. -1 with errno on failure.
int criaTemporario(QString &modelo);

// Writes all of `dados`; false with errno on failure.
bool gravaTudo(int descritor, const char *dados, qint64 tamanho);

// Reads up to `tamanho` bytes: how many, 0 at the end, -1 with errno.
qint64 le(int descritor, char *destino, qint64 tamanho);

// Back to the first byte; false with errno on failure.
bool voltaAoInicio(int descritor);

// Closes the descriptor; false with errno when the close itself failed.
bool fecha(int descritor);

// Whether `caminho` is a regular file (after links): a FIFO, a device or a
// folder is not.
bool arquivoComum(const QString &caminho);

} // namespace orva::plataforma
