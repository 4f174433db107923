// convert and functions: the conversion of GF lines, from a text file or from an age
// group of a parameter row's data file as the "Selected Functions" view shows it.
#include "cli/CliCommand.h"

#include "convert/AgeGroup.h"
#include "convert/ConvertParameterSets.h"
#include "data/DataTable.h"
#include "data/ReferenceDatabase.h"
#include "util/ProtocolLog.h"
#include "util/TextLines.h"
#include "util/VeltraError.h"

#include <QFile>
#include <QStringDecoder>

namespace veltra {

namespace {

/// Text files of GF lines come from other programs: UTF-8 when the bytes are valid
/// UTF-8, otherwise the Windows-1252 code page of stored files.
QString DecodeTextFile(const QByteArray& bytes)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8(bytes);
    if (!utf8.hasError())
        return text;
    QStringDecoder cp1252("windows-1252");
    if (cp1252.isValid())
        return cp1252(bytes);
    return QString::fromLatin1(bytes);
}

/// Prints the generator's lines, then reports where it stopped: the rows completed
/// before a failing line stay on stdout above the error.
void PrintResult(CliContext& context, const GeneratorResult& result)
{
    context.printLines(result.lines);
    result.throwIfStopped();
}

} // namespace

void RunConvert(CliContext& context, QStringList args)
{
    if (args.size() > 1)
        throw CliUsageError(QStringLiteral("convert: at most one FILE"));
    QByteArray bytes;
    if (args.isEmpty() || args.first() == QLatin1String("-")) {
        QFile in;
        if (!in.open(stdin, QIODevice::ReadOnly))
            throw VeltraError(QStringLiteral("Cannot read standard input"));
        bytes = in.readAll();
    } else {
        QFile in(args.first());
        if (!in.open(QIODevice::ReadOnly))
            throw VeltraError(
                QStringLiteral("Cannot open \"%1\": %2").arg(args.first(), in.errorString()));
        bytes = in.readAll();
    }
    PrintResult(context, ConvertParameterSets(TextLines(DecodeTextFile(bytes))));
}

void RunFunctions(CliContext& context, QStringList args)
{
    const QString usage = QStringLiteral("functions needs an ID and at most one GROUP");
    if (args.isEmpty() || args.size() > 2)
        throw CliUsageError(usage);
    const qint64 id = IdArgument(context, QStringLiteral("functions"), args.at(0), usage);
    int groupNo = 1;
    if (args.size() == 2) {
        bool ok = false;
        groupNo = args.at(1).toInt(&ok);
        if (!ok)
            throw CliUsageError(QStringLiteral("functions: GROUP must be a whole number"));
    }

    const std::unique_ptr<ReferenceDatabase> database = OpenParameterRow(context, id);
    const DataTable& parameters = database->parameters();
    database->DataFileName = ReferenceDatabase::CurrentText(parameters, QStringLiteral("DataFile"));
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

    DataTable& dataFile = database->dataFile();
    const int groups = dataFile.recordCount();
    if (groupNo < 1 || groupNo > groups)
        throw VeltraError(QStringLiteral("No age group %1: \"%2\" has %3 age groups")
                              .arg(groupNo)
                              .arg(database->DataFilePath)
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
