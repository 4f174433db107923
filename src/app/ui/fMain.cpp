#include "app/ui/fMain.h"

#include "app/IniFile.h"
#include "app/Restrictions.h"
#include "app/ui/widgets/ButtonTabBar.h"
#include "app/ui/widgets/DbEdit.h"
#include "app/ui/widgets/DbGrid.h"
#include "app/ui/widgets/DbMemo.h"
#include "app/ui/widgets/DbNavigator.h"
#include "app/ui/widgets/DbRichText.h"
#include "app/ui/widgets/PanelStatusBar.h"
#include "util/TextLines.h"
#include "app/ui/widgets/ViewFonts.h"
#include "convert/ConvertParameterSets.h"
#include "data/DataSource.h"
#include "data/DataTable.h"
#include "util/LocaleText.h"
#include "util/RtfReader.h"
#include "util/VeltraError.h"
#include "util/uString.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDateTime>
#include <QFileInfo>
#include <QFontMetricsF>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
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

const QString TForm1::VersionText =
    QStringLiteral("Beta Test Version: 28.Febr.2007 / V8.12 XML / Pandor Version");
const QString TForm1::EditModeText = QStringLiteral("Edit Mode: Read/Write");

namespace {

constexpr int StandardWidth = 1032;
constexpr int StandardHeight = 746;

// The four hierarchy and data file names; the hierarchy files are opened by plain name,
// so they are found in the current folder.
const QString HeadlineFile = QStringLiteral("topics.xml");
const QString TopicFile = QStringLiteral("para1.xml");
const QString ParameterFile = QStringLiteral("daten1a.xml");

/// A field of the current row; empty when the table is closed or shows no row.
QString CurrentText(const DataTable& table, const QString& field)
{
    if (!table.isOpen() || table.recordCount() == 0)
        return {};
    return table.fieldText(field);
}

/// A text as a filter string literal: quotes doubled, so any key value filters.
QString FilterLiteral(const QString& value)
{
    QString quoted = value;
    quoted.replace(QLatin1Char('\''), QLatin1String("''"));
    return QLatin1Char('\'') + quoted + QLatin1Char('\'');
}

/// The values of the current row; empty when the table is closed or shows no row.
QStringList CurrentRowValues(const DataTable& table)
{
    QStringList values;
    if (table.isOpen() && table.recordCount() > 0) {
        for (int field = 0; field < table.fieldCount(); ++field)
            values << table.currentValue(field);
    }
    return values;
}

bool ContainsName(const QStringList& names, const QString& name)
{
    return names.contains(name, Qt::CaseInsensitive);
}

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

template <typename View> View* Named(View* view, const char* name)
{
    view->setObjectName(QLatin1String(name));
    return view;
}

} // namespace

