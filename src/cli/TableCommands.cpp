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
#include "util/VeltraError.h"
#include "util/uString.h"

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

} // namespace

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

    QString file;
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
        } else if (arg.startsWith(QLatin1String("--")) || !file.isEmpty()) {
            throw CliUsageError(QStringLiteral("table: unexpected argument \"%1\"").arg(arg));
        } else {
            file = arg;
        }
    }
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
