// The texts of an age group as the views show them: the status bar's group text and
// the "Selected Functions" view.
#include "../common/TestDatabase.h"

#include "convert/AgeGroup.h"
#include "data/DataTable.h"
#include "util/NumberFormat.h"

using namespace veltra;

class AgeGroupTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { SetDecimalSeparator(QLatin1Char('.')); }
    void caption_data();
    void caption();
    void texts();
    void selectedFunctions();
    void selectedFunctionsStopped();
};

void AgeGroupTest::caption_data()
{
    QTest::addColumn<fixture::Fields>("fields");
    QTest::addColumn<QStringList>("row");
    QTest::addColumn<QString>("expected");
    QTest::newRow("group and ages")
        << fixture::Fields{{"AGEGRP", "string"}, {"AGEMin", "string"}, {"AGEMax", "string"}}
        << QStringList{"3", "6", "10"} << "Group:3 Age: 6 - 10";
    QTest::newRow("no minimum age") << fixture::Fields{{"AGEGRP", "string"}, {"AGEMax", "string"}}
                                    << QStringList{"3", "10"} << "Group:310";
    QTest::newRow("no maximum age") << fixture::Fields{{"AGEGRP", "string"}, {"AGEMin", "string"}}
                                    << QStringList{"3", "6"} << "Group:3 Age: 6 - ";
    QTest::newRow("field names in another case")
        << fixture::Fields{{"agegrp", "string"}, {"AGEMIN", "string"}, {"agemax", "string"}}
        << QStringList{"1", "0", "5"} << "Group:1 Age: 0 - 5";
    QTest::newRow("no group field")
        << fixture::Fields{{"NOBS", "i4"}} << QStringList{"40"} << "Group: undef.";
}

void AgeGroupTest::caption()
{
    QFETCH(fixture::Fields, fields);
    QFETCH(QStringList, row);
    QFETCH(QString, expected);
    DataTable table;
    table.loadFromData(fixture::Packet(fields, {row}), QStringLiteral("groups.xml"));
    QCOMPARE(CurrentAgeGroup(table).caption, expected);
}

void AgeGroupTest::texts()
{
    DataTable table;
    table.loadFromData(
        fixture::Packet({{"AGEGRP", "string"},
                         {"GENERALF", "bin.hex"},
                         {"MOMENTS", "bin.hex"},
                         {"QUANTILES", "bin.hex"}},
                        {{"1", "TYPE=Gamma;\r\nPT=1 2 3;\r\n\r\nKS=0.1;\r\n", "Mean 1", "P50 1"},
                         {"2", "", "", ""}}),
        QStringLiteral("texts.xml"));
    AgeGroupTexts group = CurrentAgeGroup(table);
    QCOMPARE(group.gfLines, QStringList({"TYPE=Gamma;", "PT=1 2 3;", "", "KS=0.1;"}));
    QCOMPARE(group.moments, QStringLiteral("Mean 1"));
    QCOMPARE(group.quantiles, QStringLiteral("P50 1"));
    table.next();
    group = CurrentAgeGroup(table);
    QCOMPARE(group.caption, QStringLiteral("Group:2"));
    QCOMPARE(group.gfLines, QStringList());
    // A closed file shows no texts.
    table.first();
    table.close();
    QCOMPARE(CurrentAgeGroup(table).gfLines, QStringList());
}

void AgeGroupTest::selectedFunctions()
{
    AgeGroupTexts group;
    group.caption = QStringLiteral("Group:1 Age: 0 - 5");
    group.gfLines = fixture::GfLines.split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
    const GeneratorResult result = SelectedFunctions(
        CurrentContentText(QStringLiteral("Body weight of men\r\nVariable x")), group);
    QVERIFY(result.complete());
    QCOMPARE(result.lines, QStringList({"Current : Body weight of men  Group:1 Age: 0 - 5", ""}) +
                               fixture::GfConverted());
}

void AgeGroupTest::selectedFunctionsStopped()
{
    AgeGroupTexts group;
    group.caption = QStringLiteral("Group:1");
    group.gfLines = QStringList{"TYPE=Gamma;",         "PT=0.9 2 0.5;", "KS=0.01;",
                                "TYPE=Loglogistisch;", "PT=0.9 0 2;",   "KS=0.02;"};
    const GeneratorResult result = SelectedFunctions(QStringLiteral("Current : x"), group);
    QCOMPARE(result.stopRow.value_or(-1), 4);
    QCOMPARE(result.error, QStringLiteral("Floating point division by zero"));
    // Header, empty line, the table's header and the one row converted before the failure.
    QCOMPARE(result.lines.size(), 4);
    QCOMPARE(result.lines.first(), QStringLiteral("Current : x  Group:1"));
    QVERIFY(result.lines.last().contains(QStringLiteral("Gamma")));
}

QTEST_GUILESS_MAIN(AgeGroupTest)
#include "AgeGroup_test.moc"
