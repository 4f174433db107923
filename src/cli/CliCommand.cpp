#include "cli/CliCommand.h"

#include "data/ReferenceDatabase.h"
#include "util/GeneratorResult.h"
#include "util/ProtocolLog.h"
#include "util/VeltraError.h"

#include <QDir>
#include <QFileInfo>

namespace veltra {

void CliContext::printLines(const QStringList& lines)
{
    for (const QString& line : lines)
        printLine(line);
}

QString CliContext::databasePath(const QString& name) const
{
    return QFileInfo(name).isAbsolute() ? name : QDir(dbDir).filePath(name);
}

namespace {

/// "-3" and "-2147483648" are numbers, not options.
bool LooksLikeOption(const QString& arg)
{
    if (arg.size() < 2 || !arg.startsWith(QLatin1Char('-')))
        return false;
    bool number = false;
    (void)arg.toDouble(&number);
    return !number;
}

} // namespace

CliArguments::CliArguments(const QString& command, QStringList args,
                           std::initializer_list<CliOption> options, qsizetype maxPositional)
    : m_command(command)
{
    bool optionsEnded = false;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& arg = args.at(i);
        if (optionsEnded || !LooksLikeOption(arg)) {
            if (m_positional.size() == maxPositional)
                throw CliUsageError(
                    QStringLiteral("%1: unexpected argument \"%2\"").arg(command, arg));
            m_positional << arg;
            continue;
        }
        if (arg == QLatin1String("--")) {
            optionsEnded = true;
            continue;
        }
        const CliOption* option = nullptr;
        for (const CliOption& known : options) {
            if (arg == QLatin1String(known.name))
                option = &known;
        }
        if (!option)
            throw CliUsageError(QStringLiteral("%1: unknown option \"%2\"").arg(command, arg));
        if (m_values.contains(arg))
            throw CliUsageError(
                QStringLiteral("%1: option \"%2\" given more than once").arg(command, arg));
        QString value;
        if (option->value) {
            if (i + 1 == args.size() || (args.at(i + 1).isEmpty() && !option->allowEmpty))
                throw CliUsageError(QStringLiteral("%1: %2 needs %3")
                                        .arg(command, arg, QLatin1String(option->value)));
            value = args.at(++i);
        }
        m_values.insert(arg, value);
    }
}

int CliArguments::boundedValue(const char* name, int min, int max, int fallback) const
{
    if (!has(name))
        return fallback;
    bool ok = false;
    const int number = value(name).toInt(&ok);
    if (!ok || number < min || number > max)
        throw CliUsageError(QStringLiteral("%1: %2 needs a whole number from %3 to %4")
                                .arg(m_command, QLatin1String(name))
                                .arg(min)
                                .arg(max));
    return number;
}

qint64 IdArgument(CliContext& context, const QString& command, const QString& text,
                  const QString& usageMessage)
{
    bool ok = false;
    const qint64 id = text.toLongLong(&ok);
    if (!ok) {
        context.err << "veltra-cli: " << command << ": ID must be a whole number\n";
        throw CliUsageError(usageMessage);
    }
    return id;
}

std::unique_ptr<ReferenceDatabase> OpenParameterRow(const CliContext& context, qint64 id)
{
    // The run directory is joined with the data file name by a slash, so it loses a
    // trailing one, as the viewer's does.
    auto database =
        std::make_unique<ReferenceDatabase>(QDir::cleanPath(context.dbDir), context.dbDir);
    database->LoadParameterTable();
    database->LocateParameter(id);
    return database;
}

std::unique_ptr<ReferenceDatabase> OpenParameterDataFile(const CliContext& context, qint64 id)
{
    std::unique_ptr<ReferenceDatabase> database = OpenParameterRow(context, id);
    ConnectCurrentDataFile(*database, id);
    return database;
}

void PrintResult(CliContext& context, const GeneratorResult& result)
{
    context.printLines(result.lines);
    result.throwIfStopped();
}

} // namespace veltra
