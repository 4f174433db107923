// The binding of one view to one field of the current row of a data source.
#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <functional>

namespace veltra {

class DataSource;

/// Holds a data source and a field name and calls the view's refresh whenever what the
/// view must show may have changed: rows reset, current row moved, source or field
/// changed. An empty field name unbinds the view; it then shows nothing.
class FieldLink : public QObject
{
    Q_OBJECT
public:
    explicit FieldLink(std::function<void()> refresh, QObject* parent = nullptr);

    void setDataSource(DataSource* source);
    DataSource* dataSource() const;
    void setField(const QString& field);
    const QString& field() const { return m_field; }

    /// True when a field is set and the source shows a row that has it.
    bool isBound() const;
    /// The field's value in the current row; empty when not bound.
    QString text() const;
    /// The value as an edit box shows it (numbers with the user's decimal separator).
    QString displayText() const;

private:
    QPointer<DataSource> m_source;
    QString m_field;
    std::function<void()> m_refresh;
    QMetaObject::Connection m_reset;
    QMetaObject::Connection m_moved;
};

} // namespace veltra
