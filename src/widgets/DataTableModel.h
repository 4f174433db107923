// A thin item model over the visible rows of a table, for the grids of the viewer.
#pragma once

#include <QAbstractTableModel>
#include <QPointer>
#include <QStringList>

namespace veltra {

class DataSource;

/// Shows the visible rows of the table behind a data source, one column per field.
/// The table filters and sorts; the model only mirrors it. With an empty column list
/// every field of the table is a column (in field order), otherwise the named fields
/// (a name the table lacks gives an empty column). While the data source is inactive
/// (disabled or its table closed) the model has no rows.
///
/// Multi-line text fields show "(MEMO)" in a cell; numbers are right-aligned.
class DataTableModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    explicit DataTableModel(DataSource* source, const QStringList& columns = {},
                            QObject* parent = nullptr);

    DataSource* dataSource() const;
    /// Field name shown in the given column; empty when out of range.
    QString columnField(int column) const;
    /// 0-based visible row of the table's current row; -1 when there is none.
    int currentRow() const;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

Q_SIGNALS:
    /// The table's current row moved to the given visible row (-1: no row).
    void currentRowMoved(int row);

private:
    void onRowsReset();
    void onCurrentRowChanged();
    int fieldOfColumn(int column) const;

    QPointer<DataSource> m_source;
    QStringList m_columns;
    int m_rows = 0;
    int m_cols = 0;
};

} // namespace veltra
