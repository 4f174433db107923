// Timings of the table engine on a synthetic database of 20,000 parameter rows: loading
// the parameter table (against xmllint reading the same file), switching the topic
// filter and re-sorting, as the browser does on every click.
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
#include <vector>

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
