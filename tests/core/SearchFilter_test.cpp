// The filter expression of the keyword search: how the terms, the operators, the excluded
// term and the German cut make it, and what it finds in a parameter table.
#include "data/DataTable.h"
#include "search/SearchFilter.h"
#include "util/VeltraError.h"

#include <QTest>

using namespace veltra;

namespace {

SearchTerms Terms(const QStringList& texts, const QString& op1 = QStringLiteral("AND"),
                  const QString& op2 = QStringLiteral("AND"), bool german = false)
{
    SearchTerms terms;
    terms.term1 = texts.value(0);
    terms.term2 = texts.value(1);
    terms.term3 = texts.value(2);
    terms.exclude = texts.value(3);
    terms.op1 = op1;
    terms.op2 = op2;
    terms.german = german;
    return terms;
}

/// A parameter table of five rows; the filter options of the search window.
void LoadParameters(DataTable& table)
{
    table.createDataSet(
        {FieldDef::text(QStringLiteral("ID"), 4), FieldDef::text(QStringLiteral("Info"), 200)});
    table.append({"1", "Body weight of children\r\n"});
    table.append({"2", "The child's body weight\r\n"});
    table.append({"3", "Weight of adults\r\n"});
    table.append({"4", "Height of CHILDREN\r\n"});
    table.append({"5", "Gewicht (Körpergewicht) 50%\r\n"});
    FilterOptions options;
    options.ignoreCase = true;
    options.partialCompare = true;
    table.setFilterOptions(options);
}

} // namespace

class SearchFilterTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void expression_data();
    void expression();
    void operatorsOtherThanAndOr_data();
    void operatorsOtherThanAndOr();
    void rowsFound_data();
    void rowsFound();
};

void SearchFilterTest::expression_data()
{
    QTest::addColumn<QStringList>("texts"); // term 1, 2, 3, excluded term
    QTest::addColumn<QString>("op1");
    QTest::addColumn<QString>("op2");
    QTest::addColumn<bool>("german");
    QTest::addColumn<QString>("expected");
    QTest::newRow("three terms, two operators, excluded term")
        << QStringList{"a", "b", "c", "d"} << "AND"
        << "OR" << false
        << "(((Info LIKE '%a%') AND (Info LIKE '%b%')) OR (Info LIKE '%c%')) AND (NOT (Info "
           "LIKE '%d%'))";
    QTest::newRow("Weight and child")
        << QStringList{"Weight", "child"} << "AND"
        << "AND" << false << "(Info LIKE '%Weight%') AND (Info LIKE '%child%')";
    QTest::newRow("term 1 empty") << QStringList{"", "x"} << "AND"
                                  << "AND" << false << "Info LIKE '%x%'";
    QTest::newRow("only the excluded term") << QStringList{"", "", "", "x"} << "AND"
                                            << "AND" << false << "(NOT (Info LIKE '%x%'))";
    QTest::newRow("all empty") << QStringList{} << "AND"
                               << "AND" << false << "";
    QTest::newRow("blank terms are empty") << QStringList{"  ", " ", "", "   "} << "AND"
                                           << "AND" << false << "";
    QTest::newRow("terms untrimmed")
        << QStringList{" a ", "", "b "} << "AND"
        << "OR" << false << "(Info LIKE '% a %') OR (Info LIKE '%b %')";
    QTest::newRow("term 2 empty: term 3 joined by the second operator")
        << QStringList{"a", "", "c"} << "AND"
        << "OR" << false << "(Info LIKE '%a%') OR (Info LIKE '%c%')";
    QTest::newRow("quote doubled") << QStringList{"child's"} << "AND"
                                   << "AND" << false << "Info LIKE '%child''s%'";
    QTest::newRow("quote in the excluded term")
        << QStringList{"a", "", "", "'"} << "AND"
        << "AND" << false << "(Info LIKE '%a%') AND (NOT (Info LIKE '%''%'))";
    QTest::newRow("a term cannot end its literal")
        << QStringList{"x%') OR (Info LIKE '%"} << "AND"
        << "AND" << false << "Info LIKE '%x%'') OR (Info LIKE ''%%'";
    QTest::newRow("unused operator is not read")
        << QStringList{"a", "", "", "d"} << "XOR"
        << "" << false << "(Info LIKE '%a%') AND (NOT (Info LIKE '%d%'))";
    QTest::newRow("German: last two characters dropped") << QStringList{"Gewicht"} << "AND"
                                                         << "AND" << true << "Info LIKE '%Gewic%'";
    QTest::newRow("German: two-character term ignored")
        << QStringList{"ab", "Kinder", "x", "of"} << "AND"
        << "AND" << true << "Info LIKE '%Kind%'";
    QTest::newRow("German: cut before the blank test")
        << QStringList{"a  b", "Kinder"} << "OR"
        << "AND" << true << "(Info LIKE '%a %') OR (Info LIKE '%Kind%')";
    QTest::newRow("German: excluded term cut too") << QStringList{"", "", "", "Frauen"} << "AND"
                                                   << "AND" << true << "(NOT (Info LIKE '%Frau%'))";
}

