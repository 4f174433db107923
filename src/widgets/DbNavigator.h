// A navigator bar: First, Prior, Next and Last over the rows of a data source.
#pragma once

#include <QPointer>
#include <QWidget>

class QToolButton;

namespace veltra {

class DataSource;
class ErrorGuard;

/// Four buttons that move the table of the data source; without a source (or while it
/// shows no rows) the buttons are disabled and do nothing. The moves run the table's
/// row-change handlers; errors go through the guard.
class DbNavigator : public QWidget
{
    Q_OBJECT
public:
    explicit DbNavigator(const ErrorGuard* guard, QWidget* parent = nullptr);

    void setDataSource(DataSource* source);
    DataSource* dataSource() const;

private:
    void updateButtons();
    void move(void (*step)(DataSource*));

    const ErrorGuard* m_guard;
    QPointer<DataSource> m_source;
    QMetaObject::Connection m_reset;
    QMetaObject::Connection m_moved;
    QToolButton* m_first;
    QToolButton* m_prior;
    QToolButton* m_next;
    QToolButton* m_last;
};

} // namespace veltra
