// The main window's controls, menus and status bar, and the connection of each to its
// handler.
#include "app/ui/fMain.h"

#include "data/DataSource.h"
#include "util/PageSetup.h"
#include "util/ui/OLERichEdit.h"
#include "widgets/ButtonTabBar.h"
#include "widgets/DbEdit.h"
#include "widgets/DbGrid.h"
#include "widgets/DbMemo.h"
#include "widgets/DbNavigator.h"
#include "widgets/DbRichText.h"
#include "widgets/GuardedHandler.h"
#include "widgets/Named.h"
#include "widgets/PanelStatusBar.h"
#include "widgets/ProtocolView.h"
#include "widgets/ShortcutDispatcher.h"
#include "widgets/ViewFonts.h"

#include <QAction>
#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFontMetricsF>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QSplitter>
#include <QTabWidget>
#include <QTextEdit>
#include <QToolButton>
#include <QVBoxLayout>

namespace veltra {

namespace {

QLabel* BoldLabel(const QString& text, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setFont(BoldFont(parent->font()));
    return label;
}

QPlainTextEdit* FixedMemo(const char* name, QWidget* parent, bool readOnly = true)
{
    auto* memo = new QPlainTextEdit(parent);
    memo->setObjectName(QLatin1String(name));
    memo->setReadOnly(readOnly);
    memo->setLineWrapMode(QPlainTextEdit::NoWrap);
    memo->setFont(FixedPitchFont());
    return memo;
}

QPushButton* Button(const char* name, const QString& text, QWidget* parent)
{
    auto* button = new QPushButton(text, parent);
    button->setObjectName(QLatin1String(name));
    return button;
}

QSpinBox* SpinEdit(const char* name, int min, int max, int value, QWidget* parent)
{
    auto* spin = new QSpinBox(parent);
    spin->setObjectName(QLatin1String(name));
    spin->setRange(min, max);
    spin->setValue(value);
    return spin;
}

} // namespace

TForm1::TForm1(const QString& exePath, const QString& databaseDir, QWidget* parent)
    : QMainWindow(parent), RunDir(m_db.runDir()), DataFileName(m_db.dataFileName()),
      DataFilePath(m_db.dataFilePath()), ConnectedDataFileName(m_db.connectedDataFileName()),
      DataFieldNames(m_db.dataFieldNames()), cdsHead(&m_db.headlines()), CDSTopics(&m_db.topics()),
      CDSData(&m_db.parameters()), cdsFile(&m_db.dataFile()), dsHead(&m_db.headlineLink()),
      dsTopics(&m_db.topicLink()), dsPara(&m_db.parameterLink()), dsTable(&m_db.dataFileLink()),
      m_guard(this), m_beep([] { QApplication::beep(); })
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral(
        "     Veltra  Exposure and Risk Assessment Reference Values   (Pandor-Project) "));
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);

    ExePath = exePath;
    // The folder part of the path without its trailing separator.
    QString runDir = ExePath.left(qMax<qsizetype>(0, ExePath.lastIndexOf(QLatin1Char('/'))));
    if (!databaseDir.isEmpty()) {
        runDir = databaseDir;
        while (runDir.size() > 1 && runDir.endsWith(QLatin1Char('/')))
            runDir.chop(1);
    }
    m_db.setRunDir(runDir);

    sdTable = {QStringLiteral("Save the table to .."), QStringLiteral("txt"),
               QStringLiteral("Text file [*.txt]|*.txt|All|*.*"), true};
    sdWorkbook = {QStringLiteral("Save as Excel workbook"), QStringLiteral("xlsx"),
                  QStringLiteral("Excel workbook [*.xlsx]|*.xlsx"), true};
    sdRTF = {QStringLiteral("Save the current report"), QStringLiteral("rtf"),
             QStringLiteral("Rich Text  Format [*.rtf]|*.rtf|PDF document [*.pdf]|*.pdf"), true};
    sdLog = {QString(), QStringLiteral("txt"), QStringLiteral("ASCII Text File|*.txt|All|*.*"),
             true};

    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(buildSelectionPanel());
    t = Named(new QTabWidget(central), "t");
    t->addTab(buildInformationTab(), QStringLiteral("Information"));
    t->addTab(buildDatabaseTab(), QStringLiteral("Database Table"));
    t->addTab(buildParameterTableTab(), QStringLiteral("Parameter Table"));
    t->addTab(buildEdfTab(), QStringLiteral("Parameters of EDF/CDF"));
    t->addTab(buildFormulaTab(), QStringLiteral("Formula    "));
    t->addTab(buildProtocolTab(), QStringLiteral("Prot./Options"));
    oe1 = Named(new TOLEEdit(t), "oe1");
    oe1->setReadOnly(true);
    oe1->setFont(FixedPitchFont());
    oe1->setLineWrapMode(QTextEdit::NoWrap);
    // The report's tables are wider than the tab at the standard window size: unwrapped
    // lines need a scroll bar to reach their ends.
    oe1->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    oe1->setTabChangesFocus(false);
    oe1->setTabStopDistance(DefaultTabStopDistance(oe1->logicalDpiX()));
    t->addTab(oe1, QStringLiteral("Report    "));
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
    ConnectGuarded(sb1, &PanelStatusBar::pressed, this, &TForm1::sb1MouseDown);
    ConnectGuarded(dsTable, &DataSource::rowsReset, this, &TForm1::dsTableRowsReset);

    buildMenus();
    m_shortcuts = new ShortcutDispatcher(this);

    dsHead->setHandler(Guarded(this, &TForm1::dsHeadDataChange));
    dsTopics->setHandler(Guarded(this, &TForm1::dsTopicsDataChange));
    dsPara->setHandler(Guarded(this, &TForm1::dsParaDataChange));
    dsTable->setHandler(Guarded(this, &TForm1::dsTableDataChange));

    resize(StandardWidth, StandardHeight);
    FormCreate();
}

