// Timings of the documentation report of one parameter row of the synthetic database
// (its data file of 10 age groups connected as the viewer connects it, every field
// checked as when the viewer starts), the RTF text the report is saved as, and the fit
// analysis of one age group of that data file (what the distribution window and
// `veltra-cli fits` show); the PDF and RTF files of the sample database's largest report
// (row 1014, its data file ef0010.xml the largest of the sample), and the PDF of a report
// whose Info text is one line of 1,000,000 characters.
#include "SyntheticDatabase.h"

#include "convert/FitAnalysis.h"
#include "data/DataTable.h"
#include "data/ReferenceDatabase.h"
#include "reports/DocumentationReport.h"
#include "reports/PdfExport.h"
#include "tables/ResultTable.h"
#include "util/ProtocolLog.h"
#include "util/RtfWriter.h"
#include "util/VeltraError.h"

#include <QTextBlockFormat>
#include <QTextCursor>
#include <QTextDocument>

#include <benchmark/benchmark.h>

#include <memory>

namespace {

using veltra::ReferenceDatabase;
using veltra::SyntheticDatabase;

constexpr qint64 ReportedRow = 1;

/// The database of the report benchmarks with the parameter row ReportedRow current and
/// its data file connected, made at their first run.
struct ConnectedRow
{
    SyntheticDatabase files;
    ReferenceDatabase database{files.dir(), files.dir()};

