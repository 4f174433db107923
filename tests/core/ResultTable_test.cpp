// The result tables of a data file (formatted, CSV, tab-delimited): columns, header
// cells, value cells under both decimal separators, quoting of separated cells.
#include "../common/TestDatabase.h"

#include "data/DataTable.h"
#include "tables/ResultTable.h"
#include "util/NumberFormat.h"

#include <cmath>

using namespace veltra;

Q_DECLARE_METATYPE(veltra::ResultTableForm)

namespace {

const QChar Point(u'.');
const QChar Comma(u',');

/// The options of a table over every field of the file, all checked, with the viewer's
/// section field names; CSV and tab-delimited tables upper-case the names as the viewer
/// does before it calls the generator.
ResultTableOptions AllChecked(const DataTable& table, ResultTableForm form, int digits = 9,
                              int decimals = 2)
{
    ResultTableOptions options;
    options.form = form;
    options.digits = digits;
    options.decimals = decimals;
    options.fieldNames = table.fieldNames();
    if (form != ResultTableForm::Formatted) {
        for (QString& name : options.fieldNames)
            name = name.toUpper();
    }
    options.checked = QList<bool>(options.fieldNames.size(), true);
    options.sectionFieldNames = DefaultSectionFieldNames();
    return options;
}

} // namespace

class ResultTableTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init() { SetDecimalSeparator(Point); }
    void cleanupTestCase() { SetDecimalSeparator(Point); }

    void excludedField_data();
    void excludedField();
    void cellNumber_data();
    void cellNumber();
    void table_data();
    void table();
    void checkMarks_data();
    void checkMarks();
    void visibleRowsInTheirOrder();
    void currentRowStays();
    void closedDataFile();
    void checkedFieldBeyondTheFile();
};

void ResultTableTest::excludedField_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("excluded");
    QTest::newRow("GENERALF") << "GENERALF" << true;
    QTest::newRow("lower case") << "generalf" << true;
    QTest::newRow("mixed case with blanks") << " Moments  " << true;
    QTest::newRow("leading TAB is trimmed") << "\tFX" << true;
    // TrimBlanks removes trailing blanks only, so a trailing TAB keeps the name apart.
    QTest::newRow("trailing TAB is not trimmed") << "FX\t" << false;
    QTest::newRow("QUANTILES") << "QUANTILES" << true;
    QTest::newRow("CORRELATIO") << "Correlatio" << true;
    QTest::newRow("longer name") << "CORRELATION" << false;
    QTest::newRow("COVAR") << "covar" << true;
    QTest::newRow("FORMULA") << "Formula" << true;
    QTest::newRow("part of a name") << "FXY" << false;
    QTest::newRow("statistic field") << "NOBS" << false;
    QTest::newRow("empty") << "" << false;
}

void ResultTableTest::excludedField()
{
    QFETCH(QString, name);
    QFETCH(bool, excluded);
    QCOMPARE(IsExcludedField(name, DefaultSectionFieldNames()), excluded);
    QVERIFY(!IsExcludedField(name, {}));
}

void ResultTableTest::cellNumber_data()
{
    QTest::addColumn<QChar>("separator");
    QTest::addColumn<QString>("value");
    QTest::addColumn<bool>("isNumber");
    QTest::addColumn<double>("number");
    for (const QChar sep : {Point, Comma}) {
        const QString s = sep == Point ? QStringLiteral(" (.)") : QStringLiteral(" (,)");
        auto row = [&](const char* name) -> QTestData& {
            return QTest::newRow(qPrintable(name + s)) << sep;
        };
        row("whole number") << "245" << true << 245.0;
        row("signed") << "+7" << true << 7.0;
        row("point notation") << "12.5" << true << 12.5;
        row("exponent") << "1E5" << true << 1e5;
        row("leading point") << ".5" << true << 0.5;
        row("trailing point") << "5." << true << 5.0;
        row("minus inside") << "1.5E-3" << false << 0.0;
        row("letter E alone") << "E" << false << 0.0;
        row("plus alone") << "+" << false << 0.0;
        row("minus alone") << "-" << false << 0.0;
        row("two points") << "1.5.2" << false << 0.0;
        row("point and comma") << "1.234,5" << false << 0.0;
        row("blank") << " 5" << false << 0.0;
        row("lower-case e") << "1e5" << false << 0.0;
        row("text") << "abc" << false << 0.0;
    }
    // A "," value reads only under a "," separator; a "." value under both.
    QTest::newRow("-12,5 (,)") << Comma << "-12,5" << true << -12.5;
    QTest::newRow("-12,5 (.)") << Point << "-12,5" << false << 0.0;
    QTest::newRow("1,5 (,)") << Comma << "1,5" << true << 1.5;
    QTest::newRow("1,5 (.)") << Point << "1,5" << false << 0.0;
    QTest::newRow("two commas (,)") << Comma << "1,2,3" << false << 0.0;
}

