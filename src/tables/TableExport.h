// Getting tables out: the text for the clipboard, the spreadsheet form with TABs
// between cells, and text files written whole or not at all.
#pragma once

#include "util/TextLines.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

namespace veltra {

/// The lines as one text for the clipboard, joined by CR LF (no line break after the
/// last line).
QString ClipboardText(const QStringList& lines);

/// The kind of table a result view holds, which decides where its lines are cut into cells.
enum class TableTextKind
{
    Formatted,     ///< the formatted result table: fixed-width columns, "." for an empty value
    Csv,           ///< cells separated by ";", RFC 4180 quotes
    TabDelimited,  ///< cells separated by TAB, RFC 4180 quotes
    UserFormatted, ///< the table of the formatted table generator: fixed-width columns
};

/// What the cutting needs to know of a table view's text: its kind and, for the
/// fixed-width kinds, the column widths the generator used (GeneratorResult::columnWidths
/// and headerWidths). Without widths the header line defines the columns: each run of
/// non-blank characters in it ends a column.
struct TableTextLayout
{
    TableTextKind kind = TableTextKind::Formatted;
    QList<int> columnWidths;
    QList<int> headerWidths;
};

/// The cells of a table view's lines, row by row, each trimmed of blanks.
///
/// Fixed-width kinds: the lines are cut at the column boundaries; every cell is
/// right-aligned in its column, and a text longer than its column (such as "0 - <1
/// years" in a 9-character column) pushes the cells after it to the right: such a cell
/// starts and ends without a blank and takes extra characters of the line. Where the
/// extra characters go is chosen so that the fewest cells hold a run of two or more
/// blanks (the padding of a cell merged into its neighbour), the earliest column first
/// on a tie; so a blank inside a value never splits it. Two long texts that touch
/// cannot be told apart from one; a line with more than 64 extra characters gives them
/// to the first column that can take them. Every row has the header's number of cells;
/// the last column takes the rest of the line; empty lines are no rows. In the formatted
/// result table "." (an empty value) becomes an empty cell.
///
/// CSV and tab-delimited: the lines are read as one text, cut at the separators with the
/// RFC 4180 quotes undone (a quoted cell may hold the separator, quotes and line breaks).
QList<QStringList> TableCells(const QStringList& lines, const TableTextLayout& layout);

/// The spreadsheet form of a table view's lines for the clipboard: the cells of
/// TableCells joined by TAB, one line a row. A cell that is a number (ResultCellNumber)
/// is written with the locale's decimal separator (QLocale::system), so the spreadsheet
/// takes it as a number; a cell holding a TAB, a double quote or a line break is quoted
/// with inner quotes doubled, as spreadsheets read pasted text.
QStringList SpreadsheetLines(const QStringList& lines, const TableTextLayout& layout);

} // namespace veltra
