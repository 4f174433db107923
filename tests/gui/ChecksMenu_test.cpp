// The "&Checks" menu on the crafted database: each list appended to the protocol log with
// every headline, topic or parameter row whatever is selected, then the hierarchy tables
// loaded again on their first rows, the settings written and the log in front; a list
// that fails is reported and cleaned up the same way.
#include "GuiFixture.h"

#include "data/DataSource.h"
#include "data/DataTable.h"

#include <QAction>
#include <QComboBox>
#include <QTabWidget>

using fixture::Child;
using veltra::TForm1;

namespace {

const QString Stars(62, QLatin1Char('*'));
constexpr int ProtocolPage = 5;

void Trigger(TForm1& form, const char* name)
{
    auto* action = form.findChild<QAction*>(QLatin1String(name));
    QVERIFY2(action, name);
    action->trigger();
}

/// Selects a headline, topic and sex other than the first, and the first tab.
void SelectAwayFromTheFirstRows(fixture::Session& s)
{
    TForm1& form = *s.form;
    QVERIFY(s.clickRow("dbgTopics", QStringLiteral("Intake")));
    QVERIFY(s.clickRow("dbgParameter", QStringLiteral("Water")));
    auto* sex = Child<QComboBox>(form, "cbSex");
    sex->setCurrentIndex(sex->findText(QStringLiteral("A")));
    QCOMPARE(form.Database().parameters().recordCount(), 1);
    Child<QTabWidget>(form, "t")->setCurrentIndex(0);
}

/// The lines the reload appends: the three record counts, first rows selected (the first
/// parameter's connection lines come between the last two). The sex selection stays "A":
/// the first topic has two such rows.
void CheckReloaded(fixture::Session& s, const QStringList& after)
{
    TForm1& form = *s.form;
    QVERIFY(after.size() >= 3);
    QCOMPARE(after.at(0), QStringLiteral("HeadLines loaded / records: 3"));
    QCOMPARE(after.at(1), QStringLiteral("Topics loaded / records: 2"));
    QCOMPARE(after.last(), QStringLiteral("Parameter loaded / records: 2"));
    QCOMPARE(Child<QTabWidget>(form, "t")->currentIndex(), ProtocolPage);
    QCOMPARE(form.Database().headlines().recNo(), 1);
    QCOMPARE(form.Database().topics().recNo(), 1);
    QCOMPARE(form.Database().parameters().recNo(), 1);
    QCOMPARE(s.selected("dbgTopics"), QStringLiteral("Anthropometry"));
    QCOMPARE(s.selected("dbgParameter"), QStringLiteral("Body weight"));
    QVERIFY(form.Database().topicLink().isEnabled());
    QVERIFY(form.Database().parameterLink().isEnabled());
    QVERIFY(s.settingsText().contains(QLatin1String("Restrict=15 5 20 20 20 10 10")));
}

} // namespace

class ChecksMenuTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void listInTheLog_data();
    void listInTheLog();
    void parameterListChecksEachDataFile();
    void failingListIsReportedAndCleanedUp();
    void listsTheTablesAsLoadedWhenTheFilesAreGone();
};

void ChecksMenuTest::listInTheLog_data()
{
    QTest::addColumn<QString>("action");
    QTest::addColumn<QStringList>("list");
    QTest::newRow("headlines") << "ListofTopics1"
                               << QStringList{"",
                                              Stars,
                                              "LIST OF HEADLINES",
                                              "",
                                              "     I   TOP                HEADLINES",
                                              "",
                                              "     1    H1            Anthropometry",
                                              "     2    H2                   Intake",
                                              "     3    H3           Empty headline",
                                              ""};
    QTest::newRow("topics") << "Listofparameters1"
                            << QStringList{"",
                                           Stars,
                                           "LIST OF TOPICS",
                                           "",
                                           "     i    PS                      TOPICS   TOP",
                                           "",
                                           "     1    B1                 Body weight    H1",
                                           "     2    B2                      Height    H1",
                                           "     3   I'1                       Water    H2",
                                           ""};
}

void ChecksMenuTest::listInTheLog()
{
    QFETCH(QString, action);
    QFETCH(QStringList, list);
    fixture::Session s;
    TForm1& form = s.start();
    SelectAwayFromTheFirstRows(s);
    QFile::remove(s.settingsPath());
    const int before = s.log().size();

    Trigger(form, action.toLatin1().constData());
    QVERIFY2(s.errors.isEmpty(), qPrintable(s.errors.join(u'\n')));
    const QStringList added = s.log().mid(before);
    QCOMPARE(added.mid(0, list.size()), list);
    CheckReloaded(s, added.mid(list.size()));
}

