// One age group's fits set against its observed percentiles: the observed points of the
// row, how far each fit's quantiles stray from them, and which percentiles the group's
// number of observations supports.
#pragma once

#include "convert/Distributions.h"

#include <QList>
#include <QString>
#include <optional>

namespace veltra {

class DataTable;

/// An observed quantile of an age group: from a statistic field of the row (MIN, P05,
/// P25, P50, P75, P95, MAX) or from the observed column of its QUANTILES text.
struct ObservedQuantile
{
    QString label; ///< "P05", "MIN", "P97.5", ...
    double level = 0;
    double value = 0;
    QString source; ///< the field name, or "QUANTILES"
};

/// The small-sample rule for a percentile: the number of observations it needs.
/// P75 and P25 need 12, P90 and P10 30, P95 and P5 61, P97.5 and P2.5 181 (the rule of
/// the food-safety guidance for small samples); the median needs none. Beyond 2.5 %
/// in either tail the last rule's product of N and tail share (181 x 2.5 %) is kept,
/// so P99 needs 453.
int MinimumObservations(double level);

/// The percentile label of a level: 0.05 -> "P05", 0.975 -> "P97.5", 0.5 -> "P50".
QString PercentileLabel(double level);

/// The observed column of a QUANTILES text: the rows that start with a level in percent
/// ("5%") under a header whose second word is "observed". Rows whose value cannot be
/// read are left out; a text of another layout gives nothing.
QList<ObservedQuantile> ReadObservedQuantiles(const QString& quantilesText);

/// Everything the distribution window and `veltra-cli fits` show of one age group.
struct AgeGroupFits
{
    QString caption;        ///< the status bar's age-group text
    std::optional<int> n;   ///< NOBS; none when the file has no such field or value
    double ageMidpoint = 0; ///< (AGEMin + AGEMax) / 2; NaN without both
    /// The row's statistic fields, then the QUANTILES levels the fields do not hold,
    /// ordered by level. MIN and MAX stand at 1/(N+1) and N/(N+1) and are left out
    /// without N.
    QList<ObservedQuantile> observed;
    QList<FitDistribution> fits;
    /// Per fit: the largest relative deviation of its quantiles from the observed
    /// quantiles between P05 and P95; none when there is no such observed quantile.
    QList<std::optional<double>> deviations;
};

/// The fits of the visible row `row` (0-based) of a data file. Throws VeltraError when
/// the file has no GENERALF field, the row no fit, or a fit parameter is outside its
/// domain (naming the age group and the parameter).
AgeGroupFits AnalyseAgeGroup(const DataTable& dataFile, int row);

/// "There is no age group N; the data file has M": N counts from 1, as the user gave it.
QString NoAgeGroupMessage(qint64 groupNo, int groups);

/// The largest |Q(p) / observed - 1| over the observed quantiles with 0.05 <= p <= 0.95
/// (observed values of 0 left out).
std::optional<double> MaxRelativeDeviation(const FitDistribution& fit,
                                           const QList<ObservedQuantile>& observed);

/// The reliability line shown under the converted parameter sets: "Percentile
/// reliability (N = 45): P75 yes, P90 yes, P95 no (N < 61), P97.5 no (N < 181)".
QString ReliabilityLine(std::optional<int> n);

/// The levels the reliability line and `veltra-cli fits` report.
inline const QList<double> ReportedPercentiles{0.75, 0.90, 0.95, 0.975};

} // namespace veltra
