// The read-only rich text view of the "Report    " tab: it is cleared, takes plain lines
// and formatted blocks at its end, and is saved as RTF. Linux has no embedded-object
// (OLE) containers, so the view holds text only.
#pragma once

#include <QTextEdit>

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
    /// Writes the whole content as RTF, atomically. Throws VeltraError naming the file.
    void SaveToFile(const QString& path) const;
};

} // namespace veltra
