// The table of an age group's fits as the distribution window shows it and
// `veltra-cli fits --format csv` prints it: every parameter as a named number, the
// rank by closeness to the observed percentiles, the deviation and its class; and the
// age profile of a whole data file.
#pragma once

#include "convert/FitAnalysis.h"
#include "convert/FitFormulas.h"
#include "util/Workbook.h"

#include <QList>
#include <QPointF>
#include <QString>
#include <QStringList>
#include <optional>

namespace veltra {

class DataTable;
class ReferenceDatabase;

/// One row of the fit table: a computable fit or one that is not.
struct FitTableRow
{
    int fit = -1;     ///< index into AgeGroupFits::fits; -1 for a fit that cannot be computed
    int position = 0; ///< place in the stored order
    /// 1 for the fit closest to the observed percentiles N supports; fits without a
    /// deviation follow in stored order, fits that cannot be computed have none (0).
    int rank = 0;
    QString typeName;
    QString statisticName; ///< "KS" or "AP"; empty when the block gives none
    double statistic = 0;  ///< NaN when the block gives none
    double q = 0;
    /// The parameters of the family's usual forms, without q, median, mean and SD.
    QList<FitParameter> parameters;
    std::optional<double> median;
    FitParameter mean; ///< key "mean"; no value where it does not exist, with the reason
    FitParameter sd;   ///< key "sd"; likewise
    std::optional<FitDeviation> deviation;
    DeviationClass deviationClass = DeviationClass::None;
    QString error; ///< the reason for a fit that cannot be computed
};

struct FitTable
{
    /// Rows in stored order, or ordered by rank when the table is ranked.
    QList<FitTableRow> rows;
    /// The most parameter columns any row needs.
    int parameterColumns = 0;
};

/// The table of a group's fits; `byRank` orders the rows by rank instead of their
/// stored order.
FitTable BuildFitTable(const AgeGroupFits& group, bool byRank);

/// The cells as displayed: the header, then one line per row. Numbers have six
/// significant digits and the user's decimal separator; a parameter cell reads
/// "shape = 2.5"; a fit that cannot be computed shows "not computable: " and the reason.
QList<QStringList> FitTableCells(const FitTable& table);

/// The CSV lines (";" between cells, quoted where a cell holds ";", a quote or a line
/// break): a header, then per row its rank, type, statistic, every parameter as a name
/// and a number with all its digits, median, mean, SD, the deviation's percentile, value
/// in percent and class, and the error. Numbers use the user's decimal separator.
QStringList FitTableCsvLines(const FitTable& table);

/// The table as workbook sheets: "Fits" with the columns of the CSV lines, numbers as
/// numeric cells with all their digits, and "Formulas" with the R, Python, @RISK and
/// Excel (English) formulas of every computable fit.
QList<WorkbookSheet> FitTableWorkbook(const FitTable& table, const AgeGroupFits& group);

/// The name of a deviation class in texts: "close", "moderate", "far", "".
QString DeviationClassName(DeviationClass deviationClass);

/// One age group of the age profile: the quantiles and mean of its first stored fit
/// (the GF approximation). A value that is infinite or does not exist is none.
struct AgeProfilePoint
{
    int row = 0; ///< 0-based visible row of the data file
    double midpoint = 0;
    std::optional<double> p05;
    std::optional<double> p50;
    std::optional<double> p95;
    std::optional<double> mean;
};

struct AgeProfile
{
    QList<AgeProfilePoint> points; ///< ordered by age midpoint
    int groupCount = 0;
    int leftOut = 0;  ///< groups without an age range or a computable first fit
    int withGaps = 0; ///< groups where a line has no finite value
    /// "Click a group to make it current." and what was left out.
    QString note;
};

/// The age profile of every visible row of a data file.
AgeProfile BuildAgeProfile(const DataTable& dataFile);

enum class ProfileLine
{
    P05,
    P50,
    P95,
    Mean
};

/// The runs of consecutive groups (by age) where a line of the profile has a value, each
/// as (age midpoint, value) points. A group without the value ends a run, so the chart
/// shows a gap there instead of a line bridging it. P05 and P95 are the edges of one
/// band: their runs hold only groups where both edges have a value.
QList<QList<QPointF>> AgeProfileRuns(const AgeProfile& profile, ProfileLine line);

/// A fit's name in charts and legends: the family, and its fit statistic when the block
/// gives one: "GeneralF (KS = 0.011)".
QString FitCurveName(const GfFit& fit);

/// One point of a Q-Q view: an observed quantile against the fit's quantile at its level.
struct QqPoint
{
    QString label; ///< "P95", "MIN", ...
    double level = 0;
    double observed = 0;
    double fitted = 0;
    bool supported = false; ///< the group's N supports the observed percentile
};

/// The observed quantiles of the group paired with one fit's quantiles at the same
/// levels; levels where the fit's quantile is not finite are left out.
QList<QqPoint> QuantileQuantilePoints(const AgeGroupFits& group, int fit);

/// The title of the value axis: the parameter row's variable and its unit, taken from
/// the bracket of the first line of the variable labels that describes a statistic "of"
/// the variable with a unit other than "-" ("MEAN  arithmetic mean [kg] of BW_kg" gives "BW_kg
/// [kg]"); the variable alone without such a line, "Value" without a variable.
QString ValueAxisTitle(const QString& variable, const QString& variableLabels);
/// The value axis title of the database's current parameter row (its variable labels
/// read as plain text also where they are stored as rich text).
QString CurrentValueAxisTitle(const ReferenceDatabase& database);

} // namespace veltra
