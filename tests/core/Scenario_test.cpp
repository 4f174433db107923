// The scenario file: every fault named by its key or position, a written scenario read
// back unchanged; the formula's compile and division-by-zero messages.
#include "scenario/Formula.h"
#include "scenario/Scenario.h"
#include "util/VeltraError.h"

#include <QTest>

using namespace veltra;

namespace {

// A valid scenario with one piece replaced: `part` is spliced in place of "@".
QByteArray Spliced(const char* part)
{
    QByteArray json = R"({"schema": 1, "formula": "A * B", "inputs": [
        {"name": "A", "distribution": "lognormal", "gm": 2, "gsd": 1.5},
        {"name": "B", "parameter": 1001}] @})";
    return json.replace("@", part);
}

} // namespace

class ScenarioTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void faultsNameTheKey_data()
    {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<QString>("message");
        QTest::newRow("not JSON") << QByteArray("{\"schema\": 1,") << "s: not JSON at position";
        QTest::newRow("unknown top key")
            << Spliced(R"(, "colour": "red")") << "s: colour: unknown key";
        QTest::newRow("unknown input key")
            << QByteArray(R"({"schema": 1, "formula": "A", "inputs": [
                {"name": "A", "constant": 1, "unit": "kg"}]})")
            << "s: inputs[0].unit: unknown key";
        QTest::newRow("key of another lognormal form")
            << QByteArray(R"({"schema": 1, "formula": "A", "inputs": [
                {"name": "A", "distribution": "lognormal", "gm": 1, "gsd": 2, "sdlog": 1}]})")
            << "s: inputs[0].sdlog: unknown key";
        QTest::newRow("missing parameter")
            << QByteArray(R"({"schema": 1, "formula": "A", "inputs": [
                {"name": "A", "distribution": "triangular", "min": 1, "max": 2}]})")
            << "s: inputs[0].mode: missing";
        QTest::newRow("mode outside") << QByteArray(R"({"schema": 1, "formula": "A", "inputs": [
                {"name": "A", "distribution": "pert", "min": 1, "mode": 3, "max": 2}]})")
                                      << "s: inputs[0].mode: must lie from min to max";
        QTest::newRow("gsd at 1") << QByteArray(R"({"schema": 1, "formula": "A", "inputs": [
                {"name": "A", "distribution": "lognormal", "gm": 1, "gsd": 1}]})")
                                  << "s: inputs[0].gsd: must be > 1";
        QTest::newRow("text for a number")
            << QByteArray(R"({"schema": 1, "formula": "A", "inputs": [
                {"name": "A", "distribution": "gamma", "shape": "2", "scale": 1}]})")
            << "s: inputs[0].shape: must be a number";
        QTest::newRow("unknown distribution")
            << QByteArray(R"({"schema": 1, "formula": "A", "inputs": [
                {"name": "A", "distribution": "cauchy"}]})")
            << "s: inputs[0].distribution: must be one of";
        QTest::newRow("unknown fit") << QByteArray(R"({"schema": 1, "formula": "A", "inputs": [
                {"name": "A", "parameter": 1001, "fit": "Pareto"}]})")
                                     << "s: inputs[0].fit: must be one of";
        QTest::newRow("group zero") << QByteArray(R"({"schema": 1, "formula": "A", "inputs": [
                {"name": "A", "parameter": 1001, "group": 0}]})")
                                    << "s: inputs[0].group: must be a whole number from 1";
        QTest::newRow("bad name") << QByteArray(R"({"schema": 1, "formula": "A", "inputs": [
                {"name": "2A", "constant": 1}]})")
                                  << "s: inputs[0].name: must be a letter";
        QTest::newRow("name twice") << QByteArray(R"({"schema": 1, "formula": "A", "inputs": [
                {"name": "A", "constant": 1}, {"name": "A", "constant": 2}]})")
                                    << "s: inputs[1].name: \"A\" is used twice";
        QTest::newRow("truncation reversed")
            << QByteArray(R"({"schema": 1, "formula": "A", "inputs": [
                {"name": "A", "distribution": "normal", "mean": 0, "sd": 1, "truncate": [2, 1]}]})")
            << "s: inputs[0].truncate: lo must be less than hi";
        QTest::newRow("correlation with unknown input")
            << Spliced(R"(, "correlations": [{"a": "A", "b": "Z", "rank": 0.5}])")
            << "s: correlations[0].b: names no input";
        QTest::newRow("correlation of 1")
            << Spliced(R"(, "correlations": [{"a": "A", "b": "B", "rank": 1}])")
            << "s: correlations[0].rank: must lie between -1 and 1";
        QTest::newRow("pair twice")
            << Spliced(R"(, "correlations": [{"a": "A", "b": "B", "rank": 0.1},
                                              {"a": "B", "b": "A", "rank": 0.2}])")
            << "s: correlations[1]: the pair is given twice";
        QTest::newRow("sampling") << Spliced(R"(, "sampling": "sobol")")
                                  << "s: sampling: must be \"lhs\" or \"random\"";
        QTest::newRow("ages") << Spliced(R"(, "ages": [1, 2.5])")
                              << "s: ages[1]: must be a group number from 1";
        QTest::newRow("iterations")
            << Spliced(R"(, "iterations": 0)") << "s: iterations: must be a whole number from 1";
        QTest::newRow("schema") << QByteArray(R"({"schema": 2, "formula": "A", "inputs": []})")
                                << "s: schema: must be 1";
        QTest::newRow("no inputs") << QByteArray(R"({"schema": 1, "formula": "A", "inputs": []})")
                                   << "s: inputs: must be a list of inputs";
    }
    void faultsNameTheKey()
    {
        QFETCH(QByteArray, json);
        QFETCH(QString, message);
        try {
            ReadScenario(json, QStringLiteral("s"));
            QFAIL("no error");
        } catch (const VeltraError& error) {
            QVERIFY2(error.message().startsWith(message), qPrintable(error.message()));
        }
    }

    void writtenScenarioReadsBack()
    {
        const QByteArray json = R"j({"schema": 1, "name": "Soil", "formula": "C * IR / BW",
            "output": {"name": "dose", "unit": "mg/(kg d)"}, "iterations": 5000,
            "seed": 9007199254740992, "sampling": "random", "ages": [2, 4],
            "inputs": [
              {"name": "BW", "parameter": 1001, "fit": "empirical"},
              {"name": "IR", "parameter": 1090, "group": 2, "fit": "GeneralF"},
              {"name": "C", "distribution": "normal", "mean": 3, "sd": 0.25,
               "truncate": [0, 10]},
              {"name": "K", "constant": -0.125}],
            "correlations": [{"a": "BW", "b": "IR", "rank": -0.4}]
})j";
        const Scenario first = ReadScenario(json, QStringLiteral("s"));
        QCOMPARE(first.seed, quint64(1) << 53);
        QCOMPARE(first.ages, (QList<int>{2, 4}));
        QCOMPARE(first.inputs.at(1).group, std::optional<int>(2));
        QCOMPARE(first.inputs.at(2).truncate->second, 10.0);
        QCOMPARE(first.correlations.at(0).rank, -0.4);
        const QByteArray written = ScenarioJson(first);
        const Scenario second = ReadScenario(written, QStringLiteral("s"));
        QCOMPARE(ScenarioJson(second), written);
        QCOMPARE(second.sampling, Sampling::Random);
        QCOMPARE(second.outputUnit, QStringLiteral("mg/(kg d)"));
        QCOMPARE(second.inputs.at(0).fit, QStringLiteral("empirical"));
        QCOMPARE(second.inputs.at(3).constant, -0.125);
    }

    void formulaMessagesNameThePosition_data()
    {
        QTest::addColumn<QString>("formula");
        QTest::addColumn<QList<double>>("values");
        QTest::addColumn<QString>("message");
        const QList<double> ones{1, 1, 1};
        QTest::newRow("fine") << "A * B / C" << ones << "";
        QTest::newRow("functions") << "exp(log(A)) + max(B, C) ^ 2 - sqrt(abs(-C))" << ones << "";
        QTest::newRow("unknown name")
            << "A * Q" << ones << "formula, position 5: unknown name \"Q\"";
        QTest::newRow("open parenthesis") << "A * (B + C" << ones << "formula, position 11:";
        QTest::newRow("two operators") << "A * / B" << ones << "formula, position 5:";
        QTest::newRow("empty") << "" << ones << "formula: empty";
        QTest::newRow("division by a zero name")
            << "A / C" << QList<double>{1, 1, 0} << "formula, position 3: division by zero";
        QTest::newRow("division by a zero group")
            << "A + B / (C - 1)" << ones << "formula, position 7: division by zero";
        QTest::newRow("second division")
            << "A / B + C / (A - B)" << ones << "formula, position 11: division by zero";
        QTest::newRow("power binds first") << "A / B ^ 2 / C ^ 0.5" << QList<double>{1, 2, 0}
                                           << "formula, position 11: division by zero";
    }
    void formulaMessagesNameThePosition()
    {
        QFETCH(QString, formula);
        QFETCH(QList<double>, values);
        QFETCH(QString, message);
        const QString actual = CheckFormula(formula, {"A", "B", "C"}, values);
        if (message.isEmpty())
            QCOMPARE(actual, QString());
        else
            QVERIFY2(actual.startsWith(message), qPrintable(actual));
    }

    void formulaEvaluatesAtTheValues()
    {
        Formula formula(QStringLiteral("C * IR * EF / BW"), {"BW", "IR", "C", "EF"});
        double* values = formula.values();
        values[0] = 20;
        values[1] = 50;
        values[2] = 30;
        values[3] = 0.8;
        QCOMPARE(formula.evaluate(), 30.0 * 50 * 0.8 / 20);
        QCOMPARE(formula.usedNames(), (QStringList{"BW", "IR", "C", "EF"}));
    }

    // An input typed in the window is checked as a file's input, naming the same keys.
    void userInputFaultsNameTheKey_data()
    {
        QTest::addColumn<QString>("distribution");
        QTest::addColumn<QString>("parameters");
        QTest::addColumn<QString>("truncate");
        QTest::addColumn<QString>("message");
        QTest::newRow("no separator") << "lognormal"
                                      << "gm = 30 gsd = 2"
                                      << ""
                                      << "inputs[1].gm: must be a number";
        QTest::newRow("unknown key") << "uniform"
                                     << "min = 0, max = 1, colour = 3"
                                     << ""
                                     << "inputs[1].colour: unknown key";
        QTest::newRow("missing key") << "gamma"
                                     << "shape = 2"
                                     << ""
                                     << "inputs[1].scale: missing";
        QTest::newRow("domain") << "triangular"
                                << "min = 0; mode = 5; max = 1"
                                << ""
                                << "inputs[1].mode: must lie from min to max";
        QTest::newRow("not key = value") << "normal"
                                         << "mean 3, sd = 1"
                                         << ""
                                         << "inputs[1]: \"mean 3\" is not key = value";
        QTest::newRow("one bound") << "normal"
                                   << "mean = 3, sd = 1"
                                   << "5"
                                   << "inputs[1].truncate: must be \"lo, hi\"";
        QTest::newRow("constant without value") << "constant"
                                                << "v = 3"
                                                << ""
                                                << "inputs[1]: a constant takes";
        QTest::newRow("name taken") << "constant"
                                    << "value = 3"
                                    << ""
                                    << "inputs[1].name: \"A\" is used twice";
    }

    void userInputFaultsNameTheKey()
    {
        QFETCH(QString, distribution);
        QFETCH(QString, parameters);
        QFETCH(QString, truncate);
        QFETCH(QString, message);
        Scenario scenario;
        scenario.formula = QStringLiteral("A");
        scenario.inputs << ScenarioInput{};
        scenario.inputs[0].name = QStringLiteral("A");
        const QString name = QTest::currentDataTag() == QLatin1String("name taken")
                                 ? QStringLiteral("A")
                                 : QStringLiteral("B");
        try {
            AddUserInput(scenario, name, distribution, parameters, truncate);
            QFAIL("no error");
        } catch (const VeltraError& error) {
            QVERIFY2(error.message().contains(message), qPrintable(error.message()));
        }
    }

    // Added inputs read back as written; a database input's name stays unique; removing
    // an input removes its correlations.
    void editedScenarioReadsBack()
    {
        Scenario scenario = AddDatabaseInput(Scenario{}, 1001, std::nullopt);
        scenario = AddDatabaseInput(scenario, 1001, 4);
        scenario =
            AddUserInput(scenario, QStringLiteral("C"), QStringLiteral("lognormal"),
                         QStringLiteral("meanlog = 1; sdlog = 0.5"), QStringLiteral("0.5, 40"));
        QCOMPARE(scenario.inputs.size(), 3);
        QCOMPARE(scenario.inputs.at(0).name, QStringLiteral("P1001"));
        QCOMPARE(scenario.inputs.at(0).group, std::optional<int>());
        QCOMPARE(scenario.inputs.at(1).name, QStringLiteral("P1001_2"));
        QCOMPARE(scenario.inputs.at(1).group, std::optional<int>(4));
        QCOMPARE(scenario.inputs.at(2).parameters.value(QStringLiteral("sdlog")), 0.5);
        QCOMPARE(scenario.inputs.at(2).truncate, std::optional(std::make_pair(0.5, 40.0)));
        scenario.correlations << ScenarioCorrelation{QStringLiteral("P1001"), QStringLiteral("C"),
                                                     0.3}
                              << ScenarioCorrelation{QStringLiteral("P1001_2"), QStringLiteral("C"),
                                                     0.2};
        const Scenario removed = RemoveInput(CheckedScenario(scenario), QStringLiteral("P1001"));
        QCOMPARE(removed.inputs.size(), 2);
        QCOMPARE(removed.correlations.size(), 1);
        QCOMPARE(removed.correlations.at(0).a, QStringLiteral("P1001_2"));
    }
};

QTEST_GUILESS_MAIN(ScenarioTest)
#include "Scenario_test.moc"
