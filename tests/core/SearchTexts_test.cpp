// The keyword search's folded texts: over texts with umlauts, composed and decomposed
// letters, sharp s, signs that fold to letters, surrogate pairs and LIKE's special
// characters, the search through the folded texts shows exactly the rows that the
// table's own filter shows; the texts follow the table's content.
#include "data/DataTable.h"
#include "data/FilterExpression.h"
#include "search/SearchFilter.h"
#include "search/SearchTexts.h"
#include "util/VeltraError.h"

#include <QTest>

using namespace veltra;

namespace {

/// Info texts that make the folding and the scan go wrong if either differs from the
/// table's comparison ignoring case. Rows 9 and 10 together hold "body weight" across
/// the border between their texts.
const QStringList& InfoTexts()
{
    static const QStringList texts = {
        QStringLiteral("Body weight of children\r\nK\u00F6rpergewicht der Kinder\r\n"),
        QStringLiteral("Ko\u0308rpergewicht (decomposed), GRO\u00DFE\r\n"),
        QStringLiteral("STRASSE und Stra\u00DFe, capital \u1E9E\r\n"),
        QStringLiteral("5 \u00B5g; \u017Fhort s; 300 \u212A; \u00C5ngstr\u00F6m \u212B\r\n"),
        QStringLiteral("\u00C4RZTE im Krankenhaus, \u00E4rztin\r\n"),
        QStringLiteral("emoji \U0001F600 here; \u03A3\u038A\u03A3\u03A5\u03A6\u039F\u03A3 "
                       "\u03C3\u03AF\u03C3\u03C5\u03C6\u03BF\u03C2; \U00010400 deseret\r\n"),
        QString(),
        QStringLiteral("100% sure_thing \\ back 'quoted' {\\rtf1\\b bold}\r\n"),
        QStringLiteral("drinking WATER\r\nweight\r\n"),
        QStringLiteral("ends with body wei"),
        QStringLiteral("ght and starts the next\r\n"),
        QStringLiteral("Erwachsene: body weight, drinking water\r\n"),
    };
    return texts;
}

void Fill(DataTable& table)
{
    table.createDataSet(
        {FieldDef::text(QStringLiteral("ID"), 4), FieldDef::text(QStringLiteral("Info"), 0)});
    for (qsizetype i = 0; i < InfoTexts().size(); ++i)
        table.append({QString::number(i + 1), InfoTexts().at(i)});
    FilterOptions options;
    options.ignoreCase = true;
    options.partialCompare = true;
    table.setFilterOptions(options);
}

QStringList ShownIds(const DataTable& table)
{
    QStringList ids;
    for (int row = 0; row < table.recordCount(); ++row)
        ids << table.value(row, 0);
    return ids;
}

/// The rows the table's own filter shows.
QStringList GeneralPath(DataTable& table, const QString& expression)
{
    table.setFiltered(false);
    table.setFilter(expression);
    table.setFiltered(true);
    return ShownIds(table);
}

SearchTerms Terms(const QString& t1, const QString& t2 = {}, const QString& t3 = {},
                  const QString& exclude = {}, const QString& op1 = QStringLiteral("AND"),
                  const QString& op2 = QStringLiteral("AND"), bool german = false)
{
    SearchTerms terms;
    terms.term1 = t1;
    terms.term2 = t2;
    terms.term3 = t3;
    terms.exclude = exclude;
    terms.op1 = op1;
    terms.op2 = op2;
    terms.german = german;
    return terms;
}

} // namespace

class SearchTextsTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void sameRowsAsTheTable_data();
    void sameRowsAsTheTable();
    void textsFollowTheTable();
    void rejectedExpressionLeavesTheFilterOff();
};

