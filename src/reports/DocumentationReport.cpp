#include "reports/DocumentationReport.h"

#include "convert/AgeGroup.h"
#include "data/DataSource.h"
#include "data/DataTable.h"
#include "data/ReferenceDatabase.h"
#include "util/PageSetup.h"
#include "util/RtfReader.h"
#include "util/TextLines.h"
#include "util/uString.h"

#include <QFileInfo>
#include <QTextBlock>
#include <QTextBlockFormat>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextDocumentFragment>
#include <QTextOption>

namespace veltra {

namespace {

const QString DashLine(71, QLatin1Char('-'));

/// Appends paragraphs at the end of the report: added lines in the document's default
/// format, blocks with their own formatting, each starting a paragraph of its own. Every
/// paragraph is marked with its kind and every block with a number of its own, so that
/// the printed forms keep headers with their blocks and tables whole.
class ReportWriter
{
public:
    explicit ReportWriter(QTextDocument& document) : m_cursor(&document) {}

    void line(const QString& text, ReportBlockKind kind = ReportBlockKind::Line)
    {
        const int first = newParagraph();
        m_cursor.insertText(text, QTextCharFormat());
        mark(first, kind);
    }

    /// Plain lines as a plain text view holds them; none adds nothing.
    void plainBlock(const QStringList& lines)
    {
        if (lines.isEmpty())
            return;
        const int first = newParagraph();
        // Inserted as one text, as the views are filled, so a line that holds a line
        // break (a memo value in a table) breaks in the report where it breaks there.
        m_cursor.insertText(lines.join(QLatin1Char('\n')), QTextCharFormat());
        mark(first, ReportBlockKind::Table);
    }

    /// A rich text, its formatting kept; an empty one adds nothing.
    void richBlock(const QTextDocument& block)
    {
        if (block.isEmpty())
            return;
        const int first = newParagraph();
        m_cursor.insertFragment(QTextDocumentFragment(&block));
        mark(first, ReportBlockKind::Prose);
    }

private:
    // The number of the paragraph the next text goes into.
    int newParagraph()
    {
        // The first paragraph is the document's own empty first block.
        if (m_started)
            m_cursor.insertBlock(QTextBlockFormat(), QTextCharFormat());
        m_started = true;
        return m_cursor.block().blockNumber();
    }

    // Marks the paragraphs from the given one to the cursor's as one block of that kind.
    void mark(int first, ReportBlockKind kind)
    {
        MarkReportBlock(*m_cursor.document(), first, m_cursor.block().blockNumber(), kind,
                        ++m_group);
    }

