#include "cli/CliApp.h"

#include "app/Restrictions.h"
#include "convert/ConvertParameterSets.h"
#include "data/DataTable.h"
#include "util/NumberFormat.h"
#include "util/RtfReader.h"
#include "util/TextLines.h"
#include "util/VeltraError.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>
#include <cstdio>

namespace veltra {

namespace {

constexpr int ExitOk = 0;
constexpr int ExitFailed = 1;
constexpr int ExitUsage = 2;

const char* const UsageText =
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
    "Commands:\n"
    "  dump FILE [--filter EXPR] [--ignore-case] [--index NAMES]\n"
    "       [--save-as OUT [--form utf8|plain]]\n"
    "                           the packet's fields and the rows the table shows\n"
    "  convert [FILE]           the converted table of the GF lines in FILE (or stdin)\n"
    "  restrictions ID          the restriction display of the parameter row ID\n"
    "  update-status ID         the update status lines of the parameter row ID\n"
    "\n"
    "Exit status: 0 success, 1 the operation failed, 2 usage error.\n";

/// Escapes a value so that one value is one line: backslash, CR, LF and TAB.
QString escapeValue(const QString& value)
{
    QString out;
    out.reserve(value.size());
    for (QChar c : value) {
        switch (c.unicode()) {
        case u'\\':
            out += QLatin1String("\\\\");
            break;
        case u'\r':
            out += QLatin1String("\\r");
            break;
        case u'\n':
            out += QLatin1String("\\n");
            break;
        case u'\t':
            out += QLatin1String("\\t");
            break;
        default:
            out += c;
        }
    }
    return out;
}

/// Text files of GF lines come from other programs: UTF-8 when the bytes are valid
/// UTF-8, otherwise the Windows-1252 code page of stored files.
QString decodeTextFile(const QByteArray& bytes)
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

} // namespace

CliApp::CliApp() : m_out(stdout), m_err(stderr)
{
    m_out.setEncoding(QStringConverter::Utf8);
    m_err.setEncoding(QStringConverter::Utf8);
}

int CliApp::usageError(const QString& message)
{
    m_err << "veltra-cli: " << message << "\n\n" << UsageText;
    m_err.flush();
    return ExitUsage;
}

void CliApp::printLine(const QString& line)
{
    m_out << line << '\n';
}

int CliApp::run(const QStringList& arguments)
{
    QStringList args = arguments.mid(1);
    m_dbDir = QDir::currentPath();
    while (!args.isEmpty() && args.first().startsWith(QLatin1String("--"))) {
        const QString option = args.takeFirst();
        if (option == QLatin1String("--help")) {
            m_out << UsageText;
            return ExitOk;
        }
        if (option == QLatin1String("--version")) {
            printLine(QStringLiteral("veltra-cli " VELTRA_VERSION));
            return ExitOk;
        }
        if (option == QLatin1String("--db")) {
            if (args.isEmpty())
                return usageError(QStringLiteral("--db needs a directory"));
            m_dbDir = args.takeFirst();
            if (!QFileInfo(m_dbDir).isDir())
                return usageError(QStringLiteral("--db: \"%1\" is not a directory").arg(m_dbDir));
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

    const QString command = args.takeFirst();
    int status = ExitOk;
    try {
        if (command == QLatin1String("dump"))
            status = runDump(args);
        else if (command == QLatin1String("convert"))
            status = runConvert(args);
        else if (command == QLatin1String("restrictions"))
            status = runRestrictions(args);
        else if (command == QLatin1String("update-status"))
            status = runUpdateStatus(args);
        else
            status = usageError(QStringLiteral("unknown command \"%1\"").arg(command));
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

QString CliApp::databasePath(const QString& name) const
{
    return QFileInfo(name).isAbsolute() ? name : QDir(m_dbDir).filePath(name);
}

int CliApp::runDump(QStringList args)
{
    QString file, filter, index, saveAs;
    QString form = QStringLiteral("utf8");
    bool ignoreCase = false, haveFilter = false, haveIndex = false, haveForm = false;
    while (!args.isEmpty()) {
        const QString arg = args.takeFirst();
        auto value = [&](QString& target) {
            if (args.isEmpty())
                return false;
            target = args.takeFirst();
            return true;
        };
        if (arg == QLatin1String("--filter")) {
            if (!value(filter))
                return usageError(QStringLiteral("dump: --filter needs an expression"));
            haveFilter = true;
        } else if (arg == QLatin1String("--ignore-case")) {
            ignoreCase = true;
        } else if (arg == QLatin1String("--index")) {
            if (!value(index))
                return usageError(QStringLiteral("dump: --index needs field names"));
            haveIndex = true;
        } else if (arg == QLatin1String("--save-as")) {
            if (!value(saveAs))
                return usageError(QStringLiteral("dump: --save-as needs a file name"));
        } else if (arg == QLatin1String("--form")) {
            if (!value(form) || (form != QLatin1String("utf8") && form != QLatin1String("plain")))
                return usageError(QStringLiteral("dump: --form must be utf8 or plain"));
            haveForm = true;
        } else if (arg.startsWith(QLatin1String("--")) || !file.isEmpty()) {
            return usageError(QStringLiteral("dump: unexpected argument \"%1\"").arg(arg));
        } else {
            file = arg;
        }
    }
    if (file.isEmpty())
        return usageError(QStringLiteral("dump: no FILE given"));
    if (haveForm && saveAs.isEmpty())
        return usageError(QStringLiteral("dump: --form needs --save-as"));

    DataTable table;
    table.loadFromFile(databasePath(file));
    if (!saveAs.isEmpty())
        table.saveToFile(saveAs,
                         form == QLatin1String("plain") ? PacketForm::Plain : PacketForm::Utf8);

    for (const FieldDef& field : table.fields()) {
        QString line = QStringLiteral("FIELD ") + field.name + QLatin1Char(' ') + field.typeName;
        if (field.width > 0)
            line += QStringLiteral(" WIDTH=") + QString::number(field.width);
        if (!field.subtype.isEmpty())
            line += QStringLiteral(" SUBTYPE=") + field.subtype;
        printLine(line);
    }

    FilterOptions options;
    options.ignoreCase = ignoreCase;
    table.setFilterOptions(options);
    if (haveIndex)
        table.setIndexFieldNames(index);
    if (haveFilter) {
        table.setFilter(filter);
        table.setFiltered(true);
    }

    const int count = table.recordCount();
    const int fieldCount = table.fieldCount();
    const QList<FieldDef>& fields = table.fields();
    for (int row = 0; row < count; ++row) {
        printLine(QStringLiteral("ROW ") + QString::number(row + 1));
        for (int f = 0; f < fieldCount; ++f)
            printLine(QStringLiteral("  ") + fields[f].name + QLatin1Char('=') +
                      escapeValue(table.value(row, f)));
    }
    printLine(QString::number(count) + QStringLiteral(" rows"));
    return ExitOk;
}

int CliApp::runConvert(QStringList args)
{
    if (args.size() > 1)
        return usageError(QStringLiteral("convert: at most one FILE"));
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
    const GeneratorResult result = ConvertParameterSets(TextLines(decodeTextFile(bytes)));
    // The rows converted before a failing line are printed before the error is reported.
    for (const QString& line : result.lines)
        printLine(line);
    result.throwIfStopped();
    return ExitOk;
}

bool CliApp::takeId(QStringList& args, const QString& command, qint64& id)
{
    if (args.size() != 1)
        return false;
    bool ok = false;
    id = args.takeFirst().toLongLong(&ok);
    if (!ok)
        m_err << "veltra-cli: " << command << ": ID must be a whole number\n";
    return ok;
}

void CliApp::loadParameterRow(DataTable& parameters, qint64 id) const
{
    const QString path = databasePath(QStringLiteral("daten1a.xml"));
    parameters.loadFromFile(path);
    if (!parameters.hasField(QStringLiteral("ID")))
        throw VeltraError(QStringLiteral("\"%1\" has no field ID").arg(path));
    for (parameters.first(); !parameters.eof(); parameters.next()) {
        if (parameters.fieldText(QStringLiteral("ID")).trimmed().toLongLong() == id)
            return;
    }
    throw VeltraError(QStringLiteral("No parameter row has the ID %1 in \"%2\"").arg(id).arg(path));
}

int CliApp::runRestrictions(QStringList args)
{
    qint64 id = 0;
    if (!takeId(args, QStringLiteral("restrictions"), id))
        return usageError(QStringLiteral("restrictions needs one ID"));
    DataTable parameters;
    loadParameterRow(parameters, id);
    for (const QString& line : RestrictionDisplayLines(parameters.fieldText(QStringLiteral("Info"))))
        printLine(line);
    return ExitOk;
}

int CliApp::runUpdateStatus(QStringList args)
{
    qint64 id = 0;
    if (!takeId(args, QStringLiteral("update-status"), id))
        return usageError(QStringLiteral("update-status needs one ID"));
    DataTable parameters;
    loadParameterRow(parameters, id);
    // The viewer looks the two files up by their plain names in the current directory,
    // which is the database directory; the lines name them the same way. The command is
    // all this process does, so the directory is not changed back.
    QDir::setCurrent(m_dbDir);
    const QStringList lines = UpdateStatusLines(QStringLiteral("daten1a.xml"),
                                                parameters.fieldText(QStringLiteral("DataFile")),
                                                parameters.fieldText(QStringLiteral("FileType")),
                                                parameters.fieldText(QStringLiteral("Change")));
    for (const QString& line : lines)
        printLine(line);
    return ExitOk;
}

} // namespace veltra
