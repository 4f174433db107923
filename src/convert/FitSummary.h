// The fits of one age group as text lines and as JSON: what `veltra-cli fits` prints.
#pragma once

#include "convert/FitAnalysis.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>

namespace veltra {

/// The quantile levels listed for every fit.
inline const QList<double> SummaryLevels{0.01, 0.05, 0.25, 0.5, 0.75, 0.95, 0.99};

/// A number for reading: six significant digits with the user's decimal separator;
/// "infinity" or "-infinity" for an infinite value.
QString ShownNumber(double value);

/// As ShownNumber, and undefinedText (default "undefined") where there is no value.
QString ShownNumber(const std::optional<double>& value, const QString& undefinedText = {});

/// Text lines: the row and group, the reliability line, then per fit its type and fit
/// statistic, its parameters (mean and SD among them), its quantiles, its deviation from the
/// observed quantiles and the three formulas. Numbers in the text use the user's decimal
/// separator; the formulas always use ".".
QStringList FitSummaryLines(const QString& id, int groupNo, int groupCount,
                            const AgeGroupFits& group);

/// One JSON object: {"id", "group", "n", "fits": [...], "reliable": {...}}, numbers as
/// JSON numbers, null where a value does not exist.
QByteArray FitSummaryJson(const QString& id, int groupNo, const AgeGroupFits& group);

} // namespace veltra
