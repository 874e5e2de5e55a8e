#pragma once
#include "declaracoes.h"

#include <QDateTime>
#include <QString>
#include <QStringList>

// Delivery receipts: one settings file per receipt in the client's folder
// "recv", ".cmp" while new and ".old" once shown for printing.
namespace orva::cliente {

// The receipts folder of the client installed in `pastaCliente`.
QString pastaComprovantes(const QString &pastaCliente);

// Stores the receipt record (as the server's reply gives it) in
// `pastaRecibos` under the record's first 22 characters + ".cmp", section
// "CMP", ten keys; an existing file of that name has its keys overwritten.
// TipoProtocolo and Retificadora come from `chave` when the record's
// registration, exercise and protocol are the key's; otherwise empty. Data is
// `quando` ("dd/MM/yyyy HH:mm:ss"). The file is replaced whole, never left
// half written (see GravaArquivoSeguro). Returns the file's path. Throws
// orva::Error when the name would leave the folder (it comes from the server:
// "/", "\", ".." or a control character) or the file cannot be written.
QString GravaComprovante(const QString &pastaRecibos, const QString &registro, const ChaveDeclaracao &chave,
                         const QDateTime &quando);

enum class Filtro { Novos, Antigos, Todos };

struct ListaRecibos {
    QStringList arquivos; // the file names, sorted
    QStringList linhas;   // the visible lines, index by index
};

// The receipt files of the filter ("*.cmp", "*.old" or both), sorted by name,
// each shown as its first 40 characters + " -- " + characters 21-22 + "/" +
// characters 15-18 (the protocol's last two digits and the exercise).
ListaRecibos ListaComprovantes(const QString &pastaRecibos, Filtro filtro);

// The values of the receipt report read back from a receipt file; a missing
// key reads "INVÁLIDO".
struct Recibo {
    QString inscricao, razao, referencia, controle, data, qtdRegistro, protocolo;
    QString codigoTipo;       // record characters 23-24
    QString flagRetificacao;  // record character 25
};
// Reads a receipt for printing. The type and rectification texts are not part
// of it: see AplicaAoImprimir. Throws orva::Error when it cannot be read.
Recibo LeComprovante(const QString &arquivo);
// Printing a receipt updates the key's type ("00"/"01" only) and
// rectification ("1" no, "2" yes; anything else empties it) from its record.
void AplicaAoImprimir(const Recibo &recibo, ChaveDeclaracao &chave);

// After the print preview: a ".cmp" file becomes ".old" (left as it is when
// an ".old" of that name exists). Returns the path the file now has.
QString MarcaImpresso(const QString &arquivo);

// Deletes a receipt file; false when it could not be deleted.
bool ExcluiComprovante(const QString &arquivo);

} // namespace orva::cliente
