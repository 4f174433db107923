#include "widgets/FieldLink.h"

#include "data/DataSource.h"
#include "data/DataTable.h"
#include "data/FieldDisplay.h"

namespace veltra {

FieldLink::FieldLink(std::function<void()> refresh, QObject* parent)
    : QObject(parent), m_refresh(std::move(refresh))
{
}

void FieldLink::setDataSource(DataSource* source)
{
    disconnect(m_reset);
    disconnect(m_moved);
    m_source = source;
    if (m_source) {
        m_reset = connect(m_source, &DataSource::rowsReset, this, [this] { m_refresh(); });
        m_moved = connect(m_source, &DataSource::currentRowChanged, this, [this] { m_refresh(); });
    }
    m_refresh();
}

void FieldLink::setField(const QString& field)
{
    m_field = field;
    m_refresh();
}

bool FieldLink::isBound() const
{
    if (!m_source || m_field.isEmpty() || !m_source->isActive())
        return false;
    const DataTable* table = m_source->table();
    return table->recordCount() > 0 && table->hasField(m_field);
}

QString FieldLink::text() const
{
    return isBound() ? m_source->table()->fieldText(m_field) : QString();
}

QString FieldLink::displayText() const
{
    if (!isBound())
        return QString();
    const DataTable* table = m_source->table();
    return FieldDisplayText(table->fields().at(table->fieldIndex(m_field)),
                            table->fieldText(m_field));
}

DataSource* FieldLink::dataSource() const
{
    return m_source;
}

} // namespace veltra
