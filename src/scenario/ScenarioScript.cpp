#include "scenario/ScenarioScript.h"

#include "convert/FitFormulas.h"
#include "scenario/Simulation.h"
#include "scenario/SimulationOutput.h"
#include "util/SafeFile.h"
#include "util/VeltraError.h"

#include <cmath>

namespace veltra {

namespace {

bool IsR(ScriptLanguage language)
{
    return language == ScriptLanguage::R;
}

QString Num(double value)
{
    if (std::isnan(value))
        return QStringLiteral("NaN");
    return FormulaNumber(value);
}

// A string literal of either language: both read the same escapes.
QString Literal(const QString& text)
{
    QString out = QStringLiteral("\"");
    for (const QChar c : text) {
        if (c == u'\\' || c == u'"')
            out += u'\\' + QString(c);
        else if (c == u'\n')
            out += QStringLiteral("\\n");
        else if (c == u'\r')
            out += QStringLiteral("\\r");
        else if (c == u'\t')
            out += QStringLiteral("\\t");
        else if (c.unicode() < 0x20)
            out += QStringLiteral("\\x%1").arg(c.unicode(), 2, 16, QLatin1Char('0'));
        else
            out += c;
    }
    return out + u'"';
}

// A text as one comment line.
QString Comment(const QString& text)
{
    QString line = text;
    line.replace(u'\n', u' ').replace(u'\r', u' ');
    return QStringLiteral("# ") + line;
}

// The functions of the formula in each language, element by element on vectors.
struct FunctionName
{
    const char* formula;
    const char* r;
    const char* python;
};
constexpr FunctionName Functions[] = {
    {"exp", "exp", "np.exp"},
    {"log", "log", "np.log"},
    {"ln", "log", "np.log"},
    {"log10", "log10", "np.log10"},
    {"log2", "log2", "np.log2"},
    {"sqrt", "sqrt", "np.sqrt"},
    {"abs", "abs", "np.abs"},
    {"min", "pmin", "elementwise_min"},
    {"max", "pmax", "elementwise_max"},
    {"sign", "sign", "np.sign"},
    {"rint", "round", "np.rint"},
    {"sin", "sin", "np.sin"},
    {"cos", "cos", "np.cos"},
    {"tan", "tan", "np.tan"},
};

// The quantile function (in u) and distribution function (in x) of a user distribution.
struct UserForms
{
    QString quantile;
    QString cdf;
};

UserForms UserDistribution(const ScenarioInput& input, ScriptLanguage language)
{
    const bool r = IsR(language);
    auto at = [&input](const char* key) { return Num(input.parameters.value(QLatin1String(key))); };
    const QString& d = input.distribution;
    auto both = [](const QString& q, const QString& p) { return UserForms{q, p}; };
    if (d == u"uniform")
        return r ? both(QStringLiteral("qunif(u, %1, %2)").arg(at("min"), at("max")),
                        QStringLiteral("punif(x, %1, %2)").arg(at("min"), at("max")))
                 : both(QStringLiteral("uniform_ppf(u, %1, %2)").arg(at("min"), at("max")),
                        QStringLiteral("uniform_cdf(x, %1, %2)").arg(at("min"), at("max")));
    if (d == u"triangular" || d == u"pert") {
        const QString args = QStringLiteral("%1, %2, %3").arg(at("min"), at("mode"), at("max"));
        const QString q = r ? QStringLiteral("q%1(u, %2)") : QStringLiteral("%1_ppf(u, %2)");
        const QString p = r ? QStringLiteral("p%1(x, %2)") : QStringLiteral("%1_cdf(x, %2)");
        return both(q.arg(d, args), p.arg(d, args));
    }
    if (d == u"normal")
        return r ? both(QStringLiteral("qnorm(u, %1, %2)").arg(at("mean"), at("sd")),
                        QStringLiteral("pnorm(x, %1, %2)").arg(at("mean"), at("sd")))
                 : both(
                       QStringLiteral("scipy.stats.norm.ppf(u, %1, %2)").arg(at("mean"), at("sd")),
                       QStringLiteral("scipy.stats.norm.cdf(x, %1, %2)").arg(at("mean"), at("sd")));
    if (d == u"lognormal") {
        // The script turns the given pair into meanlog and sdlog itself.
        QString meanlog, sdlog;
        if (input.parameters.contains(QStringLiteral("gm"))) {
            meanlog = (r ? QStringLiteral("log(%1)") : QStringLiteral("np.log(%1)")).arg(at("gm"));
            sdlog = (r ? QStringLiteral("log(%1)") : QStringLiteral("np.log(%1)")).arg(at("gsd"));
        } else if (input.parameters.contains(QStringLiteral("meanlog"))) {
            meanlog = at("meanlog");
            sdlog = at("sdlog");
        } else {
            const QString variance = (r ? QStringLiteral("log1p((%2 / %1)^2)")
                                        : QStringLiteral("np.log1p((%2 / %1)**2)"))
                                         .arg(at("mean"), at("sd"));
            meanlog =
                (r ? QStringLiteral("log(%1) - %2 / 2") : QStringLiteral("np.log(%1) - %2 / 2"))
                    .arg(at("mean"), variance);
            sdlog = (r ? QStringLiteral("sqrt(%1)") : QStringLiteral("np.sqrt(%1)")).arg(variance);
        }
        if (r)
            return both(QStringLiteral("qlnorm(u, %1, %2)").arg(meanlog, sdlog),
                        QStringLiteral("plnorm(x, %1, %2)").arg(meanlog, sdlog));
        const QString frozen =
            QStringLiteral("scipy.stats.lognorm(s=%2, scale=np.exp(%1))").arg(meanlog, sdlog);
        return both(frozen + QStringLiteral(".ppf(u)"), frozen + QStringLiteral(".cdf(x)"));
    }
    if (d == u"gamma" || d == u"weibull" || d == u"beta") {
        const bool beta = d == u"beta";
        const QString args = beta ? QStringLiteral("%1, %2").arg(at("a"), at("b"))
                             : r  ? QStringLiteral("%1, scale = %2").arg(at("shape"), at("scale"))
                                  : QStringLiteral("%1, scale=%2").arg(at("shape"), at("scale"));
        if (r)
            return both(QStringLiteral("q%1(u, %2)").arg(d, args),
                        QStringLiteral("p%1(x, %2)").arg(d, args));
        const QString name = d == u"weibull" ? QStringLiteral("weibull_min") : d;
        return both(QStringLiteral("scipy.stats.%1.ppf(u, %2)").arg(name, args),
                    QStringLiteral("scipy.stats.%1.cdf(x, %2)").arg(name, args));
    }
    if (d == u"generalf") {
        GfFit fit;
        fit.family = FitFamily::GeneralF;
        fit.q = input.parameters.value(QStringLiteral("q"));
        fit.m1 = input.parameters.value(QStringLiteral("m1"));
        fit.m2 = input.parameters.value(QStringLiteral("m2"));
        fit.lambda = input.parameters.value(QStringLiteral("lambda"));
        fit.p = input.parameters.value(QStringLiteral("p"));
        const QString quantile = r ? RFormula(fit) : PythonFormula(fit);
        if (IsMissingFormula(quantile))
            throw VeltraError(input.name + QStringLiteral(": ") + quantile);
        // X <= x exactly when ((x - q) * lambda)^p, an F(2 m1, 2 m2) variable, is at most
        // that value.
        const QString cdf =
            r ? QStringLiteral("pf((pmax(x - %1, 0) * %2)^%3, 2 * %4, 2 * %5)")
                    .arg(at("q"), at("lambda"), at("p"), at("m1"), at("m2"))
              : QStringLiteral(
                    "scipy.stats.f.cdf((np.maximum(x - %1, 0) * %2)**%3, 2 * %4, 2 * %5)")
                    .arg(at("q"), at("lambda"), at("p"), at("m1"), at("m2"));
        return both(quantile, cdf);
    }
    throw VeltraError(input.name + QStringLiteral(": unknown distribution \"") + d + u'"');
}

// The quantile function of an input in one run, as an expression that gives a function
// of u (a vector of levels).
QString InputFunction(const ScenarioInput& input, const Marginal& marginal, ScriptLanguage language)
{
    const bool r = IsR(language);
    auto function = [r](const QString& body) {
        return r ? QStringLiteral("function(u) ") + body : QStringLiteral("lambda u: ") + body;
    };
    if (marginal.isConstant())
        return function(r ? QStringLiteral("rep(%1, length(u))").arg(Num(marginal.quantile(0.5)))
                          : QStringLiteral("np.full(len(u), %1)").arg(Num(marginal.quantile(0.5))));
    if (input.kind == ScenarioInput::Kind::Distribution) {
        const UserForms forms = UserDistribution(input, language);
        if (!input.truncate)
            return function(forms.quantile);
        const QString cdf = r ? QStringLiteral("function(x) ") + forms.cdf
                              : QStringLiteral("lambda x: ") + forms.cdf;
        return QStringLiteral("truncated(%1, %2, %3, %4)")
            .arg(function(forms.quantile), cdf, Num(input.truncate->first),
                 Num(input.truncate->second));
    }
    if (const GfFit* fit = marginal.fit()) {
        const QString quantile = r ? RFormula(*fit) : PythonFormula(*fit);
        if (IsMissingFormula(quantile))
            throw VeltraError(input.name + QStringLiteral(": ") + quantile);
        return function(quantile);
    }
    QStringList levels, values;
    for (const auto& [level, value] : marginal.empiricalPoints()) {
        levels << Num(level);
        values << Num(value);
    }
    if (levels.isEmpty())
        throw VeltraError(input.name + QStringLiteral(": its distribution cannot be written"));
    // Piecewise linear between the observed levels and values.
    return r ? function(
                   QStringLiteral("approx(c(%1), c(%2), xout = u, ties = \"ordered\")$y")
                       .arg(levels.join(QStringLiteral(", ")), values.join(QStringLiteral(", "))))
             : function(
                   QStringLiteral("np.interp(u, [%1], [%2])")
                       .arg(levels.join(QStringLiteral(", ")), values.join(QStringLiteral(", "))));
}

const char* RHelpers =
    R"(# The levels of one input: a Latin hypercube (one level in each of n equal strata, in
# random order) or plain uniform numbers.
sample_levels <- function(n) {
  if (latin_hypercube) (sample.int(n) - runif(n)) / n else runif(n)
}

# A distribution limited to [lo, hi]: its quantile function on the levels between the
# distribution function's values at lo and hi.
truncated <- function(q, p, lo, hi) {
  a <- p(lo)
  b <- p(hi)
  function(u) q(a + u * (b - a))
}

qtriangular <- function(u, a, c, b) {
  ifelse(u * (b - a) < c - a, a + sqrt(u * (b - a) * (c - a)), b - sqrt((1 - u) * (b - a) * (b - c)))
}
ptriangular <- function(x, a, c, b) {
  ifelse(x <= a, 0, ifelse(x >= b, 1, ifelse(x <= c, (x - a)^2 / ((b - a) * (c - a)),
                                             1 - (b - x)^2 / ((b - a) * (b - c)))))
}
# PERT: a beta distribution on [a, b] with the mode c.
qpert <- function(u, a, c, b) a + (b - a) * qbeta(u, 1 + 4 * (c - a) / (b - a), 1 + 4 * (b - c) / (b - a))
ppert <- function(x, a, c, b) pbeta((x - a) / (b - a), 1 + 4 * (c - a) / (b - a), 1 + 4 * (b - c) / (b - a))

# Rank correlations by Iman-Conover: the columns' van der Waerden scores are mixed through
# the Cholesky factors of the target and of their own correlation, and each column takes
# its sorted levels in the order of its mixed scores. The target of the scores is the
# Pearson correlation 2 sin(pi rho / 6) of a normal pair with rank correlation rho.
iman_conover <- function(u, rank_target) {
  n <- nrow(u)
  scores <- qnorm(seq_len(n) / (n + 1))
  s <- apply(u, 2, function(column) scores[rank(column, ties.method = "first")])
  target <- 2 * sin(pi * rank_target / 6)
  mix <- t(chol(target)) %*% solve(t(chol(cor(s))))
  mixed <- s %*% t(mix)
  for (j in seq_len(ncol(u))) u[, j] <- sort(u[, j])[rank(mixed[, j], ties.method = "first")]
  u
}
)";

const char* PythonHelpers =
    R"(# The levels of one input: a Latin hypercube (one level in each of n equal strata, in
# random order) or plain uniform numbers.
def sample_levels(rng, n):
    if LATIN_HYPERCUBE:
        return (rng.permutation(n) + rng.random(n)) / n
    return rng.random(n)


# A distribution limited to [lo, hi]: its quantile function on the levels between the
# distribution function's values at lo and hi.
def truncated(q, p, lo, hi):
    a, b = p(lo), p(hi)
    return lambda u: q(a + u * (b - a))


def uniform_ppf(u, a, b):
    return a + u * (b - a)


def uniform_cdf(x, a, b):
    return np.clip((x - a) / (b - a), 0, 1)


def triangular_ppf(u, a, c, b):
    return scipy.stats.triang.ppf(u, (c - a) / (b - a), loc=a, scale=b - a)


def triangular_cdf(x, a, c, b):
    return scipy.stats.triang.cdf(x, (c - a) / (b - a), loc=a, scale=b - a)


# PERT: a beta distribution on [a, b] with the mode c.
def pert_ppf(u, a, c, b):
    return scipy.stats.beta.ppf(u, 1 + 4 * (c - a) / (b - a), 1 + 4 * (b - c) / (b - a), loc=a, scale=b - a)


def pert_cdf(x, a, c, b):
    return scipy.stats.beta.cdf(x, 1 + 4 * (c - a) / (b - a), 1 + 4 * (b - c) / (b - a), loc=a, scale=b - a)


def elementwise_min(*values):
    return functools.reduce(np.minimum, values)


def elementwise_max(*values):
    return functools.reduce(np.maximum, values)


def ranks(column):
    order = np.argsort(column, kind="stable")
    rank = np.empty(len(column), dtype=np.int64)
    rank[order] = np.arange(len(column))
    return rank


# Rank correlations by Iman-Conover: the columns' van der Waerden scores are mixed through
# the Cholesky factors of the target and of their own correlation, and each column takes
# its sorted levels in the order of its mixed scores. The target of the scores is the
# Pearson correlation 2 sin(pi rho / 6) of a normal pair with rank correlation rho.
def iman_conover(u, rank_target):
    n = u.shape[0]
    scores = scipy.stats.norm.ppf(np.arange(1, n + 1) / (n + 1))
    s = np.column_stack([scores[ranks(u[:, j])] for j in range(u.shape[1])])
    target = 2 * np.sin(np.pi * rank_target / 6)
    mix = np.linalg.cholesky(target) @ np.linalg.inv(np.linalg.cholesky(np.corrcoef(s, rowvar=False)))
    mixed = s @ mix.T
    out = np.empty_like(u)
    for j in range(u.shape[1]):
        out[:, j] = np.sort(u[:, j])[ranks(mixed[:, j])]
    return out
)";

