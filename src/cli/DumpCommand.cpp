// dump: a table file's fields and the rows the table shows after a filter and an order.
#include "cli/CliCommand.h"

#include "data/DataTable.h"

namespace veltra {

namespace {

/// Escapes a value so that one value is one line: backslash, CR, LF and TAB.
QString EscapeValue(const QString& value)
{
    QString out;
    out.reserve(value.size());
    for (QChar c : value) {
        switch (c.unicode()) {
        case u'\\':
            out += QLatin1String("\\\\");
            break;
        case u'\r':
            out += QLatin1String("\\r");
            break;
        case u'\n':
            out += QLatin1String("\\n");
            break;
        case u'\t':
            out += QLatin1String("\\t");
            break;
        default:
            out += c;
        }
    }
    return out;
}

} // namespace

void RunDump(CliContext& context, QStringList args)
{
    const CliArguments arguments(QStringLiteral("dump"), std::move(args),
                                 {{"--filter", "an expression", true},
                                  {"--ignore-case"},
                                  {"--index", "field names", true},
                                  {"--save-as", "a file name"},
                                  {"--form", "utf8 or plain"}},
                                 1);
    const QString file = arguments.at(0);
    if (file.isEmpty())
        throw CliUsageError(QStringLiteral("dump: no FILE given"));
    const QString filter = arguments.value("--filter");
    const QString index = arguments.value("--index");
    const QString saveAs = arguments.value("--save-as");
    const QString form =
        arguments.has("--form") ? arguments.value("--form") : QStringLiteral("utf8");
    if (form != QLatin1String("utf8") && form != QLatin1String("plain"))
        throw CliUsageError(QStringLiteral("dump: --form must be utf8 or plain"));
    if (arguments.has("--form") && saveAs.isEmpty())
        throw CliUsageError(QStringLiteral("dump: --form needs --save-as"));

    // Filter and index are checked before the save, so that a command that fails
    // writes no file, and before the output, so that it prints nothing either.
    DataTable table;
    table.loadFromFile(context.databasePath(file));
    FilterOptions options;
    options.ignoreCase = arguments.has("--ignore-case");
    table.setFilterOptions(options);
    if (arguments.has("--index"))
        table.setIndexFieldNames(index);
    if (arguments.has("--filter")) {
        table.setFilter(filter);
        table.setFiltered(true);
    }
    if (!saveAs.isEmpty())
        table.saveToFile(saveAs,
                         form == QLatin1String("plain") ? PacketForm::Plain : PacketForm::Utf8);

    for (const FieldDef& field : table.fields()) {
        QString line = QStringLiteral("FIELD ") + field.name + QLatin1Char(' ') + field.typeName;
        if (field.width > 0)
            line += QStringLiteral(" WIDTH=") + QString::number(field.width);
        if (!field.subtype.isEmpty())
            line += QStringLiteral(" SUBTYPE=") + field.subtype;
        context.printLine(line);
    }

    const int count = table.recordCount();
    const int fieldCount = table.fieldCount();
    const QList<FieldDef>& fields = table.fields();
    for (int row = 0; row < count; ++row) {
        context.printLine(QStringLiteral("ROW ") + QString::number(row + 1));
        for (int f = 0; f < fieldCount; ++f)
            context.printLine(QStringLiteral("  ") + fields[f].name + QLatin1Char('=') +
                              EscapeValue(table.value(row, f)));
    }
    context.printLine(QString::number(count) + QStringLiteral(" rows"));
}

} // namespace veltra
