// The format language of the formatted table generator: one line per column, "VarName
// Format Alias", and the table it makes from a data file.
#pragma once

#include "util/GeneratorResult.h"

#include <QList>
#include <QString>
#include <QStringList>

namespace veltra {

class DataTable;

/// The format letters, with the values stored in rForm::Kind.
enum FormatKind : quint8
{
    FormatF = 0,
    FormatI = 1,
    FormatS = 2,
    FormatC = 3
};

/// One parsed format line. Width and decimals keep only the low 8 bits of the numbers
/// written (300 is stored as 44).
struct rForm
{
    quint8 Kind = FormatF;
    quint8 Width = 9;
    quint8 Decimals = 2;
    QString VarName;
    QString Alias;
};

/// Kind, Width and Decimals of a format word: "F6.2", "S5.1", "I6", "C5" (letter in
/// either case); empty or another first letter gives F, 9, 2. Each number is an
/// optional sign and decimal digits within the range of 32-bit integers, of which the
/// low 8 bits are kept. Throws VeltraError naming the word and the 1-based character
/// position when a number in it cannot be read ("F9", "F.2", "I", "I6.2", "S5").
rForm ParseFormatSpec(const QString& spec);

/// A value text as a number, accepting "." and "," as decimal point under either
/// decimal separator (DecimalSeparator "." or ","); NaN when it is no number (empty,
/// both "." and ",", text, or a text that passes the quick number test but does not
/// read, such as "E" or "+").
double TextToNumber(const QString& text);

/// True for a line that is empty after TrimLeftText or starts with "//" then.
bool IsFormatCommentLine(const QString& line);

/// The format lines with every comment line removed ("Delete/Empty").
QStringList WithoutCommentLines(const QStringList& formatLines);

/// Parses every format line; a comment line gives an element with an empty VarName and
/// describes no column. Throws VeltraError naming the 1-based line number and its text
/// when its format word cannot be read.
QList<rForm> ParseFormatLines(const QStringList& formatLines);

/// The formatted table of the data file's visible rows: the header line of the
/// captions (Alias, or VarName when it is empty, right-aligned in Width, in Width + 3
/// for S), then one line per row. Comment lines describe no column. A value (the text
/// the views show, FieldDisplayText) for which TextToNumber gives a number is written
/// with FormatFixedWidth(Width, Decimals), any other value right-aligned in Width (not
/// cut, line breaks of a memo value kept); cells are joined without separator. The
/// table's current row is not moved.
/// The run stops (error says why) when a format word cannot be read (before any line,
/// no stopRow; the message names the format line), when a VarName is no field of the
/// file (stopRow 0, after the header line) or the file is not open (after the header
/// line, no stopRow).
GeneratorResult RunFormattedTable(const QStringList& formatLines, const DataTable& dataFile);

} // namespace veltra
