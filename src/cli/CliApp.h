// The command-line front end: parses the global options and runs one command.
#pragma once

#include <QString>
#include <QStringList>
#include <QTextStream>


namespace veltra {

class DataTable;

/// Runs veltra-cli. Output lines go to stdout with "\n" ends; failures print a message
/// on stderr. Exit status: 0 success, 1 the operation failed, 2 a usage error.
class CliApp
{
public:
    CliApp();
    int run(const QStringList& arguments);

private:
    int usageError(const QString& message);
    void printLine(const QString& line);
    QString databasePath(const QString& name) const;
    int runDump(QStringList args);
    int runConvert(QStringList args);
    int runRestrictions(QStringList args);
    int runUpdateStatus(QStringList args);
    /// Reads the one ID argument of a command; false on a usage error.
    bool takeId(QStringList& args, const QString& command, qint64& id);
    /// Loads the parameter table of the database and moves to the row with that ID;
    /// throws when there is none.
    void loadParameterRow(DataTable& parameters, qint64 id) const;

    QTextStream m_out;
    QTextStream m_err;
    QString m_dbDir;
};

} // namespace veltra
