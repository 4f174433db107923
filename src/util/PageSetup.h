// The paper a report is printed on (PDF pages, RTF page setup), the marks the report puts
// on its paragraphs so that both printers keep its blocks together, and the one default
// tab width that every view of a rich text and every printed form of it share.
#pragma once

#include <QString>
#include <QTextFormat>

class QTextDocument;

#include <optional>

class QLocale;
class QPageSize;

namespace veltra {

enum class PaperSize
{
    A4,
    Letter
};

/// The paper of the locale: Letter where it is the usual office paper (the United States,
/// Canada, Mexico and the other countries of the Americas that keep it, the Philippines),
/// and wherever the locale measures in US units; A4 everywhere else.
PaperSize LocalePaperSize(const QLocale& locale);
/// "a4" or "letter" in any case; nothing for any other text.
std::optional<PaperSize> ParsePaperSize(const QString& text);
/// "a4" or "letter", the form ParsePaperSize reads and the settings file keeps.
QString PaperSizeName(PaperSize paper);
QPageSize PageSizeOf(PaperSize paper);

/// Page margins of a printed report in millimetres, the same for both orientations; the
/// PDF's page footer lies inside the bottom margin's band of the text area.
inline constexpr double PageMarginLeft = 20, PageMarginRight = 20, PageMarginTop = 15,
                        PageMarginBottom = 15;

/// Where a rich text sets no tab stops of its own, a tab advances to the next multiple of
/// half an inch: 720 twips, the default of rich text.
inline constexpr int DefaultTabTwips = 720;
/// That distance in the pixels of a device with the given resolution (96 for the views,
/// which are designed for a 96 dpi screen; the printer's resolution for a PDF).
double DefaultTabStopDistance(double dotsPerInch = 96);

/// Block format properties the documentation report sets on its paragraphs.
/// ReportBlockKindProperty: a ReportBlockKind; a paragraph without it is a Line.
/// ReportBlockGroupProperty: paragraphs of one table or text block share a number.
inline constexpr int ReportBlockKindProperty = QTextFormat::UserProperty + 0x5100;
inline constexpr int ReportBlockGroupProperty = QTextFormat::UserProperty + 0x5101;

enum class ReportBlockKind
{
    /// A line on its own, never wrapped.
    Line = 0,
    /// A line of a section header: it stays on one page with what follows it.
    Header = 1,
    /// A line of a fixed-pitch table: never wrapped; the table's first line is its heading.
    Table = 2,
    /// Running text (the Info text): wrapped at the text width.
    Prose = 3
};

/// Marks the paragraphs `first` to `last` (block numbers) of a report document as one
/// block of that kind with the block number `group`, as the RTF and PDF writers read them.
void MarkReportBlock(QTextDocument& document, int first, int last, ReportBlockKind kind, int group);

} // namespace veltra
