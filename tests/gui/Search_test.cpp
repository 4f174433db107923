// The keyword search driven as a user drives it, on the small crafted database: the
// search command with its index generation, the search window's controls and
// searches, and going to a found row in the main window.
#include "../common/Actions.h"
#include "GuiFixture.h"
#include "SecondaryWindows.h"

#include "data/DataTable.h"
#include "search/SearchIndex.h"
#include "search/ui/uThesau1.h"
#include "search/ui/uWhatsOn.h"
#include "util/ui/BackgroundWork.h"
#include "widgets/DbEdit.h"

#include <QAbstractItemView>
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QCompleter>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QStyleOptionComboBox>
#include <QTimer>
#include <QToolButton>

using fixture::Child;
using fixture::Session;
using veltra::TForm1;
using veltra::TfSearchIndex;
using veltra::TfWhatsOn;

namespace {

/// A session with the search window and the wait notice wired as the program wires them.
struct SearchSession
{
    Session s;
    TForm1& form;
    TfWhatsOn notice;
    TfSearchIndex window;

    SearchSession()
        : form(s.start()),
          window(form.Guard(), [this](const QString& top, const QString& ps, qint64 id) {
              form.GoToParameter(top, ps, id);
          })
    {
        fixture::Attach(form, {.searchIndex = &window, .whatsOn = &notice});
    }
    ~SearchSession() { window.hide(); }

    void search() { Child<QAction>(form, "Search1")->trigger(); }
    void find(const QString& t1, const QString& t2 = QString(), const QString& t3 = QString(),
              const QString& exclude = QString())
    {
        window.cbIndexE1->setEditText(t1);
        window.cbIndexE2->setEditText(t2);
        window.cbIndexE3->setEditText(t3);
        window.cbIndexE4->setEditText(exclude);
        QTest::mouseClick(window.bFindEnglishIndex, Qt::LeftButton);
    }
    QStringList found()
    {
        QStringList variables;
        veltra::DataTable& parameters = window.Database().parameters();
        const int field = parameters.fieldIndex(QStringLiteral("Variable"));
        for (int row = 0; row < parameters.recordCount(); ++row)
            variables << parameters.value(row, field);
        return variables;
    }
    QString panel(int i) const { return window.sb1->panelText(i); }
};

} // namespace

class SearchTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void generationAtFirstUseAndAfterASave();
    void protocolOption();
    void windowControls();
    void searches();
    void languageAndClear();
    void goToAFoundRow();
    void goToAnUnknownHeadline();
    void indexWrittenOnClose();
    void typedTermsStayAsTyped();
    void typedTermFindsWhatTheCliFinds();
    void noticePaintedWhileTheGenerationRuns();
    void searchWhereTheIndexCannotBeWritten();
    void onlyASavedParameterTableOutdatesTheIndex_data();
    void onlyASavedParameterTableOutdatesTheIndex();
};

void SearchTest::generationAtFirstUseAndAfterASave()
{
    SearchSession t;
    const QString indexPath = t.s.dir.path() + QStringLiteral("/veltraIndex.xml");
    QVERIFY(!QFileInfo::exists(indexPath));
    const int logSize = t.s.log().size();
    t.search();
    QVERIFY(QFileInfo::exists(indexPath));
    QVERIFY(t.window.isVisible());
    QVERIFY(!t.notice.isVisible());
    QCOMPARE(Child<QTabWidget>(t.form, "t")->currentIndex(), 0);
    // The protocol: an empty line, the title, the start line and one line per parameter
    // row reached by the walk (the headline without topics adds none).
    const QStringList added = t.s.log().mid(logSize);
    QCOMPARE(added.value(0), QString());
    QCOMPARE(added.value(1), QStringLiteral("Generating an Index for Search"));
    QVERIFY(added.value(2).startsWith(QStringLiteral("Index Generator Start: ")));
    QCOMPARE(added.size(), 3 + 10);
    QVERIFY(t.s.errors.isEmpty());

    // A second search in the run shows the window without a new generation (the index is
    // current now); the lines of the last generation are added again.
    t.window.GenerationProtocol.append(QStringLiteral("marker"));
    t.search();
    QCOMPARE(t.s.log().last(), QStringLiteral("marker"));
    // After the parameter table was saved, the next search generates again, and only that
    // one.
    t.form.Database().parameters().setReadOnly(false);
    fixture::runHandler(t.form, "Savechanges1");
    QVERIFY2(t.s.errors.isEmpty(), qPrintable(t.s.errors.join(QLatin1Char('\n'))));
    t.search();
    QVERIFY(t.s.log().last() != QStringLiteral("marker"));
    t.window.GenerationProtocol.append(QStringLiteral("marker"));
    t.search();
    QCOMPARE(t.s.log().last(), QStringLiteral("marker"));
    QVERIFY(t.s.errors.isEmpty());
}

