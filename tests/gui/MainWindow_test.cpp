// The main window driven as a user drives it, on a small crafted database.
#include "../common/Actions.h"
#include "GuiFixture.h"

#include "data/DataTable.h"
#include "widgets/ButtonTabBar.h"
#include "widgets/DbEdit.h"
#include "widgets/DbMemo.h"
#include "widgets/DbNavigator.h"
#include "widgets/DbRichText.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QScrollBar>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>

using fixture::Child;
using fixture::Session;
using veltra::TForm1;

namespace {

const QString Header = QStringLiteral("Restrictions in Quality for Exposure Factors (Pandor):");
const QString NoAccess = QStringLiteral("        No access to original data.");
const QString Variation = QStringLiteral("        Variation might have a lack of accuracy.");

void clickButton(TForm1& form, const char* name)
{
    auto* button = form.findChild<QAbstractButton*>(QLatin1String(name));
    QVERIFY2(button, name);
    QTest::mouseClick(button, Qt::LeftButton);
}

using fixture::trigger;

void setSex(TForm1& form, const QString& text)
{
    QLineEdit* edit = Child<QComboBox>(form, "cbSex")->lineEdit();
    edit->selectAll();
    QTest::keyClicks(edit, text);
}

QStringList tail(const QStringList& lines, int from)
{
    return lines.mid(from);
}

} // namespace

class MainWindowTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void startUp();
    void settings_data();
    void settings();
    void startWithoutHierarchy();
    void executableElsewhere_data();
    void executableElsewhere();
    void navigationChain();
    void sexSelection_data();
    void sexSelection();
    void orderKeepsFirstRow();
    void missingDataFileRetries();
    void failedConnectionOncePerAction_data();
    void failedConnectionOncePerAction();
    void unloadableDataFile();
    void emptyDataFileEmptiesViews();
    void sharedDataFileNotReloaded();
    void ageGroups();
    void groupPanel_data();
    void groupPanel();
    void fileAccessProtocolOff();
    void conversionErrorKeepsPartialOutput();
    void noStaleAgeGroup();
    void textViewsOpenAtTheTop();
    void restrictionPanelOnRowChange();
    void restrictionOptionAndStatusBar_data();
    void restrictionOptionAndStatusBar();
    void restrictionTabRow();
    void updateStatusOfMissingFile();
    void closeAndOpenCommands();
    void reopenAll();
    void quitWritesSettings();
    void menuBar_data();
    void menuBar();
    void menuBarShowsEveryEntry();
    void menuShortcuts_data();
    void menuShortcuts();
    void screenSizes();
};

void MainWindowTest::startUp()
{
    Session s;
    TForm1& form = s.start();
    const QString dir = s.dir.path();
    const QStringList log = s.log();
    QCOMPARE(log.size(), 10);
    QCOMPARE(log.at(0),
             QStringLiteral("Veltra : ") +
                 QStringLiteral("Beta Test Version: 28.Febr.2007 / V8.12 XML / Pandor Version"));
    QVERIFY(log.at(1).startsWith(QStringLiteral("Date ")) && log.at(1).size() > 5);
    QVERIFY(log.at(2).startsWith(QStringLiteral("Time ")) && log.at(2).size() > 5);
    QCOMPARE(tail(log, 3), QStringList({QString(), QStringLiteral("HeadLines loaded / records: 3"),
                                        QStringLiteral("Topics loaded / records: 2"),
                                        "Connect XML with : " + dir + "/bw1.xml o.k.",
                                        QStringLiteral("Parameter loaded / records: 8"),
                                        "EXE dir.: " + dir + "/veltra", "Run dir.: " + dir}));
    QCOMPARE(form.Database().runDir(), dir);

    QCOMPARE(form.windowTitle(),
             QStringLiteral(
                 "     Veltra  Exposure and Risk Assessment Reference Values   (Pandor-Project) "));
    QCOMPARE(form.size(), QSize(1032, 746));
    QVERIFY(!(form.windowFlags() & Qt::WindowMinimizeButtonHint));
    QVERIFY(!(form.windowFlags() & Qt::WindowMaximizeButtonHint));

    // Headlines in STRC order, the first headline's topics, its first topic's rows.
    QCOMPARE(s.column("dbgTopics"), QStringList({"Anthropometry", "Intake", "Empty headline"}));
    QCOMPARE(s.column("dbgParameter"), QStringList({"Body weight", "Height"}));
    QCOMPARE(s.selected("dbgSources"), QStringLiteral("BW"));
    QCOMPARE(Child<veltra::DbGrid>(form, "dbgSources")
                 ->model()
                 ->headerData(4, Qt::Horizontal)
                 .toString(),
             QStringLiteral("DataSource"));

    QCOMPARE(s.panel(0), QStringLiteral("HdL:H1"));
    QCOMPARE(s.panel(1), QStringLiteral("Top:B1"));
    QCOMPARE(s.panel(2), "File: " + dir + "/bw1.xml");
    QCOMPARE(s.panel(3), QStringLiteral("Group:1 Age: 0 - 5"));
    QCOMPARE(s.panel(4), QStringLiteral("Current : Body weight of men"));
    QCOMPARE(s.lines(Child<QPlainTextEdit>(form, "mTransformed")),
             QStringList({"Current : Body weight of men  Group:1 Age: 0 - 5", ""}) +
                 fixture::GfConverted());
    QCOMPARE(Child<veltra::DbMemo>(form, "dbmGF")->lines().first(),
             QStringLiteral("TYPE=GeneralF;"));
    QCOMPARE(Child<veltra::DbEdit>(form, "dbeQuantN")->text(), QStringLiteral("120"));
    QCOMPARE(Child<veltra::DbGrid>(form, "DBGrid2")->model()->rowCount(), 3);
    QCOMPARE(Child<QListWidget>(form, "clbVar")->count(), 8);
    QCOMPARE(Child<QListWidget>(form, "clbVar")->item(5)->text(), QStringLiteral("GENERALF"));
    QCOMPARE(Child<QListWidget>(form, "clbVar")->item(5)->checkState(), Qt::Checked);
    QCOMPARE(form.Database().dataFieldNames().at(0), QStringLiteral("AGEGRP"));
    QVERIFY(Child<veltra::DbRichText>(form, "dbmInfo")
                ->toPlainText()
                .startsWith(QStringLiteral("Body weight of men")));
    QCOMPARE(Child<veltra::DbRichText>(form, "dbVarLabel")->toPlainText(),
             QStringLiteral("BW  body weight"));
    QVERIFY(!Child<QWidget>(form, "pnRestriction")->isHidden());
    QCOMPARE(s.lines(Child<QPlainTextEdit>(form, "M1")),
             QStringList({Header, NoAccess, Variation}));
    QVERIFY(s.errors.isEmpty());
}

