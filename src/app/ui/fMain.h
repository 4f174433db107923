// The main window: browser of the reference-value database. Its tables and connection
// state live in a ReferenceDatabase, its protocol in a ProtocolLog; the window reads
// its controls, calls the core and shows the result. The handlers are spread over
// files by concern: fMain.cpp (start, settings, closing, screen sizes), fMainLayout.cpp
// (controls, menus, status bar and their connections), fMainBrowse.cpp (navigation,
// data file, age groups, restriction panel, closing and reopening the tables),
// fMainTables.cpp (table output), fMainSearch.cpp (keyword search), fMainReport.cpp
// (documentation report), fMainChecks.cpp (check lists), fMainLog.cpp (protocol log
// and about box) and fMainEdit.cpp (editing functions).
#pragma once

#include "data/ReferenceDatabase.h"
#include "tables/TableExport.h"
#include "util/PageSetup.h"
#include "util/ProtocolLog.h"
#include "widgets/Dialogs.h"
#include "widgets/ErrorGuard.h"

#include <QMainWindow>
#include <QStringList>
#include <functional>

class QAction;
class QButtonGroup;
class QCheckBox;
class QComboBox;
class QFileDialog;
class QGroupBox;
class QLabel;
class QListWidget;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QSpinBox;
class QTabWidget;
class QToolButton;

namespace veltra {

class ButtonTabBar;
class DataSource;
class DataTable;
class DbEdit;
class DbGrid;
class DbMemo;
class DbNavigator;
class DbRichText;
class PanelStatusBar;
class ProtocolView;
class ShortcutDispatcher;
class TAboutBox;
class TfClipTab;
class TfDistributions;
class TfScenario;
class TOLEEdit;
enum class ResultTableForm;
struct ResultTableOptions;
class TfFormTab;
class TfSearchIndex;
class TfWhatsOn;

/// The viewer's main window. The constructor builds the window and runs FormCreate:
/// protocol header, the hierarchy tables (which connects the first data file) and the
/// settings. Handlers are named after their control and event; every handler runs
/// through the window's error guard.
class TForm1 : public QMainWindow
{
    Q_OBJECT
public:
    /// exePath: full path of the running executable (the settings file lies beside it).
    /// databaseDir: when not empty, the folder data files are looked for in instead of the
    /// executable's folder. Hierarchy files are always looked for in the current folder.
    explicit TForm1(const QString& exePath, const QString& databaseDir = QString(),
                    QWidget* parent = nullptr);
    ~TForm1() override;

    static const QString VersionText;
    static const QString EditModeText;

private:
    /// Runs MakeSecondaryWindows when it has not run yet.
    void EnsureSecondaryWindows();
    // Declared first: the members below refer into them.
    ReferenceDatabase m_db;
    ProtocolLog m_log;

public:
    // --- state read by the other windows -----------------------------------------------
    QString ExePath;
    // The database's state, read only: it changes through the database's calls.
    const QString& RunDir;
    const QString& DataFileName;
    const QString& DataFilePath;
    const QString& ConnectedDataFileName;
    const QStringList& DataFieldNames;
    QStringList SectionFieldNames;
    bool OpenDataFiles = true;
    bool IndexOutdated = true;
    bool ParameterTableSaved = false;
    QString RestrictOrder;
    /// The paper of saved reports: [Report] Paper=a4|letter of the settings file, else the
    /// locale's.
    PaperSize ReportPaper = PaperSize::A4;

    // --- tables (owned by the database) ---------------------------------------------------
    DataTable* const cdsHead;
    DataTable* const CDSTopics;
    DataTable* const CDSData;
    DataTable* const cdsFile;
    DataSource* const dsHead;
    DataSource* const dsTopics;
    DataSource* const dsPara;
    DataSource* const dsTable;

    /// The browser's tables and connection state.
    ReferenceDatabase& Database() { return m_db; }

    // --- operations used by other windows ----------------------------------------------
    void AddProtocolLine(const QString& text);
    void CloseTablesAndSaveSettings();
    void LoadHierarchyTables();
    void ConnectDataFile(const QString& name);