void ChecksMenuTest::parameterListChecksEachDataFile()
{
    fixture::Session s;
    TForm1& form = s.start();
    SelectAwayFromTheFirstRows(s);
    QFile::remove(s.settingsPath());
    const int before = s.log().size();

    Trigger(form, "ListofDataSources1");
    QVERIFY2(s.errors.isEmpty(), qPrintable(s.errors.join(u'\n')));
    const QStringList added = s.log().mid(before);
    QCOMPARE(added.mid(0, 5), QStringList({"", Stars, "LIST OF PARAMETER & DATA SOURCES",
                                           "MAIN DIR.: " + s.dir.path(), ""}));
    QCOMPARE(added.at(5).size(), 88);
    QVERIFY(added.at(5).endsWith(QLatin1String("DATA FILE")));
    // Every row of both sexes and all topics, in the "A + B" order, with the state of its
    // data file in the current folder.
    const QList<QPair<QString, QString>> rows = {{"Kappa Survey", "bw2.xml       DBF       XML"},
                                                 {"Zeta Survey", "bw1.xml       DBF       XML"},
                                                 {"Water Survey", "bw2.xml       DBF       XML"},
                                                 {"Alpha Survey", "bw1.xml       DBF       XML"},
                                                 {"Beta Survey", "missing.xml     UNDEF     UNDEF"},
                                                 {"Gamma Survey", QString(40, u' ') + "    NOLINK"},
                                                 {"Delta Survey", "broken.xml       DBF       XML"},
                                                 {"Eta Survey", "noage.xml       DBF       XML"},
                                                 {"Theta Survey", "nomin.xml       DBF       XML"},
                                                 {"Iota Survey", "gf0.xml       DBF       XML"}};
    for (int i = 0; i < rows.size(); ++i) {
        const QString line = added.value(7 + i);
        QVERIFY2(line.startsWith(QStringLiteral("%1").arg(i + 1, 6)) &&
                     line.contains(rows.at(i).first) && line.endsWith(rows.at(i).second),
                 qPrintable(line));
    }
    QCOMPARE(added.value(7 + rows.size()), QString());
    CheckReloaded(s, added.mid(8 + rows.size()));
}

void ChecksMenuTest::failingListIsReportedAndCleanedUp()
{
    // A parameter table without the DataSource field: the list stops at its first row.
    fixture::Session s;
    fixture::WriteFile(s.dir.filePath(QStringLiteral("daten1a.xml")),
                       fixture::Packet({{"PS", "string"},
                                        {"Variable", "string"},
                                        {"SEX", "string"},
                                        {"DataFile", "string"},
                                        {"RSTRC", "string"},
                                        {"Info", "bin.hex"}},
                                       {{"B1", "BW", "M", "", "A", "Body weight of men"},
                                        {"B2", "BH", "F", "", "A", "Body height of women"}}));
    TForm1& form = s.start();
    s.errors.clear();
    Child<QTabWidget>(form, "t")->setCurrentIndex(0);
    const int before = s.log().size();

    Trigger(form, "ListofDataSources1");
    QVERIFY2(s.errors.size() == 1 && s.errors.first().contains(QLatin1String("\"DataSource\"")),
             qPrintable(s.errors.join(u'\n')));
    const QStringList added = s.log().mid(before);
    // The lines written before the failure stay; the reload follows them.
    QCOMPARE(added.mid(0, 3), QStringList({"", Stars, "LIST OF PARAMETER & DATA SOURCES"}));
    QCOMPARE(added.at(6), QString());
    QCOMPARE(added.at(7), QStringLiteral("HeadLines loaded / records: 3"));
    QCOMPARE(added.last(), QStringLiteral("Parameter loaded / records: 1"));
    QCOMPARE(Child<QTabWidget>(form, "t")->currentIndex(), ProtocolPage);
    QVERIFY(form.Database().parameterLink().isEnabled());
    QVERIFY(form.Database().parameters().isOpen());
    QVERIFY(form.Database().parameters().isFiltered());
    QCOMPARE(form.Database().parameters().recNo(), 1);
}

void ChecksMenuTest::listsTheTablesAsLoadedWhenTheFilesAreGone()
{
    // The lists show the tables as they were loaded, without reading the files again; the
    // reload afterwards fails on the missing file, and the log with the list is in front.
    fixture::Session s;
    TForm1& form = s.start();
    Child<QTabWidget>(form, "t")->setCurrentIndex(0);
    QVERIFY(QFile::remove(s.dir.filePath(QStringLiteral("para1.xml"))));
    const int before = s.log().size();

    Trigger(form, "Listofparameters1");
    const QStringList added = s.log().mid(before);
    QCOMPARE(added.size(), 11); // the list, then the headline count of the reload
    QCOMPARE(added.at(8), QStringLiteral("     3   I'1                       Water    H2"));
    QCOMPARE(added.at(10), QStringLiteral("HeadLines loaded / records: 3"));
    QVERIFY2(s.errors.size() == 1 && s.errors.first().contains(QLatin1String("para1.xml")),
             qPrintable(s.errors.join(u'\n')));
    QCOMPARE(Child<QTabWidget>(form, "t")->currentIndex(), ProtocolPage);
    QVERIFY(form.Database().topicLink().isEnabled());
}

QTEST_MAIN(ChecksMenuTest)
#include "ChecksMenu_test.moc"
