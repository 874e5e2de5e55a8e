#pragma once
#include <QString>

class QFileDevice;

// What makes a written file durable and puts it in place in one step: the
// data flushed to the disk, the new name itself made to last, the old file
// replaced only by a complete new one. Failures come back through errno.
namespace orva::plataforma {

// Flushes the data of an open file to the disk; false with errno.
bool sincroniza(int descritor);

// The same for a file named by its path; false when it cannot be opened or
// flushed.
bool sincronizaArquivo(const QString &caminho);

// Makes the folder's entries (a name just created or renamed) last. Windows
// keeps them with the file's own metadata: nothing to do there.
void sincronizaPasta(const QString &pasta);

// Starts writing `tamanho` bytes from `inicio` to the disk without waiting,
// so a later sincroniza() has little left to do. Only a hint.
void adiantaGravacao(int descritor, qint64 inicio, qint64 tamanho);

// Read and write for the owner, read for everyone else (a temporary file is
// made for its owner only). Windows files carry no such mode: true there.
bool modoComum(int descritor);

// Gives the complete temporary file `temporario`, with no handle left open
// on it, the name `destino`, replacing in one step a file of that name (a
// link there is replaced, never followed). False with errno; EBUSY when
// another program holds `destino` open and the system will not replace it.
bool substitui(const QString &temporario, const QString &destino);

// substitui() for a temporary file still open (and locked against
// removeSeLivre): where the system renames an open file it stays open and
// locked until it took its name; elsewhere it is closed first.
bool substituiAberto(QFileDevice &temporario, const QString &destino);

} // namespace orva::plataforma
