// list: the check lists of the headline, topic and parameter tables, as the viewer's
// "&Checks" menu appends them to its protocol log.
#include "cli/CliCommand.h"

#include "data/DataTable.h"
#include "data/ReferenceDatabase.h"
#include "reports/CheckLists.h"

#include <QDir>
#include <QFileInfo>

namespace veltra {

namespace {

const char* const ListUsage = "list: name headlines, topics or parameters";

/// The "Order by" items of the viewer by their names on the command line, in item order.
const QStringList OrderNames = {QStringLiteral("varnames"), QStringLiteral("restriction"),
                                QStringLiteral("a+b"), QStringLiteral("datasource")};

/// The viewer's initial "Order by" item, "A + B".
constexpr int DefaultOrder = 2;

/// A hierarchy table of the database directory, loaded and ordered as the viewer orders it.
void LoadTable(const CliContext& context, DataTable& table, const QString& fileName,
               const QString& order)
{
    table.loadFromFile(context.databasePath(fileName));
    table.setIndexFieldNames(order);
}

} // namespace

void RunList(CliContext& context, QStringList args)
{
    const QString orderNames = OrderNames.join(u'|');
    const QByteArray orderValue = orderNames.toUtf8();
    const CliArguments arguments(QStringLiteral("list"), std::move(args),
                                 {{"--order", orderValue.constData()}}, 1);
    const QString list = arguments.at(0);
    if (list.isNull())
        throw CliUsageError(QLatin1String(ListUsage));
    int order = DefaultOrder;
    if (arguments.has("--order")) {
        if (list != QLatin1String("parameters"))
            throw CliUsageError(QStringLiteral("list: --order is for the parameter list"));
        order = OrderNames.indexOf(arguments.value("--order"));
        if (order < 0)
            throw CliUsageError(QStringLiteral("list: --order must be one of %1").arg(orderNames));
    }

    DataTable table;
    if (list == QLatin1String("headlines")) {
        LoadTable(context, table, ReferenceDatabase::HeadlineFile, QStringLiteral("STRC"));
        PrintResult(context, HeadlineList(table));
    } else if (list == QLatin1String("topics")) {
        LoadTable(context, table, ReferenceDatabase::TopicFile, QStringLiteral("Parameter"));
        PrintResult(context, TopicList(table));
    } else if (list == QLatin1String("parameters")) {
        LoadTable(context, table, ReferenceDatabase::ParameterFile,
                  ReferenceDatabase::ParameterOrders.at(order));
        // The database directory stands for the viewer's current folder, where it reads
        // the hierarchy files and looks for the listed data files; the run directory is
        // the one the other commands find data files in.
        PrintResult(
            context,
            ParameterList(table, QDir::cleanPath(context.dbDir), [&context](const QString& name) {
                return QFileInfo(context.databasePath(name)).isFile();
            }));
    } else {
        throw CliUsageError(QStringLiteral("list: unknown list \"%1\"; name headlines, topics or "
                                           "parameters")
                                .arg(list));
    }
}

} // namespace veltra
