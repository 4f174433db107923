// convert and functions: the conversion of GF lines, from a text file or from an age
// group of a parameter row's data file as the "Selected Functions" view shows it.
#include "cli/CliCommand.h"

#include "convert/AgeGroup.h"
#include "convert/ConvertParameterSets.h"
#include "data/DataTable.h"
#include "data/ReferenceDatabase.h"
#include "tables/TableExport.h"
#include "util/TextLines.h"
#include "util/VeltraError.h"

#include <QFile>

namespace veltra {

void RunConvert(CliContext& context, QStringList args)
{
    const CliArguments arguments(QStringLiteral("convert"), std::move(args), {}, 1);
    const QString file = arguments.at(0);
    QStringList lines;
    if (file.isEmpty() || file == QLatin1String("-")) {
        QFile in;
        if (!in.open(stdin, QIODevice::ReadOnly))
            throw VeltraError(QStringLiteral("Cannot read standard input"));
        lines = TextLines(DecodeText(in.readAll()));
    } else {
        lines = ReadTextLines(file);
    }
    PrintResult(context, ConvertParameterSets(lines));
}

void RunFunctions(CliContext& context, QStringList args)
{
    const QString usage = QStringLiteral("functions needs an ID and at most one GROUP");
    const CliArguments arguments(QStringLiteral("functions"), std::move(args), {}, 2);
    if (arguments.positional().isEmpty())
        throw CliUsageError(usage);
    const qint64 id = IdArgument(context, QStringLiteral("functions"), arguments.at(0), usage);
    int groupNo = 1;
    if (arguments.positional().size() == 2) {
        bool ok = false;
        groupNo = arguments.at(1).toInt(&ok);
        if (!ok)
            throw CliUsageError(QStringLiteral("functions: GROUP must be a whole number"));
    }

    const std::unique_ptr<ReferenceDatabase> database = OpenParameterDataFile(context, id);
    const DataTable& parameters = database->parameters();
    DataTable& dataFile = database->dataFile();
    const int groups = dataFile.recordCount();
    if (groupNo < 1 || groupNo > groups)
        throw VeltraError(QStringLiteral("No age group %1: \"%2\" has %3 age groups")
                              .arg(groupNo)
                              .arg(database->dataFilePath())
                              .arg(groups));
    dataFile.moveTo(groupNo);
    const AgeGroupTexts group = CurrentAgeGroup(dataFile);
    // Without GF lines the view keeps what it showed before; for a file just connected,
    // as here, that is nothing.
    if (group.gfLines.isEmpty())
        return;
    const QString info = ReferenceDatabase::CurrentText(parameters, QStringLiteral("Info"));
    PrintResult(context, SelectedFunctions(CurrentContentText(info), group));
}

} // namespace veltra