void MainWindowTest::settings_data()
{
    QTest::addColumn<QByteArray>("ini");
    QTest::addColumn<bool>("maximizeBeforeClose");
    QTest::addColumn<bool>("panelShown");
    QTest::addColumn<QList<bool>>("checks"); // show info, file access, index generation
    QTest::addColumn<QString>("written");

    const QString standard =
        "[Screen]\nMaximized=%1\n[Order]\nRestrict=15 5 20 20 20 10 10\n[Restriction]\nView=%2\n"
        "[File_Prt]\nView=%3\n[Index_Prt]\nView=%4\n";
    QTest::newRow("no settings file")
        << QByteArray() << false << true << QList<bool>{true, true, true}
        << standard.arg(0).arg(1).arg(1).arg(1);
    QTest::newRow("maximized") << QByteArray("[Screen]\nMaximized=1\n") << true << true
                               << QList<bool>{true, true, true}
                               << standard.arg(1).arg(1).arg(1).arg(1);
    QTest::newRow("restriction view off")
        << QByteArray("[Restriction]\r\nView=0\r\n[Order]\r\nRestrict=0.3 0.7\r\n") << false
        << false << QList<bool>{false, true, true}
        << "[Restriction]\nView=0\n[Order]\nRestrict=15 5 20 20 20 10 10\n[Screen]\nMaximized=0\n"
           "[File_Prt]\nView=1\n[Index_Prt]\nView=1\n";
    QTest::newRow("non-integer and other values")
        << QByteArray("[File_Prt]\nView=yes\n[Index_Prt]\nView=0\n[Screen]\nMaximized=7\n"
                      "[Other]\nKey=kept\n")
        << false << true << QList<bool>{true, true, false}
        << "[File_Prt]\nView=1\n[Index_Prt]\nView=0\n[Screen]\nMaximized=0\n[Other]\nKey=kept\n"
           "[Order]\nRestrict=15 5 20 20 20 10 10\n[Restriction]\nView=1\n";
}

void MainWindowTest::settings()
{
    QFETCH(QByteArray, ini);
    QFETCH(bool, maximizeBeforeClose);
    QFETCH(bool, panelShown);
    QFETCH(QList<bool>, checks);
    QFETCH(QString, written);

    Session s(ini);
    TForm1& form = s.start();
    QCOMPARE(form.windowState(), Qt::WindowNoState);
    QCOMPARE(form.size(), QSize(1032, 746));
    QCOMPARE(!Child<QWidget>(form, "pnRestriction")->isHidden(), panelShown);
    QCOMPARE(Child<QCheckBox>(form, "cbShowAdditionalInfo")->isChecked(), checks.at(0));
    QCOMPARE(Child<QCheckBox>(form, "cbFileAccessPrt")->isChecked(), checks.at(1));
    QCOMPARE(Child<QCheckBox>(form, "cbGiveIndexPrt")->isChecked(), checks.at(2));
    if (maximizeBeforeClose)
        trigger(form, "Maximize1");
    form.close();
    QCOMPARE(s.settingsText(), written);
}

void MainWindowTest::startWithoutHierarchy()
{
    Session s(QByteArray(), false);
    QString shown;
    QTimer closer;
    QObject::connect(&closer, &QTimer::timeout, &closer, [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            shown = box->windowTitle() + QLatin1Char('|') + box->text();
            box->close();
        }
    });
    closer.start(10);
    TForm1 form(s.exePath());
    closer.stop();
    QVERIFY2(shown.startsWith(QStringLiteral("Veltra|")), qPrintable(shown));
    QVERIFY2(shown.contains(QStringLiteral("topics.xml")), qPrintable(shown));
    // The plain name is looked up in the current folder; the message names it.
    QVERIFY2(
        shown.contains(
            QStringLiteral("looked for in the folder \"%1\"").arg(QDir::current().absolutePath())),
        qPrintable(shown));
    const QStringList log = form.ProtocolLines();
    QCOMPARE(log.size(), 4); // header only: no load lines, no folders, no settings
    // The steps after the load did not run: the settings were not read (their default
    // checks the index protocol option, which the window starts without).
    QVERIFY(!Child<QCheckBox>(form, "cbGiveIndexPrt")->isChecked());
}

void MainWindowTest::executableElsewhere_data()
{
    QTest::addColumn<bool>("databaseDirGiven");
    QTest::newRow("data files beside the executable") << false;
    QTest::newRow("database folder given") << true;
}

void MainWindowTest::executableElsewhere()
{
    QFETCH(bool, databaseDirGiven);
    Session s; // the database is in the current folder
    const QString bin = s.dir.path() + QStringLiteral("/bin");
    QVERIFY(QDir().mkpath(bin));
    TForm1 form(bin + QStringLiteral("/veltra"),
                databaseDirGiven ? s.dir.path() + QStringLiteral("/") : QString());
    const QString runDir = databaseDirGiven ? s.dir.path() : bin;
    QCOMPARE(form.Database().runDir(), runDir);
    const QStringList log = form.ProtocolLines();
    // The hierarchy comes from the current folder; the data file from the run folder.
    QCOMPARE(log.at(4), QStringLiteral("HeadLines loaded / records: 3"));
    QCOMPARE(log.at(6), databaseDirGiven ? "Connect XML with : " + runDir + "/bw1.xml o.k."
                                         : "*** SORRY! The XML File  " + runDir +
                                               "/bw1.xml/XML does not (yet) exist. ID:1");
    // A first data file that is missing is reported once.
    QCOMPARE(log.mid(7), QStringList({"Parameter loaded / records: 8",
                                      "EXE dir.: " + bin + "/veltra", "Run dir.: " + runDir}));
    form.close();
    QVERIFY(QFile::exists(bin + QStringLiteral("/veltra.INI")));
    QVERIFY(!QFile::exists(s.settingsPath()));
}

