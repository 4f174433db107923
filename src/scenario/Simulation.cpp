#include "scenario/Simulation.h"

#include "convert/AgeGroup.h"
#include "convert/FitAnalysis.h"
#include "data/DataTable.h"
#include "data/ReferenceDatabase.h"
#include "scenario/Formula.h"
#include "util/ProtocolLog.h"
#include "util/VeltraError.h"

#include <Eigen/Cholesky>
#include <Eigen/Dense>
#include <QElapsedTimer>
#include <QMap>
#include <algorithm>
#include <boost/math/distributions/binomial.hpp>
#include <boost/math/special_functions/erf.hpp>
#include <cmath>
#include <functional>
#include <map>
#include <memory>
#include <numbers>
#include <thread>

namespace veltra {

namespace {

constexpr qint64 BlockSize = 4096;
constexpr int MaxThreads = 64;
// Distributions that invert slowly get their interpolation table from this many
// iterations on; below it the table would cost more than it saves.
constexpr qint64 TableFromIterations = 20000;
// The points of a run's distribution function and the bins of its histogram.
constexpr int DistributionPoints = 200;
constexpr int HistogramBins = 40;

quint64 Mix(quint64 z)
{
    z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
    z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
    return z ^ (z >> 31);
}

// The streams of an input: its values (jitter within a stratum, or the plain draws)
// and the permutation of its strata.
quint64 ValueStream(int input)
{
    return quint64(input) * 2;
}
quint64 PermutationStream(int input)
{
    return quint64(input) * 2 + 1;
}

double NormalQuantile(double u)
{
    return -std::numbers::sqrt2 * boost::math::erfc_inv(2 * u);
}

// A sampled input: the rank of its value in every iteration, and the level of each rank.
struct SampledInput
{
    int input = 0; // index in the scenario
    std::vector<quint32> rank;
    std::vector<double> sortedLevels; // plain random sampling only
};

double LevelOfRank(const SampledInput& sampled, quint32 rank, Sampling sampling, quint64 seed,
                   qint64 n)
{
    if (sampling == Sampling::LatinHypercube)
        return (rank + CounterUniform(seed, ValueStream(sampled.input), rank)) / double(n);
    return sampled.sortedLevels[rank];
}

// The rank of every element in values (0-based, ties broken by index).
std::vector<quint32> Ranks(const std::vector<double>& values)
{
    std::vector<std::pair<double, quint32>> order(values.size());
    for (size_t i = 0; i < values.size(); ++i)
        order[i] = {values[i], quint32(i)};
    std::sort(order.begin(), order.end());
    std::vector<quint32> rank(values.size());
    for (size_t r = 0; r < order.size(); ++r)
        rank[order[r].second] = quint32(r);
    return rank;
}

double RankCorrelation(const std::vector<quint32>& a, const std::vector<quint32>& b)
{
    // Both are permutations of 0..n-1: Spearman's formula holds exactly.
    const double n = double(a.size());
    double sum = 0;
    for (size_t i = 0; i < a.size(); ++i) {
        const double d = double(a[i]) - double(b[i]);
        sum += d * d;
    }
    return 1 - 6 * sum / (n * (n * n - 1));
}

// The target correlation matrix of the normal scores for rank correlations: Pearson's r
// of a normal pair with Spearman's rho is 2 sin(pi rho / 6).
Eigen::MatrixXd TargetMatrix(const Scenario& scenario, const QStringList& names)
{
    const Eigen::Index m = names.size();
    Eigen::MatrixXd target = Eigen::MatrixXd::Identity(m, m);
    for (const ScenarioCorrelation& c : scenario.correlations) {
        const Eigen::Index a = names.indexOf(c.a), b = names.indexOf(c.b);
        target(a, b) = target(b, a) = 2 * std::sin(std::numbers::pi * c.rank / 6);
    }
    // The first leading block that is not positive definite names its last input and
    // the last pair given with it.
    for (Eigen::Index k = 1; k < m; ++k) {
        const Eigen::LLT<Eigen::MatrixXd> llt(target.topLeftCorner(k + 1, k + 1));
        if (llt.info() == Eigen::Success)
            continue;
        QString partner;
        for (const ScenarioCorrelation& c : scenario.correlations) {
            if (c.a == names.at(k) && names.indexOf(c.b) < k)
                partner = c.b;
            else if (c.b == names.at(k) && names.indexOf(c.a) < k)
                partner = c.a;
        }
        throw VeltraError(QStringLiteral("correlations: the pair %1, %2 makes the correlation "
                                         "matrix not positive definite")
                              .arg(partner, names.at(k)));
    }
    return target;
}

// The inputs in correlation pairs, in scenario order.
QStringList CorrelatedNames(const Scenario& scenario)
{
    QStringList names;
    for (const ScenarioInput& input : scenario.inputs)
        for (const ScenarioCorrelation& c : scenario.correlations)
            if (c.a == input.name || c.b == input.name) {
                names << input.name;
                break;
            }
    return names;
}

// Rearranges the ranks of the correlated inputs so their rank correlations approach
// the target (Iman and Conover 1982): van der Waerden scores of the current ranks are
// mixed through the Cholesky factors of the target and the current correlation, and
// each input takes the ranks of its mixed column.
// A cancelled run stops it between columns and every 65,536 rows; the caller then finds
// the run cancelled and drops its ranks.
void ImposeCorrelations(std::vector<SampledInput*>& columns, const Eigen::MatrixXd& target,
                        qint64 n, const std::function<bool()>& cancelled)
{
    const Eigen::Index m = Eigen::Index(columns.size());
    if (n <= m + 1)
        throw VeltraError(
            QStringLiteral("correlations: %1 iterations are too few to impose them").arg(n));
    std::vector<double> score(static_cast<size_t>(n), 0.0);
    for (qint64 r = 0; r < n; ++r)
        score[size_t(r)] = NormalQuantile((double(r) + 1) / (double(n) + 1));
    Eigen::MatrixXd current = Eigen::MatrixXd::Zero(m, m);
    for (Eigen::Index a = 0; a < m; ++a)
        for (Eigen::Index b = 0; b <= a; ++b) {
            double sum = 0;
            const auto& ra = columns[size_t(a)]->rank;
            const auto& rb = columns[size_t(b)]->rank;
            for (qint64 i = 0; i < n; ++i)
                sum += score[ra[size_t(i)]] * score[rb[size_t(i)]];
            current(a, b) = current(b, a) = sum;
            if (cancelled())
                return;
        }
    const Eigen::VectorXd scale = current.diagonal().cwiseSqrt().cwiseInverse();
    current = scale.asDiagonal() * current * scale.asDiagonal();
    const Eigen::LLT<Eigen::MatrixXd> currentFactor(current);
    if (currentFactor.info() != Eigen::Success)
        throw VeltraError(QStringLiteral("correlations: the sampled inputs are linearly "
                                         "dependent; use more iterations"));
    const Eigen::MatrixXd targetFactor = Eigen::LLT<Eigen::MatrixXd>(target).matrixL();
    // S = P * F^-1, the mix of the current scores' columns.
    const Eigen::MatrixXd mix = currentFactor.matrixL().solve(targetFactor.transpose()).transpose();
    std::vector<std::vector<quint32>> newRanks(static_cast<size_t>(m));
    std::vector<double> column(static_cast<size_t>(n));
    for (Eigen::Index c = 0; c < m; ++c) {
        if (cancelled())
            return;
        for (qint64 i = 0; i < n; ++i) {
            double value = 0;
            for (Eigen::Index d = 0; d <= c; ++d)
                value += mix(c, d) * score[columns[size_t(d)]->rank[size_t(i)]];
            column[size_t(i)] = value;
        }
        newRanks[size_t(c)] = Ranks(column);
    }
    for (Eigen::Index c = 0; c < m; ++c)
        columns[size_t(c)]->rank = std::move(newRanks[size_t(c)]);
}

// The 95 % distribution-free interval of the level-quantile between two order
// statistics: the number B of values at or below the quantile is binomial(n, level).
OrderInterval Interval(const std::vector<double>& sorted, double level)
{
    const qint64 n = qint64(sorted.size());
    const boost::math::binomial_distribution<> count(double(n), level);
    // The largest j with P(B <= j) <= 0.025 and the smallest with P(B <= j) >= 0.975.
    auto search = [&](auto below) {
        qint64 lo = -1, hi = n; // below(lo) holds, below(hi) fails
        while (hi - lo > 1) {
            const qint64 mid = lo + (hi - lo) / 2;
            if (below(boost::math::cdf(count, double(mid))))
                lo = mid;
            else
                hi = mid;
        }
        return lo;
    };
    const qint64 lowJ = search([](double p) { return p <= 0.025; });
    const qint64 highJ = search([](double p) { return p < 0.975; }) + 1;
    OrderInterval interval;
    interval.level = level;
    interval.lowRank = std::clamp<qint64>(lowJ + 1, 1, n);
    interval.highRank = std::clamp<qint64>(highJ + 1, 1, n);
    interval.low = sorted[size_t(interval.lowRank - 1)];
    interval.high = sorted[size_t(interval.highRank - 1)];
    return interval;
}

double Percentile(const std::vector<double>& sorted, double level)
{
    // Linear between order statistics at (n - 1) * level, as R's default and numpy's.
    const double h = double(sorted.size() - 1) * level;
    const size_t lo = size_t(std::floor(h));
    if (lo + 1 >= sorted.size())
        return sorted.back();
    return sorted[lo] + (h - double(lo)) * (sorted[lo + 1] - sorted[lo]);
}

// --- database inputs ---------------------------------------------------------------------

double FieldNumber(const DataTable& table, int row, const char* field)
{
    const int index = table.fieldIndex(QLatin1String(field));
    if (index < 0)
        return std::numeric_limits<double>::quiet_NaN();
    bool ok = false;
    const double value = table.value(row, index).trimmed().toDouble(&ok);
    return ok ? value : std::numeric_limits<double>::quiet_NaN();
}

// The data files of the scenario's parameter rows, each read once.
class DatabaseFiles
{
public:
    explicit DatabaseFiles(QString dir) : m_dir(std::move(dir)) {}

