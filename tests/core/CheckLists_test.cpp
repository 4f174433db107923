// The check lists of the headline, topic and parameter tables: exact lines, columns that
// are never cut, all rows whatever the filter, the data file status and where a list stops.
#include "../common/TestDatabase.h"

#include "data/DataSource.h"
#include "data/DataTable.h"
#include "reports/CheckLists.h"
#include "util/VeltraError.h"

#include <QDir>
#include <QSet>
#include <QTemporaryDir>

using namespace veltra;

namespace {

const QString Stars(62, QLatin1Char('*'));

void Load(DataTable& table, const fixture::Fields& fields, const QList<QStringList>& rows)
{
    table.loadFromData(fixture::Packet(fields, rows), QStringLiteral("t.xml"));
}

/// A test of file existence by a fixed set of names.
FileExistsTest Existing(const QStringList& names)
{
    const QSet<QString> set(names.begin(), names.end());
    return [set](const QString& name) { return set.contains(name); };
}

/// Parameter rows of two topics and both sexes.
void LoadParameters(DataTable& table)
{
    Load(table,
         {{"PS", "string"},
          {"Variable", "string"},
          {"SEX", "string"},
          {"DataSource", "string"},
          {"DataFile", "string"},
          {"RSTRC", "string"}},
         {{"B1", "BW", "M", "Zeta Survey", "bw1.xml", "B"},
          {"B1", "AW", "F", "Alpha Survey", "", "A"},
          {"B2", "BH", "M", "A data source name longer than 32 chars", "bh.dbf", "A"},
          {"B1", "CW", "M", "Beta Survey", "abc", "C"}});
}

} // namespace

class CheckListsTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void headlineList();
    void topicListShowsEveryTopic();
    void parameterListShowsEveryRow();
    void dataFileStatus_data();
    void dataFileStatus();
    void statusLooksInTheCurrentFolder();
    void missingFieldStopsTheList_data();
    void missingFieldStopsTheList();
    void failingRowKeepsTheRowsBefore();
};

void CheckListsTest::headlineList()
{
    DataTable heads;
    Load(heads, {{"Top", "string"}, {"TOPIC", "string"}, {"STRC", "string"}},
         {{"H2", "Intake", "2"},
          {"H1", "A headline title longer than 25", "1"},
          {"H10", "Soil", "3"}});
    heads.setIndexFieldNames(QStringLiteral("STRC"));
    heads.last();

    const GeneratorResult list = HeadlineList(heads);
    QVERIFY2(list.complete(), qPrintable(list.error));
    // The widths 6, 6 and 25: five blanks, "I", three blanks, "TOP", sixteen blanks.
    const QString header =
        QString(5, u' ') + "I" + QString(3, u' ') + "TOP" + QString(16, u' ') + "HEADLINES";
    QCOMPARE(list.lines, QStringList({"", Stars, "LIST OF HEADLINES", "", header, "",
                                      "     1    H1A headline title longer than 25",
                                      "     2    H2                   Intake",
                                      "     3   H10                     Soil", ""}));
}

void CheckListsTest::topicListShowsEveryTopic()
{
    DataTable topics;
    Load(topics, {{"TOP", "string"}, {"PS", "string"}, {"PARAMETER", "string"}},
         {{"H1", "B1", "Body weight"},
          {"H2", "I1", "A topic title of more than 28 chars"},
          {"H1", "B2", "Height"}});
    topics.setIndexFieldNames(QStringLiteral("Parameter"));
    topics.setFilter(QStringLiteral("TOP = 'H1'"));
    topics.setFiltered(true);

    const GeneratorResult list = TopicList(topics);
    QVERIFY2(list.complete(), qPrintable(list.error));
    const QString header = QStringLiteral("     i    PS                      TOPICS   TOP");
    QCOMPARE(header.size(), 46);
    QCOMPARE(list.lines, QStringList({"", Stars, "LIST OF TOPICS", "", header, "",
                                      "     1    I1A topic title of more than 28 chars    H2",
                                      "     2    B1                 Body weight    H1",
                                      "     3    B2                      Height    H1", ""}));
    // The filter is on again: the table shows the topics of its headline.
    QVERIFY(topics.isFiltered());
    QCOMPARE(topics.recordCount(), 2);
}

void CheckListsTest::parameterListShowsEveryRow()
{
    DataTable parameters;
    LoadParameters(parameters);
    parameters.setIndexFieldNames(QStringLiteral("RSTRC;VARIABLE"));
    parameters.setFilter(QStringLiteral("PS = 'B1' AND Sex='F'"));
    parameters.setFiltered(true);
    QCOMPARE(parameters.recordCount(), 1);

    const GeneratorResult list =
        ParameterList(parameters, QStringLiteral("/db/run"), Existing({"bw1.xml", "bh.xml"}));
    QVERIFY2(list.complete(), qPrintable(list.error));
    const QString header = QStringLiteral("     i    PS SEX                     DATA SOURCE"
                                          "                               DATA FILE");
    QCOMPARE(header.size(), 88);
    const QString blanks30(30, QLatin1Char(' '));
    QCOMPARE(list.lines, QStringList({"", Stars, "LIST OF PARAMETER & DATA SOURCES",
                                      "MAIN DIR.: /db/run", "", header, "",
                                      "     1    B1   F                    Alpha Survey" +
                                          QString(40, u' ') + "    NOLINK",
                                      "     2    B2   MA data source name longer than 32 chars" +
                                          QString(34, u' ') + "bh.dbf     UNDEF       XML",
                                      "     3    B1   M                     Zeta Survey" +
                                          blanks30 + "   bw1.xml       DBF       XML",
                                      "     4    B1   M                     Beta Survey" +
                                          blanks30 + "       abc     UNDEF     UNDEF",
                                      ""}));
    QCOMPARE(list.lines.mid(0, 5), ParameterListHead(QStringLiteral("/db/run")));
    QVERIFY(parameters.isFiltered());
    QCOMPARE(parameters.recordCount(), 1);
}