void MainWindowTest::navigationChain()
{
    Session s;
    TForm1& form = s.start();
    const QString dir = s.dir.path();

    QVERIFY(s.clickRow("dbgTopics", QStringLiteral("Intake")));
    // The topic key holds an apostrophe: the filter still finds its row.
    QCOMPARE(s.column("dbgParameter"), QStringList({"Water"}));
    QCOMPARE(s.column("dbgSources"), QStringList({"WI"}));
    QCOMPARE(s.panel(0), QStringLiteral("HdL:H2"));
    QCOMPARE(s.panel(1), QStringLiteral("Top:I'1"));
    QCOMPARE(s.panel(2), "File: " + dir + "/bw2.xml");
    QCOMPARE(s.panel(4), QStringLiteral("Current : Water intake"));
    QCOMPARE(s.lines(Child<QPlainTextEdit>(form, "mTransformed")).first(),
             QStringLiteral("Current : Water intake  Group:1 Age: 0 - 99"));

    QVERIFY(s.clickRow("dbgTopics", QStringLiteral("Empty headline")));
    QCOMPARE(Child<veltra::DbGrid>(form, "dbgParameter")->model()->rowCount(), 0);
    QCOMPARE(Child<veltra::DbGrid>(form, "dbgSources")->model()->rowCount(), 0);
    QCOMPARE(s.panel(1), QStringLiteral("Top:"));
    QCOMPARE(s.panel(2), QStringLiteral(" -- "));
    QCOMPARE(s.panel(3), QStringLiteral(" "));
    QCOMPARE(Child<veltra::DbGrid>(form, "DBGrid2")->model()->rowCount(), 0);
    QVERIFY(Child<veltra::DbMemo>(form, "dbmGF")->toPlainText().isEmpty());
    QVERIFY(Child<QPlainTextEdit>(form, "mTransformed")->toPlainText().isEmpty());
    QVERIFY(Child<veltra::DbEdit>(form, "dbeQuantAge")->text().isEmpty());

    QVERIFY(s.clickRow("dbgTopics", QStringLiteral("Anthropometry")));
    QVERIFY(s.clickRow("dbgParameter", QStringLiteral("Body weight")));
    QVERIFY(s.clickRow("dbgSources", QStringLiteral("GW")));
    QCOMPARE(s.panel(2), "File: " + dir + "/nomin.xml");
    QCOMPARE(form.Database().dataFile().fileName(), dir + "/nomin.xml");
    // Keyboard moves run the same chain.
    QTest::keyClick(Child<veltra::DbGrid>(form, "dbgSources"), Qt::Key_Up);
    QCOMPARE(s.selected("dbgSources"), QStringLiteral("FW"));
    QCOMPARE(s.panel(3), QStringLiteral("Group: undef."));
    QVERIFY(s.errors.isEmpty());
}

void MainWindowTest::sexSelection_data()
{
    QTest::addColumn<QString>("topic");
    QTest::addColumn<QStringList>("texts"); // typed one after the other
    QTest::addColumn<QStringList>("variables");

    QTest::newRow("All") << "Body weight" << QStringList{"All"}
                         << QStringList{"BW", "AW", "CW", "DW", "EW", "FW", "GW", "HW"};
    QTest::newRow("M") << "Body weight" << QStringList{"M"}
                       << QStringList{"BW", "EW", "FW", "GW", "HW"};
    QTest::newRow("A") << "Body weight" << QStringList{"A"} << QStringList{"CW", "DW"};
    QTest::newRow("F on a topic of men only") << "Height" << QStringList{"F"} << QStringList{};
    QTest::newRow("lower-case m keeps the filter")
        << "Body weight" << QStringList{"F", "m"} << QStringList{"AW"};
    QTest::newRow("lower-case m keeps all rows")
        << "Body weight" << QStringList{"m"}
        << QStringList{"BW", "AW", "CW", "DW", "EW", "FW", "GW", "HW"};
}

void MainWindowTest::sexSelection()
{
    QFETCH(QString, topic);
    QFETCH(QStringList, texts);
    QFETCH(QStringList, variables);

    Session s;
    TForm1& form = s.start();
    QVERIFY(s.clickRow("dbgParameter", topic));
    // From a later row: every text typed moves the table to its first row.
    const QStringList before = s.column("dbgSources");
    QVERIFY(s.clickRow("dbgSources", before.value(before.size() - 2, before.last())));
    for (const QString& text : texts)
        setSex(form, text);
    QCOMPARE(Child<QComboBox>(form, "cbSex")->currentText(), texts.last());
    QCOMPARE(s.column("dbgSources"), variables);
    if (variables.isEmpty()) {
        QCOMPARE(s.panel(2), QStringLiteral(" -- "));
        QCOMPARE(Child<veltra::DbGrid>(form, "DBGrid2")->model()->rowCount(), 0);
        QVERIFY(Child<QPlainTextEdit>(form, "mTransformed")->toPlainText().isEmpty());
        QVERIFY(Child<veltra::DbMemo>(form, "dbmMemoBstFt")->toPlainText().isEmpty());
    } else {
        QCOMPARE(s.selected("dbgSources"), variables.first());
    }
    QVERIFY(s.errors.isEmpty());
}

void MainWindowTest::orderKeepsFirstRow()
{
    Session s;
    TForm1& form = s.start();
    const int logSize = s.log().size();
    QVERIFY(s.clickRow("dbgSources", QStringLiteral("CW")));
    // A press on the item already chosen leaves the row where it is.
    clickButton(form, "rgOrderRestriction2");
    QCOMPARE(s.selected("dbgSources"), QStringLiteral("CW"));
    QVERIFY(s.clickRow("dbgSources", QStringLiteral("AW")));
    auto* dataSource = Child<QAbstractButton>(form, "rgOrderRestriction3");
    QTest::mouseClick(dataSource, Qt::LeftButton);
    // Sorted by data source; the row that was first under "A + B" is current.
    QCOMPARE(s.column("dbgSources", 4),
             QStringList({"Alpha Survey", "Beta Survey", "Delta Survey", "Eta Survey",
                          "Gamma Survey", "Iota Survey", "Theta Survey", "Zeta Survey"}));
    QCOMPARE(s.selected("dbgSources"), QStringLiteral("BW"));
    QCOMPARE(form.Database().parameters().indexFieldNames(), QStringLiteral("DataSource"));
    // The rows share bw1.xml: it was connected again after the missing file only.
    QCOMPARE(s.log().size(), logSize + 2);
    QVERIFY(s.log().last().endsWith(QStringLiteral("/bw1.xml o.k.")));

    auto* varnames = Child<QAbstractButton>(form, "rgOrderRestriction0");
    QTest::mouseClick(varnames, Qt::LeftButton);
    QCOMPARE(s.column("dbgSources"), QStringList({"AW", "BW", "CW", "DW", "EW", "FW", "GW", "HW"}));
    QCOMPARE(s.selected("dbgSources"), QStringLiteral("AW"));
}