void SearchTest::protocolOption()
{
    SearchSession t;
    Child<QCheckBox>(t.form, "cbGiveIndexPrt")->setChecked(false);
    const int logSize = t.s.log().size();
    t.search();
    QCOMPARE(t.s.log().size(), logSize);
    QVERIFY(!t.window.GenerationProtocol.isEmpty());
}

void SearchTest::windowControls()
{
    SearchSession t;
    QCOMPARE(t.window.windowTitle(), QStringLiteral(" Data Search by Keywords"));
    QCOMPARE(t.window.LbPosRec->text(), QStringLiteral("Pos. 0 of 0 records."));
    QCOMPARE(t.window.cbLanguage->currentText(), QStringLiteral("English /Englisch"));
    QCOMPARE(t.window.cbE1->currentText(), QStringLiteral("AND"));
    QCOMPARE(t.window.cbE2->currentText(), QStringLiteral("AND"));
    QCOMPARE(t.window.sbGoToCurrent->toolTip(), QStringLiteral("Set to ... and Go .."));
    QVERIFY(!t.notice.Image1->pixmap().isNull()); // the JPEG picture decodes
    QCOMPARE(t.notice.windowTitle(), QStringLiteral("   What's going on ..."));
    QCOMPARE(t.notice.size(), QSize(381, 154));

    t.search();
    // After the activation: the first headline's first topic, in file order.
    QCOMPARE(t.found(), QStringList({"AW", "BW", "CW", "DW", "EW", "FW", "GW", "HW"}));
    QCOMPARE(t.panel(0), QStringLiteral("Rec. 1 of 8"));
    QCOMPARE(t.panel(1), QStringLiteral("File: bw1.xml"));
    QCOMPARE(t.panel(2), QStringLiteral("HdL=H1"));
    QCOMPARE(t.panel(3), QStringLiteral("Top=B1"));
    QCOMPARE(t.panel(4), QStringLiteral("Alpha Survey"));
    QCOMPARE(t.window.DBEdit1->text(), QStringLiteral("H1"));
    QCOMPARE(t.window.LbPosRec->text(), QStringLiteral("Rec. 1 of 8"));
    // The term boxes offer the English keywords: headline and topic texts, words of the
    // Variable lines.
    QStringList offered;
    for (int i = 0; i < t.window.cbIndexE1->count(); ++i)
        offered << t.window.cbIndexE1->itemText(i);
    QVERIFY2(offered.contains(QStringLiteral("Anthropometry")), qPrintable(offered.join(',')));
    QVERIFY2(offered.contains(QStringLiteral("BW_kg")), qPrintable(offered.join(',')));

    // No cut texts: every language fits in the language box's edit field and shows from
    // its start; the drop-down lists are as wide as their entries.
    QComboBox* language = t.window.cbLanguage;
    QStyleOptionComboBox option;
    option.initFrom(language);
    option.editable = true;
    const int room =
        language->style()
            ->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, language)
            .width();
    for (int i = 0; i < language->count(); ++i) {
        const QString text = language->itemText(i);
        QVERIFY2(QFontMetrics(language->font()).horizontalAdvance(text) < room, qPrintable(text));
        QVERIFY2(QFontMetrics(language->view()->font()).horizontalAdvance(text) <
                     language->view()->minimumWidth() - 16,
                 qPrintable(text));
    }
    QCOMPARE(language->lineEdit()->cursorPosition(), 0);
    QCOMPARE(t.window.cbIndexE1->view()->textElideMode(), Qt::ElideRight);
}

