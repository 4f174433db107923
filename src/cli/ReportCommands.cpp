// report: the documentation report of a parameter row, as the viewer's "Report    " tab
// shows it (plain text), or the file the viewer saves (RTF, or PDF for a ".pdf" name).
#include "cli/CliCommand.h"

#include "data/DataTable.h"
#include "data/ReferenceDatabase.h"
#include "reports/DocumentationReport.h"
#include "reports/PdfExport.h"
#include "tables/ResultTable.h"
#include "util/ProtocolLog.h"
#include "util/VeltraError.h"

#include <QTextDocument>

namespace veltra {

void RunReport(CliContext& context, QStringList args)
{
    const QString command = QStringLiteral("report");
    const QString usage = QStringLiteral("report needs one ID");
    const CliArguments arguments(command, std::move(args), {{"-o", "a file name"}}, 1);
    const QString idText = arguments.at(0);
    const QString output = arguments.value("-o");
    if (idText.isEmpty())
        throw CliUsageError(usage);
    const qint64 id = IdArgument(context, command, idText, usage);

    // The row's data file connected as the viewer connects it; a row without one, or
    // with one that cannot be opened, still has its report.
    const std::unique_ptr<ReferenceDatabase> database = OpenParameterRow(context, id);
    database->DataFileName =
        ReferenceDatabase::CurrentText(database->parameters(), QStringLiteral("DataFile"));
    ProtocolLog log;
    const ConnectOutcome outcome = database->ConnectDataFile(false, log);

    // The viewer's settings when it starts: every field checked, Digits 9, Decimals 2,
    // Top 2, the GF line included.
    ReportOptions options;
    options.table.fieldNames = database->DataFieldNames;
    options.table.checked = QList<bool>(options.table.fieldNames.size(), true);
    options.table.sectionFieldNames = DefaultSectionFieldNames();
    const ReportResult report = BuildDocumentationReport(*database, options);

    if (output.isEmpty())
        context.printLines(ReportPlainLines(*report.document));
    else
        WriteReportFile(*report.document, output);

    if (!report.complete())
        throw VeltraError(report.error);
    if (report.dataFileNotOpen) {
        // Why there is nothing to tabulate: the protocol line of a missing file (it names
        // the path), the reader's message of a file that cannot be loaded.
        if (outcome == ConnectOutcome::Missing && !log.lines().isEmpty())
            throw VeltraError(log.lines().constLast());
        if (outcome == ConnectOutcome::LoadFailed)
            throw VeltraError(database->LastLoadError);
        throw VeltraError(QStringLiteral("No selected data set."));
    }
}

} // namespace veltra
