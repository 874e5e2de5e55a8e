#pragma once
#include <QString>

// Where the programs keep their working files. A staged or copied program
// folder (build/dist, a folder on a share) is the folder of the executables
// themselves; an installed system keeps the executables where users may not
// write, so each user gets a program folder of their own.
namespace orva::pastaprograma {

// Whether an executable's folder belongs to an installed system: the user may
// not write there, it lies inside the folder the packages install to, or the
// Windows installer marked it (MarcaInstalacao).
bool instalada(const QString &pastaExecutavel);

// The file the Windows installer leaves in the folders it installs to: a
// per-user installation may be writable and still no program folder.
inline constexpr char MarcaInstalacao[] = "ORVA-instalado.txt";

// The per-user program folder: "orva" under the XDG data folder
// (~/.local/share/orva); on Windows %LOCALAPPDATA%\ORVA.
QString doUsuario();

// The file name of program `nome` on this system ("rar", "rar.exe").
QString executavel(const QString &nome);

// Program `nome` ("rar", "ClienteOrvaDATP/ClienteORVA") for the program
// folder: the folder's own copy or link, else the one installed beside the
// running program (or in its parent, for the client), else the folder's path
// of it, so that a message can name where it was looked for. `pastaExecutavel`
// is the running program's folder (applicationDirPath when empty).
QString localizaPrograma(const QString &pastaPrograma, const QString &nome, const QString &pastaExecutavel = {});

// Makes the archiver and the delivery client of the installed folder
// reachable from a program folder: links on Linux (a file of the same name is
// kept; a link is renewed); on Windows, where a copied or linked program would
// not find its libraries, localizaPrograma finds them installed instead.
// Returns false and fills `erro` on failure.
bool ligaProgramas(const QString &pastaPrograma, const QString &pastaInstalada, QString *erro);

} // namespace orva::pastaprograma
