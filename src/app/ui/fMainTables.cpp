// The main window's table output: the result tables, the formatted table generator,
// the command/parameter table, and their way out by clipboard and file.
#include "app/ui/fMain.h"

#include "app/Restrictions.h"
#include "data/DataSource.h"
#include "data/DataTable.h"
#include "tables/CommandTable.h"
#include "tables/ResultTable.h"
#include "tables/ResultWorkbook.h"
#include "tables/TableExport.h"
#include "tables/ui/uClipTables.h"
#include "tables/ui/uFormATable.h"
#include "util/TextLines.h"
#include "util/VeltraError.h"
#include "util/uString.h"
#include "widgets/PanelStatusBar.h"

#include <QCheckBox>
#include <QClipboard>
#include <QDateTime>
#include <QFileInfo>
#include <QGuiApplication>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>

namespace veltra {

namespace {

constexpr int ParameterTablePage = 2;

QStringList Lines(const QPlainTextEdit* view)
{
    return ViewLines(view->toPlainText());
}

void Show(QPlainTextEdit* view, const QStringList& lines)
{
    view->setPlainText(lines.join(QLatin1Char('\n')));
}

void CopyToClipboard(const QPlainTextEdit* view)
{
    QGuiApplication::clipboard()->setText(ClipboardText(Lines(view)));
}

} // namespace

// --- result tables --------------------------------------------------------------------------

void TForm1::bGenTableClick()
{
    GenerateTable(ResultTableForm::Formatted);
}

void TForm1::bGenCSVTableClick()
{
    GenerateTable(ResultTableForm::Csv);
}

void TForm1::bGenTabDelimClick()
{
    GenerateTable(ResultTableForm::TabDelimited);
}

void TForm1::GenerateTable(ResultTableForm form)
{
    mTableContent->clear();
    if (!dsTable->isActive()) {
        Dialogs::ShowMessage(this, QStringLiteral("No selected data set."));
        return;
    }
    // The names stay in upper case until the next data file is connected; a formatted
    // table made in between shows them so.
    if (form != ResultTableForm::Formatted) {
        QStringList names = DataFieldNames;
        UpperCaseLines(names);
        m_db.setDataFieldNames(names);
    }
    const GeneratorResult table = GenerateResultTable(*cdsFile, TableOptions(form));
    Show(mTableContent, table.lines);
    m_resultLayout = {form == ResultTableForm::Formatted ? TableTextKind::Formatted
                      : form == ResultTableForm::Csv     ? TableTextKind::Csv
                                                         : TableTextKind::TabDelimited,
                      table.columnWidths, table.headerWidths};
    if (!table.complete()) {
        // The data file shows the row the table stopped at (its first row when the
        // table failed before reaching one).
        cdsFile->moveTo(table.stopRow.value_or(0) + 1);
        table.throwIfStopped();
    }
    cdsFile->first();
    t->setCurrentIndex(ParameterTablePage);
    bTableToExcelFormatByClipboard->setEnabled(form != ResultTableForm::Csv);
}

ResultTableOptions TForm1::TableOptions(ResultTableForm form) const
{
    ResultTableOptions options;
    options.form = form;
    options.digits = seTabDig->value();
    options.decimals = seTabDec->value();
    options.fieldNames = DataFieldNames;
    options.sectionFieldNames = SectionFieldNames;
    for (int item = 0; item < clbVar->count(); ++item)
        options.checked << (clbVar->item(item)->checkState() == Qt::Checked);
    return options;
}

void TForm1::bUserDefTabClick()
{
    EnsureSecondaryWindows();
    if (!fFormTab)
        throw VeltraError(QStringLiteral("The formatted table generator is not available"));
    fFormTab->SetDataFile(ReplaceFileExtension(DataFilePath, QStringLiteral("xml")),
                          seTabDig->value(), seTabDec->value());
    fFormTab->exec();
    Show(mTableContent, fFormTab->ResultLines());
    m_resultLayout = fFormTab->ResultLayout();
    bTableToExcelFormatByClipboard->setEnabled(true);
}

// --- export ---------------------------------------------------------------------------------

void TForm1::bTableToClipboardClick()
{
    CopyToClipboard(mTableContent);
}

void TForm1::bParaToClipBoardClick()
{
    CopyToClipboard(mFormula);
}

void TForm1::bTableToExcelFormatByClipboardClick()
{
    CopyToClipboard(mTableContent);
    EnsureSecondaryWindows();
    if (!fClipTab)
        throw VeltraError(QStringLiteral("The clipboard table window is not available"));
    try {
        fClipTab->ConvertClipboardToTabs(m_resultLayout);
    } catch (const VeltraError&) {
        // The buffer shows the text as far as the conversion got, for the user to look at.
        Dialogs::ShowMessage(this,
                             QStringLiteral("Something went wrong while Conversion to "
                                            "Tab-delimited Format\rLook at the table for errors"));
        fClipTab->exec();
    }
}

void TForm1::SaveTabletofile1Click()
{
    const QString path =
        Dialogs::AskFileName(this, Dialogs::FileMode::Save, sdTable, m_tableFileName);
    if (path.isEmpty())
        return;
    m_tableFileName = path;
    WriteTextLines(path, Lines(mTableContent));
}

void TForm1::SaveTableAsWorkbookClick()
{
    if (!dsTable->isActive()) {
        Dialogs::ShowMessage(this, QStringLiteral("No selected data set."));
        return;
    }
    const QString path =
        Dialogs::AskFileName(this, Dialogs::FileMode::Save, sdWorkbook, m_workbookFileName);
    if (path.isEmpty())
        return;
    m_workbookFileName = path;
    auto field = [this](const char* name) {
        return ReferenceDatabase::CurrentText(*CDSData, QLatin1String(name));
    };
    const QString info = CurrentInfo();
    const ResultWorkbookSource source{field("Variable"),
                                      field("DataSource"),
                                      QFileInfo(field("DataFile").trimmed()).fileName(),
                                      info,
                                      RestrictionDisplayLines(info),
                                      QDateTime::currentDateTime()};
    WriteResultWorkbook(path, *cdsFile, TableOptions(ResultTableForm::Formatted), source);
}

void TForm1::ClearTable1Click()
{
    mTableContent->clear();
}

// --- command/parameter table ------------------------------------------------------------------

void TForm1::bGenerateACommandTableClick()
{
    BuildCommandTable();
}

void TForm1::BuildCommandTable()
{
    ShowCommandTable(false);
    // After the command the data file stands on its first age group.
    cdsFile->first();
}

void TForm1::ShowCommandTable(bool keepAgeGroup)
{
    if (!dsTable->isActive()) {
        Dialogs::ShowMessage(this, QStringLiteral("No data set selected."));
        return;
    }
    const GeneratorResult table = GenerateCommandTable(
        CurrentCommandTableSource(*CDSData), *cdsFile, {seTop->value(), cbExcludeGF->isChecked()});
    Show(mFormula, table.lines);
    if (!table.complete()) {
        if (!keepAgeGroup)
            cdsFile->moveTo(table.stopRow.value_or(0) + 1);
        table.throwIfStopped();
    }
}

} // namespace veltra
