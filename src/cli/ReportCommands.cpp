// report: the documentation report of a parameter row, as the viewer's "Report    " tab
// shows it (plain text), or the file the viewer saves (RTF, or PDF for a ".pdf" name) on
// the locale's paper or the one --paper names.
#include "cli/CliCommand.h"

#include "data/DataTable.h"
#include "data/ReferenceDatabase.h"
#include "reports/DocumentationReport.h"
#include "reports/PdfExport.h"
#include "tables/ResultTable.h"
#include "util/ProtocolLog.h"
#include "util/VeltraError.h"

#include <QLocale>
#include <QTextDocument>

#include <optional>

namespace veltra {

void RunReport(CliContext& context, QStringList args)
{
    const QString command = QStringLiteral("report");
    const QString usage = QStringLiteral("report needs one ID");
    const CliArguments arguments(command, std::move(args),
                                 {{"-o", "a file name"}, {"--paper", "a4 or letter"}}, 1);
    const QString idText = arguments.at(0);
    const QString output = arguments.value("-o");
    PaperSize paper = LocalePaperSize(QLocale());
    if (arguments.has("--paper")) {
        const std::optional<PaperSize> chosen = ParsePaperSize(arguments.value("--paper"));
        if (!chosen)
            throw CliUsageError(QStringLiteral("report: --paper needs a4 or letter"));
        paper = *chosen;
    }
    if (idText.isEmpty())
        throw CliUsageError(usage);
    const qint64 id = IdArgument(context, command, idText, usage);

    // The row's data file connected as the viewer connects it; a row without one, or
    // with one that cannot be opened, still has its report.
    const std::unique_ptr<ReferenceDatabase> database = OpenParameterRow(context, id);
    ProtocolLog log;
    const DataFileConnection connection = database->ConnectDataFile(
        ReferenceDatabase::CurrentText(database->parameters(), QStringLiteral("DataFile")), false,
        log);

    // The viewer's settings when it starts: every field checked, Digits 9, Decimals 2,
    // Top 2, the GF line included.
    ReportOptions options;
    options.table.fieldNames = connection.fieldNames;
    options.table.checked = QList<bool>(options.table.fieldNames.size(), true);
    options.table.sectionFieldNames = DefaultSectionFieldNames();
    const ReportResult report = BuildDocumentationReport(*database, options);

    if (output.isEmpty())
        context.printLines(ReportPlainLines(*report.document));
    else
        WriteReportFile(*report.document, output, paper);

    // A data file that is missing or cannot be read leaves the report incomplete too.
    if (!report.complete())
        throw VeltraError(report.error);
}

} // namespace veltra