QWidget* TForm1::buildSelectionPanel()
{
    auto* panel = Named(new QWidget(this), "Panel2");
    panel->setFixedHeight(185);
    auto* row = new QHBoxLayout(panel);
    row->setContentsMargins(4, 2, 4, 2);
    row->setSpacing(6);

    auto column = [panel](const QString& caption, QWidget* view) {
        auto* box = new QVBoxLayout;
        box->setSpacing(1);
        box->addWidget(BoldLabel(caption, panel));
        box->addWidget(view, 1);
        return box;
    };

    dbgTopics =
        Named(new DbGrid(dsHead, {QStringLiteral("TOPIC")}, false, &m_guard, panel), "dbgTopics");
    dbgTopics->setColumnWidth(0, 158);
    dbgTopics->setFixedWidth(158 + 2 * dbgTopics->frameWidth() + 18);
    dbgTopics->horizontalHeader()->setStretchLastSection(true);
    row->addLayout(column(QStringLiteral("Headlines"), dbgTopics));

    dbgParameter =
        Named(new DbGrid(dsTopics, {QStringLiteral("PARAMETER")}, false, &m_guard, panel),
              "dbgParameter");
    dbgParameter->horizontalHeader()->setStretchLastSection(true);
    row->addLayout(column(QStringLiteral("Topics"), dbgParameter), 4);

    dbgSources = Named(
        new DbGrid(dsPara,
                   {QStringLiteral("Variable"), QStringLiteral("Agemin"), QStringLiteral("Agemax"),
                    QStringLiteral("SEX"), QStringLiteral("DataSource")},
                   true, &m_guard, panel),
        "dbgSources");
    dbgSources->setColumnWidth(0, 120);
    dbgSources->setColumnWidth(1, 52);
    dbgSources->setColumnWidth(2, 52);
    dbgSources->setColumnWidth(3, 36);
    dbgSources->horizontalHeader()->setStretchLastSection(true);
    row->addLayout(column(QStringLiteral("Parameter"), dbgSources), 7);

    auto* right = new QVBoxLayout;
    right->setSpacing(1);
    right->addWidget(BoldLabel(QStringLiteral("Sex Selection"), panel));
    cbSex = Named(new QComboBox(panel), "cbSex");
    cbSex->setEditable(true);
    cbSex->addItems(
        {QStringLiteral("All"), QStringLiteral("A"), QStringLiteral("M"), QStringLiteral("F")});
    cbSex->setCurrentIndex(0);
    cbSex->setInsertPolicy(QComboBox::NoInsert);
    right->addWidget(cbSex);
    right->addSpacing(4);
    right->addWidget(BoldLabel(QStringLiteral("Restrictions"), panel));
    rgOrderRestriction =
        Named(new QGroupBox(QStringLiteral(" Order by ....   "), panel), "rgOrderRestriction");
    auto* radios = new QVBoxLayout(rgOrderRestriction);
    radios->setSpacing(0);
    radios->setContentsMargins(6, 2, 6, 2);
    m_orderButtons = new QButtonGroup(this);
    const QStringList orderItems = {QStringLiteral("Varnames  (A)"),
                                    QStringLiteral("Restriction (B)"), QStringLiteral("A + B"),
                                    QStringLiteral("DataSource")};
    for (int i = 0; i < orderItems.size(); ++i) {
        auto* radio = new QRadioButton(orderItems.at(i), rgOrderRestriction);
        radio->setObjectName(QStringLiteral("rgOrderRestriction%1").arg(i));
        radios->addWidget(radio);
        m_orderButtons->addButton(radio, i);
    }
    m_orderButtons->button(2)->setChecked(true);
    right->addWidget(rgOrderRestriction);
    right->addStretch(1);
    auto* rightBox = new QWidget(panel);
    rightBox->setLayout(right);
    rightBox->setFixedWidth(140);
    row->addWidget(rightBox);

    ConnectGuarded(cbSex, &QComboBox::currentTextChanged, this, &TForm1::cbSexChange);
    // Only a newly chosen item counts; a press on the item already chosen changes nothing.
    ConnectGuarded(m_orderButtons, &QButtonGroup::idToggled, this, [this](int, bool checked) {
        if (checked)
            rgOrderRestrictionClick();
    });
    return panel;
}