void MainWindowTest::missingDataFileRetries()
{
    Session s;
    TForm1& form = s.start();
    const QString sorry =
        "*** SORRY! The XML File  " + s.dir.path() + "/missing.xml/XML does not (yet) exist. ID:3";
    for (int attempt = 0; attempt < 2; ++attempt) {
        QVERIFY(s.clickRow("dbgSources", QStringLiteral("AW")));
        QVERIFY(Child<veltra::DbGrid>(form, "DBGrid2")->model()->rowCount() > 0);
        const int logSize = s.log().size();
        const int beeps = s.beeps;
        QVERIFY(s.clickRow("dbgSources", QStringLiteral("CW")));
        QCOMPARE(s.beeps, beeps + 2);
        QCOMPARE(tail(s.log(), logSize), QStringList({sorry}));
        QCOMPARE(s.panel(2), "File: " + s.dir.path() + "/missing.xml");
        // Nothing of the previous parameter's file is shown.
        QCOMPARE(Child<veltra::DbGrid>(form, "DBGrid2")->model()->rowCount(), 0);
        QVERIFY(Child<veltra::DbMemo>(form, "dbmGF")->toPlainText().isEmpty());
        QVERIFY(Child<QPlainTextEdit>(form, "mTransformed")->toPlainText().isEmpty());
        QVERIFY(Child<veltra::DbEdit>(form, "dbeQuantN")->text().isEmpty());
        QVERIFY(form.Database().connectedDataFileName().isEmpty());
    }
    QVERIFY(s.errors.isEmpty());
}

void MainWindowTest::failedConnectionOncePerAction_data()
{
    QTest::addColumn<int>("order"); // "Order by" item chosen first, -1 for none
    QTest::addColumn<QString>("sex");
    QTest::addColumn<QString>("failing"); // first row after the sex selection
    QTest::addColumn<QString>("other");
    QTest::addColumn<QStringList>("lines"); // file names in the path
    QTest::addColumn<int>("beeps");

    QTest::newRow("missing file") << -1 << "A"
                                  << "CW"
                                  << "DW"
                                  << QStringList{"*** SORRY! The XML File  %1/missing.xml/XML does "
                                                 "not (yet) exist. ID:3"}
                                  << 2;
    QTest::newRow("unloadable file")
        << 3 << "M"
        << "EW"
        << "FW"
        << QStringList{"Connect XML with : %1/broken.xml",
                       "*** Error calling file  : %1/broken.xml",
                       "        line 1, column 1: text outside the root element"}
        << 0;
}

void MainWindowTest::failedConnectionOncePerAction()
{
    QFETCH(int, order);
    QFETCH(QString, sex);
    QFETCH(QString, failing);
    QFETCH(QString, other);
    QFETCH(QStringList, lines);
    QFETCH(int, beeps);
    Session s;
    TForm1& form = s.start();
    for (QString& line : lines)
        line = line.arg(s.dir.path());
    if (order >= 0)
        clickButton(form, QStringLiteral("rgOrderRestriction%1").arg(order).toLatin1().constData());
    // The new filter, the filter switch and the order each show the first row again: the
    // failing file is tried once.
    int logSize = s.log().size();
    setSex(form, sex);
    QCOMPARE(s.selected("dbgSources"), failing);
    QCOMPARE(tail(s.log(), logSize), lines);
    QCOMPARE(s.beeps, beeps);

    // Selected anew after another row, it is tried again.
    QVERIFY(s.clickRow("dbgSources", other));
    logSize = s.log().size();
    QVERIFY(s.clickRow("dbgSources", failing));
    QCOMPARE(tail(s.log(), logSize), lines);
    QCOMPARE(s.beeps, 2 * beeps);
    QVERIFY(s.errors.isEmpty());
}

void MainWindowTest::unloadableDataFile()
{
    Session s;
    TForm1& form = s.start();
    const int logSize = s.log().size();
    QVERIFY(s.clickRow("dbgSources", QStringLiteral("EW")));
    const QString path = s.dir.path() + "/broken.xml";
    // The reader's reason follows the error line, indented.
    QCOMPARE(tail(s.log(), logSize),
             QStringList({"Connect XML with : " + path, "*** Error calling file  : " + path,
                          "        line 1, column 1: text outside the root element"}));
    QCOMPARE(Child<veltra::DbGrid>(form, "DBGrid2")->model()->rowCount(), 0);
    QVERIFY(Child<veltra::DbMemo>(form, "dbmMemoBstFt")->toPlainText().isEmpty());
    QVERIFY(Child<QPlainTextEdit>(form, "mTransformed")->toPlainText().isEmpty());
    QVERIFY(form.Database().connectedDataFileName().isEmpty());
    QVERIFY(s.errors.isEmpty());
    QCOMPARE(s.beeps, 0);

    // A row with the file connected before connects it again.
    QVERIFY(s.clickRow("dbgSources", QStringLiteral("BW")));
    QCOMPARE(s.log().last(), "Connect XML with : " + s.dir.path() + "/bw1.xml o.k.");
    QCOMPARE(Child<veltra::DbGrid>(form, "DBGrid2")->model()->rowCount(), 3);
}