void ResultTableTest::cellNumber()
{
    QFETCH(QChar, separator);
    QFETCH(QString, value);
    QFETCH(bool, isNumber);
    QFETCH(double, number);
    SetDecimalSeparator(separator);
    const std::optional<double> result = ResultCellNumber(value);
    QCOMPARE(result.has_value(), isNumber);
    if (isNumber)
        QCOMPARE(*result, number);
}

void ResultTableTest::table_data()
{
    QTest::addColumn<QChar>("separator");
    QTest::addColumn<ResultTableForm>("form");
    QTest::addColumn<int>("digits");
    QTest::addColumn<int>("decimals");
    QTest::addColumn<fixture::Fields>("fields");
    QTest::addColumn<QList<QStringList>>("rows");
    QTest::addColumn<QStringList>("expected");

    const auto Fixed = ResultTableForm::Formatted;
    const auto Csv = ResultTableForm::Csv;
    const auto Tab = ResultTableForm::TabDelimited;
    const fixture::Fields groupAndCount = {{"AGEGRP", "string"}, {"NOBS", "i4"}};
    const fixture::Fields value = {{"VALUE", "string"}};

    QTest::newRow("example, formatted")
        << Point << Fixed << 9 << 2 << groupAndCount << QList<QStringList>{{"1", "245"}}
        << QStringList{"   AGEGRP     NOBS", "     1.00   245.00"};
    QTest::newRow("example, CSV") << Point << Csv << 9 << 2 << groupAndCount
                                  << QList<QStringList>{{"1", "245"}}
                                  << QStringList{"AGEGRP;NOBS", "1.00;245.00"};
    QTest::newRow("example, tab-delimited")
        << Point << Tab << 9 << 2 << groupAndCount << QList<QStringList>{{"1", "245"}}
        << QStringList{"AGEGRP\tNOBS", "1.00\t245.00"};
    QTest::newRow("example, formatted (,)")
        << Comma << Fixed << 9 << 2 << groupAndCount << QList<QStringList>{{"1", "245"}}
        << QStringList{"   AGEGRP     NOBS", "     1,00   245,00"};
    QTest::newRow("example, CSV (,)")
        << Comma << Csv << 9 << 2 << groupAndCount << QList<QStringList>{{"1", "245"}}
        << QStringList{"AGEGRP;NOBS", "1,00;245,00"};

    QTest::newRow("CSV with one column has no trailing separator")
        << Point << Csv << 9 << 2 << value << QList<QStringList>{{"12.5"}}
        << QStringList{"VALUE", "12.50"};
    QTest::newRow("section fields are never columns")
        << Point << Fixed << 9 << 2
        << fixture::Fields{{"NOBS", "i4"},
                           {"GENERALF", "bin.hex"},
                           {"generalf2", "bin.hex"},
                           {" Moments ", "bin.hex"},
                           {"Quantiles", "string"}}
        << QList<QStringList>{{"3", "TYPE=Gamma;", "x", "", "P50"}}
        << QStringList{"     NOBSgeneralf2", "     3.00        x"};
    QTest::newRow("a value longer than Digits shifts the next column")
        << Point << Fixed << 9 << 2 << groupAndCount
        << QList<QStringList>{{"A very long group", "12"}}
        << QStringList{"   AGEGRP     NOBS", "A very long group    12.00"};
    QTest::newRow("-12,5 under a comma separator")
        << Comma << Fixed << 9 << 2 << value << QList<QStringList>{{"-12,5"}}
        << QStringList{"    VALUE", "   -12,50"};
    QTest::newRow("12.5 under a comma separator")
        << Comma << Fixed << 9 << 2 << value << QList<QStringList>{{"12.5"}}
        << QStringList{"    VALUE", "    12,50"};
    QTest::newRow("1.5E-3 is text")
        << Point << Fixed << 9 << 2 << value << QList<QStringList>{{"1.5E-3"}}
        << QStringList{"    VALUE", "   1.5E-3"};
    QTest::newRow("values that do not read are text, formatted")
        << Point << Fixed << 9 << 2 << value << QList<QStringList>{{"E"}, {"+"}, {"1,5"}}
        << QStringList{"    VALUE", "        E", "        +", "      1,5"};
    QTest::newRow("values that do not read are text, CSV")
        << Point << Csv << 9 << 2 << groupAndCount
        << QList<QStringList>{{"E", "1"}, {"+", "2"}, {"1,5", "3"}}
        << QStringList{"AGEGRP;NOBS", "E;1.00", "+;2.00", "1,5;3.00"};
    QTest::newRow("empty values") << Point << Fixed << 9 << 2 << groupAndCount
                                  << QList<QStringList>{{"", ""}}
                                  << QStringList{"   AGEGRP     NOBS", "        .        ."};
    QTest::newRow("empty values, CSV")
        << Point << Csv << 9 << 2 << groupAndCount << QList<QStringList>{{"", ""}, {"", "4"}}
        << QStringList{"AGEGRP;NOBS", ";", ";4.00"};
    QTest::newRow("empty values, tab-delimited")
        << Point << Tab << 9 << 2 << groupAndCount << QList<QStringList>{{"", ""}}
        << QStringList{"AGEGRP\tNOBS", "\t"};
    QTest::newRow("rounded to zero has no sign")
        << Point << Fixed << 9 << 2 << value << QList<QStringList>{{"-0.004"}}
        << QStringList{"    VALUE", "     0.00"};
    QTest::newRow("more integer digits than Digits")
        << Point << Fixed << 9 << 2 << value << QList<QStringList>{{"1234567890123"}}
        << QStringList{"    VALUE", "1.23456789E12"};
    QTest::newRow("Digits 6, Decimals 0")
        << Comma << Fixed << 6 << 0 << value << QList<QStringList>{{"12,5"}, {"2.4"}}
        << QStringList{" VALUE", "    13", "     2"};
    QTest::newRow("Digits 14, Decimals 7")
        << Point << Csv << 14 << 7 << value << QList<QStringList>{{"1234567.891"}}
        << QStringList{"VALUE", "1234567.8910000"};
    QTest::newRow("r8 values as the views show them (,)")
        << Comma << Fixed << 9 << 3 << fixture::Fields{{"MEAN", "r8"}}
        << QList<QStringList>{{"8.7026"}} << QStringList{"     MEAN", "    8,703"};
    QTest::newRow("r8 text values as the views show them (,)")
        << Comma << Fixed << 9 << 2 << fixture::Fields{{"MEAN", "r8"}}
        << QList<QStringList>{{"1.5E-3"}} << QStringList{"     MEAN", "   1,5E-3"};

    // Header cells.
    QTest::newRow("numeric field name, formatted")
        << Point << Fixed << 9 << 2 << fixture::Fields{{"AGEGRP", "string"}, {"12.5", "r8"}}
        << QList<QStringList>{{"1", ""}} << QStringList{"   AGEGRP    12.50", "     1.00        ."};
    QTest::newRow("numeric field name that does not read, formatted")
        << Point << Fixed << 9 << 2 << fixture::Fields{{"E", "string"}} << QList<QStringList>{{"x"}}
        << QStringList{"        E", "        x"};
    QTest::newRow("numeric field name under a comma separator, formatted")
        << Comma << Fixed << 9 << 2 << fixture::Fields{{"12.5", "r8"}} << QList<QStringList>{{""}}
        << QStringList{"     12.5", "        ."};
    QTest::newRow("numeric field names, CSV: N and the field index")
        << Point << Csv << 9 << 2
        << fixture::Fields{{"AGEGRP", "string"},
                           {"GENERALF", "bin.hex"},
                           {"12.5", "r8"},
                           {"E", "string"}}
        << QList<QStringList>{{"1", "", "", "x"}} << QStringList{"AGEGRP;N2;N3", "1.00;;x"};
    QTest::newRow("numeric field names, tab-delimited")
        << Point << Tab << 9 << 2 << fixture::Fields{{"12.5", "r8"}, {"AGEGRP", "string"}}
        << QList<QStringList>{{"", "1"}} << QStringList{"N0\tAGEGRP", "\t1.00"};
    QTest::newRow("leading blank of a name, formatted")
        << Point << Fixed << 9 << 2 << fixture::Fields{{" NAME", "string"}}
        << QList<QStringList>{{""}} << QStringList{"     NAME", "        ."};
    QTest::newRow("leading blank of a name, CSV")
        << Point << Csv << 9 << 2 << fixture::Fields{{" Name", "string"}}
        << QList<QStringList>{{""}} << QStringList{"NAME", ""};
    QTest::newRow("leading blanks of a text, formatted")
        << Point << Fixed << 9 << 2 << fixture::Fields{{"NAME", "string"}}
        << QList<QStringList>{{"  padded"}} << QStringList{"     NAME", "   padded"};
    QTest::newRow("leading blanks and control characters of texts, CSV")
        << Point << Csv << 9 << 2 << fixture::Fields{{"NAME", "string"}, {"NOTE", "string"}}
        << QList<QStringList>{{"  padded", "\ttabbed "}}
        << QStringList{"NAME;NOTE", "padded;tabbed "};

    // Memo fields.
    const fixture::Fields withMemo = {{"AGEGRP", "string"}, {"REMARK", "bin.hex"}};
    QTest::newRow("memo field, formatted")
        << Point << Fixed << 9 << 2 << withMemo << QList<QStringList>{{"1", "short"}}
        << QStringList{"   AGEGRP   REMARK", "     1.00    short"};
    QTest::newRow("memo field, CSV")
        << Point << Csv << 9 << 2 << withMemo << QList<QStringList>{{"1", "short"}}
        << QStringList{"AGEGRP;REMARK", "1.00;short"};
    QTest::newRow("memo field, tab-delimited: never a column")
        << Point << Tab << 9 << 2 << withMemo << QList<QStringList>{{"1", "short"}}
        << QStringList{"AGEGRP", "1.00"};

    // Quoting of separated cells.
    QTest::newRow("CSV cells with separator, quote and line breaks")
        << Point << Csv << 9 << 2 << fixture::Fields{{"A", "string"}, {"B", "bin.hex"}}
        << QList<QStringList>{{"a;b", "say \"hi\""}, {"\"x\" y", "one\r\ntwo"}, {"a\tb", "last\n"}}
        << QStringList{"A;B", "\"a;b\";\"say \"\"hi\"\"\"", "\"\"\"x\"\" y\";\"one\r\ntwo\"",
                       "a\tb;\"last\n\""};
    QTest::newRow("tab-delimited cells with TAB and quote")
        << Point << Tab << 9 << 2 << fixture::Fields{{"A", "string"}, {"B", "string"}}
        << QList<QStringList>{{"a\tb", "a;b"}, {"\"q\"", "x"}}
        << QStringList{"A\tB", "\"a\tb\"\ta;b", "\"\"\"q\"\"\"\tx"};
    QTest::newRow("formatted cells are never quoted")
        << Point << Fixed << 9 << 2 << fixture::Fields{{"A", "string"}}
        << QList<QStringList>{{"a;\"b\""}} << QStringList{"        A", "    a;\"b\""};
}

