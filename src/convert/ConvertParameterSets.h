// Conversion of the "General F" (GF) lines of an age group into a ranked
// fixed-width table of standard distribution parameters.
#pragma once

#include "util/GeneratorResult.h"

#include <QStringList>

namespace veltra {

/// Converts GF lines (TYPE=, PT= and KS=/AP= lines) into the conversion table: a
/// header line and one row per fit line with rank, distribution name, fit statistic
/// and the parameters in the distribution's standard form. Other lines are skipped.
/// A failing floating-point operation (a zero or negative parameter where a division
/// or logarithm needs another, a result beyond the range of doubles) or an unreadable
/// number stops the conversion: the result then holds the header and the rows
/// completed before the failing line, stopRow is that line's index and error names
/// the failure ("Floating point division by zero", "Invalid floating point
/// operation", "Floating point overflow").
GeneratorResult ConvertParameterSets(const QStringList& gfLines);

/// The value text of a GF line: everything after the first "=". Stored lines end in a
/// terminator (";" as a rule) that is dropped; a last character that is a letter, digit
/// or "." belongs to the value and stays.
QString GfValueText(const QString& line);

} // namespace veltra
