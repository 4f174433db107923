// The main window's parts, menus and status bar, and the connection of each to its
// handler.
#include "app/ui/fMain.h"

#include "app/ui/BrowserPanel.h"
#include "app/ui/DatabaseTab.h"
#include "app/ui/EdfTab.h"
#include "app/ui/FormulaTab.h"
#include "app/ui/InformationTab.h"
#include "app/ui/ParameterTableTab.h"
#include "app/ui/ProtocolTab.h"
#include "app/ui/ReportTab.h"
#include "data/DataSource.h"
#include "widgets/GuardedHandler.h"
#include "widgets/Named.h"
#include "widgets/PanelStatusBar.h"
#include "widgets/ShortcutDispatcher.h"

#include <QAction>
#include <QApplication>
#include <QMenuBar>
#include <QTabWidget>
#include <QVBoxLayout>

namespace veltra {

TForm1::TForm1(const QString& exePath, const QString& databaseDir, QWidget* parent)
    : QMainWindow(parent), m_state(this)
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral(
        "     Veltra  Exposure and Risk Assessment Reference Values   (Pandor-Project) "));
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    m_state.beep = [] { QApplication::beep(); };
    m_state.exePath = exePath;
    // The folder part of the path without its trailing separator.
    QString runDir = exePath.left(qMax<qsizetype>(0, exePath.lastIndexOf(QLatin1Char('/'))));
    if (!databaseDir.isEmpty()) {
        runDir = databaseDir;
        while (runDir.size() > 1 && runDir.endsWith(QLatin1Char('/')))
            runDir.chop(1);
    }
    m_state.db.setRunDir(runDir);
    // The parameter table, the largest file of the start, is read and parsed while the
    // controls are built; FormCreate's load takes it.
    m_state.db.PrefetchParameterTable();

    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    m_browser = new BrowserPanel(m_state, central);
    layout->addWidget(m_browser);
    t = Named(new QTabWidget(central), "t");
    m_information = new InformationTab(m_state, t);
    m_database = new DatabaseTab(m_state, t);
    m_tables = new ParameterTableTab(m_state, *m_database, t);
    m_edf = new EdfTab(m_state, t);
    m_formula = new FormulaTab(m_state, t);
    m_protocol = new ProtocolTab(m_state, t);
    m_report = new ReportTab(m_state, *m_tables, *m_formula, t);
    t->addTab(m_information, QStringLiteral("Information"));
    t->addTab(m_database, QStringLiteral("Database Table"));
    t->addTab(m_tables, QStringLiteral("Parameter Table"));
    t->addTab(m_edf, QStringLiteral("Parameters of EDF/CDF"));
    t->addTab(m_formula, QStringLiteral("Formula    "));
    t->addTab(m_protocol, QStringLiteral("Prot./Options"));
    t->addTab(m_report, QStringLiteral("Report    "));
    t->setCurrentIndex(0);
    layout->addWidget(t, 1);
    setCentralWidget(central);

    sb1 = Named(new PanelStatusBar(this), "sb1");
    // The two key panels were sized for a narrower dialog font; they grow with this one so
    // that "Top:" and a four-character key stay readable.
    const int keyPanelWidth =
        qMax(50, sb1->fontMetrics().horizontalAdvance(QStringLiteral("Top:WWWW")) + 8);
    sb1->addPanel(keyPanelWidth, QStringLiteral("TOP"));
    sb1->addPanel(keyPanelWidth, QStringLiteral("PS"));
    sb1->addPanel(400, QStringLiteral("File"));
    sb1->addPanel(170, QStringLiteral("Group:"));
    sb1->addPanel(200, QStringLiteral("Content:"), true);
    setStatusBar(sb1);

    ConnectGuarded(sb1, &PanelStatusBar::pressed, m_information,
                   &InformationTab::ToggleRestrictionPanel);
    ConnectGuarded(m_protocol, &ProtocolTab::additionalInfoToggled, m_information,
                   &InformationTab::SetAdditionalInfoShown);
    ConnectGuarded(m_protocol, &ProtocolTab::closeAllRequested, this,
                   &TForm1::CloseTablesAndSaveSettings);
    ConnectGuarded(m_protocol, &ProtocolTab::reopenRequested, this, &TForm1::ReopenTables);
    ConnectGuarded(m_edf, &EdfTab::distributionsRequested, this, &TForm1::ShowDistributions);
    DataSource& file = m_state.db.dataFileLink();
    ConnectGuarded(&file, &DataSource::rowsReset, this, &TForm1::dsTableRowsReset);

    buildMenus();
    m_shortcuts = new ShortcutDispatcher(this);

    m_state.db.parameterLink().setHandler(Guarded(this, &TForm1::dsParaDataChange));
    file.setHandler(Guarded(this, &TForm1::dsTableDataChange));

    resize(StandardWidth, StandardHeight);
    FormCreate();
}

