#include "util/Workbook.h"

#include "util/SafeFile.h"
#include "util/VeltraError.h"

#include <QFile>
#include <QTemporaryDir>

#include <xlsxwriter.h>

#include <algorithm>
#include <cmath>
#include <memory>

namespace veltra {

namespace {

// Excel's limits of one sheet and one cell.
constexpr qsizetype kMaxRows = LXW_ROW_MAX;
constexpr qsizetype kMaxColumns = LXW_COL_MAX;
constexpr qsizetype kMaxCellText = 32767;
constexpr qsizetype kMaxSheetName = 31;
constexpr int kMaxDecimals = 30;
// Fitted widths in characters: never narrower than a short number, never so wide that
// one long text line pushes every other column off the screen.
constexpr double kMinWidth = 4.0;
constexpr double kMaxWidth = 80.0;

// The column letters and row number of a cell as the spreadsheet shows them ("B12").
QString CellName(qsizetype row, qsizetype column)
{
    QString letters;
    for (qsizetype c = column + 1; c > 0; c = (c - 1) / 26)
        letters.prepend(QChar(u'A' + static_cast<char16_t>((c - 1) % 26)));
    return letters + QString::number(row + 1);
}

[[noreturn]] void ThrowSheetError(const QString& sheet, const QString& what)
{
    throw VeltraError(
        QStringLiteral("Cannot build the workbook: sheet \"%1\": %2").arg(sheet, what));
}

void CheckSheetName(const QString& name, const QList<QString>& earlier)
{
    if (name.isEmpty())
        throw VeltraError(QStringLiteral("Cannot build the workbook: a sheet has no name"));
    if (name.size() > kMaxSheetName)
        ThrowSheetError(
            name, QStringLiteral("a sheet name has at most %1 characters").arg(kMaxSheetName));
    for (const QChar c : name) {
        if (QStringView(u"[]:*?/\\").contains(c))
            ThrowSheetError(name, QStringLiteral("a sheet name cannot hold \"%1\"").arg(c));
    }
    if (name.startsWith(u'\'') || name.endsWith(u'\''))
        ThrowSheetError(name,
                        QStringLiteral("a sheet name cannot begin or end with an apostrophe"));
    for (const QString& other : earlier) {
        if (other.compare(name, Qt::CaseInsensitive) == 0)
            ThrowSheetError(name, QStringLiteral("two sheets have this name"));
    }
}

// The text a cell shows for a value that has no number: Excel has no infinity or NaN.
QString NonFiniteText(double value)
{
    if (std::isnan(value))
        return QStringLiteral("undefined");
    return value > 0 ? QStringLiteral("infinite") : QStringLiteral("-infinite");
}

bool IsNumeric(const QVariant& value)
{
    switch (value.typeId()) {
    case QMetaType::Double:
    case QMetaType::Float:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Long:
    case QMetaType::ULong:
        return true;
    default:
        return false;
    }
}

// The characters a numeric cell shows, for the fitted width.
qsizetype ShownLength(double value, int decimals)
{
    if (decimals >= 0)
        return QString::number(value, 'f', decimals).size();
    // General shows about ten significant digits.
    return QString::number(value, 'g', 10).size();
}

qsizetype LongestLine(const QString& text)
{
    qsizetype longest = 0;
    qsizetype start = 0;
    while (start <= text.size()) {
        qsizetype end = text.indexOf(u'\n', start);
        if (end < 0)
            end = text.size();
        longest = std::max(longest, end - start);
        start = end + 1;
    }
    return longest;
}

QString DecimalsFormat(int decimals)
{
    if (decimals == 0)
        return QStringLiteral("0");
    return QStringLiteral("0.") + QString(decimals, u'0');
}

struct WorkbookCloser
{
    void operator()(lxw_workbook* workbook) const { lxw_workbook_free(workbook); }
};

// Collects the first failure of the writer's calls with the cell it concerns.
class SheetWriter
{
public:
    SheetWriter(lxw_worksheet* worksheet, const QString& name) : m_sheet(worksheet), m_name(name) {}

