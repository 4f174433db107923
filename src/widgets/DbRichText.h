// A read-only rich text view of one field holding rich text (RTF) or plain text.
#pragma once

#include <QTextEdit>

namespace veltra {

class DataSource;
class FieldLink;

/// Shows the field's text of the current row: RTF as formatted text, anything else as it
/// is. Shows nothing while unbound. Lines are not wrapped.
class DbRichText : public QTextEdit
{
    Q_OBJECT
public:
    explicit DbRichText(QWidget* parent = nullptr);

    void setDataSource(DataSource* source);
    void setField(const QString& field);
    QString field() const;
    /// The stored text of the field in the current row (what the view was filled from).
    QString fieldText() const;

private:
    void refresh();
    void showScreenFonts();
    FieldLink* m_link;
    // The text and font last laid out, so that the same text is not laid out again.
    QString m_shownText;
    QFont m_shownFont;
    bool m_shownValid = false;
};

} // namespace veltra
