// Monte Carlo runs against exact results: products and quotients of lognormals, sums of
// gammas with one scale, constants, the Latin hypercube's strata, imposed rank
// correlations; the same numbers with any number of threads; the quantile table against
// the exact inverse; age groups of the sample database and the faults of a run.
#include "scenario/Simulation.h"
#include "scenario/SimulationOutput.h"
#include "util/VeltraError.h"

#include "../common/WorkbookReader.h"

#include <QTemporaryDir>
#include <QTest>
#include <boost/math/distributions/gamma.hpp>
#include <boost/math/distributions/normal.hpp>
#include <boost/math/distributions/triangular.hpp>
#include <boost/math/distributions/weibull.hpp>
#include <cmath>

using namespace veltra;

namespace {

Scenario Parse(const QByteArray& json)
{
    return ReadScenario(json, QStringLiteral("test"));
}

QList<Marginal> UserMarginals(const Scenario& scenario)
{
    QList<Marginal> marginals;
    for (const ScenarioInput& input : scenario.inputs)
        marginals << Marginal::FromUserInput(input);
    return marginals;
}

RunResult Simulate(const Scenario& scenario, int threads = 1)
{
    RunOptions options;
    options.threads = threads;
    RunResult run = SimulateMarginals(scenario, UserMarginals(scenario), options);
    if (!run.error.isEmpty())
        qFatal("run failed: %s", qPrintable(run.error));
    return run;
}

double PercentileAt(const RunResult& run, double level)
{
    return run.percentiles.at(SimulationLevels.indexOf(level));
}

// The standard error of a sample p-quantile of n values with density f there.
double QuantileError(double p, qint64 n, double density)
{
    return std::sqrt(p * (1 - p) / double(n)) / density;
}

GfFit GeneralF(double q, double m1, double m2, double lambda, double p)
{
    GfFit fit;
    fit.family = FitFamily::GeneralF;
    fit.typeName = QStringLiteral("GeneralF");
    fit.q = q;
    fit.m1 = m1;
    fit.m2 = m2;
    fit.lambda = lambda;
    fit.p = p;
    return fit;
}

} // namespace

class SimulationTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // log(A * B / C) is normal with meanlog and variance the sums of the inputs'; the
    // tolerance is four standard errors of the sample quantile at 100,000 iterations of
    // plain random sampling (the Latin hypercube does better).
    void lognormalProductAndQuotient_data()
    {
        QTest::addColumn<QByteArray>("sampling");
        QTest::newRow("lhs") << QByteArray("lhs");
        QTest::newRow("random") << QByteArray("random");
    }
    void lognormalProductAndQuotient()
    {
        QFETCH(QByteArray, sampling);
        const Scenario scenario = Parse(R"({"schema": 1, "formula": "A * B / C",
            "iterations": 100000, "seed": 11, "sampling": ")" +
                                        sampling + R"(", "inputs": [
            {"name": "A", "distribution": "lognormal", "gm": 30, "gsd": 2.5},
            {"name": "B", "distribution": "lognormal", "meanlog": 0.5, "sdlog": 0.4},
            {"name": "C", "distribution": "lognormal", "mean": 20, "sd": 5}]})");
        const double cVariance = std::log1p(0.25 * 0.25);
        const double meanlog = std::log(30) + 0.5 - (std::log(20) - cVariance / 2);
        const double sdlog = std::sqrt(std::pow(std::log(2.5), 2) + 0.16 + cVariance);
        const RunResult run = Simulate(scenario);
        const boost::math::normal_distribution<> z;
        for (double level : {0.5, 0.95}) {
            const double zp = boost::math::quantile(z, level);
            const double exact = std::exp(meanlog + sdlog * zp);
            // The density of the output at its quantile: phi(z) / (x sdlog).
            const double density = boost::math::pdf(z, zp) / (exact * sdlog);
            const double tolerance = 4 * QuantileError(level, run.n, density);
            QVERIFY2(std::abs(PercentileAt(run, level) - exact) < tolerance,
                     qPrintable(QStringLiteral("P%1: %2 against %3 +- %4")
                                    .arg(level)
                                    .arg(PercentileAt(run, level))
                                    .arg(exact)
                                    .arg(tolerance)));
        }
        // Mean of a lognormal: exp(meanlog + sdlog^2 / 2); its standard error from the SD.
        const double mean = std::exp(meanlog + sdlog * sdlog / 2);
        QVERIFY(std::abs(run.mean - mean) < 4 * run.sd / std::sqrt(double(run.n)));
        // The input with the largest log spread drives the output.
        QCOMPARE(run.sensitivity.at(0).first, QStringLiteral("A"));
        QVERIFY(run.sensitivity.at(0).second > run.sensitivity.at(1).second);
        QVERIFY(run.sensitivity.at(2).second < 0);
    }

    // gamma(2, 3) + gamma(3.5, 3) is gamma(5.5, 3).
    void sumOfGammasWithOneScale()
    {
        const Scenario scenario = Parse(R"({"schema": 1, "formula": "A + B",
            "iterations": 100000, "seed": 5, "inputs": [
            {"name": "A", "distribution": "gamma", "shape": 2, "scale": 3},
            {"name": "B", "distribution": "gamma", "shape": 3.5, "scale": 3}]})");
        const RunResult run = Simulate(scenario);
        const boost::math::gamma_distribution<> sum(5.5, 3);
        for (double level : {0.05, 0.25, 0.5, 0.75, 0.95, 0.99}) {
            const double exact = boost::math::quantile(sum, level);
            const double tolerance = 4 * QuantileError(level, run.n, boost::math::pdf(sum, exact));
            QVERIFY2(std::abs(PercentileAt(run, level) - exact) < tolerance,
                     qPrintable(QString::number(level)));
        }
        QVERIFY(std::abs(run.sd - std::sqrt(5.5) * 3) < 0.02 * std::sqrt(5.5) * 3);
    }

    void constantGivesItself()
    {
        const Scenario scenario = Parse(R"({"schema": 1, "formula": "K * 2 + L",
            "iterations": 1000, "inputs": [
            {"name": "K", "constant": 3}, {"name": "L", "constant": -0.5}]})");
        const RunResult run = Simulate(scenario);
        QCOMPARE(run.mean, 5.5);
        QCOMPARE(run.sd, 0.0);
        for (double value : run.percentiles)
            QCOMPARE(value, 5.5);
        QCOMPARE(run.intervals.at(0).low, 5.5);
        QVERIFY(run.sensitivity.isEmpty());
    }

    // With n strata the k-th smallest of n Latin hypercube values lies in stratum k, so
    // the sample p-quantile lies between Q(floor(h) / n) and Q((floor(h) + 2) / n) with
    // h = (n - 1) p: a bound without sampling error.
    void latinHypercubeKeepsTheQuantiles_data()
    {
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<std::function<double(double)>>("quantile");
        QTest::newRow("triangular")
            << QByteArray(R"("distribution": "triangular", "min": 1, "mode": 2, "max": 6)")
            << std::function<double(double)>([](double u) {
                   return boost::math::quantile(boost::math::triangular_distribution<>(1, 2, 6), u);
               });
        QTest::newRow("weibull")
            << QByteArray(R"("distribution": "weibull", "shape": 1.7, "scale": 40)")
            << std::function<double(double)>([](double u) {
                   return boost::math::quantile(boost::math::weibull_distribution<>(1.7, 40), u);
               });
        QTest::newRow("uniform") << QByteArray(R"("distribution": "uniform", "min": -2, "max": 3)")
                                 << std::function<double(double)>(
                                        [](double u) { return -2 + 5 * u; });
        QTest::newRow("truncated normal")
            << QByteArray(R"("distribution": "normal", "mean": 10, "sd": 2, "truncate": [9, 20])")
            << std::function<double(double)>([](double u) {
                   const boost::math::normal_distribution<> d(10, 2);
                   const double low = boost::math::cdf(d, 9.0);
                   return boost::math::quantile(d, low + u * (1 - low));
               });
        QTest::newRow("pert as beta(2, 4) on [0, 6]")
            << QByteArray(R"("distribution": "pert", "min": 0, "mode": 1.5, "max": 6)")
            << std::function<double(double)>([](double u) {
                   // Beta(2, 4) by bisection of its distribution function.
                   auto cdf = [](double x) {
                       const double y = x / 6;
                       return 1 - std::pow(1 - y, 5) - 5 * y * std::pow(1 - y, 4);
                   };
                   double lo = 0, hi = 6;
                   for (int i = 0; i < 200; ++i)
                       (cdf((lo + hi) / 2) < u ? lo : hi) = (lo + hi) / 2;
                   return (lo + hi) / 2;
               });
    }
    void latinHypercubeKeepsTheQuantiles()
    {
        QFETCH(QByteArray, input);
        QFETCH(std::function<double(double)>, quantile);
        const qint64 n = 2000;
        const Scenario scenario = Parse(
            R"({"schema": 1, "formula": "X", "iterations": 2000, "seed": 3, "inputs": [
            {"name": "X", )" +
            input + "}]}");
        const RunResult run = Simulate(scenario);
        for (double level : SimulationLevels) {
            const double h = double(n - 1) * level;
            const double low = quantile(std::max(std::floor(h) / double(n), 1e-12));
            const double high = quantile(std::min((std::floor(h) + 2) / double(n), 1 - 1e-12));
            const double actual = PercentileAt(run, level);
            QVERIFY2(actual >= low - 1e-12 && actual <= high + 1e-12,
                     qPrintable(QStringLiteral("%1: %2 outside [%3, %4]")
                                    .arg(level)
                                    .arg(actual)
                                    .arg(low)
                                    .arg(high)));
        }
    }

    // For the output X the Spearman sensitivity of Y is the achieved rank correlation of
    // X and Y, measured through the output's own ranks. The standard error of a rank
    // correlation at 100,000 iterations is below 0.004; the bound is 0.02.
    void imposedRankCorrelations_data()
    {
        QTest::addColumn<QByteArray>("sampling");
        QTest::newRow("lhs") << QByteArray("lhs");
        QTest::newRow("random") << QByteArray("random");
    }
    void imposedRankCorrelations()
    {
        QFETCH(QByteArray, sampling);
        const Scenario scenario = Parse(R"({"schema": 1, "formula": "0 * (Y + Z) + X",
                                        "iterations" : 100000, "seed" : 17, "sampling"
                                        : ")" +
                                        sampling + R"(", "inputs": [
            {"name": "X", "distribution": "lognormal", "gm": 10, "gsd": 3},
            {"name": "Y", "distribution": "gamma", "shape": 0.7, "scale": 2},
            {"name": "Z", "distribution": "uniform", "min": 0, "max": 1}],
            "correlations": [{"a": "X", "b": "Y", "rank": 0.6},
                             {"a": "Z", "b": "X", "rank": -0.3},
                             {"a": "Y", "b": "Z", "rank": 0.1}]})");
        const RunResult run = Simulate(scenario);
        const QList<double> targets{0.6, -0.3, 0.1};
        for (int i = 0; i < 3; ++i)
            QVERIFY2(std::abs(run.achieved.at(i).rank - targets.at(i)) < 0.02,
                     qPrintable(QString::number(run.achieved.at(i).rank)));
        QCOMPARE(run.sensitivity.at(0).second, 1.0);
        QVERIFY(std::abs(run.sensitivity.at(1).second - 0.6) < 0.02);
        QVERIFY(std::abs(run.sensitivity.at(2).second + 0.3) < 0.02);
    }

    void sameNumbersWithAnyThreads_data()
    {
        QTest::addColumn<QByteArray>("sampling");
        QTest::newRow("lhs") << QByteArray("lhs");
        QTest::newRow("random") << QByteArray("random");
    }
    void sameNumbersWithAnyThreads()
    {
        QFETCH(QByteArray, sampling);
        // More iterations than one block, and not a multiple of it.
        const Scenario scenario = Parse(R"({"schema": 1, "formula": "A * B / C + D",
            "iterations": 30001, "seed": 99, "sampling": ")" +
                                        sampling + R"(", "inputs": [
            {"name": "A", "distribution": "lognormal", "gm": 3, "gsd": 2},
            {"name": "B", "distribution": "generalf", "q": 0, "m1": 2, "m2": 3,
             "lambda": 0.05, "p": 1.5},
            {"name": "C", "distribution": "beta", "a": 2, "b": 5},
            {"name": "D", "distribution": "triangular", "min": 0, "mode": 1, "max": 4}],
            "correlations": [{"a": "A", "b": "B", "rank": 0.5}]})");
        SimulationResult one, other;
        one.scenario = other.scenario = scenario;
        one.runs << Simulate(scenario, 1);
        other.runs << Simulate(scenario, 3);
        QCOMPARE(SimulationJson(other), SimulationJson(one));
        other.runs = {Simulate(scenario, 2)};
        QCOMPARE(SimulationJson(other), SimulationJson(one));
        // Another seed gives other numbers.
        other.scenario.seed = 100;
        RunOptions options;
        options.seed = 100;
        other.runs = {SimulateMarginals(scenario, UserMarginals(scenario), options)};
        QVERIFY(other.runs.at(0).percentiles != one.runs.at(0).percentiles);
    }

    // The interpolation table of a GF quantile against the exact inverse, over levels
    // from 1e-10 to 1 - 1e-10 (inside and outside the table's grid).
    void quantileTableMatchesTheInverse_data()
    {
        QTest::addColumn<GfFit>("fit");
        QTest::newRow("near lognormal") << GeneralF(0, 100, 100, 0.0863584, 0.877209);
        QTest::newRow("heavy tail") << GeneralF(0, 2, 0.8, 0.2, 1.05);
        QTest::newRow("small m1") << GeneralF(0, 0.6, 3, 0.05, 1.5);
        QTest::newRow("location") << GeneralF(5, 3, 4, 1.2, 4);
        QTest::newRow("steep") << GeneralF(0, 1.5, 2, 0.2, 0.55);
    }
    void quantileTableMatchesTheInverse()
    {
        QFETCH(GfFit, fit);
        Marginal tabulated = Marginal::FromFit(fit);
        tabulated.tabulate();
        double worst = 0, worstLevel = 0;
        for (int i = 1; i < 20000; ++i) {
            // Levels evenly spaced in logit from -23 to 23, off the grid's nodes.
            const double t = -23 + 46.0 * i / 20000 + 1e-3;
            const double u = 1 / (1 + std::exp(-t));
            const double exact = tabulated.exactQuantile(u);
            const double error = std::abs(tabulated.quantile(u) / exact - 1);
            if (error > worst) {
                worst = error;
                worstLevel = u;
            }
        }
        QVERIFY2(worst < 1e-9,
                 qPrintable(QStringLiteral("%1 at level %2").arg(worst).arg(worstLevel)));
        for (double u : {1e-13, 1 - 1e-13})
            QCOMPARE(tabulated.quantile(u), tabulated.exactQuantile(u));
    }

    // Every age group of body weight (ID 1001) leads; the second input (ID 1004, adults
    // from 18) covers only the groups whose mid-age it holds.
    void ageGroupsOfTheSample()
    {
        const Scenario scenario = Parse(R"({"schema": 1, "formula": "BW + 0 * A",
            "iterations": 2000, "seed": 1, "inputs": [
            {"name": "BW", "parameter": 1001, "fit": "best"},
            {"name": "A", "parameter": 1004, "fit": "empirical"}]})");
        RunOptions options;
        options.databaseDir = QStringLiteral(VELTRA_SAMPLE_DIR);
        const SimulationResult result = RunScenario(scenario, options);
        QCOMPARE(result.runs.size(), 15);
        int covered = 0;
        double lastMedian = 0;
        for (int g = 0; g < result.runs.size(); ++g) {
            const RunResult& run = result.runs.at(g);
            QCOMPARE(run.group, std::optional<int>(g + 1));
            QVERIFY(run.ageMin < run.ageMax);
            const double mid = (run.ageMin + run.ageMax) / 2;
            if (mid < 18) {
                QVERIFY2(
                    run.error.startsWith(QStringLiteral("A: ID 1004 has no age group for age ")),
                    qPrintable(run.error));
                continue;
            }
            ++covered;
            QVERIFY2(run.error.isEmpty(), qPrintable(run.error));
            QVERIFY(
                run.sources.at(0).startsWith(QStringLiteral("BW: ID 1001 group %1, ").arg(g + 1)));
            // Adults' body weights: a median between 50 and 100 kg.
            QVERIFY(PercentileAt(run, 0.5) > 50 && PercentileAt(run, 0.5) < 100);
            lastMedian = PercentileAt(run, 0.5);
        }
        QVERIFY(covered > 0 && lastMedian > 0);

        // A list of groups runs only those.
        Scenario listed = scenario;
        listed.formula = QStringLiteral("BW");
        listed.inputs.removeLast();
        listed.ages = {3, 16};
        const SimulationResult some = RunScenario(listed, options);
        QCOMPARE(some.runs.size(), 2);
        QCOMPARE(some.runs.at(0).group, std::optional<int>(3));
        QVERIFY(some.runs.at(0).error.isEmpty());
        QVERIFY(some.runs.at(1).error.contains(QStringLiteral("has no age group 16")));
    }

    // The workbook read back by openpyxl: the result table's numbers as numeric cells, a
    // run that failed as its message, and the inputs of each run.
    void workbookHoldsTheResultTable()
    {
        const Scenario scenario = Parse(R"({"schema": 1, "formula": "BW",
            "iterations": 500, "ages": [2, 40], "inputs": [
            {"name": "BW", "parameter": 1001, "fit": "Lognormal"}]})");
        RunOptions options;
        options.databaseDir = QStringLiteral(VELTRA_SAMPLE_DIR);
        const SimulationResult result = RunScenario(scenario, options);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("result.xlsx"));
        WriteWorkbookFile(path, SimulationWorkbook(result));
        QString error;
        const QJsonObject book = fixture::ReadWorkbook(path, &error);
        QVERIFY2(error.isEmpty(), qPrintable(error));
        const QJsonArray sheets = book[QStringLiteral("sheets")].toArray();
        QCOMPARE(sheets.size(), 2);
        const QJsonObject results = sheets.at(0).toObject();
        QCOMPARE(results[QStringLiteral("name")].toString(), QStringLiteral("Results"));
        const QStringList header = SimulationTableHeader();
        for (int c = 0; c < header.size(); ++c)
            QCOMPARE(fixture::WorkbookCell(results, 0, c)[QStringLiteral("value")].toString(),
                     header.at(c));
        const RunResult& run = result.runs.at(0);
        QCOMPARE(fixture::WorkbookCell(results, 1, 0)[QStringLiteral("value")].toDouble(), 2.0);
        QCOMPARE(fixture::WorkbookCell(results, 1, 5)[QStringLiteral("value")].toDouble(),
                 run.mean);
        const int p95 = int(header.indexOf(QStringLiteral("P95")));
        QCOMPARE(fixture::WorkbookCell(results, 1, p95)[QStringLiteral("type")].toString(),
                 QStringLiteral("n"));
        QCOMPARE(fixture::WorkbookCell(results, 1, p95)[QStringLiteral("value")].toDouble(),
                 run.percentiles.at(7));
        QCOMPARE(fixture::WorkbookCell(results, 2, int(header.size()) - 1)[QStringLiteral("value")]
                     .toString(),
                 result.runs.at(1).error);
        const QJsonObject inputs = sheets.at(1).toObject();
        QCOMPARE(fixture::WorkbookCell(inputs, 1, 1)[QStringLiteral("value")].toString(),
                 run.sources.at(0));
    }

    void faultsOfARun_data()
    {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<QString>("message");
        QTest::newRow("not positive definite")
            << QByteArray(R"({"schema": 1, "formula": "A + B + C", "inputs": [
                {"name": "A", "distribution": "uniform", "min": 0, "max": 1},
                {"name": "B", "distribution": "uniform", "min": 0, "max": 1},
                {"name": "C", "distribution": "uniform", "min": 0, "max": 1}],
                "correlations": [{"a": "A", "b": "B", "rank": 0.9},
                                 {"a": "A", "b": "C", "rank": 0.9},
                                 {"a": "B", "b": "C", "rank": -0.9}]})")
            << "correlations: the pair B, C makes the correlation matrix not positive definite";
        QTest::newRow("unknown name") << QByteArray(R"({"schema": 1, "formula": "A * X", "inputs": [
                {"name": "A", "constant": 1}]})")
                                      << "formula, position 5: unknown name \"X\"";
        QTest::newRow("truncation without probability")
            << QByteArray(R"({"schema": 1, "formula": "A", "inputs": [
                {"name": "A", "distribution": "uniform", "min": 0, "max": 1,
                 "truncate": [2, 3]}]})")
            << "A: no probability lies between 2 and 3";
        QTest::newRow("missing parameter row")
            << QByteArray(R"({"schema": 1, "formula": "A", "inputs": [
                {"name": "A", "parameter": 999999}]})")
            << "999999";
        QTest::newRow("group beyond the file")
            << QByteArray(R"({"schema": 1, "formula": "A", "inputs": [
                {"name": "A", "parameter": 1001, "group": 40}]})")
            << "A: ID 1001 has no age group 40; its data file has 15";
    }
    void faultsOfARun()
    {
        QFETCH(QByteArray, json);
        QFETCH(QString, message);
        RunOptions options;
        options.databaseDir = QStringLiteral(VELTRA_SAMPLE_DIR);
        try {
            RunScenario(Parse(json), options);
            QFAIL("no error");
        } catch (const VeltraError& error) {
            QVERIFY2(error.message().contains(message), qPrintable(error.message()));
        }
    }

    void divisionByZeroInARunNamesThePosition()
    {
        const Scenario scenario = Parse(R"({"schema": 1, "formula": "A / (B - 1) + 0",
            "iterations": 100, "inputs": [
            {"name": "A", "distribution": "uniform", "min": 1, "max": 2},
            {"name": "B", "constant": 1}]})");
        RunOptions options;
        const RunResult run = SimulateMarginals(scenario, UserMarginals(scenario), options);
        QVERIFY2(run.error.startsWith(
                     QStringLiteral("formula, position 3: division by zero in iteration 1 (A = ")),
                 qPrintable(run.error));
    }

    // A distribution the numerical library cannot compute stops the run with the input's
    // name; it never ends the program from a worker thread.
    void uncomputableInputNamesTheInput()
    {
        const Scenario scenario = Parse(R"({"schema": 1, "formula": "A + D",
            "iterations": 64, "sampling": "random", "inputs": [
            {"name": "A", "distribution": "uniform", "min": 1, "max": 2},
            {"name": "D", "distribution": "beta", "a": 4.4e40, "b": 3}]})");
        RunOptions options;
        options.threads = 2;
        const RunResult run = SimulateMarginals(scenario, UserMarginals(scenario), options);
        QVERIFY2(run.error.startsWith(QStringLiteral(
                     "D: its distribution cannot be computed with these parameters in iteration")),
                 qPrintable(run.error));
    }

    void cancelStopsTheRun()
    {
        const Scenario scenario = Parse(R"({"schema": 1, "formula": "A",
            "iterations": 1000000, "inputs": [
            {"name": "A", "distribution": "uniform", "min": 1, "max": 2}]})");
        std::atomic<bool> cancel{false};
        QList<double> shares;
        RunOptions options;
        options.cancel = &cancel;
        options.progress = [&](double share) {
            shares << share;
            if (share > 0.1)
                cancel = true;
        };
        const SimulationResult result = RunScenario(scenario, options);
        QVERIFY(result.cancelled);
        QVERIFY(result.runs.isEmpty());
        QVERIFY(!shares.isEmpty() && shares.last() < 0.5);
    }
};

QTEST_GUILESS_MAIN(SimulationTest)
#include "Simulation_test.moc"