    const DataTable& file(qint64 id)
    {
        auto it = m_databases.find(id);
        if (it == m_databases.end()) {
            auto database = std::make_unique<ReferenceDatabase>(m_dir, m_dir);
            database->LoadParameterTable();
            database->LocateParameter(id);
            ConnectCurrentDataFile(*database, id);
            it = m_databases.emplace(id, std::move(database)).first;
        }
        return it->second->dataFile();
    }

    // The parameter row and age group a database input draws from.
    InputOrigin origin(qint64 id, int row)
    {
        const DataTable& table = file(id);
        const DataTable& parameters = m_databases.at(id)->parameters();
        auto field = [&parameters](const char* name) {
            return ReferenceDatabase::CurrentText(parameters, QLatin1String(name)).trimmed();
        };
        InputOrigin origin;
        origin.parameterId = id;
        origin.variable = field("Variable");
        origin.title = field("Info").section(u'\n', 0, 0).trimmed();
        origin.dataSource = field("DataSource");
        origin.dataFile = field("DataFile");
        origin.group = row + 1;
        origin.caption = AgeGroupAt(table, row).caption;
        origin.ageMin = FieldNumber(table, row, "AGEMin");
        origin.ageMax = FieldNumber(table, row, "AGEMax");
        return origin;
    }

private:
    QString m_dir;
    std::map<qint64, std::unique_ptr<ReferenceDatabase>> m_databases;
};

// The distribution a database input draws from in the data file's row.
Marginal DatabaseMarginal(const ScenarioInput& input, const DataTable& table, int row)
{
    if (input.fit == u"empirical") {
        const AgeGroupFits group = AnalyseAgeGroup(table, row);
        const double low = FieldNumber(table, row, "MIN");
        const double high = FieldNumber(table, row, "MAX");
        if (std::isnan(low) || std::isnan(high))
            throw VeltraError(group.caption +
                              QStringLiteral(": the empirical distribution needs MIN and MAX"));
        QList<std::pair<double, double>> points{{0.0, low}};
        for (const ObservedQuantile& point : group.observed)
            if (point.source != u"MIN" && point.source != u"MAX")
                points << std::make_pair(point.level, point.value);
        points << std::make_pair(1.0, high);
        return Marginal::Empirical(points);
    }
    const AgeGroupFits group = AnalyseAgeGroup(table, row);
    const FitDistribution* chosen = nullptr;
    for (const FitDistribution& fit : group.fits) {
        if (input.fit == u"best") {
            const double statistic = fit.fit().fitStatistic;
            if (!std::isnan(statistic) && (!chosen || statistic < chosen->fit().fitStatistic ||
                                           std::isnan(chosen->fit().fitStatistic)))
                chosen = &fit;
            else if (!chosen)
                chosen = &fit;
        } else if (FamilyName(fit.fit().family).compare(input.fit, Qt::CaseInsensitive) == 0) {
            chosen = &fit;
            break;
        }
    }
    if (!chosen)
        throw VeltraError(group.caption + QStringLiteral(": no %1 fit").arg(input.fit));
    return Marginal::FromFit(chosen->fit());
}

QStringList InputNames(const Scenario& scenario)
{
    QStringList names;
    for (const ScenarioInput& input : scenario.inputs)
        names << input.name;
    return names;
}

} // namespace

QList<PlannedRun> PlanScenario(const Scenario& scenario, const QString& databaseDir)
{
    DatabaseFiles files(databaseDir);
    int lead = -1;
    for (int i = 0; i < scenario.inputs.size(); ++i)
        if (scenario.inputs.at(i).kind == ScenarioInput::Kind::Database &&
            !scenario.inputs.at(i).group) {
            lead = i;
            break;
        }
    if (lead < 0 && !scenario.ages.isEmpty())
        throw VeltraError(QStringLiteral("ages: no database input without \"group\" to lead"));

    // Inputs that do not follow the age are the same in every run.
    QList<std::optional<Marginal>> fixed;
    QStringList fixedSources;
    QList<std::optional<InputOrigin>> fixedOrigins;
    for (const ScenarioInput& input : scenario.inputs) {
        if (input.kind != ScenarioInput::Kind::Database) {
            fixed << Marginal::FromUserInput(input);
            fixedSources << input.name + QStringLiteral(": ") + fixed.last()->description();
            fixedOrigins << std::nullopt;
        } else if (input.group) {
            const DataTable& table = files.file(input.parameterId);
            if (*input.group > table.recordCount())
                throw VeltraError(input.name + QStringLiteral(": ID %1 has no age group %2; its "
                                                              "data file has %3")
                                                   .arg(input.parameterId)
                                                   .arg(*input.group)
                                                   .arg(table.recordCount()));
            try {
                fixed << DatabaseMarginal(input, table, *input.group - 1);
            } catch (const VeltraError& error) {
                throw VeltraError(
                    input.name +
                    QStringLiteral(": ID %1 group %2: ").arg(input.parameterId).arg(*input.group) +
                    error.message());
            }
            fixedSources << input.name +
                                QStringLiteral(": ID %1 group %2, ")
                                    .arg(input.parameterId)
                                    .arg(*input.group) +
                                fixed.last()->description();
            fixedOrigins << files.origin(input.parameterId, *input.group - 1);
        } else {
            files.file(input.parameterId); // read now, so a missing file fails the scenario
            fixed << std::nullopt;
            fixedSources << QString();
            fixedOrigins << std::nullopt;
        }
    }

    QList<PlannedRun> runs;
    if (lead < 0) {
        PlannedRun run;
        for (const std::optional<Marginal>& marginal : fixed)
            run.marginals << *marginal;
        run.sources = fixedSources;
        run.origins = fixedOrigins;
        runs << run;
        return runs;
    }
    const DataTable& leadTable = files.file(scenario.inputs.at(lead).parameterId);
    QList<int> groups = scenario.ages;
    if (groups.isEmpty())
        for (int g = 1; g <= leadTable.recordCount(); ++g)
            groups << g;
    for (int group : groups) {
        PlannedRun run;
        run.group = group;
        if (group > leadTable.recordCount()) {
            run.error = scenario.inputs.at(lead).name +
                        QStringLiteral(": ID %1 has no age group %2; its data file has %3")
                            .arg(scenario.inputs.at(lead).parameterId)
                            .arg(group)
                            .arg(leadTable.recordCount());
            runs << run;
            continue;
        }
        const int row = group - 1;
        run.caption = AgeGroupAt(leadTable, row).caption;
        run.ageMin = FieldNumber(leadTable, row, "AGEMin");
        run.ageMax = FieldNumber(leadTable, row, "AGEMax");
        const double mid = (run.ageMin + run.ageMax) / 2;
        try {
            for (int i = 0; i < scenario.inputs.size(); ++i) {
                const ScenarioInput& input = scenario.inputs.at(i);
                if (fixed.at(i)) {
                    run.marginals << *fixed.at(i);
                    run.sources << fixedSources.at(i);
                    run.origins << fixedOrigins.at(i);
                    continue;
                }
                const DataTable& table = files.file(input.parameterId);
                int inputRow = row;
                if (i != lead) {
                    inputRow = -1;
                    if (std::isnan(mid))
                        throw VeltraError(input.name + QStringLiteral(": the lead group has no age "
                                                                      "range to match"));
                    for (int r = 0; r < table.recordCount() && inputRow < 0; ++r)
                        if (FieldNumber(table, r, "AGEMin") <= mid &&
                            mid < FieldNumber(table, r, "AGEMax"))
                            inputRow = r;
                    if (inputRow < 0)
                        throw VeltraError(input.name +
                                          QStringLiteral(": ID %1 has no age group for age %2")
                                              .arg(input.parameterId)
                                              .arg(mid));
                }
                try {
                    run.marginals << DatabaseMarginal(input, table, inputRow);
                } catch (const VeltraError& error) {
                    throw VeltraError(input.name +
                                      QStringLiteral(": ID %1 group %2: ")
                                          .arg(input.parameterId)
                                          .arg(inputRow + 1) +
                                      error.message());
                }
                run.sources << input.name +
                                   QStringLiteral(": ID %1 group %2, ")
                                       .arg(input.parameterId)
                                       .arg(inputRow + 1) +
                                   run.marginals.last().description();
                run.origins << files.origin(input.parameterId, inputRow);
            }
        } catch (const VeltraError& error) {
            run.error = error.message();
            run.marginals.clear();
            run.sources.clear();
            run.origins.clear();
        }
        runs << run;
    }
    return runs;
}

double CounterUniform(quint64 seed, quint64 stream, quint64 index)
{
    const quint64 key = Mix(seed * 0x9e3779b97f4a7c15ULL + Mix(stream + 0x632be59bd9b4e019ULL));
    const quint64 bits = Mix(key + (index + 1) * 0x9e3779b97f4a7c15ULL);
    return (double(bits >> 11) + 0.5) * 0x1p-53;
}

RunResult SimulateMarginals(const Scenario& scenario, const QList<Marginal>& given,
                            const RunOptions& options)
{
    QElapsedTimer timer;
    timer.start();
    const qint64 n = options.iterations.value_or(scenario.iterations);
    const quint64 seed = options.seed.value_or(scenario.seed);
    if (n < 1 || n > Scenario::MaxIterations)
        throw VeltraError(
            QStringLiteral("iterations: must be from 1 to %1").arg(Scenario::MaxIterations));
    const int threads = std::clamp(options.threads, 1, MaxThreads);
    const QStringList names = InputNames(scenario);
    QList<Marginal> marginals = given;
    if (n >= TableFromIterations)
        for (Marginal& marginal : marginals)
            marginal.tabulate();

    RunResult result;
    result.n = n;
    const std::function<bool()> cancelled = [&options] {
        return options.cancel && options.cancel->load();
    };
    auto stopped = [&result] {
        result.error = QStringLiteral("cancelled");
        return result;
    };

    // Ranks of every non-constant input: a random permutation of the strata (Latin
    // hypercube) or the ranks of plain uniform draws.
    std::vector<SampledInput> sampled;
    std::vector<int> sampledOf(size_t(marginals.size()), -1);
    for (int j = 0; j < marginals.size(); ++j) {
        if (marginals.at(j).isConstant())
            continue;
        SampledInput input;
        input.input = j;
        if (scenario.sampling == Sampling::LatinHypercube) {
            input.rank.resize(size_t(n));
            for (qint64 i = 0; i < n; ++i)
                input.rank[size_t(i)] = quint32(i);
            for (qint64 i = n - 1; i > 0; --i) {
                // A cancel is seen within 65,536 swaps, also in a run of many millions.
                if ((i & 0xffff) == 0 && cancelled())
                    return stopped();
                const qint64 pick = std::min<qint64>(
                    i,
                    qint64(CounterUniform(seed, PermutationStream(j), quint64(i)) * double(i + 1)));
                std::swap(input.rank[size_t(i)], input.rank[size_t(pick)]);
            }
        } else {
            std::vector<double> levels(static_cast<size_t>(n));
            for (qint64 i = 0; i < n; ++i) {
                if ((i & 0xffff) == 0 && cancelled())
                    return stopped();
                levels[size_t(i)] = CounterUniform(seed, ValueStream(j), quint64(i));
            }
            input.rank = Ranks(levels);
            std::sort(levels.begin(), levels.end());
            input.sortedLevels = std::move(levels);
        }
        sampledOf[size_t(j)] = int(sampled.size());
        sampled.push_back(std::move(input));
    }

    const QStringList correlated = CorrelatedNames(scenario);
    if (!correlated.isEmpty()) {
        const Eigen::MatrixXd target = TargetMatrix(scenario, correlated);
        std::vector<SampledInput*> columns;
        for (const QString& name : correlated) {
            const int index = sampledOf[size_t(names.indexOf(name))];
            if (index < 0)
                throw VeltraError(QStringLiteral("correlations: %1 is constant").arg(name));
            columns.push_back(&sampled[size_t(index)]);
        }
        ImposeCorrelations(columns, target, n, cancelled);
        if (cancelled())
            return stopped();
    }

    // The formula on worker threads, block by block; each thread has its own parser.
    std::vector<double> output(static_cast<size_t>(n));
    const qint64 blocks = (n + BlockSize - 1) / BlockSize;
    std::atomic<qint64> nextBlock{0};
    std::atomic<qint64> doneBlocks{0};
    std::atomic<qint64> firstBad{n}; // the first iteration without a finite value
    std::vector<std::unique_ptr<Formula>> formulas;
    for (int t = 0; t < threads; ++t)
        formulas.push_back(std::make_unique<Formula>(scenario.formula, names));
    auto work = [&](int t, bool reports) {
        Formula& formula = *formulas[size_t(t)];
        double* values = formula.values();
        for (int j = 0; j < marginals.size(); ++j)
            if (marginals.at(j).isConstant())
                values[j] = marginals.at(j).quantile(0.5);
        for (;;) {
            if (cancelled())
                return;
            const qint64 block = nextBlock.fetch_add(1);
            if (block >= blocks)
                return;
            const qint64 begin = block * BlockSize;
            const qint64 end = std::min(n, begin + BlockSize);
            for (qint64 i = begin; i < end; ++i) {
                for (const SampledInput& input : sampled)
                    values[input.input] = marginals.at(input.input)
                                              .quantile(LevelOfRank(input, input.rank[size_t(i)],
                                                                    scenario.sampling, seed, n));
                const double value = formula.evaluate();
                output[size_t(i)] = value;
                if (!std::isfinite(value)) {
                    qint64 seen = firstBad.load();
                    while (i < seen && !firstBad.compare_exchange_weak(seen, i)) {
                    }
                }
            }
            const qint64 done = doneBlocks.fetch_add(1) + 1;
            if (reports && options.progress)
                options.progress(double(done) / double(blocks));
        }
    };
    {
        std::vector<std::thread> workers;
        for (int t = 1; t < threads; ++t)
            workers.emplace_back(work, t, false);
        work(0, true);
        for (std::thread& worker : workers)
            worker.join();
    }
    if (cancelled())
        return stopped();
    if (firstBad.load() < n) {
        const qint64 i = firstBad.load();
        Formula& formula = *formulas.front();
        QStringList shown;
        for (int j = 0; j < marginals.size(); ++j) {
            const int s = sampledOf[size_t(j)];
            formula.values()[j] =
                s < 0 ? marginals.at(j).quantile(0.5)
                      : marginals.at(j).quantile(LevelOfRank(sampled[size_t(s)],
                                                             sampled[size_t(s)].rank[size_t(i)],
                                                             scenario.sampling, seed, n));
            shown << names.at(j) + QStringLiteral(" = ") +
                         QString::number(formula.values()[j], 'g', 6);
        }
        formula.evaluate();
        QString why = formula.divisionByZero();
        for (int j = 0; j < marginals.size() && why.isEmpty(); ++j)
            if (std::isnan(formula.values()[j]))
                why = names.at(j) + QStringLiteral(": its distribution cannot be computed "
                                                   "with these parameters");
        if (why.isEmpty())
            why = QStringLiteral("formula: no finite value");
        result.error = why + QStringLiteral(" in iteration %1 (%2)")
                                 .arg(i + 1)
                                 .arg(shown.join(QStringLiteral(", ")));
        return result;
    }

    // Summary: moments in iteration order, then order statistics.
    double sum = 0;
    for (double value : output)
        sum += value;
    result.mean = sum / double(n);
    double squares = 0;
    for (double value : output)
        squares += (value - result.mean) * (value - result.mean);
    result.sd = n > 1 ? std::sqrt(squares / double(n - 1)) : 0;

    std::vector<quint32> outputRank = Ranks(output);
    std::vector<double>& sorted = output; // no longer needed in iteration order
    std::sort(sorted.begin(), sorted.end());
    for (double level : SimulationLevels)
        result.percentiles << Percentile(sorted, level);
    result.intervals << Interval(sorted, 0.95) << Interval(sorted, 0.99);
    for (int k = 0; k <= DistributionPoints; ++k) {
        const double level = double(k) / DistributionPoints;
        result.distribution << std::make_pair(Percentile(sorted, level), level);
    }
    // The histogram leaves out the outer half percent on either side, so one far value
    // does not squeeze the rest into a single bin.
    const double low = Percentile(sorted, 0.005), high = Percentile(sorted, 0.995);
    result.histogram = QList<qint64>(HistogramBins, 0);
    result.histogramLow = low;
    result.histogramWidth = (high - low) / HistogramBins;
    if (high > low) {
        const auto first = std::lower_bound(sorted.begin(), sorted.end(), low);
        const auto last = std::upper_bound(sorted.begin(), sorted.end(), high);
        for (auto it = first; it != last; ++it)
            ++result.histogram[std::min<qsizetype>(HistogramBins - 1,
                                                   qsizetype((*it - low) / result.histogramWidth))];
    } else {
        result.histogram[0] = n;
    }

    const bool constantOutput = sorted.front() == sorted.back();
    for (const SampledInput& input : sampled)
        result.sensitivity << std::make_pair(
            names.at(input.input), constantOutput ? std::numeric_limits<double>::quiet_NaN()
                                                  : RankCorrelation(input.rank, outputRank));
    for (const ScenarioCorrelation& c : scenario.correlations) {
        const SampledInput& a = sampled[size_t(sampledOf[size_t(names.indexOf(c.a))])];
        const SampledInput& b = sampled[size_t(sampledOf[size_t(names.indexOf(c.b))])];
        result.achieved << ScenarioCorrelation{c.a, c.b, RankCorrelation(a.rank, b.rank)};
    }
    for (int j = 0; j < marginals.size(); ++j)
        result.sources << names.at(j) + QStringLiteral(": ") + marginals.at(j).description();
    result.seconds = double(timer.nsecsElapsed()) / 1e9;
    return result;
}

SimulationResult RunScenario(const Scenario& scenario, const RunOptions& options)
{
    SimulationResult result;
    result.scenario = scenario;
    if (options.iterations)
        result.scenario.iterations = *options.iterations;
    if (options.seed)
        result.scenario.seed = *options.seed;
    // Faults of the whole scenario before anything runs.
    {
        Formula check(scenario.formula, InputNames(scenario));
    }
    const QStringList correlated = CorrelatedNames(scenario);
    if (!correlated.isEmpty())
        TargetMatrix(scenario, correlated);

    const QList<PlannedRun> plans = PlanScenario(scenario, options.databaseDir);
    for (qsizetype r = 0; r < plans.size(); ++r) {
        const PlannedRun& plan = plans.at(r);
        RunResult run;
        if (plan.error.isEmpty()) {
            RunOptions each = options;
            if (options.progress)
                each.progress = [&options, r, &plans](double share) {
                    options.progress((double(r) + share) / double(plans.size()));
                };
            run = SimulateMarginals(scenario, plan.marginals, each);
            run.sources = plan.sources.isEmpty() ? run.sources : plan.sources;
            run.origins = plan.origins;
        } else {
            run.error = plan.error;
        }
        run.group = plan.group;
        run.caption = plan.caption;
        run.ageMin = plan.ageMin;
        run.ageMax = plan.ageMax;
        if (options.cancel && options.cancel->load()) {
            result.cancelled = true;
            break;
        }
        result.runs << run;
    }
    return result;
}

QStringList CheckScenario(const Scenario& scenario, const QString& databaseDir)
{
    const QStringList names = InputNames(scenario);
    Formula formula(scenario.formula, names);
    const QStringList correlated = CorrelatedNames(scenario);
    if (!correlated.isEmpty())
        TargetMatrix(scenario, correlated);
    const QList<PlannedRun> plans = PlanScenario(scenario, databaseDir);
    QStringList lines;
    lines << QStringLiteral("Scenario \"%1\": %2 inputs, formula %3 = %4")
                 .arg(scenario.name)
                 .arg(scenario.inputs.size())
                 .arg(scenario.outputName, scenario.formula);
    for (const QString& name : names)
        if (!formula.usedNames().contains(name))
            lines << QStringLiteral("warning: the formula does not use %1").arg(name);
    int good = 0;
    for (const PlannedRun& plan : plans) {
        const QString where =
            plan.group ? QStringLiteral("group %1").arg(*plan.group) : QStringLiteral("run");
        if (!plan.error.isEmpty()) {
            lines << where + QStringLiteral(": ") + plan.error;
            continue;
        }
        for (int j = 0; j < plan.marginals.size(); ++j)
            formula.values()[j] = plan.marginals.at(j).quantile(0.5);
        if (!std::isfinite(formula.evaluate())) {
            const QString division = formula.divisionByZero();
            throw VeltraError(
                (division.isEmpty() ? QStringLiteral("formula: no finite value") : division) +
                QStringLiteral(" at the inputs' medians (%1)").arg(where));
        }
        ++good;
    }
    lines << QStringLiteral("%1 of %2 runs ready").arg(good).arg(plans.size());
    return lines;
}

} // namespace veltra
