#include "util/ui/OLERichEdit.h"

#include "util/RtfWriter.h"
#include "util/TextLines.h"

#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextDocumentFragment>

namespace veltra {

TOLEEdit::TOLEEdit(QWidget* parent) : QTextEdit(parent)
{
    setAcceptRichText(true);
}

void TOLEEdit::Clear()
{
    clear();
}

void TOLEEdit::AddLine(const QString& line)
{
    QTextCursor cursor(document());
    cursor.movePosition(QTextCursor::End);
    // The first line goes into the document's empty first block; every later line
    // starts a block of its own, in the document's default format.
    if (!document()->isEmpty())
        cursor.insertBlock(QTextBlockFormat(), QTextCharFormat());
    cursor.setCharFormat(QTextCharFormat());
    cursor.insertText(line);
}

void TOLEEdit::AppendBlock(const QTextDocument& block)
{
    if (block.isEmpty())
        return;
    QTextCursor cursor(document());
    cursor.movePosition(QTextCursor::End);
    if (!document()->isEmpty())
        cursor.insertBlock(QTextBlockFormat(), QTextCharFormat());
    cursor.insertFragment(QTextDocumentFragment(&block));
}

void TOLEEdit::SetDocument(std::unique_ptr<QTextDocument> document)
{
    // The view's first document belongs to its text control, which deletes it when it is
    // replaced; every later one belongs to the view.
    QTextDocument* old = this->document();
    const bool ownedHere = old && old->parent() == this;
    QTextDocument* shown = document.release();
    shown->setParent(this);
    setDocument(shown);
    if (ownedHere)
        delete old;
    setTextCursor(QTextCursor(shown));
}

QStringList TOLEEdit::PlainLines() const
{
    return ViewLines(document()->toPlainText());
}

void TOLEEdit::SaveToFile(const QString& path) const
{
    WriteRtfFile(*document(), path);
}

} // namespace veltra
