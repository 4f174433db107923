// The fitted distributions of a GENERALF block as functions: distribution function,
// quantile, density and moments, all in the one parameterisation the GF lines use:
//
//   X = q + (1/lambda) * Y^(1/p),  Y ~ F(2*m1, 2*m2)
//
// Each stored family is a case or a limit of it: log-logistic (m1 = m2 = 1), gamma
// (p = 1, m2 -> infinity), lognormal (m1 = m2 -> infinity), Weibull (m1 = 1,
// m2 -> infinity), exponential (m1 = p = 1, m2 -> infinity).
#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <limits>
#include <optional>

namespace veltra {

enum class FitFamily
{
    GeneralF,
    LogLogistic,
    Gamma,
    Lognormal,
    Weibull,
    Exponential
};

/// One fit of a GENERALF block: its stored type name, its GF parameters (the ones its
/// family does not use hold the family's limit: m = infinity, or 1) and its fit
/// statistic.
struct GfFit
{
    FitFamily family = FitFamily::GeneralF;
    QString typeName; ///< as stored: "GeneralF", "Loglogistisch", ...
    double q = 0;
    double m1 = 1;
    double m2 = 1;
    double lambda = 1;
    double p = 1;
    QString fitLabel; ///< "KS" or "AP"; empty when the block gives none
    double fitStatistic = std::numeric_limits<double>::quiet_NaN();
    int line = 0;     ///< 1-based line of the PT line in the block; 0 when not read from one
    int position = 0; ///< 0-based place of the fit in the block's stored order
};

/// One fit of a GENERALF block as read: the fit, or why it cannot be read. A fit line
/// (KS= or AP=) completes an entry either way, so one bad description leaves the
/// others of the block readable.
struct GfFitEntry
{
    GfFit fit;     ///< typeName, fitLabel, fitStatistic, line and position always set
    QString error; ///< empty when the fit was read
};

/// The fits of a GENERALF block in stored order, read with the conversion's line rules
/// (TYPE=, PT= and KS=/AP= lines; a fit is complete at its KS or AP line). Types other
/// than the six known ones are skipped. Throws VeltraError naming the type, the
/// parameter and the line for a word that is not a number or a parameter outside its
/// domain (lambda <= 0, p <= 0, m1 or m2 <= 0).
QList<GfFit> ReadGfFits(const QStringList& gfLines);

/// As ReadGfFits, but a description that cannot be read becomes an entry with its
/// error message instead of ending the reading.
QList<GfFitEntry> ReadGfFitEntries(const QStringList& gfLines);

/// The fit's place and parameters for messages: "Weibull, line 5 (q = 0, lambda = 1,
/// p = 0.001)".
QString FitWhere(const GfFit& fit);

/// A fit as a distribution. The constructor checks the parameters as ReadGfFits does.
/// Every function takes a time that no parameter value can stretch. A value that the
/// numerical library cannot compute (an overflow, a failed iteration) ends the call with
/// a VeltraError naming the fit's line, its parameters and the value asked for.
class FitDistribution
{
public:
    explicit FitDistribution(const GfFit& fit);

    const GfFit& fit() const { return m_fit; }
    /// P(X <= x); 0 at and below q.
    double cdf(double x) const;
    /// cdf(x) for drawing a curve: computed in double arithmetic, several times faster and
    /// within a billionth of cdf(x) relative (about 1e-15 for most fits, 6e-14 for large
    /// GF shapes, 6e-11 at a million degrees of freedom). Values that are printed or exported come
    /// from cdf.
    double drawnCdf(double x) const;
    /// The u-quantile for 0 <= u <= 1: q at 0, infinity at 1.
    double quantile(double u) const;
    /// The density at x; 0 below q.
    double density(double x) const;
    double median() const { return quantile(0.5); }
    /// E[(X - q)^k]; none where it does not exist (m2 * p <= k); infinity where it
    /// exists but exceeds the range of a double.
    std::optional<double> shiftedMoment(int k) const;
    /// Mean and standard deviation of X; none where they do not exist; infinity where
    /// they exist but exceed the range of a double.
    std::optional<double> mean() const;
    std::optional<double> sd() const;

private:
    double cdfUnguarded(double x) const;
    double quantileUnguarded(double u) const;
    double densityUnguarded(double x) const;
    std::optional<double> shiftedMomentUnguarded(int k) const;

    GfFit m_fit;
};

/// The name of a family in texts and JSON: "GeneralF", "Lognormal", "Gamma", "Weibull",
/// "LogLogistic", "Exponential".
QString FamilyName(FitFamily family);

} // namespace veltra
