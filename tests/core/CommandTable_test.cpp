// The command/parameter table: the four description lines and, per age group, the
// caption and the top lines of the converted GF parameter sets.
#include "../common/TestDatabase.h"

#include "convert/ConvertParameterSets.h"
#include "data/DataTable.h"
#include "tables/CommandTable.h"
#include "util/NumberFormat.h"
#include "util/TextLines.h"

using namespace veltra;

namespace {

/// GF lines of a group with four distributions: the GF line (rank 0) and ranks 1 to 3.
const QString FourDistributions =
    fixture::GfLines +
    QStringLiteral("TYPE=Lognormal;\r\nPT=0 0.11644521 6.1331361;\r\n"
                   "KS=0.0343;\r\nTYPE=Weibull;\r\nPT=0.1 0.5 2;\r\nKS=0.05;\r\n");

/// GF lines whose second distribution divides by zero (GF line 5).
const QString FailingGf = QStringLiteral("TYPE=Gamma;\r\nPT=0.93 2.5 0.4;\r\nKS=0.0456;\r\n"
                                         "TYPE=Lognormal;\r\nPT=0.5 0.1 0;\r\nKS=0.1;\r\n");

const CommandTableSource Source{QStringLiteral("Alpha Survey 1998"), QStringLiteral("BW_kg"),
                                QStringLiteral("M"),
                                QStringLiteral("Body weight of men\r\nVariable   BW_kg\r\n")};

const QStringList Description = {"Source     : Alpha Survey 1998", "Variable   : BW_kg",
                                 "Sex/Gender : M", "Current    : Body weight of men"};

/// Age groups 1 to 3: four distributions, no GF lines, two distributions.
void LoadGroups(DataTable& table)
{
    table.loadFromData(
        fixture::Packet(
            {{"AGEGRP", "string"}, {"AGEMin", "r8"}, {"AGEMax", "r8"}, {"GENERALF", "bin.hex"}},
            {{"1", "0", "5", FourDistributions},
             {"2", "5", "10", ""},
             {"3", "10", "18", fixture::GfLines}}),
        QStringLiteral("groups.xml"));
}

/// The lines of a converted list picked by index.
QStringList Pick(const QString& gf, const QList<int>& indexes)
{
    const QStringList converted = ConvertParameterSets(TextLines(gf)).lines;
    QStringList lines;
    for (const int i : indexes)
        lines << converted.at(i);
    return lines;
}

} // namespace

class CommandTableTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init() { SetDecimalSeparator(QChar(u'.')); }
    void cleanupTestCase() { SetDecimalSeparator(QChar(u'.')); }

    void topLines_data();
    void topLines();
    void currentLine_data();
    void currentLine();
    void fileWithoutGfField();
    void fileWithoutGroupField();
    void numbersFollowTheDecimalSeparator();
    void conversionFailureStopsAtTheGroup();
    void closedDataFile();
    void currentRowStays();
};

void CommandTableTest::topLines_data()
{
    QTest::addColumn<int>("top");
    QTest::addColumn<bool>("excludeGf");
    QTest::addColumn<QList<int>>("firstGroup");  // lines of the four-distribution group
    QTest::addColumn<QList<int>>("secondGroup"); // lines of the two-distribution group
    QTest::newRow("Top 2") << 2 << false << QList<int>{0, 1, 2, 3} << QList<int>{0, 1, 2};
    QTest::newRow("Top 2, Exclude GF") << 2 << true << QList<int>{0, 2, 3} << QList<int>{0, 2};
    QTest::newRow("Top 1") << 1 << false << QList<int>{0, 1, 2} << QList<int>{0, 1, 2};
    QTest::newRow("Top 1, Exclude GF") << 1 << true << QList<int>{0, 2} << QList<int>{0, 2};
    QTest::newRow("Top 3") << 3 << false << QList<int>{0, 1, 2, 3, 4} << QList<int>{0, 1, 2};
    QTest::newRow("Top 5: fewer distributions list those there are")
        << 5 << false << QList<int>{0, 1, 2, 3, 4} << QList<int>{0, 1, 2};
    QTest::newRow("Top 5, Exclude GF") << 5 << true << QList<int>{0, 2, 3, 4} << QList<int>{0, 2};
}