void ResultTableTest::table()
{
    QFETCH(QChar, separator);
    QFETCH(ResultTableForm, form);
    QFETCH(int, digits);
    QFETCH(int, decimals);
    QFETCH(fixture::Fields, fields);
    QFETCH(QList<QStringList>, rows);
    QFETCH(QStringList, expected);
    SetDecimalSeparator(separator);
    DataTable table;
    table.loadFromData(fixture::Packet(fields, rows), QStringLiteral("cells.xml"));

    const GeneratorResult result =
        GenerateResultTable(table, AllChecked(table, form, digits, decimals));
    QVERIFY2(result.complete(), qPrintable(result.error));
    QCOMPARE(result.lines, expected);
}

void ResultTableTest::checkMarks_data()
{
    QTest::addColumn<ResultTableForm>("form");
    QTest::addColumn<QList<bool>>("checked");
    QTest::addColumn<QStringList>("expected");
    const auto Fixed = ResultTableForm::Formatted;
    const auto Csv = ResultTableForm::Csv;
    const auto Tab = ResultTableForm::TabDelimited;
    QTest::newRow("all cleared, formatted")
        << Fixed << QList<bool>{false, false, false} << QStringList{"", "", ""};
    QTest::newRow("all cleared, CSV")
        << Csv << QList<bool>{false, false, false} << QStringList{"", "", ""};
    QTest::newRow("all cleared, tab-delimited")
        << Tab << QList<bool>{false, false, false} << QStringList{"", "", ""};
    QTest::newRow("middle field only")
        << Csv << QList<bool>{false, true, false} << QStringList{"NOBS", "245.00", "98.00"};
    QTest::newRow("fields past the list are not checked")
        << Fixed << QList<bool>{true} << QStringList{"   AGEGRP", "     1.00", "     2.00"};
    QTest::newRow("a checked section field stays out")
        << Csv << QList<bool>{true, false, true} << QStringList{"AGEGRP", "1.00", "2.00"};
}

