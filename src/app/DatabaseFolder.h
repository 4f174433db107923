// Which database the viewer opens at start: the folder named on the command line, the
// current folder when it holds a database, or else the sample database installed with
// the program, copied once into the user's data folder so that the search index and
// saved changes can be written beside it.
#pragma once

#include <QString>

namespace veltra {

/// True when the folder holds the three hierarchy files of a database.
bool IsDatabaseFolder(const QString& folder);

/// The installed sample database beside an installed executable:
/// <prefix>/share/veltra/sample for <prefix>/bin/veltra. Empty when there is none.
QString InstalledSampleFolder(const QString& executableDir);

struct StartFolder
{
    /// The folder to open (it becomes the current folder and the data file folder);
    /// empty: the current folder, as it is.
    QString folder;
    /// A line for the protocol log saying what was opened and why; empty when nothing
    /// needs saying.
    QString protocolLine;
};

/// The start folder for a viewer started with `argument` (empty: none) in
/// `currentFolder`. Without an argument and without a database in the current folder,
/// the installed sample (when there is one) is copied into `userDataFolder`/sample,
/// unless a copy is already there, and that copy is opened. Throws VeltraError naming
/// the folder when the copy fails.
StartFolder ChooseStartFolder(const QString& argument, const QString& currentFolder,
                              const QString& installedSample, const QString& userDataFolder);

} // namespace veltra
