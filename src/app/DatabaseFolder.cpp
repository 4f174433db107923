#include "app/DatabaseFolder.h"

#include "data/ReferenceDatabase.h"
#include "util/VeltraError.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace veltra {

bool IsDatabaseFolder(const QString& folder)
{
    const QDir dir(folder);
    for (const QString& name : {ReferenceDatabase::HeadlineFile, ReferenceDatabase::TopicFile,
                                ReferenceDatabase::ParameterFile})
        if (!QFileInfo(dir.filePath(name)).isFile())
            return false;
    return true;
}

QString InstalledSampleFolder(const QString& executableDir)
{
    const QString folder =
        QDir::cleanPath(executableDir + QStringLiteral("/../share/veltra/sample"));
    return IsDatabaseFolder(folder) ? folder : QString();
}

StartFolder ChooseStartFolder(const QString& argument, const QString& currentFolder,
                              const QString& installedSample, const QString& userDataFolder)
{
    if (!argument.isEmpty())
        return {QDir(currentFolder).absoluteFilePath(argument), {}};
    if (IsDatabaseFolder(currentFolder) || installedSample.isEmpty())
        return {};

    const QString copy = QDir(userDataFolder).filePath(QStringLiteral("sample"));
    if (!IsDatabaseFolder(copy)) {
        // A copy the user can write to: the search index and saved changes go beside the
        // tables. Files already in the folder are kept.
        if (!QDir().mkpath(copy))
            throw VeltraError(QStringLiteral("Cannot create the folder ") + copy);
        const QDir source(installedSample);
        for (const QString& name : source.entryList(QDir::Files)) {
            const QString target = QDir(copy).filePath(name);
            if (QFileInfo::exists(target))
                continue;
            if (!QFile::copy(source.filePath(name), target))
                throw VeltraError(QStringLiteral("Cannot copy the sample database file ") +
                                  source.filePath(name) + QStringLiteral(" to ") + copy);
            // Installed files are read-only; the copy is the user's to change.
            QFile::setPermissions(target, QFile::permissions(target) | QFileDevice::WriteOwner);
        }
    }
    return {copy, QStringLiteral("No database in the current folder ") + currentFolder +
                      QStringLiteral(": opened the sample database in ") + copy};
}

} // namespace veltra