void ResultTableTest::checkMarks()
{
    QFETCH(ResultTableForm, form);
    QFETCH(QList<bool>, checked);
    QFETCH(QStringList, expected);
    DataTable table;
    table.loadFromData(
        fixture::Packet({{"AGEGRP", "string"}, {"NOBS", "i4"}, {"GENERALF", "bin.hex"}},
                        {{"1", "245", "TYPE=Gamma;"}, {"2", "98", ""}}),
        QStringLiteral("groups.xml"));
    ResultTableOptions options = AllChecked(table, form);
    options.checked = checked;
    const GeneratorResult result = GenerateResultTable(table, options);
    QVERIFY(result.complete());
    QCOMPARE(result.lines, expected);
}

void ResultTableTest::visibleRowsInTheirOrder()
{
    DataTable table;
    table.loadFromData(fixture::Packet({{"AGEGRP", "string"}, {"NOBS", "i4"}},
                                       {{"c", "3"}, {"a", "1"}, {"x", "9"}, {"b", "2"}}),
                       QStringLiteral("groups.xml"));
    table.setIndexFieldNames(QStringLiteral("AGEGRP"));
    table.setFilter(QStringLiteral("NOT AGEGRP = 'x'"));
    table.setFiltered(true);
    const GeneratorResult result =
        GenerateResultTable(table, AllChecked(table, ResultTableForm::Csv));
    QCOMPARE(result.lines, (QStringList{"AGEGRP;NOBS", "a;1.00", "b;2.00", "c;3.00"}));
}