void SearchTest::searches()
{
    SearchSession t;
    t.search();
    // Across every topic, ignoring case.
    t.find(QStringLiteral("body WEIGHT"));
    QCOMPARE(t.found(), QStringList({"AW", "BW"}));
    QCOMPARE(t.panel(0), QStringLiteral("1 of 2"));
    // Term 2 empty: term 1 AND term 3, without the excluded one.
    t.find(QStringLiteral("body"), QString(), QStringLiteral("men"), QStringLiteral("women"));
    QCOMPARE(t.found(), QStringList({"BW", "BH"}));
    // ((men AND weight) OR water): "women" holds "men".
    t.window.cbE2->setEditText(QStringLiteral("OR"));
    t.find(QStringLiteral("men"), QStringLiteral("weight"), QStringLiteral("water"));
    QCOMPARE(t.found(), QStringList({"AW", "BW", "WI"}));
    // A quote in a term is a quote to find, not a broken expression.
    t.window.cbE2->setEditText(QStringLiteral("AND"));
    t.find(QStringLiteral("row's"));
    QCOMPARE(t.found(), QStringList());
    QCOMPARE(t.panel(0), QStringLiteral("0 of 0"));
    QCOMPARE(t.window.LbPosRec->text(), QStringLiteral("No records found"));
    // An operator other than AND or OR: "ERROR", and every row shown.
    t.window.cbE1->setEditText(QStringLiteral("XOR"));
    t.find(QStringLiteral("body"), QStringLiteral("men"));
    QCOMPARE(t.panel(0), QStringLiteral("ERROR"));
    QCOMPARE(t.found().size(), 10);
    QVERIFY(t.s.errors.isEmpty());
}

void SearchTest::languageAndClear()
{
    SearchSession t;
    t.search();
    // German cuts two characters off every term: "Body weightxx" finds "Body weight".
    t.window.cbLanguage->setCurrentText(QStringLiteral("German /Deutsch"));
    t.find(QStringLiteral("Body weightxx"));
    QCOMPARE(t.found(), QStringList({"AW", "BW"}));
    QCOMPARE(t.window.cbIndexE1->currentText(), QStringLiteral("Body weightxx"));
    t.window.cbLanguage->setCurrentText(QStringLiteral("None / No keywords"));
    QCOMPARE(t.window.cbIndexE1->count(), 0);
    QCOMPARE(t.window.cbIndexE1->currentText(), QStringLiteral("Body weightxx"));
    QTest::mouseClick(t.window.bReSetToZeroSearch, Qt::LeftButton);
    QVERIFY(t.window.cbIndexE1->currentText().isEmpty());
    QCOMPARE(t.found().size(), 10);
    QCOMPARE(t.panel(0), QStringLiteral("1 of 10"));
}

void SearchTest::goToAFoundRow()
{
    SearchSession t;
    t.search();
    // A row of the second topic of the first headline: the walk reaches it with data
    // file connection off, then shows it as a row change would.
    t.find(QStringLiteral("Body height"));
    QCOMPARE(t.found(), QStringList({"BH"}));
    QCOMPARE(t.window.DBEdit1->text(), QStringLiteral("H1"));
    QCOMPARE(t.form.Database().connectedDataFileName(), QStringLiteral("bw1.xml"));
    QTest::mouseClick(t.window.sbGoToCurrent, Qt::LeftButton);
    QVERIFY(t.window.isHidden());
    QCOMPARE(veltra::ReferenceDatabase::CurrentText(t.form.Database().parameters(),
                                                    QStringLiteral("ID")),
             QStringLiteral("9"));
    // Data files are connected again after the walk: the row found has its file.
    QCOMPARE(t.form.Database().connectedDataFileName(), QStringLiteral("bw2.xml"));
    QCOMPARE(t.s.panel(4), QStringLiteral("Current : Body height of men"));
    QCOMPARE(t.s.selected("dbgParameter"), QStringLiteral("Height"));
    QCOMPARE(t.s.selected("dbgSources"), QStringLiteral("BH"));

    // A row under another headline.
    t.search();
    t.find(QStringLiteral("Water intake"));
    QTest::mouseClick(t.window.sbGoToCurrent, Qt::LeftButton);
    QCOMPARE(t.s.selected("dbgTopics"), QStringLiteral("Intake"));
    QCOMPARE(t.s.selected("dbgSources"), QStringLiteral("WI"));
    QVERIFY(t.s.errors.isEmpty());
}