void SearchTextsTest::sameRowsAsTheTable_data()
{
    QTest::addColumn<QString>("expression");
    QTest::addColumn<bool>("folded");     // answered from the folded texts
    QTest::addColumn<QStringList>("ids"); // what both show

    auto search = [](const char* name, const SearchTerms& terms, const QStringList& ids) {
        QTest::newRow(name) << SearchFilterExpression(terms) << true << ids;
    };
    search("umlaut, composed and decomposed", Terms(QStringLiteral("K\u00D6RPER")), {"1", "2"});
    search("decomposed term", Terms(QStringLiteral("ko\u0308rper")), {"1", "2"});
    search("sharp s is not SS", Terms(QStringLiteral("stra\u00DFe")), {"3"});
    search("SS is not sharp s", Terms(QStringLiteral("grosse")), {});
    search("capital sharp s", Terms(QStringLiteral("gro\u1E9Ee")), {"2"});
    search("micro sign and mu", Terms(QStringLiteral("5 \u03BCG")), {"4"});
    search("long s", Terms(QStringLiteral("SHORT")), {"4"});
    search("Kelvin sign", Terms(QStringLiteral("300 k")), {"4"});
    search("Angstrom sign", Terms(QStringLiteral("\u00E5ngstr\u00F6m \u00E5")), {"4"});
    search("final sigma", Terms(QStringLiteral("\u03C3\u03AF\u03C3\u03C5\u03C6\u03BF\u03C3")),
           {"6"});
    search("capital A umlaut", Terms(QStringLiteral("\u00E4rzte")), {"5"});
    search("surrogate pair", Terms(QStringLiteral("\U0001F600 HERE")), {"6"});
    search("case of a letter beyond the basic plane", Terms(QStringLiteral("\U00010428 DES")),
           {"6"});
    search("wildcard and escape characters", Terms(QStringLiteral("100% SURE_")), {"8"});
    search("backslash and quote", Terms(QStringLiteral("\\ back 'q")), {"8"});
    search("formatting codes", Terms(QStringLiteral("\\b bold")), {"8"});
    search("no match across two texts", Terms(QStringLiteral("body weight")), {"1", "12"});
    search("line end inside the term", Terms(QStringLiteral("water\r\nweight")), {"9"});
    search("three terms and an excluded one",
           Terms(QStringLiteral("body weight"), QStringLiteral("KINDER"),
                 QStringLiteral("drinking water"), QStringLiteral("erwachsene"),
                 QStringLiteral("AND"), QStringLiteral("OR")),
           {"1", "9"});
    search("and of or",
           Terms(QStringLiteral("\u00C4RZT"), QStringLiteral("water"), QStringLiteral("weight"),
                 QString(), QStringLiteral("OR"), QStringLiteral("AND")),
           {"9", "12"});
    search("only excluded", Terms({}, {}, {}, QStringLiteral("e")), {"4", "7"});
    search("German cut",
           Terms(QStringLiteral("gewichtxx"), {}, {}, {}, QStringLiteral("AND"),
                 QStringLiteral("AND"), true),
           {"1", "2"});

    auto raw = [](const char* name, const char* expression, bool folded, const QStringList& ids) {
        QTest::newRow(name) << QString::fromUtf8(expression) << folded << ids;
    };
    raw("empty pattern matches every text", "Info LIKE '%%'", true,
        {"1", "2", "3", "4", "5", "6", "7", "8", "9", "10", "11", "12"});
    raw("doubled wildcards", "Info LIKE '%%kinder%%' OR NOT (Info LIKE '%a%')", true,
        {"1", "2", "4", "6", "7", "10"});
    raw("two pieces in order", "Info LIKE '%body%weight%'", false, {"1", "12"});
    raw("anchored start", "Info LIKE 'body%'", false, {"1"});
    raw("whole text", "Info LIKE 'ght and starts the next\r\n'", false, {"11"});
    raw("another field", "ID LIKE '%1%' AND Info LIKE '%e%'", false, {"1", "10", "11", "12"});
    raw("an equality", "ID = '3' OR Info LIKE '%\u00C5NG%'", false, {"3", "4"});
    QTest::newRow("lone surrogate in a term")
        << QStringLiteral("Info LIKE '%") + QChar(0xD83D) + QStringLiteral("%'") << false
        << QStringList{"6"};
}

void SearchTextsTest::sameRowsAsTheTable()
{
    QFETCH(QString, expression);
    QFETCH(bool, folded);
    QFETCH(QStringList, ids);
    DataTable table;
    Fill(table);
    const QStringList general = GeneralPath(table, expression);

    SearchTexts texts;
    ApplySearchFilter(table, texts, expression);
    QVERIFY(table.isFiltered());
    QCOMPARE(table.filter(), expression);
    QCOMPARE(ShownIds(table), general);
    QCOMPARE(general, ids);

    // The rows came from the folded texts where the expression is a plain combination of
    // terms, and from the table's own filter otherwise.
    FilterExpression bound(expression);
    bound.bind(table.fields(), table.filterOptions());
    QCOMPARE(texts.Passes(bound).has_value(), folded);
}

void SearchTextsTest::textsFollowTheTable()
{
    DataTable first;
    Fill(first);
    const SearchTexts built = SearchTexts::Build(first);
    QVERIFY(built.Fits(first));
    QCOMPARE(built.rowCount(), int(InfoTexts().size()));

    // The same texts in another table (the file loaded again) are taken over.
    DataTable second;
    second.loadFromData(first.saveToData(PacketForm::Utf8), QStringLiteral("second"));
    second.setFilterOptions(first.filterOptions());
    SearchTexts adopted = built;
    QVERIFY(!adopted.Fits(second));
    QVERIFY(adopted.Adopt(second));
    QVERIFY(adopted.Fits(second));

    // A changed text: the texts no longer fit, are not taken over, and the search finds
    // the new text.
    second.moveTo(3);
    second.edit();
    second.setFieldText(QStringLiteral("Info"), QStringLiteral("now about Fl\u00FCsse"));
    second.post();
    QVERIFY(!adopted.Fits(second));
    SearchTexts stale = built;
    QVERIFY(!stale.Adopt(second));
    const QString expression = SearchFilterExpression(Terms(QStringLiteral("FL\u00DCSSE")));
    ApplySearchFilter(second, adopted, expression);
    QCOMPARE(ShownIds(second), QStringList{"3"});
    QVERIFY(adopted.Fits(second));

    // A table without Info texts: nothing to fold; the table's own filter reports the field.
    DataTable other;
    other.createDataSet({FieldDef::text(QStringLiteral("ID"), 4)});
    other.append({"1"});
    const SearchTexts none = SearchTexts::Build(other);
    QVERIFY(!none.Fits(other));
    SearchTexts texts;
    QVERIFY_THROWS_EXCEPTION(VeltraError, ApplySearchFilter(other, texts, expression));
}

void SearchTextsTest::rejectedExpressionLeavesTheFilterOff()
{
    DataTable table;
    Fill(table);
    SearchTexts texts;
    ApplySearchFilter(table, texts, QStringLiteral("Info LIKE '%kinder%'"));
    QCOMPARE(ShownIds(table), QStringList{"1"});
    QVERIFY_THROWS_EXCEPTION(VeltraError,
                             ApplySearchFilter(table, texts, QStringLiteral("Info LIKE")));
    QVERIFY(!table.isFiltered());
    QCOMPARE(table.recordCount(), int(InfoTexts().size()));
}

QTEST_GUILESS_MAIN(SearchTextsTest)
#include "SearchTexts_test.moc"
