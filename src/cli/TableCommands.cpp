// table, formtab and command-table: the result tables of a data file, the table of a
// format file, and the command/parameter table of a parameter row, as the viewer shows
// them.
#include "cli/CliCommand.h"

#include "data/DataTable.h"
#include "data/ReferenceDatabase.h"
#include "tables/CommandTable.h"
#include "tables/FormatLanguage.h"
#include "tables/ResultTable.h"
#include "tables/TableExport.h"
#include "util/GeneratorResult.h"
#include "util/TextLines.h"
#include "util/VeltraError.h"
#include "util/uString.h"

namespace veltra {

void RunTable(CliContext& context, QStringList args)
{
    const QString command = QStringLiteral("table");
    if (args.isEmpty())
        throw CliUsageError(QStringLiteral("table needs fixed, csv or tab and a DATAFILE"));
    const QString formName = args.takeFirst();
    ResultTableOptions options;
    if (formName == QLatin1String("fixed"))
        options.form = ResultTableForm::Formatted;
    else if (formName == QLatin1String("csv"))
        options.form = ResultTableForm::Csv;
    else if (formName == QLatin1String("tab"))
        options.form = ResultTableForm::TabDelimited;
    else
        throw CliUsageError(
            QStringLiteral("table: the form must be fixed, csv or tab, not \"%1\"").arg(formName));

    const CliArguments arguments(command, std::move(args),
                                 {{"--digits", "a whole number"},
                                  {"--decimals", "a whole number"},
                                  {"--columns", "field names"}},
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
    if (file.isEmpty())
        throw CliUsageError(QStringLiteral("table: no DATAFILE given"));

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
    CommandTableSource source;
    source.dataSource = ReferenceDatabase::CurrentText(parameters, QStringLiteral("DataSource"));
    source.variable = ReferenceDatabase::CurrentText(parameters, QStringLiteral("Variable"));
    source.sex = ReferenceDatabase::CurrentText(parameters, QStringLiteral("SEX"));
    source.info = ReferenceDatabase::CurrentText(parameters, QStringLiteral("Info"));
    PrintResult(context, GenerateCommandTable(source, database->dataFile(), options));
}

} // namespace veltra
