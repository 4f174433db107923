// The commands of veltra-cli: the row type of the command table, the handlers the table
// names, and the helpers the handlers share.
#pragma once

#include <QHash>
#include <QString>
#include <QStringList>
#include <QTextStream>
#include <exception>
#include <initializer_list>
#include <memory>

namespace veltra {

class ReferenceDatabase;
struct GeneratorResult;

/// What a command handler works with: the two output streams and the global options.
struct CliContext
{
    QTextStream& out;
    QTextStream& err;
    /// The database directory of --db; the current directory when none was given.
    QString dbDir;

    void printLine(const QString& line) { out << line << '\n'; }
    void printLines(const QStringList& lines);
    /// A table file name given to a command: an absolute name as it is, a relative one
    /// resolved against dbDir.
    QString databasePath(const QString& name) const;
};

/// A command line that a handler cannot run. The dispatcher prints "veltra-cli: " and
/// the message, then the usage text, and exits with status 2.
class CliUsageError : public std::exception
{
public:
    explicit CliUsageError(QString message)
        : m_message(std::move(message)), m_utf8(m_message.toUtf8())
    {
    }
    const QString& message() const { return m_message; }
    const char* what() const noexcept override { return m_utf8.constData(); }

private:
    QString m_message;
    QByteArray m_utf8;
};

/// One option a command takes: its name as typed ("--digits", "-o") and, for an option
/// with a value, what the value is ("N", "a file name"); a flag has none. A value may be
/// empty only where allowEmpty says so.
struct CliOption
{
    const char* name;
    const char* value = nullptr;
    bool allowEmpty = false;
};

/// The arguments of one command, parsed by the one rule every command follows: an
/// argument that starts with "-" (other than "-" itself and a number such as "-3") is an
/// option and must be one of the command's; each option may be given once; an option
/// with a value takes the next argument; "--" ends the options. Everything else is a
/// positional argument, in order. Unknown and repeated options, a missing or empty value
/// and more positional arguments than maxPositional throw CliUsageError, with the same
/// messages for every command.
class CliArguments
{
public:
    CliArguments(const QString& command, QStringList args, std::initializer_list<CliOption> options,
                 qsizetype maxPositional);

    bool has(const char* name) const { return m_values.contains(QLatin1String(name)); }
    /// The option's value; empty when the option was not given.
    QString value(const char* name) const { return m_values.value(QLatin1String(name)); }
    const QStringList& positional() const { return m_positional; }
    /// The positional argument at i; a null string beyond the last.
    QString at(qsizetype i) const { return m_positional.value(i); }

    /// The option's value as a whole number within [min, max]; fallback when the option
    /// was not given. Anything else is a usage error naming the option and the range.
    int boundedValue(const char* name, int min, int max, int fallback) const;

private:
    QString m_command;
    QHash<QString, QString> m_values;
    QStringList m_positional;
};

/// A handler runs one command with the arguments after its name. It returns on success
/// and throws VeltraError when the operation fails (lines it printed before stay on
/// stdout) or CliUsageError when the arguments are wrong.
using CliHandler = void (*)(CliContext& context, QStringList args);

/// One row of the command table; the dispatcher and the --help text are made from it.
struct CliCommand
{
    const char* name;
    /// The usage of the command; further lines after "\n" start with their indentation.
    const char* usage;
    /// What the command prints, in one line.
    const char* summary;
    CliHandler run;
};

// --- handlers ---------------------------------------------------------------------------
void RunDump(CliContext& context, QStringList args);
void RunConvert(CliContext& context, QStringList args);
void RunFunctions(CliContext& context, QStringList args);
void RunRestrictions(CliContext& context, QStringList args);
void RunUpdateStatus(CliContext& context, QStringList args);
void RunTable(CliContext& context, QStringList args);
void RunFormTab(CliContext& context, QStringList args);
void RunCommandTable(CliContext& context, QStringList args);
void RunIndex(CliContext& context, QStringList args);
void RunSearch(CliContext& context, QStringList args);
void RunKeywords(CliContext& context, QStringList args);
void RunList(CliContext& context, QStringList args);
void RunFits(CliContext& context, QStringList args);
void RunSimulate(CliContext& context, QStringList args);

// --- helpers ----------------------------------------------------------------------------
/// The ID argument of a command. A text that is not a whole number is a usage error:
/// "veltra-cli: COMMAND: ID must be a whole number" goes to stderr, then usageMessage is
/// thrown as a CliUsageError.
qint64 IdArgument(CliContext& context, const QString& command, const QString& text,
                  const QString& usageMessage);

/// The database of the context's directory (hierarchy and data files both looked for
/// there) with its parameter table loaded and moved to the row with that ID. Throws
/// VeltraError naming the file (and the ID when no row has it).
std::unique_ptr<ReferenceDatabase> OpenParameterRow(const CliContext& context, qint64 id);

/// OpenParameterRow, then the row's data file connected as the viewer connects it (from
/// the database directory, first age group current). Throws VeltraError when the row
/// names no data file, the file is missing (the protocol line naming its path) or cannot
/// be loaded (the reader's message).
std::unique_ptr<ReferenceDatabase> OpenParameterDataFile(const CliContext& context, qint64 id);

/// Prints the generator's lines, then reports where it stopped: the lines made before
/// a failure stay on stdout above the error (thrown as VeltraError).
void PrintResult(CliContext& context, const GeneratorResult& result);

} // namespace veltra