void CommandTableTest::topLines()
{
    QFETCH(int, top);
    QFETCH(bool, excludeGf);
    QFETCH(QList<int>, firstGroup);
    QFETCH(QList<int>, secondGroup);
    DataTable table;
    LoadGroups(table);
    const GeneratorResult result = GenerateCommandTable(Source, table, {top, excludeGf});
    QVERIFY2(result.complete(), qPrintable(result.error));
    // The group without GF lines adds nothing.
    const QStringList expected = Description + QStringList{"Group:1 Age: 0 - 5"} +
                                 Pick(FourDistributions, firstGroup) +
                                 QStringList{"", "Group:3 Age: 10 - 18"} +
                                 Pick(fixture::GfLines, secondGroup) + QStringList{""};
    QCOMPARE(result.lines, expected);
}

void CommandTableTest::currentLine_data()
{
    QTest::addColumn<QString>("info");
    QTest::addColumn<QString>("current");
    QTest::newRow("plain text, CR LF") << "First line\r\nSecond line\r\n"
                                       << "Current    : First line";
    QTest::newRow("plain text, LF") << "First line\nSecond"
                                    << "Current    : First line";
    QTest::newRow("one line without break") << "Only line"
                                            << "Current    : Only line";
    QTest::newRow("empty Info") << ""
                                << "Current    : ";
    QTest::newRow("rich text") << "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\f0 Rich \\b first\\b0  "
                                  "line\\par Second\\par}"
                               << "Current    : Rich first line";
}

void CommandTableTest::currentLine()
{
    QFETCH(QString, info);
    QFETCH(QString, current);
    DataTable table;
    LoadGroups(table);
    CommandTableSource source = Source;
    source.info = info;
    const GeneratorResult result = GenerateCommandTable(source, table, {});
    QVERIFY(result.lines.size() > 4);
    QCOMPARE(result.lines.at(3), current);
}

void CommandTableTest::fileWithoutGfField()
{
    DataTable table;
    table.loadFromData(fixture::Packet({{"AGEGRP", "string"}, {"NOBS", "i4"}}, {{"1", "4"}}),
                       QStringLiteral("nogf.xml"));
    const GeneratorResult result = GenerateCommandTable(Source, table, {});
    QVERIFY(result.complete());
    QCOMPARE(result.lines, Description);
}

void CommandTableTest::fileWithoutGroupField()
{
    DataTable table;
    table.loadFromData(fixture::Packet({{"GENERALF", "bin.hex"}}, {{fixture::GfLines}}),
                       QStringLiteral("noage.xml"));
    const GeneratorResult result = GenerateCommandTable(Source, table, {1, true});
    QCOMPARE(result.lines, Description + QStringList{"Group: undef."} +
                               Pick(fixture::GfLines, {0, 2}) + QStringList{""});
}

void CommandTableTest::numbersFollowTheDecimalSeparator()
{
    SetDecimalSeparator(QChar(u','));
    DataTable table;
    LoadGroups(table);
    const GeneratorResult result = GenerateCommandTable(Source, table, {1, true});
    QVERIFY(result.complete());
    QCOMPARE(
        result.lines.at(6),
        QStringLiteral("     1          Gamma  0,0456    q=0.93,Shape a=2,500, Scale b=1,000"));
}

void CommandTableTest::conversionFailureStopsAtTheGroup()
{
    DataTable table;
    table.loadFromData(
        fixture::Packet({{"AGEGRP", "string"}, {"GENERALF", "bin.hex"}},
                        {{"1", fixture::GfLines}, {"2", FailingGf}, {"3", fixture::GfLines}}),
        QStringLiteral("gf0.xml"));
    const GeneratorResult result = GenerateCommandTable(Source, table, {});
    QCOMPARE(result.stopRow.value_or(-1), 1);
    QCOMPARE(result.error, QStringLiteral("Age group 2 (Group:2), GF line 5 \"PT=0.5 0.1 0;\": "
                                          "Floating point division by zero"));
    QCOMPARE(result.lines, Description + QStringList{"Group:1"} +
                               Pick(fixture::GfLines, {0, 1, 2}) + QStringList{""});
}

void CommandTableTest::closedDataFile()
{
    DataTable table;
    LoadGroups(table);
    table.close();
    const GeneratorResult result = GenerateCommandTable(Source, table, {});
    QVERIFY(result.lines.isEmpty());
    QVERIFY(!result.complete());
    QVERIFY(!result.stopRow); // no row was reached
    QCOMPARE(result.error, QStringLiteral("No data set selected."));
}

void CommandTableTest::currentRowStays()
{
    DataTable table;
    LoadGroups(table);
    table.moveTo(3);
    const GeneratorResult result = GenerateCommandTable(Source, table, {});
    QVERIFY(result.complete());
    QCOMPARE(table.recNo(), 3);
}

QTEST_GUILESS_MAIN(CommandTableTest)
#include "CommandTable_test.moc"
