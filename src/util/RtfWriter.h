// The program's own writer of rich text (RTF), the counterpart of RtfReader: the
// documentation report is saved with it, and what it writes the reader reads back to the
// same text.
#pragma once

#include "util/PageSetup.h"

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
/// The page setup is the paper's (\paperw, \paperh, the report's margins), the default tab
/// width half an inch (\deftab720). Fixed-pitch families are declared \fmodern\fprq1, a
/// generic family name ("monospace") as the family a word processor has for it. Lines are
/// never wrapped by a reader at the paper's text width: a block (see ReportBlockKind; an
/// unmarked paragraph is a block of its own; running text wraps and is left alone) whose
/// widest line is wider gets a smaller font size, down to 8 points, and otherwise goes
/// into a landscape section (\lndscpsxn), at a smaller size still only where landscape at
/// 8 points is too narrow. Section headers go into the section of the block they introduce.
/// Once a section is landscape, the sections after it stay landscape.
QByteArray DocumentToRtf(const QTextDocument& document, PaperSize paper = PaperSize::A4);

/// Writes DocumentToRtf(document, paper) to path atomically: a failed write leaves an
/// existing file whole. Throws VeltraError naming the file and the system's reason.
void WriteRtfFile(const QTextDocument& document, const QString& path,
                  PaperSize paper = PaperSize::A4);

} // namespace veltra
