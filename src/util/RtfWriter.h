// The program's own writer of rich text (RTF), the counterpart of RtfReader: the
// documentation report is saved with it, and what it writes the reader reads back to the
// same text.
#pragma once

#include <QByteArray>
#include <QString>

class QTextDocument;

namespace veltra {

/// The RTF text of the document: one paragraph per block (separated by \par), with font
/// family and size, bold, italic, underline, strike-out, text and highlight colours,
/// alignment, tabs and forced line breaks (U+2028). The document's default font is the
/// \deff font, and every run states its font and size, so text without a format of its own
/// keeps the document's font (pixel sizes are taken at 96 per inch). Characters outside
/// 7-bit ASCII are written as \uN with a stand-in for readers without Unicode: the
/// character's byte in code page 1252 where it has one, else '?'; characters beyond 16
/// bits as their two surrogates. RtfReader reads the result back to the same paragraphs
/// and runs. An empty document gives an RTF document without text.
QByteArray DocumentToRtf(const QTextDocument& document);

/// Writes DocumentToRtf(document) to path atomically: a failed write leaves an existing
/// file whole. Throws VeltraError naming the file and the system's reason.
void WriteRtfFile(const QTextDocument& document, const QString& path);

} // namespace veltra
