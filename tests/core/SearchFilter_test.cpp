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
    table.append({"6", QStringLiteral("body_weight in C:\\Data, Gro\u0308\u00DFe\r\n")});
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
        << "(((Info LIKE '%a%' ESCAPE '\\') AND (Info LIKE '%b%' ESCAPE '\\')) OR (Info LIKE '%c%' "
           "ESCAPE '\\')) AND (NOT (Info "
           "LIKE '%d%' ESCAPE '\\'))";
    QTest::newRow("Weight and child")
        << QStringList{"Weight", "child"} << "AND"
        << "AND" << false
        << "(Info LIKE '%Weight%' ESCAPE '\\') AND (Info LIKE '%child%' ESCAPE '\\')";
    QTest::newRow("term 1 empty") << QStringList{"", "x"} << "AND"
                                  << "AND" << false << "Info LIKE '%x%' ESCAPE '\\'";
    QTest::newRow("only the excluded term")
        << QStringList{"", "", "", "x"} << "AND"
        << "AND" << false << "(NOT (Info LIKE '%x%' ESCAPE '\\'))";
    QTest::newRow("all empty") << QStringList{} << "AND"
                               << "AND" << false << "";
    QTest::newRow("blank terms are empty") << QStringList{"  ", " ", "", "   "} << "AND"
                                           << "AND" << false << "";
    QTest::newRow("terms untrimmed")
        << QStringList{" a ", "", "b "} << "AND"
        << "OR" << false << "(Info LIKE '% a %' ESCAPE '\\') OR (Info LIKE '%b %' ESCAPE '\\')";
    QTest::newRow("term 2 empty: term 3 joined by the second operator")
        << QStringList{"a", "", "c"} << "AND"
        << "OR" << false << "(Info LIKE '%a%' ESCAPE '\\') OR (Info LIKE '%c%' ESCAPE '\\')";
    QTest::newRow("quote doubled") << QStringList{"child's"} << "AND"
                                   << "AND" << false << "Info LIKE '%child''s%' ESCAPE '\\'";
    QTest::newRow("quote in the excluded term")
        << QStringList{"a", "", "", "'"} << "AND"
        << "AND" << false
        << "(Info LIKE '%a%' ESCAPE '\\') AND (NOT (Info LIKE '%''%' ESCAPE '\\'))";
    QTest::newRow("a term cannot end its literal")
        << QStringList{"x%') OR (Info LIKE '%"} << "AND"
        << "AND" << false << "Info LIKE '%x\\%'') OR (Info LIKE ''\\%%' ESCAPE '\\'";
    QTest::newRow("unused operator is not read")
        << QStringList{"a", "", "", "d"} << "XOR"
        << "" << false << "(Info LIKE '%a%' ESCAPE '\\') AND (NOT (Info LIKE '%d%' ESCAPE '\\'))";
    QTest::newRow("German: last two characters dropped")
        << QStringList{"Gewicht"} << "AND"
        << "AND" << true << "Info LIKE '%Gewic%' ESCAPE '\\'";
    QTest::newRow("German: two-character term ignored")
        << QStringList{"ab", "Kinder", "x", "of"} << "AND"
        << "AND" << true << "Info LIKE '%Kind%' ESCAPE '\\'";
    QTest::newRow("German: cut before the blank test")
        << QStringList{"a  b", "Kinder"} << "OR"
        << "AND" << true << "(Info LIKE '%a %' ESCAPE '\\') OR (Info LIKE '%Kind%' ESCAPE '\\')";
    QTest::newRow("wildcards and the escape character escaped")
        << QStringList{"61 %Stat", "a_b", "c:\\x"} << "AND"
        << "AND" << false
        << "((Info LIKE '%61 \\%Stat%' ESCAPE '\\') AND (Info LIKE '%a\\_b%' ESCAPE '\\')) AND "
           "(Info LIKE '%c:\\\\x%' ESCAPE '\\')";
    QTest::newRow("German: an emoji is one character")
        << QStringList{QStringLiteral("ab\U0001F642x")} << "AND"
        << "AND" << true << "Info LIKE '%ab%' ESCAPE '\\'";
    QTest::newRow("German: a letter with its combining mark is one character")
        << QStringList{QStringLiteral("xK\u00F6rK\u006F\u0308")} << "AND"
        << "AND" << true << "Info LIKE '%xK\u00F6r%' ESCAPE '\\'";
    QTest::newRow("terms in normal form C")
        << QStringList{QStringLiteral("Ko\u0308rper")} << "AND"
        << "AND" << false << QStringLiteral("Info LIKE '%K\u00F6rper%' ESCAPE '\\'");
    QTest::newRow("German: excluded term cut too")
        << QStringList{"", "", "", "Frauen"} << "AND"
        << "AND" << true << "(NOT (Info LIKE '%Frau%' ESCAPE '\\'))";
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
        << QStringList{} << "AND" << false << QStringList{"1", "2", "3", "4", "5", "6"};
    QTest::newRow("a term that tries to add a condition finds nothing")
        << QStringList{"zzz%') OR (Info LIKE '%weight"} << "AND" << false << QStringList{};
    QTest::newRow("German stem") << QStringList{"Gewichte"} << "AND" << true << QStringList{"5"};
    QTest::newRow("percent sign in a term")
        << QStringList{"50%"} << "AND" << false << QStringList{"5"};
    QTest::newRow("percent sign is no wildcard")
        << QStringList{"of%children"} << "AND" << false << QStringList{};
    QTest::newRow("percent sign alone") << QStringList{"%"} << "AND" << false << QStringList{"5"};
    QTest::newRow("underscore is no wildcard")
        << QStringList{"body_weight"} << "AND" << false << QStringList{"6"};
    QTest::newRow("backslash searched as typed")
        << QStringList{"C:\\Data"} << "AND" << false << QStringList{"6"};
    QTest::newRow("decomposed term finds composed text")
        << QStringList{QStringLiteral("Ko\u0308rper")} << "AND" << false << QStringList{"5"};
    QTest::newRow("composed term finds decomposed text")
        << QStringList{QStringLiteral("Gr\u00F6\u00DFe")} << "AND" << false << QStringList{"6"};
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