QWidget* TForm1::buildInformationTab()
{
    auto* page = Named(new QWidget(this), "tsInformation");
    auto* box = new QVBoxLayout(page);
    box->setContentsMargins(2, 2, 2, 2);
    box->setSpacing(2);
    dbmInfo = Named(new DbRichText(page), "dbmInfo");
    dbmInfo->setFont(FixedPitchFont());
    // Info texts without tab stops of their own tab to the half inch, as the report does.
    dbmInfo->setTabStopDistance(DefaultTabStopDistance(dbmInfo->logicalDpiX()));
    dbmInfo->setTabChangesFocus(false);
    dbmInfo->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    dbmInfo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    dbmInfo->setDataSource(dsPara);
    dbmInfo->setField(QStringLiteral("Info"));
    box->addWidget(dbmInfo, 1);

    pnRestriction = Named(new QWidget(page), "pnRestriction");
    pnRestriction->setFixedHeight(150);
    auto* panelBox = new QVBoxLayout(pnRestriction);
    panelBox->setContentsMargins(0, 0, 0, 0);
    panelBox->setSpacing(0);
    TbCnt = Named(new ButtonTabBar(pnRestriction), "TbCnt");
    TbCnt->addTab(QStringLiteral("Restrictions"));
    TbCnt->addTab(QStringLiteral("Update status"));
    panelBox->addWidget(TbCnt);
    M1 = FixedMemo("M1", pnRestriction);
    M1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    QPalette navy = M1->palette();
    navy.setColor(QPalette::Text, QColor(0, 0, 128));
    M1->setPalette(navy);
    panelBox->addWidget(M1, 1);
    sbClose = Named(new QToolButton(pnRestriction), "sbClose");
    sbClose->setFixedSize(17, 17);
    sbClose->setText(QStringLiteral("x"));
    sbClose->setToolTip(QStringLiteral("Close"));
    sbClose->raise();
    pnRestriction->installEventFilter(this);
    box->addWidget(pnRestriction);

    ConnectGuarded(TbCnt, &ButtonTabBar::pressed, this, &TForm1::TbCntMouseDown);
    ConnectGuarded(sbClose, &QToolButton::clicked, this, &TForm1::sbCloseClick);
    return page;
}

