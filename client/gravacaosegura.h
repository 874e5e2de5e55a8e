#pragma once
#include <QByteArray>
#include <QString>

// Writing a file that is either whole or not there: a receipt must never be
// left half written, nor replace a good one with a damaged copy.
namespace orva::cliente {

// Writes `conteudo` under a temporary name in the file's folder, checks every
// write and the close, flushes it to disk, reads it back and only then
// renames it over `caminho`. On any failure the temporary file is removed, an
// existing file stays as it was and orva::Error names the file and the cause.
void GravaArquivoSeguro(const QString &caminho, const QByteArray &conteudo);

} // namespace orva::cliente
