#include "convert/FitFormulas.h"

#include <QLocale>
#include <QStringList>

#include <cmath>

namespace veltra {

namespace {

QString N(double value)
{
    return FormulaNumber(value);
}

// "+ q" after an expression, or nothing for q = 0.
QString Shift(double q, const QString& plus = QStringLiteral(" + "))
{
    return q == 0 ? QString() : plus + N(q);
}

QString RiskShift(double q)
{
    return q == 0 ? QString() : QStringLiteral(", RiskShift(") + N(q) + QLatin1Char(')');
}

} // namespace

QString FormulaNumber(double value)
{
    if (value == 0)
        return QStringLiteral("0");
    // The shortest text that reads back as the same double: as exact as 17 significant
    // digits, and easier to read.
    return QString::number(value, 'g', QLocale::FloatingPointShortest);
}

QList<FitParameter> FitParameters(const FitDistribution& distribution)
{
    const GfFit& f = distribution.fit();
    const std::optional<double> mean = distribution.mean();
    const std::optional<double> sd = distribution.sd();
    auto value = [](const char* key, double v) { return FitParameter{QLatin1String(key), v, {}}; };
    auto optional = [](const char* key, std::optional<double> v, const QString& why) {
        return FitParameter{QLatin1String(key), v, v ? QString() : why};
    };
    switch (f.family) {
    case FitFamily::Lognormal: {
        const double meanlog = -std::log(f.lambda);
        const double sdlog = 1.0 / f.p;
        return {value("meanlog", meanlog),
                value("sdlog", sdlog),
                value("gm", f.q + std::exp(meanlog)),
                value("gsd", std::exp(sdlog)),
                optional("mean", mean, {}),
                optional("sd", sd, {})};
    }
    case FitFamily::Gamma:
        return {value("shape", f.m1), value("scale", 1.0 / (f.m1 * f.lambda)),
                value("rate", f.m1 * f.lambda), optional("mean", mean, {}), optional("sd", sd, {})};
    case FitFamily::Weibull:
        return {value("shape", f.p), value("scale", 1.0 / f.lambda), optional("mean", mean, {}),
                optional("sd", sd, {})};
    case FitFamily::LogLogistic:
        return {value("shape", f.p), value("scale", 1.0 / f.lambda),
                value("median", distribution.median()),
                optional("mean", mean, QStringLiteral("undefined (shape ≤ 1)")),
                optional("sd", sd, QStringLiteral("undefined (shape ≤ 2)"))};
    case FitFamily::Exponential:
        return {value("rate", f.lambda), optional("mean", mean, {})};
    case FitFamily::GeneralF:
        return {value("q", f.q),
                value("m1", f.m1),
                value("m2", f.m2),
                value("lambda", f.lambda),
                value("p", f.p),
                value("median", distribution.median()),
                optional("mean", mean, QStringLiteral("undefined (m2·p ≤ 1)")),
                optional("sd", sd, QStringLiteral("undefined (m2·p ≤ 2)"))};
    }
    return {};
}

QString RFormula(const GfFit& f)
{
    switch (f.family) {
    case FitFamily::Lognormal:
        return QStringLiteral("qlnorm(p, meanlog = ") + N(-std::log(f.lambda)) +
               QStringLiteral(", sdlog = ") + N(1.0 / f.p) + QLatin1Char(')') + Shift(f.q);
    case FitFamily::Gamma:
        return QStringLiteral("qgamma(p, shape = ") + N(f.m1) + QStringLiteral(", rate = ") +
               N(f.m1 * f.lambda) + QLatin1Char(')') + Shift(f.q);
    case FitFamily::Weibull:
        return QStringLiteral("qweibull(p, shape = ") + N(f.p) + QStringLiteral(", scale = ") +
               N(1.0 / f.lambda) + QLatin1Char(')') + Shift(f.q);
    case FitFamily::Exponential:
        return QStringLiteral("qexp(p, rate = ") + N(f.lambda) + QLatin1Char(')') + Shift(f.q);
    case FitFamily::LogLogistic:
        return (f.q == 0 ? QString() : N(f.q) + QStringLiteral(" + ")) + N(1.0 / f.lambda) +
               QStringLiteral(" * (p / (1 - p))^(1 / ") + N(f.p) + QLatin1Char(')');
    case FitFamily::GeneralF:
        return QStringLiteral("flexsurv::qgenf.orig(p, mu = ") + N(-std::log(f.lambda)) +
               QStringLiteral(", sigma = ") + N(1.0 / f.p) + QStringLiteral(", s1 = ") + N(f.m1) +
               QStringLiteral(", s2 = ") + N(f.m2) + QLatin1Char(')') + Shift(f.q);
    }
    return {};
}

QString PythonFormula(const GfFit& f)
{
    auto frozen = [](const QString& call) {
        return QStringLiteral("scipy.stats.") + call + QStringLiteral(".ppf(u)");
    };
    const QString loc = QStringLiteral("loc=") + N(f.q);
    switch (f.family) {
    case FitFamily::Lognormal:
        return frozen(QStringLiteral("lognorm(s=") + N(1.0 / f.p) + QStringLiteral(", ") + loc +
                      QStringLiteral(", scale=") + N(1.0 / f.lambda) + QLatin1Char(')'));
    case FitFamily::Gamma:
        return frozen(QStringLiteral("gamma(a=") + N(f.m1) + QStringLiteral(", ") + loc +
                      QStringLiteral(", scale=") + N(1.0 / (f.m1 * f.lambda)) + QLatin1Char(')'));
    case FitFamily::Weibull:
        return frozen(QStringLiteral("weibull_min(c=") + N(f.p) + QStringLiteral(", ") + loc +
                      QStringLiteral(", scale=") + N(1.0 / f.lambda) + QLatin1Char(')'));
    case FitFamily::LogLogistic:
        return frozen(QStringLiteral("fisk(c=") + N(f.p) + QStringLiteral(", ") + loc +
                      QStringLiteral(", scale=") + N(1.0 / f.lambda) + QLatin1Char(')'));
    case FitFamily::Exponential:
        return frozen(QStringLiteral("expon(") + loc + QStringLiteral(", scale=") +
                      N(1.0 / f.lambda) + QLatin1Char(')'));
    case FitFamily::GeneralF:
        return N(f.q) + QStringLiteral(" + (1/") + N(f.lambda) +
               QStringLiteral(") * scipy.stats.f(2*") + N(f.m1) + QStringLiteral(", 2*") + N(f.m2) +
               QStringLiteral(").ppf(u)**(1/") + N(f.p) + QLatin1Char(')');
    }
    return {};
}

QString AtRiskFormula(const FitDistribution& distribution)
{
    const GfFit& f = distribution.fit();
    switch (f.family) {
    case FitFamily::Lognormal:
        return QStringLiteral("=RiskLognorm2(") + N(-std::log(f.lambda)) + QStringLiteral(", ") +
               N(1.0 / f.p) + RiskShift(f.q) + QLatin1Char(')');
    case FitFamily::Gamma:
        return QStringLiteral("=RiskGamma(") + N(f.m1) + QStringLiteral(", ") +
               N(1.0 / (f.m1 * f.lambda)) + RiskShift(f.q) + QLatin1Char(')');
    case FitFamily::Weibull:
        return QStringLiteral("=RiskWeibull(") + N(f.p) + QStringLiteral(", ") + N(1.0 / f.lambda) +
               RiskShift(f.q) + QLatin1Char(')');
    case FitFamily::LogLogistic:
        return QStringLiteral("=RiskLogLogistic(0, ") + N(1.0 / f.lambda) + QStringLiteral(", ") +
               N(f.p) + RiskShift(f.q) + QLatin1Char(')');
    case FitFamily::Exponential:
        return QStringLiteral("=RiskExpon(") + N(1.0 / f.lambda) + RiskShift(f.q) +
               QLatin1Char(')');
    case FitFamily::GeneralF: {
        // 101 quantiles: the minimum q, the 1 % to 99 % points, and the 99.9 % point as
        // the maximum, since the distribution itself has no upper end.
        QStringList points;
        QStringList levels;
        for (int i = 1; i <= 99; ++i) {
            points << N(distribution.quantile(i / 100.0));
            levels << N(i / 100.0);
        }
        return QStringLiteral("=RiskCumul(") + N(f.q) + QStringLiteral(", ") +
               N(distribution.quantile(0.999)) + QStringLiteral(", {") + points.join(u',') +
               QStringLiteral("}, {") + levels.join(u',') + QStringLiteral("})");
    }
    }
    return {};
}

} // namespace veltra