void SearchTest::goToAnUnknownHeadline()
{
    SearchSession t;
    t.search();
    t.find(QStringLiteral("Body height"));
    QCOMPARE(t.found(), QStringList({"BH"}));
    // A headline code the main window does not have: it stands on its last headline.
    t.window.DBEdit1->setFocus();
    t.window.DBEdit1->selectAll();
    QTest::keyClicks(t.window.DBEdit1, QStringLiteral("ZZ"));
    QCOMPARE(veltra::ReferenceDatabase::CurrentText(t.window.cdsKey, QStringLiteral("Top")),
             QStringLiteral("ZZ"));
    QTest::mouseClick(t.window.sbGoToCurrent, Qt::LeftButton);
    QCOMPARE(veltra::ReferenceDatabase::CurrentText(t.form.Database().headlines(),
                                                    QStringLiteral("Top")),
             QStringLiteral("H3"));
    // Data files are connected again after the failed walk: a row change connects its file.
    QVERIFY(t.form.Database().connectedDataFileName().isEmpty());
    QVERIFY(t.s.clickRow("dbgTopics", QStringLiteral("Anthropometry")));
    QCOMPARE(t.form.Database().connectedDataFileName(), QStringLiteral("bw1.xml"));
    QVERIFY(t.s.errors.isEmpty());
}

void SearchTest::indexWrittenOnClose()
{
    SearchSession t;
    t.search();
    t.find(QStringLiteral("Body height"));
    t.window.DBEdit1->setFocus();
    t.window.DBEdit1->selectAll();
    QTest::keyClicks(t.window.DBEdit1, QStringLiteral("H9"));
    t.window.close();
    // Closing writes the index in the plain form, with the edit.
    QFile file(t.s.dir.path() + QStringLiteral("/veltraIndex.xml"));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    QVERIFY(!bytes.contains("encoding="));
    veltra::DataTable index;
    index.loadFromData(bytes, QStringLiteral("veltraIndex.xml"));
    index.setFilter(QStringLiteral("Index=9"));
    index.setFiltered(true);
    QCOMPARE(index.fieldText(QStringLiteral("Top")), QStringLiteral("H9"));
    QVERIFY(!t.window.Database().topics().isOpen());
    QVERIFY(t.s.errors.isEmpty());
}

void SearchTest::typedTermsStayAsTyped()
{
    SearchSession t;
    t.search();
    QComboBox* box = t.window.cbIndexE1;
    // "Body weight" is offered, but the box keeps the typed "body".
    QVERIFY(box->findText(QStringLiteral("Body weight")) >= 0);
    box->lineEdit()->setFocus();
    QTest::keyClicks(box->lineEdit(), QStringLiteral("body"));
    QCOMPARE(box->currentText(), QStringLiteral("body"));
    // The popup offers the entries holding the text anywhere, ignoring case.
    QCompleter* completer = box->completer();
    QCOMPARE(completer->completionMode(), QCompleter::PopupCompletion);
    completer->setCompletionPrefix(QStringLiteral("WEIGHT"));
    QStringList offered;
    for (int row = 0; completer->setCurrentRow(row); ++row)
        offered << completer->currentCompletion();
    QVERIFY2(offered.contains(QStringLiteral("Body weight")), qPrintable(offered.join(u',')));
    for (const QString& entry : std::as_const(offered))
        QVERIFY2(entry.contains(QStringLiteral("weight"), Qt::CaseInsensitive), qPrintable(entry));
    QCOMPARE(box->currentText(), QStringLiteral("body"));
    // Find data uses the typed text: every row holding "body", not only "Body weight".
    QTest::keyClick(box->lineEdit(), Qt::Key_Return);
    QCOMPARE(box->currentText(), QStringLiteral("body"));
    QTest::mouseClick(t.window.bFindEnglishIndex, Qt::LeftButton);
    QCOMPARE(t.found(), QStringList({"AW", "BW", "BH"}));
    // Picking an entry in the popup puts its text into the box.
    completer->setCompletionPrefix(QStringLiteral("weight"));
    completer->complete();
    QAbstractItemView* popup = completer->popup();
    const QModelIndexList picked =
        popup->model()->match(popup->model()->index(0, 0), Qt::DisplayRole,
                              QStringLiteral("Body weight"), 1, Qt::MatchExactly);
    QCOMPARE(picked.size(), 1);
    popup->setCurrentIndex(picked.first());
    QTest::keyClick(popup, Qt::Key_Return);
    QCOMPARE(box->currentText(), QStringLiteral("Body weight"));
}

