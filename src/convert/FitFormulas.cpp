#include "convert/FitFormulas.h"

#include "util/NumberFormat.h"

#include <QLocale>
#include <QStringList>

#include <cmath>

namespace veltra {

namespace {

const QString MissingPrefix = QStringLiteral("no formula: ");

// The numbers of one formula, each written exactly; the first that is not finite is
// remembered with its name, and the formula is then replaced by the reason.
class Numbers
{
public:
    QString operator()(double value, const char* name)
    {
        if (!std::isfinite(value) && m_bad.isEmpty())
            m_bad = QStringLiteral("the ") + QLatin1String(name) +
                    (std::isnan(value) ? QStringLiteral(" is undefined")
                                       : QStringLiteral(" is too large for a number"));
        return FormulaNumber(value);
    }

    QString result(const QString& formula) const
    {
        return m_bad.isEmpty() ? formula : MissingPrefix + m_bad;
    }

private:
    QString m_bad;
};

// "q + " in front of an expression, or nothing for q = 0.
QString Prefix(Numbers& n, double q)
{
    return q == 0 ? QString() : n(q, "location q") + QStringLiteral(" + ");
}

QString RiskShift(Numbers& n, double q)
{
    return q == 0 ? QString() : QStringLiteral(", RiskShift(") + n(q, "location q") + u')';
}

} // namespace

bool IsMissingFormula(const QString& formula)
{
    return formula.startsWith(MissingPrefix);
}

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
    Numbers n;
    const QString q = Prefix(n, f.q);
    switch (f.family) {
    case FitFamily::Lognormal:
        return n.result(q + QStringLiteral("qlnorm(u, meanlog = ") +
                        n(-std::log(f.lambda), "meanlog") + QStringLiteral(", sdlog = ") +
                        n(1.0 / f.p, "sdlog") + u')');
    case FitFamily::Gamma:
        return n.result(q + QStringLiteral("qgamma(u, shape = ") + n(f.m1, "shape") +
                        QStringLiteral(", rate = ") + n(f.m1 * f.lambda, "rate") + u')');
    case FitFamily::Weibull:
        return n.result(q + QStringLiteral("qweibull(u, shape = ") + n(f.p, "shape") +
                        QStringLiteral(", scale = ") + n(1.0 / f.lambda, "scale") + u')');
    case FitFamily::Exponential:
        return n.result(q + QStringLiteral("qexp(u, rate = ") + n(f.lambda, "rate") + u')');
    case FitFamily::LogLogistic:
        return n.result(q + n(1.0 / f.lambda, "scale") + QStringLiteral(" * (u / (1 - u))^(1 / ") +
                        n(f.p, "shape") + u')');
    case FitFamily::GeneralF: {
        const QString m1 = n(f.m1, "m1");
        const QString m2 = n(f.m2, "m2");
        return n.result(q + QStringLiteral("((") + m2 + QStringLiteral(" / ") + m1 +
                        QStringLiteral(") * qbeta(u, ") + m1 + QStringLiteral(", ") + m2 +
                        QStringLiteral(") / qbeta(u, ") + m2 + QStringLiteral(", ") + m1 +
                        QStringLiteral(", lower.tail = FALSE))^(1 / ") + n(f.p, "p") +
                        QStringLiteral(") / ") + n(f.lambda, "lambda"));
    }
    }
    return {};
}

QString PythonFormula(const GfFit& f)
{
    Numbers n;
    auto frozen = [](const QString& call) {
        return QStringLiteral("scipy.stats.") + call + QStringLiteral(".ppf(u)");
    };
    const QString loc = QStringLiteral("loc=") + n(f.q, "location q");
    switch (f.family) {
    case FitFamily::Lognormal:
        return n.result(frozen(QStringLiteral("lognorm(s=") + n(1.0 / f.p, "sdlog") +
                               QStringLiteral(", ") + loc + QStringLiteral(", scale=") +
                               n(1.0 / f.lambda, "scale") + u')'));
    case FitFamily::Gamma:
        return n.result(frozen(QStringLiteral("gamma(a=") + n(f.m1, "shape") +
                               QStringLiteral(", ") + loc + QStringLiteral(", scale=") +
                               n(1.0 / (f.m1 * f.lambda), "scale") + u')'));
    case FitFamily::Weibull:
        return n.result(frozen(QStringLiteral("weibull_min(c=") + n(f.p, "shape") +
                               QStringLiteral(", ") + loc + QStringLiteral(", scale=") +
                               n(1.0 / f.lambda, "scale") + u')'));
    case FitFamily::LogLogistic:
        return n.result(frozen(QStringLiteral("fisk(c=") + n(f.p, "shape") + QStringLiteral(", ") +
                               loc + QStringLiteral(", scale=") + n(1.0 / f.lambda, "scale") +
                               u')'));
    case FitFamily::Exponential:
        return n.result(frozen(QStringLiteral("expon(") + loc + QStringLiteral(", scale=") +
                               n(1.0 / f.lambda, "scale") + u')'));
    case FitFamily::GeneralF:
        return n.result(n(f.q, "location q") + QStringLiteral(" + (1/") + n(f.lambda, "lambda") +
                        QStringLiteral(") * scipy.stats.f(2*") + n(f.m1, "m1") +
                        QStringLiteral(", 2*") + n(f.m2, "m2") + QStringLiteral(").ppf(u)**(1/") +
                        n(f.p, "p") + u')');
    }
    return {};
}

