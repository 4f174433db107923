// The check lists of the database: the headline, topic and parameter tables in fixed-width
// columns, the parameter list with the presence of each row's data file.
#pragma once

#include "util/GeneratorResult.h"

#include <QString>
#include <functional>

namespace veltra {

class DataTable;

/// Tells whether a file of that name exists, the name taken as stored in the table.
using FileExistsTest = std::function<bool(const QString& name)>;

/// The test the viewer uses: a regular file of that name, a relative name resolved
/// against the process's current folder.
bool FileExistsInCurrentFolder(const QString& name);

/// The data file status columns of a parameter row: "NOLINK" for an empty DataFile, else
/// "DBF" or "UNDEF" for the name as stored, then "XML" or "UNDEF" for
/// ReplaceExtension(DataFile, "xml"); each right-aligned in 10 characters.
QString DataFileStatus(const QString& dataFile, const FileExistsTest& exists);

// Each list's lines run from its leading empty line and star line to its closing empty
// line. The rows are read in the table's order, from its first row; the table is left on
// its last row. A row that cannot be read (a missing field: the message names it) stops
// the list there: stopRow is the row's 0-based number, the lines before it are kept.

/// "LIST OF HEADLINES": running number, Top and Topic of every headline row.
GeneratorResult HeadlineList(DataTable& headlines);

/// "LIST OF TOPICS": running number, PS, Parameter and TOP of every topic row, the filter
/// switched off for the walk so that the topics of all headlines are listed; the filter
/// switch is set back afterwards, also after a failure.
GeneratorResult TopicList(DataTable& topics);

/// The lines the parameter list starts with: an empty line, the star line,
/// "LIST OF PARAMETER & DATA SOURCES", "MAIN DIR.: " + runDir and an empty line.
QStringList ParameterListHead(const QString& runDir);

/// The parameter list: ParameterListHead, then running number, PS, Sex, DataSource,
/// DataFile and DataFileStatus of every parameter row, the filter switched off for the
/// walk (all topics, both sexes) and set back afterwards, also after a failure.
GeneratorResult ParameterList(DataTable& parameters, const QString& runDir,
                              const FileExistsTest& exists = FileExistsInCurrentFolder);

} // namespace veltra
