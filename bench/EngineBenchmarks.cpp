// Timings of the table engine on a synthetic database of 20,000 parameter rows: loading
// the parameter table (against xmllint reading the same file), switching the topic
// filter and re-sorting, as the browser does on every click; and `veltra-cli dump` of
// the parameter table as a whole process against a pugixml DOM load and xmllint of the
// same file, CPU time and peak memory of each child, with the ratios.
#include "GuiBench.h"
#include "SyntheticDatabase.h"

#include "data/DataSource.h"
#include "data/DataTable.h"
#include "util/VeltraError.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QGuiApplication>
#include <QProcess>
#include <QStandardPaths>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

using veltra::DataTable;
using veltra::SyntheticDatabase;
using veltra::VeltraError;

namespace {

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

/// Wall time of one `xmllint --noout path`; negative when it cannot run or fails.
double xmllintSeconds(const QString& xmllint, const QString& path)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    const auto start = Clock::now();
    process.start(xmllint, {QStringLiteral("--noout"), path});
    if (!process.waitForFinished(-1) || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != 0) {
        return -1.0;
    }
    return secondsSince(start);
}

void loadParameterTable(benchmark::State& state, const SyntheticDatabase& db,
                        const QString& xmllint)
{
    const QString path = db.parameterTablePath();
    double total = 0.0;
    for (auto _ : state) {
        DataTable table;
        const auto start = Clock::now();
        try {
            table.loadFromFile(path);
        } catch (const VeltraError& e) {
            state.SkipWithError(e.what());
            return;
        }
        const double seconds = secondsSince(start);
        state.SetIterationTime(seconds);
        total += seconds;
        // Outside the measured time: the rows and their texts really were read.
        table.last();
        if (table.recordCount() != db.parameterRows() ||
            !table.fieldText(QStringLiteral("Info")).contains(QStringLiteral("Restrictions"))) {
            state.SkipWithError("the loaded table does not hold every parameter row");
            return;
        }
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * QFileInfo(path).size());
    state.counters["rows"] = db.parameterRows();
    if (xmllint.isEmpty() || state.iterations() == 0) {
        return;
    }
    // The yardstick in the same run: the median of three xmllint runs on the same file.
    std::vector<double> runs;
    for (int i = 0; i < 3; ++i) {
        const double seconds = xmllintSeconds(xmllint, path);
        if (seconds < 0) {
            return;
        }
        runs.push_back(seconds);
    }
    std::sort(runs.begin(), runs.end());
    const double ours = total / static_cast<double>(state.iterations());
    state.counters["xmllint_ms"] = runs[1] * 1000.0;
    state.counters["ratio"] = ours / runs[1];
}

/// CPU seconds (user + system) and peak resident memory of one child process.
struct ChildRun
{
    double cpuSeconds = -1.0; // negative when the child could not run or failed
    double peakMiB = 0.0;
};

