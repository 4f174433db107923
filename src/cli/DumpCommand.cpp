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
    QString file, filter, index, saveAs;
    QString form = QStringLiteral("utf8");
    bool ignoreCase = false, haveFilter = false, haveIndex = false, haveForm = false;
    while (!args.isEmpty()) {
        const QString arg = args.takeFirst();
        auto value = [&](QString& target) {
            if (args.isEmpty())
                return false;
            target = args.takeFirst();
            return true;
        };
        if (arg == QLatin1String("--filter")) {
            if (!value(filter))
                throw CliUsageError(QStringLiteral("dump: --filter needs an expression"));
            haveFilter = true;
        } else if (arg == QLatin1String("--ignore-case")) {
            ignoreCase = true;
        } else if (arg == QLatin1String("--index")) {
            if (!value(index))
                throw CliUsageError(QStringLiteral("dump: --index needs field names"));
            haveIndex = true;
        } else if (arg == QLatin1String("--save-as")) {
            if (!value(saveAs) || saveAs.isEmpty())
                throw CliUsageError(QStringLiteral("dump: --save-as needs a file name"));
        } else if (arg == QLatin1String("--form")) {
            if (!value(form) || (form != QLatin1String("utf8") && form != QLatin1String("plain")))
                throw CliUsageError(QStringLiteral("dump: --form must be utf8 or plain"));
            haveForm = true;
        } else if (arg.startsWith(QLatin1String("--")) || !file.isEmpty()) {
            throw CliUsageError(QStringLiteral("dump: unexpected argument \"%1\"").arg(arg));
        } else {
            file = arg;
        }
    }
    if (file.isEmpty())
        throw CliUsageError(QStringLiteral("dump: no FILE given"));
    if (haveForm && saveAs.isEmpty())
        throw CliUsageError(QStringLiteral("dump: --form needs --save-as"));

    // Filter and index are checked before the save, so that a command that fails
    // writes no file, and before the output, so that it prints nothing either.
    DataTable table;
    table.loadFromFile(context.databasePath(file));
    FilterOptions options;
    options.ignoreCase = ignoreCase;
    table.setFilterOptions(options);
    if (haveIndex)
        table.setIndexFieldNames(index);
    if (haveFilter) {
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