void SearchTest::typedTermFindsWhatTheCliFinds()
{
    // A copy of the sample database: the generation writes its index file.
    QTemporaryDir db;
    for (const QFileInfo& file :
         QDir(QStringLiteral(VELTRA_SAMPLE_DIR)).entryInfoList({QStringLiteral("*.xml")}))
        QVERIFY(QFile::copy(file.filePath(), db.filePath(file.fileName())));
    QProcess cli;
    cli.start(
        QStringLiteral(VELTRA_BIN_DIR "/veltra-cli"),
        {QStringLiteral("--db"), db.path(), QStringLiteral("search"), QStringLiteral("body")});
    QVERIFY(cli.waitForFinished(60000));
    QCOMPARE(cli.exitCode(), 0);
    QStringList cliIds;
    for (const QString& line : QString::fromUtf8(cli.readAllStandardOutput()).split(u'\n')) {
        if (!line.isEmpty())
            cliIds << line.section(u'\t', 0, 0);
    }
    QCOMPARE(cliIds.size(), 23);

    QTemporaryDir exeDir;
    const QString oldCurrent = QDir::currentPath();
    QVERIFY(QDir::setCurrent(db.path()));
    QStringList errors;
    {
        TForm1 form(exeDir.filePath(QStringLiteral("veltra")), db.path());
        form.Guard().setReporter([&errors](const QString& message) { errors << message; });
        form.show();
        TfSearchIndex window(form.Guard(), {});
        fixture::Attach(form, {.searchIndex = &window});
        Child<QAction>(form, "Search1")->trigger();
        window.cbIndexE1->lineEdit()->setFocus();
        QTest::keyClicks(window.cbIndexE1->lineEdit(), QStringLiteral("body"));
        QTest::mouseClick(window.bFindEnglishIndex, Qt::LeftButton);
        QCOMPARE(window.cbIndexE1->currentText(), QStringLiteral("body"));
        const veltra::DataTable& parameters = window.Database().parameters();
        const int id = parameters.fieldIndex(QStringLiteral("ID"));
        QStringList windowIds;
        for (int row = 0; row < parameters.recordCount(); ++row)
            windowIds << parameters.value(row, id).trimmed();
        QCOMPARE(windowIds, cliIds);
        window.hide();
    }
    QDir::setCurrent(oldCurrent);
    QVERIFY2(errors.isEmpty(), qPrintable(errors.join(u'\n')));
}

void SearchTest::noticePaintedWhileTheGenerationRuns()
{
    SearchSession t;
    // Checked from a timer, which fires while the generation runs on its worker thread
    // (the event loop keeps running for painting).
    struct Seen
    {
        bool running = false;
        bool visible = false;
        bool busy = false;
        bool painted = false;
    } seen;
    QTimer::singleShot(0, &t.notice, [&t, &seen] {
        seen.running = veltra::IsRunningWithoutUserInput();
        seen.visible = t.notice.isVisible();
        seen.busy = t.notice.Progress->isVisible() && t.notice.Progress->maximum() == 0;
        const QImage image = t.notice.grab().toImage();
        // The picture and the texts are drawn: more than one colour on the notice.
        seen.painted = image.pixel(100, 40) != image.pixel(5, 5);
    });
    t.search();
    QVERIFY(seen.running);
    QVERIFY(seen.visible);
    QVERIFY(seen.busy);
    QVERIFY(seen.painted);
    // Afterwards the notice is gone and the search window shown.
    QVERIFY(!t.notice.isVisible());
    QVERIFY(t.window.isVisible());
    QVERIFY(t.s.errors.isEmpty());
}