QWidget* TForm1::buildDatabaseTab()
{
    auto* page = Named(new QWidget(this), "tsDatabaseTable");
    auto* box = new QHBoxLayout(page);
    box->setContentsMargins(2, 2, 2, 2);
    auto* splitter = new QSplitter(Qt::Horizontal, page);

    auto* left = new QWidget(splitter);
    auto* leftBox = new QVBoxLayout(left);
    leftBox->setContentsMargins(0, 0, 0, 0);
    DBGrid2 = Named(new DbGrid(dsTable, {}, true, &m_guard, left), "DBGrid2");
    QFont narrow = DBGrid2->font();
    narrow.setStretch(QFont::SemiCondensed);
    DBGrid2->setFont(narrow);
    leftBox->addWidget(DBGrid2, 1);
    DBNavigator5 = Named(new DbNavigator(&m_guard, left), "DBNavigator5");
    // The bar below the data grid moves through the age groups, as the one beside the
    // converted functions does.
    DBNavigator5->setDataSource(dsTable);
    leftBox->addWidget(DBNavigator5);

    auto* group = new QGroupBox(QStringLiteral(" Selected variables view "), splitter);
    group->setObjectName(QStringLiteral("gbSelectedVariables"));
    auto* groupBox = new QVBoxLayout(group);
    auto* inner = new QSplitter(Qt::Vertical, group);
    auto* top = new QWidget(inner);
    auto* topBox = new QVBoxLayout(top);
    topBox->setContentsMargins(0, 0, 0, 0);
    clbVar = Named(new QListWidget(top), "clbVar");
    topBox->addWidget(clbVar, 1);
    pnDoSelection = Named(new QWidget(top), "pnDoSelection");
    auto* selBox = new QHBoxLayout(pnDoSelection);
    selBox->setContentsMargins(0, 0, 0, 0);
    selBox->addWidget(new QLabel(QStringLiteral("  &Do Selection for "), pnDoSelection));
    cbAll = Named(new QCheckBox(QStringLiteral("all"), pnDoSelection), "cbAll");
    selBox->addWidget(cbAll);
    pnDoSelection->hide();
    topBox->addWidget(pnDoSelection);
    dbVarLabel = Named(new DbRichText(inner), "dbVarLabel");
    dbVarLabel->setFont(FixedPitchFont(true));
    dbVarLabel->setDataSource(dsPara);
    dbVarLabel->setField(QStringLiteral("VARLABELS"));
    inner->addWidget(top);
    inner->addWidget(dbVarLabel);
    groupBox->addWidget(inner);
    splitter->addWidget(left);
    splitter->addWidget(group);
    splitter->setStretchFactor(0, 3);
    splitter->setStretchFactor(1, 2);
    box->addWidget(splitter);
    return page;
}

QWidget* TForm1::buildParameterTableTab()
{
    auto* page = Named(new QWidget(this), "tsParameterTable");
    auto* box = new QHBoxLayout(page);
    box->setContentsMargins(2, 2, 2, 2);
    mTableContent = FixedMemo("mTableContent", page);
    mTableContent->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    box->addWidget(mTableContent, 1);

    auto* group = new QGroupBox(QStringLiteral(" Format "), page);
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
    ConnectGuarded(bGenTable, &QPushButton::clicked, this, &TForm1::bGenTableClick);
    ConnectGuarded(bGenCSVTable, &QPushButton::clicked, this, &TForm1::bGenCSVTableClick);
    ConnectGuarded(bGenTabDelim, &QPushButton::clicked, this, &TForm1::bGenTabDelimClick);
    ConnectGuarded(bUserDefTab, &QPushButton::clicked, this, &TForm1::bUserDefTabClick);
    ConnectGuarded(bTableToExcelFormatByClipboard, &QPushButton::clicked, this,
                   &TForm1::bTableToExcelFormatByClipboardClick);
    ConnectGuarded(bTableToClipboard, &QPushButton::clicked, this, &TForm1::bTableToClipboardClick);
    ConnectGuarded(bSaveTableAsWorkbook, &QPushButton::clicked, this,
                   &TForm1::SaveTableAsWorkbookClick);
    for (QPushButton* button :
         {bGenTable, bGenCSVTable, bGenTabDelim, bUserDefTab, bTableToExcelFormatByClipboard,
          bTableToClipboard, bSaveTableAsWorkbook})
        form->addWidget(button);
    form->addStretch(1);
    box->addWidget(group);
    return page;
}

