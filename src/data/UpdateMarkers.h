// The two save commands of the browser's editing functions: the update markers
// (FileType, Change) of the current parameter row, and the parameter table or the data
// set written back as UTF-8 data packets.
#pragma once

#include <QString>

class QDateTime;

namespace veltra {

class ProtocolLog;
class ReferenceDatabase;

/// Which save marks the row.
enum class ChangeSave
{
    ParameterTable, ///< "&Save changes": the parameter table is written
    DataSet,        ///< "&Save changes in data set": the data file table is written
};

/// The FileType a save gives a row whose FileType was `before`. Letters other than
/// "A" to "D" (and any other case) stay as they are.
QString UpdatedFileType(const QString& before, ChangeSave save);

/// "&Save changes": marks the current parameter row (FileType, Change := the short date
/// of `now`), posts it, merges the parameter table's change log, writes
/// "Saving changes for : " + the path to the log and saves the whole parameter table
/// there (runDir() + "/daten1a.xml", UTF-8 form, atomically). Returns that path.
///
/// Throws VeltraError: the table engine's error when the row cannot be edited (a
/// read-only table, no current row), before anything is changed or logged; the
/// writer's error when the file cannot be saved (the row is changed in memory then
/// and the log holds the "Saving changes for" line).
QString SaveParameterChanges(ReferenceDatabase& db, ProtocolLog& log, const QDateTime& now);

/// "&Save changes in data set": marks and posts the current parameter row (the
/// parameter table is not saved), merges the data file table's change log and saves it
/// (UTF-8 form, atomically) beside dataFilePath() with the extension "xml"; then writes
/// "Data set " + that path + " updated: " + short date + " /" + long time to the log.
/// Returns the path.
///
/// Throws VeltraError, changing nothing: the table engine's error when the row cannot
/// be edited, or when no data file is connected. Throws the writer's error when the
/// file cannot be saved (the row is changed in memory, nothing is logged).
QString SaveDataSetChanges(ReferenceDatabase& db, ProtocolLog& log, const QDateTime& now);

} // namespace veltra
