#include "widgets/DbGrid.h"

#include "data/DataSource.h"
#include "data/DataTable.h"
#include "widgets/DataTableModel.h"
#include "widgets/ErrorGuard.h"
#include "widgets/TextCellDelegate.h"

#include <QHeaderView>
#include <QScopedValueRollback>

namespace veltra {

DbGrid::DbGrid(DataSource* source, const QStringList& columns, bool titles, const ErrorGuard* guard,
               QWidget* parent)
    : QTableView(parent), m_model(new DataTableModel(source, columns, this)), m_guard(guard)
{
    setModel(m_model);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setAlternatingRowColors(false);
    setWordWrap(false);
    // The cells hold text only: painted with one measurement of their text.
    setItemDelegate(new TextCellDelegate(this));
    horizontalHeader()->setVisible(titles);
    horizontalHeader()->setHighlightSections(false);
    verticalHeader()->setVisible(false);
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
    connect(m_model, &DataTableModel::currentRowMoved, this, &DbGrid::selectTableRow);
    connect(selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& current) { onCurrentChanged(current); });
    selectTableRow(m_model->currentRow());
}

void DbGrid::selectTableRow(int row)
{
    const QScopedValueRollback<bool> syncing(m_syncing, true);
    if (row < 0) {
        selectionModel()->clearSelection();
        return;
    }
    const int column = currentIndex().isValid() ? currentIndex().column() : 0;
    const QModelIndex target = m_model->index(row, column);
    if (!target.isValid())
        return;
    selectionModel()->setCurrentIndex(target, QItemSelectionModel::ClearAndSelect |
                                                  QItemSelectionModel::Rows);
    scrollTo(target);
}

void DbGrid::onCurrentChanged(const QModelIndex& current)
{
    if (m_syncing || !current.isValid())
        return;
    DataSource* source = m_model->dataSource();
    if (!source || !source->isActive())
        return;
    const int recNo = current.row() + 1;
    if (source->table()->recNo() == recNo)
        return;
    auto action = [source, recNo] { source->table()->moveTo(recNo); };
    if (m_guard)
        m_guard->run(action);
    else
        action();
}

} // namespace veltra
