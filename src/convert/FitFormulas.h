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

/// Each formula below gives the fit's u-quantile, u being a uniform number in (0, 1), and
/// is written from the stored parameters alone, with every number as exact as a double.
/// Where a number it needs is not finite, the text is "no formula: " and the reason
/// instead; no formula holds "inf" or "nan".

/// An R expression in u, base R only; GeneralF through the beta form of the F
/// distribution, exact at any degrees of freedom.
QString RFormula(const GfFit& fit);
/// A Python expression in u, with scipy imported.
QString PythonFormula(const GfFit& fit);
/// An @RISK cell formula that draws from the fit; GeneralF as q + Y^(1/p)/lambda with Y
/// a Pearson VI variable (F(2 m1, 2 m2) is m2/m1 times a beta-prime(m1, m2) variable).
QString AtRiskFormula(const FitDistribution& distribution);

/// The two forms of an Excel formula: English (",", "." as decimal point) as Excel keeps
/// it, or as the user types it under the user's number settings (";" between arguments
/// and a decimal comma where the decimal separator is a comma).
enum class ExcelForm
{
    English,
    Local
};
/// An Excel formula without add-ins that takes the uniform number from a cell named u.
QString ExcelFormula(const GfFit& fit, ExcelForm form = ExcelForm::English);

/// True for the text of a formula that cannot be written.
bool IsMissingFormula(const QString& formula);

/// A number with "." as decimal point and as many significant digits (at most 17) as
/// it takes to read back as the same double: the formulas reproduce the values exactly.
QString FormulaNumber(double value);

} // namespace veltra