TForm1::TForm1(const QString& exePath, const QString& databaseDir, QWidget* parent)
    : QMainWindow(parent), cdsHead(std::make_unique<DataTable>()),
      CDSTopics(std::make_unique<DataTable>()), CDSData(std::make_unique<DataTable>()),
      cdsFile(std::make_unique<DataTable>()), m_guard(this), m_beep([] { QApplication::beep(); })
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral(
        "     Veltra  Exposure and Risk Assessment Reference Values   (Pandor-Project) "));
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);

    ExePath = exePath;
    // The folder part of the path without its trailing separator.
    RunDir = ExePath.left(qMax<qsizetype>(0, ExePath.lastIndexOf(QLatin1Char('/'))));
    if (!databaseDir.isEmpty()) {
        RunDir = databaseDir;
        while (RunDir.size() > 1 && RunDir.endsWith(QLatin1Char('/')))
            RunDir.chop(1);
    }

    for (DataTable* table : {cdsHead.get(), CDSTopics.get(), CDSData.get(), cdsFile.get()})
        table->setReadOnly(true);
    // The orders the window is designed with; the topic order is set again after every
    // load of the topic table.
    cdsHead->setIndexFieldNames(QStringLiteral("STRC"));
    CDSTopics->setIndexFieldNames(QStringLiteral("Parameter"));
    dsHead = new DataSource(cdsHead.get(), this);
    dsTopics = new DataSource(CDSTopics.get(), this);
    dsPara = new DataSource(CDSData.get(), this);
    dsTable = new DataSource(cdsFile.get(), this);

    sdTable = {QStringLiteral("Save the table to .."), QStringLiteral("txt"),
               QStringLiteral("Text file [*.txt]|*.txt|All|*.*"), true};
    sdRTF = {QStringLiteral("Save the current report"), QStringLiteral("rtf"),
             QStringLiteral("Rich Text  Format [*.rtf]|*.rtf"), true};
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
    oe1 = Named(new QTextEdit(t), "oe1");
    oe1->setReadOnly(true);
    oe1->setFont(FixedPitchFont());
    oe1->setLineWrapMode(QTextEdit::NoWrap);
    oe1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
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
    connect(sb1, &PanelStatusBar::pressed, this,
            [this] { m_guard.run([this] { sb1MouseDown(); }); });

    buildMenus();
    // Menu shortcuts are looked at before the key reaches any control or mnemonic.
    qApp->installEventFilter(this);

    dsHead->setHandler(guarded(&TForm1::dsHeadDataChange));
    dsTopics->setHandler(guarded(&TForm1::dsTopicsDataChange));
    dsPara->setHandler(guarded(&TForm1::dsParaDataChange));
    dsTable->setHandler(guarded(&TForm1::dsTableDataChange));

    resize(StandardWidth, StandardHeight);
    FormCreate();
}

TForm1::~TForm1()
{
    // The data sources detach from their tables while the tables still exist; the views
    // hold guarded pointers to them.
    for (DataSource* source : {dsHead, dsTopics, dsPara, dsTable}) {
        source->setHandler({});
        delete source;
    }
}

std::function<void()> TForm1::guarded(void (TForm1::*handler)())
{
    return [this, handler] { m_guard.run([this, handler] { (this->*handler)(); }); };
}

