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
    database->DataFileName =
        ReferenceDatabase::CurrentText(database->parameters(), QStringLiteral("DataFile"));
    ProtocolLog log;
    switch (database->ConnectDataFile(false, log)) {
    case ConnectOutcome::NoDataFile:
        throw VeltraError(QStringLiteral("Parameter row ID %1 has no data file").arg(id));
    case ConnectOutcome::Missing:
        // The protocol line names the path the file was looked for at.
        throw VeltraError(log.lines().value(log.lines().size() - 1));
    case ConnectOutcome::LoadFailed:
        throw VeltraError(database->LastLoadError);
    default:
        break;
    }
    return database;
}

void PrintResult(CliContext& context, const GeneratorResult& result)
{
    context.printLines(result.lines);
    result.throwIfStopped();
}

} // namespace veltra
