// An exposure scenario: a formula over named inputs, each drawn from a distribution of
// the database (a parameter row's fit or its observed percentiles) or from one the user
// gives, with the run's settings. Read from and written to *.vscenario.json.
#pragma once

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QString>
#include <optional>

namespace veltra {

/// One input of the formula.
struct ScenarioInput
{
    enum class Kind
    {
        Database, ///< a parameter row's age group
        Constant,
        Distribution ///< a distribution given by the user
    };
    QString name;
    Kind kind = Kind::Constant;

    // Database inputs.
    qint64 parameterId = 0;
    /// The data file's row number (1-based); none: the group follows the run's age.
    std::optional<int> group;
    /// "best", a stored family name ("GeneralF", "Lognormal", ...) or "empirical".
    QString fit = QStringLiteral("best");

    // Constants and user distributions.
    double constant = 0;
    /// "uniform", "triangular", "pert", "normal", "lognormal", "gamma", "weibull",
    /// "beta", "generalf".
    QString distribution;
    /// The distribution's parameters by key, as written ("gm", "gsd", "shape", ...).
    QMap<QString, double> parameters;
    /// Optional truncation to [lo, hi].
    std::optional<std::pair<double, double>> truncate;
};

/// A rank correlation imposed between two inputs.
struct ScenarioCorrelation
{
    QString a;
    QString b;
    double rank = 0;
};

enum class Sampling
{
    LatinHypercube,
    Random
};

struct Scenario
{
    static constexpr int SchemaVersion = 1;
    /// The largest number of iterations a scenario may ask for.
    static constexpr qint64 MaxIterations = 100'000'000;
    /// The largest number of inputs of a scenario.
    static constexpr int MaxInputs = 64;

    QString name;
    QString formula;
    QString outputName = QStringLiteral("output");
    QString outputUnit;
    qint64 iterations = 10000;
    quint64 seed = 1;
    Sampling sampling = Sampling::LatinHypercube;
    /// Empty: every age group of the lead input ("all"); otherwise the lead's group
    /// numbers (1-based) to run.
    QList<int> ages;
    QList<ScenarioInput> inputs;
    QList<ScenarioCorrelation> correlations;
};

/// Reads a scenario from JSON. Throws VeltraError naming `source` and the key (as a
/// path such as "inputs[2].gsd") of the first fault: an unknown key, a missing or
/// mistyped value, a value outside its domain, a name used twice.
Scenario ReadScenario(const QByteArray& json, const QString& source);
/// Reads a scenario file; throws VeltraError naming the file.
Scenario ReadScenarioFile(const QString& path);
/// The scenario as indented JSON that ReadScenario reads back to the same scenario.
QByteArray ScenarioJson(const Scenario& scenario);
/// Writes ScenarioJson to path through the program's one file writer.
void WriteScenarioFile(const QString& path, const Scenario& scenario);

/// The keys a user distribution takes, in their usual order; the lognormal takes one
/// of three pairs. Empty for an unknown name.
QList<QStringList> DistributionParameterSets(const QString& distribution);

/// The scenario checked as ReadScenario checks a file (names, keys, domains, the
/// correlations' inputs); throws VeltraError naming the key ("inputs[2].gsd"). Used for a
/// scenario edited in the window before it is run or saved.
Scenario CheckedScenario(const Scenario& scenario);

/// The scenario with a database input for the parameter row `id` added: named "P" + id
/// (with "_2", "_3", ... when that name is taken), fit "best", from age group `group`
/// or, without one, following the age of each run. Throws VeltraError as CheckedScenario.
Scenario AddDatabaseInput(const Scenario& scenario, qint64 id, std::optional<int> group);

/// The scenario with a user input added: "constant" with the parameter "value", or a
/// distribution with its parameters written "key = value" and separated by commas or
/// semicolons ("gm = 30, gsd = 2.5"), and an optional truncation written "lo, hi" (empty:
/// none). Throws VeltraError naming the key, as for a scenario file.
Scenario AddUserInput(const Scenario& scenario, const QString& name, const QString& distribution,
                      const QString& parameters, const QString& truncate);

/// The scenario without the input `name` and without the correlations that name it.
Scenario RemoveInput(const Scenario& scenario, const QString& name);

/// The input named `name`, or nullptr.
const ScenarioInput* FindInput(const Scenario& scenario, const QString& name);

} // namespace veltra
