#pragma once
#include <QString>
#include <QStringList>

#include <optional>

// The declaration side of the client: packed declarations ("*.rar") in an
// origin folder, their extraction and the protocol record read back from the
// declaration file, and the mark that takes a sent archive out of the list.
namespace orva::cliente {

// The folder text with a trailing "/" (a trailing "\" also counts as one).
QString comBarra(const QString &pasta);

// What the client opens at start-up. Its argument is the origin folder, as
// the export passes it; a file (the archive handed by a file manager or the
// menu entry) opens its folder with that file to select. Without an argument
// the origin is `pastaPadrao`.
struct Partida {
    QString origem;
    QString declaracao; // the file name to select, when a file was given
};
Partida partidaDoArgumento(const QString &argumento, const QString &pastaPadrao);

// The names of the plain files of `pasta` matching "*.rar" (any letter case),
// sorted by name. A folder that cannot be read gives none.
QStringList arquivosDeclaracao(const QString &pasta);
// The visible line of an archive: the first 22 characters of its name, the
// stem "Orva" + protocol + registration.
QString linhaDeclaracao(const QString &nomeArquivo);
// The declaration file an archive unpacks to: folder + the name's first 22
// characters + ".EXP".
QString arquivoDados(const QString &pasta, const QString &nomeArquivo);

// The first file called `nome` (any letter case; names beginning with "."
// are skipped) in `raiz` and, with `subpastas`, in its folders whose names
// hold no dot, depth first. Empty when there is none. Symbolic links to
// folders are not followed, so the search always ends.
QString ProcuraArquivo(const QString &raiz, const QString &nome, bool subpastas);

// The archiver "rar": beside the client, else in its parent folder (the entry
// program's), else on PATH. Empty when there is none.
QString LocalizaArquivador(const QString &pastaCliente);

// Runs "<arquivador> e -y -nNAME ARCHIVE DEST" and waits until it has ended,
// so the declaration file is complete before anyone reads it. Only the entry
// NAME, the archive's first 22 characters + ".exp" (any letter case), comes
// out: no other file of DEST is touched. False with *erro (the archiver's
// reason included) when the archiver could not run, the entry is missing or
// the extraction failed.
bool ExtraiDeclaracao(const QString &arquivador, const QString &arquivo, const QString &destino, QString *erro);

// The declaration key: what the protocol record says about the declaration.
struct ChaveDeclaracao {
    QString protocolo;     // characters 3-6 of record "20"
    QString exercicio;     // 11-14
    QString inscricao;     // 15-28
    QString codigoTipo;    // 7-8: "00" invoices, "01" apportionment
    QString codigoEntrega; // 9-10: "01" first delivery, "02" rectification
    QString textoTipo;        // "Nota Fiscal", "Rateio" or empty
    QString textoRetificacao; // "NÃO", "SIM" or empty
};

QString textoTipo(const QString &codigoTipo);
QString textoRetificacao(const QString &codigoEntrega);

// Reads the first two lines of the declaration file (its ".EXP" found
// whatever the letter case) and takes the key from the one beginning "20".
// Nothing when neither does. Throws orva::Error when the file cannot be
// opened.
std::optional<ChaveDeclaracao> LeRegistroProtocolo(const QString &arquivoDados);

// Gives the archive the extension ".ra_" so it is never listed again. An
// older ".ra_" of the same name (the same declaration sent before) is
// replaced. False when the rename failed.
bool MarcaEnviada(const QString &arquivo);

} // namespace orva::cliente