// --- layout ---------------------------------------------------------------------------------

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

    connect(cbSex, &QComboBox::currentTextChanged, this,
            [this] { m_guard.run([this] { cbSexChange(); }); });
    // Only a newly chosen item counts; a press on the item already chosen changes nothing.
    connect(m_orderButtons, &QButtonGroup::idToggled, this, [this](int, bool checked) {
        if (checked)
            m_guard.run([this] { rgOrderRestrictionClick(); });
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
    dbmInfo->setTabStopDistance(
        8 * QFontMetricsF(FixedPitchFont()).horizontalAdvance(QLatin1Char(' ')));
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

    connect(TbCnt, &ButtonTabBar::pressed, this,
            [this](int tab) { m_guard.run([this, tab] { TbCntMouseDown(tab); }); });
    connect(sbClose, &QToolButton::clicked, this,
            [this] { m_guard.run([this] { sbCloseClick(); }); });
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
    for (QPushButton* button : {bGenTable, bGenCSVTable, bGenTabDelim, bUserDefTab,
                                bTableToExcelFormatByClipboard, bTableToClipboard})
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
    box->addWidget(tEdf, 1);

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
    auto* top = new QHBoxLayout;
    top->addWidget(new QLabel(QStringLiteral("Top list for "), group));
    seTop = SpinEdit("seTop", 1, 5, 2, group);
    top->addWidget(seTop);
    form->addLayout(top);
    cbExcludeGF = Named(new QCheckBox(QStringLiteral("Exclude GF"), group), "cbExcludeGF");
    form->addWidget(cbExcludeGF);
    bParaToClipBoard = Button("bParaToClipBoard", QStringLiteral("&TableToClipboard"), group);
    form->addWidget(bParaToClipBoard);
    form->addStretch(1);
    box->addWidget(group);
    return page;
}

QWidget* TForm1::buildProtocolTab()
{
    auto* page = Named(new QWidget(this), "tsProtocol");
    auto* box = new QHBoxLayout(page);
    box->setContentsMargins(2, 2, 2, 2);
    PrtMemo = FixedMemo("PrtMemo", page, false);
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

    connect(cbShowAdditionalInfo, &QCheckBox::toggled, this,
            [this] { m_guard.run([this] { cbShowAdditionalInfoClick(); }); });
    connect(bCloseAllTables, &QPushButton::clicked, this,
            [this] { m_guard.run([this] { bCloseAllTablesClick(); }); });
    connect(bCloseOpen, &QPushButton::clicked, this,
            [this] { m_guard.run([this] { bCloseOpenClick(); }); });
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
        connect(action, &QAction::triggered, this, guarded(handler));
    };

    QMenu* database = bar->addMenu(QStringLiteral("&Database"));
    database->menuAction()->setObjectName(QStringLiteral("Database1"));
    QMenu* editInfo = database->addMenu(QStringLiteral("Edit &Info"));
    editInfo->menuAction()->setObjectName(QStringLiteral("EditInfo1"));
    addAction(editInfo, "InfoPagetoClipboard1", QStringLiteral("&Info Page to Clipboard"),
              QKeySequence(Qt::CTRL | Qt::Key_I));
    hide(addAction(editInfo, "PasteClipboardToInfopage1",
                   QStringLiteral("&Paste Clipboard To Info page"),
                   QKeySequence(Qt::CTRL | Qt::Key_P)));
    hide(addAction(editInfo, "Savechanges1", QStringLiteral("&Save changes"),
                   QKeySequence(Qt::CTRL | Qt::Key_S)));
    QMenu* editData = database->addMenu(QStringLiteral("Edit &Data"));
    editData->menuAction()->setObjectName(QStringLiteral("EditData1"));
    hide(editData->menuAction());
    addAction(editData, "Savechangesindataset1", QStringLiteral("&Save changes in data set"),
              QKeySequence(Qt::ALT | Qt::Key_S))
        ->setEnabled(false);
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
    addAction(generate, "GenerateFormattedTable1", QStringLiteral("Generate &Formatted Table"));
    addAction(generate, "GenerateCSVTable1", QStringLiteral("Generate &CSV Table"));
    addAction(generate, "GenerateTabdelimitedTable1",
              QStringLiteral("Generate &Tab-delimited Table"));
    generate->addSeparator();
    addAction(generate, "BuildaUsesdefinedTable1", QStringLiteral("Build a &Uses defined Table"));
    addAction(tables, "SaveTabletofile1", QStringLiteral("&Save result table to file"));
    addAction(tables, "CopyresulttabletoClipBoard1",
              QStringLiteral("Copy result table to Clip&Board"));
    tables->addSeparator();
    addAction(tables, "ClearTable1", QStringLiteral("&Clear result table "));

    addAction(nullptr, "Search1", QStringLiteral("&Search"), QKeySequence(Qt::CTRL | Qt::Key_F));

    QMenu* report = bar->addMenu(QStringLiteral("&Report"));
    report->menuAction()->setObjectName(QStringLiteral("Report1"));
    addAction(report, "WordReport1", QStringLiteral("&Documentation (full)"));
    addAction(report, "Save1", QStringLiteral("&Save the Documentation to file"));

    QMenu* checks = bar->addMenu(QStringLiteral("&Checks"));
    checks->menuAction()->setObjectName(QStringLiteral("Checks1"));
    addAction(checks, "ListofTopics1", QStringLiteral("List of &Headlines"));
    addAction(checks, "Listofparameters1", QStringLiteral("List of &Topics"));
    addAction(checks, "ListofDataSources1", QStringLiteral("List of &Parameters"));

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
    addAction(logFile, "ShowErrorProtocol1", QStringLiteral("&Show Error Protocol"));
    addAction(logFile, "SavetheErrorProtocoltofile1",
              QStringLiteral("Save the &Error Protocol to file"));
    QAction* separator = logFile->addSeparator();
    separator->setObjectName(QStringLiteral("N41"));
    separator->setVisible(false);
    hide(addAction(logFile, "Clear1", QStringLiteral("&Clear")));

    spacers(1, 31);
    addAction(nullptr, "Info1", QStringLiteral("&Info"));
    spacers(10, 32);
    QAction* quit2 =
        addAction(nullptr, "Quit2", QStringLiteral("&Quit"), QKeySequence(Qt::ALT | Qt::Key_F4));
    // Both quit entries carry Alt+F4; the key itself is taken by the first one, so it stays
    // unambiguous.
    quit2->setShortcutContext(Qt::WidgetShortcut);
    run(quit2, &TForm1::Quit1Click);
}

