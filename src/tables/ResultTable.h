// The result tables of a data file: a formatted table with right-aligned fixed-width
// columns, a CSV table and a tab-delimited table over the checked fields.
#pragma once

#include "util/GeneratorResult.h"

#include <QList>
#include <QStringList>
#include <optional>

namespace veltra {

class DataTable;

enum class ResultTableForm
{
    Formatted,
    Csv,
    TabDelimited
};

/// The upper-case names of the statistics-section fields that are never columns of a
/// result table: "QUANTILES", "MOMENTS", "GENERALF", "CORRELATIO", "COVAR", "FORMULA",
/// "FX". The viewer and veltra-cli both start from this list.
const QStringList& DefaultSectionFieldNames();

struct ResultTableOptions
{
    ResultTableForm form = ResultTableForm::Formatted;
    int digits = 9;   ///< column width and significant digits (6 to 14 in the viewer)
    int decimals = 2; ///< digits after the decimal separator (0 to 7 in the viewer)
    /// The data file's field names in field order, as the browser holds them (the
    /// caller upper-cases them first for CSV and tab-delimited tables). Header cells
    /// are made from these names; values are read by field position.
    QStringList fieldNames;
    /// The check mark of each field, in field order; a field past the end of the list
    /// is not checked.
    QList<bool> checked;
    /// Names of the statistics-section fields that are never columns
    /// (DefaultSectionFieldNames in the viewer).
    QStringList sectionFieldNames;
};

/// True when the name, trimmed (TrimBlanks) and upper-cased, is one of the section
/// field names.
bool IsExcludedField(const QString& name, const QStringList& sectionFieldNames);

/// A cell of a separated table: quoted when it holds the separator, a double quote, CR or
/// LF, with inner quotes doubled, so that every reader finds the same columns (RFC 4180).
QString SeparatedCell(const QString& text, QChar separator);

/// The number of a non-empty value cell, by the numeric cell rule of the result
/// tables: the value counts as a number when it passes IsNumberTextPoint after its
/// first "," is read as "." (only when it passes IsNumberTextComma); it is then read
/// with DecimalSeparator(), and when that fails with its first "." replaced by ",".
/// No value when it is no number or cannot be read either way ("E", "+", "1,5" under a
/// "." separator); such a value is written as text.
std::optional<double> ResultCellNumber(const QString& value);

/// The field indexes that are the result table's columns, in field order: the fields
/// whose check mark is set and whose name is no section field name; for the
/// tab-delimited table no memo field. Throws VeltraError naming the field and the file
/// for a checked field past the data file's fields.
QList<int> ResultTableColumns(const DataTable& dataFile, const ResultTableOptions& options);

/// The result table of the data file's visible rows, in their order: the header line,
/// then one line per row. The table's current row is not moved. Columns are the fields
/// whose check mark is set and whose name is no section field name; the tab-delimited
/// table also leaves out every memo field. Values are the texts the views show
/// (FieldDisplayText); numbers are written by FormatFixedWidth(digits, decimals) with
/// the user's decimal separator (DecimalSeparator).
///
/// Formatted: every cell right-aligned in `digits` characters (a longer text is not
/// cut), no separator; an empty value is "."; a field name that reads as a number is
/// written as a number. CSV (";") and tab-delimited (TAB): cells without padding and
/// without leading blanks and control characters, no separator after the last cell; an
/// empty value is an empty cell; a field name that passes IsNumberTextPoint is "N"
/// followed by its field index (0-based over all fields). A cell that holds the
/// separator, a double quote, CR or LF is written in double quotes with inner quotes
/// doubled (RFC 4180), so no value shifts the columns.
///
/// A text value that holds line breaks (a memo field) keeps them, so its line holds
/// them too (in a CSV or tab-delimited table inside a quoted cell); a text view shows
/// such a line as several lines.
///
/// A closed data file gives no lines and stops at row 0 with "No selected data set.".
/// A checked field past the data file's fields fails before the header (no stopRow).
GeneratorResult GenerateResultTable(const DataTable& dataFile, const ResultTableOptions& options);

} // namespace veltra
