// What a modeller needs of a fitted distribution: its parameters in the usual forms of
// its family, and its quantile function as an expression for R, Python (scipy) and
// @RISK, with enough digits to reproduce the quantiles.
#pragma once

#include "convert/Distributions.h"

#include <QList>
#include <QString>
#include <optional>

namespace veltra {

/// One parameter of a usual form: its key ("meanlog", "shape", ...), its value, and,
/// where the value does not exist, the reason ("undefined (shape ≤ 1)").
struct FitParameter
{
    QString key;
    std::optional<double> value;
    QString undefinedText;
};

/// The parameters in every usual form of the fit's family, in a fixed order:
/// lognormal meanlog, sdlog, gm, gsd, mean, sd; gamma shape, scale, rate, mean, sd;
/// Weibull shape, scale, mean, sd; log-logistic shape, scale, median, mean, sd;
/// exponential rate, mean; GF q, m1, m2, lambda, p, median, mean, sd. The location q
/// is part of every mean, median and GM.
QList<FitParameter> FitParameters(const FitDistribution& distribution);

/// An R expression in p that gives the p-quantile (base R; GF through flexsurv).
QString RFormula(const GfFit& fit);
/// A Python expression in u that gives the u-quantile, with scipy imported.
QString PythonFormula(const GfFit& fit);
/// An @RISK formula for the distribution; GF, which @RISK lacks, as a RiskCumul over
/// 101 quantiles.
QString AtRiskFormula(const FitDistribution& distribution);

/// A number with "." as decimal point and as many significant digits (at most 17) as
/// it takes to read back as the same double: the formulas reproduce the values exactly.
QString FormulaNumber(double value);

} // namespace veltra
