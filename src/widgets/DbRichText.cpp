#include "widgets/DbRichText.h"

#include "util/RtfReader.h"
#include "widgets/FieldLink.h"
#include "widgets/ViewFonts.h"

#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>

namespace veltra {

DbRichText::DbRichText(QWidget* parent)
    : QTextEdit(parent), m_link(new FieldLink([this] { refresh(); }, this))
{
    setReadOnly(true);
    setLineWrapMode(QTextEdit::NoWrap);
    setAcceptRichText(true);
}

void DbRichText::setDataSource(DataSource* source)
{
    m_link->setDataSource(source);
}

void DbRichText::setField(const QString& field)
{
    m_link->setField(field);
}

QString DbRichText::field() const
{
    return m_link->field();
}

QString DbRichText::fieldText() const
{
    return m_link->text();
}

void DbRichText::refresh()
{
    // Each text starts from the view's own font and a plain character format, for the
    // document and for the cursor: the format where the user clicked (a bold line, say)
    // must not pass to the next row's text.
    // The same text again (the same row announced once more) in a view the user cannot
    // change is not laid out again.
    const QString text = m_link->text();
    const bool same = isReadOnly() && !document()->isModified() && m_shownValid &&
                      text == m_shownText && font() == m_shownFont;
    if (!same) {
        document()->clear();
        setCurrentCharFormat(QTextCharFormat());
        document()->setDefaultFont(font());
        SetFieldText(document(), text);
        showScreenFonts();
        document()->setModified(false);
        m_shownText = text;
        m_shownFont = font();
        m_shownValid = true;
    } else {
        setCurrentCharFormat(QTextCharFormat());
    }
    // The view's own cursor moved along with the inserted text to its end; a new text
    // is shown from its first line.
    setTextCursor(QTextCursor(document()));
    verticalScrollBar()->setValue(0);
    horizontalScrollBar()->setValue(0);
}

void DbRichText::showScreenFonts()
{
    // Fonts named in the stored text are mapped to the fonts this system has. The ranges
    // are collected first: changing a format merges and splits fragments.
    struct Range
    {
        int from;
        int to;
        QString family;
    };
    QList<Range> ranges;
    for (QTextBlock block = document()->begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            const QStringList families = fragment.charFormat().fontFamilies().toStringList();
            if (families.isEmpty())
                continue;
            const QString shown = ScreenFontFamily(families.first());
            if (shown != families.first())
                ranges.append(
                    {fragment.position(), fragment.position() + fragment.length(), shown});
        }
    }
    QTextCursor cursor(document());
    for (const Range& range : ranges) {
        cursor.setPosition(range.from);
        cursor.setPosition(range.to, QTextCursor::KeepAnchor);
        QTextCharFormat format;
        format.setFontFamilies(QStringList{range.family});
        cursor.mergeCharFormat(format);
    }
}

} // namespace veltra
