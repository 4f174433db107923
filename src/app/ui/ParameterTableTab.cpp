#include "app/ui/ParameterTableTab.h"

#include "app/Restrictions.h"
#include "app/ui/DatabaseTab.h"
#include "data/DataSource.h"
#include "data/DataTable.h"
#include "tables/ResultTable.h"
#include "tables/ResultWorkbook.h"
#include "tables/ui/uClipTables.h"
#include "tables/ui/uFormATable.h"
#include "util/TextLines.h"
#include "util/VeltraError.h"
#include "util/uString.h"
#include "widgets/FormControls.h"
#include "widgets/GuardedHandler.h"

#include <QDateTime>
#include <QFileInfo>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace veltra {

namespace {

void Show(QPlainTextEdit* view, const QStringList& lines)
{
    view->setPlainText(lines.join(QLatin1Char('\n')));
}

} // namespace

ParameterTableTab::ParameterTableTab(ViewerState& state, const DatabaseTab& fields, QWidget* parent)
    : ViewerPart(state, "tsParameterTable", parent), m_fields(fields)
{
    sdTable = {QStringLiteral("Save the table to .."), QStringLiteral("txt"),
               QStringLiteral("Text file [*.txt]|*.txt|All|*.*"), true};
    sdWorkbook = {QStringLiteral("Save as Excel workbook"), QStringLiteral("xlsx"),
                  QStringLiteral("Excel workbook [*.xlsx]|*.xlsx"), true};

    auto* box = new QHBoxLayout(this);
    box->setContentsMargins(2, 2, 2, 2);
    mTableContent = FixedMemo("mTableContent", this);
    mTableContent->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    box->addWidget(mTableContent, 1);

    auto* group = new QGroupBox(QStringLiteral(" Format "), this);
    group->setObjectName(QStringLiteral("gbTableFormat"));
    group->setFixedWidth(170);
    auto* form = new QVBoxLayout(group);
    form->addWidget(new QLabel(QStringLiteral("Standard output format"), group));
    auto* digits = new QHBoxLayout;
    digits->addWidget(new QLabel(QStringLiteral("Digits"), group));
    seTabDig = SpinEdit("seTabDig", 6, 14, 9, group);
    digits->addWidget(seTabDig);
    form->addLayout(digits);
    auto* decimals = new QHBoxLayout;
    decimals->addWidget(new QLabel(QStringLiteral("Decimals "), group));
    seTabDec = SpinEdit("seTabDec", 0, 7, 2, group);
    decimals->addWidget(seTabDec);
    form->addLayout(decimals);
    bGenTable = Button("bGenTable", QStringLiteral("&Formated table"), group);
    bGenCSVTable = Button("bGenCSVTable", QStringLiteral("&CSV Table"), group);
    bGenTabDelim = Button("bGenTabDelim", QStringLiteral("Tab&Delimited Table"), group);
    bUserDefTab = Button("bUserDefTab", QStringLiteral("&User Defined Table"), group);
    bTableToExcelFormatByClipboard =
        Button("bTableToExcelFormatByClipboard", QStringLiteral("TableTo&Excel"), group);
    bTableToClipboard = Button("bTableToClipboard", QStringLiteral("&TableToClipboard"), group);
    bSaveTableAsWorkbook =
        Button("bSaveTableAsWorkbook", QStringLiteral("Save as Excel &workbook..."), group);
    const std::pair<QPushButton*, void (ParameterTableTab::*)()> buttons[] = {
        {bGenTable, &ParameterTableTab::GenerateFormatted},
        {bGenCSVTable, &ParameterTableTab::GenerateCsv},
        {bGenTabDelim, &ParameterTableTab::GenerateTabDelimited},
        {bUserDefTab, &ParameterTableTab::BuildUserDefined},
        {bTableToExcelFormatByClipboard, &ParameterTableTab::CopyForSpreadsheet},
        {bTableToClipboard, &ParameterTableTab::CopyToClipboard},
        {bSaveTableAsWorkbook, &ParameterTableTab::SaveAsWorkbook}};
    for (const auto& [button, handler] : buttons) {
        ConnectGuarded(button, &QPushButton::clicked, this, handler);
        form->addWidget(button);
    }
    form->addStretch(1);
    box->addWidget(group);
}

void ParameterTableTab::GenerateFormatted()
{
    GenerateTable(ResultTableForm::Formatted);
}

void ParameterTableTab::GenerateCsv()
{
    GenerateTable(ResultTableForm::Csv);
}

void ParameterTableTab::GenerateTabDelimited()
{
    GenerateTable(ResultTableForm::TabDelimited);
}