    void Check(lxw_error error, qsizetype row, qsizetype column) const
    {
        if (error != LXW_NO_ERROR)
            ThrowSheetError(
                m_name, QStringLiteral("cell %1: %2")
                            .arg(CellName(row, column), QString::fromUtf8(lxw_strerror(error))));
    }

    void Text(qsizetype row, qsizetype column, const QString& text, lxw_format* format) const
    {
        if (text.size() > kMaxCellText)
            ThrowSheetError(m_name, QStringLiteral("cell %1: the text has %2 characters, a "
                                                   "cell holds at most %3")
                                        .arg(CellName(row, column))
                                        .arg(text.size())
                                        .arg(kMaxCellText));
        const QByteArray utf8 = text.toUtf8();
        Check(worksheet_write_string(m_sheet, static_cast<lxw_row_t>(row),
                                     static_cast<lxw_col_t>(column), utf8.constData(), format),
              row, column);
    }

    void Number(qsizetype row, qsizetype column, double value, lxw_format* format) const
    {
        Check(worksheet_write_number(m_sheet, static_cast<lxw_row_t>(row),
                                     static_cast<lxw_col_t>(column), value, format),
              row, column);
    }

    void Logical(qsizetype row, qsizetype column, bool value, lxw_format* format) const
    {
        Check(worksheet_write_boolean(m_sheet, static_cast<lxw_row_t>(row),
                                      static_cast<lxw_col_t>(column), value ? 1 : 0, format),
              row, column);
    }

private:
    lxw_worksheet* m_sheet;
    const QString& m_name;
};

void WriteSheet(lxw_workbook* workbook, lxw_worksheet* worksheet, const WorkbookSheet& sheet)
{
    lxw_format* header = workbook_add_format(workbook);
    lxw_format* number = nullptr;
    if (header == nullptr)
        ThrowSheetError(sheet.name, QStringLiteral("no memory for a cell format"));
    format_set_bold(header);
    if (sheet.decimals >= 0) {
        number = workbook_add_format(workbook);
        if (number == nullptr)
            ThrowSheetError(sheet.name, QStringLiteral("no memory for a cell format"));
        format_set_num_format(number, DecimalsFormat(sheet.decimals).toLatin1().constData());
    }

    const SheetWriter writer(worksheet, sheet.name);
    QList<qsizetype> widths;
    for (qsizetype r = 0; r < sheet.rows.size(); ++r) {
        const QList<QVariant>& row = sheet.rows[r];
        if (row.size() > kMaxColumns)
            ThrowSheetError(sheet.name, QStringLiteral("row %1 has %2 cells, a sheet holds at "
                                                       "most %3 columns")
                                            .arg(r + 1)
                                            .arg(row.size())
                                            .arg(kMaxColumns));
        if (widths.size() < row.size())
            widths.resize(row.size(), 0);
        const bool isHeader = r < sheet.headerRows;
        for (qsizetype c = 0; c < row.size(); ++c) {
            const QVariant& value = row[c];
            qsizetype shown = 0;
            if (!value.isValid() || value.isNull()) {
                if (isHeader)
                    writer.Check(worksheet_write_blank(worksheet, static_cast<lxw_row_t>(r),
                                                       static_cast<lxw_col_t>(c), header),
                                 r, c);
            } else if (IsNumeric(value)) {
                const double x = value.toDouble();
                if (std::isfinite(x)) {
                    writer.Number(r, c, x, isHeader ? header : number);
                    shown = ShownLength(x, sheet.decimals);
                } else {
                    const QString text = NonFiniteText(x);
                    writer.Text(r, c, text, isHeader ? header : nullptr);
                    shown = text.size();
                }
            } else if (value.typeId() == QMetaType::Bool) {
                writer.Logical(r, c, value.toBool(), isHeader ? header : nullptr);
                shown = 5;
            } else {
                const QString text = value.toString();
                writer.Text(r, c, text, isHeader ? header : nullptr);
                shown = LongestLine(text);
            }
            widths[c] = std::max(widths[c], shown);
        }
    }

    for (qsizetype c = 0; c < widths.size(); ++c) {
        if (widths[c] == 0)
            continue;
        // Two characters of room beside the content, as a spreadsheet's own fit leaves.
        const double width = std::clamp(static_cast<double>(widths[c]) + 2.0, kMinWidth, kMaxWidth);
        writer.Check(worksheet_set_column(worksheet, static_cast<lxw_col_t>(c),
                                          static_cast<lxw_col_t>(c), width, nullptr),
                     0, c);
    }
    if (sheet.headerRows > 0 && !sheet.rows.isEmpty())
        worksheet_freeze_panes(worksheet, static_cast<lxw_row_t>(sheet.headerRows), 0);
}

} // namespace

QByteArray BuildWorkbook(const QList<WorkbookSheet>& sheets)
{
    if (sheets.isEmpty())
        throw VeltraError(QStringLiteral("Cannot build the workbook: it has no sheet"));
    QList<QString> names;
    for (const WorkbookSheet& sheet : sheets) {
        CheckSheetName(sheet.name, names);
        names << sheet.name;
        if (sheet.rows.size() > kMaxRows)
            ThrowSheetError(sheet.name, QStringLiteral("%1 rows, a sheet holds at most %2")
                                            .arg(sheet.rows.size())
                                            .arg(kMaxRows));
        if (sheet.headerRows < 0 || sheet.headerRows > kMaxRows)
            ThrowSheetError(
                sheet.name,
                QStringLiteral("%1 header rows is not a count of rows").arg(sheet.headerRows));
        if (sheet.decimals < -1 || sheet.decimals > kMaxDecimals)
            ThrowSheetError(sheet.name, QStringLiteral("%1 decimal places (allowed: -1 for "
                                                       "General, 0 to %2)")
                                            .arg(sheet.decimals)
                                            .arg(kMaxDecimals));
    }

    // The writer puts the workbook into a named file, and its working files beside it,
    // both in a private folder that disappears with this call.
    QTemporaryDir folder;
    if (!folder.isValid())
        throw VeltraError(QStringLiteral("Cannot build the workbook: no temporary folder: %1")
                              .arg(folder.errorString()));
    const QString path = folder.filePath(QStringLiteral("workbook.xlsx"));
    const QByteArray pathBytes = QFile::encodeName(path);
    QByteArray tmpdir = QFile::encodeName(folder.path());
    lxw_workbook_options options{};
    options.tmpdir = tmpdir.data();
    std::unique_ptr<lxw_workbook, WorkbookCloser> workbook(
        workbook_new_opt(pathBytes.constData(), &options));
    if (!workbook)
        throw VeltraError(QStringLiteral("Cannot build the workbook: the writer did not start"));

    for (const WorkbookSheet& sheet : sheets) {
        const QByteArray name = sheet.name.toUtf8();
        lxw_worksheet* worksheet = workbook_add_worksheet(workbook.get(), name.constData());
        if (worksheet == nullptr)
            ThrowSheetError(sheet.name, QStringLiteral("the writer refused the sheet"));
        WriteSheet(workbook.get(), worksheet, sheet);
    }

    // workbook_close frees the workbook whatever its result.
    const lxw_error closed = workbook_close(workbook.release());
    if (closed != LXW_NO_ERROR)
        throw VeltraError(QStringLiteral("Cannot build the workbook: %1")
                              .arg(QString::fromUtf8(lxw_strerror(closed))));
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw VeltraError(QStringLiteral("Cannot build the workbook: %1").arg(file.errorString()));
    QByteArray bytes = file.readAll();
    if (bytes.isEmpty())
        throw VeltraError(QStringLiteral("Cannot build the workbook: the writer left an empty "
                                         "file"));
    return bytes;
}

void WriteWorkbookFile(const QString& path, const QList<WorkbookSheet>& sheets)
{
    const QByteArray bytes = BuildWorkbook(sheets);
    const QString reason = WriteFileSafely(path, bytes);
    if (!reason.isEmpty())
        throw VeltraError(QStringLiteral("Cannot write \"%1\": %2").arg(path, reason));
}

} // namespace veltra