QWidget* TForm1::buildEdfTab()
{
    auto* page = Named(new QWidget(this), "tsEdf");
    auto* box = new QHBoxLayout(page);
    box->setContentsMargins(2, 2, 2, 2);
    tEdf = Named(new QTabWidget(page), "tEdf");
    dbmGF = Named(new DbMemo(tEdf), "dbmGF");
    mTransformed = FixedMemo("mTransformed", tEdf);
    dbmMemoBstFt = Named(new DbMemo(tEdf), "dbmMemoBstFt");
    dbmQuantilesFit = Named(new DbMemo(tEdf), "dbmQuantilesFit");
    for (DbMemo* memo : {dbmGF, dbmMemoBstFt, dbmQuantilesFit}) {
        memo->setFont(FixedPitchFont());
        memo->setDataSource(dsTable);
    }
    tEdf->addTab(dbmGF, QStringLiteral("General F Approx."));
    tEdf->addTab(mTransformed, QStringLiteral("Selected Functions"));
    tEdf->addTab(dbmMemoBstFt, QStringLiteral("Moments and Best Fit"));
    tEdf->addTab(dbmQuantilesFit, QStringLiteral("Quantiles ~ Fit"));
    tEdf->setCurrentIndex(1);
    // The reliability line stands below the tabs, outside the memo whose text the
    // report and the command table copy.
    auto* column = new QVBoxLayout;
    column->setSpacing(2);
    column->addWidget(tEdf, 1);
    lReliability = Named(new QLabel(page), "lReliability");
    column->addWidget(lReliability);
    box->addLayout(column, 1);

    auto* side = Named(new QWidget(page), "pnSelectedGroup");
    side->setFixedWidth(190);
    auto* sideBox = new QVBoxLayout(side);
    sideBox->addWidget(BoldLabel(QStringLiteral("Actually Selected Group "), side));
    sideBox->addWidget(new QLabel(QStringLiteral("Age Group"), side));
    dbeQuantAge = Named(new DbEdit(side), "dbeQuantAge");
    dbeQuantAge->setDataSource(dsTable);
    sideBox->addWidget(dbeQuantAge);
    sideBox->addWidget(new QLabel(QStringLiteral("N"), side));
    dbeQuantN = Named(new DbEdit(side), "dbeQuantN");
    dbeQuantN->setDataSource(dsTable);
    sideBox->addWidget(dbeQuantN);
    DBNavigator6 = Named(new DbNavigator(&m_guard, side), "DBNavigator6");
    DBNavigator6->setDataSource(dsTable);
    sideBox->addWidget(DBNavigator6);
    sideBox->addSpacing(8);
    bDistributions = Button("bDistributions", QStringLiteral("Distri&butions"), side);
    sideBox->addWidget(bDistributions);
    ConnectGuarded(bDistributions, &QPushButton::clicked, this, &TForm1::Distributions1Click);
    sideBox->addStretch(1);
    box->addWidget(side);
    return page;
}