void SearchTest::searchWhereTheIndexCannotBeWritten()
{
    SearchSession t;
    // A folder in the index file's place refuses the write, as a read-only database does.
    const QString indexPath = t.s.dir.path() + QStringLiteral("/veltraIndex.xml");
    QVERIFY(QDir().mkpath(indexPath));
    const QStringList before = t.s.log();
    t.search();
    QVERIFY2(t.s.errors.isEmpty(), qPrintable(t.s.errors.join(u'\n')));
    QVERIFY(t.window.isVisible());
    // One protocol line says why the index lives in memory only.
    const QStringList added = t.s.log().mid(before.size());
    QCOMPARE(added.first(),
             QStringLiteral("*** The search index is used without its file: cannot write \"%1\": "
                            "it is a folder, not a regular file")
                 .arg(indexPath));
    t.find(QStringLiteral("body WEIGHT"));
    QCOMPARE(t.found(), QStringList({"AW", "BW"}));
    t.window.close();
    QVERIFY(t.s.errors.isEmpty());
    QVERIFY(QFileInfo(indexPath).isDir());
}

QTEST_MAIN(SearchTest)

void SearchTest::onlyASavedParameterTableOutdatesTheIndex_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("variable");
    QTest::addColumn<bool>("writable");
    // A folder put where the save writes, after the start read the file.
    QTest::addColumn<QString>("blocked");
    QTest::addColumn<bool>("saved");
    QTest::addColumn<bool>("generates");
    const QString none;
    QTest::newRow("parameter table saved") << "Savechanges1"
                                           << "BW" << true << none << true << true;
    QTest::newRow("data set saved") << "Savechangesindataset1"
                                    << "BW" << true << none << true << false;
    QTest::newRow("parameter table read-only") << "Savechanges1"
                                               << "BW" << false << none << false << false;
    QTest::newRow("data set read-only") << "Savechangesindataset1"
                                        << "BW" << false << none << false << false;
    QTest::newRow("data set, no data file") << "Savechangesindataset1"
                                            << "DW" << true << none << false << false;
    QTest::newRow("parameter table not written") << "Savechanges1"
                                                 << "BW" << true << "daten1a.xml" << false << false;
    QTest::newRow("data set not written") << "Savechangesindataset1"
                                          << "BW" << true << "bw1.xml" << false << false;
}

// The search builds its index again after the parameter table was saved, and only then:
// a saved data set or a save that failed leaves the index as it is.
void SearchTest::onlyASavedParameterTableOutdatesTheIndex()
{
    QFETCH(QString, command);
    QFETCH(QString, variable);
    QFETCH(bool, writable);
    QFETCH(QString, blocked);
    QFETCH(bool, saved);
    QFETCH(bool, generates);
    SearchSession t;
    t.search();
    QVERIFY(t.s.clickRow("dbgSources", variable));
    QVERIFY(t.s.errors.isEmpty());
    if (writable) {
        t.form.Database().parameters().setReadOnly(false);
        t.form.Database().dataFile().setReadOnly(false);
    }
    if (!blocked.isEmpty()) {
        QVERIFY(QFile::remove(t.s.dir.filePath(blocked)));
        QVERIFY(QDir(t.s.dir.path()).mkdir(blocked));
    }

    fixture::runHandler(t.form, command.toLatin1().constData());
    QCOMPARE(t.s.errors.size(), saved ? 0 : 1);
    // The lines of the last generation are added again when the search does not generate
    // (a generation that failed would add no lines at all).
    t.window.GenerationProtocol.append(QStringLiteral("marker"));
    t.search();
    QCOMPARE(t.s.log().last() != QStringLiteral("marker"), generates);
    // The search window reads the parameter table itself: the blocked one fails there.
    if (blocked != QStringLiteral("daten1a.xml"))
        QCOMPARE(t.s.errors.size(), saved ? 0 : 1);
    // Only the first search after the save generates.
    t.window.GenerationProtocol.append(QStringLiteral("marker"));
    t.search();
    QCOMPARE(t.s.log().last(), QStringLiteral("marker"));
}

#include "Search_test.moc"