QAction* TForm1::addAction(QMenu* menu, const char* name, const QString& text,
                           const QKeySequence& shortcut)
{
    auto* action = new QAction(text, this);
    action->setObjectName(QLatin1String(name));
    if (!shortcut.isEmpty())
        action->setShortcut(shortcut);
    if (menu)
        menu->addAction(action);
    else
        menuBar()->addAction(action);
    return action;
}

void TForm1::buildMenus()
{
    QMenuBar* bar = menuBar();
    bar->setObjectName(QStringLiteral("MainMenu1"));
    // Narrow entries, so that the caption-less ones take little room and the bar keeps
    // every entry visible in the standard window width.
    bar->setStyleSheet(
        QStringLiteral("QMenuBar { spacing: 0px; } QMenuBar::item { padding: 2px 4px; }"));
    auto hide = [](QAction* action) {
        action->setVisible(false);
        action->setEnabled(false);
    };
    auto run = [this](QAction* action, auto* receiver, auto handler) {
        ConnectGuarded(action, &QAction::triggered, receiver, handler);
    };

    QMenu* database = bar->addMenu(QStringLiteral("&Database"));
    database->menuAction()->setObjectName(QStringLiteral("Database1"));
    QMenu* editInfo = database->addMenu(QStringLiteral("Edit &Info"));
    editInfo->menuAction()->setObjectName(QStringLiteral("EditInfo1"));
    run(addAction(editInfo, "InfoPagetoClipboard1", QStringLiteral("&Info Page to Clipboard"),
                  QKeySequence(Qt::CTRL | Qt::Key_I)),
        m_information, &InformationTab::CopyInfoPage);
    QAction* paste = addAction(editInfo, "PasteClipboardToInfopage1",
                               QStringLiteral("&Paste Clipboard To Info page"),
                               QKeySequence(Qt::CTRL | Qt::Key_P));
    run(paste, m_information, &InformationTab::PasteInfoPage);
    hide(paste);
    QAction* saveChanges = addAction(editInfo, "Savechanges1", QStringLiteral("&Save changes"),
                                     QKeySequence(Qt::CTRL | Qt::Key_S));
    run(saveChanges, this, &TForm1::SaveParameterChanges);
    hide(saveChanges);
    QMenu* editData = database->addMenu(QStringLiteral("Edit &Data"));
    editData->menuAction()->setObjectName(QStringLiteral("EditData1"));
    hide(editData->menuAction());
    QAction* saveDataSet =
        addAction(editData, "Savechangesindataset1", QStringLiteral("&Save changes in data set"),
                  QKeySequence(Qt::ALT | Qt::Key_S));
    run(saveDataSet, this, &TForm1::SaveDataSetChanges);
    saveDataSet->setEnabled(false);
    run(addAction(database, "Quit1", QStringLiteral("&Quit"), QKeySequence(Qt::ALT | Qt::Key_F4)),
        this, &TForm1::Quit);

    QMenu* connection = bar->addMenu(QStringLiteral("&Connection"));
    connection->menuAction()->setObjectName(QStringLiteral("Connection1"));
    run(addAction(connection, "Openalltables1", QStringLiteral("&Open all tables"),
                  QKeySequence(Qt::ALT | Qt::Key_O)),
        this, &TForm1::OpenAllTables);
    run(addAction(connection, "Closealltablesconnections1",
                  QStringLiteral("&Close all tables/connections"),
                  QKeySequence(Qt::ALT | Qt::Key_C)),
        this, &TForm1::CloseAllTables);

    QMenu* tables = bar->addMenu(QStringLiteral("Data&Tables"));
    tables->menuAction()->setObjectName(QStringLiteral("DataTables1"));
    QMenu* generate = tables->addMenu(QStringLiteral("&Generate Table"));
    generate->menuAction()->setObjectName(QStringLiteral("GenerateTable1"));
    run(addAction(generate, "GenerateFormattedTable1", QStringLiteral("Generate &Formatted Table")),
        m_tables, &ParameterTableTab::GenerateFormatted);
    run(addAction(generate, "GenerateCSVTable1", QStringLiteral("Generate &CSV Table")), m_tables,
        &ParameterTableTab::GenerateCsv);
    run(addAction(generate, "GenerateTabdelimitedTable1",
                  QStringLiteral("Generate &Tab-delimited Table")),
        m_tables, &ParameterTableTab::GenerateTabDelimited);
    generate->addSeparator();
    run(addAction(generate, "BuildaUsesdefinedTable1",
                  QStringLiteral("Build a &Uses defined Table")),
        m_tables, &ParameterTableTab::BuildUserDefined);
    run(addAction(tables, "SaveTabletofile1", QStringLiteral("&Save result table to file")),
        m_tables, &ParameterTableTab::SaveToFile);
    run(addAction(tables, "SaveTableAsWorkbook1", QStringLiteral("Save as Excel &workbook...")),
        m_tables, &ParameterTableTab::SaveAsWorkbook);
    run(addAction(tables, "CopyresulttabletoClipBoard1",
                  QStringLiteral("Copy result table to Clip&Board")),
        m_tables, &ParameterTableTab::CopyToClipboard);
    tables->addSeparator();
    run(addAction(tables, "ClearTable1", QStringLiteral("&Clear result table ")), m_tables,
        &ParameterTableTab::Clear);
    tables->addSeparator();
    run(addAction(tables, "Distributions1", QStringLiteral("&Distributions")), this,
        &TForm1::ShowDistributions);

    QMenu* model = bar->addMenu(QStringLiteral("&Model"));
    model->menuAction()->setObjectName(QStringLiteral("Model1"));
    run(addAction(model, "Scenario1", QStringLiteral("&Scenario...")), this, &TForm1::ShowScenario);

    run(addAction(nullptr, "Search1", QStringLiteral("&Search"),
                  QKeySequence(Qt::CTRL | Qt::Key_F)),
        this, &TForm1::Search);

    QMenu* report = bar->addMenu(QStringLiteral("&Report"));
    report->menuAction()->setObjectName(QStringLiteral("Report1"));
    run(addAction(report, "WordReport1", QStringLiteral("&Documentation (full)")), m_report,
        &ReportTab::MakeReport);
    run(addAction(report, "Save1", QStringLiteral("&Save the Documentation to file")), m_report,
        &ReportTab::SaveReport);

    QMenu* checks = bar->addMenu(QStringLiteral("&Checks"));
    checks->menuAction()->setObjectName(QStringLiteral("Checks1"));
    run(addAction(checks, "ListofTopics1", QStringLiteral("List of &Headlines")), this,
        &TForm1::ListHeadlines);
    run(addAction(checks, "Listofparameters1", QStringLiteral("List of &Topics")), this,
        &TForm1::ListTopics);
    run(addAction(checks, "ListofDataSources1", QStringLiteral("List of &Parameters")), this,
        &TForm1::ListParameters);

    // Entries without caption or action: they only take room in the menu bar and push the
    // entries after them to the right.
    auto spacers = [this](int count, int first) {
        for (int i = 0; i < count; ++i) {
            const QByteArray name = "N" + QByteArray::number(first + i);
            // A blank caption: an empty one would take no room at all.
            addAction(nullptr, name.constData(), QStringLiteral(" "));
        }
    };
    // Five fewer than the thirty of the original bar: they make room for the "&Model" menu,
    // so that the bar still shows every entry, up to "&Quit", in the standard width.
    spacers(25, 1);

    QMenu* screen = bar->addMenu(QStringLiteral("Sc&reen"));
    screen->menuAction()->setObjectName(QStringLiteral("Screen1"));
    // The maximized window gets the screen's available area (the screen less the task bar)
    // from the window system; resizing it here would end the maximized state.
    run(addAction(screen, "Maximize1", QStringLiteral("&Maximize")), this,
        [this] { setWindowState(Qt::WindowMaximized); });
    run(addAction(screen, "Standard1", QStringLiteral("&Standard")), this, &TForm1::Standard);

    QMenu* logFile = bar->addMenu(QStringLiteral("&LogFile"));
    logFile->menuAction()->setObjectName(QStringLiteral("LogFile1"));
    run(addAction(logFile, "ShowErrorProtocol1", QStringLiteral("&Show Error Protocol")),
        m_protocol, &ProtocolTab::ShowPage);
    run(addAction(logFile, "SavetheErrorProtocoltofile1",
                  QStringLiteral("Save the &Error Protocol to file")),
        m_protocol, &ProtocolTab::SaveProtocol);
    QAction* separator = logFile->addSeparator();
    separator->setObjectName(QStringLiteral("N41"));
    separator->setVisible(false);
    QAction* clearLog = addAction(logFile, "Clear1", QStringLiteral("&Clear"));
    run(clearLog, m_protocol, &ProtocolTab::ClearProtocol);
    hide(clearLog);

    spacers(1, 31);
    run(addAction(nullptr, "Info1", QStringLiteral("&Info")), this, &TForm1::ShowAboutBox);
    spacers(10, 32);
    QAction* quit2 =
        addAction(nullptr, "Quit2", QStringLiteral("&Quit"), QKeySequence(Qt::ALT | Qt::Key_F4));
    // Both quit entries carry Alt+F4; the key itself is taken by the first one, so it stays
    // unambiguous.
    quit2->setShortcutContext(Qt::WidgetShortcut);
    run(quit2, this, &TForm1::Quit);
}

} // namespace veltra
