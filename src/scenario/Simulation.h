// The Monte Carlo run of a scenario: its database inputs resolved age group by age
// group, the inputs sampled (Latin hypercube or plain random) from one seeded,
// counter-based generator, rank correlations imposed by Iman-Conover, the formula
// evaluated on worker threads and the output summarised.
//
// Reproducibility: every uniform number is a pure function of (seed, input, stream,
// index), so a run gives the same numbers, byte for byte, for any number of threads and
// on any machine; blocks only decide which thread does the work.
#pragma once

#include "scenario/Marginal.h"
#include "scenario/Scenario.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <atomic>
#include <functional>
#include <limits>
#include <optional>

namespace veltra {

/// The output percentiles of every run, as levels.
inline const QList<double> SimulationLevels{0.01, 0.05, 0.10,  0.25, 0.50, 0.75,
                                            0.90, 0.95, 0.975, 0.99, 0.999};

struct RunOptions
{
    /// Override the scenario's iterations and seed (the CLI's --iterations, --seed).
    std::optional<qint64> iterations;
    std::optional<quint64> seed;
    /// Worker threads (1 to 64); the numbers do not depend on it.
    int threads = 1;
    /// The database folder of the parameter rows.
    QString databaseDir;
    /// Called on the calling thread with the share done (0 to 1).
    std::function<void(double)> progress;
    /// Set from anywhere to stop the run; the result then says it was cancelled.
    const std::atomic<bool>* cancel = nullptr;
};

/// A distribution-free interval between two order statistics.
struct OrderInterval
{
    double level = 0; ///< the percentile level it holds (0.95, 0.99)
    double low = std::numeric_limits<double>::quiet_NaN();
    double high = std::numeric_limits<double>::quiet_NaN();
    qint64 lowRank = 0, highRank = 0; ///< 1-based order statistics
};

/// Where a database input of a run draws from: its parameter row and age group.
struct InputOrigin
{
    qint64 parameterId = 0;
    QString variable;   ///< the row's Variable
    QString title;      ///< the first line of its Info text
    QString dataSource; ///< the row's DataSource
    QString dataFile;   ///< the row's DataFile
    int group = 0;      ///< the data file's row (1-based)
    QString caption;    ///< the group's caption
    double ageMin = std::numeric_limits<double>::quiet_NaN();
    double ageMax = std::numeric_limits<double>::quiet_NaN();
};

/// One run: the scenario for one lead age group, or for the whole scenario when it has
/// no age-following database input.
struct RunResult
{
    std::optional<int> group; ///< the lead input's group number (1-based)
    QString caption;          ///< the lead group's caption ("Group:3 Age: 6 - 10")
    double ageMin = std::numeric_limits<double>::quiet_NaN();
    double ageMax = std::numeric_limits<double>::quiet_NaN();
    /// Not empty when the run could not be made ("IR has no age group for age 85").
    QString error;
    qint64 n = 0;
    double mean = 0;
    double sd = 0;
    QList<double> percentiles;      ///< at SimulationLevels
    QList<OrderInterval> intervals; ///< 95 % intervals of P95 and P99
    /// Spearman rank correlation of each non-constant input with the output.
    QList<std::pair<QString, double>> sensitivity;
    /// The rank correlations the inputs of each scenario pair reached.
    QList<ScenarioCorrelation> achieved;
    /// Per input, what it was drawn from: "BW: ID 1001 group 3, GeneralF(...)".
    QStringList sources;
    /// Per input: its parameter row and group; none for constants and user distributions
    /// (and for every input of a run that could not be made).
    QList<std::optional<InputOrigin>> origins;
    double seconds = 0;
    /// The output's distribution function as (value, level) points at the levels 0,
    /// 1/200, ..., 1 (the minimum, percentiles, the maximum): a fixed size, whatever the
    /// number of iterations.
    QList<std::pair<double, double>> distribution;
    /// A histogram of the output between its P00.5 and P99.5: the first bin's lower
    /// edge, the bins' width and the count of each bin (values outside are not counted).
    double histogramLow = 0;
    double histogramWidth = 0;
    QList<qint64> histogram;
};

struct SimulationResult
{
    Scenario scenario; ///< as run: with the iterations and seed used
    QList<RunResult> runs;
    bool cancelled = false;
};

/// One run as planned before sampling: the lead group and each input's distribution.
struct PlannedRun
{
    std::optional<int> group;
    QString caption;
    double ageMin = std::numeric_limits<double>::quiet_NaN();
    double ageMax = std::numeric_limits<double>::quiet_NaN();
    /// Not empty when the run cannot be made; marginals, sources and origins are then empty.
    QString error;
    QList<Marginal> marginals; ///< in the order of scenario.inputs
    QStringList sources;
    /// Per input: its parameter row and group; none for constants and user distributions.
    QList<std::optional<InputOrigin>> origins;
};

/// The runs of the scenario with every database input resolved from the database folder:
/// one per lead age group, or one run when no database input follows the age. Throws
/// VeltraError for a fault of the whole scenario (a parameter row or data file that
/// cannot be read, a fixed group that does not exist); a fault of one age group becomes
/// that run's error.
QList<PlannedRun> PlanScenario(const Scenario& scenario, const QString& databaseDir);

/// Runs the scenario. Throws VeltraError for a fault of the whole scenario (the formula,
/// the correlations, a parameter row that cannot be read); a fault of one age group
/// becomes that run's error and the other groups still run.
SimulationResult RunScenario(const Scenario& scenario, const RunOptions& options);

/// Everything RunScenario checks before it samples, without sampling: the database
/// inputs resolved for every lead group, the formula compiled and evaluated at the
/// inputs' medians, the correlation matrix. Returns the lines `simulate --check` prints;
/// throws VeltraError at the first fault.
QStringList CheckScenario(const Scenario& scenario, const QString& databaseDir);

/// The sampling and summary of one run with the inputs' distributions given, in the
/// order of scenario.inputs (the core of RunScenario; used directly by tests and
/// benchmarks). Returns a result with `error` set when the formula gives a value that
/// is not finite.
RunResult SimulateMarginals(const Scenario& scenario, const QList<Marginal>& marginals,
                            const RunOptions& options);

/// The uniform number (0 < u < 1) of the generator at (seed, stream, index): SplitMix64
/// applied to a counter, the stream's key itself mixed from the seed.
double CounterUniform(quint64 seed, quint64 stream, quint64 index);

} // namespace veltra
