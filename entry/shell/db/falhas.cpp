#include "falhas.h"

#include <QStringList>

#include <sqlite3.h>

namespace orva::db {

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

QString explicacao(Causa causa)
{
    switch (causa) {
    case Causa::EmUso:
        return QStringLiteral("O banco de dados está em uso por outro programa (outro Orva ou o orva-cli). "
                              "Aguarde que ele termine e tente novamente. Nada foi alterado por esta operação.");
    case Causa::SomenteLeitura:
        return QStringLiteral("O banco de dados não pode ser gravado: o arquivo ou a sua pasta estão somente para "
                              "leitura ou sem permissão de gravação. Verifique as permissões de orva.mdb e da pasta.");
    case Causa::DiscoCheio:
        return QStringLiteral("O disco está cheio: não há espaço para gravar no banco de dados. "
                              "Libere espaço em disco e tente novamente.");
    case Causa::Danificado:
        return QStringLiteral("O banco de dados está danificado. Restaure a cópia de segurança "
                              "(menu Ferramentas, \"Restaurar Cópia de Segurança\").");
    case Causa::NaoEncontrado:
        return QStringLiteral("O banco de dados não pôde ser aberto: o arquivo ou a sua pasta não foram encontrados "
                              "ou não podem ser lidos.");
    case Causa::Disco:
        return QStringLiteral("Erro de leitura ou gravação no disco do banco de dados. "
                              "Verifique o disco e tente novamente.");
    case Causa::ChaveDuplicada:
        return QStringLiteral("Já existe um registro com esta chave: nada foi gravado. "
                              "Confira os dados digitados ou altere o registro existente.");
    case Causa::Outra:
        break;
    }
    return QString();
}

DatabaseError falha(int codigo, const QString &texto)
{
    const Causa causa = causaDe(codigo);
    if (causa != Causa::ChaveDuplicada)
        return falha(causa, texto);
    // "UNIQUE constraint failed: T.a, T.b" as "T: a, b".
    QString tabela;
    QStringList colunas;
    for (const QString &coluna : texto.section(QStringLiteral(": "), 1).split(QStringLiteral(", "))) {
        tabela = coluna.section(QLatin1Char('.'), 0, 0);
        colunas << coluna.section(QLatin1Char('.'), 1);
    }
    return falha(causa, tabela + QStringLiteral(": ") + colunas.join(QStringLiteral(", ")));
}

DatabaseError falha(Causa causa, const QString &texto)
{
    if (causa == Causa::Outra)
        return DatabaseError(texto, causa);
    // The engine's own words ("database is locked") tell the user nothing
    // the sentence does not; a duplicate key keeps its table and columns.
    if (texto.isEmpty() || causa != Causa::ChaveDuplicada)
        return DatabaseError(explicacao(causa), causa);
    return DatabaseError(explicacao(causa) + QStringLiteral("\n(") + texto + QLatin1Char(')'), causa);
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

} // namespace orva::db