// --- start, settings, protocol ----------------------------------------------------------------

void TForm1::FormCreate()
{
    IndexOutdated = true;
    ParameterTableSaved = false;
    OpenDataFiles = true;
    ConnectedDataFileName.clear();
    DataFieldNames.clear();

    AddProtocolLine(QStringLiteral("Veltra : ") + VersionText);
    const QDateTime now = QDateTime::currentDateTime();
    AddProtocolLine(QStringLiteral("Date ") + ShortDateText(now.date()));
    AddProtocolLine(QStringLiteral("Time ") + LongTimeText(now.time()));
    AddProtocolLine(QString());

    // A hierarchy table that cannot be loaded ends the start here; the window opens with
    // what was loaded.
    if (!m_guard.run([this] { LoadHierarchyTables(); }))
        return;

    AddProtocolLine(QStringLiteral("EXE dir.: ") + ExePath);
    AddProtocolLine(QStringLiteral("Run dir.: ") + RunDir);
    SectionFieldNames = {QStringLiteral("QUANTILES"), QStringLiteral("MOMENTS"),
                         QStringLiteral("GENERALF"),  QStringLiteral("CORRELATIO"),
                         QStringLiteral("COVAR"),     QStringLiteral("FORMULA"),
                         QStringLiteral("FX")};
    ReadSettings();
    // Whatever the settings say, the window opens in its standard size.
    setWindowState(Qt::WindowNoState);
    resize(StandardWidth, StandardHeight);
    update();
}

QString TForm1::SettingsPath() const
{
    const qsizetype slash = ExePath.lastIndexOf(QLatin1Char('/'));
    const qsizetype dot = ExePath.lastIndexOf(QLatin1Char('.'));
    const QString stem = dot > slash ? ExePath.left(dot) : ExePath;
    return stem + QStringLiteral(".INI");
}

void TForm1::ReadSettings()
{
    // A missing file gives every default; a file that exists but cannot be read leaves
    // the window's initial states.
    IniFile ini;
    if (!ini.load(SettingsPath()) && QFileInfo::exists(SettingsPath()))
        return;
    if (ini.readBool(QStringLiteral("Screen"), QStringLiteral("Maximized"), false))
        setWindowState(Qt::WindowMaximized);
    RestrictOrder = ini.readString(QStringLiteral("Order"), QStringLiteral("Restrict"),
                                   QStringLiteral("0.15 0.05 0.20 0.20 0.20 0.10 0.10"));
    cbShowAdditionalInfo->setChecked(
        ini.readBool(QStringLiteral("Restriction"), QStringLiteral("View"), true));
    cbFileAccessPrt->setChecked(
        ini.readBool(QStringLiteral("File_Prt"), QStringLiteral("View"), true));
    cbGiveIndexPrt->setChecked(
        ini.readBool(QStringLiteral("Index_Prt"), QStringLiteral("View"), true));
}

void TForm1::WriteSettings()
{
    IniFile ini;
    ini.load(SettingsPath());
    ini.writeBool(QStringLiteral("Screen"), QStringLiteral("Maximized"), isMaximized());
    ini.writeString(QStringLiteral("Order"), QStringLiteral("Restrict"),
                    QStringLiteral("15 5 20 20 20 10 10"));
    ini.writeBool(QStringLiteral("Restriction"), QStringLiteral("View"),
                  cbShowAdditionalInfo->isChecked());
    ini.writeBool(QStringLiteral("File_Prt"), QStringLiteral("View"), cbFileAccessPrt->isChecked());
    ini.writeBool(QStringLiteral("Index_Prt"), QStringLiteral("View"), cbGiveIndexPrt->isChecked());
    ini.save(SettingsPath()); // a settings file that cannot be written is ignored
}

