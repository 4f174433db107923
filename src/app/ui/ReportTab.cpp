#include "app/ui/ReportTab.h"

#include "app/ui/FormulaTab.h"
#include "app/ui/ParameterTableTab.h"
#include "data/DataSource.h"
#include "data/DataTable.h"
#include "reports/DocumentationReport.h"
#include "reports/PdfExport.h"
#include "util/PageSetup.h"
#include "util/ui/OLERichEdit.h"
#include "widgets/Named.h"
#include "widgets/ViewFonts.h"

#include <QTextDocument>
#include <QVBoxLayout>

namespace veltra {

ReportTab::ReportTab(ViewerState& state, ParameterTableTab& tables, FormulaTab& formula,
                     QWidget* parent)
    : ViewerPart(state, "tsReport", parent), m_tables(tables), m_formula(formula)
{
    sdRTF = {QStringLiteral("Save the current report"), QStringLiteral("rtf"),
             QStringLiteral("Rich Text  Format [*.rtf]|*.rtf|PDF document [*.pdf]|*.pdf"), true};
    auto* box = new QVBoxLayout(this);
    box->setContentsMargins(0, 0, 0, 0);
    oe1 = Named(new TOLEEdit(this), "oe1");
    oe1->setReadOnly(true);
    oe1->setFont(FixedPitchFont());
    oe1->setLineWrapMode(QTextEdit::NoWrap);
    // The report's tables are wider than the tab at the standard window size: unwrapped
    // lines need a scroll bar to reach their ends.
    oe1->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    oe1->setTabChangesFocus(false);
    oe1->setTabStopDistance(DefaultTabStopDistance(oe1->logicalDpiX()));
    box->addWidget(oe1);
}

void ReportTab::Clear()
{
    oe1->Clear();
}

void ReportTab::MakeReport()
{
    ShowPage();
    oe1->Clear();

    ReportOptions options;
    options.table = m_tables.TableOptions(ResultTableForm::Formatted);
    options.commandTable = m_formula.Options();
    ReferenceDatabase& db = m_state.db;
    ReportResult report = BuildDocumentationReport(db, options);

    const bool tableMade = !report.dataFilePath.isEmpty();
    if (tableMade) {
        // What the formatted table command leaves behind: the fresh table in the
        // "Parameter Table" tab, or its message when there is no data file to tabulate.
        m_tables.ShowFormattedTable(report.table);
        if (report.dataFileNotOpen) {
            Dialogs::ShowMessage(this, QStringLiteral("No selected data set."));
        } else if (report.table.complete()) {
            // The summary was reached: the "Formula    " tab shows the table it holds.
            m_tables.EnableSpreadsheetCopy(true);
            m_formula.ShowLines(report.commandTable.lines);
        }
    }
    oe1->SetDocument(std::move(report.document));
    if (!report.complete())
        m_state.log.AddLine(QLatin1String(ReportIncompleteText) + report.error);
    ShowPage();

    // The data file stands on its first row afterwards and the views show that row. A
    // failure of that row's conversion is the views' own (the guard reports it as on any
    // row change); the report does not move the row, so none arises when it stands there.
    if (tableMade && db.dataFileLink().isActive() && db.dataFile().recNo() != 1)
        db.dataFile().first();
}

void ReportTab::SaveReport()
{
    QString pattern;
    const QString typed = Dialogs::AskSaveFileName(this, sdRTF, QString(), &pattern);
    // A typed extension decides the format (PDF for ".pdf", RTF for every other); a name
    // without one takes the chosen filter's.
    const QString path = ReportSaveFileName(typed, pattern);
    if (path.isEmpty())
        return;
    WriteReportFile(*oe1->document(), path, m_state.reportPaper);
}

} // namespace veltra
