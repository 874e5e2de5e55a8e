#pragma once
#include "conferencia.h"
#include "leitura.h"
#include "core/db/query.h"

#include <QList>

#include <optional>

namespace orva::stores {

// Which code table, and how its codes are typed.
struct DefinicaoTabela {
    QString tabela;         // T
    QString campoCodigo;    // C
    QString campoDescricao; // D
    int tamanhoCodigo = 4;  // the code field's width; saved codes are zero-padded to it
    int tamanhoDescricao = 50;
    int tipoCodigo = 0;     // 2 = text code (quoted in statements); any other value = numeric
};

// The product table of the main window's command.
DefinicaoTabela tabelaProdutos();

// One row of a code table.
struct Codigo {
    QString codigo;
    QString descricao;
};

// The rows of one table made of a code and a description: found, saved and
// deleted one at a time. Also the description lookups and the next-code rule
// every registration uses, on the connection it is given.
class Tabelas {
public:
    Tabelas(db::Connection &conexao, DefinicaoTabela definicao);

    const DefinicaoTabela &definicao() const { return m_definicao; }

    // The description of the code; nothing when the table has no such row.
    // Remembered as read: a later save of that code is refused if another
    // program changed, deleted or inserted its row since.
    std::optional<QString> descricao(const QString &codigo);
    // The next free code (largest plus one, "1" for an empty table), or the
    // refusal when it no longer fits the code field. A save of the proposed
    // code that finds it taken meanwhile takes the next free one instead.
    Proposta proximoCodigo();
    // Inserts or updates the row (the code zero-padded to the field's width,
    // both values without surrounding blanks); the refusal, or empty text
    // once the row is committed. The code stored is codigoGravado().
    QString grava(const QString &codigo, const QString &descricao);
    // The code of the last save, and why it differs from the one typed
    // (empty when it does not): another program took the proposed code.
    const QString &codigoGravado() const { return m_codigoGravado; }
    const QString &aviso() const { return m_aviso; }
    // Deletes the row of the code (an empty code deletes nothing); true
    // when a row was deleted.
    bool apaga(const QString &codigo);
    QList<Codigo> lista();

    // What the last read and the last write sent to the database.
    db::Query &consulta() { return m_query; }
    db::Command &comando() { return m_command; }

    // Description of a code in any table: "Não Cadastrado" when there is no
    // row or its description is empty. Raises DatabaseError.
    static QString buscaDescricao(db::Connection &conexao, const QString &tabela, const QString &campoChave,
                                  const QString &valor, const QString &campoDescricao);
    // Largest code plus one, "1" for an empty table. Raises DatabaseError.
    static QString proximoCodigo(db::Connection &conexao, const QString &tabela, const QString &campo);

    static const QString naoCadastrado;

private:
    // The code as statements write it: quoted for a text code.
    QString valorCodigo(const QString &codigo) const;
    // A code that statements can carry: digits only, within the field.
    QString recusaCodigo(const QString &codigo) const;
    // The next free code, without remembering it as proposed.
    Proposta livre();
    // The description stored under the code, read by `q` with the statement
    // `modelo` (T, C, code), without remembering it.
    std::optional<QString> le(const QString &codigo, const QString &modelo, db::Query &q);
    // The code as remembered: zero-padded to the field's width.
    QString chave(const QString &codigo) const;

    db::Connection &m_conexao;
    DefinicaoTabela m_definicao;
    db::Query m_query;
    db::Command m_command;
    Leitura<QString> m_lida;
    QString m_codigoGravado;
    QString m_aviso;
};

} // namespace orva::stores