void ResultTableTest::currentRowStays()
{
    DataTable table;
    table.loadFromData(fixture::Packet({{"NOBS", "i4"}}, {{"1"}, {"2"}, {"3"}}),
                       QStringLiteral("groups.xml"));
    table.moveTo(2);
    for (const auto form :
         {ResultTableForm::Formatted, ResultTableForm::Csv, ResultTableForm::TabDelimited}) {
        const GeneratorResult result = GenerateResultTable(table, AllChecked(table, form));
        QCOMPARE(result.lines.size(), 4);
        QCOMPARE(table.recNo(), 2);
        QVERIFY(!table.eof());
    }
}

void ResultTableTest::closedDataFile()
{
    DataTable table;
    table.loadFromData(fixture::Packet({{"NOBS", "i4"}}, {{"1"}}), QStringLiteral("groups.xml"));
    const ResultTableOptions options = AllChecked(table, ResultTableForm::Formatted);
    table.close();
    const GeneratorResult result = GenerateResultTable(table, options);
    QVERIFY(result.lines.isEmpty());
    QVERIFY(!result.complete());
    QVERIFY(!result.stopRow); // no row was reached
    QCOMPARE(result.error, QStringLiteral("No selected data set."));
}

void ResultTableTest::checkedFieldBeyondTheFile()
{
    DataTable table;
    table.loadFromData(fixture::Packet({{"NOBS", "i4"}}, {{"1"}}), QStringLiteral("groups.xml"));
    ResultTableOptions options = AllChecked(table, ResultTableForm::Csv);
    options.fieldNames << QStringLiteral("EXTRA");
    options.checked << true;
    const GeneratorResult result = GenerateResultTable(table, options);
    QVERIFY(result.lines.isEmpty());
    QVERIFY(!result.complete());
    QVERIFY(!result.stopRow); // no row was reached
    QCOMPARE(result.error,
             QStringLiteral("Field 2 \"EXTRA\" of the field list is not in \"groups.xml\", which "
                            "has 1 fields"));
}

QTEST_GUILESS_MAIN(ResultTableTest)
#include "ResultTable_test.moc"
