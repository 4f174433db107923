// Conversion of the "General F" (GF) lines of an age group into a ranked
// fixed-width table of standard distribution parameters.
#pragma once

#include <QStringList>

namespace veltra {

/// Replaces lines (GF lines: TYPE=, PT= and KS=/AP= lines) by the conversion
/// table: a header line and one row per fit line with rank, distribution name,
/// fit statistic and the parameters in the distribution's standard form.
/// Other lines are skipped. A failing floating-point operation (a zero or
/// negative parameter where a division or logarithm needs another, a result
/// beyond the range of doubles) throws FloatingPointError; lines then already
/// holds the header and the rows completed before the failing line.
void ConvertParameterSets(QStringList& lines);

} // namespace veltra