void SearchFilterTest::expression()
{
    QFETCH(QStringList, texts);
    QFETCH(QString, op1);
    QFETCH(QString, op2);
    QFETCH(bool, german);
    QFETCH(QString, expected);
    QCOMPARE(SearchFilterExpression(Terms(texts, op1, op2, german)), expected);
}

void SearchFilterTest::operatorsOtherThanAndOr_data()
{
    QTest::addColumn<QStringList>("texts");
    QTest::addColumn<QString>("op1");
    QTest::addColumn<QString>("op2");
    QTest::addColumn<QString>("named");
    QTest::newRow("XOR") << QStringList{"a", "b"} << "XOR"
                         << "AND"
                         << "\"XOR\" before search term 2";
    QTest::newRow("lower case") << QStringList{"a", "b"} << "and"
                                << "AND"
                                << "\"and\" before search term 2";
    QTest::newRow("with a blank") << QStringList{"a", "", "c"} << "AND"
                                  << "OR "
                                  << "\"OR \" before search term 3";
    QTest::newRow("empty between terms") << QStringList{"a", "b"} << ""
                                         << "AND"
                                         << "\"\" before search term 2";
    QTest::newRow("operator carrying a condition")
        << QStringList{"a", "b"} << "OR (Info LIKE '%z%') OR"
        << "AND"
        << "\"OR (Info LIKE '%z%') OR\"";
}

void SearchFilterTest::operatorsOtherThanAndOr()
{
    QFETCH(QStringList, texts);
    QFETCH(QString, op1);
    QFETCH(QString, op2);
    QFETCH(QString, named);
    try {
        const QString expression = SearchFilterExpression(Terms(texts, op1, op2));
        QFAIL(qPrintable(QStringLiteral("no error, expression: ") + expression));
    } catch (const VeltraError& error) {
        QVERIFY2(error.message().contains(named), qPrintable(error.message()));
    }
}

void SearchFilterTest::rowsFound_data()
{
    QTest::addColumn<QStringList>("texts");
    QTest::addColumn<QString>("op1");
    QTest::addColumn<bool>("german");
    QTest::addColumn<QStringList>("ids");
    QTest::newRow("case ignored") << QStringList{"weight", "CHILD"} << "AND" << false
                                  << QStringList{"1", "2"};
    QTest::newRow("OR") << QStringList{"adults", "height"} << "OR" << false
                        << QStringList{"3", "4"};
    QTest::newRow("excluded term")
        << QStringList{"child", "", "", "weight"} << "AND" << false << QStringList{"4"};
    QTest::newRow("quote searched as typed")
        << QStringList{"child's"} << "AND" << false << QStringList{"2"};
    QTest::newRow("no term: every row")
        << QStringList{} << "AND" << false << QStringList{"1", "2", "3", "4", "5"};
    QTest::newRow("a term that tries to add a condition finds nothing")
        << QStringList{"zzz%') OR (Info LIKE '%weight"} << "AND" << false << QStringList{};
    QTest::newRow("German stem") << QStringList{"Gewichte"} << "AND" << true << QStringList{"5"};
    QTest::newRow("percent sign in a term")
        << QStringList{"50%"} << "AND" << false << QStringList{"5"};
    QTest::newRow("nothing found")
        << QStringList{"adults", "child"} << "AND" << false << QStringList{};
}

void SearchFilterTest::rowsFound()
{
    QFETCH(QStringList, texts);
    QFETCH(QString, op1);
    QFETCH(bool, german);
    QFETCH(QStringList, ids);
    DataTable table;
    LoadParameters(table);
    table.setFilter(SearchFilterExpression(Terms(texts, op1, QStringLiteral("AND"), german)));
    table.setFiltered(true);
    QStringList found;
    for (int row = 0; row < table.recordCount(); ++row)
        found << table.value(row, 0);
    QCOMPARE(found, ids);
}

QTEST_GUILESS_MAIN(SearchFilterTest)
#include "SearchFilter_test.moc"