    /// The path of the settings file: the executable's path with the extension ".INI".
    QString SettingsPath() const;
    /// The lines of the protocol log.
    QStringList ProtocolLines() const { return m_log.lines(); }
    /// The guard every handler runs through; its reporter can be replaced.
    ErrorGuard& Guard() { return m_guard; }
    /// Replaces the system beep (tests count the beeps instead).
    void SetBeeper(std::function<void()> beeper) { m_beep = std::move(beeper); }

    QString GetRestrictionText();
    QString GetUpdateStatusText();

    // --- controls -------------------------------------------------------------------------
    DbGrid* dbgTopics = nullptr;
    DbGrid* dbgParameter = nullptr;
    DbGrid* dbgSources = nullptr;
    QComboBox* cbSex = nullptr;
    QGroupBox* rgOrderRestriction = nullptr;
    QButtonGroup* m_orderButtons = nullptr;
    QTabWidget* t = nullptr;
    DbRichText* dbmInfo = nullptr;
    QWidget* pnRestriction = nullptr;
    ButtonTabBar* TbCnt = nullptr;
    QPlainTextEdit* M1 = nullptr;
    QToolButton* sbClose = nullptr;
    DbGrid* DBGrid2 = nullptr;
    DbNavigator* DBNavigator5 = nullptr;
    QListWidget* clbVar = nullptr;
    QWidget* pnDoSelection = nullptr;
    QCheckBox* cbAll = nullptr;
    DbRichText* dbVarLabel = nullptr;
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
    QTabWidget* tEdf = nullptr;
    DbMemo* dbmGF = nullptr;
    QPlainTextEdit* mTransformed = nullptr;
    /// The percentile reliability of the current age group, below the tabs of the EDF page.
    QLabel* lReliability = nullptr;
    DbMemo* dbmMemoBstFt = nullptr;
    DbMemo* dbmQuantilesFit = nullptr;
    DbEdit* dbeQuantAge = nullptr;
    DbEdit* dbeQuantN = nullptr;
    DbNavigator* DBNavigator6 = nullptr;
    QPushButton* bDistributions = nullptr;
    QPlainTextEdit* mFormula = nullptr;
    QPushButton* bGenerateACommandTable = nullptr;
    QSpinBox* seTop = nullptr;
    QCheckBox* cbExcludeGF = nullptr;
    QPushButton* bParaToClipBoard = nullptr;
    ProtocolView* PrtMemo = nullptr;
    QCheckBox* cbFileAccessPrt = nullptr;
    QCheckBox* cbGiveIndexPrt = nullptr;
    QCheckBox* cbShowAdditionalInfo = nullptr;
    QPushButton* bCloseAllTables = nullptr;
    QPushButton* bCloseOpen = nullptr;
    TOLEEdit* oe1 = nullptr;
    PanelStatusBar* sb1 = nullptr;

    FileDialogSettings sdTable;
    FileDialogSettings sdWorkbook;
    FileDialogSettings sdRTF;
    FileDialogSettings sdLog;

    // --- secondary windows the main window opens (set by the program's start) ----------
    /// Makes the secondary windows below and sets their pointers; run once, by the first
    /// command that opens one of them, so that the start builds only the main window.
    std::function<void()> MakeSecondaryWindows;
    TfFormTab* fFormTab = nullptr;
    TfClipTab* fClipTab = nullptr;
    TfSearchIndex* fSearchIndex = nullptr;
    TfWhatsOn* fWhatsOn = nullptr;
    TAboutBox* AboutBox = nullptr;
    /// The distribution window; made at its first opening.
    TfDistributions* fDistributions = nullptr;
    TfScenario* fScenario = nullptr;

