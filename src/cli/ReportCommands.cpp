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
    QString idText;
    QString output;
    PaperSize paper = LocalePaperSize(QLocale());
    while (!args.isEmpty()) {
        const QString arg = args.takeFirst();
        if (arg == QLatin1String("-o")) {
            if (args.isEmpty() || args.first().isEmpty())
                throw CliUsageError(QStringLiteral("report: -o needs a file name"));
            output = args.takeFirst();
        } else if (arg == QLatin1String("--paper")) {
            const std::optional<PaperSize> chosen =
                args.isEmpty() ? std::nullopt : ParsePaperSize(args.takeFirst());
            if (!chosen)
                throw CliUsageError(QStringLiteral("report: --paper needs a4 or letter"));
            paper = *chosen;
        } else if (arg.startsWith(QLatin1Char('-')) || !idText.isEmpty()) {
            throw CliUsageError(QStringLiteral("report: unexpected argument \"%1\"").arg(arg));
        } else {
            idText = arg;
        }
    }
    if (idText.isEmpty())
        throw CliUsageError(usage);
    const qint64 id = IdArgument(context, command, idText, usage);

    // The row's data file connected as the viewer connects it; a row without one, or
    // with one that cannot be opened, still has its report.
    const std::unique_ptr<ReferenceDatabase> database = OpenParameterRow(context, id);
    database->DataFileName =
        ReferenceDatabase::CurrentText(database->parameters(), QStringLiteral("DataFile"));
    ProtocolLog log;
    database->ConnectDataFile(false, log);

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
        WriteReportFile(*report.document, output, paper);

    // A data file that is missing or cannot be read leaves the report incomplete too.
    if (!report.complete())
        throw VeltraError(report.error);
}

} // namespace veltra
