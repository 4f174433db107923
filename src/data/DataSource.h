// The link between a table and whatever shows it: views and the owning window's handler.
#pragma once

#include <QObject>
#include <functional>

namespace veltra {

class DataTable;

/// Reports changes of a table's rows. After every open, move, refilter, re-sort, load
/// and enable it emits dataChanged() (views refresh themselves first) and then calls the
/// handler, synchronously, inside the table operation that caused it. While disabled it
/// reports nothing and views bound to it show nothing; enabling fires once.
class DataSource : public QObject
{
    Q_OBJECT
public:
    explicit DataSource(DataTable* table, QObject* parent = nullptr);
    ~DataSource() override;

    DataTable* table() const { return m_table; }
    void setHandler(std::function<void()> handler) { m_handler = std::move(handler); }

    void setEnabled(bool enabled);
    bool isEnabled() const { return m_enabled; }
    /// True when bound views show rows: enabled and the table is open.
    bool isActive() const;

    /// Called by the table. rowsChanged: the set or order of visible rows changed (or
    /// the table opened); otherwise only the current row moved or its values changed.
    void notifyDataChange(bool rowsChanged);
    /// Called by the table when it closes.
    void notifyClosed();
    /// Called by the table's destructor: the link then belongs to no table (table() is
    /// null), so a link that outlives its table never reaches a destroyed object.
    void notifyTableDestroyed();

Q_SIGNALS:
    /// The visible rows changed, the table opened or closed, or the link was enabled
    /// or disabled: views rebuild completely.
    void rowsReset();
    /// The current row moved (or its values changed): views show the new current row.
    void currentRowChanged();

private:
    DataTable* m_table;
    std::function<void()> m_handler;
    bool m_enabled = true;
};

} // namespace veltra
