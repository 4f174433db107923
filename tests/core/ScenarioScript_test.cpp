// The R and Python scripts of a scenario run by Rscript and /usr/bin/python3 (numpy and
// scipy) against the program's own run of the same scenario: every run's percentiles and
// mean agree within the Monte Carlo error, and a run the program cannot make is one the
// script reports with the same message. The scripts use their own random numbers, so the
// agreement is statistical, never digit for digit.
#include "scenario/ScenarioScript.h"
#include "scenario/Simulation.h"
#include "scenario/SimulationOutput.h"
#include "util/VeltraError.h"

#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <cmath>

using namespace veltra;

namespace {

// One line of a script's output: the run's group, n, mean, sd and percentiles, or its
// error.
struct ScriptRun
{
    QString group;
    qint64 n = 0;
    double mean = 0;
    double sd = 0;
    QList<double> percentiles;
    QString error;
};

// Splits one CSV line; a quoted last field may hold commas and doubled quotes.
QStringList CsvFields(const QString& line)
{
    QStringList fields;
    QString field;
    bool quoted = false;
    for (qsizetype i = 0; i < line.size(); ++i) {
        const QChar c = line.at(i);
        if (quoted) {
            if (c == u'"' && i + 1 < line.size() && line.at(i + 1) == u'"') {
                field += u'"';
                ++i;
            } else if (c == u'"') {
                quoted = false;
            } else {
                field += c;
            }
        } else if (c == u'"') {
            quoted = true;
        } else if (c == u',') {
            fields << field;
            field.clear();
        } else {
            field += c;
        }
    }
    fields << field;
    return fields;
}

QList<ScriptRun> RunScript(const QString& program, const QString& path)
{
    QProcess process;
    process.start(program, {path});
    if (!process.waitForFinished(300'000) || process.exitCode() != 0)
        qFatal("%s %s failed: %s", qPrintable(program), qPrintable(path),
               process.readAllStandardError().constData());
    const QStringList lines =
        QString::fromUtf8(process.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
    QList<ScriptRun> runs;
    for (qsizetype l = 1; l < lines.size(); ++l) {
        const QStringList fields = CsvFields(lines.at(l));
        if (fields.size() != 7 + SimulationLevels.size())
            qFatal("%s: a line of %d fields: %s", qPrintable(path), int(fields.size()),
                   qPrintable(lines.at(l)));
        ScriptRun run;
        run.group = fields.at(0);
        run.error = fields.last();
        if (run.error.isEmpty()) {
            run.n = fields.at(3).toLongLong();
            run.mean = fields.at(4).toDouble();
            run.sd = fields.at(5).toDouble();
            for (qsizetype k = 0; k < SimulationLevels.size(); ++k)
                run.percentiles << fields.at(6 + k).toDouble();
        }
        runs << run;
    }
    return runs;
}

} // namespace

class ScenarioScriptTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // Each scenario stresses what a script could get wrong: the three forms of the
    // lognormal, truncation through the script's own distribution functions, every other
    // family's parameters, the formula's functions (log must be the natural logarithm in
    // all three), a seed beyond what R takes, rank correlations with plain random
    // sampling, and database inputs that follow the age, with a fixed group, an
    // empirical input and a group no input covers.
    void scriptsAgreeWithTheProgram_data()
    {
        QTest::addColumn<QByteArray>("json");
        QTest::newRow("lognormal product and quotient") << QByteArray(R"j({"schema": 1,
            "formula": "A * B / C", "iterations": 100000, "seed": 11, "inputs": [
            {"name": "A", "distribution": "lognormal", "gm": 30, "gsd": 2.5},
            {"name": "B", "distribution": "lognormal", "meanlog": 0.5, "sdlog": 0.4},
            {"name": "C", "distribution": "lognormal", "mean": 20, "sd": 6}]})j");
        QTest::newRow("triangular and normal truncated") << QByteArray(R"j({"schema": 1,
            "formula": "T * N", "iterations": 100000, "seed": 12, "inputs": [
            {"name": "T", "distribution": "triangular", "min": 0, "mode": 0.3, "max": 1,
             "truncate": [0.2, 0.9]},
            {"name": "N", "distribution": "normal", "mean": 5, "sd": 2, "truncate": [4, 20]}]})j");
        QTest::newRow("gamma over weibull") << QByteArray(R"j({"schema": 1,
            "formula": "G / W", "iterations": 100000, "seed": 9007199254740000, "inputs": [
            {"name": "G", "distribution": "gamma", "shape": 2, "scale": 3},
            {"name": "W", "distribution": "weibull", "shape": 1.5, "scale": 10}]})j");
        QTest::newRow("pert, beta and uniform") << QByteArray(R"j({"schema": 1,
            "formula": "P * (1 + Be) - U", "iterations": 100000, "seed": 14, "inputs": [
            {"name": "P", "distribution": "pert", "min": 1, "mode": 2, "max": 9},
            {"name": "Be", "distribution": "beta", "a": 2, "b": 5},
            {"name": "U", "distribution": "uniform", "min": 0, "max": 4}]})j");
        QTest::newRow("generalf, constant and functions") << QByteArray(R"j({"schema": 1,
            "formula": "max(F, 2) * K + log(U) - sqrt(abs(-F)) + exp(-F) + 2^-1 + log10(U + 1)",
            "iterations": 100000, "seed": 15, "inputs": [
            {"name": "F", "distribution": "generalf", "q": 1, "m1": 3, "m2": 5, "lambda": 0.5,
             "p": 1.2, "truncate": [1.5, 30]},
            {"name": "K", "constant": 2.5},
            {"name": "U", "distribution": "uniform", "min": 1, "max": 100}]
    })j");
        QTest::newRow("correlated inputs, random sampling") << QByteArray(R"j({"schema": 1,
            "formula": "A + B - C", "iterations": 100000, "seed": 16, "sampling": "random",
            "inputs": [
            {"name": "A", "distribution": "normal", "mean": 0, "sd": 1},
            {"name": "B", "distribution": "gamma", "shape": 3, "scale": 1},
            {"name": "C", "distribution": "uniform", "min": 0, "max": 3}],
            "correlations": [{"a": "A", "b": "B", "rank": 0.8},
                             {"a": "C", "b": "B", "rank": -0.5}]})j");
        QTest::newRow("database inputs by age") << QByteArray(R"j({"schema": 1,
            "formula": "IR * C / BW + 0 * W", "iterations": 50000, "seed": 17,
            "ages": [2, 13, 15], "inputs": [
            {"name": "BW", "parameter": 1001, "fit": "GeneralF"},
            {"name": "IR", "parameter": 1004, "fit": "empirical"},
            {"name": "W", "parameter": 1001, "group": 12, "fit": "best"},
            {"name": "C", "distribution": "lognormal", "gm": 30, "gsd": 2}]})j");
    }

    void scriptsAgreeWithTheProgram()
    {
        QFETCH(QByteArray, json);
        const Scenario scenario = ReadScenario(json, QStringLiteral("test"));
        RunOptions options;
        options.databaseDir = QStringLiteral(VELTRA_SAMPLE_DIR);
        options.threads = 2;
        const SimulationResult program = RunScenario(scenario, options);

        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        struct Interpreter
        {
            QString program;
            ScriptLanguage language;
            QString file;
        };
        const QList<Interpreter> interpreters{
            {QStringLiteral("Rscript"), ScriptLanguage::R, QStringLiteral("scenario.R")},
            {QStringLiteral("/usr/bin/python3"), ScriptLanguage::Python,
             QStringLiteral("scenario.py")}};
        for (const Interpreter& interpreter : interpreters) {
            if (QStandardPaths::findExecutable(interpreter.program).isEmpty() &&
                !QFile::exists(interpreter.program))
                QSKIP(qPrintable(interpreter.program + QStringLiteral(" is not installed")));
            const QString path = dir.filePath(interpreter.file);
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(
                ScenarioScript(scenario, options.databaseDir, interpreter.language).toUtf8());
            file.close();
            const QList<ScriptRun> script = RunScript(interpreter.program, path);
            QCOMPARE(script.size(), program.runs.size());
            for (qsizetype r = 0; r < script.size(); ++r) {
                const RunResult& ours = program.runs.at(r);
                const ScriptRun& theirs = script.at(r);
                const QString where = interpreter.program + QStringLiteral(" run %1: ").arg(r + 1);
                QCOMPARE(theirs.group, ours.group ? QString::number(*ours.group) : QString());
                QCOMPARE(theirs.error, ours.error);
                if (!ours.error.isEmpty())
                    continue;
                QCOMPARE(theirs.n, ours.n);
                // A sample p-quantile of n values has the standard error
                // sqrt(p (1 - p) / n) / f, f the density there, estimated from the
                // program's neighbouring percentiles; two independent samples differ by
                // sqrt(2) times that. Five of those: a correct script fails less than once
                // in a million comparisons, a wrong parameter or a lost correlation moves
                // a percentile by far more. Both sides sampling a Latin hypercube only
                // make the error smaller. The outer levels (P01, P97.5 and beyond) have
                // too few values around them for a fair density estimate.
                const double n = double(ours.n);
                for (qsizetype k = 1; k + 2 < SimulationLevels.size(); ++k) {
                    const double p = SimulationLevels.at(k);
                    const double spread = ours.percentiles.at(k + 1) - ours.percentiles.at(k - 1);
                    const double density =
                        (SimulationLevels.at(k + 1) - SimulationLevels.at(k - 1)) / spread;
                    const double tolerance =
                        5 * std::sqrt(2.0) * std::sqrt(p * (1 - p) / n) / density;
                    QVERIFY2(std::abs(theirs.percentiles.at(k) - ours.percentiles.at(k)) <=
                                 tolerance,
                             qPrintable(where + LevelLabel(p) +
                                        QStringLiteral(" %1, the program's %2, tolerance %3")
                                            .arg(theirs.percentiles.at(k))
                                            .arg(ours.percentiles.at(k))
                                            .arg(tolerance)));
                }
                // The mean's standard error is sd / sqrt(n); the same five times sqrt(2).
                const double meanTolerance = 5 * std::sqrt(2.0) * ours.sd / std::sqrt(n);
                QVERIFY2(std::abs(theirs.mean - ours.mean) <= meanTolerance,
                         qPrintable(where + QStringLiteral("mean %1, the program's %2")
                                                .arg(theirs.mean)
                                                .arg(ours.mean)));
            }
        }
    }

    // What a script cannot express is refused with the position, not written wrongly.
    void formulaTheScriptCannotWrite_data()
    {
        QTest::addColumn<QString>("formula");
        QTest::addColumn<QString>("message");
        QTest::newRow("comparison")
            << QStringLiteral("A > 1 ? A : 1") << QStringLiteral("formula, position 3: \">\"");
        QTest::newRow("other function")
            << QStringLiteral("A + sinh(A)") << QStringLiteral("formula, position 5: \"sinh\"");
        QTest::newRow("name used as a function")
            << QStringLiteral("A(2)") << QStringLiteral("formula, position 1: \"A\"");
    }

    void formulaTheScriptCannotWrite()
    {
        QFETCH(QString, formula);
        QFETCH(QString, message);
        for (ScriptLanguage language : {ScriptLanguage::R, ScriptLanguage::Python}) {
            try {
                TranslateFormula(formula, {QStringLiteral("A")}, language);
                QFAIL("no error");
            } catch (const VeltraError& error) {
                QVERIFY2(error.message().startsWith(message), qPrintable(error.message()));
            }
        }
    }

    // A scenario that cannot run gets no script: the same message as the run's.
    void scenarioThatCannotRunGetsNoScript_data()
    {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<QString>("message");
        QTest::newRow("unknown name") << QByteArray(R"j({"schema": 1, "formula": "A * Q",
            "inputs": [{"name": "A", "constant": 1}]})j")
                                      << QStringLiteral("formula, position 5: unknown name");
        QTest::newRow("correlations") << QByteArray(R"j({"schema": 1, "formula": "A + B + C",
            "inputs": [{"name": "A", "distribution": "uniform", "min": 0, "max": 1},
                       {"name": "B", "distribution": "uniform", "min": 0, "max": 1},
                       {"name": "C", "distribution": "uniform", "min": 0, "max": 1}],
            "correlations": [{"a": "A", "b": "B", "rank": 0.9}, {"a": "A", "b": "C", "rank": 0.9},
                             {"a": "B", "b": "C", "rank": -0.9}]})j")
                                      << QStringLiteral("correlations: the pair");
        QTest::newRow("missing row") << QByteArray(R"j({"schema": 1, "formula": "W",
            "inputs": [{"name": "W", "parameter": 999999}]})j")
                                     << QStringLiteral("999999");
    }

    void scenarioThatCannotRunGetsNoScript()
    {
        QFETCH(QByteArray, json);
        QFETCH(QString, message);
        const Scenario scenario = ReadScenario(json, QStringLiteral("test"));
        for (ScriptLanguage language : {ScriptLanguage::R, ScriptLanguage::Python}) {
            try {
                ScenarioScript(scenario, QStringLiteral(VELTRA_SAMPLE_DIR), language);
                QFAIL("no error");
            } catch (const VeltraError& error) {
                QVERIFY2(error.message().contains(message), qPrintable(error.message()));
            }
        }
    }
};

QTEST_GUILESS_MAIN(ScenarioScriptTest)
#include "ScenarioScript_test.moc"
