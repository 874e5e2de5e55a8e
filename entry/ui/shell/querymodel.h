#pragma once
#include "core/db/query.h"

#include <QAbstractTableModel>

// A read-only grid model over an open query. Rows are read from the database
// as the grid scrolls to them (fetchMore), so a large table opens at once.
class QueryTableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit QueryTableModel(QObject *parent = nullptr);

    // Shows the rows of `query` (open, or null to show nothing). The model does
    // not own the query; call setQuery again before closing or reopening it.
    void setQuery(orva::db::Query *query);
    orva::db::Query *query() const { return m_query; }

    // Text of a cell as the grid shows it.
    QString text(int row, int column) const;

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    bool canFetchMore(const QModelIndex &parent) const override;
    void fetchMore(const QModelIndex &parent) override;

private:
    orva::db::Query *m_query = nullptr;
    int m_rows = 0;
    int m_columns = 0;
};
