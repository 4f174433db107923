// A read-only one-line box showing one field.
#pragma once

#include <QLineEdit>

namespace veltra {

class DataSource;
class FieldLink;

/// Shows the field's value of the current row; empty while unbound.
class DbEdit : public QLineEdit
{
    Q_OBJECT
public:
    explicit DbEdit(QWidget* parent = nullptr);

    void setDataSource(DataSource* source);
    void setField(const QString& field);
    QString field() const;

private:
    void refresh();
    FieldLink* m_link;
};

} // namespace veltra
