// Timings of the table generators on a data file of 1,000 age groups with 30 fields
// (27 statistics, the GF lines, moments and quantiles): the formatted, CSV and
// tab-delimited result tables, the user-formatted table of every field and the
// command/parameter table, the spreadsheet copy of the formatted table and the Excel
// workbook of the result table. Each should take well under 50 ms.
#include "data/DataTable.h"
#include "tables/CommandTable.h"
#include "tables/FormatLanguage.h"
#include "tables/ResultTable.h"
#include "tables/ResultWorkbook.h"
#include "tables/TableExport.h"
#include "util/NumberFormat.h"
#include "util/VeltraError.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>

namespace {

using veltra::DataTable;
using veltra::GeneratorResult;

constexpr int AgeGroups = 1000;

const char* const StatisticFields[] = {"NOBS", "MEAN", "SD",  "GM",  "GSD", "MIN", "P01", "P02",
                                       "P05",  "P10",  "P20", "P25", "P30", "P40", "P50", "P60",
                                       "P70",  "P75",  "P80", "P90", "P95", "P98", "P99", "MAX"};

QByteArray Attribute(const char* name, const QString& value)
{
    QString escaped = value;
    escaped.replace(QLatin1Char('&'), QLatin1String("&amp;"))
        .replace(QLatin1Char('<'), QLatin1String("&lt;"))
        .replace(QLatin1Char('"'), QLatin1String("&quot;"))
        .replace(QLatin1Char('\r'), QLatin1String("&#013;"))
        .replace(QLatin1Char('\n'), QLatin1String("&#010;"));
    return QByteArray(" ") + name + "=\"" + escaped.toLatin1() + '"';
}

/// The GF lines of an age group: the GF approximation and four fitted distributions.
QString GfLines(double mu, double sigma, double ks)
{
    const QString n = QStringLiteral("\r\n");
    auto g = [](double x) { return QString::number(x, 'g', 8); };
    return QStringLiteral("TYPE=GeneralF;") + n +
           QStringLiteral("PT= 0 200 200 %1 %2;").arg(g(std::exp(mu)), g(0.14 / sigma)) + n +
           QStringLiteral("KS=%1;").arg(ks, 0, 'f', 4) + n + QStringLiteral("TYPE=Lognormal;") + n +
           QStringLiteral("PT=0 %1 %2;").arg(g(std::exp(-mu)), g(1 / sigma)) + n +
           QStringLiteral("KS=%1;").arg(ks * 1.1, 0, 'f', 4) + n + QStringLiteral("TYPE=Gamma;") +
           n + QStringLiteral("PT=0 %1 %2;").arg(g(1 / (sigma * sigma)), g(0.8 / std::exp(mu))) +
           n + QStringLiteral("KS=%1;").arg(ks * 1.6, 0, 'f', 4) + n +
           QStringLiteral("TYPE=Weibull;") + n +
           QStringLiteral("PT=0 %1 %2;").arg(g(1.2 / sigma), g(std::exp(mu) * 1.1)) + n +
           QStringLiteral("KS=%1;").arg(ks * 1.9, 0, 'f', 4) + n +
           QStringLiteral("TYPE=Loglogistisch;") + n +
           QStringLiteral("PT=0 %1 %2;").arg(g(std::exp(-mu)), g(1.8 / sigma)) + n +
           QStringLiteral("KS=%1;").arg(ks * 2.3, 0, 'f', 4) + n;
}

/// A data file of AgeGroups rows: AGEGRP, AGEMin, AGEMax, the 24 statistics and the
/// three section memos, 30 fields in all.
QByteArray DataFilePacket()
{
    QByteArray out = "<?xml version=\"1.0\" standalone=\"yes\"?>\n<DATAPACKET Version=\"2.0\">"
                     "<METADATA><FIELDS><FIELD attrname=\"AGEGRP\" fieldtype=\"string\" "
                     "WIDTH=\"24\"/><FIELD attrname=\"AGEMin\" fieldtype=\"r8\"/>"
                     "<FIELD attrname=\"AGEMax\" fieldtype=\"r8\"/>";
    for (const char* name : StatisticFields)
        out += QByteArray("<FIELD attrname=\"") + name + "\" fieldtype=\"r8\"/>";
    for (const char* name : {"GENERALF", "MOMENTS", "QUANTILES"})
        out +=
            QByteArray("<FIELD attrname=\"") + name + "\" fieldtype=\"bin.hex\" SUBTYPE=\"Text\"/>";
    out += "</FIELDS><PARAMS/></METADATA><ROWDATA>\n";
    for (int group = 0; group < AgeGroups; ++group) {
        const double mu = 1.0 + 0.002 * group;
        const double sigma = 0.2 + 0.0005 * (group % 400);
        out += "<ROW";
        out += Attribute("AGEGRP", QStringLiteral("%1 - <%2 years").arg(group).arg(group + 1));
        out += Attribute("AGEMin", QString::number(group));
        out += Attribute("AGEMax", QString::number(group + 1));
        int k = 0;
        for (const char* name : StatisticFields) {
            const double value = k == 0 ? 100 + group % 500 : std::exp(mu + sigma * (k - 12) / 6.0);
            out += Attribute(name, QString::number(value, 'g', 6));
            ++k;
        }
        out += Attribute("GENERALF", GfLines(mu, sigma, 0.01 + 0.00003 * group));
        out += Attribute("MOMENTS", QStringLiteral("Moments, N = %1\r\nArithmetic mean  %2\r\n")
                                        .arg(100 + group % 500)
                                        .arg(std::exp(mu + sigma * sigma / 2)));
        out += Attribute("QUANTILES",
                         QStringLiteral("Quantiles\r\n   P50   %1\r\n").arg(std::exp(mu)));
        out += "/>\n";
    }
    out += "</ROWDATA></DATAPACKET>\n";
    return out;
}

const DataTable& DataFile()
{
    static const std::unique_ptr<DataTable> table = [] {
        auto t = std::make_unique<DataTable>();
        t->loadFromData(DataFilePacket(), QStringLiteral("bench-1000-groups.xml"));
        return t;
    }();
    return *table;
}

veltra::ResultTableOptions Options(veltra::ResultTableForm form)
{
    const DataTable& table = DataFile();
    veltra::ResultTableOptions options;
    options.form = form;
    options.fieldNames = table.fieldNames();
    options.checked = QList<bool>(options.fieldNames.size(), true);
    options.sectionFieldNames = veltra::DefaultSectionFieldNames();
    return options;
}

/// Runs the generator once per iteration and checks each result: it ran to the end and
/// made the expected number of lines.
template <typename Generate>
void Measure(benchmark::State& state, int expectedLines, Generate generate)
{
    veltra::SetDecimalSeparator(QChar(u'.'));
    try {
        (void)DataFile();
    } catch (const veltra::VeltraError& e) {
        state.SkipWithError(e.what());
        return;
    }
    for (auto _ : state) {
        const GeneratorResult result = generate();
        if (!result.complete() || result.lines.size() != expectedLines) {
            state.SkipWithError(result.complete() ? "unexpected number of lines"
                                                  : qPrintable(result.error));
            return;
        }
        benchmark::DoNotOptimize(result.lines.constData());
    }
    state.counters["groups"] = AgeGroups;
    state.counters["fields"] = DataFile().fieldCount();
}

void ResultTableFormatted(benchmark::State& state)
{
    const auto options = Options(veltra::ResultTableForm::Formatted);
    Measure(state, AgeGroups + 1, [&] { return GenerateResultTable(DataFile(), options); });
}

void ResultTableCsv(benchmark::State& state)
{
    const auto options = Options(veltra::ResultTableForm::Csv);
    Measure(state, AgeGroups + 1, [&] { return GenerateResultTable(DataFile(), options); });
}

void ResultTableTabDelimited(benchmark::State& state)
{
    const auto options = Options(veltra::ResultTableForm::TabDelimited);
    Measure(state, AgeGroups + 1, [&] { return GenerateResultTable(DataFile(), options); });
}

void UserFormattedTable(benchmark::State& state)
{
    // The format "&All" makes: every field with F9.2.
    QStringList format;
    for (const QString& name : DataFile().fieldNames())
        format << name + QStringLiteral(" F9.2");
    Measure(state, AgeGroups + 1, [&] { return RunFormattedTable(format, DataFile()); });
}

void CommandTable(benchmark::State& state)
{
    const veltra::CommandTableSource source{
        QStringLiteral("Synthetic Survey 2007"), QStringLiteral("VAR_1"), QStringLiteral("A"),
        QStringLiteral("Synthetic variable of the benchmark\r\nVariable   VAR_1\r\n")};
    // Four description lines, then per group the caption, lines 0 to 3 and an empty line.
    Measure(state, 4 + AgeGroups * 6, [&] {
        return GenerateCommandTable(source, DataFile(), {2, false});
    });
}

void SpreadsheetCopy(benchmark::State& state)
{
    // The clipboard text of TableTo&Excel on the formatted table: cut at its columns.
    veltra::SetDecimalSeparator(QChar(u'.'));
    const GeneratorResult table =
        GenerateResultTable(DataFile(), Options(veltra::ResultTableForm::Formatted));
    const veltra::TableTextLayout layout{veltra::TableTextKind::Formatted, table.columnWidths,
                                         table.headerWidths};
    for (auto _ : state) {
        const QStringList lines = veltra::SpreadsheetLines(table.lines, layout);
        if (lines.size() != AgeGroups + 1) {
            state.SkipWithError("unexpected number of lines");
            return;
        }
        benchmark::DoNotOptimize(lines.constData());
    }
}

void ResultWorkbook(benchmark::State& state)
{
    // The .xlsx bytes of the result table of every field and its Source sheet.
    veltra::SetDecimalSeparator(QChar(u'.'));
    veltra::ResultWorkbookSource source;
    source.variable = QStringLiteral("VAR_1");
    source.dataSource = QStringLiteral("Synthetic Survey 2007");
    source.dataFileName = QStringLiteral("bench-1000-groups.xml");
    source.info = QStringLiteral("Synthetic variable of the benchmark\r\nVariable   VAR_1\r\n");
    try {
        for (auto _ : state) {
            const QByteArray bytes = veltra::BuildWorkbook(veltra::ResultWorkbookSheets(
                DataFile(), Options(veltra::ResultTableForm::Formatted), source));
            benchmark::DoNotOptimize(bytes.constData());
            state.counters["bytes"] = static_cast<double>(bytes.size());
        }
    } catch (const veltra::VeltraError& e) {
        state.SkipWithError(e.what());
    }
}

} // namespace

BENCHMARK(SpreadsheetCopy)->Unit(benchmark::kMillisecond);
BENCHMARK(ResultWorkbook)->Unit(benchmark::kMillisecond);
BENCHMARK(ResultTableFormatted)->Unit(benchmark::kMillisecond);
BENCHMARK(ResultTableCsv)->Unit(benchmark::kMillisecond);
BENCHMARK(ResultTableTabDelimited)->Unit(benchmark::kMillisecond);
BENCHMARK(UserFormattedTable)->Unit(benchmark::kMillisecond);
BENCHMARK(CommandTable)->Unit(benchmark::kMillisecond);