/// Runs argv as a child with its output thrown away and reads the kernel's accounting of
/// that one child (wait4), so that each command's own peak is known.
ChildRun runChild(const std::vector<std::string>& argv)
{
    std::vector<char*> args;
    for (const std::string& a : argv)
        args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    const pid_t pid = fork();
    if (pid < 0)
        return {};
    if (pid == 0) {
        const int devNull = open("/dev/null", O_WRONLY);
        if (devNull >= 0) {
            dup2(devNull, STDOUT_FILENO);
            dup2(devNull, STDERR_FILENO);
        }
        execv(args[0], args.data());
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    if (wait4(pid, &status, 0, &usage) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return {};
    ChildRun run;
    run.cpuSeconds = double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                     double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    run.peakMiB = double(usage.ru_maxrss) / 1024.0; // kilobytes on Linux
    return run;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2.0;
}

/// `veltra-cli dump --filter "PS = 'none'"` on the parameter table (the whole file is read
/// and every row tested) against the yardsticks, run in turn so that a drift of the
/// machine's speed touches all of them alike. The iteration time is ours; the counters
/// are medians, the ratios taken pair by pair.
void dumpAgainstYardsticks(benchmark::State& state, const SyntheticDatabase& db,
                           const std::string& cli, const std::string& pugixml,
                           const std::string& xmllint)
{
    const std::string path = db.parameterTablePath().toStdString();
    std::vector<double> ours, oursPeak, pugi, pugiPeak, lint, ratioPugi, ratioLint;
    for (auto _ : state) {
        const ChildRun a = runChild({cli, "dump", "--filter", "PS = 'none'", path});
        if (a.cpuSeconds < 0) {
            state.SkipWithError("veltra-cli dump failed on the parameter table");
            return;
        }
        state.SetIterationTime(a.cpuSeconds);
        ours.push_back(a.cpuSeconds);
        oursPeak.push_back(a.peakMiB);
        if (!pugixml.empty()) {
            const ChildRun b = runChild({pugixml, path});
            if (b.cpuSeconds > 0) {
                pugi.push_back(b.cpuSeconds);
                pugiPeak.push_back(b.peakMiB);
                ratioPugi.push_back(a.cpuSeconds / b.cpuSeconds);
            }
        }
        if (!xmllint.empty()) {
            const ChildRun c = runChild({xmllint, "--noout", path});
            if (c.cpuSeconds > 0) {
                lint.push_back(c.cpuSeconds);
                ratioLint.push_back(a.cpuSeconds / c.cpuSeconds);
            }
        }
    }
    const double fileMiB = double(QFileInfo(db.parameterTablePath()).size()) / (1024.0 * 1024.0);
    state.counters["cpu_ms"] = median(ours) * 1000.0;
    state.counters["peak_MiB"] = median(oursPeak);
    state.counters["peak_per_file"] = median(oursPeak) / fileMiB;
    if (!ratioPugi.empty()) {
        state.counters["pugixml_ms"] = median(pugi) * 1000.0;
        state.counters["pugixml_MiB"] = median(pugiPeak);
        state.counters["ratio_pugixml"] = median(ratioPugi);
    }
    if (!ratioLint.empty()) {
        state.counters["xmllint_ms"] = median(lint) * 1000.0;
        state.counters["ratio_xmllint"] = median(ratioLint);
    }
}

void xmllintParameterTable(benchmark::State& state, const SyntheticDatabase& db,
                           const QString& xmllint)
{
    if (xmllint.isEmpty()) {
        state.SkipWithError("xmllint not found");
        return;
    }
    const QString path = db.parameterTablePath();
    for (auto _ : state) {
        const double seconds = xmllintSeconds(xmllint, path);
        if (seconds < 0) {
            state.SkipWithError("xmllint failed on the parameter table");
            return;
        }
        state.SetIterationTime(seconds);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * QFileInfo(path).size());
}

void loadDataFile(benchmark::State& state, const SyntheticDatabase& db)
{
    const QStringList& files = db.dataFiles();
    DataTable table;
    qsizetype next = 0;
    for (auto _ : state) {
        try {
            table.loadFromFile(db.filePath(files.at(next)));
        } catch (const VeltraError& e) {
            state.SkipWithError(e.what());
            return;
        }
        next = (next + 1) % files.size();
        benchmark::DoNotOptimize(table.recordCount());
    }
}

/// Loads the parameter table once, with a data-source link whose handler reads the
/// current row, as the main window's handler does.
struct LoadedParameterTable
{
    DataTable table;
    veltra::DataSource link{&table};
    qint64 handlerWork = 0;

    explicit LoadedParameterTable(const SyntheticDatabase& db)
    {
        link.setHandler([this] { handlerWork += table.fieldText(QStringLiteral("ID")).size(); });
        table.loadFromFile(db.parameterTablePath());
    }
};

void filterSwitch(benchmark::State& state, const SyntheticDatabase& db, bool withSex)
{
    try {
        LoadedParameterTable loaded(db);
        DataTable& table = loaded.table;
        const QStringList& keys = db.topicKeys();
        qsizetype next = 0;
        for (auto _ : state) {
            // Walk the topics in a stride so that consecutive filters hit distant rows.
            next = (next + 37) % keys.size();
            QString expression = QStringLiteral("PS = '%1'").arg(keys.at(next));
            if (withSex) {
                expression += QStringLiteral(" AND Sex = 'M'");
            }
            table.setFilter(expression);
            table.setFiltered(true);
            if (table.recordCount() == 0) {
                state.SkipWithError("a topic filter selected no rows");
                return;
            }
        }
        state.counters["rows"] = db.parameterRows();
    } catch (const VeltraError& e) {
        state.SkipWithError(e.what());
    }
}

void resort(benchmark::State& state, const SyntheticDatabase& db)
{
    try {
        LoadedParameterTable loaded(db);
        DataTable& table = loaded.table;
        const QString orders[] = {QStringLiteral("RSTRC;VARIABLE"), QStringLiteral("DataSource")};
        int next = 0;
        for (auto _ : state) {
            table.setIndexFieldNames(orders[next]);
            next = 1 - next;
            benchmark::DoNotOptimize(table.recNo());
        }
        if (table.recordCount() != db.parameterRows()) {
            state.SkipWithError("re-sorting changed the number of rows");
        }
        state.counters["rows"] = db.parameterRows();
    } catch (const VeltraError& e) {
        state.SkipWithError(e.what());
    }
}

} // namespace

int main(int argc, char** argv)
{
#ifdef VELTRA_BENCH_GUI
    if (IsGuiBenchChild())
        return RunGuiBenchChild();
#endif
    // The PDF benchmarks need the graphical application object; "offscreen" serves on any
    // machine.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }

    std::fprintf(stderr, "Generating the synthetic database ...\n");
    const auto start = Clock::now();
    const SyntheticDatabase db;
    std::fprintf(stderr, "%d parameter rows, %lld data files, %lld bytes in daten1a.xml, %.1f s\n",
                 db.parameterRows(), static_cast<long long>(db.dataFiles().size()),
                 static_cast<long long>(QFileInfo(db.parameterTablePath()).size()),
                 secondsSince(start));
    const QString xmllint = QStandardPaths::findExecutable(QStringLiteral("xmllint"));

    using benchmark::kMillisecond;
    benchmark::RegisterBenchmark("LoadParameterTable",
                                 [&](benchmark::State& s) { loadParameterTable(s, db, xmllint); })
        ->UseManualTime()
        ->Unit(kMillisecond);
    benchmark::RegisterBenchmark(
        "XmllintParameterTable",
        [&](benchmark::State& s) { xmllintParameterTable(s, db, xmllint); })
        ->UseManualTime()
        ->Unit(kMillisecond);
#ifdef VELTRA_CLI_PROGRAM
    {
#ifdef VELTRA_PUGIXML_LOADER
        const std::string pugixml = VELTRA_PUGIXML_LOADER;
#else
        const std::string pugixml;
#endif
        benchmark::RegisterBenchmark("DumpParameterTableVsYardsticks",
                                     [&, pugixml](benchmark::State& s) {
                                         dumpAgainstYardsticks(s, db, VELTRA_CLI_PROGRAM, pugixml,
                                                               xmllint.toStdString());
                                     })
            ->UseManualTime()
            ->Iterations(7)
            ->Unit(kMillisecond);
    }
#endif
    benchmark::RegisterBenchmark("LoadDataFile", [&](benchmark::State& s) {
        loadDataFile(s, db);
    })->Unit(kMillisecond);
    benchmark::RegisterBenchmark("FilterSwitch/PS", [&](benchmark::State& s) {
        filterSwitch(s, db, false);
    })->Unit(kMillisecond);
    benchmark::RegisterBenchmark("FilterSwitch/PS_and_Sex", [&](benchmark::State& s) {
        filterSwitch(s, db, true);
    })->Unit(kMillisecond);
    benchmark::RegisterBenchmark("Resort", [&](benchmark::State& s) {
        resort(s, db);
    })->Unit(kMillisecond);

    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