void TForm1::AddProtocolLine(const QString& text)
{
    PrtMemo->appendPlainText(text);
}

QStringList TForm1::ProtocolLines() const
{
    return PrtMemo->toPlainText().split(QLatin1Char('\n'));
}

void TForm1::LoadHierarchyTables()
{
    cdsHead->loadFromFile(HeadlineFile);
    AddProtocolLine(QStringLiteral("HeadLines loaded / records: ") +
                    QString::number(cdsHead->recordCount()));
    CDSTopics->loadFromFile(TopicFile);
    CDSTopics->setIndexFieldNames(QStringLiteral("Parameter"));
    AddProtocolLine(QStringLiteral("Topics loaded / records: ") +
                    QString::number(CDSTopics->recordCount()));
    CDSData->loadFromFile(ParameterFile);
    AddProtocolLine(QStringLiteral("Parameter loaded / records: ") +
                    QString::number(CDSData->recordCount()));
    cdsHead->first();
}

void TForm1::CloseTablesAndSaveSettings()
{
    cdsFile->close();
    CDSData->close();
    CDSTopics->close();
    cdsHead->close();
    // Forgetting the connected file makes the next row change connect its file again, so
    // the views never stay empty after the tables were reopened.
    ConnectedDataFileName.clear();
    m_failedDataFile.clear();
    m_failedRow.clear();
    WriteSettings();
}

void TForm1::closeEvent(QCloseEvent* event)
{
    FormClose();
    event->accept();
}

void TForm1::FormClose()
{
    m_guard.run([this] { CloseTablesAndSaveSettings(); });
}

void TForm1::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    FormResize();
}

