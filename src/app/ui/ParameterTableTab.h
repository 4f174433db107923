// The "Parameter Table" tab: the result tables of the connected data file (formatted, CSV,
// tab-delimited, user defined) and their ways out: clipboard, spreadsheet copy, text file
// and workbook.
#pragma once

#include "app/ui/ViewerPart.h"
#include "widgets/Dialogs.h"

class QPlainTextEdit;
class QPushButton;
class QSpinBox;

namespace veltra {

class DatabaseTab;
enum class ResultTableForm;
struct GeneratorResult;
struct ResultTableOptions;

class ParameterTableTab : public ViewerPart
{
    Q_OBJECT
public:
    /// fields: the tab whose marks choose the table's columns.
    ParameterTableTab(ViewerState& state, const DatabaseTab& fields, QWidget* parent);

    /// The options of a result table: digits, decimals and the marked fields.
    ResultTableOptions TableOptions(ResultTableForm form) const;
    /// Shows a formatted table made elsewhere (the report's), as the table command would.
    void ShowFormattedTable(const GeneratorResult& table);
    /// Allows the spreadsheet copy (a CSV table has no columns to cut).
    void EnableSpreadsheetCopy(bool enabled);

public Q_SLOTS:
    void GenerateFormatted();
    void GenerateCsv();
    void GenerateTabDelimited();
    /// The formatted table generator's window on the connected file; its table is shown.
    void BuildUserDefined();
    void CopyToClipboard();
    /// Copies the table and converts it for a spreadsheet, column by column.
    void CopyForSpreadsheet();
    void SaveToFile();
    /// "Save as Excel workbook...": the result table's workbook of the current data file.
    void SaveAsWorkbook();
    void Clear();

private:
    /// Clears the result view, then fills it with the table of this form.
    void GenerateTable(ResultTableForm form);

    const DatabaseTab& m_fields;
    QPlainTextEdit* mTableContent = nullptr;
    QSpinBox* seTabDig = nullptr;
    QSpinBox* seTabDec = nullptr;
    QPushButton* bGenTable = nullptr;
    QPushButton* bGenCSVTable = nullptr;
    QPushButton* bGenTabDelim = nullptr;
    QPushButton* bUserDefTab = nullptr;
    QPushButton* bTableToExcelFormatByClipboard = nullptr;
    QPushButton* bTableToClipboard = nullptr;
    QPushButton* bSaveTableAsWorkbook = nullptr;
    FileDialogSettings sdTable;
    FileDialogSettings sdWorkbook;
    // The file names chosen last in the save dialogs.
    QString m_tableFileName;
    QString m_workbookFileName;
};

} // namespace veltra