    ConnectedRow()
    {
        database.LoadParameterTable();
        database.LocateParameter(ReportedRow);
        veltra::ProtocolLog log;
        const QString name =
            ReferenceDatabase::CurrentText(database.parameters(), QStringLiteral("DataFile"));
        if (database.ConnectDataFile(name, false, log).outcome != veltra::ConnectOutcome::Connected)
            throw veltra::VeltraError(QStringLiteral("the data file of the row was not connected"));
    }
};

const ConnectedRow& Row()
{
    static const std::unique_ptr<ConnectedRow> row = std::make_unique<ConnectedRow>();
    return *row;
}

veltra::ReportOptions Options()
{
    veltra::ReportOptions options;
    options.table.fieldNames = Row().database.dataFieldNames();
    options.table.checked = QList<bool>(options.table.fieldNames.size(), true);
    options.table.sectionFieldNames = veltra::DefaultSectionFieldNames();
    return options;
}

/// The report of the row; an error names what is missing from it.
veltra::ReportResult Report(const veltra::ReportOptions& options, QString& error)
{
    veltra::ReportResult report = BuildDocumentationReport(Row().database, options);
    const int groups = Row().database.dataFile().recordCount();
    if (!report.complete())
        error = report.error;
    else if (report.dataFileNotOpen || report.table.lines.size() != groups + 1)
        error = QStringLiteral("the report has no result table of every age group");
    return report;
}

void DocumentationReport(benchmark::State& state)
{
    try {
        const veltra::ReportOptions options = Options();
        for (auto _ : state) {
            QString error;
            const veltra::ReportResult report = Report(options, error);
            if (!error.isEmpty()) {
                state.SkipWithError(qPrintable(error));
                return;
            }
            state.counters["blocks"] = report.document->blockCount();
        }
        state.counters["groups"] = Row().database.dataFile().recordCount();
    } catch (const veltra::VeltraError& e) {
        state.SkipWithError(e.what());
    }
}

void ReportRtf(benchmark::State& state)
{
    try {
        QString error;
        const veltra::ReportResult report = Report(Options(), error);
        if (!error.isEmpty()) {
            state.SkipWithError(qPrintable(error));
            return;
        }
        // The last age group's quantiles close the report, so its last line reaching the
        // RTF shows the whole document was written.
        QStringList lines = veltra::ReportPlainLines(*report.document);
        while (!lines.isEmpty() && lines.constLast().trimmed().isEmpty())
            lines.removeLast();
        const QByteArray lastLine = lines.value(lines.size() - 1).toLatin1();
        QByteArray rtf;
        for (auto _ : state) {
            rtf = veltra::DocumentToRtf(*report.document);
            benchmark::DoNotOptimize(rtf.constData());
        }
        if (!rtf.startsWith("{\\rtf1") || lastLine.isEmpty() || !rtf.contains(lastLine)) {
            state.SkipWithError("the RTF text does not hold the whole report");
            return;
        }
        state.counters["bytes"] = static_cast<double>(rtf.size());
    } catch (const veltra::VeltraError& e) {
        state.SkipWithError(e.what());
    }
}

void FitAnalysisOfAgeGroup(benchmark::State& state)
{
    try {
        const veltra::DataTable& file = Row().database.dataFile();
        for (auto _ : state) {
            const veltra::AgeGroupFits group = AnalyseAgeGroup(file, 1);
            if (group.fits.isEmpty() || group.observed.isEmpty() ||
                group.deviations.size() != group.fits.size()) {
                state.SkipWithError("the age group has no fits or no observed quantiles");
                return;
            }
            state.counters["fits"] = static_cast<double>(group.fits.size());
            state.counters["observed"] = static_cast<double>(group.observed.size());
        }
    } catch (const veltra::VeltraError& e) {
        state.SkipWithError(e.what());
    }
}

#ifdef VELTRA_SAMPLE_DIR
/// The report of the sample database's largest data file, built once.
const veltra::ReportResult& SampleReport()
{
    static const veltra::ReportResult report = [] {
        ReferenceDatabase database(QStringLiteral(VELTRA_SAMPLE_DIR),
                                   QStringLiteral(VELTRA_SAMPLE_DIR));
        database.LoadParameterTable();
        database.LocateParameter(1014);
        veltra::ProtocolLog log;
        const QString name =
            ReferenceDatabase::CurrentText(database.parameters(), QStringLiteral("DataFile"));
        if (database.ConnectDataFile(name, false, log).outcome != veltra::ConnectOutcome::Connected)
            throw veltra::VeltraError(QStringLiteral("ef0010.xml of the sample was not connected"));
        veltra::ReportOptions options;
        options.table.fieldNames = database.dataFieldNames();
        options.table.checked = QList<bool>(options.table.fieldNames.size(), true);
        options.table.sectionFieldNames = veltra::DefaultSectionFieldNames();
        return BuildDocumentationReport(database, options);
    }();
    return report;
}

void SampleReportPdf(benchmark::State& state)
{
    try {
        const veltra::ReportResult& report = SampleReport();
        if (!report.complete()) {
            state.SkipWithError(qPrintable(report.error));
            return;
        }
        QByteArray pdf;
        for (auto _ : state) {
            pdf = veltra::DocumentToPdf(*report.document, veltra::PaperSize::A4,
                                        QStringLiteral("report"));
            benchmark::DoNotOptimize(pdf.constData());
        }
        if (!pdf.startsWith("%PDF-") || !pdf.contains("%%EOF")) {
            state.SkipWithError("no whole PDF was made");
            return;
        }
        state.counters["blocks"] = report.document->blockCount();
        state.counters["bytes"] = static_cast<double>(pdf.size());
    } catch (const veltra::VeltraError& e) {
        state.SkipWithError(e.what());
    }
}

void SampleReportRtf(benchmark::State& state)
{
    try {
        const veltra::ReportResult& report = SampleReport();
        if (!report.complete()) {
            state.SkipWithError(qPrintable(report.error));
            return;
        }
        QByteArray rtf;
        for (auto _ : state) {
            rtf = veltra::DocumentToRtf(*report.document, veltra::PaperSize::A4);
            benchmark::DoNotOptimize(rtf.constData());
        }
        if (!rtf.startsWith("{\\rtf1") || !rtf.contains("QUANTILES")) {
            state.SkipWithError("the RTF text does not hold the whole report");
            return;
        }
        state.counters["bytes"] = static_cast<double>(rtf.size());
    } catch (const veltra::VeltraError& e) {
        state.SkipWithError(e.what());
    }
}
#endif

/// A report whose Info text is one line of state.range(0) characters, as running text.
void LongInfoLinePdf(benchmark::State& state)
{
    try {
        const int length = static_cast<int>(state.range(0));
        QString line;
        line.reserve(length + 16);
        for (int word = 0; line.size() < length; ++word)
            line += QStringLiteral("word%1 ").arg(word);
        line.truncate(length);
        QTextDocument document;
        document.setDefaultFont(veltra::ReportFont());
        QTextCursor cursor(&document);
        cursor.insertText(QStringLiteral("Data Documentation : long.xml"));
        cursor.insertBlock();
        QTextBlockFormat prose;
        prose.setProperty(veltra::ReportBlockKindProperty,
                          static_cast<int>(veltra::ReportBlockKind::Prose));
        prose.setProperty(veltra::ReportBlockGroupProperty, 1);
        cursor.setBlockFormat(prose);
        cursor.insertText(line);
        QByteArray pdf;
        for (auto _ : state) {
            pdf = veltra::DocumentToPdf(document, veltra::PaperSize::A4, QStringLiteral("long"));
            benchmark::DoNotOptimize(pdf.constData());
        }
        if (!pdf.startsWith("%PDF-")) {
            state.SkipWithError("no PDF was made");
            return;
        }
        state.counters["bytes"] = static_cast<double>(pdf.size());
    } catch (const veltra::VeltraError& e) {
        state.SkipWithError(e.what());
    }
}

} // namespace

#ifdef VELTRA_SAMPLE_DIR
BENCHMARK(SampleReportPdf)->Unit(benchmark::kMillisecond);
BENCHMARK(SampleReportRtf)->Unit(benchmark::kMillisecond);
#endif
BENCHMARK(LongInfoLinePdf)
    ->Arg(10000)
    ->Arg(100000)
    ->Arg(1000000)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);
BENCHMARK(DocumentationReport)->Unit(benchmark::kMillisecond);
BENCHMARK(ReportRtf)->Unit(benchmark::kMillisecond);
BENCHMARK(FitAnalysisOfAgeGroup)->Unit(benchmark::kMicrosecond);