void ParameterTableTab::GenerateTable(ResultTableForm form)
{
    mTableContent->clear();
    ReferenceDatabase& db = m_state.db;
    if (!db.dataFileLink().isActive()) {
        Dialogs::ShowMessage(this, QStringLiteral("No selected data set."));
        return;
    }
    // The names stay in upper case until the next data file is connected; a formatted
    // table made in between shows them so.
    if (form != ResultTableForm::Formatted) {
        QStringList names = db.dataFieldNames();
        UpperCaseLines(names);
        db.setDataFieldNames(names);
    }
    DataTable& file = db.dataFile();
    const GeneratorResult table = GenerateResultTable(file, TableOptions(form));
    Show(mTableContent, table.lines);
    m_state.resultLayout = {form == ResultTableForm::Formatted ? TableTextKind::Formatted
                            : form == ResultTableForm::Csv     ? TableTextKind::Csv
                                                               : TableTextKind::TabDelimited,
                            table.columnWidths, table.headerWidths};
    if (!table.complete()) {
        // The data file shows the row the table stopped at (its first row when the
        // table failed before reaching one).
        file.moveTo(table.stopRow.value_or(0) + 1);
        table.throwIfStopped();
    }
    file.first();
    ShowPage();
    EnableSpreadsheetCopy(form != ResultTableForm::Csv);
}

ResultTableOptions ParameterTableTab::TableOptions(ResultTableForm form) const
{
    ResultTableOptions options;
    options.form = form;
    options.digits = seTabDig->value();
    options.decimals = seTabDec->value();
    options.fieldNames = m_state.db.dataFieldNames();
    options.sectionFieldNames = m_state.sectionFieldNames;
    options.checked = m_fields.MarkedFields();
    return options;
}

void ParameterTableTab::ShowFormattedTable(const GeneratorResult& table)
{
    Show(mTableContent, table.lines);
    m_state.resultLayout = {TableTextKind::Formatted, table.columnWidths, table.headerWidths};
}

void ParameterTableTab::EnableSpreadsheetCopy(bool enabled)
{
    bTableToExcelFormatByClipboard->setEnabled(enabled);
}

void ParameterTableTab::BuildUserDefined()
{
    TfFormTab* window = m_state.Windows().formTab;
    if (!window)
        throw VeltraError(QStringLiteral("The formatted table generator is not available"));
    window->SetDataFile(ReplaceFileExtension(m_state.db.dataFilePath(), QStringLiteral("xml")),
                        seTabDig->value(), seTabDec->value());
    window->exec();
    Show(mTableContent, window->ResultLines());
    m_state.resultLayout = window->ResultLayout();
    EnableSpreadsheetCopy(true);
}

void ParameterTableTab::CopyToClipboard()
{
    CopyViewToClipboard(*mTableContent);
}

void ParameterTableTab::CopyForSpreadsheet()
{
    CopyToClipboard();
    TfClipTab* window = m_state.Windows().clipTab;
    if (!window)
        throw VeltraError(QStringLiteral("The clipboard table window is not available"));
    try {
        window->ConvertClipboardToTabs(m_state.resultLayout);
    } catch (const VeltraError&) {
        // The buffer shows the text as far as the conversion got, for the user to look at.
        Dialogs::ShowMessage(this,
                             QStringLiteral("Something went wrong while Conversion to "
                                            "Tab-delimited Format\rLook at the table for errors"));
        window->exec();
    }
}

void ParameterTableTab::SaveToFile()
{
    const QString path =
        Dialogs::AskFileName(this, Dialogs::FileMode::Save, sdTable, m_tableFileName);
    if (path.isEmpty())
        return;
    m_tableFileName = path;
    WriteTextLines(path, ViewLines(mTableContent->toPlainText()));
}

void ParameterTableTab::SaveAsWorkbook()
{
    const ReferenceDatabase& db = m_state.db;
    if (!db.dataFileLink().isActive()) {
        Dialogs::ShowMessage(this, QStringLiteral("No selected data set."));
        return;
    }
    const QString path =
        Dialogs::AskFileName(this, Dialogs::FileMode::Save, sdWorkbook, m_workbookFileName);
    if (path.isEmpty())
        return;
    m_workbookFileName = path;
    auto field = [&db](const char* name) {
        return ReferenceDatabase::CurrentText(db.parameters(), QLatin1String(name));
    };
    const QString info = m_state.CurrentInfo();
    const ResultWorkbookSource source{field("Variable"),
                                      field("DataSource"),
                                      QFileInfo(field("DataFile").trimmed()).fileName(),
                                      info,
                                      RestrictionDisplayLines(info),
                                      QDateTime::currentDateTime()};
    WriteResultWorkbook(path, db.dataFile(), TableOptions(ResultTableForm::Formatted), source);
}

void ParameterTableTab::Clear()
{
    mTableContent->clear();
}

} // namespace veltra
