// The command-line front end: parses the global options and runs one command of the
// command table.
#pragma once

#include <QString>
#include <QStringList>
#include <QTextStream>

namespace veltra {

/// Runs veltra-cli. Output lines go to stdout with "\n" ends; failures print a message
/// on stderr. Exit status: 0 success, 1 the operation failed, 2 a usage error.
class CliApp
{
public:
    CliApp();
    int run(const QStringList& arguments);

    /// True when the command line writes a PDF file (report -o FILE.pdf): drawing the
    /// pages needs the Gui application object, which every other command does without,
    /// as it costs start-up time.
    static bool NeedsGuiApplication(const QStringList& arguments);

private:
    int usageError(const QString& message);

    QTextStream m_out;
    QTextStream m_err;
};

} // namespace veltra
