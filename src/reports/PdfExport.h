// Printing a report document to a PDF file, and the choice between PDF and RTF that the
// report view and veltra-cli make by the file's name.
#pragma once

class QString;
class QTextDocument;

namespace veltra {

/// Prints the document to a PDF file of A4 pages with its own fonts (embedded in the file)
/// and "Page N of M" centred at the foot of every page. Lines are not wrapped, so that the
/// columns of fixed-pitch tables stay aligned: when the widest line is wider than the page,
/// the whole document is scaled down until it fits, down to half its size; only lines still
/// wider than that wrap. Font sizes in pixels are taken at 96 per inch. Written atomically;
/// throws VeltraError naming the file and the system's reason, leaving an existing file
/// whole. Needs a QGuiApplication (any platform plugin, "offscreen" too); without one it
/// throws VeltraError.
void WritePdfFile(const QTextDocument& document, const QString& path);

/// Writes the report: PDF (WritePdfFile) for a path ending in ".pdf" in any case, RTF
/// (WriteRtfFile) for every other path.
void WriteReportFile(const QTextDocument& document, const QString& path);

} // namespace veltra
