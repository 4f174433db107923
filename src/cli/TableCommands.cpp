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
#include "util/VeltraError.h"
#include "util/uString.h"

#include <QDateTime>
#include <QFileInfo>

namespace veltra {

namespace {

/// The whole number after an option, within [min, max]; anything else is a usage error.
int BoundedOption(QStringList& args, const QString& command, const QString& option, int min,
                  int max)
{
    const QString message = QStringLiteral("%1: %2 needs a whole number from %3 to %4")
                                .arg(command, option)
                                .arg(min)
                                .arg(max);
    if (args.isEmpty())
        throw CliUsageError(message);
    bool ok = false;
    const int value = args.takeFirst().toInt(&ok);
    if (!ok || value < min || value > max)
        throw CliUsageError(message);
    return value;
}

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

    QString file;
    QString output;
    QString columns;
    bool haveColumns = false;
    while (!args.isEmpty()) {
        const QString arg = args.takeFirst();
        if (arg == QLatin1String("--digits")) {
            options.digits = BoundedOption(args, command, arg, 6, 14);
        } else if (arg == QLatin1String("--decimals")) {
            options.decimals = BoundedOption(args, command, arg, 0, 7);
        } else if (arg == QLatin1String("--columns")) {
            if (args.isEmpty())
                throw CliUsageError(QStringLiteral("table: --columns needs field names"));
            columns = args.takeFirst();
            haveColumns = true;
        } else if (workbook && arg == QLatin1String("-o")) {
            if (args.isEmpty())
                throw CliUsageError(QStringLiteral("table: -o needs a file name"));
            output = args.takeFirst();
        } else if (arg.startsWith(QLatin1String("--")) || !file.isEmpty()) {
            throw CliUsageError(QStringLiteral("table: unexpected argument \"%1\"").arg(arg));
        } else {
            file = arg;
        }
    }
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
        for (const QString& name : columns.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
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
    if (args.size() != 2)
        throw CliUsageError(QStringLiteral("formtab needs a FORMATFILE and a DATAFILE"));
    const QStringList formatLines = ReadTextLines(args.at(0));
    DataTable dataFile;
    dataFile.loadFromFile(context.databasePath(args.at(1)));
    PrintResult(context, RunFormattedTable(formatLines, dataFile));
}

void RunCommandTable(CliContext& context, QStringList args)
{
    const QString command = QStringLiteral("command-table");
    const QString usage = QStringLiteral("command-table needs one ID");
    QString idText;
    CommandTableOptions options;
    while (!args.isEmpty()) {
        const QString arg = args.takeFirst();
        if (arg == QLatin1String("--top")) {
            options.top = BoundedOption(args, command, arg, 1, 5);
        } else if (arg == QLatin1String("--exclude-gf")) {
            options.excludeGf = true;
        } else if (arg.startsWith(QLatin1String("--")) || !idText.isEmpty()) {
            throw CliUsageError(
                QStringLiteral("command-table: unexpected argument \"%1\"").arg(arg));
        } else {
            idText = arg;
        }
    }
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
