// The program's own reader for the rich text (RTF) held in the Info and
// VARLABELS fields: formatted text for a QTextDocument, plain text, and the
// Info lines that the restriction panel and the search index read.
#pragma once

#include <QColor>
#include <QList>
#include <QString>
#include <QStringList>

class QTextDocument;

namespace veltra {

/// True when the text, after optional leading blanks and control characters
/// (line breaks, tabs), starts with "{\rtf".
bool IsRtfText(const QString& text);

/// Character formatting of a run of text. Empty or zero members mean "not set
/// by the RTF": the run then takes the document's default.
struct RtfCharFormat
{
    QString fontFamily;   ///< from the font table (\fN); empty: default font
    double pointSize = 0; ///< \fsN / 2; 0: default size
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strikeOut = false;
    QColor foreground; ///< \cfN from the colour table; invalid: default colour
    QColor background; ///< \highlightN or \cbN; invalid: no highlight

    bool operator==(const RtfCharFormat&) const = default;
};

/// A piece of a paragraph with one format.
struct RtfRun
{
    QString text;
    RtfCharFormat format;
};

/// One paragraph (ended by \par). A forced line break (\line) inside it is
/// the character U+2028 (QChar::LineSeparator); a tab is '\t'.
struct RtfParagraph
{
    QList<RtfRun> runs;
    Qt::Alignment alignment = Qt::AlignLeft; ///< \ql \qc \qr \qj; \pard resets
    QString text() const;
};

/// Reads an RTF text once, in the constructor, and offers the result.
///
/// The reader never throws and never recurses: malformed input (unbalanced
/// braces, truncated text, huge numbers, very deep nesting) gives whatever
/// text could be read. Destinations that are not visible text (font and colour
/// tables, style sheet, document info, pictures, objects, headers and
/// footers, field instructions, every \* destination) are never shown;
/// unknown control words are ignored. \'hh bytes are decoded through the
/// document's code page (\ansicpg, default 1252) or the code page of the
/// current font's \fcharset.
class RtfReader
{
public:
    explicit RtfReader(const QString& rtf);

    /// The paragraphs as read. Text after a final \par makes a last paragraph;
    /// a final \par followed by nothing leaves an empty last paragraph.
    const QList<RtfParagraph>& paragraphs() const { return m_paragraphs; }

    /// The plain text: the paragraphs joined by "\r\n", with each forced line
    /// break (\line) written as "\r\n" as well, since the text view shows it
    /// as a line of its own.
    QString plainText() const;

    /// Replaces the content of the document by the formatted text. A final
    /// empty paragraph (left by a closing \par) is not added as a block: the
    /// document's last block already ends the text.
    void writeTo(QTextDocument* document) const;

private:
    QList<RtfParagraph> m_paragraphs;
};

/// The plain text of an RTF text (RtfReader::plainText).
QString RtfToPlainText(const QString& rtf);

/// The Info lines of a field text as the text view delivers them: for RTF
/// one line per paragraph (and per forced line break) of its plain text, for
/// plain text one line per line, split at CR LF, LF or CR. Every line ends
/// with a carriage return "\r". An empty line after the final line break is
/// not a line; an empty text has no lines.
QStringList InfoLines(const QString& fieldText);

/// The first Info line without its carriage return; empty when there is none.
QString FirstInfoLine(const QString& fieldText);

/// Fills the document with the field text: RTF is converted (RtfReader),
/// plain text is shown as it is, its line breaks (CR LF, LF, CR) starting new
/// paragraphs. The caller keeps ownership of the document.
void SetFieldText(QTextDocument* document, const QString& fieldText);

} // namespace veltra
