#include "convert/Distributions.h"

#include "convert/ConvertParameterSets.h"
#include "util/VeltraError.h"
#include "util/uString.h"

#include <boost/math/distributions/exponential.hpp>
#include <boost/math/distributions/gamma.hpp>
#include <boost/math/distributions/lognormal.hpp>
#include <boost/math/distributions/weibull.hpp>
#include <boost/math/special_functions/beta.hpp>
#include <boost/math/special_functions/gamma.hpp>

#include <cmath>
#include <stdexcept>

namespace veltra {

namespace {

constexpr double Infinity = std::numeric_limits<double>::infinity();

struct FamilyWords
{
    const char16_t* typeName;
    FitFamily family;
    // The parameters the PT words after q stand for, in order.
    QList<const char*> parameters;
};

const FamilyWords Families[] = {
    {u"GeneralF", FitFamily::GeneralF, {"m1", "m2", "lambda", "p"}},
    {u"Loglogistisch", FitFamily::LogLogistic, {"lambda", "p"}},
    {u"Gamma", FitFamily::Gamma, {"m1", "lambda"}},
    {u"Lognormal", FitFamily::Lognormal, {"lambda", "p"}},
    {u"Weibull", FitFamily::Weibull, {"lambda", "p"}},
    {u"Exponential", FitFamily::Exponential, {"lambda"}},
};

const FamilyWords* FindFamily(const QString& typeName)
{
    for (const FamilyWords& family : Families)
        if (typeName == QStringView(family.typeName))
            return &family;
    return nullptr;
}

// A word of a PT line as a number; the word must be a number as a whole.
double Number(const QString& word, const QString& what)
{
    bool ok = false;
    const double value = word.toDouble(&ok);
    if (word.isEmpty())
        throw VeltraError(what + QStringLiteral(" is missing"));
    if (!ok || !std::isfinite(value))
        throw VeltraError(what + QStringLiteral(" is not a number: \"") + word + QLatin1Char('"'));
    return value;
}

void CheckDomain(const GfFit& fit)
{
    auto positive = [&fit](double value, const char* name) {
        if (!(value > 0))
            throw VeltraError(
                fit.typeName + QStringLiteral(": the parameter ") + QLatin1String(name) +
                QStringLiteral(" must be greater than 0, not ") + QString::number(value, 'g', 17));
    };
    if (!std::isfinite(fit.q))
        throw VeltraError(fit.typeName + QStringLiteral(": the parameter q is not finite"));
    positive(fit.lambda, "lambda");
    positive(fit.p, "p");
    positive(fit.m1, "m1");
    positive(fit.m2, "m2");
}

// Gamma(m + t) / (Gamma(m) * m^t) and Gamma(m - t) * m^t / Gamma(m): the gamma-function
// ratios of the moments, normalised so that they stay near 1 for large m. Up to t = 512
// each is a product of at most 64 short steps (t / n <= 8), so no intermediate value
// overflows even where m^t alone would, and none is a difference of log-gamma values,
// which would lose the digits the variance needs. For very large m the first terms of
// their expansion in 1/m are exact to double precision; beyond t = 512 the moment is far
// outside any data and the log-gamma form, with a fixed cost, is precise enough.
constexpr double SteppedExponent = 512;
constexpr double MaxShape = 1e15;
constexpr double StepLength = 8;

bool AsymptoticInM(double m, double t)
{
    return m > 1e8 * std::max(1.0, t * t);
}

double NormalisedRise(double m, double t)
{
    if (AsymptoticInM(m, t))
        return std::exp(t * (t - 1) / (2 * m));
    if (t > SteppedExponent)
        return std::exp(boost::math::lgamma(m + t) - boost::math::lgamma(m) - t * std::log(m));
    const int steps = std::max(1, int(std::ceil(t / StepLength)));
    const double delta = t / steps;
    double product = 1;
    for (int i = 0; i < steps; ++i)
        product /= boost::math::tgamma_delta_ratio(m + i * delta, delta) * std::pow(m, delta);
    return product;
}

double NormalisedFall(double m, double t)
{
    if (AsymptoticInM(m, t))
        return std::exp(t * (t + 1) / (2 * m));
    if (t > SteppedExponent)
        return std::exp(boost::math::lgamma(m - t) - boost::math::lgamma(m) + t * std::log(m));
    const int steps = std::max(1, int(std::ceil(t / StepLength)));
    const double delta = t / steps;
    double product = 1;
    for (int i = 0; i < steps; ++i)
        product *= boost::math::tgamma_delta_ratio(m - t + i * delta, delta) * std::pow(m, delta);
    return product;
}

// Y ~ F(2 m1, 2 m2) through B ~ Beta(m1, m2): Y = (m2/m1) * B / (1 - B). The beta
// functions take m1 and m2 as they are, so no degree of freedom 2m overflows, and 1 - B
// comes from the complementary inverse, exact in the upper tail.
double FQuantile(double m1, double m2, double u)
{
    const double b = boost::math::ibeta_inv(m1, m2, u);
    const double complement = boost::math::ibetac_inv(m2, m1, u);
    return (m2 / m1) * (b / complement);
}

// Boost evaluates a double function in long double by default, for the last bit of the
// values the tables and exports print. A chart's curve needs no such digit, and the x87
// arithmetic it takes is several times slower: the distribution window evaluates 800
// points on every age group. Its curves are computed in double under this policy, within
// a billionth of the exact values, far below a pixel; errors are thrown all the same.
using ExactPolicy = boost::math::policies::policy<>;
using DrawingPolicy = boost::math::policies::policy<boost::math::policies::promote_double<false>>;

template <typename Policy> double FCdf(double m1, double m2, double y, const Policy& policy)
{
    // P(Y <= y) = I_x(m1, m2) with x = m1 y / (m1 y + m2); for x above 1/2 the
    // complement in 1 - x = m2 / (m1 y + m2) keeps its digits.
    const double denominator = m1 * y + m2;
    const double x = m1 * y / denominator;
    if (x <= 0.5)
        return boost::math::ibeta(m1, m2, x, policy);
    return boost::math::ibetac(m2, m1, m2 / denominator, policy);
}

// P(X <= x) of a fit under the numerical library's policy.
template <typename Policy> double CdfOf(const GfFit& f, double x, const Policy& policy)
{
    if (!(x > f.q))
        return 0.0;
    if (x == Infinity)
        return 1.0;
    const double z = f.lambda * (x - f.q); // the unit-scale variable
    switch (f.family) {
    case FitFamily::GeneralF:
        return FCdf(f.m1, f.m2, std::pow(z, f.p), policy);
    case FitFamily::LogLogistic:
        return 1.0 / (1.0 + std::pow(z, -f.p));
    case FitFamily::Gamma:
        return boost::math::cdf(boost::math::gamma_distribution<double, Policy>(f.m1, 1.0 / f.m1),
                                z);
    case FitFamily::Lognormal:
        return boost::math::cdf(boost::math::lognormal_distribution<double, Policy>(0.0, 1.0 / f.p),
                                z);
    case FitFamily::Weibull:
        return boost::math::cdf(boost::math::weibull_distribution<double, Policy>(f.p, 1.0), z);
    case FitFamily::Exponential:
        return boost::math::cdf(boost::math::exponential_distribution<double, Policy>(1.0), z);
    }
    return 0.0;
}

double FDensity(double m1, double m2, double y)
{
    const double denominator = m1 * y + m2;
    const double x = m1 * y / denominator;
    // In the upper tail 1 - x is taken as m2 / (m1 y + m2), not from x, so that its
    // digits survive (the same choice as FCdf's complement).
    const double shape = x <= 0.5 ? boost::math::ibeta_derivative(m1, m2, x)
                                  : boost::math::ibeta_derivative(m2, m1, m2 / denominator);
    return shape * (m1 / denominator) * (m2 / denominator);
}

// Runs one computation of a fit; a failure of the numerical library becomes a VeltraError
// that names the fit and the value asked for.
template <typename Compute> auto Guarded(const GfFit& fit, const char* what, Compute compute)
{
    try {
        return compute();
    } catch (const VeltraError&) {
        throw;
    } catch (const std::overflow_error&) {
        throw VeltraError(FitWhere(fit) + QStringLiteral(": the ") + QLatin1String(what) +
                          QStringLiteral(" is too large for a number"));
    } catch (const std::exception& error) {
        throw VeltraError(FitWhere(fit) + QStringLiteral(": the ") + QLatin1String(what) +
                          QStringLiteral(" cannot be computed (") +
                          QString::fromLocal8Bit(error.what()) + u')');
    }
}

} // namespace

QString FamilyName(FitFamily family)
{
    switch (family) {
    case FitFamily::GeneralF:
        return QStringLiteral("GeneralF");
    case FitFamily::LogLogistic:
        return QStringLiteral("LogLogistic");
    case FitFamily::Gamma:
        return QStringLiteral("Gamma");
    case FitFamily::Lognormal:
        return QStringLiteral("Lognormal");
    case FitFamily::Weibull:
        return QStringLiteral("Weibull");
    case FitFamily::Exponential:
        return QStringLiteral("Exponential");
    }
    return {};
}

namespace {

// The fits of a block; a description that cannot be read throws at once when `strict`,
// and otherwise becomes an entry with its message at its fit line.
QList<GfFitEntry> ReadEntries(const QStringList& gfLines, bool strict)
{
    QList<GfFitEntry> entries;
    const FamilyWords* family = nullptr;
    QString typeName;
    std::optional<GfFitEntry> pending;
    for (int index = 0; index < gfLines.size(); ++index) {
        const QString& line = gfLines.at(index);
        const QString key = TextBeforeChar(line, u'=');
        const QString trimmedKey = TrimBlanks(key);
        const QString lineName = QStringLiteral("line ") + QString::number(index + 1);
        if (trimmedKey == u"TYPE") {
            typeName = TrimBlanks(GfValueText(line));
            family = FindFamily(typeName);
            pending.reset();
        } else if (trimmedKey == u"PT" && family) {
            const QString value = GfValueText(line);
            auto word = [&value](int n) { return ExtractWord(value, n, StandardWordDelimiters); };
            GfFitEntry entry;
            GfFit& fit = entry.fit;
            fit.family = family->family;
            fit.typeName = typeName;
            fit.line = index + 1;
            // The limits of the families that leave a GF parameter out.
            switch (fit.family) {
            case FitFamily::GeneralF:
            case FitFamily::LogLogistic:
                break;
            case FitFamily::Gamma:
                fit.m2 = Infinity;
                break;
            case FitFamily::Lognormal:
                fit.m1 = fit.m2 = Infinity;
                break;
            case FitFamily::Weibull:
            case FitFamily::Exponential:
                fit.m2 = Infinity;
                break;
            }
            try {
                const QString where =
                    typeName + QStringLiteral(", ") + lineName + QStringLiteral(": ");
                fit.q = Number(word(1), where + QStringLiteral("q"));
                for (int i = 0; i < family->parameters.size(); ++i) {
                    const QLatin1String name(family->parameters.at(i));
                    const double number = Number(word(i + 2), where + name);
                    if (name == QLatin1String("m1"))
                        fit.m1 = number;
                    else if (name == QLatin1String("m2"))
                        fit.m2 = number;
                    else if (name == QLatin1String("lambda"))
                        fit.lambda = number;
                    else
                        fit.p = number;
                }
                try {
                    CheckDomain(fit);
                } catch (const VeltraError& error) {
                    throw VeltraError(error.message() + QStringLiteral(" (") + lineName +
                                      QLatin1Char(')'));
                }
            } catch (const VeltraError& error) {
                if (strict)
                    throw;
                entry.error = error.message();
            }
            pending = entry;
        } else if ((key == u"KS" || key == u"AP") && pending) {
            GfFitEntry entry = *pending;
            entry.fit.fitLabel = key;
            entry.fit.fitStatistic = ExtractWordValue(GfValueText(line), 1, StandardWordDelimiters);
            entry.fit.position = int(entries.size());
            entries << entry;
        }
    }
    return entries;
}

} // namespace

QList<GfFit> ReadGfFits(const QStringList& gfLines)
{
    QList<GfFit> fits;
    for (const GfFitEntry& entry : ReadEntries(gfLines, true))
        fits << entry.fit;
    return fits;
}

QList<GfFitEntry> ReadGfFitEntries(const QStringList& gfLines)
{
    return ReadEntries(gfLines, false);
}

QString FitWhere(const GfFit& fit)
{
    QStringList parameters{QStringLiteral("q = ") + QString::number(fit.q, 'g', 17)};
    auto add = [&parameters](const char* name, double value) {
        parameters << QLatin1String(name) + QStringLiteral(" = ") + QString::number(value, 'g', 17);
    };
    switch (fit.family) {
    case FitFamily::GeneralF:
        add("m1", fit.m1);
        add("m2", fit.m2);
        add("lambda", fit.lambda);
        add("p", fit.p);
        break;
    case FitFamily::Gamma:
        add("m1", fit.m1);
        add("lambda", fit.lambda);
        break;
    case FitFamily::Exponential:
        add("lambda", fit.lambda);
        break;
    case FitFamily::LogLogistic:
    case FitFamily::Lognormal:
    case FitFamily::Weibull:
        add("lambda", fit.lambda);
        add("p", fit.p);
        break;
    }
    QString where = fit.typeName;
    if (fit.line > 0)
        where += QStringLiteral(", line ") + QString::number(fit.line);
    return where + QStringLiteral(" (") + parameters.join(QStringLiteral(", ")) + u')';
}

FitDistribution::FitDistribution(const GfFit& fit) : m_fit(fit)
{
    CheckDomain(fit);
    // Beyond this the beta and gamma functions neither keep their digits nor finish in
    // bounded time; the family's limit (m = infinity) is a family of its own.
    for (const auto& [name, value] : {std::pair{"m1", fit.m1}, std::pair{"m2", fit.m2}})
        if (std::isfinite(value) && value > MaxShape)
            throw VeltraError(FitWhere(fit) + QStringLiteral(": ") + QLatin1String(name) +
                              QStringLiteral(" is above 1e15, beyond which its quantiles "
                                             "cannot be computed"));
}

double FitDistribution::cdf(double x) const
{
    return Guarded(m_fit, "distribution function", [this, x] { return cdfUnguarded(x); });
}

double FitDistribution::cdfUnguarded(double x) const
{
    return CdfOf(m_fit, x, ExactPolicy());
}

double FitDistribution::drawnCdf(double x) const
{
    return Guarded(m_fit, "distribution function",
                   [this, x] { return CdfOf(m_fit, x, DrawingPolicy()); });
}

double FitDistribution::quantile(double u) const
{
    return Guarded(m_fit, "quantile", [this, u] { return quantileUnguarded(u); });
}

double FitDistribution::quantileUnguarded(double u) const
{
    const GfFit& f = m_fit;
    if (!(u > 0))
        return f.q;
    if (!(u < 1))
        return Infinity;
    double z = 0;
    switch (f.family) {
    case FitFamily::GeneralF:
        z = std::pow(FQuantile(f.m1, f.m2, u), 1.0 / f.p);
        break;
    case FitFamily::LogLogistic:
        z = std::pow(u / (1.0 - u), 1.0 / f.p);
        break;
    case FitFamily::Gamma:
        z = boost::math::quantile(boost::math::gamma_distribution<>(f.m1, 1.0 / f.m1), u);
        break;
    case FitFamily::Lognormal:
        z = boost::math::quantile(boost::math::lognormal_distribution<>(0.0, 1.0 / f.p), u);
        break;
    case FitFamily::Weibull:
        z = boost::math::quantile(boost::math::weibull_distribution<>(f.p, 1.0), u);
        break;
    case FitFamily::Exponential:
        z = boost::math::quantile(boost::math::exponential_distribution<>(1.0), u);
        break;
    }
    return f.q + z / f.lambda;
}

double FitDistribution::density(double x) const
{
    return Guarded(m_fit, "density", [this, x] { return densityUnguarded(x); });
}

double FitDistribution::densityUnguarded(double x) const
{
    const GfFit& f = m_fit;
    if (!(x > f.q) || x == Infinity)
        return 0.0;
    const double z = f.lambda * (x - f.q);
    double unitDensity = 0; // the density of the unit-scale variable at z
    switch (f.family) {
    case FitFamily::GeneralF: {
        // Y = z^p: f(z) = f_Y(z^p) * p * z^(p-1).
        unitDensity = FDensity(f.m1, f.m2, std::pow(z, f.p)) * f.p * std::pow(z, f.p - 1);
        break;
    }
    case FitFamily::LogLogistic: {
        const double t = std::pow(z, f.p);
        unitDensity = f.p * t / z / ((1 + t) * (1 + t));
        break;
    }
    case FitFamily::Gamma:
        unitDensity = boost::math::pdf(boost::math::gamma_distribution<>(f.m1, 1.0 / f.m1), z);
        break;
    case FitFamily::Lognormal:
        unitDensity = boost::math::pdf(boost::math::lognormal_distribution<>(0.0, 1.0 / f.p), z);
        break;
    case FitFamily::Weibull:
        unitDensity = boost::math::pdf(boost::math::weibull_distribution<>(f.p, 1.0), z);
        break;
    case FitFamily::Exponential:
        unitDensity = boost::math::pdf(boost::math::exponential_distribution<>(1.0), z);
        break;
    }
    return unitDensity * f.lambda;
}

std::optional<double> FitDistribution::shiftedMoment(int k) const
{
    const char* what = k == 1 ? "mean" : k == 2 ? "second moment" : "moment";
    return Guarded(m_fit, what, [this, k] { return shiftedMomentUnguarded(k); });
}

std::optional<double> FitDistribution::shiftedMomentUnguarded(int k) const
{
    const GfFit& f = m_fit;
    const double scale = std::pow(f.lambda, -k);
    switch (f.family) {
    case FitFamily::GeneralF:
    case FitFamily::LogLogistic: {
        const double t = k / f.p;
        if (!(f.m2 > t))
            return std::nullopt;
        // E[Y^t] = (m2/m1)^t * Gamma(m1 + t) * Gamma(m2 - t) / (Gamma(m1) * Gamma(m2)).
        return scale * NormalisedRise(f.m1, t) * NormalisedFall(f.m2, t);
    }
    case FitFamily::Gamma:
        // E[Z^k] of a gamma with shape m1 and scale 1/m1.
        return scale * NormalisedRise(f.m1, k);
    case FitFamily::Lognormal: {
        const double sigma = 1.0 / f.p;
        return scale * std::exp(0.5 * k * k * sigma * sigma);
    }
    case FitFamily::Weibull:
        return scale * boost::math::tgamma(1.0 + k / f.p);
    case FitFamily::Exponential:
        return scale * boost::math::tgamma(1.0 + k);
    }
    return std::nullopt;
}

std::optional<double> FitDistribution::mean() const
{
    const std::optional<double> first = shiftedMoment(1);
    if (!first)
        return std::nullopt;
    return m_fit.q + *first;
}

std::optional<double> FitDistribution::sd() const
{
    const std::optional<double> first = shiftedMoment(1);
    const std::optional<double> second = shiftedMoment(2);
    if (!first || !second)
        return std::nullopt;
    // A moment beyond the range of a double leaves the SD beyond it too; the
    // difference of two infinities would claim 0.
    if (!std::isfinite(*first) || !std::isfinite(*second))
        return Infinity;
    // The variance as E[Z^2] - E[Z]^2 loses digits when the spread is tiny next to the
    // mean; it is never negative.
    return std::sqrt(std::max(0.0, *second - *first * *first));
}

} // namespace veltra
