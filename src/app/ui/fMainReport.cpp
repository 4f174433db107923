// The documentation report of the "&Report" menu: built in the core from the current
// parameter row and its data file, shown in the "Report    " tab, saved as RTF or PDF.
#include "app/ui/fMain.h"

#include "data/DataSource.h"
#include "data/DataTable.h"
#include "reports/DocumentationReport.h"
#include "reports/PdfExport.h"
#include "util/ui/OLERichEdit.h"

#include <QCheckBox>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTextDocument>

namespace veltra {

void TForm1::WordReport1Click()
{
    t->setCurrentWidget(oe1);
    oe1->Clear();

    ReportOptions options;
    options.table.digits = seTabDig->value();
    options.table.decimals = seTabDec->value();
    options.table.fieldNames = DataFieldNames;
    options.table.sectionFieldNames = SectionFieldNames;
    for (int item = 0; item < clbVar->count(); ++item)
        options.table.checked << (clbVar->item(item)->checkState() == Qt::Checked);
    options.commandTable = {seTop->value(), cbExcludeGF->isChecked()};
    ReportResult report = BuildDocumentationReport(m_db, options);

    const bool tableMade = !report.dataFilePath.isEmpty();
    if (tableMade) {
        // What the formatted table command leaves behind: the fresh table in the
        // "Parameter Table" tab, or its message when there is no data file to tabulate.
        mTableContent->setPlainText(report.table.lines.join(QLatin1Char('\n')));
        m_resultLayout = {TableTextKind::Formatted, report.table.columnWidths,
                          report.table.headerWidths};
        if (report.dataFileNotOpen) {
            Dialogs::ShowMessage(this, QStringLiteral("No selected data set."));
        } else if (report.table.complete()) {
            // The summary was reached: the "Formula    " tab shows the table it holds.
            bTableToExcelFormatByClipboard->setEnabled(true);
            mFormula->setPlainText(report.commandTable.lines.join(QLatin1Char('\n')));
        }
    }
    oe1->SetDocument(std::move(report.document));
    if (!report.complete())
        AddProtocolLine(QLatin1String(ReportIncompleteText) + report.error);
    t->setCurrentWidget(oe1);

    // The data file stands on its first row afterwards and the views show that row. A
    // failure of that row's conversion is the views' own (the guard reports it as on any
    // row change); the report does not move the row, so none arises when it stands there.
    if (tableMade && dsTable->isActive() && cdsFile->recNo() != 1)
        cdsFile->first();
}

void TForm1::Save1Click()
{
    QString pattern;
    const QString typed = Dialogs::AskSaveFileName(this, sdRTF, QString(), &pattern);
    // A typed extension decides the format (PDF for ".pdf", RTF for every other); a name
    // without one takes the chosen filter's.
    const QString path = ReportSaveFileName(typed, pattern);
    if (path.isEmpty())
        return;
    WriteReportFile(*oe1->document(), path, ReportPaper);
}

} // namespace veltra
