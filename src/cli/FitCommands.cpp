// fits: the fitted distributions of an age group of a parameter row's data file, with
// their parameter forms, quantiles, deviation from the observed percentiles, formulas
// and the small-sample flags, as text, JSON or the CSV of the distribution window's table.
// A fit that cannot be computed is shown with its reason; only a group without any
// computable fit fails the command.
#include "cli/CliCommand.h"

#include "convert/FitAnalysis.h"
#include "convert/FitSummary.h"
#include "convert/FitTable.h"
#include "data/DataTable.h"
#include "data/ReferenceDatabase.h"
#include "util/VeltraError.h"
#include "util/Workbook.h"

namespace veltra {

void RunFits(CliContext& context, QStringList args)
{
    const QString usage =
        QStringLiteral("fits needs an ID, and takes --group N, --format text|json|csv|xlsx and "
                       "-o FILE (for xlsx)");
    const CliArguments arguments(QStringLiteral("fits"), std::move(args),
                                 {{"--group", "a whole number"},
                                  {"--format", "text, json, csv or xlsx"},
                                  {"-o", "a file name"}},
                                 1);
    int groupNo = 1;
    if (arguments.has("--group")) {
        bool ok = false;
        groupNo = arguments.value("--group").toInt(&ok);
        if (!ok)
            throw CliUsageError(QStringLiteral("fits: N must be a whole number"));
    }
    const QString format =
        arguments.has("--format") ? arguments.value("--format") : QStringLiteral("text");
    if (format != u"json" && format != u"text" && format != u"csv" && format != u"xlsx")
        throw CliUsageError(QStringLiteral("fits: the format is text, json, csv or xlsx"));
    const QString output = arguments.value("-o");
    const QString idText = arguments.at(0);
    if (idText.isNull())
        throw CliUsageError(usage);
    // A workbook is no text for the terminal: it goes into a file, and only it does.
    if ((format == u"xlsx") != !output.isEmpty())
        throw CliUsageError(QStringLiteral("fits: --format xlsx needs -o FILE, and -o goes "
                                           "with --format xlsx only"));
    const qint64 id = IdArgument(context, QStringLiteral("fits"), idText, usage);

    const std::unique_ptr<ReferenceDatabase> database = OpenParameterDataFile(context, id);
    const DataTable& dataFile = database->dataFile();
    // The number is checked before it is turned into a row, so no value overflows.
    if (groupNo < 1 || groupNo > dataFile.recordCount())
        throw VeltraError(NoAgeGroupMessage(groupNo, dataFile.recordCount()));
    const AgeGroupFits group = AnalyseAgeGroup(dataFile, groupNo - 1);
    if (format == u"xlsx")
        WriteWorkbookFile(output, FitTableWorkbook(BuildFitTable(group, false), group));
    else if (format == u"json")
        context.out << QString::fromUtf8(FitSummaryJson(QString::number(id), groupNo, group));
    else if (format == u"csv")
        // CR LF after every line, as in the CSV file the distribution window saves.
        for (const QString& line : FitTableCsvLines(BuildFitTable(group, false)))
            context.out << line << "\r\n";
    else
        context.printLines(
            FitSummaryLines(QString::number(id), groupNo, dataFile.recordCount(), group));
}

} // namespace veltra