QString LevelList(ScriptLanguage language)
{
    QStringList levels;
    for (double level : SimulationLevels)
        levels << Num(level);
    return (IsR(language) ? QStringLiteral("c(%1)") : QStringLiteral("np.array([%1])"))
        .arg(levels.join(QStringLiteral(", ")));
}

QString Header()
{
    QStringList columns{QStringLiteral("group"),   QStringLiteral("age_min"),
                        QStringLiteral("age_max"), QStringLiteral("n"),
                        QStringLiteral("mean"),    QStringLiteral("sd")};
    for (double level : SimulationLevels)
        columns << LevelLabel(level);
    columns << QStringLiteral("error");
    return columns.join(u',');
}

} // namespace

ScriptLanguage ParseScriptLanguage(const QString& name)
{
    if (name.compare(QStringLiteral("r"), Qt::CaseInsensitive) == 0)
        return ScriptLanguage::R;
    if (name.compare(QStringLiteral("python"), Qt::CaseInsensitive) == 0)
        return ScriptLanguage::Python;
    throw VeltraError(QStringLiteral("script: the language is r or python, not \"%1\"").arg(name));
}

QString TranslateFormula(const QString& formula, const QStringList& names, ScriptLanguage language)
{
    const bool r = IsR(language);
    QString out;
    const qsizetype n = formula.size();
    auto fail = [](qsizetype position, const QString& what) {
        throw VeltraError(QStringLiteral("formula, position %1: %2 cannot be written in the script")
                              .arg(position + 1)
                              .arg(what));
    };
    for (qsizetype i = 0; i < n;) {
        const QChar c = formula.at(i);
        if (c.isSpace()) {
            out += u' ';
            ++i;
        } else if (c.isDigit() || (c == u'.' && i + 1 < n && formula.at(i + 1).isDigit())) {
            const qsizetype start = i;
            while (i < n && (formula.at(i).isDigit() || formula.at(i) == u'.'))
                ++i;
            if (i < n && (formula.at(i) == u'e' || formula.at(i) == u'E')) {
                qsizetype j = i + 1;
                if (j < n && (formula.at(j) == u'+' || formula.at(j) == u'-'))
                    ++j;
                if (j < n && formula.at(j).isDigit()) {
                    i = j;
                    while (i < n && formula.at(i).isDigit())
                        ++i;
                }
            }
            out += formula.mid(start, i - start);
        } else if (c.isLetter() || c == u'_') {
            const qsizetype start = i;
            while (i < n && (formula.at(i).isLetterOrNumber() || formula.at(i) == u'_'))
                ++i;
            const QString word = formula.mid(start, i - start);
            qsizetype next = i;
            while (next < n && formula.at(next).isSpace())
                ++next;
            const bool call = next < n && formula.at(next) == u'(';
            if (!call && names.contains(word)) {
                out += r ? QStringLiteral("x[[\"%1\"]]").arg(word)
                         : QStringLiteral("x[\"%1\"]").arg(word);
            } else if (!call && (word == u"_pi" || word == u"_e")) {
                out += word == u"_pi" ? (r ? QStringLiteral("pi") : QStringLiteral("np.pi"))
                                      : (r ? QStringLiteral("exp(1)") : QStringLiteral("np.e"));
            } else {
                const FunctionName* found = nullptr;
                for (const FunctionName& function : Functions)
                    if (call && word == QLatin1String(function.formula))
                        found = &function;
                if (!found)
                    fail(start, QStringLiteral("\"%1\"").arg(word));
                out += QLatin1String(r ? found->r : found->python);
            }
        } else if (QStringLiteral("+-*/(),").contains(c)) {
            out += c;
            ++i;
        } else if (c == u'^') {
            out += r ? QStringLiteral("^") : QStringLiteral("**");
            ++i;
        } else {
            fail(i, QStringLiteral("\"%1\"").arg(c));
        }
    }
    return out.trimmed();
}

