// The format language of the formatted table generator: format words, number texts,
// comment lines, parsed format lines, and the table a format makes of a data file.
#include "../common/TestDatabase.h"

#include "data/DataTable.h"
#include "tables/FormatLanguage.h"
#include "util/IEEE754.h"
#include "util/NumberFormat.h"
#include "util/VeltraError.h"

using namespace veltra;

namespace {

const QChar Point(u'.');
const QChar Comma(u',');

/// The data file of the format runs: two age groups with a count, a name, a value text
/// and a stored floating-point number.
void LoadGroups(DataTable& table)
{
    table.loadFromData(fixture::Packet({{"AGEGRP", "string"},
                                        {"NOBS", "i4"},
                                        {"NAME", "string"},
                                        {"VALUE", "string"},
                                        {"MEAN", "r8"}},
                                       {{"1", "245", "12.7", "3,5", "8.7026"},
                                        {"2", "", "Alpha Survey", "E", "-1.25"}}),
                       QStringLiteral("groups.xml"));
}

} // namespace

class FormatLanguageTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init() { SetDecimalSeparator(Point); }
    void cleanupTestCase() { SetDecimalSeparator(Point); }

    void formatSpec_data();
    void formatSpec();
    void formatSpecErrors_data();
    void formatSpecErrors();
    void textToNumber_data();
    void textToNumber();
    void commentLine_data();
    void commentLine();
    void withoutCommentLines();
    void formatLines();
    void formatLineErrorNamesTheLine();
    void formattedTable_data();
    void formattedTable();
    void formattedTableStops_data();
    void formattedTableStops();
    void unknownFieldWithoutRows();
    void currentRowStays();
};

void FormatLanguageTest::formatSpec_data()
{
    QTest::addColumn<QString>("spec");
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("decimals");
    QTest::newRow("empty") << "" << int(FormatF) << 9 << 2;
    QTest::newRow("F6.2") << "F6.2" << int(FormatF) << 6 << 2;
    QTest::newRow("f6.2 is F6.2") << "f6.2" << int(FormatF) << 6 << 2;
    QTest::newRow("S5.1") << "S5.1" << int(FormatS) << 5 << 1;
    QTest::newRow("s8.1") << "s8.1" << int(FormatS) << 8 << 1;
    QTest::newRow("I6") << "I6" << int(FormatI) << 6 << 0;
    QTest::newRow("i6") << "i6" << int(FormatI) << 6 << 0;
    QTest::newRow("C5") << "C5" << int(FormatC) << 5 << 0;
    QTest::newRow("c12") << "c12" << int(FormatC) << 12 << 0;
    QTest::newRow("other letter X7.3") << "X7.3" << int(FormatF) << 9 << 2;
    QTest::newRow("digit first") << "7.3" << int(FormatF) << 9 << 2;
    QTest::newRow("dotless i is no letter I")
        << QString::fromUtf8("\u01316") << int(FormatF) << 9 << 2;
    QTest::newRow("F0.0") << "F0.0" << int(FormatF) << 0 << 0;
    QTest::newRow("leading zeros") << "F06.02" << int(FormatF) << 6 << 2;
    QTest::newRow("plus sign") << "F+6.2" << int(FormatF) << 6 << 2;
    QTest::newRow("width 300 stored as 44") << "F300.1" << int(FormatF) << 44 << 1;
    QTest::newRow("I300 stored as 44") << "I300" << int(FormatI) << 44 << 0;
    QTest::newRow("decimals 300 stored as 44") << "S6.300" << int(FormatS) << 6 << 44;
    QTest::newRow("256 stored as 0") << "C256" << int(FormatC) << 0 << 0;
    QTest::newRow("-1 stored as 255") << "F-1.2" << int(FormatF) << 255 << 2;
    QTest::newRow("largest 32-bit number") << "F2147483647.1" << int(FormatF) << 255 << 1;
    QTest::newRow("smallest 32-bit number") << "I-2147483648" << int(FormatI) << 0 << 0;
}

void FormatLanguageTest::formatSpec()
{
    QFETCH(QString, spec);
    QFETCH(int, kind);
    QFETCH(int, width);
    QFETCH(int, decimals);
    const rForm form = ParseFormatSpec(spec);
    QCOMPARE(int(form.Kind), kind);
    QCOMPARE(int(form.Width), width);
    QCOMPARE(int(form.Decimals), decimals);
    QVERIFY(form.VarName.isEmpty());
    QVERIFY(form.Alias.isEmpty());
}

