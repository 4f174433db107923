#include "data/UpdateMarkers.h"

#include "data/DataTable.h"
#include "data/ReferenceDatabase.h"
#include "util/LocaleText.h"
#include "util/ProtocolLog.h"
#include "util/VeltraError.h"
#include "util/uString.h"

#include <QDateTime>

namespace veltra {

namespace {

const QString FileTypeField = QStringLiteral("FileType");
const QString ChangeField = QStringLiteral("Change");

/// Cancels an edit that a failure left open, so a failed command leaves the row as it was.
class EditScope
{
public:
    explicit EditScope(DataTable& table) : m_table(table) { m_table.edit(); }
    ~EditScope()
    {
        if (m_table.isEditing())
            m_table.cancel();
    }
    EditScope(const EditScope&) = delete;
    EditScope& operator=(const EditScope&) = delete;

private:
    DataTable& m_table;
};

/// The width of the parameter table's Change field.
constexpr qsizetype ChangeFieldWidth = 10;

void MarkCurrentRow(DataTable& parameters, ChangeSave save, const QDate& date)
{
    const QString before = parameters.fieldText(FileTypeField);
    parameters.setFieldText(FileTypeField, UpdatedFileType(before, save));
    parameters.setFieldText(ChangeField, ChangeDateText(date, QLocale::system(), ChangeFieldWidth));
}

} // namespace

QString UpdatedFileType(const QString& before, ChangeSave save)
{
    if (save == ChangeSave::ParameterTable) {
        // "D" is cleared, and the cleared value is not marked "A" again: the letter that
        // decides is the one the row had.
        if (before.isEmpty())
            return QStringLiteral("A");
        if (before == QLatin1String("B"))
            return QStringLiteral("C");
        if (before == QLatin1String("D"))
            return QString();
        return before;
    }
    if (before.isEmpty())
        return QStringLiteral("B");
    if (before == QLatin1String("A"))
        return QStringLiteral("C");
    // "D" stays "D" here: only the parameter table's save clears it, and nothing says a
    // saved data set changes what "D" marks.
    return before;
}

QString SaveParameterChanges(ReferenceDatabase& db, ProtocolLog& log, const QDateTime& now)
{
    DataTable& parameters = db.parameters();
    {
        EditScope edit(parameters);
        MarkCurrentRow(parameters, ChangeSave::ParameterTable, now.date());
        parameters.post();
    }
    parameters.mergeChangeLog();
    const QString path = db.runDir() + QLatin1Char('/') + ReferenceDatabase::ParameterFile;
    log.AddLine(QStringLiteral("Saving changes for : ") + path);
    parameters.saveToFile(path, PacketForm::Utf8);
    return path;
}

QString SaveDataSetChanges(ReferenceDatabase& db, ProtocolLog& log, const QDateTime& now)
{
    DataTable& parameters = db.parameters();
    DataTable& dataFile = db.dataFile();
    // Only the file name's extension is replaced: a folder with a "." in its name (common
    // on Linux) must not cut the path short.
    const QString path = ReplaceFileExtension(db.dataFilePath(), QStringLiteral("xml"));
    {
        EditScope edit(parameters);
        if (!dataFile.isOpen() || db.connectedDataFileName().isEmpty())
            throw VeltraError(QStringLiteral("cannot save the data set of the parameter row: "
                                             "no data file is connected (\"%1\")")
                                  .arg(db.dataFilePath()));
        MarkCurrentRow(parameters, ChangeSave::DataSet, now.date());
        parameters.post();
    }
    dataFile.mergeChangeLog();
    dataFile.saveToFile(path, PacketForm::Utf8);
    log.AddLine(QStringLiteral("Data set ") + path + QStringLiteral(" updated: ") +
                ShortDateText(now.date()) + QStringLiteral(" /") + LongTimeText(now.time()));
    return path;
}

} // namespace veltra