QString ScenarioScript(const Scenario& scenario, const QString& databaseDir,
                       ScriptLanguage language)
{
    const bool r = IsR(language);
    QStringList names;
    for (const ScenarioInput& input : scenario.inputs)
        names << input.name;
    // Checked as a run checks the scenario (the formula, the correlation matrix, the
    // database inputs), so a script is never written for a scenario that cannot run.
    CheckScenario(scenario, databaseDir);
    const QString formula = TranslateFormula(scenario.formula, names, language);
    const QList<PlannedRun> plans = PlanScenario(scenario, databaseDir);

    QStringList lines;
    const QString output =
        scenario.outputName + (scenario.outputUnit.isEmpty()
                                   ? QString()
                                   : QStringLiteral(" [%1]").arg(scenario.outputUnit));
    if (!r)
        lines << QStringLiteral("#!/usr/bin/env python3");
    lines << Comment(QStringLiteral("Scenario \"%1\": %2 = %3")
                         .arg(scenario.name, output, scenario.formula))
          << Comment(QStringLiteral("Written by Veltra. It reproduces the scenario with %1 and "
                                    "its own random numbers,")
                         .arg(r ? QStringLiteral("base R") : QStringLiteral("numpy and scipy")))
          << Comment(QStringLiteral("seeded with the scenario's seed before each run: the "
                                    "percentiles agree with the"))
          << Comment(QStringLiteral("program's within the Monte Carlo error, not digit for "
                                    "digit. Database inputs are the"))
          << Comment(QStringLiteral("fits (or observed percentiles) of each run's age group. "
                                    "Rank correlations are imposed"))
          << Comment(QStringLiteral("by Iman-Conover, as in the program. One CSV line per run "
                                    "goes to the standard output."))
          << QString();
    if (r) {
        lines << QStringLiteral("iterations <- %1").arg(scenario.iterations)
              << QStringLiteral("seed <- %1").arg(scenario.seed)
              << QStringLiteral("latin_hypercube <- %1")
                     .arg(scenario.sampling == Sampling::LatinHypercube ? QStringLiteral("TRUE")
                                                                        : QStringLiteral("FALSE"))
              << QStringLiteral("levels <- ") + LevelList(language) << QString()
              << QString::fromUtf8(RHelpers) << QStringLiteral("model <- function(x) ") + formula
              << QString();
    } else {
        lines << QStringLiteral("import functools") << QStringLiteral("import sys") << QString()
              << QStringLiteral("import numpy as np") << QStringLiteral("import scipy.stats")
              << QString() << QStringLiteral("ITERATIONS = %1").arg(scenario.iterations)
              << QStringLiteral("SEED = %1").arg(scenario.seed)
              << QStringLiteral("LATIN_HYPERCUBE = %1")
                     .arg(scenario.sampling == Sampling::LatinHypercube ? QStringLiteral("True")
                                                                        : QStringLiteral("False"))
              << QStringLiteral("LEVELS = ") + LevelList(language) << QString() << QString()
              << QString::fromUtf8(PythonHelpers) << QString() << QStringLiteral("def model(x):")
              << QStringLiteral("    return ") + formula << QString() << QString();
    }

    // The correlated inputs and the target matrix of their rank correlations.
    QStringList correlated;
    for (const ScenarioInput& input : scenario.inputs)
        for (const ScenarioCorrelation& c : scenario.correlations)
            if ((c.a == input.name || c.b == input.name) && !correlated.contains(input.name))
                correlated << input.name;
    QStringList quoted;
    for (const QString& name : correlated)
        quoted << Literal(name);
    if (r) {
        if (correlated.isEmpty())
            lines << QStringLiteral("correlated <- character(0)");
        else
            lines << QStringLiteral("correlated <- c(%1)").arg(quoted.join(QStringLiteral(", ")))
                  << QStringLiteral("rank_target <- diag(length(correlated))")
                  << QStringLiteral("dimnames(rank_target) <- list(correlated, correlated)");
        for (const ScenarioCorrelation& c : scenario.correlations)
            lines << QStringLiteral("rank_target[%1, %2] <- rank_target[%2, %1] <- %3")
                         .arg(Literal(c.a), Literal(c.b), Num(c.rank));
    } else {
        lines << QStringLiteral("CORRELATED = [%1]").arg(quoted.join(QStringLiteral(", ")));
        lines << QStringLiteral("RANK_TARGET = np.eye(len(CORRELATED))");
        for (const ScenarioCorrelation& c : scenario.correlations)
            lines << QStringLiteral("RANK_TARGET[%1, %2] = RANK_TARGET[%2, %1] = %3")
                         .arg(correlated.indexOf(c.a))
                         .arg(correlated.indexOf(c.b))
                         .arg(Num(c.rank));
    }
    lines << QString();

    // The runs: each with its inputs' quantile functions.
    lines << (r ? QStringLiteral("runs <- list(") : QStringLiteral("RUNS = ["));
    for (qsizetype k = 0; k < plans.size(); ++k) {
        const PlannedRun& plan = plans.at(k);
        const QString group = plan.group ? QString::number(*plan.group) : QString();
        const QString end = k + 1 < plans.size() ? QStringLiteral(",") : QString();
        if (!plan.caption.isEmpty())
            lines << QStringLiteral("  ") + Comment(plan.caption);
        if (r) {
            lines << QStringLiteral("  list(group = %1, age_min = %2, age_max = %3, error = %4,")
                         .arg(Literal(group),
                              std::isnan(plan.ageMin) ? QStringLiteral("NA") : Num(plan.ageMin),
                              std::isnan(plan.ageMax) ? QStringLiteral("NA") : Num(plan.ageMax),
                              Literal(plan.error));
            lines << QStringLiteral("       inputs = list(");
        } else {
            lines << QStringLiteral("    {\"group\": %1, \"age_min\": %2, \"age_max\": %3, "
                                    "\"error\": %4,")
                         .arg(Literal(group),
                              std::isnan(plan.ageMin) ? QStringLiteral("None") : Num(plan.ageMin),
                              std::isnan(plan.ageMax) ? QStringLiteral("None") : Num(plan.ageMax),
                              Literal(plan.error));
            lines << QStringLiteral("     \"inputs\": {");
        }
        for (qsizetype i = 0; i < plan.marginals.size(); ++i) {
            const QString function =
                InputFunction(scenario.inputs.at(i), plan.marginals.at(i), language);
            const QString comma = i + 1 < plan.marginals.size() ? QStringLiteral(",") : QString();
            if (plan.sources.size() > i)
                lines << QStringLiteral("         ") + Comment(plan.sources.at(i));
            lines << (r ? QStringLiteral("         %1 = %2%3")
                        : QStringLiteral("         %1: %2%3"))
                         .arg(Literal(names.at(i)), function, comma);
        }
        lines << (r ? QStringLiteral("       ))") : QStringLiteral("     }}")) + end;
    }
    lines << (r ? QStringLiteral(")") : QStringLiteral("]")) << QString();
    if (!r)
        lines << QString();

    if (r) {
        lines << QStringLiteral(R"(cat(%1, "\n", sep = ""))").arg(Literal(Header()))
              << QStringLiteral(
                     R"(number <- function(v) ifelse(is.na(v), "", sprintf("%.12g", v))
for (run in runs) {
  head <- c(run$group, number(run$age_min), number(run$age_max))
  if (run$error != "") {
    cat(paste(c(head, rep("", 3 + length(levels)), paste0('"', gsub('"', '""', run$error), '"')), collapse = ","), "\n", sep = "")
    next
  }
  set.seed(seed %% .Machine$integer.max) # R takes seeds up to 2^31 - 1
  u <- sapply(names(run$inputs), function(name) sample_levels(iterations))
  u <- matrix(u, nrow = iterations, dimnames = list(NULL, names(run$inputs)))
  if (length(correlated) > 0)
    u[, correlated] <- iman_conover(u[, correlated, drop = FALSE], rank_target)
  x <- lapply(names(run$inputs), function(name) run$inputs[[name]](u[, name]))
  names(x) <- names(run$inputs)
  y <- model(x)
  y <- y + numeric(iterations) # a formula of constants alone gives one value
  q <- quantile(y, levels, names = FALSE, type = 7)
  cat(paste(c(head, format(iterations, scientific = FALSE), number(c(mean(y), sd(y), q)), ""), collapse = ","), "\n", sep = "")
})");
    } else {
        lines << QStringLiteral(R"(def number(value):
    return "" if value is None else format(value, ".12g")


def main():
    print(%1)
    for run in RUNS:
        head = [run["group"], number(run["age_min"]), number(run["age_max"])]
        if run["error"]:
            print(",".join(head + [""] * (3 + len(LEVELS)) + ['"' + run["error"].replace('"', '""') + '"']))
            continue
        rng = np.random.default_rng(SEED)
        names = list(run["inputs"])
        u = np.column_stack([sample_levels(rng, ITERATIONS) for _ in names])
        if CORRELATED:
            columns = [names.index(name) for name in CORRELATED]
            u[:, columns] = iman_conover(u[:, columns], RANK_TARGET)
        x = {name: run["inputs"][name](u[:, j]) for j, name in enumerate(names)}
        y = model(x) + np.zeros(ITERATIONS)  # a formula of constants alone gives one value
        q = np.quantile(y, LEVELS)
        values = [np.mean(y), np.std(y, ddof=1)] + list(q)
        print(",".join(head + [str(ITERATIONS)] + [number(v) for v in values] + [""]))
    sys.stdout.flush()


if __name__ == "__main__":
    main())")
                     .arg(Literal(Header()));
    }
    return lines.join(u'\n') + u'\n';
}

void WriteScenarioScript(const QString& path, const Scenario& scenario, const QString& databaseDir,
                         ScriptLanguage language)
{
    WriteFileOrThrow(path, ScenarioScript(scenario, databaseDir, language).toUtf8());
}

} // namespace veltra
