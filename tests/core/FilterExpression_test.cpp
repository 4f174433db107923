// The filter language: comparisons, LIKE, NOT/AND/OR, options, errors and limits.
#include "data/FilterExpression.h"
#include "util/VeltraError.h"

#include <QtTest>

using namespace veltra;

namespace {

FieldDef field(const QString& name, FieldType type)
{
    FieldDef f;
    f.name = name;
    f.type = type;
    f.typeName = FieldDef::nameOfType(type);
    return f;
}

const QList<FieldDef> kFields = {
    field("Name", FieldType::String), field("Sex", FieldType::String),
    field("N", FieldType::Int32),     field("R", FieldType::Float),
    field("Code", FieldType::String), field("Info", FieldType::BinHex)};

const QList<QStringList> kRows = {
    {"Alpha", "M", "10", "1.5", "007", "Body weight of children"},
    {"beta", "F", "9", "", "7", QStringLiteral("it's 100% water, \u00C9T\u00C9")},
    {"O'Neil", "M", "", "2", "a_c\\d", ""},
    {"Alphabet", "A", "-3", "1.50", "", "weight\r\nchild"},
};

/// Names of the rows that pass, joined by ",".
QString passing(const QString& text, FilterOptions options)
{
    FilterExpression e(text);
    e.bind(kFields, options);
    QStringList names;
    for (const QStringList& row : kRows) {
        if (e.matches(row))
            names.append(row.at(0));
    }
    return names.join(u',');
}

QString errorOf(const QString& text)
{
    try {
        FilterExpression e(text);
        e.bind(kFields, FilterOptions());
    } catch (const VeltraError& e) {
        return e.message();
    }
    return QStringLiteral("(no error)");
}

} // namespace

class FilterExpressionTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void matches_data();
    void matches();
    void rejects_data();
    void rejects();
    void boundsNesting_data();
    void boundsNesting();
    void parsesLongExpression();
};

void FilterExpressionTest::matches_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("ignoreCase");
    QTest::addColumn<bool>("partial");
    QTest::addColumn<QString>("expected");

    const QString all = QStringLiteral("Alpha,beta,O'Neil,Alphabet");
    QTest::newRow("empty") << "" << false << false << all;
    QTest::newRow("blanks only") << " \t\n" << false << false << all;
    QTest::newRow("text equal") << "Name = 'Alpha'" << false << false << "Alpha";
    QTest::newRow("field names ignore case, values do not")
        << "name='alpha'" << false << false << "";
    QTest::newRow("ignore case") << "name='alpha'" << true << false << "Alpha";
    QTest::newRow("doubled quote") << "Name = 'O''Neil'" << false << false << "O'Neil";
    QTest::newRow("integer by number") << "N = 9" << false << false << "beta";
    QTest::newRow("negative number") << "N=-3" << false << false << "Alphabet";
    QTest::newRow("float by number") << "R = 1.5" << false << false << "Alpha,Alphabet";
    QTest::newRow("number against text field") << "Code = 7" << false << false << "beta";
    QTest::newRow("quoted number is text") << "R = '1.5'" << false << false << "Alpha";
    QTest::newRow("like whole text") << "Name LIKE 'Alpha'" << false << false << "Alpha";
    QTest::newRow("like prefix") << "Name LIKE 'Alpha%'" << false << false << "Alpha,Alphabet";
    QTest::newRow("like suffix") << "Name like '%a'" << false << false << "Alpha,beta";
    QTest::newRow("like pieces in order") << "Name LIKE 'A%a%t'" << false << false << "Alphabet";
    QTest::newRow("like anchors do not overlap") << "Sex LIKE 'M%M'" << false << false << "";
    QTest::newRow("like percent alone") << "Info LIKE '%'" << false << false << all;
    QTest::newRow("like across lines")
        << "Info LIKE '%weight%child%'" << false << false << "Alpha,Alphabet";
    QTest::newRow("like with case") << "Info LIKE '%Weight%'" << false << false << "";
    QTest::newRow("like ignoring case")
        << "Info LIKE '%WEIGHT%'" << true << false << "Alpha,Alphabet";
    QTest::newRow("like percent escaped")
        << "Info LIKE '%100\\%%' ESCAPE '\\'" << false << false << "beta";
    QTest::newRow("like escaped percent is no wildcard")
        << "Info LIKE '%of\\%children%' ESCAPE '\\'" << false << false << "";
    QTest::newRow("like escape character escaped")
        << "Code LIKE '%\\\\d' ESCAPE '\\'" << false << false << "O'Neil";
    QTest::newRow("like underscore is an ordinary character")
        << "Code LIKE 'a_c%'" << false << false << "O'Neil";
    QTest::newRow("like underscore is no single-character wildcard")
        << "Name LIKE 'Alph_'" << false << false << "";
    QTest::newRow("like any escape character, keyword in lower case")
        << "Code LIKE 'a!_c%' escape '!'" << false << false << "O'Neil";
    QTest::newRow("like without escape: backslash is ordinary")
        << "Code LIKE '%\\d'" << false << false << "O'Neil";
    QTest::newRow("like decomposed pattern, composed text")
        << QStringLiteral("Info LIKE '%e\u0301t\u00E9%'") << true << false << "beta";
    QTest::newRow("and binds tighter than or")
        << "Sex = 'M' OR Sex = 'F' AND N = 10" << false << false << "Alpha,O'Neil";
    QTest::newRow("parentheses") << "(Sex = 'M' OR Sex = 'F') AND N = 10" << false << false
                                 << "Alpha";
    QTest::newRow("not binds tightest") << "NOT Sex = 'M' AND N = 9" << false << false << "beta";
    QTest::newRow("lower-case keywords")
        << "not (sex='M' or sex='F')" << false << false << "Alphabet";
    QTest::newRow("double negation") << "NOT NOT Sex='A'" << false << false << "Alphabet";
    QTest::newRow("blanks anywhere") << "\t(  Sex\n=\r\n'A'  )  " << false << false << "Alphabet";
    QTest::newRow("search form")
        << "((Info LIKE '%weight%') AND (Info LIKE '%child%')) AND (NOT (Info LIKE '%Body%'))"
        << false << false << "Alphabet";
    QTest::newRow("star is literal without partial") << "Name = 'Alph*'" << false << false << "";
    QTest::newRow("partial compare") << "Name = 'Alph*'" << false << true << "Alpha,Alphabet";
    QTest::newRow("partial ignoring case") << "Name = 'aLPH*'" << true << true << "Alpha,Alphabet";
}