QWidget* TForm1::buildFormulaTab()
{
    auto* page = Named(new QWidget(this), "tsFormula");
    auto* box = new QHBoxLayout(page);
    box->setContentsMargins(2, 2, 2, 2);
    mFormula = FixedMemo("mFormula", page);
    box->addWidget(mFormula, 1);
    auto* group = new QGroupBox(QStringLiteral(" Format "), page);
    group->setObjectName(QStringLiteral("gbFormulaFormat"));
    group->setFixedWidth(170);
    auto* form = new QVBoxLayout(group);
    bGenerateACommandTable =
        Button("bGenerateACommandTable", QStringLiteral("Command/Param."), group);
    form->addWidget(bGenerateACommandTable);
    ConnectGuarded(bGenerateACommandTable, &QPushButton::clicked, this,
                   &TForm1::bGenerateACommandTableClick);
    auto* top = new QHBoxLayout;
    top->addWidget(new QLabel(QStringLiteral("Top list for "), group));
    seTop = SpinEdit("seTop", 1, 5, 2, group);
    top->addWidget(seTop);
    form->addLayout(top);
    cbExcludeGF = Named(new QCheckBox(QStringLiteral("Exclude GF"), group), "cbExcludeGF");
    // The text stands left of the box.
    cbExcludeGF->setLayoutDirection(Qt::RightToLeft);
    form->addWidget(cbExcludeGF);
    bParaToClipBoard = Button("bParaToClipBoard", QStringLiteral("&TableToClipboard"), group);
    form->addWidget(bParaToClipBoard);
    ConnectGuarded(bParaToClipBoard, &QPushButton::clicked, this, &TForm1::bParaToClipBoardClick);
    form->addStretch(1);
    box->addWidget(group);
    return page;
}

