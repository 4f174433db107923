// The program's own writer of rich text (RTF), the counterpart of RtfReader: the
// documentation report is saved with it, and what it writes the reader reads back to the
// same text.
#pragma once

#include <QByteArray>
#include <QString>

class QTextDocument;

namespace veltra {

/// The RTF text of the document: one paragraph per block, with font family and size,
/// bold, italic, underline, strike-out, text and highlight colours, alignment, tabs and
/// forced line breaks (U+2028). Characters outside 7-bit ASCII are written as \uN with an
/// ASCII stand-in, so every word processor reads the same text. An empty document gives
/// an RTF document without text.
QByteArray DocumentToRtf(const QTextDocument& document);

/// Writes DocumentToRtf(document) to path atomically: a failed write leaves an existing
/// file whole. Throws VeltraError naming the file and the system's reason.
void WriteRtfFile(const QTextDocument& document, const QString& path);

} // namespace veltra
