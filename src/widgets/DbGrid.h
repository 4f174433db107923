// A read-only grid over the visible rows of a table, in step with its current row.
#pragma once

#include <QTableView>

namespace veltra {

class DataSource;
class DataTableModel;
class ErrorGuard;

/// Shows the table of a data source through a DataTableModel. A click or a keyboard move
/// to another row moves the table there (which runs its row-change handlers); a move of
/// the table selects its new current row in the grid. One row is selected at a time.
class DbGrid : public QTableView
{
    Q_OBJECT
public:
    /// columns: the fields to show (empty: every field); titles: whether the grid shows
    /// its title row.
    DbGrid(DataSource* source, const QStringList& columns, bool titles, const ErrorGuard* guard,
           QWidget* parent = nullptr);

    DataTableModel* tableModel() const { return m_model; }

private:
    void selectTableRow(int row);
    void onCurrentChanged(const QModelIndex& current);

    DataTableModel* m_model;
    const ErrorGuard* m_guard;
    bool m_syncing = false;
};

} // namespace veltra
