// The Excel workbook of a result table: the table with numeric cells on the first sheet,
// where it comes from on the sheet "Source".
#pragma once

#include "tables/ResultTable.h"
#include "util/Workbook.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

namespace veltra {

class DataTable;

/// Where a result table comes from: the parameter row that names the data file (its
/// fields empty when no row names it) and the time the workbook is written.
struct ResultWorkbookSource
{
    QString variable;
    QString dataSource;
    QString dataFileName;
    /// The row's Info field text (plain or RTF); one sheet row a line.
    QString info;
    /// The lines of the restriction panel for the row (RestrictionDisplayLines).
    QStringList restrictionLines;
    QDateTime written;
};

/// The name of the first sheet.
inline constexpr QLatin1String ResultSheetName("Table");
/// The name of the second sheet.
inline constexpr QLatin1String SourceSheetName("Source");

/// The two sheets of the result table's workbook.
///
/// "Table": the header row of the column names (the columns of ResultTableColumns, so the
/// same checked fields as the result table; names trimmed), bold and frozen, then one
/// row a visible row of the data file. The value of a number field, and any other value
/// that is a number by the result tables' rule (ResultCellNumber), is a numeric cell at
/// full precision shown with options.decimals places; an empty value is an empty cell;
/// any other value is text.
///
/// "Source": label and value a row: "Variable", "DataSource", "Data file", one "Info" row
/// a line of the Info text (the label on the first), one "Restrictions" row a restriction
/// line (trimmed), "Written" with the date and time (yyyy-MM-dd HH:mm:ss).
///
/// Throws VeltraError when the data file is not open ("No selected data set.") or a
/// checked field is not in the file.
QList<WorkbookSheet> ResultWorkbookSheets(const DataTable& dataFile,
                                          const ResultTableOptions& options,
                                          const ResultWorkbookSource& source);

/// ResultWorkbookSheets written to path as an .xlsx file (WriteWorkbookFile). Throws
/// VeltraError naming the file on failure; the old file is then kept.
void WriteResultWorkbook(const QString& path, const DataTable& dataFile,
                         const ResultTableOptions& options, const ResultWorkbookSource& source);

} // namespace veltra