void MainWindowTest::emptyDataFileEmptiesViews()
{
    Session s;
    TForm1& form = s.start();
    Child<QPlainTextEdit>(form, "mTableContent")->setPlainText(QStringLiteral("old table"));
    Child<QPlainTextEdit>(form, "mFormula")->setPlainText(QStringLiteral("old formula"));
    Child<veltra::TOLEEdit>(form, "oe1")->setPlainText(QStringLiteral("old report"));
    const int logSize = s.log().size();
    QVERIFY(s.clickRow("dbgSources", QStringLiteral("DW")));
    QCOMPARE(s.log().size(), logSize);
    QCOMPARE(s.panel(2), QStringLiteral(" -- "));
    QCOMPARE(s.panel(3), QStringLiteral(" "));
    QCOMPARE(s.panel(4), QStringLiteral("Current : No data row"));
    for (const QString& text : {Child<QPlainTextEdit>(form, "mTableContent")->toPlainText(),
                                Child<QPlainTextEdit>(form, "mFormula")->toPlainText(),
                                Child<veltra::TOLEEdit>(form, "oe1")->toPlainText(),
                                Child<QPlainTextEdit>(form, "mTransformed")->toPlainText(),
                                Child<veltra::DbMemo>(form, "dbmGF")->toPlainText(),
                                Child<veltra::DbMemo>(form, "dbmQuantilesFit")->toPlainText(),
                                Child<veltra::DbEdit>(form, "dbeQuantAge")->text()})
        QVERIFY2(text.isEmpty(), qPrintable(text));
    QCOMPARE(Child<veltra::DbGrid>(form, "DBGrid2")->model()->rowCount(), 0);

    QVERIFY(s.clickRow("dbgSources", QStringLiteral("BW")));
    QCOMPARE(s.log().last(), "Connect XML with : " + s.dir.path() + "/bw1.xml o.k.");
    QCOMPARE(Child<veltra::DbEdit>(form, "dbeQuantAge")->text(), QStringLiteral("1"));
}

void MainWindowTest::sharedDataFileNotReloaded()
{
    Session s;
    TForm1& form = s.start();
    QTest::mouseClick(Child<veltra::DbNavigator>(form, "DBNavigator6")
                          ->findChild<QToolButton*>(QStringLiteral("nbLast")),
                      Qt::LeftButton);
    QCOMPARE(form.Database().dataFile().recNo(), 3);
    const QStringList transformed = s.lines(Child<QPlainTextEdit>(form, "mTransformed"));
    const int logSize = s.log().size();
    QVERIFY(s.clickRow("dbgSources", QStringLiteral("AW")));
    QCOMPARE(s.log().size(), logSize);
    QCOMPARE(form.Database().dataFile().recNo(), 3);
    QCOMPARE(s.lines(Child<QPlainTextEdit>(form, "mTransformed")), transformed);
    QCOMPARE(s.panel(4), QStringLiteral("Current : Body weight of women"));
    QCOMPARE(s.selected("DBGrid2"), QStringLiteral("3"));
}

void MainWindowTest::ageGroups()
{
    Session s;
    TForm1& form = s.start();
    auto* next = Child<veltra::DbNavigator>(form, "DBNavigator6")
                     ->findChild<QToolButton*>(QStringLiteral("nbNext"));
    const QStringList first = s.lines(Child<QPlainTextEdit>(form, "mTransformed"));
    QTest::mouseClick(next, Qt::LeftButton);
    QCOMPARE(s.panel(3), QStringLiteral("Group:2 Age: 5 - 10"));
    QCOMPARE(Child<veltra::DbEdit>(form, "dbeQuantAge")->text(), QStringLiteral("2"));
    QCOMPARE(Child<veltra::DbEdit>(form, "dbeQuantN")->text(), QStringLiteral("98"));
    QCOMPARE(Child<veltra::DbMemo>(form, "dbmMemoBstFt")->toPlainText(),
             QStringLiteral("Mean 25.1"));
    QCOMPARE(s.selected("DBGrid2"), QStringLiteral("2"));
    // No GF lines in this group: the previous conversion stays.
    QCOMPARE(s.lines(Child<QPlainTextEdit>(form, "mTransformed")), first);

    QTest::mouseClick(next, Qt::LeftButton);
    QCOMPARE(s.lines(Child<QPlainTextEdit>(form, "mTransformed")),
             QStringList({"Current : Body weight of men  Group:3 Age: 10 - 18", "",
                          "  Rank   Distribution   KS/AP    Parameter",
                          "     0        Weibull  0.2000    q=0.1,Shape a=2.000, Scale b=2.000"}));
    // The bar below the data grid moves the age groups too.
    QTest::mouseClick(Child<veltra::DbNavigator>(form, "DBNavigator5")
                          ->findChild<QToolButton*>(QStringLiteral("nbPrior")),
                      Qt::LeftButton);
    QCOMPARE(s.panel(3), QStringLiteral("Group:2 Age: 5 - 10"));
    // A click in the data grid moves the age group too.
    QVERIFY(s.clickRow("DBGrid2", QStringLiteral("1")));
    QCOMPARE(s.panel(3), QStringLiteral("Group:1 Age: 0 - 5"));
    QCOMPARE(s.lines(Child<QPlainTextEdit>(form, "mTransformed")), first);
}

void MainWindowTest::groupPanel_data()
{
    QTest::addColumn<QString>("variable");
    QTest::addColumn<QString>("group");
    QTest::addColumn<QString>("ageBox");
    QTest::newRow("no AGEGRP") << "FW"
                               << "Group: undef."
                               << "";
    QTest::newRow("no AGEMin") << "GW"
                               << "Group:310"
                               << "3";
    QTest::newRow("all fields") << "AW"
                                << "Group:1 Age: 0 - 5"
                                << "1";
}

void MainWindowTest::groupPanel()
{
    QFETCH(QString, variable);
    QFETCH(QString, group);
    QFETCH(QString, ageBox);
    Session s;
    TForm1& form = s.start();
    QVERIFY(s.clickRow("dbgSources",
                       QStringLiteral("FW"))); // a file of its own first
    QVERIFY(s.clickRow("dbgSources", variable));
    QCOMPARE(s.panel(3), group);
    QCOMPARE(Child<veltra::DbEdit>(form, "dbeQuantAge")->text(), ageBox);
}

void MainWindowTest::fileAccessProtocolOff()
{
    Session s;
    TForm1& form = s.start();
    Child<QCheckBox>(form, "cbFileAccessPrt")->setChecked(false);
    const int logSize = s.log().size();
    QVERIFY(s.clickRow("dbgSources", QStringLiteral("GW")));
    QCOMPARE(s.log().size(), logSize);
    QCOMPARE(Child<veltra::DbGrid>(form, "DBGrid2")->model()->rowCount(), 1);
    QVERIFY(s.clickRow("dbgSources", QStringLiteral("CW")));
    QCOMPARE(s.log().size(), logSize + 1);
    QVERIFY(s.log().last().startsWith(QStringLiteral("*** SORRY! The XML File  ")));
}

