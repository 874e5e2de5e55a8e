#pragma once
// Statements run many times on a server: one prepared statement, and a
// batch of inserts sent in one COPY.
#include "core/db/motor.h"

#include <QByteArray>
#include <QStringList>

#include <memory>
#include <optional>
#include <utility>
#include <vector>

namespace orva::db::pg {

// A statement prepared on the server under a name of its own. An insert
// does nothing on a duplicate key (so a transaction in progress survives
// it) and reports DuplicateKey.
class PreparadoPostgres : public Preparado {
public:
    PreparadoPostgres(Connection &conexao, const QString &sql);
    ~PreparadoPostgres() override;

    int parameterIndex(const QString &name) const override;
    bool bindText(int index, const char *utf8, int size) override;
    bool bindInteger(int index, qint64 value) override;
    bool bindReal(int index, double value) override;
    RunOutcome run(bool bound, DatabaseError &failure) override;

private:
    Connection &m_conexao;
    quint64 m_generation;
    QByteArray m_name;
    QStringList m_parameters;
    std::vector<std::optional<QByteArray>> m_values;
    bool m_insert = false;
};

// The rows wait in a batch that flush() sends in one COPY; when the server
// refuses the batch, the rows before the refused one go in again, the
// refused one alone (so it is told apart as a duplicate key or another
// refusal, and leaves nothing), and so on with the rest.
class LotePostgres : public Lote {
public:
    // Raises DatabaseError when the statement is not a plain insert of parameters.
    LotePostgres(Connection &conexao, const QString &insertSql, int linhasPorLote);
    ~LotePostgres() override;

    int parameterIndex(const QString &name) const override;
    bool bindText(int index, const char *utf8, int size) override;
    bool bindInteger(int index, qint64 value) override;
    bool bindReal(int index, double value) override;
    void bindingFailed() override { m_bindFailed = true; }
    void add(int posicao) override;
    int linhasPorLote(int pedidas) const override { return pedidas; }
    void flush(int linhas, const Refusal &refused) override;

private:
    struct Row {
        int begin = 0; // its line in m_copy
        int end = 0;
        bool bindFailed = false;
    };

    // Sends rows [first, last) in one COPY under a savepoint; the index of
    // the row the server refused, `last` when all went in.
    int copy(int first, int last, DatabaseError &failure);
    // Writes one row through the prepared insert under a savepoint.
    RunOutcome runAlone(const Row &row, DatabaseError &failure);
    void releaseAloneSavepoint();
    void execute(const char *sql);
    void executeQuietly(const char *sql); // failures left to the next statement

    Connection &m_conexao;
    // The COPY statement, which column takes which parameter, the values
    // bound (offsets into m_bound; size -1 for none) and the batch as COPY
    // text lines.
    QByteArray m_copySql;
    QStringList m_parameters;
    std::vector<int> m_columnParameter;
    std::vector<std::pair<int, int>> m_values;
    QByteArray m_bound;
    bool m_bindFailed = false;
    QByteArray m_copy;
    std::vector<Row> m_rows;
    QString m_insertSql;
    std::unique_ptr<PreparadoPostgres> m_single; // for a row that runs alone
    bool m_aloneSavepoint = false;
};

} // namespace orva::db::pg
