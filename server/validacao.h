#pragma once
#include <QByteArray>
#include <QString>
#include <QStringList>

// The receiving server's check of a delivered archive: it must hold a
// declaration file whose records are whole and whose protocol record's
// totals and counts agree with its detail records.
namespace orva::servidor {

// The receipt states the records processed in six digits: a declaration of
// more is refused rather than given a count that wrapped.
constexpr qint64 MaximoRegistros = 999999;

struct Declaracao {
    QStringList problemas;  // empty when the declaration is accepted
    QByteArray registro20;  // the protocol record as read (Windows-1252)
    qint64 registros = 0;   // records read, all types
};

// Unpacks the archive at `caminho` entry by entry, streaming, and checks the
// first entry named "*.exp" (any letter case). At most `maxProblemas` problems
// are listed; a last line says how many more there were.
Declaracao validaArquivo(const QString &caminho, int maxProblemas = 20);

// The receipt record for an accepted declaration: registration (14),
// exercise (4), protocol (4), type (2), rectification flag (1: "1" no, "2"
// yes), the date of receipt (10), company name (50), records processed (6),
// control number (13). Only for a declaration validaArquivo() accepted, whose
// count fits its field (see MaximoRegistros). Quotes in the name become "´" so the reply's quoted
// texts stay intact.
QByteArray registroComprovante(const Declaracao &d, const QByteArray &dataRecebimento, quint64 controle);

} // namespace orva::servidor
