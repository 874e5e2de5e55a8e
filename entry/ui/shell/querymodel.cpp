#include "querymodel.h"

namespace {
constexpr int kBatch = 256;
}

QueryTableModel::QueryTableModel(QObject *parent) : QAbstractTableModel(parent) {}

void QueryTableModel::setQuery(orva::db::Query *query)
{
    beginResetModel();
    m_query = query && query->isOpen() ? query : nullptr;
    m_columns = m_query ? m_query->fieldCount() : 0;
    m_rows = 0;
    if (m_query) {
        m_query->hasRow(kBatch - 1);
        m_rows = m_query->fetchedCount();
    }
    endResetModel();
}

QString QueryTableModel::text(int row, int column) const
{
    if (!m_query || row < 0 || row >= m_rows || column < 0 || column >= m_columns)
        return QString();
    return m_query->valueAt(row, column).asString();
}

int QueryTableModel::rowCount(const QModelIndex &parent) const { return parent.isValid() ? 0 : m_rows; }

int QueryTableModel::columnCount(const QModelIndex &parent) const { return parent.isValid() ? 0 : m_columns; }

QVariant QueryTableModel::data(const QModelIndex &index, int role) const
{
    if (role != Qt::DisplayRole || !index.isValid())
        return {};
    return text(index.row(), index.column());
}

QVariant QueryTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole || orientation != Qt::Horizontal || !m_query || section >= m_columns)
        return QAbstractTableModel::headerData(section, orientation, role);
    return m_query->fieldNames().value(section);
}

bool QueryTableModel::canFetchMore(const QModelIndex &parent) const
{
    return !parent.isValid() && m_query && !m_query->fetchedAll();
}

void QueryTableModel::fetchMore(const QModelIndex &parent)
{
    if (parent.isValid() || !m_query)
        return;
    const int before = m_rows;
    m_query->hasRow(m_rows + kBatch - 1);
    const int after = m_query->fetchedCount();
    if (after > before) {
        beginInsertRows({}, before, after - 1);
        m_rows = after;
        endInsertRows();
    }
}