QString AtRiskFormula(const FitDistribution& distribution)
{
    const GfFit& f = distribution.fit();
    Numbers n;
    switch (f.family) {
    case FitFamily::Lognormal:
        return n.result(QStringLiteral("=RiskLognorm2(") + n(-std::log(f.lambda), "meanlog") +
                        QStringLiteral(", ") + n(1.0 / f.p, "sdlog") + RiskShift(n, f.q) + u')');
    case FitFamily::Gamma:
        return n.result(QStringLiteral("=RiskGamma(") + n(f.m1, "shape") + QStringLiteral(", ") +
                        n(1.0 / (f.m1 * f.lambda), "scale") + RiskShift(n, f.q) + u')');
    case FitFamily::Weibull:
        return n.result(QStringLiteral("=RiskWeibull(") + n(f.p, "shape") + QStringLiteral(", ") +
                        n(1.0 / f.lambda, "scale") + RiskShift(n, f.q) + u')');
    case FitFamily::LogLogistic:
        // RiskLogLogistic(gamma, beta, alpha): location, scale, shape.
        return n.result(QStringLiteral("=RiskLogLogistic(") + n(f.q, "location q") +
                        QStringLiteral(", ") + n(1.0 / f.lambda, "scale") + QStringLiteral(", ") +
                        n(f.p, "shape") + u')');
    case FitFamily::Exponential:
        return n.result(QStringLiteral("=RiskExpon(") + n(1.0 / f.lambda, "mean") +
                        RiskShift(n, f.q) + u')');
    case FitFamily::GeneralF:
        // RiskPearson6(alpha1, alpha2, beta) is beta times a beta-prime(alpha1, alpha2)
        // variable, and F(2 m1, 2 m2) is m2/m1 times beta-prime(m1, m2).
        return n.result(QStringLiteral("=") + Prefix(n, f.q) + QStringLiteral("RiskPearson6(") +
                        n(f.m1, "m1") + QStringLiteral(", ") + n(f.m2, "m2") +
                        QStringLiteral(", ") + n(f.m2 / f.m1, "scale m2/m1") +
                        QStringLiteral(")^(1 / ") + n(f.p, "p") + QStringLiteral(") / ") +
                        n(f.lambda, "lambda"));
    }
    return {};
}

QString ExcelFormula(const GfFit& f, ExcelForm form)
{
    Numbers n;
    const QString q = Prefix(n, f.q);
    QString text;
    switch (f.family) {
    case FitFamily::Lognormal:
        text = q + QStringLiteral("LOGNORM.INV(u, ") + n(-std::log(f.lambda), "meanlog") +
               QStringLiteral(", ") + n(1.0 / f.p, "sdlog") + u')';
        break;
    case FitFamily::Gamma:
        text = q + QStringLiteral("GAMMA.INV(u, ") + n(f.m1, "shape") + QStringLiteral(", ") +
               n(1.0 / (f.m1 * f.lambda), "scale") + u')';
        break;
    case FitFamily::Weibull:
        text = q + n(1.0 / f.lambda, "scale") + QStringLiteral(" * (-LN(1 - u))^(1 / ") +
               n(f.p, "shape") + u')';
        break;
    case FitFamily::LogLogistic:
        text = q + n(1.0 / f.lambda, "scale") + QStringLiteral(" * (u / (1 - u))^(1 / ") +
               n(f.p, "shape") + u')';
        break;
    case FitFamily::Exponential:
        text = q + n(1.0 / f.lambda, "scale") + QStringLiteral(" * -LN(1 - u)");
        break;
    case FitFamily::GeneralF: {
        // F(2 m1, 2 m2) in its beta form, Y = (m2/m1) B / (1 - B) with B ~ Beta(m1, m2):
        // F.INV truncates degrees of freedom to whole numbers, BETA.INV takes any shape,
        // and 1 - B as the (1 - u)-quantile of Beta(m2, m1) keeps its digits in the
        // upper tail.
        const QString m1 = n(f.m1, "m1");
        const QString m2 = n(f.m2, "m2");
        text = q + QStringLiteral("((") + m2 + QStringLiteral(" / ") + m1 +
               QStringLiteral(") * BETA.INV(u, ") + m1 + QStringLiteral(", ") + m2 +
               QStringLiteral(") / BETA.INV(1 - u, ") + m2 + QStringLiteral(", ") + m1 +
               QStringLiteral("))^(1 / ") + n(f.p, "p") + QStringLiteral(") / ") +
               n(f.lambda, "lambda");
        break;
    }
    }
    text = n.result(QStringLiteral("=") + text);
    if (IsMissingFormula(text) || form == ExcelForm::English || DecimalSeparator() != u',')
        return text;
    // The formula holds commas only between arguments and points only in numbers.
    text.replace(u',', u';');
    text.replace(u'.', u',');
    // Function names keep their point: "LOGNORM,INV" back to "LOGNORM.INV".
    text.replace(QStringLiteral(",INV("), QStringLiteral(".INV("));
    return text;
}

} // namespace veltra
