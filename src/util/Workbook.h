// Excel workbooks (.xlsx) of tables: numbers as numeric cells, text as text, a bold and
// frozen header, column widths fitted to the content.
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QVariant>

namespace veltra {

/// One sheet of a workbook.
struct WorkbookSheet
{
    /// The sheet's name: 1 to 31 characters, none of []:*?/\ and no apostrophe at either
    /// end; names differ from each other ignoring case. Anything else is an error.
    QString name;
    /// The cells, row by row. The first headerRows rows are the header: bold and frozen.
    /// double/float/int/qlonglong (signed or not) become numeric cells at full precision,
    /// bool a logical cell, an invalid or null QVariant an empty cell, everything else a
    /// text cell (QVariant::toString). A non-finite double is written as the text
    /// "infinite", "-infinite" or "undefined" (NaN).
    QList<QList<QVariant>> rows;
    int headerRows = 1;
    /// Display format of the numeric cells: -1 is Excel's General, 0 to 30 the fixed
    /// format with that many places ("0", "0.0", "0.00", ...).
    int decimals = -1;
};

/// The .xlsx bytes of the sheets in order, column widths fitted to the content. Throws
/// VeltraError naming the sheet (and the cell) on an invalid name, a table beyond Excel's
/// limits (1,048,576 rows, 16,384 columns, 32,767 characters a cell) or a failure of the
/// writer.
QByteArray BuildWorkbook(const QList<WorkbookSheet>& sheets);

/// BuildWorkbook written to path through the one safe write routine: a failure leaves
/// the old file as it was. Throws VeltraError naming the file and the reason.
void WriteWorkbookFile(const QString& path, const QList<WorkbookSheet>& sheets);

} // namespace veltra