    QTextCursor m_cursor;
    bool m_started = false;
    int m_group = 0;
};

bool HasField(const QStringList& fieldNames, const char* name)
{
    return fieldNames.contains(QLatin1String(name), Qt::CaseInsensitive);
}

// Why the row's data file is not open: it is missing, or the reader's message.
QString DataFileNotOpenReason(const ReferenceDatabase& db)
{
    if (!QFileInfo(db.dataFilePath()).isFile())
        return QStringLiteral("the data file \"%1\" does not exist").arg(db.dataFilePath());
    if (!db.lastLoadError().isEmpty())
        return db.lastLoadError();
    return QStringLiteral("the data file \"%1\" is not open").arg(db.dataFilePath());
}

} // namespace

QFont ReportFont()
{
    QFont font(QStringLiteral("Courier New"));
    font.setPointSizeF(9);
    font.setStyleHint(QFont::TypeWriter);
    return font;
}

ReportResult BuildDocumentationReport(const ReferenceDatabase& db, const ReportOptions& options)
{
    ReportResult result;
    result.document = std::make_unique<QTextDocument>();
    QTextDocument& document = *result.document;
    document.setDefaultFont(options.font);
    // Text without tab stops of its own tabs to the half inch, in the views as in print.
    QTextOption textOption = document.defaultTextOption();
    textOption.setTabStopDistance(DefaultTabStopDistance());
    document.setDefaultTextOption(textOption);
    ReportWriter report(document);
    auto fail = [&](const QString& error) {
        result.error = error;
        report.line(QLatin1String(ReportIncompleteText) + error);
    };

    // A row without a data file keeps the path of the last connection in dataFilePath(); its
    // report names no file rather than another row's.
    result.dataFilePath = TrimLeftText(db.dataFileName()).isEmpty() ? QString() : db.dataFilePath();
    report.line(QStringLiteral("Data Documentation : ") + result.dataFilePath);
    report.line(QString());
    if (result.dataFilePath.isEmpty())
        return result;

    const DataTable& parameters = db.parameters();
    const QString info = ReferenceDatabase::CurrentText(parameters, QStringLiteral("Info"));
    QTextDocument infoBlock;
    infoBlock.setDefaultFont(options.font);
    SetFieldText(&infoBlock, info);
    report.line(QString());
    report.richBlock(infoBlock);
    report.line(QString());

    const DataTable& dataFile = db.dataFile();
    const bool open = db.dataFileLink().isActive();
    if (open) {
        ResultTableOptions tableOptions = options.table;
        tableOptions.form = ResultTableForm::Formatted;
        result.table = GenerateResultTable(dataFile, tableOptions);
    } else {
        result.dataFileNotOpen = true;
        result.table.fail(QStringLiteral("No selected data set."));
    }
    report.line(QString());
    // A data file that is not open leaves the table command's message in its place.
    report.plainBlock(open ? result.table.lines : QStringList{result.table.error});
    report.line(QString());
    if (open && !result.table.complete()) {
        fail(result.table.error);
        return result;
    }

    const QString contentText = CurrentContentText(info);
    report.line(DashLine, ReportBlockKind::Header);
    report.line(QStringLiteral("SUMMARY (distrib. parameters)"), ReportBlockKind::Header);
    report.line(QString(), ReportBlockKind::Header);
    report.line(contentText, ReportBlockKind::Header);
    report.line(QString(), ReportBlockKind::Header);
    if (open) {
        const CommandTableSource source = CurrentCommandTableSource(parameters);
        // A group whose conversion fails stops this table; the lines before it are shown,
        // as the "Formula    " tab shows them, and the same failure ends the report in
        // that group's sections below.
        result.commandTable = GenerateCommandTable(source, dataFile, options.commandTable);
        report.plainBlock(result.commandTable.lines);
    }
    report.line(QString());
    if (!open) {
        fail(DataFileNotOpenReason(db));
        return result;
    }

    const QStringList& fields = db.dataFieldNames();
    const bool hasGf = HasField(fields, "GeneralF");
    const bool hasMoments = HasField(fields, "MOMENTS");
    const bool hasQuantiles = HasField(fields, "QUANTILES");
    const int rows = dataFile.recordCount();
    for (int row = 0; row < rows; ++row) {
        const AgeGroupTexts group = AgeGroupAt(dataFile, row);
        auto section = [&](const char* title, const QStringList& lines) {
            report.line(DashLine, ReportBlockKind::Header);
            report.line(contentText, ReportBlockKind::Header);
            report.line(group.caption, ReportBlockKind::Header);
            report.line(QLatin1String(title), ReportBlockKind::Header);
            report.line(QString(), ReportBlockKind::Header);
            report.plainBlock(lines);
        };
        if (hasGf) {
            section("GF-DISTRIBUTION-APPROACH (raw parameters)", group.gfLines);
            report.line(QString());
            // A group without GF lines has no converted sets: its section stays empty
            // rather than repeating another group's conversion.
            GeneratorResult converted;
            if (!group.gfLines.isEmpty())
                converted = SelectedFunctions(contentText, group);
            section("GF-DISTRIBUTION-APPROACH (transformed parameters)", converted.lines);
            if (!converted.complete()) {
                // A conversion fails only while reading a GF line, so it names one.
                const int gfLine = converted.stopRow.value();
                fail(QStringLiteral("Age group %1 (%2), GF line %3 \"%4\": %5")
                         .arg(row + 1)
                         .arg(group.caption)
                         .arg(gfLine + 1)
                         .arg(group.gfLines.value(gfLine), converted.error));
                return result;
            }
            report.line(QString());
        }
        if (hasMoments) {
            section("MOMENTS OF THE DISTRIBUTION (emp. & adjusted)", TextLines(group.moments));
            report.line(QString());
        }
        if (hasQuantiles) {
            section("QUANTILES OF THE DISTRIBUTION (emp. & adjusted)", TextLines(group.quantiles));
            report.line(QString());
        }
    }
    return result;
}

QStringList ReportPlainLines(const QTextDocument& document)
{
    return ViewLines(document.toPlainText());
}

} // namespace veltra