void MainWindowTest::conversionErrorKeepsPartialOutput()
{
    Session s;
    TForm1& form = s.start();
    QVERIFY(s.clickRow("dbgSources", QStringLiteral("HW")));
    QCOMPARE(s.errors, QStringList({"Floating point division by zero"}));
    const QStringList lines = s.lines(Child<QPlainTextEdit>(form, "mTransformed"));
    QCOMPARE(lines.size(), 4);
    QCOMPARE(lines.at(0), QStringLiteral("Current : Zero divisor row  Group:1"));
    QVERIFY2(lines.at(3).contains(QStringLiteral("Gamma")), qPrintable(lines.at(3)));
    // The file stays shown, but a connection that raised an error is not reported o.k.
    QCOMPARE(Child<veltra::DbGrid>(form, "DBGrid2")->model()->rowCount(), 1);
    QCOMPARE(s.log().last(), "Connect XML with : " + s.dir.path() + "/gf0.xml");
    QCOMPARE(form.Database().connectedDataFileName(), QStringLiteral("gf0.xml"));
}

void MainWindowTest::noStaleAgeGroup()
{
    Session s;
    TForm1& form = s.start();
    // Each failing row after a row with age groups: missing, unloadable, no data file.
    for (const char* variable : {"CW", "EW", "DW"}) {
        QVERIFY(s.clickRow("dbgSources", QStringLiteral("BW")));
        QCOMPARE(s.panel(3), QStringLiteral("Group:1 Age: 0 - 5"));
        QVERIFY(s.clickRow("dbgSources", QLatin1String(variable)));
        QCOMPARE(s.panel(3), QStringLiteral(" "));
    }
    // Closing the tables closes the data file too.
    QVERIFY(s.clickRow("dbgSources", QStringLiteral("BW")));
    clickButton(form, "bCloseAllTables");
    QCOMPARE(s.panel(3), QStringLiteral(" "));
    QVERIFY(s.errors.isEmpty());
}

void MainWindowTest::textViewsOpenAtTheTop()
{
    Session s;
    TForm1& form = s.start();
    QVERIFY(s.clickRow("dbgSources", QStringLiteral("BW")));
    Child<QTabWidget>(form, "t")->setCurrentIndex(
        1); // "Database Table", where the VARLABELS view is
    QTest::qWait(0);
    for (QTextEdit* view : {static_cast<QTextEdit*>(Child<veltra::DbRichText>(form, "dbVarLabel")),
                            static_cast<QTextEdit*>(Child<veltra::DbRichText>(form, "dbmInfo"))}) {
        QCOMPARE(view->textCursor().position(), 0);
        QCOMPARE(view->verticalScrollBar()->value(), 0);
    }
}

void MainWindowTest::restrictionPanelOnRowChange()
{
    Session s;
    TForm1& form = s.start();
    struct Step
    {
        const char* variable;
        bool shown;
        QStringList lines;
    };
    const QList<Step> steps = {
        {"AW", false, {}},
        {"DW", true, {Header, QStringLiteral("        No quality restrictions marked.")}},
        {"CW", true, {Header, QStringLiteral("        Survey quality not clear.")}},
        {"BW", true, {Header, NoAccess, Variation}},
    };
    for (const Step& step : steps) {
        QVERIFY(s.clickRow("dbgSources", QLatin1String(step.variable)));
        QCOMPARE(!Child<QWidget>(form, "pnRestriction")->isHidden(), step.shown);
        QCOMPARE(s.lines(Child<QPlainTextEdit>(form, "M1")), step.lines);
        QCOMPARE(Child<veltra::ButtonTabBar>(form, "TbCnt")->currentIndex(), 0);
    }
    QTest::mouseClick(Child<QToolButton>(form, "sbClose"), Qt::LeftButton);
    QVERIFY(Child<QWidget>(form, "pnRestriction")->isHidden());
}

void MainWindowTest::restrictionOptionAndStatusBar_data()
{
    QTest::addColumn<Qt::MouseButton>("button");
    QTest::newRow("left") << Qt::LeftButton;
    QTest::newRow("right") << Qt::RightButton;
    QTest::newRow("middle") << Qt::MiddleButton;
}

void MainWindowTest::restrictionOptionAndStatusBar()
{
    QFETCH(Qt::MouseButton, button);
    Session s;
    TForm1& form = s.start();
    Child<QCheckBox>(form, "cbShowAdditionalInfo")->setChecked(false);
    QVERIFY(Child<QWidget>(form, "pnRestriction")->isHidden());
    QVERIFY(s.clickRow("dbgSources", QStringLiteral("CW")));
    QVERIFY(s.clickRow("dbgSources", QStringLiteral("BW")));
    QVERIFY(Child<QWidget>(form, "pnRestriction")->isHidden());

    // A press on the status bar shows the panel whatever the option says, then hides it.
    QTest::mousePress(Child<veltra::PanelStatusBar>(form, "sb1"), button, {},
                      QPoint(300, Child<veltra::PanelStatusBar>(form, "sb1")->height() / 2));
    QVERIFY(!Child<QWidget>(form, "pnRestriction")->isHidden());
    QCOMPARE(s.lines(Child<QPlainTextEdit>(form, "M1")),
             QStringList({Header, QString(), NoAccess, Variation}));
    QTest::mousePress(Child<veltra::PanelStatusBar>(form, "sb1"), button, {},
                      QPoint(20, Child<veltra::PanelStatusBar>(form, "sb1")->height() / 2));
    QVERIFY(Child<QWidget>(form, "pnRestriction")->isHidden());

    // Checking the option shows the header also for a row without restrictions.
    QVERIFY(s.clickRow("dbgSources", QStringLiteral("AW")));
    Child<QCheckBox>(form, "cbShowAdditionalInfo")->setChecked(true);
    QVERIFY(!Child<QWidget>(form, "pnRestriction")->isHidden());
    QCOMPARE(s.lines(Child<QPlainTextEdit>(form, "M1")), QStringList({Header}));
}

