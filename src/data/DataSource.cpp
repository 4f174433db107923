#include "data/DataSource.h"

#include "data/DataTable.h"

namespace veltra {

DataSource::DataSource(DataTable* table, QObject* parent) : QObject(parent), m_table(table)
{
    if (m_table)
        m_table->attach(this);
}

DataSource::~DataSource()
{
    if (m_table)
        m_table->detach(this);
}

void DataSource::setEnabled(bool enabled)
{
    if (enabled == m_enabled)
        return;
    m_enabled = enabled;
    // Views rebuild either way: they show nothing while the link is disabled.
    Q_EMIT rowsReset();
    // Enabling acts like an open of the table: the handler runs once, but only when
    // the table has rows to show at all.
    if (m_enabled && m_table && m_table->isOpen() && m_handler)
        m_handler();
}

bool DataSource::isActive() const
{
    return m_enabled && m_table && m_table->isOpen();
}

void DataSource::notifyDataChange(bool rowsChanged)
{
    if (!m_enabled)
        return;
    if (rowsChanged)
        Q_EMIT rowsReset();
    else
        Q_EMIT currentRowChanged();
    if (m_handler)
        m_handler();
}

void DataSource::notifyClosed()
{
    if (m_enabled)
        Q_EMIT rowsReset();
}

void DataSource::notifyTableDestroyed()
{
    m_table = nullptr;
}

} // namespace veltra
