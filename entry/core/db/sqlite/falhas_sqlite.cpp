#include "falhas_sqlite.h"

#include <QStringList>

#include <sqlite3.h>

namespace orva::db::sqlite {

Causa causaDe(int codigo)
{
    if (codigo == SQLITE_CONSTRAINT_PRIMARYKEY || codigo == SQLITE_CONSTRAINT_UNIQUE)
        return Causa::ChaveDuplicada;
    switch (codigo & 0xff) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return Causa::EmUso;
    case SQLITE_READONLY:
    case SQLITE_PERM:
        return Causa::SomenteLeitura;
    case SQLITE_FULL:
        return Causa::DiscoCheio;
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB:
        return Causa::Danificado;
    case SQLITE_CANTOPEN:
        return Causa::NaoEncontrado;
    case SQLITE_IOERR:
    case SQLITE_NOLFS:
    case SQLITE_PROTOCOL:
        return Causa::Disco;
    default:
        return Causa::Outra;
    }
}

DatabaseError falha(int codigo, const QString &texto)
{
    const Causa causa = causaDe(codigo);
    if (causa != Causa::ChaveDuplicada)
        return db::falha(causa, texto);
    // "UNIQUE constraint failed: T.a, T.b" as "T: a, b".
    QString tabela;
    QStringList colunas;
    for (const QString &coluna : texto.section(QStringLiteral(": "), 1).split(QStringLiteral(", "))) {
        tabela = coluna.section(QLatin1Char('.'), 0, 0);
        colunas << coluna.section(QLatin1Char('.'), 1);
    }
    return db::falha(causa, tabela + QStringLiteral(": ") + colunas.join(QStringLiteral(", ")));
}

DatabaseError falha(sqlite3 *db, int codigo)
{
    const QString texto = db ? QString::fromUtf8(sqlite3_errmsg(db)) : QString::fromUtf8(sqlite3_errstr(codigo));
    // A database of another program, or of a version without the table.
    static const QString semTabela = QStringLiteral("no such table: ");
    if (causaDe(codigo) == Causa::Outra && texto.startsWith(semTabela))
        return DatabaseError(QStringLiteral("O banco de dados não tem a tabela %1: ele não é um banco do Orva ou é de "
                                            "uma versão antiga. Escolha o banco orva.mdb do programa.")
                                 .arg(texto.mid(semTabela.size())),
                             Causa::Danificado);
    return falha(codigo, texto);
}

} // namespace orva::db::sqlite