void MainWindowTest::restrictionTabRow()
{
    Session s;
    TForm1& form = s.start();
    veltra::ButtonTabBar* tabs = Child<veltra::ButtonTabBar>(form, "TbCnt");
    QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(1).center());
    QCOMPARE(tabs->currentIndex(), 1);
    const QStringList status = s.lines(Child<QPlainTextEdit>(form, "M1"));
    QCOMPARE(status.size(), 5);
    QCOMPARE(status.at(0), QStringLiteral("Update status of Veltra data"));
    QVERIFY(status.at(1).startsWith(QStringLiteral("Main Data Set  : ")));
    QVERIFY(status.at(2).startsWith(QStringLiteral("Reference File : ")));
    QVERIFY(status.at(2).endsWith(QStringLiteral("  as bw1.xml")));
    QCOMPARE(status.at(3), QStringLiteral("Updated        : "));
    QCOMPARE(status.at(4), QStringLiteral("Changed        : 28.02.2007"));

    const QPoint freePart(tabs->tabRect(1).right() + 40, tabs->height() / 2);
    QVERIFY(tabs->tabAt(freePart) < 0);
    QTest::mouseClick(tabs, Qt::LeftButton, {}, freePart);
    QCOMPARE(s.lines(Child<QPlainTextEdit>(form, "M1")), QStringList({"Nothing selected."}));
    QCOMPARE(tabs->currentIndex(), 1);

    QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(0).center());
    QCOMPARE(tabs->currentIndex(), 0);
    QCOMPARE(s.lines(Child<QPlainTextEdit>(form, "M1")),
             QStringList({Header, NoAccess, Variation}));

    QVERIFY(s.clickRow("dbgSources", QStringLiteral("AW")));
    QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(1).center());
    const QStringList other = s.lines(Child<QPlainTextEdit>(form, "M1"));
    QCOMPARE(other.size(), 4); // no "Changed" line for an empty Change
    QCOMPARE(other.last(), QStringLiteral("Updated        : A"));
    QVERIFY(s.errors.isEmpty());
}

void MainWindowTest::updateStatusOfMissingFile()
{
    Session s;
    TForm1& form = s.start();
    QVERIFY(s.clickRow("dbgSources", QStringLiteral("CW")));
    QTest::mouseClick(Child<veltra::ButtonTabBar>(form, "TbCnt"), Qt::LeftButton, {},
                      Child<veltra::ButtonTabBar>(form, "TbCnt")->tabRect(1).center());
    QCOMPARE(s.errors.size(), 1);
    QVERIFY2(s.errors.first().contains(QStringLiteral("missing.xml")),
             qPrintable(s.errors.first()));
    QVERIFY(Child<QPlainTextEdit>(form, "M1")->toPlainText().isEmpty());
}

void MainWindowTest::closeAndOpenCommands()
{
    Session s;
    TForm1& form = s.start();
    QVERIFY(s.clickRow("dbgSources", QStringLiteral("GW")));
    Child<QTabWidget>(form, "t")->setCurrentIndex(5);
    int logSize = s.log().size();
    trigger(form, "Closealltablesconnections1");
    QCOMPARE(tail(s.log(), logSize), QStringList({"Closing all tables", "Done."}));
    QCOMPARE(Child<veltra::DbGrid>(form, "dbgTopics")->model()->rowCount(), 0);
    QCOMPARE(Child<veltra::DbGrid>(form, "dbgSources")->model()->rowCount(), 0);
    QCOMPARE(Child<veltra::DbGrid>(form, "DBGrid2")->model()->rowCount(), 0);
    QVERIFY(Child<veltra::DbMemo>(form, "dbmGF")->toPlainText().isEmpty());
    QVERIFY(!s.settingsText().isEmpty());

    logSize = s.log().size();
    trigger(form, "Openalltables1");
    QCOMPARE(Child<QTabWidget>(form, "t")->currentIndex(), 0);
    // The filters, the order and the sex selection in force apply again at once.
    QCOMPARE(tail(s.log(), logSize),
             QStringList({"Open all tables", "HeadLines loaded / records: 3",
                          "Topics loaded / records: 2",
                          "Connect XML with : " + s.dir.path() + "/bw1.xml o.k.",
                          "Parameter loaded / records: 8", "Done."}));
    QCOMPARE(Child<veltra::DbGrid>(form, "DBGrid2")->model()->rowCount(), 3);
    QCOMPARE(s.panel(3), QStringLiteral("Group:1 Age: 0 - 5"));

    clickButton(form, "bCloseAllTables");
    QCOMPARE(Child<veltra::DbGrid>(form, "dbgSources")->model()->rowCount(), 0);
    QCOMPARE(Child<veltra::DbGrid>(form, "DBGrid2")->model()->rowCount(), 0);
}

void MainWindowTest::reopenAll()
{
    Session s;
    TForm1& form = s.start();
    int logSize = s.log().size();
    clickButton(form, "bCloseOpen");
    // The file connected last is connected again: the views are not left empty.
    QCOMPARE(tail(s.log(), logSize),
             QStringList({"HeadLines loaded / records: 3", "Topics loaded / records: 2",
                          "Connect XML with : " + s.dir.path() + "/bw1.xml o.k.",
                          "Parameter loaded / records: 8"}));
    QCOMPARE(Child<veltra::DbGrid>(form, "DBGrid2")->model()->rowCount(), 3);
    QVERIFY(!Child<veltra::DbMemo>(form, "dbmGF")->toPlainText().isEmpty());
    QCOMPARE(s.lines(Child<QPlainTextEdit>(form, "mTransformed")).size(), 5);
}

void MainWindowTest::quitWritesSettings()
{
    Session s;
    TForm1& form = s.start();
    Child<QCheckBox>(form, "cbGiveIndexPrt")->setChecked(false);
    trigger(form, "Quit2");
    QVERIFY(!form.isVisible());
    QVERIFY(!form.Database().headlines().isOpen());
    QVERIFY(s.settingsText().contains(QStringLiteral("[Index_Prt]\nView=0\n")));
}

