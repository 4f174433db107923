// A read-only one-line box showing one field.
#pragma once

#include <QLineEdit>

namespace veltra {

class DataSource;
class ErrorGuard;
class FieldLink;

/// Shows the field's value of the current row; empty while unbound. Read-only unless
/// made writable: then what the user types is posted to the current row at once.
class DbEdit : public QLineEdit
{
    Q_OBJECT
public:
    explicit DbEdit(QWidget* parent = nullptr);

    void setDataSource(DataSource* source);
    void setField(const QString& field);
    QString field() const;
    /// Lets the user edit the field (the table must not be read-only). A value the field
    /// does not take is reported through the guard and the box shows the stored value.
    void setWritable(bool writable, const ErrorGuard* guard);

private:
    void refresh();
    void write(const QString& text);
    FieldLink* m_link;
    const ErrorGuard* m_guard = nullptr;
    // Set while the user's text is posted, so the view does not refill itself under
    // the cursor.
    bool m_writing = false;
};

} // namespace veltra
