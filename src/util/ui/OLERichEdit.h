// The read-only rich text view of the "Report    " tab: it is cleared, takes plain lines
// and formatted blocks at its end, shows a whole report document, and is saved as RTF.
// Linux has no embedded-object (OLE) containers, so the view holds text only.
#pragma once

#include <QStringList>
#include <QTextEdit>
#include <memory>

class QTextDocument;

namespace veltra {

class TOLEEdit : public QTextEdit
{
    Q_OBJECT
public:
    explicit TOLEEdit(QWidget* parent = nullptr);

    /// Empties the view.
    void Clear();
    /// Appends one line of plain text, without formatting of its own.
    void AddLine(const QString& line);
    /// Appends the content of a block, its formatting kept, starting on a new line.
    /// An empty block adds nothing.
    void AppendBlock(const QTextDocument& block);
    /// Shows the document in place of the current content; the view takes it over, its
    /// default font included (the lines without a font of their own are shown in it).
    void SetDocument(std::unique_ptr<QTextDocument> document);
    /// The lines the view shows as plain text: one per paragraph and per forced line
    /// break; an empty view has none.
    QStringList PlainLines() const;
    /// Writes the whole content as RTF, atomically. Throws VeltraError naming the file;
    /// the view is not changed.
    void SaveToFile(const QString& path) const;
};

} // namespace veltra