void CheckListsTest::dataFileStatus_data()
{
    QTest::addColumn<QString>("dataFile");
    QTest::addColumn<QStringList>("existing");
    QTest::addColumn<QString>("status");
    QTest::newRow("no data file") << "" << QStringList{"xml", ".xml"} << "    NOLINK";
    QTest::newRow("only the xml form") << "a.dbf" << QStringList{"a.xml"} << "     UNDEF       XML";
    QTest::newRow("xml named") << "a.xml" << QStringList{"a.xml"} << "       DBF       XML";
    QTest::newRow("only the stored name")
        << "a.dbf" << QStringList{"a.dbf"} << "       DBF     UNDEF";
    QTest::newRow("no dot") << "abc" << QStringList{"abcxml"} << "     UNDEF       XML";
    QTest::newRow("no dot, abc.xml present")
        << "abc" << QStringList{"abc.xml"} << "     UNDEF     UNDEF";
    QTest::newRow("cut at the first dot")
        << "a.b.dbf" << QStringList{"a.xml", "a.b.xml"} << "     UNDEF       XML";
    QTest::newRow("neither") << "sub/x.dbf" << QStringList{} << "     UNDEF     UNDEF";
}

void CheckListsTest::dataFileStatus()
{
    QFETCH(QString, dataFile);
    QFETCH(QStringList, existing);
    QFETCH(QString, status);
    QCOMPARE(DataFileStatus(dataFile, Existing(existing)), status);
}

void CheckListsTest::statusLooksInTheCurrentFolder()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    fixture::WriteFile(dir.filePath(QStringLiteral("a.xml")), "x");
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("d.xml")));
    const QString old = QDir::currentPath();
    QVERIFY(QDir::setCurrent(dir.path()));
    const QString found = DataFileStatus(QStringLiteral("a.dbf"), FileExistsInCurrentFolder);
    // A folder of that name is no data file.
    const QString folder = DataFileStatus(QStringLiteral("d.xml"), FileExistsInCurrentFolder);
    QDir::setCurrent(old);
    QCOMPARE(found, QStringLiteral("     UNDEF       XML"));
    QCOMPARE(folder, QStringLiteral("     UNDEF     UNDEF"));
}

void CheckListsTest::missingFieldStopsTheList_data()
{
    QTest::addColumn<QString>("list");
    QTest::addColumn<QStringList>("fields");
    QTest::addColumn<QString>("missing");
    QTest::addColumn<int>("linesKept");
    QTest::newRow("headline without Topic")
        << "headlines" << QStringList{"Top", "STRC"} << "Topic" << 6;
    QTest::newRow("topic without TOP") << "topics" << QStringList{"PS", "PARAMETER"} << "TOP" << 6;
    QTest::newRow("parameter without DataSource")
        << "parameters" << QStringList{"PS", "SEX", "DataFile"} << "DataSource" << 7;
}

void CheckListsTest::missingFieldStopsTheList()
{
    QFETCH(QString, list);
    QFETCH(QStringList, fields);
    QFETCH(QString, missing);
    QFETCH(int, linesKept);
    fixture::Fields packetFields;
    for (const QString& name : fields)
        packetFields.append({name, QStringLiteral("string")});
    const QStringList row(fields.size(), QStringLiteral("v"));
    DataTable table;
    Load(table, packetFields, {row, row});
    const bool filtered = list != QLatin1String("headlines");
    if (filtered) {
        table.setFilter(QStringLiteral("PS = 'none'"));
        table.setFiltered(true);
    }

    const GeneratorResult result = list == QLatin1String("headlines") ? HeadlineList(table)
                                   : list == QLatin1String("topics")
                                       ? TopicList(table)
                                       : ParameterList(table, QStringLiteral("/run"), Existing({}));
    QCOMPARE(result.stopRow.value_or(-1), 0);
    QVERIFY2(result.error.contains(QLatin1Char('"') + missing + QLatin1Char('"')),
             qPrintable(result.error));
    QCOMPARE(result.lines.size(), linesKept);
    QCOMPARE(result.lines.last(), QString()); // the empty line below the header
    if (filtered) {
        QVERIFY(table.isFiltered()); // set back after the failure too
        QCOMPARE(table.recordCount(), 0);
    }
}

void CheckListsTest::failingRowKeepsTheRowsBefore()
{
    // A move that fails (the owner's row-change handler throws on the third row) stops
    // the list there with the rows before it.
    DataTable parameters;
    LoadParameters(parameters);
    DataSource link(&parameters);
    link.setHandler([&parameters] {
        if (parameters.recNo() == 3)
            throw VeltraError(QStringLiteral("row 3 refused"));
    });
    const GeneratorResult list = ParameterList(parameters, QStringLiteral("/run"), Existing({}));
    QCOMPARE(list.stopRow.value_or(-1), 2);
    QCOMPARE(list.error, QStringLiteral("row 3 refused"));
    QCOMPARE(list.lines.size(), 7 + 2);
    QVERIFY(list.lines.last().startsWith(QLatin1String("     2    B1   F")));
}

QTEST_GUILESS_MAIN(CheckListsTest)
#include "CheckLists_test.moc"
