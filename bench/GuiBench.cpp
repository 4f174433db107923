// Timing of the viewer's main window on the synthetic 20,000-row database: the start-up
// (window built offscreen, hierarchy tables loaded, first data file connected), a
// parameter-row change that connects another 10-age-group data file and fills every view,
// and an age-group change in the data grid of the "Database Table" tab, with the main
// window alone and with the distribution window shown.
//
// The benchmark program runs with a graphical application object, and widgets need the
// widget application object, so the measurements run in a child process: the same
// program started with VELTRA_GUI_BENCH_CHILD set makes the widget application object
// instead, builds the window, prints one line per measurement and exits. The benchmarks
// below start that child once and report its figures.
#ifdef VELTRA_BENCH_GUI

#include "GuiBench.h"
#include "SyntheticDatabase.h"
#include "app/ui/fMain.h"
#include "convert/ui/fDistributions.h"
#include "data/DataTable.h"
#include "widgets/DbGrid.h"

#include <QAction>
#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTabWidget>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

namespace {

constexpr const char* ChildVariable = "VELTRA_GUI_BENCH_CHILD";
constexpr int RowChanges = 200;
constexpr int GroupChanges = 200;
// A start-up is timed in fresh processes: the first in the measuring child, the others in
// children that stop after it. Their median is the figure; one start alone varies with
// what else the machine does at that moment.
constexpr int StartUps = 7;

using Clock = std::chrono::steady_clock;

double SecondsSince(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// --- child ----------------------------------------------------------------------------------

// Moves the data grid to the next age group GroupChanges times, as clicks on its rows do,
// and prints each move's time after `label`. False when a move did not reach its row, or
// the distribution window, when there is one, did not analyse the new group.
bool MeasureGroupChanges(veltra::TForm1& form, const char* label)
{
    auto* grid = form.findChild<veltra::DbGrid*>(QStringLiteral("DBGrid2"));
    const int groups = grid->model()->rowCount();
    if (groups < 2) {
        std::printf("error the data file has fewer than two age groups\n");
        return false;
    }
    auto* window = form.findChild<veltra::TfDistributions*>(QStringLiteral("fDistributions"));
    const veltra::DataTable& file = form.Database().dataFile();
    for (int i = 0; i < GroupChanges; ++i) {
        const int row = file.recNo() % groups; // the next row, 0-based
        const int analysed = window ? window->RecomputeCount() : 0;
        const auto change = Clock::now();
        grid->setCurrentIndex(grid->model()->index(row, 0));
        QApplication::processEvents();
        const double seconds = SecondsSince(change);
        if (file.recNo() != row + 1) {
            std::printf("error the age group did not change\n");
            return false;
        }
        if (window && (window->RecomputeCount() != analysed + 1 || !window->CurrentGroup())) {
            std::printf("error the distribution window did not show the new age group\n");
            return false;
        }
        std::printf("%s %.6f\n", label, seconds);
    }
    return true;
}

int MeasureInChild()
{
    static int argc = 1;
    static char name[] = "veltra_bench";
    static char* argv[] = {name, nullptr};
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    const veltra::SyntheticDatabase db;
    const QString oldCurrent = QDir::currentPath();
    QDir::setCurrent(db.dir());

    const auto start = Clock::now();
    auto form = std::make_unique<veltra::TForm1>(db.dir() + QStringLiteral("/veltra"));
    const double startup = SecondsSince(start);
    const veltra::ReferenceDatabase& database = form->Database();
    if (database.connectedDataFileName().isEmpty() || database.dataFile().recordCount() == 0) {
        std::printf("error the first data file was not connected\n");
        return 1;
    }
    std::printf("startup %.6f\n", startup);
    // For profiling one phase alone (callgrind): "startup" stops here, "distgroup" skips
    // the parameter-row changes and the main window's own age-group changes.
    const QByteArray only = qgetenv("VELTRA_GUI_BENCH_ONLY");
    if (only == "startup")
        return 0;
    const bool distributionsOnly = only == "distgroup";
    form->show();
    QApplication::processEvents();

    // Each row of a topic names another data file; a move to the next row in the grid
    // connects it, fills the views and repaints.
    auto* grid = form->findChild<veltra::DbGrid*>(QStringLiteral("dbgSources"));
    auto* topics = form->findChild<veltra::DbGrid*>(QStringLiteral("dbgParameter"));
    int measured = 0;
    int topic = 0;
    while (!distributionsOnly && measured < RowChanges && topic < topics->model()->rowCount()) {
        topics->setCurrentIndex(topics->model()->index(topic++, 0));
        QApplication::processEvents();
        for (int row = 1; row < grid->model()->rowCount() && measured < RowChanges; ++row) {
            const QString before = database.connectedDataFileName();
            const auto change = Clock::now();
            grid->setCurrentIndex(grid->model()->index(row, 0));
            QApplication::processEvents();
            const double seconds = SecondsSince(change);
            if (database.connectedDataFileName() == before ||
                database.dataFile().recordCount() != 10)
                continue; // not a new 10-group connection
            std::printf("change %.6f\n", seconds);
            ++measured;
        }
    }

    // The age groups of the last connected data file, in the "Database Table" tab: first
    // with the main window alone, then with the distribution window open, as the
    // Distributions button opens it.
    auto* tabs = form->findChild<QTabWidget*>(QStringLiteral("t"));
    tabs->setCurrentWidget(form->findChild<QWidget*>(QStringLiteral("tsDatabaseTable")));
    QApplication::processEvents();
    bool groupsOk = distributionsOnly || MeasureGroupChanges(*form, "group");
    if (groupsOk) {
        form->findChild<QAction*>(QStringLiteral("Distributions1"))->trigger();
        QApplication::processEvents();
        auto* window = form->findChild<veltra::TfDistributions*>(QStringLiteral("fDistributions"));
        groupsOk = window && window->isVisible() && MeasureGroupChanges(*form, "distgroup");
    }
    form.reset();
    QDir::setCurrent(oldCurrent);
    return (distributionsOnly || measured == RowChanges) && groupsOk ? 0 : 1;
}

} // namespace

int RunGuiBenchChild()
{
    const int code = MeasureInChild();
    std::fflush(stdout);
    return code;
}

bool IsGuiBenchChild()
{
    return qEnvironmentVariableIsSet(ChildVariable);
}

namespace {

// --- parent ---------------------------------------------------------------------------------

struct Figures
{
    bool ok = false;
    QString error;
    std::vector<double> startups;
    std::vector<double> changes;
    std::vector<double> groupChanges;
    std::vector<double> distributionGroupChanges;
};

// Runs the measuring child (only: its VELTRA_GUI_BENCH_ONLY, empty for every phase) and
// adds its figures to `result`; false with result.error set when it failed.
bool RunChild(Figures& result, const QString& only)
{
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QLatin1String(ChildVariable), QStringLiteral("1"));
    if (!only.isEmpty())
        env.insert(QStringLiteral("VELTRA_GUI_BENCH_ONLY"), only);
    child.setProcessEnvironment(env);
    // The child measures and exits before any benchmark runs.
    child.start(QCoreApplication::applicationFilePath(), {});
    if (!child.waitForFinished(600000)) {
        result.error = QStringLiteral("the measuring process did not finish");
        return false;
    }
    const QStringList lines =
        QString::fromLocal8Bit(child.readAllStandardOutput()).split(QLatin1Char('\n'));
    for (const QString& line : lines) {
        if (line.startsWith(QLatin1String("error "))) {
            result.error = line.mid(6);
            continue;
        }
        const QStringList words = line.split(QLatin1Char(' '));
        if (words.size() != 2)
            continue;
        if (words.at(0) == QLatin1String("startup"))
            result.startups.push_back(words.at(1).toDouble());
        else if (words.at(0) == QLatin1String("change"))
            result.changes.push_back(words.at(1).toDouble());
        else if (words.at(0) == QLatin1String("group"))
            result.groupChanges.push_back(words.at(1).toDouble());
        else if (words.at(0) == QLatin1String("distgroup"))
            result.distributionGroupChanges.push_back(words.at(1).toDouble());
        else
            result.error = line;
    }
    if (child.exitCode() != 0 && result.error.isEmpty())
        result.error = QStringLiteral("the measuring process failed: ") +
                       QString::fromLocal8Bit(child.readAllStandardError()).left(300);
    return child.exitCode() == 0 && result.error.isEmpty();
}

const Figures& ChildFigures()
{
    static const Figures figures = [] {
        Figures result;
        result.ok = RunChild(result, QString());
        for (int i = 1; result.ok && i < StartUps; ++i)
            result.ok = RunChild(result, QStringLiteral("startup"));
        result.ok = result.ok && int(result.startups.size()) == StartUps &&
                    int(result.changes.size()) == RowChanges &&
                    int(result.groupChanges.size()) == GroupChanges &&
                    int(result.distributionGroupChanges.size()) == GroupChanges;
        if (!result.ok && result.error.isEmpty())
            result.error = QStringLiteral("the measuring processes gave too few figures");
        return result;
    }();
    return figures;
}

// The median of the fresh processes' start-ups, with the fastest and slowest.
void GuiStartUp(benchmark::State& state)
{
    const Figures& figures = ChildFigures();
    if (!figures.ok) {
        state.SkipWithError(qPrintable(figures.error));
        return;
    }
    std::vector<double> sorted = figures.startups;
    std::sort(sorted.begin(), sorted.end());
    const double median = sorted.at(sorted.size() / 2);
    for (auto _ : state)
        state.SetIterationTime(median);
    state.counters["runs"] = double(sorted.size());
    state.counters["min_ms"] = 1000 * sorted.front();
    state.counters["max_ms"] = 1000 * sorted.back();
}

// Reports the child's times of one kind of change, one per iteration, with their median,
// 90th percentile and maximum.
void ReportChanges(benchmark::State& state, std::vector<double> Figures::*changes)
{
    const Figures& figures = ChildFigures();
    if (!figures.ok) {
        state.SkipWithError(qPrintable(figures.error));
        return;
    }
    const std::vector<double>& times = figures.*changes;
    std::size_t i = 0;
    for (auto _ : state)
        state.SetIterationTime(times.at(i++ % times.size()));
    std::vector<double> sorted = times;
    std::sort(sorted.begin(), sorted.end());
    state.counters["median_ms"] = 1000 * sorted.at(sorted.size() / 2);
    state.counters["p90_ms"] = 1000 * sorted.at(sorted.size() * 9 / 10);
    state.counters["max_ms"] = 1000 * sorted.back();
}

void GuiParameterRowChange(benchmark::State& state)
{
    ReportChanges(state, &Figures::changes);
}

void GuiAgeGroupChange(benchmark::State& state)
{
    ReportChanges(state, &Figures::groupChanges);
}

void GuiAgeGroupChangeWithDistributions(benchmark::State& state)
{
    ReportChanges(state, &Figures::distributionGroupChanges);
}

BENCHMARK(GuiStartUp)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(GuiParameterRowChange)
    ->UseManualTime()
    ->Iterations(RowChanges)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(GuiAgeGroupChange)
    ->UseManualTime()
    ->Iterations(GroupChanges)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(GuiAgeGroupChangeWithDistributions)
    ->UseManualTime()
    ->Iterations(GroupChanges)
    ->Unit(benchmark::kMillisecond);

} // namespace

#endif // VELTRA_BENCH_GUI
