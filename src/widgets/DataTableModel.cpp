#include "widgets/DataTableModel.h"

#include "data/DataSource.h"
#include "data/DataTable.h"
#include "data/FieldDisplay.h"

namespace veltra {

DataTableModel::DataTableModel(DataSource* source, const QStringList& columns, QObject* parent)
    : QAbstractTableModel(parent), m_source(source), m_columns(columns)
{
    if (m_source) {
        connect(m_source, &DataSource::rowsReset, this, &DataTableModel::onRowsReset);
        connect(m_source, &DataSource::currentRowChanged, this,
                &DataTableModel::onCurrentRowChanged);
        connect(m_source, &QObject::destroyed, this, [this] {
            beginResetModel();
            m_rows = 0;
            m_cols = 0;
            endResetModel();
        });
    }
    onRowsReset();
}

QString DataTableModel::columnField(int column) const
{
    if (!m_source || column < 0 || column >= m_cols)
        return {};
    if (!m_columns.isEmpty())
        return m_columns.at(column);
    return m_source->table()->fields().at(column).name;
}

int DataTableModel::currentRow() const
{
    if (!m_source || m_rows == 0)
        return -1;
    const int recNo = m_source->table()->recNo();
    return recNo >= 1 && recNo <= m_rows ? recNo - 1 : -1;
}

int DataTableModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_rows;
}

int DataTableModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_cols;
}

int DataTableModel::fieldOfColumn(int column) const
{
    if (m_columns.isEmpty())
        return column;
    return m_source->table()->fieldIndex(m_columns.at(column));
}

QVariant DataTableModel::data(const QModelIndex& index, int role) const
{
    if (!m_source || !index.isValid() || index.row() >= m_rows || index.column() >= m_cols)
        return {};
    const int field = fieldOfColumn(index.column());
    if (field < 0)
        return {};
    const DataTable* table = m_source->table();
    const FieldDef& def = table->fields().at(field);
    switch (role) {
    case Qt::DisplayRole:
        if (def.kind() == FieldKind::Memo)
            return QStringLiteral("(MEMO)");
        return FieldDisplayText(def, table->value(index.row(), field));
    case Qt::TextAlignmentRole:
        if (def.isNumber())
            return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
        return QVariant::fromValue(Qt::AlignLeft | Qt::AlignVCenter);
    default:
        return {};
    }
}

QVariant DataTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole)
        return {};
    if (orientation == Qt::Horizontal)
        return section >= 0 && section < m_cols ? QVariant(columnField(section)) : QVariant();
    return section >= 0 && section < m_rows ? QVariant(section + 1) : QVariant();
}

void DataTableModel::onRowsReset()
{
    beginResetModel();
    const bool active = m_source && m_source->isActive();
    m_rows = active ? m_source->table()->recordCount() : 0;
    if (!m_columns.isEmpty())
        m_cols = int(m_columns.size());
    else
        m_cols = active ? m_source->table()->fieldCount() : 0;
    endResetModel();
    Q_EMIT currentRowMoved(currentRow());
}

void DataTableModel::onCurrentRowChanged()
{
    // A change of the row set always comes as a reset; this guards the model against a
    // table that reports a grown or shrunk row set as a plain move.
    const bool active = m_source && m_source->isActive();
    if ((active ? m_source->table()->recordCount() : 0) != m_rows) {
        onRowsReset();
        return;
    }
    const int row = currentRow();
    if (row >= 0 && m_cols > 0)
        Q_EMIT dataChanged(index(row, 0), index(row, m_cols - 1));
    Q_EMIT currentRowMoved(row);
}

DataSource* DataTableModel::dataSource() const
{
    return m_source;
}

} // namespace veltra
