#include "cli/CliApp.h"

#include "cli/CliCommand.h"
#include "util/NumberFormat.h"
#include "util/VeltraError.h"

#include <QDir>
#include <QFileInfo>
#include <cstdio>

namespace veltra {

// ReportCommands.cpp
void RunReport(CliContext& context, QStringList args);

namespace {

constexpr int ExitOk = 0;
constexpr int ExitFailed = 1;
constexpr int ExitUsage = 2;

// The commands in the order --help lists them.
const CliCommand Commands[] = {
    {"dump",
     "dump FILE [--filter EXPR] [--ignore-case] [--index NAMES]\n"
     "     [--save-as OUT [--form utf8|plain]]",
     "the packet's fields and the rows the table shows", RunDump},
    {"convert", "convert [FILE]", "the converted table of the GF lines in FILE (or stdin)",
     RunConvert},
    {"functions", "functions ID [GROUP]",
     "the Selected Functions view of row ID at age group GROUP", RunFunctions},
    {"restrictions", "restrictions ID", "the restriction display of the parameter row ID",
     RunRestrictions},
    {"update-status", "update-status ID", "the update status lines of the parameter row ID",
     RunUpdateStatus},
    {"table",
     "table fixed|csv|tab DATAFILE [--digits N] [--decimals N]\n"
     "      [--columns NAME,...]\n"
     "table xlsx DATAFILE -o FILE.xlsx [--digits N] [--decimals N]\n"
     "      [--columns NAME,...]",
     "the formatted, CSV or tab-delimited result table of DATAFILE, or its Excel workbook",
     RunTable},
    {"formtab", "formtab FORMATFILE DATAFILE",
     "the table that the format lines of FORMATFILE make of DATAFILE", RunFormTab},
    {"command-table", "command-table ID [--top N] [--exclude-gf]",
     "the command/parameter table of the parameter row ID", RunCommandTable},
    {"report", "report ID [-o FILE] [--paper a4|letter]",
     "the documentation report of the parameter row ID (-o: RTF or PDF)", RunReport},
    {"index", "index", "writes the search index veltraIndex.xml; prints its protocol", RunIndex},
    {"search",
     "search [TERM1 [TERM2 [TERM3]]] [--op1 AND|OR] [--op2 AND|OR]\n"
     "       [--exclude TERM4] [--language german|english|none] [--show-filter]",
     "ID, PS, Variable, Sex and DataSource of each parameter row found", RunSearch},
    {"keywords", "keywords german|english",
     "the German or English keyword list of an index generation", RunKeywords},
    {"list",
     "list headlines|topics|parameters\n"
     "     [--order varnames|restriction|a+b|datasource]",
     "a check list of the headline, topic or parameter table", RunList},
    {"fits", "fits ID [--group N] [--format text|json|csv|xlsx] [-o FILE]",
     "the fitted distributions of age group N of the parameter row ID", RunFits},
    {"simulate",
     "simulate SCENARIO [--iterations N] [--seed S] [--threads T]\n"
     "         [--format text|json|csv|xlsx] [-o FILE] | simulate --check SCENARIO\n"
     "         | simulate SCENARIO [--iterations N] [--seed S] --script r|python [-o FILE]\n"
     "         | simulate SCENARIO [...] --report FILE.rtf|FILE.pdf [--paper a4|letter]",
     "the Monte Carlo result of an exposure scenario, one row an age group", RunSimulate},
};

const char* const UsageHead =
    "Usage: veltra-cli [--db DIR] [--decimal-separator SEP] COMMAND [ARGS...]\n"
    "       veltra-cli --help | --version\n"
    "\n"
    "Global options:\n"
    "  --db DIR                 the database directory (topics.xml, para1.xml,\n"
    "                           daten1a.xml, the data files); default: the current\n"
    "                           directory. Table files given to commands are resolved\n"
    "                           against it.\n"
    "  --decimal-separator SEP  \".\" or \",\" for numbers written; default: the user's locale\n"
    "\n"
    "Commands:\n";

const char* const UsageTail = "\n"
                              "Exit status: 0 success, 1 the operation failed, 2 usage error.\n";

/// The column the summaries of the commands and the global options start in.
constexpr qsizetype SummaryColumn = 27;

QString UsageText()
{
    QString text = QLatin1String(UsageHead);
    for (const CliCommand& command : Commands) {
        const QStringList usage = QString::fromLatin1(command.usage).split(QLatin1Char('\n'));
        const QString first = QStringLiteral("  ") + usage.first();
        // A short one-line usage has its summary beside it, a longer one below it.
        if (usage.size() == 1 && first.size() + 2 <= SummaryColumn) {
            text += first.leftJustified(SummaryColumn) + QLatin1String(command.summary) +
                    QLatin1Char('\n');
            continue;
        }
        for (const QString& line : usage)
            text += QStringLiteral("  ") + line + QLatin1Char('\n');
        text += QString(SummaryColumn, QLatin1Char(' ')) + QLatin1String(command.summary) +
                QLatin1Char('\n');
    }
    return text + QLatin1String(UsageTail);
}

const CliCommand* FindCommand(const QString& name)
{
    for (const CliCommand& command : Commands) {
        if (name == QLatin1String(command.name))
            return &command;
    }
    return nullptr;
}

} // namespace

CliApp::CliApp() : m_out(stdout), m_err(stderr)
{
    m_out.setEncoding(QStringConverter::Utf8);
    m_err.setEncoding(QStringConverter::Utf8);
}

bool CliApp::NeedsGuiApplication(const QStringList& arguments)
{
    auto pdfAfter = [&arguments](const QString& option) {
        const qsizetype at = arguments.indexOf(option);
        return at > 0 &&
               arguments.value(at + 1).endsWith(QStringLiteral(".pdf"), Qt::CaseInsensitive);
    };
    return (arguments.contains(QStringLiteral("report")) && pdfAfter(QStringLiteral("-o"))) ||
           (arguments.contains(QStringLiteral("simulate")) && pdfAfter(QStringLiteral("--report")));
}

int CliApp::usageError(const QString& message)
{
    m_out.flush();
    m_err << "veltra-cli: " << message << "\n\n" << UsageText();
    m_err.flush();
    return ExitUsage;
}

int CliApp::run(const QStringList& arguments)
{
    QStringList args = arguments.mid(1);
    QString dbDir = QDir::currentPath();
    while (!args.isEmpty() && args.first().startsWith(QLatin1String("--"))) {
        const QString option = args.takeFirst();
        if (option == QLatin1String("--help")) {
            m_out << UsageText();
            return ExitOk;
        }
        if (option == QLatin1String("--version")) {
            m_out << "veltra-cli " VELTRA_VERSION "\n";
            return ExitOk;
        }
        if (option == QLatin1String("--db")) {
            if (args.isEmpty())
                return usageError(QStringLiteral("--db needs a directory"));
            dbDir = args.takeFirst();
            if (!QFileInfo(dbDir).isDir())
                return usageError(QStringLiteral("--db: \"%1\" is not a directory").arg(dbDir));
        } else if (option == QLatin1String("--decimal-separator")) {
            if (args.isEmpty())
                return usageError(QStringLiteral("--decimal-separator needs \".\" or \",\""));
            const QString sep = args.takeFirst();
            if (sep != QLatin1String(".") && sep != QLatin1String(","))
                return usageError(
                    QStringLiteral("--decimal-separator must be \".\" or \",\", not \"%1\"")
                        .arg(sep));
            SetDecimalSeparator(sep.at(0));
        } else {
            return usageError(QStringLiteral("unknown option \"%1\"").arg(option));
        }
    }
    if (args.isEmpty())
        return usageError(QStringLiteral("no command given"));

    const QString name = args.takeFirst();
    const CliCommand* command = FindCommand(name);
    if (!command)
        return usageError(QStringLiteral("unknown command \"%1\"").arg(name));

    // The one place where a command's failure becomes a message and an exit status.
    CliContext context{m_out, m_err, dbDir};
    int status = ExitOk;
    try {
        command->run(context, args);
    } catch (const CliUsageError& e) {
        status = usageError(e.message());
    } catch (const VeltraError& e) {
        m_out.flush();
        m_err << "veltra-cli: " << e.message() << '\n';
        status = ExitFailed;
    } catch (const std::exception& e) {
        m_out.flush();
        m_err << "veltra-cli: " << QString::fromLocal8Bit(e.what()) << '\n';
        status = ExitFailed;
    }
    m_out.flush();
    m_err.flush();
    return status;
}

} // namespace veltra