void FilterExpressionTest::matches()
{
    QFETCH(QString, text);
    QFETCH(bool, ignoreCase);
    QFETCH(bool, partial);
    QFETCH(QString, expected);
    FilterOptions options;
    options.ignoreCase = ignoreCase;
    options.partialCompare = partial;
    QCOMPARE(passing(text, options), expected);
}

void FilterExpressionTest::rejects_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("error");

    QTest::newRow("xor as operator") << "Name XOR 'a'"
                                     << "unknown operator \"XOR\" at position 6";
    QTest::newRow("xor between terms") << "Name = 'a' XOR Sex = 'M'"
                                       << "unknown operator \"XOR\" at position 12";
    QTest::newRow("not equal") << "Name <> 'a'"
                               << "unknown operator \"<>\" at position 6";
    QTest::newRow("unknown field") << "Sex='M' AND Nmae = 'a'"
                                   << "unknown field \"Nmae\" at position 13";
    QTest::newRow("unterminated string") << "Name = 'abc"
                                         << "unterminated string at position 8";
    QTest::newRow("missing parenthesis")
        << "(Name = 'a'"
        << "missing \")\" for the \"(\" at position 1, found end of expression at position 12";
    QTest::newRow("extra parenthesis") << "Name = 'a')"
                                       << "unexpected \")\" without \"(\" at position 11";
    QTest::newRow("trailing text") << "Name = 'a' 'b'"
                                   << "unexpected text 'b' at position 12";
    QTest::newRow("missing value") << "Name ="
                                   << "value expected, found end of expression at position 7";
    QTest::newRow("missing field") << "= 'a'"
                                   << "field name expected, found \"=\" at position 1";
    QTest::newRow("dangling and") << "Name = 'a' AND"
                                  << "field name expected, found end of expression at position 15";
    QTest::newRow("stray character") << "Name = 'a' # x"
                                     << "unexpected character \"#\" at position 12";
    QTest::newRow("field alone")
        << "Name"
        << "operator expected after \"Name\", found end of expression at position 5";
    QTest::newRow("escape of two characters")
        << "Name LIKE 'a' ESCAPE '\\\\'"
        << "one character in quotes expected after ESCAPE, found text '\\\\' at position 22";
    QTest::newRow("escape without its character")
        << "Name LIKE 'a' ESCAPE"
        << "one character in quotes expected after ESCAPE, found end of expression at position 21";
    QTest::newRow("escape character ends the pattern")
        << "Name LIKE 'ab\\' ESCAPE '\\'"
        << "escape character \"\\\" ends the pattern at position 24";
    QTest::newRow("escape after an equal comparison")
        << "Name = 'a' ESCAPE '\\'"
        << "unknown operator \"ESCAPE\" at position 12";
    QTest::newRow("empty parentheses") << "()"
                                       << "field name expected, found \")\" at position 2";
}

void FilterExpressionTest::rejects()
{
    QFETCH(QString, text);
    QFETCH(QString, error);
    QCOMPARE(errorOf(text), error);
}

void FilterExpressionTest::boundsNesting_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("error");

    const QString leaf = QStringLiteral("Sex='A'");
    QTest::newRow("200 parentheses")
        << QString(200, u'(') + leaf + QString(200, u')') << "(no error)";
    QTest::newRow("10000 parentheses")
        << QString(10000, u'(') + leaf + QString(10000, u')')
        << "filter expression nested deeper than 200 levels at position 201";
    QTest::newRow("10000 NOT") << QStringLiteral("NOT ").repeated(10000) + leaf
                               << "filter expression nested deeper than 200 levels at position 801";
    QTest::newRow("unclosed 100000")
        << QString(100000, u'(')
        << "filter expression nested deeper than 200 levels at position 201";
}

void FilterExpressionTest::boundsNesting()
{
    QFETCH(QString, text);
    QFETCH(QString, error);
    QCOMPARE(errorOf(text), error);
    if (error == QLatin1String("(no error)"))
        QCOMPARE(passing(text, FilterOptions()), QStringLiteral("Alphabet"));
}

void FilterExpressionTest::parsesLongExpression()
{
    QString text;
    for (int i = 0; text.size() < 100000; ++i)
        text += QStringLiteral("Name = 'x%1' OR ").arg(i);
    text += QStringLiteral("Name = 'beta'");
    QVERIFY(text.size() > 100000);
    QCOMPARE(passing(text, FilterOptions()), QStringLiteral("beta"));
}

QTEST_GUILESS_MAIN(FilterExpressionTest)
#include "FilterExpression_test.moc"