    // --- handlers -------------------------------------------------------------------------
    // browsing (fMainBrowse.cpp, the window commands in fMain.cpp)
    void dsHeadDataChange();
    void dsTopicsDataChange();
    void dsParaDataChange();
    void ApplyParameterFilter();
    void cbSexChange();
    void rgOrderRestrictionClick();
    void BindDataFileFields();
    void cdsFileBeforeOpen();
    void dsTableDataChange();
    /// The data file's rows were reset (opened, closed, enabled, disabled).
    void dsTableRowsReset();
    void bCloseAllTablesClick();
    void bCloseOpenClick();
    void Openalltables1Click();
    void Closealltablesconnections1Click();
    void Quit1Click();
    void Maximize1Click();
    void Standard1Click();
    void cbShowAdditionalInfoClick();
    void sb1MouseDown();
    void TbCntMouseDown(int tab);
    void sbCloseClick();
    /// Shows the distribution window, which then follows the current age group.
    void Distributions1Click();
    /// Shows the scenario window (Model > Scenario), on the database folder.
    void Scenario1Click();

    // table output (fMainTables.cpp)
    void bGenTableClick();
    void bGenCSVTableClick();
    void bGenTabDelimClick();
    void bUserDefTabClick();
    void bTableToClipboardClick();
    void bTableToExcelFormatByClipboardClick();
    void SaveTabletofile1Click();
    /// "Save as Excel workbook...": the result table's workbook of the current data file.
    void SaveTableAsWorkbookClick();
    void ClearTable1Click();
    void bGenerateACommandTableClick();
    void bParaToClipBoardClick();
    /// Rebuilds the command/parameter table of the "Formula    " tab.
    void BuildCommandTable();

    // keyword search (fMainSearch.cpp)
    void Search1Click();
    /// Moves the tables to the parameter row with this headline code, topic code and ID,
    /// as far as the filters let the walk reach, then shows that row as a row change
    /// would (used by the search window).
    void GoToParameter(const QString& top, const QString& ps, qint64 id);

    // documentation report (fMainReport.cpp)
    void WordReport1Click();
    void Save1Click();

    // check lists (fMainChecks.cpp)
    void ListofTopics1Click();
    void Listofparameters1Click();
    void ListofDataSources1Click();

    // protocol log and about box (fMainLog.cpp)
    void ShowErrorProtocol1Click();
    void SavetheErrorProtocoltofile1Click();
    void Clear1Click();
    void Info1Click();

    // editing functions of the "&Database" menu (fMainEdit.cpp)
    void InfoPagetoClipboard1Click();
    void PasteClipboardToInfopage1Click();
    void Savechanges1Click();
    void Savechangesindataset1Click();

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    static constexpr int StandardWidth = 1032;
    static constexpr int StandardHeight = 746;

    void FormCreate();
    void FormClose();
    void FormResize();
    void ReadSettings();
    void WriteSettings();
    void ShowRestrictionPanel(const QStringList& lines);
    /// The Info field text of the current parameter row.
    QString CurrentInfo() const;
    void EmptyDataViews();
    /// The command/parameter table; keepAgeGroup: the data file stays on its current age
    /// group (a row change to another row sharing the file keeps it), also when the
    /// table stops at a failing group.
    void ShowCommandTable(bool keepAgeGroup);
    /// The three result table generators: clears the result view, then fills it.
    void GenerateTable(ResultTableForm form);
    /// The options of a result table from the Parameter Table page: digits, decimals and
    /// the checked fields.
    ResultTableOptions TableOptions(ResultTableForm form) const;

    QWidget* buildSelectionPanel();
    QWidget* buildInformationTab();
    QWidget* buildDatabaseTab();
    QWidget* buildParameterTableTab();
    QWidget* buildEdfTab();
    QWidget* buildFormulaTab();
    QWidget* buildProtocolTab();
    void buildMenus();
    QAction* addAction(QMenu* menu, const char* name, const QString& text,
                       const QKeySequence& shortcut = {});

    ErrorGuard m_guard;
    std::function<void()> m_beep;
    ShortcutDispatcher* m_shortcuts = nullptr;
    // The file name chosen last in the result table's save dialog.
    QString m_tableFileName;
    // The file name chosen last in the workbook's save dialog.
    QString m_workbookFileName;
    // The kind and column widths of the table in the result view, for the spreadsheet copy.
    TableTextLayout m_resultLayout;
};

} // namespace veltra