void FormatLanguageTest::formatSpecErrors_data()
{
    QTest::addColumn<QString>("spec");
    QTest::addColumn<QString>("message");
    QTest::newRow("F9") << "F9"
                        << "format \"F9\" has no \".\" and decimals after the width at position 3";
    QTest::newRow("S5") << "S5"
                        << "format \"S5\" has no \".\" and decimals after the width at position 3";
    QTest::newRow("F.2") << "F.2"
                         << "format \"F.2\" has no width at position 2";
    QTest::newRow("F9.") << "F9."
                         << "format \"F9.\" has no decimals at position 4";
    QTest::newRow("I") << "I"
                       << "format \"I\" has no width at position 2";
    QTest::newRow("c") << "c"
                       << "format \"c\" has no width at position 2";
    QTest::newRow("I6.2") << "I6.2"
                          << "format \"I6.2\": \".\" at position 3 is not a digit of the width";
    QTest::newRow("letter in the width")
        << "Fx.2"
        << "format \"Fx.2\": \"x\" at position 2 is not a digit of the width";
    QTest::newRow("second point")
        << "F6.2.1"
        << "format \"F6.2.1\": \".\" at position 5 is not a digit of the decimals";
    QTest::newRow("sign alone") << "C-"
                                << "format \"C-\" has no width at position 3";
    QTest::newRow("beyond 32 bits")
        << "F2147483648.1"
        << "format \"F2147483648.1\": the width at position 2 is too large";
    QTest::newRow("far beyond 32 bits")
        << "I99999999999999999999"
        << "format \"I99999999999999999999\": the width at position 2 is too large";
}

void FormatLanguageTest::formatSpecErrors()
{
    QFETCH(QString, spec);
    QFETCH(QString, message);
    try {
        (void)ParseFormatSpec(spec);
        QFAIL("no error");
    } catch (const VeltraError& error) {
        QCOMPARE(error.message(), message);
    }
}

void FormatLanguageTest::textToNumber_data()
{
    QTest::addColumn<QChar>("separator");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("isNumber");
    QTest::addColumn<double>("number");
    for (const QChar sep : {Point, Comma}) {
        const QString s = sep == Point ? QStringLiteral(" (.)") : QStringLiteral(" (,)");
        auto row = [&](const char* name) -> QTestData& {
            return QTest::newRow(qPrintable(name + s)) << sep;
        };
        row("3,5") << "3,5" << true << 3.5;
        row("3.5") << "3.5" << true << 3.5;
        row("whole number") << "12" << true << 12.0;
        row("negative exponent form") << "-1E3" << true << -1000.0;
        row("plus") << "+2.5" << true << 2.5;
        row("empty") << "" << false << 0.0;
        row("point and comma") << "1.234,5" << false << 0.0;
        row("minus inside") << "1E-3" << false << 0.0;
        row("E alone") << "E" << false << 0.0;
        row("plus alone") << "+" << false << 0.0;
        row("two points") << "1.2.3" << false << 0.0;
        row("text") << "Alpha" << false << 0.0;
        row("blanks") << " 3" << false << 0.0;
    }
}

void FormatLanguageTest::textToNumber()
{
    QFETCH(QChar, separator);
    QFETCH(QString, text);
    QFETCH(bool, isNumber);
    QFETCH(double, number);
    SetDecimalSeparator(separator);
    const double result = TextToNumber(text);
    QCOMPARE(!IsNaNValue(result), isNumber);
    if (isNumber)
        QCOMPARE(result, number);
}

void FormatLanguageTest::commentLine_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<bool>("comment");
    QTest::newRow("empty") << "" << true;
    QTest::newRow("blanks") << "   " << true;
    QTest::newRow("control characters") << "\t\r\x01" << true;
    QTest::newRow("//") << "// a comment" << true;
    QTest::newRow("indented //") << " \t//x" << true;
    QTest::newRow("single slash") << "/ NOBS" << false;
    QTest::newRow("slash blank slash") << "/ /" << false;
    QTest::newRow("column line") << "NOBS F9.2" << false;
    QTest::newRow("comment after a column") << "NOBS // x" << false;
    QTest::newRow("delimiters only") << ",|" << false;
}

void FormatLanguageTest::commentLine()
{
    QFETCH(QString, line);
    QFETCH(bool, comment);
    QCOMPARE(IsFormatCommentLine(line), comment);
}

void FormatLanguageTest::withoutCommentLines()
{
    QCOMPARE(WithoutCommentLines({"AGEGRP I6", "", "  // size of the group", "NOBS F8.1", "  "}),
             (QStringList{"AGEGRP I6", "NOBS F8.1"}));
    QCOMPARE(WithoutCommentLines({}), QStringList());
}

