// restrictions and update-status: the two texts of the restriction panel below a
// parameter row's Info.
#include "cli/CliCommand.h"

#include "app/Restrictions.h"
#include "data/ReferenceDatabase.h"

#include <QDir>

namespace veltra {

namespace {

QString Field(const ReferenceDatabase& database, const char* name)
{
    return ReferenceDatabase::CurrentText(database.parameters(), QLatin1String(name));
}

} // namespace

void RunRestrictions(CliContext& context, QStringList args)
{
    const QString usage = QStringLiteral("restrictions needs one ID");
    const CliArguments arguments(QStringLiteral("restrictions"), std::move(args), {}, 1);
    if (arguments.positional().isEmpty())
        throw CliUsageError(usage);
    const qint64 id = IdArgument(context, QStringLiteral("restrictions"), arguments.at(0), usage);
    const std::unique_ptr<ReferenceDatabase> database = OpenParameterRow(context, id);
    context.printLines(RestrictionDisplayLines(Field(*database, "Info")));
}

void RunUpdateStatus(CliContext& context, QStringList args)
{
    const QString usage = QStringLiteral("update-status needs one ID");
    const CliArguments arguments(QStringLiteral("update-status"), std::move(args), {}, 1);
    if (arguments.positional().isEmpty())
        throw CliUsageError(usage);
    const qint64 id = IdArgument(context, QStringLiteral("update-status"), arguments.at(0), usage);
    const std::unique_ptr<ReferenceDatabase> database = OpenParameterRow(context, id);
    // The viewer looks the two files up by their plain names in the current directory,
    // which is the database directory; the lines name them the same way. The command is
    // all this process does, so the directory is not changed back.
    QDir::setCurrent(context.dbDir);
    context.printLines(UpdateStatusLines(ReferenceDatabase::ParameterFile,
                                         Field(*database, "DataFile"), Field(*database, "FileType"),
                                         Field(*database, "Change")));
}

} // namespace veltra
