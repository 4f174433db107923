#include "scenario/Marginal.h"

#include "convert/FitFormulas.h"
#include "scenario/Scenario.h"
#include "util/VeltraError.h"

#include <algorithm>
#include <boost/math/special_functions/beta.hpp>
#include <boost/math/special_functions/erf.hpp>
#include <boost/math/special_functions/gamma.hpp>
#include <cmath>
#include <limits>

namespace veltra {

namespace {

constexpr double Infinity = std::numeric_limits<double>::infinity();

QString Num(double value)
{
    return QString::number(value, 'g', 6);
}

// Levels of a truncated draw are kept strictly inside (0, 1).
double Clamp01(double u)
{
    constexpr double tiny = 0x1p-60;
    return std::clamp(u, tiny, 1 - tiny);
}

} // namespace

QuantileTable::QuantileTable(const std::function<double(double)>& quantile,
                             const std::function<double(double)>& density, double lower,
                             double step)
    : m_exact(quantile), m_lower(lower), m_step(step)
{
    const int nodes = int(std::lround(2 * Reach / step)) + 1;
    m_t.resize(nodes);
    m_y.resize(nodes);
    m_slope.resize(nodes);
    for (int i = 0; i < nodes; ++i) {
        // The node's level as a double, and the exact logit of that double: near 1 the
        // rounding of u moves the logit noticeably, and a query is placed by its own
        // exact logit.
        const double nominal = -Reach + i * step;
        const double u = nominal < 0 ? std::exp(nominal) / (1 + std::exp(nominal))
                                     : 1 / (1 + std::exp(-nominal));
        const double v = 1 - u;
        const double x = quantile(u);
        const double f = density(x);
        const double z = x - lower;
        if (!(z > 0) || !(f > 0) || !std::isfinite(x) || !(v > 0))
            throw VeltraError(
                QStringLiteral("the quantile table cannot be built at level %1").arg(u));
        m_t[size_t(i)] = std::log(u) - std::log1p(-u);
        m_y[size_t(i)] = std::log(z);
        m_slope[size_t(i)] = u * v / (f * z);
    }
}

double QuantileTable::quantile(double u) const
{
    const double t = std::log(u) - std::log1p(-u);
    const double position = (t + Reach) / m_step;
    if (!(position >= 0) || position >= double(m_y.size() - 1))
        return m_exact(u);
    size_t i = size_t(position);
    // The nodes sit a rounding away from the even grid: step to the right piece.
    if (i > 0 && t < m_t[i])
        --i;
    else if (i + 2 < m_t.size() && t > m_t[i + 1])
        ++i;
    if (t < m_t[i] || t > m_t[i + 1])
        return m_exact(u);
    const double h = m_t[i + 1] - m_t[i];
    const double s = (t - m_t[i]) / h;
    const double s2 = s * s, s3 = s2 * s;
    const double y = (2 * s3 - 3 * s2 + 1) * m_y[i] + (s3 - 2 * s2 + s) * h * m_slope[i] +
                     (-2 * s3 + 3 * s2) * m_y[i + 1] + (s3 - s2) * h * m_slope[i + 1];
    return m_lower + std::exp(y);
}

Marginal Marginal::Constant(double value)
{
    Marginal m;
    m.m_kind = Kind::Constant;
    m.m_a = value;
    m.m_description = QStringLiteral("constant ") + Num(value);
    return m;
}

Marginal Marginal::FromFit(const GfFit& fit)
{
    Marginal m;
    m.m_kind = Kind::Fit;
    m.m_fit.emplace(fit);
    QStringList parts;
    for (const FitParameter& parameter : FitParameters(*m.m_fit))
        if (parameter.value && parameter.key != u"median" && parameter.key != u"mean" &&
            parameter.key != u"sd")
            parts << parameter.key + QStringLiteral(" = ") + Num(*parameter.value);
    m.m_description = FamilyName(fit.family) + u'(' + parts.join(QStringLiteral(", ")) + u')';
    return m;
}

Marginal Marginal::Empirical(QList<std::pair<double, double>> points)
{
    Marginal m;
    m.m_kind = Kind::Empirical;
    std::stable_sort(points.begin(), points.end());
    double lastValue = -Infinity;
    for (const auto& [level, value] : points) {
        // A value below an earlier one would make the function fall: it is lifted.
        lastValue = std::max(lastValue, value);
        m.m_levels.push_back(level);
        m.m_values.push_back(lastValue);
    }
    QStringList parts;
    for (const auto& [level, value] : points)
        parts << Num(level) + u':' + Num(value);
    m.m_description = QStringLiteral("empirical(") + parts.join(QStringLiteral(", ")) + u')';
    return m;
}

Marginal Marginal::FromUserInput(const ScenarioInput& input)
{
    if (input.kind == ScenarioInput::Kind::Constant)
        return Constant(input.constant);
    const auto& v = input.parameters;
    auto at = [&v](const char* key) { return v.value(QLatin1String(key)); };
    const QString& d = input.distribution;
    Marginal m;
    if (d == u"generalf") {
        GfFit fit;
        fit.family = FitFamily::GeneralF;
        fit.typeName = QStringLiteral("GeneralF");
        fit.q = at("q");
        fit.m1 = at("m1");
        fit.m2 = at("m2");
        fit.lambda = at("lambda");
        fit.p = at("p");
        m = FromFit(fit);
    } else if (d == u"uniform") {
        m.m_kind = Kind::Uniform;
        m.m_a = at("min");
        m.m_b = at("max");
        m.m_description = QStringLiteral("uniform(%1, %2)").arg(Num(m.m_a), Num(m.m_b));
    } else if (d == u"triangular") {
        m.m_kind = Kind::Triangular;
        m.m_a = at("min");
        m.m_c = at("mode");
        m.m_b = at("max");
        m.m_description =
            QStringLiteral("triangular(%1, %2, %3)").arg(Num(m.m_a), Num(m.m_c), Num(m.m_b));
    } else if (d == u"pert" || d == u"beta") {
        m.m_kind = Kind::Beta;
        if (d == u"pert") {
            m.m_a = at("min");
            m.m_b = at("max");
            const double range = m.m_b - m.m_a;
            m.m_c = 1 + 4 * (at("mode") - m.m_a) / range;
            m.m_d = 1 + 4 * (m.m_b - at("mode")) / range;
            m.m_description =
                QStringLiteral("pert(%1, %2, %3)").arg(Num(m.m_a), Num(at("mode")), Num(m.m_b));
        } else {
            m.m_a = 0;
            m.m_b = 1;
            m.m_c = at("a");
            m.m_d = at("b");
            m.m_description = QStringLiteral("beta(%1, %2)").arg(Num(m.m_c), Num(m.m_d));
        }
    } else if (d == u"normal") {
        m.m_kind = Kind::Normal;
        m.m_a = at("mean");
        m.m_b = at("sd");
        m.m_description = QStringLiteral("normal(%1, %2)").arg(Num(m.m_a), Num(m.m_b));
    } else if (d == u"lognormal") {
        m.m_kind = Kind::Lognormal;
        if (v.contains(QStringLiteral("gm"))) {
            m.m_a = std::log(at("gm"));
            m.m_b = std::log(at("gsd"));
        } else if (v.contains(QStringLiteral("meanlog"))) {
            m.m_a = at("meanlog");
            m.m_b = at("sdlog");
        } else {
            const double mean = at("mean"), sd = at("sd");
            const double variance = std::log1p(sd * sd / (mean * mean));
            m.m_a = std::log(mean) - variance / 2;
            m.m_b = std::sqrt(variance);
        }
        m.m_description =
            QStringLiteral("lognormal(meanlog = %1, sdlog = %2)").arg(Num(m.m_a), Num(m.m_b));
    } else if (d == u"gamma") {
        m.m_kind = Kind::Gamma;
        m.m_a = at("shape");
        m.m_b = at("scale");
        m.m_description =
            QStringLiteral("gamma(shape = %1, scale = %2)").arg(Num(m.m_a), Num(m.m_b));
    } else if (d == u"weibull") {
        m.m_kind = Kind::Weibull;
        m.m_a = at("shape");
        m.m_b = at("scale");
        m.m_description =
            QStringLiteral("weibull(shape = %1, scale = %2)").arg(Num(m.m_a), Num(m.m_b));
    } else {
        throw VeltraError(input.name + QStringLiteral(": unknown distribution \"") + d + u'"');
    }
    if (input.truncate) {
        try {
            m.truncate(input.truncate->first, input.truncate->second);
        } catch (const VeltraError& error) {
            throw VeltraError(input.name + QStringLiteral(": ") + error.message());
        }
    }
    return m;
}

void Marginal::truncate(double low, double high)
{
    if (m_kind == Kind::Constant) {
        if (m_a < low || m_a > high)
            throw VeltraError(QStringLiteral("the constant lies outside the truncation"));
        return;
    }
    m_uLow = cdf(low);
    m_uHigh = cdf(high);
    if (!(m_uHigh > m_uLow))
        throw VeltraError(
            QStringLiteral("no probability lies between %1 and %2").arg(Num(low), Num(high)));
    m_description += QStringLiteral(" truncated to [%1, %2]").arg(Num(low), Num(high));
}

void Marginal::tabulate()
{
    if (m_table)
        return;
    double lower = 0;
    if (m_kind == Kind::Fit)
        lower = m_fit->fit().q;
    else if (m_kind != Kind::Gamma)
        return;
    const Marginal exact = *this;
    try {
        m_table = std::make_shared<const QuantileTable>(
            [exact](double u) { return exact.exactQuantile(u); },
            [exact](double x) { return exact.density(x); }, lower);
    } catch (const VeltraError&) {
        // A distribution too extreme for the table is drawn exactly.
        m_table.reset();
    }
}

double Marginal::exactQuantile(double u) const
{
    // Runs on the worker threads of a simulation, where an exception would end the
    // program: a value the numerical library cannot compute (parameters far beyond any
    // data, such as a beta shape of 1e40) becomes NaN, which the run reports with the
    // input's name.
    try {
        return exactQuantileUnguarded(u);
    } catch (const std::exception&) {
        return std::numeric_limits<double>::quiet_NaN();
    }
}

double Marginal::exactQuantileUnguarded(double u) const
{
    switch (m_kind) {
    case Kind::Constant:
        return m_a;
    case Kind::Uniform:
        return m_a + u * (m_b - m_a);
    case Kind::Triangular: {
        const double range = m_b - m_a;
        if (u * range < m_c - m_a)
            return m_a + std::sqrt(u * range * (m_c - m_a));
        return m_b - std::sqrt((1 - u) * range * (m_b - m_c));
    }
    case Kind::Beta:
        return m_a + (m_b - m_a) * boost::math::ibeta_inv(m_c, m_d, u);
    case Kind::Normal:
        return m_a - m_b * std::sqrt(2.0) * boost::math::erfc_inv(2 * u);
    case Kind::Lognormal:
        return std::exp(m_a - m_b * std::sqrt(2.0) * boost::math::erfc_inv(2 * u));
    case Kind::Gamma:
        return m_b * boost::math::gamma_p_inv(m_a, u);
    case Kind::Weibull:
        return m_b * std::pow(-std::log1p(-u), 1 / m_a);
    case Kind::Fit:
        return m_fit->quantile(u);
    case Kind::Empirical: {
        const auto it = std::upper_bound(m_levels.begin(), m_levels.end(), u);
        if (it == m_levels.begin())
            return m_values.front();
        if (it == m_levels.end())
            return m_values.back();
        const size_t i = size_t(it - m_levels.begin());
        const double share = (u - m_levels[i - 1]) / (m_levels[i] - m_levels[i - 1]);
        return m_values[i - 1] + share * (m_values[i] - m_values[i - 1]);
    }
    }
    return m_a;
}

double Marginal::quantile(double u) const
{
    if (m_kind == Kind::Constant)
        return m_a;
    const double level = m_uLow == 0 && m_uHigh == 1 ? u : Clamp01(m_uLow + u * (m_uHigh - m_uLow));
    return m_table ? m_table->quantile(level) : exactQuantile(level);
}

double Marginal::cdf(double x) const
{
    switch (m_kind) {
    case Kind::Constant:
        return x < m_a ? 0 : 1;
    case Kind::Uniform:
        return std::clamp((x - m_a) / (m_b - m_a), 0.0, 1.0);
    case Kind::Triangular: {
        if (x <= m_a)
            return 0;
        if (x >= m_b)
            return 1;
        if (x <= m_c)
            return (x - m_a) * (x - m_a) / ((m_b - m_a) * (m_c - m_a));
        return 1 - (m_b - x) * (m_b - x) / ((m_b - m_a) * (m_b - m_c));
    }
    case Kind::Beta: {
        const double y = (x - m_a) / (m_b - m_a);
        if (y <= 0)
            return 0;
        if (y >= 1)
            return 1;
        return boost::math::ibeta(m_c, m_d, y);
    }
    case Kind::Normal:
        return 0.5 * boost::math::erfc(-(x - m_a) / (m_b * std::sqrt(2.0)));
    case Kind::Lognormal:
        if (x <= 0)
            return 0;
        return 0.5 * boost::math::erfc(-(std::log(x) - m_a) / (m_b * std::sqrt(2.0)));
    case Kind::Gamma:
        return x <= 0 ? 0 : boost::math::gamma_p(m_a, x / m_b);
    case Kind::Weibull:
        return x <= 0 ? 0 : -std::expm1(-std::pow(x / m_b, m_a));
    case Kind::Fit:
        return m_fit->cdf(x);
    case Kind::Empirical: {
        if (x < m_values.front())
            return 0;
        if (x >= m_values.back())
            return 1;
        const auto it = std::upper_bound(m_values.begin(), m_values.end(), x);
        const size_t i = size_t(it - m_values.begin());
        const double share = (x - m_values[i - 1]) / (m_values[i] - m_values[i - 1]);
        return m_levels[i - 1] + share * (m_levels[i] - m_levels[i - 1]);
    }
    }
    return 0;
}

double Marginal::density(double x) const
{
    if (m_kind == Kind::Gamma)
        return x <= 0 ? 0 : boost::math::gamma_p_derivative(m_a, x / m_b) / m_b;
    if (m_kind == Kind::Fit)
        return m_fit->density(x);
    return 0;
}

QList<std::pair<double, double>> Marginal::empiricalPoints() const
{
    QList<std::pair<double, double>> points;
    for (size_t i = 0; i < m_levels.size(); ++i)
        points << std::make_pair(m_levels[i], m_values[i]);
    return points;
}

QString Marginal::description() const
{
    return m_description;
}

} // namespace veltra