void FormatLanguageTest::formatLines()
{
    const QList<rForm> forms =
        ParseFormatLines({"AGEGRP I6 Group", "// comment", "", "value,f6.2|v2 ignored words",
                          "\tNOBS", "MEAN S8.1"});
    QCOMPARE(forms.size(), 6);
    auto check = [&](int i, const char* name, const char* alias, int kind, int width,
                     int decimals) {
        QCOMPARE(forms.at(i).VarName, QString::fromLatin1(name));
        QCOMPARE(forms.at(i).Alias, QString::fromLatin1(alias));
        QCOMPARE(int(forms.at(i).Kind), kind);
        QCOMPARE(int(forms.at(i).Width), width);
        QCOMPARE(int(forms.at(i).Decimals), decimals);
    };
    check(0, "AGEGRP", "Group", FormatI, 6, 0);
    check(1, "", "", FormatF, 9, 2);
    check(2, "", "", FormatF, 9, 2);
    check(3, "value", "v2", FormatF, 6, 2);
    check(4, "NOBS", "", FormatF, 9, 2);
    check(5, "MEAN", "", FormatS, 8, 1);
}

void FormatLanguageTest::formatLineErrorNamesTheLine()
{
    try {
        (void)ParseFormatLines({"AGEGRP I6", "// F9 in a comment is fine", "NOBS F9 Count"});
        QFAIL("no error");
    } catch (const VeltraError& error) {
        QCOMPARE(error.message(),
                 QStringLiteral("Format line 3 \"NOBS F9 Count\": format \"F9\" has no \".\" and "
                                "decimals after the width at position 3"));
    }
    // A NUL character of the line is shown as \0 in the message.
    try {
        (void)ParseFormatLines({QStringLiteral("NOBS F9") + QChar(0) + QStringLiteral(" N")});
        QFAIL("no error");
    } catch (const VeltraError& error) {
        QCOMPARE(error.message(),
                 QStringLiteral("Format line 1 \"NOBS F9\\0 N\": format \"F9\\0\" has no \".\" and "
                                "decimals after the width at position 4"));
    }
}

void FormatLanguageTest::formattedTable_data()
{
    QTest::addColumn<QChar>("separator");
    QTest::addColumn<QStringList>("format");
    QTest::addColumn<QStringList>("expected");
    // Rows of the data file: AGEGRP 1 and 2; NOBS 245 and empty; NAME 12.7 and
    // "Alpha Survey"; VALUE 3,5 and E; MEAN 8.7026 and -1.25.
    QTest::newRow("example") << Point << QStringList{"AGEGRP I6 Group", "NOBS F8.1"}
                             << QStringList{" Group    NOBS", "     1   245.0", "     2        "};
    QTest::newRow("example (,)") << Comma << QStringList{"AGEGRP I6 Group", "NOBS F8.1"}
                                 << QStringList{" Group    NOBS", "     1   245,0",
                                                "     2        "};
    QTest::newRow("empty format") << Point << QStringList{} << QStringList{"", "", ""};
    QTest::newRow("comment lines only")
        << Point << QStringList{"", "// nothing"} << QStringList{"", "", ""};
    QTest::newRow("empty and comment lines between two columns")
        << Point << QStringList{"AGEGRP I3", "", "// the size", "NOBS I5"}
        << QStringList{"AGEGRP NOBS", "  1  245", "  2     "};
    QTest::newRow("field name only: F 9 2")
        << Point << QStringList{"NOBS"} << QStringList{"     NOBS", "   245.00", "         "};
    QTest::newRow("X7.3 is no format")
        << Point << QStringList{"NOBS X7.3"} << QStringList{"     NOBS", "   245.00", "         "};
    QTest::newRow("f6.2 is F6.2") << Point << QStringList{"MEAN f6.2"}
                                  << QStringList{"  MEAN", "  8.70", " -1.25"};
    QTest::newRow("alias right-aligned") << Point << QStringList{"MEAN F10.3 Average"}
                                         << QStringList{"   Average", "     8.703", "    -1.250"};
    QTest::newRow("caption longer than the width is not cut")
        << Point << QStringList{"MEAN F4.1 Average", "AGEGRP I2"}
        << QStringList{"AverageAGEGRP", " 8.7 1", "-1.3 2"};
    QTest::newRow("C8 of 12.7 is a rounded number")
        << Point << QStringList{"NAME C8"} << QStringList{"    NAME", "      13", "Alpha Survey"};
    QTest::newRow("S8.1: caption 11 wide, cells 8")
        << Point << QStringList{"NOBS S8.1"} << QStringList{"       NOBS", "   245.0", "        "};
    QTest::newRow("3,5 under a point separator")
        << Point << QStringList{"VALUE F6.2"} << QStringList{" VALUE", "  3.50", "     E"};
    QTest::newRow("3,5 under a comma separator")
        << Comma << QStringList{"VALUE F6.2"} << QStringList{" VALUE", "  3,50", "     E"};
    QTest::newRow("stored number under a comma separator")
        << Comma << QStringList{"MEAN F8.3"} << QStringList{"    MEAN", "   8,703", "  -1,250"};
    QTest::newRow("width 300 is 44")
        << Point << QStringList{"AGEGRP I300"}
        << QStringList{QString(38, u' ') + "AGEGRP", QString(43, u' ') + "1",
                       QString(43, u' ') + "2"};
    QTest::newRow("field names in another case") << Point << QStringList{"agegrp I2", "Nobs I4"}
                                                 << QStringList{"agegrpNobs", " 1 245", " 2    "};
    QTest::newRow("words separated by comma and bar")
        << Point << QStringList{"AGEGRP,I3|G"} << QStringList{"  G", "  1", "  2"};
    QTest::newRow("the same field twice") << Point << QStringList{"AGEGRP I2", "AGEGRP F5.1 Again"}
                                          << QStringList{"AGEGRPAgain", " 1  1.0", " 2  2.0"};
}

