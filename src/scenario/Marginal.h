// The distribution an input is drawn from, as a quantile function of a uniform number:
// a constant, a user distribution, a database fit or the piecewise linear distribution
// through a group's observed minimum, percentiles and maximum, optionally truncated.
#pragma once

#include "convert/Distributions.h"

#include <QList>
#include <QString>
#include <functional>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

namespace veltra {

struct ScenarioInput;

/// A quantile function tabulated once and interpolated: y = log(Q(u) - lower) over
/// t = logit(u) on an even grid, as cubic Hermite pieces with the exact slopes from the
/// density, so the interpolant is monotone where Q is and meets Q at every node. Outside
/// the grid (u below about 1e-11 or above 1 - 1e-11) the exact function is called.
class QuantileTable
{
public:
    /// quantile(u) and density(x) of the distribution; lower is its lower bound (the
    /// location q of a GF fit). step is the grid spacing in logit units.
    QuantileTable(const std::function<double(double)>& quantile,
                  const std::function<double(double)>& density, double lower,
                  double step = 1.0 / 64);
    double quantile(double u) const;

    static constexpr double Reach = 25; ///< the grid covers logit(u) in [-Reach, Reach]

private:
    std::function<double(double)> m_exact;
    double m_lower;
    double m_step;
    // Per node: the logit of its level, log(Q - lower) and its derivative in the logit.
    std::vector<double> m_t, m_y, m_slope;
};

class Marginal
{
public:
    enum class Kind
    {
        Constant,
        Uniform,
        Triangular,
        Beta, ///< also PERT, on [min, max]
        Normal,
        Lognormal,
        Gamma,
        Weibull,
        Fit, ///< a GF-line fit (database or user "generalf")
        Empirical
    };

    static Marginal Constant(double value);
    /// A user distribution of an input; throws VeltraError naming the input when the
    /// truncation leaves no probability.
    static Marginal FromUserInput(const ScenarioInput& input);
    static Marginal FromFit(const GfFit& fit);
    /// Piecewise linear through (level, value) points, levels rising from 0 to 1.
    static Marginal Empirical(QList<std::pair<double, double>> points);

    /// Limits the distribution to [low, high]; throws VeltraError (message without the
    /// input's name) when no probability lies there.
    void truncate(double low, double high);
    /// Builds the interpolation table of a GF or gamma distribution; later quantile calls
    /// use it. Other kinds have a fast quantile already and stay as they are.
    void tabulate();

    Kind kind() const { return m_kind; }
    bool isConstant() const { return m_kind == Kind::Constant; }
    /// The u-quantile, u in (0, 1).
    double quantile(double u) const;
    /// P(X <= x) of the untruncated distribution.
    double cdf(double x) const;
    /// The quantile without table and truncation (the reference of the table); NaN where
    /// the numerical library cannot compute it. Never throws.
    double exactQuantile(double u) const;
    /// A short description: "lognormal(meanlog = 3.4, sdlog = 0.92)", "GeneralF fit ...".
    QString description() const;
    /// The fit a Fit marginal draws from; nullptr for the other kinds.
    const GfFit* fit() const { return m_fit ? &m_fit->fit() : nullptr; }
    /// The (level, value) points of an Empirical marginal, values lifted so they never
    /// fall; empty for the other kinds.
    QList<std::pair<double, double>> empiricalPoints() const;

private:
    double exactQuantileUnguarded(double u) const;
    double density(double x) const;

    Kind m_kind = Kind::Constant;
    double m_a = 0, m_b = 0, m_c = 0, m_d = 0; // the parameters of the kind
    std::optional<FitDistribution> m_fit;
    std::vector<double> m_levels, m_values; // empirical points
    std::shared_ptr<const QuantileTable> m_table;
    double m_uLow = 0, m_uHigh = 1; // truncation as a range of levels
    QString m_description;
};

} // namespace veltra