QWidget* TForm1::buildProtocolTab()
{
    auto* page = Named(new QWidget(this), "tsProtocol");
    auto* box = new QHBoxLayout(page);
    box->setContentsMargins(2, 2, 2, 2);
    PrtMemo = Named(new ProtocolView(&m_log, page), "PrtMemo");
    PrtMemo->setLineWrapMode(QPlainTextEdit::NoWrap);
    PrtMemo->setFont(FixedPitchFont());
    PrtMemo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    PrtMemo->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    box->addWidget(PrtMemo, 1);

    auto* panel = Named(new QWidget(page), "pnOptions");
    panel->setFixedWidth(200);
    auto* form = new QVBoxLayout(panel);
    form->addWidget(BoldLabel(QStringLiteral("Protocol Options"), panel));
    cbFileAccessPrt =
        Named(new QCheckBox(QStringLiteral("File Access Prt."), panel), "cbFileAccessPrt");
    cbFileAccessPrt->setChecked(true);
    form->addWidget(cbFileAccessPrt);
    cbGiveIndexPrt =
        Named(new QCheckBox(QStringLiteral("Index Generation Prt."), panel), "cbGiveIndexPrt");
    form->addWidget(cbGiveIndexPrt);
    form->addSpacing(8);
    form->addWidget(BoldLabel(QStringLiteral("View Options"), panel));
    cbShowAdditionalInfo = Named(new QCheckBox(QStringLiteral("Show Additional Info "), panel),
                                 "cbShowAdditionalInfo");
    cbShowAdditionalInfo->setChecked(true);
    form->addWidget(cbShowAdditionalInfo);
    form->addSpacing(8);
    form->addWidget(BoldLabel(QStringLiteral("Reset the Tables"), panel));
    bCloseAllTables = Button("bCloseAllTables", QStringLiteral("&Close All "), panel);
    bCloseOpen = Button("bCloseOpen", QStringLiteral("&ReOpen All"), panel);
    form->addWidget(bCloseAllTables);
    form->addWidget(bCloseOpen);
    form->addStretch(1);
    box->addWidget(panel);

    ConnectGuarded(cbShowAdditionalInfo, &QCheckBox::toggled, this,
                   &TForm1::cbShowAdditionalInfoClick);
    ConnectGuarded(bCloseAllTables, &QPushButton::clicked, this, &TForm1::bCloseAllTablesClick);
    ConnectGuarded(bCloseOpen, &QPushButton::clicked, this, &TForm1::bCloseOpenClick);
    return page;
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
    auto run = [this](QAction* action, void (TForm1::*handler)()) {
        ConnectGuarded(action, &QAction::triggered, this, handler);
    };

    QMenu* database = bar->addMenu(QStringLiteral("&Database"));
    database->menuAction()->setObjectName(QStringLiteral("Database1"));
    QMenu* editInfo = database->addMenu(QStringLiteral("Edit &Info"));
    editInfo->menuAction()->setObjectName(QStringLiteral("EditInfo1"));
    run(addAction(editInfo, "InfoPagetoClipboard1", QStringLiteral("&Info Page to Clipboard"),
                  QKeySequence(Qt::CTRL | Qt::Key_I)),
        &TForm1::InfoPagetoClipboard1Click);
    QAction* paste = addAction(editInfo, "PasteClipboardToInfopage1",
                               QStringLiteral("&Paste Clipboard To Info page"),
                               QKeySequence(Qt::CTRL | Qt::Key_P));
    run(paste, &TForm1::PasteClipboardToInfopage1Click);
    hide(paste);
    QAction* saveChanges = addAction(editInfo, "Savechanges1", QStringLiteral("&Save changes"),
                                     QKeySequence(Qt::CTRL | Qt::Key_S));
    run(saveChanges, &TForm1::Savechanges1Click);
    hide(saveChanges);
    QMenu* editData = database->addMenu(QStringLiteral("Edit &Data"));
    editData->menuAction()->setObjectName(QStringLiteral("EditData1"));
    hide(editData->menuAction());
    QAction* saveDataSet =
        addAction(editData, "Savechangesindataset1", QStringLiteral("&Save changes in data set"),
                  QKeySequence(Qt::ALT | Qt::Key_S));
    run(saveDataSet, &TForm1::Savechangesindataset1Click);
    saveDataSet->setEnabled(false);
    run(addAction(database, "Quit1", QStringLiteral("&Quit"), QKeySequence(Qt::ALT | Qt::Key_F4)),
        &TForm1::Quit1Click);

    QMenu* connection = bar->addMenu(QStringLiteral("&Connection"));
    connection->menuAction()->setObjectName(QStringLiteral("Connection1"));
    run(addAction(connection, "Openalltables1", QStringLiteral("&Open all tables"),
                  QKeySequence(Qt::ALT | Qt::Key_O)),
        &TForm1::Openalltables1Click);
    run(addAction(connection, "Closealltablesconnections1",
                  QStringLiteral("&Close all tables/connections"),
                  QKeySequence(Qt::ALT | Qt::Key_C)),
        &TForm1::Closealltablesconnections1Click);

    QMenu* tables = bar->addMenu(QStringLiteral("Data&Tables"));
    tables->menuAction()->setObjectName(QStringLiteral("DataTables1"));
    QMenu* generate = tables->addMenu(QStringLiteral("&Generate Table"));
    generate->menuAction()->setObjectName(QStringLiteral("GenerateTable1"));
    run(addAction(generate, "GenerateFormattedTable1", QStringLiteral("Generate &Formatted Table")),
        &TForm1::bGenTableClick);
    run(addAction(generate, "GenerateCSVTable1", QStringLiteral("Generate &CSV Table")),
        &TForm1::bGenCSVTableClick);
    run(addAction(generate, "GenerateTabdelimitedTable1",
                  QStringLiteral("Generate &Tab-delimited Table")),
        &TForm1::bGenTabDelimClick);
    generate->addSeparator();
    run(addAction(generate, "BuildaUsesdefinedTable1",
                  QStringLiteral("Build a &Uses defined Table")),
        &TForm1::bUserDefTabClick);
    run(addAction(tables, "SaveTabletofile1", QStringLiteral("&Save result table to file")),
        &TForm1::SaveTabletofile1Click);
    run(addAction(tables, "SaveTableAsWorkbook1", QStringLiteral("Save as Excel &workbook...")),
        &TForm1::SaveTableAsWorkbookClick);
    run(addAction(tables, "CopyresulttabletoClipBoard1",
                  QStringLiteral("Copy result table to Clip&Board")),
        &TForm1::bTableToClipboardClick);
    tables->addSeparator();
    run(addAction(tables, "ClearTable1", QStringLiteral("&Clear result table ")),
        &TForm1::ClearTable1Click);
    tables->addSeparator();
    run(addAction(tables, "Distributions1", QStringLiteral("&Distributions")),
        &TForm1::Distributions1Click);

    QMenu* model = bar->addMenu(QStringLiteral("&Model"));
    model->menuAction()->setObjectName(QStringLiteral("Model1"));
    run(addAction(model, "Scenario1", QStringLiteral("&Scenario...")), &TForm1::Scenario1Click);

    run(addAction(nullptr, "Search1", QStringLiteral("&Search"),
                  QKeySequence(Qt::CTRL | Qt::Key_F)),
        &TForm1::Search1Click);

    QMenu* report = bar->addMenu(QStringLiteral("&Report"));
    report->menuAction()->setObjectName(QStringLiteral("Report1"));
    run(addAction(report, "WordReport1", QStringLiteral("&Documentation (full)")),
        &TForm1::WordReport1Click);
    run(addAction(report, "Save1", QStringLiteral("&Save the Documentation to file")),
        &TForm1::Save1Click);

    QMenu* checks = bar->addMenu(QStringLiteral("&Checks"));
    checks->menuAction()->setObjectName(QStringLiteral("Checks1"));
    run(addAction(checks, "ListofTopics1", QStringLiteral("List of &Headlines")),
        &TForm1::ListofTopics1Click);
    run(addAction(checks, "Listofparameters1", QStringLiteral("List of &Topics")),
        &TForm1::Listofparameters1Click);
    run(addAction(checks, "ListofDataSources1", QStringLiteral("List of &Parameters")),
        &TForm1::ListofDataSources1Click);

    // Entries without caption or action: they only take room in the menu bar and push the
    // entries after them to the right.
    auto spacers = [this](int count, int first) {
        for (int i = 0; i < count; ++i) {
            const QByteArray name = "N" + QByteArray::number(first + i);
            // A blank caption: an empty one would take no room at all.
            addAction(nullptr, name.constData(), QStringLiteral(" "));
        }
    };
    spacers(30, 1);

    QMenu* screen = bar->addMenu(QStringLiteral("Sc&reen"));
    screen->menuAction()->setObjectName(QStringLiteral("Screen1"));
    run(addAction(screen, "Maximize1", QStringLiteral("&Maximize")), &TForm1::Maximize1Click);
    run(addAction(screen, "Standard1", QStringLiteral("&Standard")), &TForm1::Standard1Click);

    QMenu* logFile = bar->addMenu(QStringLiteral("&LogFile"));
    logFile->menuAction()->setObjectName(QStringLiteral("LogFile1"));
    run(addAction(logFile, "ShowErrorProtocol1", QStringLiteral("&Show Error Protocol")),
        &TForm1::ShowErrorProtocol1Click);
    run(addAction(logFile, "SavetheErrorProtocoltofile1",
                  QStringLiteral("Save the &Error Protocol to file")),
        &TForm1::SavetheErrorProtocoltofile1Click);
    QAction* separator = logFile->addSeparator();
    separator->setObjectName(QStringLiteral("N41"));
    separator->setVisible(false);
    QAction* clearLog = addAction(logFile, "Clear1", QStringLiteral("&Clear"));
    run(clearLog, &TForm1::Clear1Click);
    hide(clearLog);

    spacers(1, 31);
    run(addAction(nullptr, "Info1", QStringLiteral("&Info")), &TForm1::Info1Click);
    spacers(10, 32);
    QAction* quit2 =
        addAction(nullptr, "Quit2", QStringLiteral("&Quit"), QKeySequence(Qt::ALT | Qt::Key_F4));
    // Both quit entries carry Alt+F4; the key itself is taken by the first one, so it stays
    // unambiguous.
    quit2->setShortcutContext(Qt::WidgetShortcut);
    run(quit2, &TForm1::Quit1Click);
}

} // namespace veltra
