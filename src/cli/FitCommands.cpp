// fits: the fitted distributions of an age group of a parameter row's data file, with
// their parameter forms, quantiles, deviation from the observed percentiles, formulas
// and the small-sample flags, as text or JSON.
#include "cli/CliCommand.h"

#include "convert/FitAnalysis.h"
#include "convert/FitSummary.h"
#include "data/DataTable.h"
#include "data/ReferenceDatabase.h"
#include "util/VeltraError.h"

namespace veltra {

void RunFits(CliContext& context, QStringList args)
{
    const QString usage =
        QStringLiteral("fits needs an ID, and takes --group N and --format text|json");
    const CliArguments arguments(QStringLiteral("fits"), std::move(args),
                                 {{"--group", "a whole number"}, {"--format", "text or json"}}, 1);
    int groupNo = 1;
    if (arguments.has("--group")) {
        bool ok = false;
        groupNo = arguments.value("--group").toInt(&ok);
        if (!ok)
            throw CliUsageError(QStringLiteral("fits: N must be a whole number"));
    }
    const QString format =
        arguments.has("--format") ? arguments.value("--format") : QStringLiteral("text");
    if (format != u"json" && format != u"text")
        throw CliUsageError(QStringLiteral("fits: the format is text or json"));
    const bool json = format == u"json";
    const QString idText = arguments.at(0);
    if (idText.isNull())
        throw CliUsageError(usage);
    const qint64 id = IdArgument(context, QStringLiteral("fits"), idText, usage);

    const std::unique_ptr<ReferenceDatabase> database = OpenParameterDataFile(context, id);
    const DataTable& dataFile = database->dataFile();
    // The number is checked before it is turned into a row, so no value overflows.
    if (groupNo < 1 || groupNo > dataFile.recordCount())
        throw VeltraError(NoAgeGroupMessage(groupNo, dataFile.recordCount()));
    const AgeGroupFits group = AnalyseAgeGroup(dataFile, groupNo - 1);
    if (json)
        context.out << QString::fromUtf8(FitSummaryJson(QString::number(id), groupNo, group));
    else
        context.printLines(
            FitSummaryLines(QString::number(id), groupNo, dataFile.recordCount(), group));
}

} // namespace veltra
