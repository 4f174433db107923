// A read-only plain text view of one multi-line field.
#pragma once

#include <QPlainTextEdit>
#include <QStringList>

namespace veltra {

class DataSource;
class FieldLink;

/// Shows the field's text of the current row, one line per stored line (CR LF, LF or CR
/// end a line). Shows nothing while unbound or while the source shows no row.
class DbMemo : public QPlainTextEdit
{
    Q_OBJECT
public:
    explicit DbMemo(QWidget* parent = nullptr);

    void setDataSource(DataSource* source);
    void setField(const QString& field);
    QString field() const;

    /// The lines the view shows; none when it is empty.
    QStringList lines() const;

private:
    void refresh();
    FieldLink* m_link;
};

} // namespace veltra
