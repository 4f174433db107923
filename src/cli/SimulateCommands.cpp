// simulate: runs an exposure scenario (or only checks it) and prints or saves its result
// table as text, JSON or CSV.
#include "cli/CliCommand.h"

#include "scenario/Scenario.h"
#include "scenario/Simulation.h"
#include "scenario/SimulationOutput.h"
#include "util/SafeFile.h"
#include "util/VeltraError.h"

namespace veltra {

void RunSimulate(CliContext& context, QStringList args)
{
    const QString usage = QStringLiteral(
        "simulate needs a scenario file, and takes --check, --iterations N, --seed S, "
        "--threads T, --format text|json|csv|xlsx and -o FILE");
    QString path, format = QStringLiteral("text"), outputPath;
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
                   arg == u"--format" || arg == u"-o") {
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

    const Scenario scenario = ReadScenarioFile(path);
    if (check) {
        context.printLines(CheckScenario(scenario, context.dbDir));
        return;
    }
    const SimulationResult result = RunScenario(scenario, options);
    if (format == u"xlsx") {
        WriteWorkbookFile(outputPath, SimulationWorkbook(result));
        return;
    }
    QByteArray bytes;
    if (format == u"json")
        bytes = SimulationJson(result);
    else if (format == u"csv")
        bytes = SimulationCsv(result);
    else
        bytes = (SimulationLines(result).join(u'\n') + u'\n').toUtf8();
    if (outputPath.isEmpty()) {
        context.out << QString::fromUtf8(bytes);
        return;
    }
    const QString error = WriteFileSafely(outputPath, bytes);
    if (!error.isEmpty())
        throw VeltraError(outputPath + QStringLiteral(": cannot be written: ") + error);
}

} // namespace veltra
