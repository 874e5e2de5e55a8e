#pragma once
#include "common/errors.h"

#include <QString>

namespace orva::db {

// What kind of trouble a database failure is, as far as the user can act on it.
enum class Causa {
    Outra,          // the statement's own fault (a bad value, SQL)
    ChaveDuplicada, // a row with the same key is stored already (the statement's own fault too)
    EmUso,          // another program holds the database past the wait
    SomenteLeitura, // no permission to write, or a read-only file system
    DiscoCheio,     // no space left
    Danificado,     // the file is not a sound database
    NaoEncontrado,  // the file or its folder cannot be opened
    Disco,          // any other read or write failure of the disk
};

// A database failure; the text is readable as it stands.
class DatabaseError : public orva::Error {
public:
    explicit DatabaseError(const QString &message, Causa causa = Causa::Outra)
        : orva::Error(message), m_causa(causa) {}
    Causa causa() const { return m_causa; }
    // Failures of the database file itself, not of one statement or record.
    bool doBanco() const { return m_causa != Causa::Outra && m_causa != Causa::ChaveDuplicada; }

private:
    Causa m_causa;
};

// The Portuguese sentence that names a cause and says what to do; empty for Outra.
QString explicacao(Causa causa);

// A failure of a known cause: its sentence, then the database's text in
// parentheses (the text alone for Outra). A duplicate key's text is
// "table: columns" on either engine.
DatabaseError falha(Causa causa, const QString &texto);

} // namespace orva::db
