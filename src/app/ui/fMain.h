// The main window: a frame of parts. The browser panel sits above the tabs; each tab is a
// part that owns its controls and handlers (InformationTab, DatabaseTab, ParameterTableTab,
// EdfTab, FormulaTab, ProtocolTab, ReportTab). The window keeps the shared state
// (ViewerState), the menus, the status bar and what joins the parts: the row change of the
// parameter table and its data file, the settings, and the commands that reach across
// tabs. Its handlers are spread over files by concern: fMain.cpp (start, settings,
// closing, screen sizes, table commands), fMainLayout.cpp (parts, menus, status bar),
// fMainBrowse.cpp (row change, data file, age groups, the other windows), fMainSearch.cpp
// (keyword search), fMainChecks.cpp (check lists and editing).
#pragma once

#include "app/ui/ViewerState.h"

#include <QMainWindow>

class QAction;
class QMenu;
class QTabWidget;

namespace veltra {

class BrowserPanel;
class DatabaseTab;
class EdfTab;
class FormulaTab;
class InformationTab;
class PanelStatusBar;
class ParameterTableTab;
class ProtocolTab;
class ReportTab;
class ShortcutDispatcher;
class TfDistributions;
class TfScenario;

/// The viewer's main window. The constructor builds the window, writes the protocol
/// header, loads the hierarchy tables (which connects the first data file) and reads the
/// settings. Every handler runs through the window's error guard.
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

    /// The browser's tables and connection state.
    ReferenceDatabase& Database() { return m_state.db; }
    /// The guard every handler runs through; its reporter can be replaced.
    ErrorGuard& Guard() { return m_state.guard; }
    /// Replaces the system beep (tests count the beeps instead).
    void SetBeeper(std::function<void()> beeper) { m_state.beep = std::move(beeper); }
    void AddProtocolLine(const QString& text) { m_state.log.AddLine(text); }
    QStringList ProtocolLines() const { return m_state.log.lines(); }
    /// The path of the settings file: the executable's path with the extension ".INI".
    QString SettingsPath() const;
    /// The windows the commands open (search, formatted table generator, clipboard table,
    /// wait notice, about box); `make` runs at the first command that needs one.
    void SetSecondaryWindows(std::function<SecondaryWindows()> make);
    /// Moves the tables to the parameter row with this headline code, topic code and ID,
    /// as far as the filters let the walk reach, then shows that row as a row change
    /// would (used by the search window).
    void GoToParameter(const QString& top, const QString& ps, qint64 id);

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    static constexpr int StandardWidth = 1032;
    static constexpr int StandardHeight = 746;

    void FormCreate();
    void ReadSettings();
    void WriteSettings();
    void CloseTablesAndSaveSettings();
    void LoadHierarchyTables();
    void ReopenTables();
    void Standard();
    /// The parameter row changed: status bar, data file, command table, restrictions.
    void dsParaDataChange();
    /// Connects the row's data file; a file that cannot be used empties the data views.
    void ConnectDataFile(const QString& name);
    void EmptyDataViews();
    /// The data file's age group changed.
    void dsTableDataChange();
    /// The data file's rows were reset (opened, closed, enabled, disabled).
    void dsTableRowsReset();
    void OpenAllTables();
    void CloseAllTables();
    void Quit();
    /// Shows the distribution window, which then follows the current age group.
    void ShowDistributions();
    /// Shows the scenario window on the database folder.
    void ShowScenario();
    void Search();
    void ShowAboutBox();
    void SaveParameterChanges();
    void SaveDataSetChanges();
    void ListHeadlines();
    void ListTopics();
    void ListParameters();

    void buildMenus();
    QAction* addAction(QMenu* menu, const char* name, const QString& text,
                       const QKeySequence& shortcut = {});

    ViewerState m_state;
    BrowserPanel* m_browser = nullptr;
    QTabWidget* t = nullptr;
    InformationTab* m_information = nullptr;
    DatabaseTab* m_database = nullptr;
    ParameterTableTab* m_tables = nullptr;
    EdfTab* m_edf = nullptr;
    FormulaTab* m_formula = nullptr;
    ProtocolTab* m_protocol = nullptr;
    ReportTab* m_report = nullptr;
    PanelStatusBar* sb1 = nullptr;
    ShortcutDispatcher* m_shortcuts = nullptr;
    /// Made at their first opening.
    TfDistributions* fDistributions = nullptr;
    TfScenario* fScenario = nullptr;
};

} // namespace veltra
