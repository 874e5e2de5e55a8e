#pragma once
// What the tests do to the system beneath the programs (limits, small disks,
// FIFOs, stopped processes). Windows has no equivalent of most of it: the
// cases that need it ask emWindows() and skip there.
#include <QByteArray>
#include <QString>

class QProcess;

namespace sistema {

bool emWindows();

// Running as the administrator (root), who writes anywhere and may mount.
bool administrador();

// Caps the size of any file the process started by `processo` writes: the
// write at that byte fails with EFBIG. Does nothing on Windows.
void limitaArquivos(QProcess &processo, qint64 bytes);

// A tmpfs of `tamanho` ("256k", "6m") mounted on the folder `ponto`; needs
// the administrator. False when it could not be mounted.
bool montaDisco(const QString &ponto, const QByteArray &tamanho);
void desmontaDisco(const QString &ponto);
bool tornaSomenteLeitura(const QString &ponto);

bool criaFifo(const QString &caminho);

// What tells one file from another on its disk (the inode).
quint64 identidade(const QString &caminho);

// A path as a Linux program sees it: under Wine the Unix path of a Windows
// one (any drive); elsewhere the path itself.
QString caminhoHospedeiro(const QString &caminho);

// Stops and resumes a process (SIGSTOP, SIGCONT).
bool suspende(qint64 pid);
void retoma(qint64 pid);

} // namespace sistema