bool TForm1::eventFilter(QObject* watched, QEvent* event)
{
    // The panel gets its final width after the window's resize event.
    if (watched == pnRestriction && event->type() == QEvent::Resize)
        FormResize();
    if ((event->type() == QEvent::ShortcutOverride || event->type() == QEvent::KeyPress) &&
        watched->isWidgetType() && static_cast<QWidget*>(watched)->window() == this) {
        const auto& key = *static_cast<QKeyEvent*>(event);
        if (QAction* action = MenuShortcutAction(key)) {
            // The menu's key wins over the mnemonics of the menu bar and of the buttons
            // (Alt+C would otherwise be ambiguous and do nothing).
            event->accept();
            if (event->type() == QEvent::KeyPress)
                action->trigger();
            return true;
        }
        if (QAbstractButton* button = MnemonicButton(key)) {
            // Then a shown button's mnemonic, before the menu bar's (Alt+R on "&ReOpen All"
            // would otherwise be shared with "&Report" and "Sc&reen").
            event->accept();
            if (event->type() == QEvent::KeyPress)
                button->click();
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

QAbstractButton* TForm1::MnemonicButton(const QKeyEvent& key) const
{
    if (key.modifiers() != Qt::AltModifier || key.key() == 0 || key.key() == Qt::Key_unknown)
        return nullptr;
    const QKeySequence pressed(QKeyCombination(Qt::AltModifier, Qt::Key(key.key())));
    const QList<QAbstractButton*> buttons = findChildren<QAbstractButton*>();
    for (QAbstractButton* button : buttons) {
        if (button->isVisible() && button->isEnabled() &&
            QKeySequence::mnemonic(button->text()) == pressed)
            return button;
    }
    return nullptr;
}

QAction* TForm1::MenuShortcutAction(const QKeyEvent& key) const
{
    if (key.key() == 0 || key.key() == Qt::Key_unknown)
        return nullptr;
    const QKeySequence pressed(
        QKeyCombination(key.modifiers() & ~Qt::KeypadModifier, Qt::Key(key.key())));
    const QList<QAction*> actions = findChildren<QAction*>();
    for (QAction* action : actions) {
        if (action->isEnabled() && action->isVisible() &&
            action->shortcutContext() == Qt::WindowShortcut && action->shortcut() == pressed)
            return action;
    }
    return nullptr;
}

void TForm1::FormResize()
{
    if (!sbClose || !pnRestriction)
        return;
    // Window width less 35, at the right end of the tab row of the restriction panel.
    const int left = pnRestriction->mapFrom(this, QPoint(width() - 35, 0)).x();
    sbClose->move(qBound(0, left, qMax(0, pnRestriction->width() - sbClose->width())), 1);
}

void TForm1::Maximize1Click()
{
    // The maximized window gets the screen's available area (the screen less the task
    // bar) from the window system; resizing it here would end the maximized state.
    setWindowState(Qt::WindowMaximized);
}

void TForm1::Standard1Click()
{
    setWindowState(Qt::WindowNoState);
    resize(StandardWidth, StandardHeight);
    update();
}

// --- navigation -------------------------------------------------------------------------------

void TForm1::dsHeadDataChange()
{
    CDSTopics->setFilter(QStringLiteral("TOP = ") +
                         FilterLiteral(CurrentText(*cdsHead, QStringLiteral("Top"))));
    CDSTopics->setFiltered(true);
}

void TForm1::dsTopicsDataChange()
{
    ApplyParameterFilter();
}

void TForm1::cbSexChange()
{
    ApplyParameterFilter();
}

void TForm1::rgOrderRestrictionClick()
{
    ApplyParameterFilter();
}

void TForm1::ApplyParameterFilter()
{
    const QString ps = CurrentText(*CDSTopics, QStringLiteral("PS"));
    const QString base = QStringLiteral("PS = ") + FilterLiteral(ps);
    const QString sex = cbSex->currentText();
    // The texts are compared exactly; anything else leaves the filter as it is.
    if (sex == QLatin1String("All"))
        CDSData->setFilter(base);
    else if (sex == QLatin1String("M") || sex == QLatin1String("F") || sex == QLatin1String("A"))
        CDSData->setFilter(base + QStringLiteral(" AND Sex='") + sex + QLatin1Char('\''));
    CDSData->setFiltered(true);

    static const char* const orders[] = {"VARIABLE", "RSTRC", "RSTRC;VARIABLE", "DataSource"};
    const int item = m_orderButtons->checkedId();
    if (item >= 0 && item < 4)
        CDSData->setIndexFieldNames(QLatin1String(orders[item]));
}

void TForm1::dsParaDataChange()
{
    sb1->setPanelText(0, QStringLiteral("HdL:") + CurrentText(*cdsHead, QStringLiteral("Top")));
    sb1->setPanelText(1, QStringLiteral("Top:") + CurrentText(*CDSTopics, QStringLiteral("PS")));
    sb1->repaint();

    DataFileName = CurrentText(*CDSData, QStringLiteral("DataFile"));
    if (!DataFileName.isEmpty()) {
        sb1->setPanelText(2, QStringLiteral("File: ") + RunDir + QLatin1Char('/') +
                                 ReplaceExtension(DataFileName, QStringLiteral("xml")));
    } else {
        sb1->setPanelText(2, QStringLiteral(" -- "));
        sb1->setPanelText(3, QStringLiteral(" "));
        mTableContent->clear();
        dbmGF->clear();
        mTransformed->clear();
        dbmMemoBstFt->clear();
        dbmQuantilesFit->clear();
        mFormula->clear();
    }

    if (OpenDataFiles) {
        // Written before the connection, so the header of the converted functions names
        // the parameter they belong to.
        sb1->setPanelText(4, QStringLiteral("Current : ") +
                                 FirstInfoLine(CurrentText(*CDSData, QStringLiteral("Info"))));
        sb1->repaint();
        ConnectDataFile();
    }

    const QString restrictions = GetRestrictionText();
    M1->clear();
    if (cbShowAdditionalInfo->isChecked() && !restrictions.isEmpty())
        ShowRestrictionPanel(QStringList{QString(RestrictionsHeaderLine)} +
                             TextLines(restrictions));
    else
        pnRestriction->hide();
}

// --- data file --------------------------------------------------------------------------------

void TForm1::EmptyDataViews()
{
    mTableContent->clear();
    mFormula->clear();
    oe1->clear();
    mTransformed->clear();
}

void TForm1::CloseDataFile()
{
    // Without a usable file the views show nothing rather than another parameter's data,
    // and the row is connected afresh when it is selected again.
    dsTable->setEnabled(false);
    cdsFile->close();
    ConnectedDataFileName.clear();
    EmptyDataViews();
}

void TForm1::ConnectDataFile()
{
    if (TrimLeftText(DataFileName).isEmpty()) {
        m_failedDataFile.clear();
        m_failedRow.clear();
        CloseDataFile();
        return;
    }
    if (DataFileName == ConnectedDataFileName)
        return;
    // A filter or order that shows the row again within the same action does not repeat
    // a failed attempt (nor its protocol lines and beeps).
    const QStringList row = CurrentRowValues(*CDSData);
    if (DataFileName == m_failedDataFile && row == m_failedRow)
        return;
    m_failedDataFile.clear();
    m_failedRow.clear();
    auto failed = [this, &row] {
        CloseDataFile();
        m_failedDataFile = DataFileName;
        m_failedRow = row;
    };
    ConnectedDataFileName = DataFileName;
    DataFilePath = RunDir + QLatin1Char('/') + DataFileName;

    if (!QFileInfo(DataFilePath).isFile()) {
        m_beep();
        m_beep();
        AddProtocolLine(QStringLiteral("*** SORRY! The XML File  ") + DataFilePath +
                        QStringLiteral("/XML does not (yet) exist. ID:") +
                        CurrentText(*CDSData, QStringLiteral("ID")));
        failed();
        return;
    }

    const bool protocol = cbFileAccessPrt->isChecked();
    if (protocol)
        AddProtocolLine(QStringLiteral("Connect XML with : ") + DataFilePath);
    try {
        dsTable->setEnabled(false);
        cdsFileBeforeOpen();
        cdsFile->loadFromFile(DataFilePath);
        BindDataFileFields();
    } catch (const std::exception&) {
        AddProtocolLine(QStringLiteral("*** Error calling file  : ") + DataFilePath);
        failed();
        return;
    }
    dsTable->setEnabled(true);
    if (protocol) {
        QTextCursor cursor(PrtMemo->document());
        cursor.movePosition(QTextCursor::End);
        cursor.insertText(QStringLiteral(" o.k."));
    }
}

void TForm1::cdsFileBeforeOpen()
{
    mTransformed->clear();
}

void TForm1::BindDataFileFields()
{
    DataFieldNames = cdsFile->fieldNames();
    auto bind = [this](auto* view, const QString& field) {
        view->setField(ContainsName(DataFieldNames, field) ? field : QString());
    };
    bind(dbmGF, QStringLiteral("GENERALF"));
    bind(dbmMemoBstFt, QStringLiteral("MOMENTS"));
    bind(dbmQuantilesFit, QStringLiteral("QUANTILES"));
    bind(dbeQuantAge, QStringLiteral("AGEGRP"));
    bind(dbeQuantN, QStringLiteral("NOBS"));

    clbVar->clear();
    for (const QString& name : DataFieldNames) {
        auto* item = new QListWidgetItem(name, clbVar);
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(Qt::Checked);
    }
    mTableContent->clear();
}

void TForm1::dsTableDataChange()
{
    QString group;
    if (!ContainsName(DataFieldNames, QStringLiteral("AGEGRP"))) {
        group = QStringLiteral("Group: undef.");
    } else {
        group = QStringLiteral("Group:") + CurrentText(*cdsFile, QStringLiteral("AGEGRP"));
        if (ContainsName(DataFieldNames, QStringLiteral("AGEMin")))
            group += QStringLiteral(" Age: ") + CurrentText(*cdsFile, QStringLiteral("AGEMin")) +
                     QStringLiteral(" - ");
        if (ContainsName(DataFieldNames, QStringLiteral("AGEMax")))
            group += CurrentText(*cdsFile, QStringLiteral("AGEMax"));
    }
    sb1->setPanelText(3, group);

    const QStringList gfLines = dbmGF->lines();
    if (gfLines.isEmpty())
        return; // the previous conversion stays
    const GeneratorResult result = ConvertParameterSets(gfLines);
    QStringList lines;
    lines << sb1->panelText(4) + QStringLiteral("  ") + sb1->panelText(3) << QString();
    lines << result.lines;
    mTransformed->setPlainText(lines.join(QLatin1Char('\n')));
    sb1->repaint();
    // The rows converted before a failing line stay shown; then the error is reported.
    result.throwIfStopped();
}

// --- commands ---------------------------------------------------------------------------------

void TForm1::bCloseAllTablesClick()
{
    CloseTablesAndSaveSettings();
}

void TForm1::bCloseOpenClick()
{
    CloseTablesAndSaveSettings();
    LoadHierarchyTables();
}

void TForm1::Openalltables1Click()
{
    t->setCurrentIndex(0);
    AddProtocolLine(QStringLiteral("Open all tables"));
    LoadHierarchyTables();
    AddProtocolLine(QStringLiteral("Done."));
}

void TForm1::Closealltablesconnections1Click()
{
    AddProtocolLine(QStringLiteral("Closing all tables"));
    CloseTablesAndSaveSettings();
    AddProtocolLine(QStringLiteral("Done."));
}

void TForm1::Quit1Click()
{
    CloseTablesAndSaveSettings();
    close();
}

// --- restriction panel ------------------------------------------------------------------------

QString TForm1::GetRestrictionText()
{
    TbCnt->setCurrentIndex(0);
    return RestrictionText(InfoLines(CurrentText(*CDSData, QStringLiteral("Info"))));
}

QString TForm1::GetUpdateStatusText()
{
    const QStringList lines =
        UpdateStatusLines(ParameterFile, CurrentText(*CDSData, QStringLiteral("DataFile")),
                          CurrentText(*CDSData, QStringLiteral("FileType")),
                          CurrentText(*CDSData, QStringLiteral("Change")));
    return lines.join(QLatin1Char('\n'));
}

void TForm1::ShowRestrictionPanel(const QStringList& lines)
{
    TbCnt->setCurrentIndex(0);
    pnRestriction->show();
    M1->setPlainText(lines.join(QLatin1Char('\n')));
}

void TForm1::cbShowAdditionalInfoClick()
{
    if (!cbShowAdditionalInfo->isChecked()) {
        pnRestriction->hide();
        return;
    }
    const QString text = GetRestrictionText();
    ShowRestrictionPanel(QStringList{QString(RestrictionsHeaderLine)} + TextLines(text));
}

void TForm1::sb1MouseDown()
{
    if (!pnRestriction->isHidden()) {
        pnRestriction->hide();
        return;
    }
    const QString text = GetRestrictionText();
    ShowRestrictionPanel(QStringList{QString(RestrictionsHeaderLine), QString()} + TextLines(text));
}

void TForm1::TbCntMouseDown(int tab)
{
    M1->clear();
    if (tab == 0) {
        const QString text = GetRestrictionText();
        M1->setPlainText((QStringList{QString(RestrictionsHeaderLine)} + TextLines(text))
                             .join(QLatin1Char('\n')));
    } else if (tab == 1) {
        M1->setPlainText(GetUpdateStatusText());
    } else {
        M1->setPlainText(QString(NothingSelectedText));
    }
}

void TForm1::sbCloseClick()
{
    pnRestriction->hide();
}

} // namespace veltra
