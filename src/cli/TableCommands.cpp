// table, formtab and command-table: the result tables of a data file, the table of a
// format file, and the command/parameter table of a parameter row, as the viewer shows
// them.
#include "cli/CliCommand.h"

#include "app/Restrictions.h"
#include "data/DataTable.h"
#include "data/ReferenceDatabase.h"
#include "tables/CommandTable.h"
#include "tables/FormatLanguage.h"
#include "tables/ResultTable.h"
#include "tables/ResultWorkbook.h"
#include "tables/TableExport.h"
#include "util/GeneratorResult.h"
#include "util/TextLines.h"
#include "util/VeltraError.h"
#include "util/uString.h"

#include <QDateTime>
#include <QFileInfo>

namespace veltra {

namespace {

/// Where the data file comes from: the first parameter row whose DataFile names it (file
/// names compared without case), with the restriction lines the viewer shows for it.
/// Without a parameter table in the database, or without such a row, only the data
/// file's name is known.
ResultWorkbookSource WorkbookSource(const CliContext& context, const QString& file)
{
    ResultWorkbookSource source;
    source.dataFileName = QFileInfo(file).fileName();
    source.written = QDateTime::currentDateTime();
    const QString parametersPath = context.databasePath(ReferenceDatabase::ParameterFile);
    if (!QFileInfo(parametersPath).isFile())
        return source;
    DataTable parameters;
    parameters.loadFromFile(parametersPath);
    const int dataFileField = parameters.fieldIndex(QStringLiteral("DataFile"));
    if (dataFileField < 0)
        return source;
    auto text = [&parameters](int row, const char* field) {
        const int index = parameters.fieldIndex(QLatin1String(field));
        return index < 0 ? QString() : parameters.value(row, index);
    };
    for (int row = 0; row < parameters.recordCount(); ++row) {
        const QString named = QFileInfo(parameters.value(row, dataFileField).trimmed()).fileName();
        if (named.compare(source.dataFileName, Qt::CaseInsensitive) != 0)
            continue;
        source.variable = text(row, "Variable");
        source.dataSource = text(row, "DataSource");
        source.info = text(row, "Info");
        source.restrictionLines = RestrictionDisplayLines(source.info);
        break;
    }
    return source;
}

} // namespace

void RunTable(CliContext& context, QStringList args)
{
    const QString command = QStringLiteral("table");
    if (args.isEmpty())
        throw CliUsageError(QStringLiteral("table needs fixed, csv, tab or xlsx and a DATAFILE"));
    const QString formName = args.takeFirst();
    ResultTableOptions options;
    // The workbook has the formatted table's columns, with the names as the file has them.
    const bool workbook = formName == QLatin1String("xlsx");
    if (formName == QLatin1String("fixed") || workbook)
        options.form = ResultTableForm::Formatted;
    else if (formName == QLatin1String("csv"))
        options.form = ResultTableForm::Csv;
    else if (formName == QLatin1String("tab"))
        options.form = ResultTableForm::TabDelimited;
    else
        throw CliUsageError(
            QStringLiteral("table: the form must be fixed, csv, tab or xlsx, not \"%1\"")
                .arg(formName));

    const CliArguments arguments(command, std::move(args),
                                 {{"--digits", "a whole number"},
                                  {"--decimals", "a whole number"},
                                  {"--columns", "field names"},
                                  {"-o", "a file name"}},
                                 1);
    options.digits = arguments.boundedValue("--digits", 6, 14, options.digits);
    options.decimals = arguments.boundedValue("--decimals", 0, 7, options.decimals);
    const QString file = arguments.at(0);
    const bool haveColumns = arguments.has("--columns");
    const QStringList columns =
        arguments.value("--columns").split(QLatin1Char(','), Qt::SkipEmptyParts);
    // "--columns ," names no field: an empty table is no table the viewer can make.
    if (haveColumns && columns.isEmpty())
        throw CliUsageError(QStringLiteral("table: --columns needs field names"));
    const QString output = arguments.value("-o");
    if (!workbook && arguments.has("-o"))
        throw CliUsageError(QStringLiteral("table: -o is for the xlsx form only"));
    if (file.isEmpty())
        throw CliUsageError(QStringLiteral("table: no DATAFILE given"));
    if (workbook && output.isEmpty())
        throw CliUsageError(QStringLiteral("table xlsx: -o FILE.xlsx is needed"));

    DataTable dataFile;
    const QString path = context.databasePath(file);
    dataFile.loadFromFile(path);

    // As when the viewer opens a data file: every field checked, unless --columns names
    // the checked ones.
    options.fieldNames = dataFile.fieldNames();
    options.checked = QList<bool>(options.fieldNames.size(), !haveColumns);
    if (haveColumns) {
        for (const QString& name : columns) {
            const int index = dataFile.fieldIndex(name.trimmed());
            if (index < 0)
                throw VeltraError(
                    QStringLiteral("\"%1\" has no field \"%2\"").arg(path, name.trimmed()));
            options.checked[index] = true;
        }
    }
    // The viewer upper-cases its field names before a CSV or tab-delimited table.
    if (options.form != ResultTableForm::Formatted)
        UpperCaseLines(options.fieldNames);
    options.sectionFieldNames = DefaultSectionFieldNames();
    if (workbook) {
        WriteResultWorkbook(output, dataFile, options, WorkbookSource(context, file));
        return;
    }
    PrintResult(context, GenerateResultTable(dataFile, options));
}

void RunFormTab(CliContext& context, QStringList args)
{
    const CliArguments arguments(QStringLiteral("formtab"), std::move(args), {}, 2);
    if (arguments.positional().size() != 2)
        throw CliUsageError(QStringLiteral("formtab needs a FORMATFILE and a DATAFILE"));
    const QStringList formatLines = ReadTextLines(arguments.at(0));
    DataTable dataFile;
    dataFile.loadFromFile(context.databasePath(arguments.at(1)));
    // The lines the table view shows: a memo value's line breaks break the line there.
    GeneratorResult result = RunFormattedTable(formatLines, dataFile);
    result.lines = ShownLines(result.lines);
    PrintResult(context, result);
}

void RunCommandTable(CliContext& context, QStringList args)
{
    const QString command = QStringLiteral("command-table");
    const QString usage = QStringLiteral("command-table needs one ID");
    const CliArguments arguments(command, std::move(args),
                                 {{"--top", "a whole number"}, {"--exclude-gf"}}, 1);
    CommandTableOptions options;
    options.top = arguments.boundedValue("--top", 1, 5, options.top);
    options.excludeGf = arguments.has("--exclude-gf");
    const QString idText = arguments.at(0);
    if (idText.isEmpty())
        throw CliUsageError(usage);
    const qint64 id = IdArgument(context, command, idText, usage);

    const std::unique_ptr<ReferenceDatabase> database = OpenParameterDataFile(context, id);
    const DataTable& parameters = database->parameters();
    PrintResult(context, GenerateCommandTable(CurrentCommandTableSource(parameters),
                                              database->dataFile(), options));
}

} // namespace veltra
