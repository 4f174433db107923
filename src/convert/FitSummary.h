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

/// Text lines: the row and group, the reliability line, then per fit in stored order its
/// type and fit statistic, its parameters (mean and SD among them), its quantiles, its
/// deviation from the observed percentiles N supports with its rank, and the formulas for
/// R, Python, @RISK and Excel (in the user's form); a fit that cannot be computed gets a
/// "not computable: " line with the reason instead. Numbers in the text use the user's
/// decimal separator; the formulas other than Excel's always use ".".
QStringList FitSummaryLines(const QString& id, int groupNo, int groupCount,
                            const AgeGroupFits& group);

/// One JSON object: {"schema": 2, "id", "group", "n", "fits": [...], "reliable": {...}}.
/// Numbers are JSON numbers; a value that is infinite or does not exist is null with a
/// sibling "<key>_status" of "infinite" or "undefined". A fit that cannot be computed
/// holds its "error"; the others their "rank", "params", "quantiles", "median", "mean",
/// "sd", "deviation" and the formulas "r", "python", "atrisk" and "excel" (English form).
QByteArray FitSummaryJson(const QString& id, int groupNo, const AgeGroupFits& group);

} // namespace veltra