void MainWindowTest::menuBar_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("shortcut");
    QTest::addColumn<bool>("visible");
    QTest::addColumn<bool>("enabled");

    QTest::newRow("info to clipboard") << "InfoPagetoClipboard1"
                                       << "&Info Page to Clipboard"
                                       << "Ctrl+I" << true << true;
    QTest::newRow("paste") << "PasteClipboardToInfopage1"
                           << "&Paste Clipboard To Info page"
                           << "Ctrl+P" << false << false;
    QTest::newRow("save changes") << "Savechanges1"
                                  << "&Save changes"
                                  << "Ctrl+S" << false << false;
    QTest::newRow("edit data") << "EditData1"
                               << "Edit &Data"
                               << "" << false << false;
    QTest::newRow("save data set") << "Savechangesindataset1"
                                   << "&Save changes in data set"
                                   << "Alt+S" << true << false;
    QTest::newRow("quit") << "Quit1"
                          << "&Quit"
                          << "Alt+F4" << true << true;
    QTest::newRow("open") << "Openalltables1"
                          << "&Open all tables"
                          << "Alt+O" << true << true;
    QTest::newRow("close") << "Closealltablesconnections1"
                           << "&Close all tables/connections"
                           << "Alt+C" << true << true;
    QTest::newRow("csv") << "GenerateCSVTable1"
                         << "Generate &CSV Table"
                         << "" << true << true;
    QTest::newRow("user table") << "BuildaUsesdefinedTable1"
                                << "Build a &Uses defined Table"
                                << "" << true << true;
    QTest::newRow("clear table") << "ClearTable1"
                                 << "&Clear result table "
                                 << "" << true << true;
    QTest::newRow("search") << "Search1"
                            << "&Search"
                            << "Ctrl+F" << true << true;
    QTest::newRow("report") << "WordReport1"
                            << "&Documentation (full)"
                            << "" << true << true;
    QTest::newRow("headlines") << "ListofTopics1"
                               << "List of &Headlines"
                               << "" << true << true;
    QTest::newRow("maximize") << "Maximize1"
                              << "&Maximize"
                              << "" << true << true;
    QTest::newRow("log clear") << "Clear1"
                               << "&Clear"
                               << "" << false << false;
    QTest::newRow("info") << "Info1"
                          << "&Info"
                          << "" << true << true;
    QTest::newRow("second quit") << "Quit2"
                                 << "&Quit"
                                 << "Alt+F4" << true << true;
}

void MainWindowTest::menuBar()
{
    QFETCH(QString, name);
    QFETCH(QString, text);
    QFETCH(QString, shortcut);
    QFETCH(bool, visible);
    QFETCH(bool, enabled);
    Session s;
    TForm1& form = s.start();
    auto* action = form.findChild<QAction*>(name);
    QVERIFY(action);
    QCOMPARE(action->text(), text);
    QCOMPARE(action->shortcut().toString(), shortcut);
    QCOMPARE(action->isVisible(), visible);
    QCOMPARE(action->isEnabled(), enabled);

    // Top-level order: the captioned entries, with 25, 1 and 10 empty ones between.
    QStringList top;
    for (QAction* entry : form.menuBar()->actions())
        top << entry->text().trimmed();
    QCOMPARE(top.size(), 7 + 25 + 2 + 1 + 1 + 10 + 1);
    QCOMPARE(top.mid(0, 8), QStringList({"&Database", "&Connection", "Data&Tables", "&Model",
                                         "&Search", "&Report", "&Checks", ""}));
    QCOMPARE(top.mid(31, 6), QStringList({"", "Sc&reen", "&LogFile", "", "&Info", ""}));
    QCOMPARE(top.last(), QStringLiteral("&Quit"));
}

void MainWindowTest::menuBarShowsEveryEntry()
{
    // At the standard width every entry, up to the last "&Quit", stands inside the bar
    // rather than behind its extension button.
    Session s;
    TForm1& form = s.start();
    QMenuBar* bar = form.menuBar();
    QTRY_VERIFY(bar->isVisible());
    const QAction* quit = bar->actions().last();
    QCOMPARE(quit->text(), QStringLiteral("&Quit"));
    const QRect place = bar->actionGeometry(const_cast<QAction*>(quit));
    QVERIFY2(!place.isEmpty() && place.right() < bar->width(),
             qPrintable(QStringLiteral("Quit at %1..%2 of a bar %3 wide")
                            .arg(place.left())
                            .arg(place.right())
                            .arg(bar->width())));
}

void MainWindowTest::menuShortcuts_data()
{
    QTest::addColumn<int>("tab");
    QTest::addColumn<int>("key");
    QTest::addColumn<QString>("firstLine");
    QTest::addColumn<QString>("lastLine");
    // Alt+C is also the mnemonic of "&Connection", "&Checks" and of a button on some tabs;
    // Alt+R that of "&ReOpen All", "&Report" and "Sc&reen".
    QTest::newRow("Alt+C") << 0 << int(Qt::Key_C) << "Closing all tables"
                           << "Done.";
    QTest::newRow("Alt+C beside a CSV button") << 2 << int(Qt::Key_C) << "Closing all tables"
                                               << "Done.";
    QTest::newRow("Alt+C beside Close All") << 5 << int(Qt::Key_C) << "Closing all tables"
                                            << "Done.";
    QTest::newRow("Alt+O") << 0 << int(Qt::Key_O) << "Open all tables"
                           << "Done.";
    QTest::newRow("Alt+R on ReOpen All") << 5 << int(Qt::Key_R) << "HeadLines loaded / records: 3"
                                         << "Parameter loaded / records: 8";
}

void MainWindowTest::menuShortcuts()
{
    QFETCH(int, tab);
    QFETCH(int, key);
    QFETCH(QString, firstLine);
    QFETCH(QString, lastLine);
    Session s;
    TForm1& form = s.start();
    Child<QTabWidget>(form, "t")->setCurrentIndex(tab);
    form.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&form));
    const int logSize = s.log().size();
    QTest::keyClick(&form, Qt::Key(key), Qt::AltModifier);
    const QStringList added = tail(s.log(), logSize);
    QVERIFY2(added.size() > 1, qPrintable(added.join(QLatin1Char('|'))));
    QCOMPARE(added.first(), firstLine);
    QCOMPARE(added.last(), lastLine);
}

void MainWindowTest::screenSizes()
{
    Session s;
    TForm1& form = s.start();
    trigger(form, "Maximize1");
    QVERIFY(form.isMaximized());
    trigger(form, "Standard1");
    QVERIFY(!form.isMaximized());
    QCOMPARE(form.size(), QSize(1032, 746));
    QVERIFY(Child<QToolButton>(form, "sbClose")->geometry().right() <
            Child<QWidget>(form, "pnRestriction")->width());
}

QTEST_MAIN(MainWindowTest)
#include "MainWindow_test.moc"
