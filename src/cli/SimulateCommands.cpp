// simulate: runs an exposure scenario (or only checks it) and prints or saves its result
// table as text, JSON or CSV, writes it as a report (RTF or PDF), or writes the scenario
// as an R or Python script.
#include "cli/CliCommand.h"

#include "scenario/Scenario.h"
#include "scenario/ScenarioReport.h"
#include "scenario/ScenarioScript.h"
#include "scenario/Simulation.h"
#include "scenario/SimulationOutput.h"
#include "util/PageSetup.h"
#include "util/SafeFile.h"
#include "util/VeltraError.h"

#include <QLocale>

namespace veltra {

namespace {

QByteArray ResultBytes(const SimulationResult& result, const QString& format)
{
    if (format == u"json")
        return SimulationJson(result);
    if (format == u"csv")
        return SimulationCsv(result);
    return (SimulationLines(result).join(u'\n') + u'\n').toUtf8();
}

} // namespace

void RunSimulate(CliContext& context, QStringList args)
{
    const QString usage = QStringLiteral(
        "simulate needs a scenario file, and takes --check, --iterations N, --seed S, "
        "--threads T, --format text|json|csv|xlsx, --script r|python, --report FILE, "
        "--paper a4|letter and -o FILE");
    QString path, format = QStringLiteral("text"), outputPath, script, reportPath;
    std::optional<PaperSize> paper;
    bool check = false;
    RunOptions options;
    options.databaseDir = context.dbDir;
    auto whole = [](const QString& option, const QString& value, qint64 low, qint64 high) {
        bool ok = false;
        const qint64 number = value.toLongLong(&ok);
        if (!ok || number < low || number > high)
            throw CliUsageError(QStringLiteral("simulate: %1 takes a whole number from %2 to %3")
                                    .arg(option)
                                    .arg(low)
                                    .arg(high));
        return number;
    };
    while (!args.isEmpty()) {
        const QString arg = args.takeFirst();
        if (arg == u"--check") {
            check = true;
        } else if (arg == u"--iterations" || arg == u"--seed" || arg == u"--threads" ||
                   arg == u"--format" || arg == u"--script" || arg == u"--report" ||
                   arg == u"--paper" || arg == u"-o") {
            if (args.isEmpty())
                throw CliUsageError(QStringLiteral("simulate: ") + arg +
                                    QStringLiteral(" needs a value"));
            const QString value = args.takeFirst();
            if (arg == u"--iterations")
                options.iterations = whole(arg, value, 1, Scenario::MaxIterations);
            else if (arg == u"--seed")
                options.seed = quint64(whole(arg, value, 0, qint64(1) << 53));
            else if (arg == u"--threads")
                options.threads = int(whole(arg, value, 1, 64));
            else if (arg == u"-o")
                outputPath = value;
            else if (arg == u"--script" && value != u"r" && value != u"python")
                throw CliUsageError(QStringLiteral("simulate: the script is r or python"));
            else if (arg == u"--script")
                script = value;
            else if (arg == u"--report")
                reportPath = value;
            else if (arg == u"--paper" && !(paper = ParsePaperSize(value)))
                throw CliUsageError(QStringLiteral("simulate: --paper needs a4 or letter"));
            else if (arg == u"--paper")
                continue;
            else if (value == u"text" || value == u"json" || value == u"csv" || value == u"xlsx")
                format = value;
            else
                throw CliUsageError(
                    QStringLiteral("simulate: the format is text, json, csv or xlsx"));
        } else if (path.isNull() && !arg.startsWith(u'-')) {
            path = arg;
        } else {
            throw CliUsageError(usage);
        }
    }
    if (path.isNull())
        throw CliUsageError(usage);
    if (format == u"xlsx" && outputPath.isEmpty())
        throw CliUsageError(QStringLiteral("simulate: --format xlsx needs -o FILE"));

    if (!script.isEmpty() && (check || format != u"text" || !reportPath.isEmpty()))
        throw CliUsageError(
            QStringLiteral("simulate: --script takes no --check, --format or --report"));
    if (!reportPath.isEmpty() && (check || format != u"text" || !outputPath.isEmpty()))
        throw CliUsageError(QStringLiteral("simulate: --report takes no --check, --format or -o"));
    if (paper && reportPath.isEmpty())
        throw CliUsageError(QStringLiteral("simulate: --paper goes with --report"));

    Scenario scenario = ReadScenarioFile(path);
    if (check) {
        context.printLines(CheckScenario(scenario, context.dbDir));
        return;
    }
    QByteArray bytes;
    if (!script.isEmpty()) {
        // The script runs the scenario as this command would, with its overrides.
        if (options.iterations)
            scenario.iterations = *options.iterations;
        if (options.seed)
            scenario.seed = *options.seed;
        bytes = ScenarioScript(scenario, context.dbDir, ParseScriptLanguage(script)).toUtf8();
    } else if (!reportPath.isEmpty()) {
        WriteScenarioReport(RunScenario(scenario, options), reportPath,
                            paper.value_or(LocalePaperSize(QLocale())));
        return;
    } else if (format == u"xlsx") {
        WriteWorkbookFile(outputPath, SimulationWorkbook(RunScenario(scenario, options)));
        return;
    } else {
        bytes = ResultBytes(RunScenario(scenario, options), format);
    }
    if (outputPath.isEmpty()) {
        context.out << QString::fromUtf8(bytes);
        return;
    }
    WriteFileOrThrow(outputPath, bytes);
}

} // namespace veltra
