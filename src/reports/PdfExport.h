// Printing a report document to a PDF file, and the choice between PDF and RTF that the
// report view and veltra-cli make by the file's name.
#pragma once

#include "util/PageSetup.h"

#include <QByteArray>

class QString;
class QTextDocument;

namespace veltra {

/// The PDF of the document on pages of the given paper, with its own fonts (embedded) and
/// "Page N of M" centred at the foot of every page. Text is never set below 8 points: a
/// smaller font is raised to 8 points. Paragraphs the report marks as running text
/// (ReportBlockKind::Prose) wrap at the text width; every other line is never wrapped,
/// so that the columns of fixed-pitch tables stay aligned. A block (the paragraphs
/// sharing a ReportBlockGroupProperty; an unmarked paragraph is a block of its own) keeps
/// its size when its widest line fits the portrait text width, is reduced to no less
/// than 8 points where that makes it fit, and otherwise goes on landscape pages; only a
/// block too wide for landscape at 8 points is scaled down further, alone; a block that
/// fits portrait goes on in the orientation of the page before it. Section
/// headers (ReportBlockKind::Header) stay on one page with the block that follows them
/// and share its orientation; a table of up to 25 lines is never split, and a longer
/// table repeats its heading (its first line) at the top of each following page. Every
/// other line is drawn exactly once. Tabs without stops of their own advance to the half
/// inch. The time is linear in the document's length. Font sizes in pixels are taken at
/// 96 per inch. Needs a QGuiApplication (any platform plugin, "offscreen" too); without
/// one it throws VeltraError.
QByteArray DocumentToPdf(const QTextDocument& document, PaperSize paper, const QString& title);

/// Writes DocumentToPdf(document, paper, the file's base name) to path atomically; throws
/// VeltraError naming the file and the system's reason, leaving an existing file whole.
void WritePdfFile(const QTextDocument& document, const QString& path, PaperSize paper);

/// The file a report is saved to, from the name typed in the save dialog and the pattern
/// of the filter chosen there ("*.pdf", "*.rtf"): a name with an extension of its own
/// keeps it (and WriteReportFile decides by it); a name without one gets the chosen
/// filter's extension ("report" with "*.pdf" gives "report.pdf"; a trailing dot is
/// dropped first); a pattern without a plain extension gives ".rtf". An empty name
/// stays empty (nothing is saved).
QString ReportSaveFileName(const QString& typedName, const QString& chosenPattern);

/// Writes the report: PDF (WritePdfFile) for a path ending in ".pdf" in any case, RTF
/// (WriteRtfFile) for every other path, both on the given paper.
void WriteReportFile(const QTextDocument& document, const QString& path, PaperSize paper);

} // namespace veltra
