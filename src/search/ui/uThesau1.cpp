#include "search/ui/uThesau1.h"

#include "data/DataSource.h"
#include "search/SearchFilter.h"
#include "search/SearchTexts.h"
#include "util/PageSetup.h"
#include "util/ProtocolLog.h"
#include "util/VeltraError.h"
#include "util/uString.h"
#include "util/ui/BackgroundWork.h"
#include "widgets/DbEdit.h"
#include "widgets/DbNavigator.h"
#include "widgets/DbRichText.h"
#include "widgets/GuardedHandler.h"
#include "widgets/Named.h"
#include "widgets/PanelStatusBar.h"
#include "widgets/ViewFonts.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QCompleter>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScopeGuard>
#include <QStyleOptionComboBox>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

namespace veltra {

namespace {

const QString German = QStringLiteral("German /Deutsch");
const QString English = QStringLiteral("English /Englisch");
const QString NoKeywords = QStringLiteral("None / No keywords");

/// A bold label that ends before `right`: where this system's font is wider than the
/// designed one, the font shrinks until the text fits in front of its box.
QLabel* BoldLabel(const QString& text, int left, int top, int right, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    QFont font = BoldFont(parent->font());
    while (font.pointSizeF() > 6 && QFontMetrics(font).horizontalAdvance(text) > right - left - 4)
        font.setPointSizeF(font.pointSizeF() - 0.5);
    label->setFont(font);
    label->move(left, top);
    label->adjustSize();
    return label;
}

QComboBox* Box(const char* name, const QStringList& items, int left, int top, int width,
               QWidget* parent)
{
    auto* box = Named(new QComboBox(parent), name);
    box->setEditable(true);
    box->setInsertPolicy(QComboBox::NoInsert);
    box->addItems(items);
    box->setGeometry(left, top, width, 22);
    return box;
}

/// The room for text in a combo box's edit field.
int EditFieldWidth(const QComboBox* box)
{
    QStyleOptionComboBox option;
    option.initFrom(box);
    option.editable = box->isEditable();
    const QRect field = box->style()->subControlRect(QStyle::CC_ComboBox, &option,
                                                     QStyle::SC_ComboBoxEditField, box);
    return field.width() - 6; // the line edit's own margins and cursor
}

/// The widest entry of a combo box in its font.
int WidestItem(const QComboBox* box)
{
    const QFontMetrics metrics(box->font());
    int widest = 0;
    for (int i = 0; i < box->count(); ++i)
        widest = std::max(widest, metrics.horizontalAdvance(box->itemText(i)));
    return widest;
}

/// The drop-down list wide enough for its entries up to a limit; longer entries are
/// elided at their end, never in the middle.
void FitDropDownList(QComboBox* box, int limit)
{
    box->view()->setTextElideMode(Qt::ElideRight);
    const int needed = WidestItem(box) + 2 * box->view()->frameWidth() +
                       box->style()->pixelMetric(QStyle::PM_ScrollBarExtent) + 16;
    box->view()->setMinimumWidth(std::min(needed, limit));
}

/// The language box: its font shrinks until every choice fits in the edit field (where
/// this system's font is wider than the designed one), and the text shows from its start.
void FitLanguageBox(QComboBox* box)
{
    QFont font = box->font();
    while (font.pointSizeF() > 6 && QFontMetrics(font).horizontalAdvance(QStringLiteral(
                                        "None / No keywords")) > EditFieldWidth(box)) {
        font.setPointSizeF(font.pointSizeF() - 0.5);
        box->setFont(font);
    }
    FitDropDownList(box, 400);
    QObject::connect(box, &QComboBox::currentIndexChanged, box->lineEdit(),
                     [box] { box->lineEdit()->setCursorPosition(0); });
    box->lineEdit()->setCursorPosition(0);
}

/// A term box: the text stays exactly as typed. Entries matching the typed text anywhere,
/// ignoring case, are offered in a popup list; the box takes an entry's text only when
/// the user picks it. The drop-down list is as wide as its longest entry.
QComboBox* TermBox(const char* name, int left, int top, QWidget* parent)
{
    QComboBox* box = Box(name, {}, left, top, 177, parent);
    auto* completer = new QCompleter(box->model(), box);
    completer->setCompletionMode(QCompleter::PopupCompletion);
    completer->setCaseSensitivity(Qt::CaseInsensitive);
    completer->setFilterMode(Qt::MatchContains);
    box->setCompleter(completer);
    box->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    box->view()->setTextElideMode(Qt::ElideRight);
    completer->popup()->setTextElideMode(Qt::ElideRight);
    return box;
}

QPushButton* NarrowButton(const char* name, const QString& text, int left, int top, QWidget* parent)
{
    auto* button = Named(new QPushButton(text, parent), name);
    QFont font(QStringLiteral("Arial Narrow"));
    font.setBold(true);
    font.setStretch(QFont::SemiCondensed);
    button->setFont(font);
    button->setGeometry(left, top, 105, 25);
    return button;
}

/// The wait cursor for as long as the object lives, also when an error ends the work.
struct WaitCursor
{
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
};

} // namespace

TfSearchIndex::TfSearchIndex(const ErrorGuard& guard, GoTo goTo, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      m_guard(guard), m_goTo(std::move(goTo))
{
    setObjectName(QStringLiteral("fSearchIndex"));
    setWindowTitle(QStringLiteral(" Data Search by Keywords"));
    setGeometry(107, 124, 742, 598);

    // Headlines by STRC; topics and parameter rows in the order of their files.
    m_db.setTopicOrder(QString());
    m_db.topics().setIndexFieldNames(QString());
    FilterOptions keyOptions;
    keyOptions.ignoreCase = true;
    keyOptions.partialCompare = false;
    cdsKey.setFilterOptions(keyOptions);
    m_dsKey = new DataSource(&cdsKey, this);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    // The search panel, controls at their designed places.
    auto* search = Named(new QWidget(this), "pnSearch");
    search->setFixedHeight(81);
    bFindEnglishIndex =
        NarrowButton("bFindEnglishIndex", QStringLiteral("&Find data"), 504, 48, search);
    BoldLabel(QStringLiteral("Search for "), 8, 19, 80, search);
    cbIndexE1 = TermBox("cbIndexE1", 80, 16, search);
    cbE1 = Box("cbE1", {QStringLiteral("AND"), QStringLiteral("OR")}, 264, 16, 52, search);
    cbIndexE2 = TermBox("cbIndexE2", 320, 16, search);
    cbE2 = Box("cbE2", {QStringLiteral("AND"), QStringLiteral("OR")}, 24, 48, 52, search);
    cbIndexE3 = TermBox("cbIndexE3", 80, 48, search);
    BoldLabel(QStringLiteral("Exclude"), 264, 51, 320, search);
    cbIndexE4 = TermBox("cbIndexE4", 320, 48, search);
    BoldLabel(QStringLiteral("Keyword Langu.:"), 504, 19, 608, search);
    cbLanguage = Box("cbLanguage", {German, English, NoKeywords}, 608, 16, 125, search);
    cbLanguage->setCurrentText(English);
    FitLanguageBox(cbLanguage);
    bReSetToZeroSearch =
        NarrowButton("bReSetToZeroSearch", QStringLiteral("&Clear search"), 624, 48, search);
    // Tab order as designed.
    QWidget* order[] = {bFindEnglishIndex, cbE1,      cbIndexE1,  cbIndexE2,         cbE2,
                        cbIndexE3,         cbIndexE4, cbLanguage, bReSetToZeroSearch};
    for (size_t i = 1; i < std::size(order); ++i)
        setTabOrder(order[i - 1], order[i]);
    layout->addWidget(search);

    // The result bar.
    auto* bar = Named(new QWidget(this), "pnResult");
    bar->setFixedHeight(42);
    auto* row = new QHBoxLayout(bar);
    row->setContentsMargins(6, 4, 6, 4);
    row->addWidget(new QLabel(QStringLiteral("HdL"), bar));
    DBEdit1 = Named(new DbEdit(bar), "DBEdit1");
    DBEdit1->setFixedWidth(60);
    DBEdit1->setDataSource(m_dsKey);
    DBEdit1->setField(QStringLiteral("Top"));
    DBEdit1->setWritable(true, &m_guard);
    row->addWidget(DBEdit1);
    row->addWidget(new QLabel(QStringLiteral("Top"), bar));
    DBEdit2 = Named(new DbEdit(bar), "DBEdit2");
    DBEdit2->setFixedWidth(60);
    DBEdit2->setDataSource(&m_db.parameterLink());
    DBEdit2->setField(QStringLiteral("PS"));
    row->addWidget(DBEdit2);
    DBNavigator2 = Named(new DbNavigator(&m_guard, bar), "DBNavigator2");
    DBNavigator2->setDataSource(&m_db.parameterLink());
    row->addWidget(DBNavigator2);
    LbPosRec = Named(new QLabel(QStringLiteral("Pos. 0 of 0 records."), bar), "LbPosRec");
    LbPosRec->setFont(BoldFont(QFont(QStringLiteral("Arial"))));
    row->addWidget(LbPosRec, 1);
    sbGoToCurrent = Named(new QToolButton(bar), "sbGoToCurrent");
    sbGoToCurrent->setToolTip(QStringLiteral("Set to ... and Go .."));
    sbGoToCurrent->setIcon(style()->standardIcon(QStyle::SP_ArrowForward));
    row->addWidget(sbGoToCurrent);
    layout->addWidget(bar);

    DBRichEdit1 = Named(new DbRichText(this), "DBRichEdit1");
    DBRichEdit1->setFont(FixedPitchFont());
    // Tabs without stops of the text's own go to the half inch, as in the main window.
    DBRichEdit1->setTabStopDistance(DefaultTabStopDistance(DBRichEdit1->logicalDpiX()));
    DBRichEdit1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    DBRichEdit1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    DBRichEdit1->setDataSource(&m_db.parameterLink());
    DBRichEdit1->setField(QStringLiteral("Info"));
    layout->addWidget(DBRichEdit1, 1);

    sb1 = Named(new PanelStatusBar(this), "sb1");
    for (int width : {100, 300, 80, 80, 120})
        sb1->addPanel(width, QString());
    layout->addWidget(sb1);

    m_db.headlineLink().setHandler(Guarded(this, &TfSearchIndex::dsHeadDataChange));
    m_db.topicLink().setHandler(Guarded(this, &TfSearchIndex::dsTopicsDataChange));
    m_db.parameterLink().setHandler(Guarded(this, &TfSearchIndex::dsParaDataChange));

    ConnectGuarded(bFindEnglishIndex, &QPushButton::clicked, this,
                   &TfSearchIndex::bFindEnglishIndexClick);
    ConnectGuarded(bReSetToZeroSearch, &QPushButton::clicked, this,
                   &TfSearchIndex::bReSetToZeroSearchClick);
    ConnectGuarded(cbLanguage, &QComboBox::currentTextChanged, this,
                   &TfSearchIndex::cbLanguageChange);
    ConnectGuarded(sbGoToCurrent, &QToolButton::clicked, this, &TfSearchIndex::sbGoToCurrentClick);
}

TfSearchIndex::~TfSearchIndex()
{
    // The links' handlers call this window: they go before it does.
    for (DataSource* link : {&m_db.headlineLink(), &m_db.topicLink(), &m_db.parameterLink()})
        link->setHandler({});
}

void TfSearchIndex::SetTermLists(const QStringList& entries)
{
    for (QComboBox* box : {cbIndexE1, cbIndexE2, cbIndexE3, cbIndexE4}) {
        const QString typed = box->currentText();
        box->clear();
        box->addItems(entries);
        box->setEditText(typed);
        FitDropDownList(box, 600);
    }
}

void TfSearchIndex::BuildSearchIndex()
{
    // The generation runs on a worker thread, so that the wait notice stays drawn; the
    // windows take no input meanwhile. The walk runs on tables of its own, made and
    // dropped on that thread, so the window's filters and handlers stay out of it. The
    // index table is the window's: its link is disabled, so no view reads it meanwhile,
    // and the HdL box shows the index again when the link is enabled, also after a
    // failure. The keyword lists are empty when the generation fails.
    Keywords = {};
    cdsKey.setFiltered(false);
    m_dsKey->setEnabled(false);
    const QString dir = SearchDir;
    const QDateTime now = QDateTime::currentDateTime();
    IndexGeneration generation;
    {
        // The link has no handler: enabling it only has the views read the index again.
        const auto enableKey = qScopeGuard([this] { m_dsKey->setEnabled(true); });
        RunWithoutUserInput([this, &dir, &now, &generation] {
            ReferenceDatabase walk(dir, dir);
            generation = veltra::BuildSearchIndex(walk, cdsKey, dir, now);
        });
    }
    GenerationProtocol = generation.protocol;
    IndexNotSaved = generation.notSaved;
    Keywords = generation.keywords;
    m_texts = std::move(generation.texts);
    IndexPending = false;
    SetTermLists(Keywords.english.entries());
}

void TfSearchIndex::ShowForSearch()
{
    show();
    raise();
    activateWindow();
    // The first activation after the search command reloads the tables; a later return
    // from another window keeps the search shown.
    m_guard.run([this] { FormActivate(); });
}

void TfSearchIndex::FormActivate()
{
    const WaitCursor wait;
    m_db.setHierarchyDir(SearchDir);
    m_db.setRunDir(SearchDir);
    ProtocolLog counts; // the record counts of the loads are not shown here
    m_db.LoadHierarchyTables(counts);
    const QString indexPath = SearchDir + SearchIndexFileName;
    // An index that could not be written lives in memory only; the file, if any, is an
    // older one.
    if (IndexNotSaved.isEmpty()) {
        cdsKey.loadFromFile(indexPath);
        QString date;
        bool readOnly = false, archive = false, system = false, hidden = false;
        GetFileInfo(indexPath, date, readOnly, archive, system, hidden);
        IndexReadOnly = readOnly;
    }
    if (IndexPending)
        BuildSearchIndex();
    // The generation's folded texts serve the search when the table just loaded holds
    // the same Info texts; else they are made from it now.
    m_texts.Prepare(m_db.parameters());
    // The index rows of the first parameter shown.
    dsParaDataChange();
}

void TfSearchIndex::dsHeadDataChange()
{
    m_db.FilterTopicsByHeadline();
    sb1->setPanelText(2, QStringLiteral("HdL=") + DBEdit1->text());
}

void TfSearchIndex::dsTopicsDataChange()
{
    // The topic's rows replace any search filter; the order stays as loaded.
    m_db.ApplyParameterFilter(QStringLiteral("All"), -1);
}

void TfSearchIndex::dsParaDataChange()
{
    const DataTable& parameters = m_db.parameters();
    auto field = [&parameters](const char* name) {
        return ReferenceDatabase::CurrentText(parameters, QLatin1String(name));
    };
    const QString dataFile = field("DataFile");
    sb1->setPanelText(1, dataFile.isEmpty()
                             ? QStringLiteral(" -- ")
                             : QStringLiteral("File: ") +
                                   ReplaceExtension(dataFile, QStringLiteral("xml")));
    const QString id = field("ID").trimmed();
    if (!id.isEmpty() && cdsKey.isOpen()) {
        cdsKey.setFilter(QStringLiteral("Index=") + id);
        cdsKey.setFiltered(true);
    }
    const int count = parameters.recordCount();
    const QString position = QStringLiteral("Rec. ") + QString::number(parameters.recNo()) +
                             QStringLiteral(" of ") + QString::number(count);
    sb1->setPanelText(0, position);
    LbPosRec->setText(count > 0 ? position : QStringLiteral("No records found"));
    sb1->setPanelText(3, QStringLiteral("Top=") + field("PS"));
    sb1->setPanelText(4, field("DATASOURCE"));
}

void TfSearchIndex::bFindEnglishIndexClick()
{
    DataTable& parameters = m_db.parameters();
    if (!parameters.isOpen())
        parameters.open();
    FilterOptions options;
    options.ignoreCase = true;
    options.partialCompare = true;
    parameters.setFilterOptions(options);
    SearchTerms terms;
    terms.term1 = cbIndexE1->currentText();
    terms.term2 = cbIndexE2->currentText();
    terms.term3 = cbIndexE3->currentText();
    terms.exclude = cbIndexE4->currentText();
    terms.op1 = cbE1->currentText();
    terms.op2 = cbE2->currentText();
    terms.german = cbLanguage->currentText() == German;
    try {
        ApplySearchFilter(parameters, m_texts, SearchFilterExpression(terms));
        parameters.first();
    } catch (const VeltraError&) {
        // A rejected expression shows every row and says "ERROR"; no message box.
        parameters.setFilter(QString());
        parameters.setFiltered(false);
        if (!parameters.isOpen())
            parameters.open();
        sb1->setPanelText(0, QStringLiteral("ERROR"));
        return;
    }
    const int count = parameters.recordCount();
    sb1->setPanelText(0, count == 0 ? QStringLiteral("0 of 0")
                                    : QString::number(parameters.recNo()) + QStringLiteral(" of ") +
                                          QString::number(count));
}

void TfSearchIndex::bReSetToZeroSearchClick()
{
    for (QComboBox* box : {cbIndexE1, cbIndexE2, cbIndexE3, cbIndexE4})
        box->setEditText(QString());
    bFindEnglishIndexClick();
}

void TfSearchIndex::cbLanguageChange()
{
    const QString language = cbLanguage->currentText();
    if (language == German)
        SetTermLists(Keywords.german.entries());
    else if (language == English)
        SetTermLists(Keywords.english.entries());
    else
        SetTermLists({});
}

void TfSearchIndex::sbGoToCurrentClick()
{
    const QString top = ReferenceDatabase::CurrentText(cdsKey, QStringLiteral("Top"));
    const QString ps = ReferenceDatabase::CurrentText(cdsKey, QStringLiteral("PS"));
    const qint64 id = ReferenceDatabase::CurrentText(cdsKey, QStringLiteral("Index")).toLongLong();
    if (m_goTo)
        m_goTo(top, ps, id);
    close();
}

void TfSearchIndex::FormClose()
{
    m_db.topics().close();
    m_db.headlines().close();
    if (cdsKey.fieldCount() == 0)
        return; // never loaded: nothing to write
    if (!cdsKey.isOpen())
        cdsKey.open();
    cdsKey.setFiltered(false);
    if (IndexReadOnly || !IndexNotSaved.isEmpty())
        return;
    cdsKey.mergeChangeLog();
    cdsKey.saveToFile(SearchDir + SearchIndexFileName, PacketForm::Plain);
    m_db.parameters().close();
}

void TfSearchIndex::closeEvent(QCloseEvent* event)
{
    m_guard.run([this] { FormClose(); });
    QWidget::closeEvent(event);
}

} // namespace veltra
