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
/// the food-safety guidance for small samples); the median needs none; a level between
/// two rows needs what the next row towards the tail needs. A level beyond 2.5 % in
/// either tail is outside the guidance table: none.
std::optional<int> MinimumObservations(double level);

/// The text for a level outside the guidance table.
inline const QString OutsideGuidanceText = QStringLiteral("outside the guidance table");

/// The number of observations of a NOBS text: a whole number from 0 to 1e15, none
/// (unknown) for anything else.
std::optional<qint64> ObservationCount(const QString& text);
/// The number of observations of the data file's visible row `row` (0-based): its NOBS
/// field read by ObservationCount; unknown without the field or the row.
std::optional<qint64> AgeGroupObservations(const DataTable& dataFile, int row);

/// True when an observed point is one the group's N supports: a percentile whose rule
/// N meets. MIN and MAX, and percentiles outside the guidance table, are not.
bool IsSupportedPercentile(const ObservedQuantile& point, std::optional<qint64> n);

/// How far a fit strays from the observed percentiles: at the percentile where the
/// absolute log ratio of the fit's quantile to the observed value is largest.
struct FitDeviation
{
    QString label;       ///< the percentile, "P95"
    double relative = 0; ///< Q(p) / observed - 1, signed; infinity for an infinite Q(p)
    double logRatio = 0; ///< |ln(Q(p) / observed)|, what the fits are ranked by
};

/// The class of a deviation: under 5 % apart, under 15 % apart, or further (measured as
/// exp(|log ratio|) - 1, so that a fit half as large counts as far off as one twice as
/// large).
enum class DeviationClass
{
    None,
    Close,
    Moderate,
    Far
};
DeviationClass ClassOf(const std::optional<FitDeviation>& deviation);

/// "P95 +6.0 %", "P50 -12.3 %", "P99 infinite"; "-" without a deviation. Numbers with
/// the user's decimal separator.
QString DeviationText(const std::optional<FitDeviation>& deviation);

/// The percentile label of a level: 0.05 -> "P05", 0.975 -> "P97.5", 0.5 -> "P50".
QString PercentileLabel(double level);

/// The observed column of a QUANTILES text: the rows that start with a level in percent
/// ("5%") under a header whose second word is "observed". Rows whose value cannot be
/// read are left out; a text of another layout gives nothing.
QList<ObservedQuantile> ReadObservedQuantiles(const QString& quantilesText);

/// Everything the distribution window and `veltra-cli fits` show of one age group.
/// A fit of the group that cannot be computed, with the reason (naming the group, the fit
/// line and its parameters).
struct FailedFit
{
    GfFit fit; ///< type name, fit statistic, line and stored position
    QString error;
};

struct AgeGroupFits
{
    QString caption;         ///< the status bar's age-group text
    std::optional<qint64> n; ///< NOBS; none when the file has no such field or value
    double ageMidpoint = 0;  ///< (AGEMin + AGEMax) / 2; NaN without both
    /// The row's statistic fields, then the QUANTILES levels the fields do not hold,
    /// ordered by level. MIN and MAX stand at 1/(N+1) and N/(N+1) and are left out
    /// without N.
    QList<ObservedQuantile> observed;
    /// The fits that can be computed, in stored order (GfFit::position tells their place).
    QList<FitDistribution> fits;
    /// The fits that cannot be computed, in stored order.
    QList<FailedFit> failed;
    /// Per computable fit: its deviation from the observed percentiles N supports; none
    /// when there is no such percentile.
    QList<std::optional<FitDeviation>> deviations;
};

/// The fits of the visible row `row` (0-based) of a data file. Each fit is read and
/// computed on its own: one that cannot be goes into `failed` with its reason. Throws
/// VeltraError when the file has no GENERALF field, the row has no fit, or none of its
/// fits can be computed (naming the age group and each fit's reason).
AgeGroupFits AnalyseAgeGroup(const DataTable& dataFile, int row);

/// The deviation over the observed percentiles the group's N supports (never MIN or
/// MAX); observed values or quantiles that are not positive are left out.
std::optional<FitDeviation> WorstDeviation(const FitDistribution& fit,
                                           const QList<ObservedQuantile>& observed,
                                           std::optional<qint64> n);

/// "There is no age group N; the data file has M": N counts from 1, as the user gave it.
QString NoAgeGroupMessage(qint64 groupNo, int groups);

/// The reliability line shown under the converted parameter sets: "Percentile
/// reliability (N = 45): P75 yes, P90 yes, P95 no (N < 61), P97.5 no (N < 181)".
QString ReliabilityLine(std::optional<qint64> n);

/// The levels the reliability line and `veltra-cli fits` report.
inline const QList<double> ReportedPercentiles{0.75, 0.90, 0.95, 0.975};

} // namespace veltra
