#include "bulkinsert.h"

#include "connection.h"

namespace orva::db {

BulkInsert::BulkInsert(Connection &connection, const QString &insertSql, int batchRows)
    : m_connection(connection), m_batchRows(std::max(1, batchRows)), m_generation(connection.generation()),
      m_lote(connection.motor().lote(insertSql, m_batchRows))
{
    m_batchRows = m_lote->linhasPorLote(m_batchRows);
    Q_ASSERT(m_batchRows >= 1);
}

BulkInsert::~BulkInsert() = default;

bool BulkInsert::stale() const { return m_generation != m_connection.generation(); }

void BulkInsert::add()
{
    // The caller flushes a full batch first: a batch never grows past its size.
    Q_ASSERT(m_pending < m_batchRows);
    m_lote->add(m_pending);
    ++m_pending;
}

void BulkInsert::flush(const Refusal &refused)
{
    const int rows = m_pending;
    m_pending = 0;
    m_lote->flush(rows, refused);
}

} // namespace orva::db
