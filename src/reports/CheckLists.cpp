#include "reports/CheckLists.h"

#include "data/DataTable.h"
#include "util/VeltraError.h"
#include "util/uString.h"

#include <QFileInfo>
#include <exception>

namespace veltra {

namespace {

const QString StarLine(62, QLatin1Char('*'));

/// The lines every list starts with: an empty line, the star line and the title.
QStringList ListTitle(const QString& title)
{
    return {QString(), StarLine, title};
}

/// A row of a list: the running number, then each text right-aligned in its width (a
/// longer text is kept whole and shifts the columns after it).
QString Row(int n, const QList<QPair<QString, int>>& columns)
{
    QString line = FormatIntWidth(n, 6);
    for (const auto& [text, width] : columns)
        line += PadLeftTo(text, width);
    return line;
}

/// Appends a line per row of the table, from its first row on, made by rowLine. A row that
/// fails stops the list there with the failure's message.
template <typename RowLine>
void WalkRows(DataTable& table, GeneratorResult& result, RowLine rowLine)
{
    int row = 0;
    try {
        for (table.first(); !table.eof(); table.next()) {
            result.lines << rowLine(row + 1);
            ++row;
        }
    } catch (const VeltraError& error) {
        result.stop(row, error.message());
    } catch (const std::exception& error) {
        result.stop(row, QString::fromLocal8Bit(error.what()));
    }
}

/// The walk of a list that shows every row whatever the table's filter: the filter is
/// switched off for the walk and on again afterwards when it was on, also after a failure.
/// A failure of the switch itself stops the list (the first failure is the one reported).
template <typename RowLine>
void WalkAllRows(DataTable& table, GeneratorResult& result, const QString& header, RowLine rowLine)
{
    const bool filtered = table.isFiltered();
    try {
        table.setFiltered(false);
        result.lines << header << QString();
        WalkRows(table, result, rowLine);
    } catch (const VeltraError& error) {
        result.fail(error.message());
    }
    if (filtered) {
        try {
            table.setFiltered(true);
        } catch (const VeltraError& error) {
            if (result.complete())
                result.stop(table.recordCount(), error.message());
        }
    }
}

} // namespace

bool FileExistsInCurrentFolder(const QString& name)
{
    return QFileInfo(name).isFile();
}

QString DataFileStatus(const QString& dataFile, const FileExistsTest& exists)
{
    if (dataFile.isEmpty())
        return PadLeftTo(QStringLiteral("NOLINK"), 10);
    const QString dbf = exists(dataFile) ? QStringLiteral("DBF") : QStringLiteral("UNDEF");
    const QString xml = exists(ReplaceExtension(dataFile, QStringLiteral("xml")))
                            ? QStringLiteral("XML")
                            : QStringLiteral("UNDEF");
    return PadLeftTo(dbf, 10) + PadLeftTo(xml, 10);
}

GeneratorResult HeadlineList(DataTable& headlines)
{
    GeneratorResult result;
    result.lines = ListTitle(QStringLiteral("LIST OF HEADLINES"));
    result.lines << QString();
    result.lines << PadLeftTo(QStringLiteral("I"), 6) + PadLeftTo(QStringLiteral("TOP"), 6) +
                        PadLeftTo(QStringLiteral("HEADLINES"), 25)
                 << QString();
    WalkRows(headlines, result, [&](int n) {
        return Row(n, {{headlines.fieldText(QStringLiteral("Top")), 6},
                       {headlines.fieldText(QStringLiteral("Topic")), 25}});
    });
    if (result.complete())
        result.lines << QString();
    return result;
}

GeneratorResult TopicList(DataTable& topics)
{
    GeneratorResult result;
    result.lines = ListTitle(QStringLiteral("LIST OF TOPICS"));
    result.lines << QString();
    const QString header = PadLeftTo(QStringLiteral("i"), 6) + PadLeftTo(QStringLiteral("PS"), 6) +
                           PadLeftTo(QStringLiteral("TOPICS"), 28) +
                           PadLeftTo(QStringLiteral("TOP"), 6);
    WalkAllRows(topics, result, header, [&](int n) {
        return Row(n, {{topics.fieldText(QStringLiteral("PS")), 6},
                       {topics.fieldText(QStringLiteral("Parameter")), 28},
                       {topics.fieldText(QStringLiteral("TOP")), 6}});
    });
    if (result.complete())
        result.lines << QString();
    return result;
}

QStringList ParameterListHead(const QString& runDir)
{
    return ListTitle(QStringLiteral("LIST OF PARAMETER & DATA SOURCES"))
           << QStringLiteral("MAIN DIR.: ") + runDir << QString();
}

GeneratorResult ParameterList(DataTable& parameters, const QString& runDir,
                              const FileExistsTest& exists)
{
    GeneratorResult result;
    result.lines = ParameterListHead(runDir);
    const QString header = PadLeftTo(QStringLiteral("i"), 6) + PadLeftTo(QStringLiteral("PS"), 6) +
                           PadLeftTo(QStringLiteral("SEX"), 4) +
                           PadLeftTo(QStringLiteral("DATA SOURCE"), 32) +
                           PadLeftTo(QStringLiteral("DATA FILE"), 40);
    WalkAllRows(parameters, result, header, [&](int n) {
        const QString dataFile = parameters.fieldText(QStringLiteral("DataFile"));
        return Row(n, {{parameters.fieldText(QStringLiteral("PS")), 6},
                       {parameters.fieldText(QStringLiteral("Sex")), 4},
                       {parameters.fieldText(QStringLiteral("DataSource")), 32},
                       {dataFile, 40}}) +
               DataFileStatus(dataFile, exists);
    });
    if (result.complete())
        result.lines << QString();
    return result;
}

} // namespace veltra
