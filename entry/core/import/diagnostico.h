#pragma once
#include <QByteArray>
#include <QString>
#include <QStringList>

// What is wrong with an import file as a whole, told in plain sentences: a
// byte-order mark, lines ended by CR alone, binary bytes, every line of the
// same wrong length (blanks added at the end, another layout), an empty
// file. The file is read as always; these sentences only explain the
// per-record report that follows them.
namespace orva::importacao {

// The sentences for the start of the file (the first few megabytes decide);
// empty when nothing is wrong with the file as a whole.
QStringList diagnosticaArquivo(const QString &arquivo);
// The same for the bytes of a file (`completo` false when they are only its start).
QStringList diagnosticaConteudo(const QByteArray &dados, bool completo);

} // namespace orva::importacao