void FormatLanguageTest::formattedTable()
{
    QFETCH(QChar, separator);
    QFETCH(QStringList, format);
    QFETCH(QStringList, expected);
    SetDecimalSeparator(separator);
    DataTable table;
    LoadGroups(table);
    const GeneratorResult result = RunFormattedTable(format, table);
    QVERIFY2(result.complete(), qPrintable(result.error));
    QCOMPARE(result.lines, expected);
}

void FormatLanguageTest::formattedTableStops_data()
{
    QTest::addColumn<QStringList>("format");
    QTest::addColumn<bool>("open");
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<QString>("error");
    QTest::addColumn<int>("stopRow"); // -1: failed before any row
    QTest::newRow("format word that does not read: no line")
        << QStringList{"AGEGRP I6", "NOBS F9"} << true << QStringList{}
        << "Format line 2 \"NOBS F9\": format \"F9\" has no \".\" and decimals after the width "
           "at position 3"
        << -1;
    QTest::newRow("I6.2") << QStringList{"// widths", "AGEGRP I6.2 Group"} << true << QStringList{}
                          << "Format line 2 \"AGEGRP I6.2 Group\": format \"I6.2\": \".\" at "
                             "position 3 is not a digit of the width"
                          << -1;
    QTest::newRow("unknown field: the header stays")
        << QStringList{"AGEGRP I4 Group", "WEIGHT F9.2"} << true << QStringList{"Group   WEIGHT"}
        << "Format line 2: unknown field \"WEIGHT\" in \"groups.xml\"" << 0;
    QTest::newRow("data file not open: the header stays")
        << QStringList{"AGEGRP I4 Group"} << false << QStringList{"Group"}
        << "Cannot read the rows: the data file is not open" << -1;
}

void FormatLanguageTest::formattedTableStops()
{
    QFETCH(QStringList, format);
    QFETCH(bool, open);
    QFETCH(QStringList, lines);
    QFETCH(QString, error);
    QFETCH(int, stopRow);
    DataTable table;
    LoadGroups(table);
    if (!open)
        table.close();
    const GeneratorResult result = RunFormattedTable(format, table);
    QCOMPARE(result.lines, lines);
    QVERIFY(!result.complete());
    QCOMPARE(result.stopRow.value_or(-1), stopRow);
    QCOMPARE(result.error, error);
}

void FormatLanguageTest::unknownFieldWithoutRows()
{
    // The field is looked for only when a row is read.
    DataTable table;
    table.loadFromData(fixture::Packet({{"AGEGRP", "string"}}, {}), QStringLiteral("empty.xml"));
    const GeneratorResult result = RunFormattedTable({"WEIGHT F6.1"}, table);
    QVERIFY(result.complete());
    QCOMPARE(result.lines, QStringList{"WEIGHT"});
}

void FormatLanguageTest::currentRowStays()
{
    DataTable table;
    LoadGroups(table);
    table.moveTo(2);
    const GeneratorResult result = RunFormattedTable({"AGEGRP I2"}, table);
    QCOMPARE(result.lines.size(), 3);
    QCOMPARE(table.recNo(), 2);
}

QTEST_GUILESS_MAIN(FormatLanguageTest)
#include "FormatLanguage_test.moc"
