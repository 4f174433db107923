// Conversion of GF lines into the ranked table of standard parameters.
#include "convert/ConvertParameterSets.h"
#include "util/NumberFormat.h"
#include "util/VeltraError.h"

#include <QTest>

using namespace veltra;

namespace {

const QString kHeader = QStringLiteral("  Rank   Distribution   KS/AP    Parameter");

// One table row built independently of the code under test: right-aligned
// columns of 6, 15 and 8 characters, two blanks, the parameter text.
QString Row(const QString& rank, const QString& distribution, const QString& fit,
            const QString& parameters)
{
    return rank.rightJustified(6) + distribution.rightJustified(15) + fit.rightJustified(8) +
           QStringLiteral("  ") + parameters;
}

QStringList Split(const QString& text)
{
    return text.split(u'\n', Qt::SkipEmptyParts);
}

} // namespace

class ConvertParameterSetsTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init() { SetDecimalSeparator(QChar(u'.')); }
    void cleanupTestCase() { SetDecimalSeparator(QChar(u'.')); }

    void storedDescriptions_data();
    void storedDescriptions();
    void lineRules_data();
    void lineRules();
    void floatingPointErrors_data();
    void floatingPointErrors();
};

void ConvertParameterSetsTest::storedDescriptions_data()
{
    QTest::addColumn<QChar>("separator");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("point")
        << QChar(u'.')
        << QStringList{kHeader,
                       "     0       GeneralF  0.0123    q=0.5,m1=1.2,m2=3.4,Lambda=0.7,p=2.1",
                       "     1  Loglogistisch  0.0456    q=0.93,Shape a=0.400, Scale b=0.400",
                       "     2          Gamma  0.5000    q=0.93,Shape a=2.500, Scale b=1.000",
                       "     3      Lognormal  0.1000    q=0.9,Mean m=0.693, SD s= 0.250",
                       "     4        Weibull  0.2000    q=0.8,Shape a=1.500, Scale b=0.500",
                       "     5    Exponential  0.3000    q=0.7,Lambda =0.250"};
    QTest::newRow("comma")
        << QChar(u',')
        << QStringList{kHeader,
                       "     0       GeneralF  0,0123    q=0.5,m1=1.2,m2=3.4,Lambda=0.7,p=2.1",
                       "     1  Loglogistisch  0,0456    q=0.93,Shape a=0,400, Scale b=0,400",
                       "     2          Gamma  0,5000    q=0.93,Shape a=2,500, Scale b=1,000",
                       "     3      Lognormal  0,1000    q=0.9,Mean m=0,693, SD s= 0,250",
                       "     4        Weibull  0,2000    q=0.8,Shape a=1,500, Scale b=0,500",
                       "     5    Exponential  0,3000    q=0.7,Lambda =0,250"};
}

void ConvertParameterSetsTest::storedDescriptions()
{
    QFETCH(QChar, separator);
    QFETCH(QStringList, expected);
    SetDecimalSeparator(separator);
    QStringList lines{"TYPE=GeneralF;",      "PT=0.5 1.2 3.4 0.7 2.1;", "KS=0.0123;",
                      "TYPE=Loglogistisch;", "PT=0.93 2.5 0.4;",        "KS=0.0456;",
                      "TYPE=Gamma;",         "PT=0.93 2.5 0.4;",        "AP=0.5;",
                      "TYPE=Lognormal;",     "PT=0.9 0.5 4;",           "KS=0.1;",
                      "TYPE=Weibull;",       "PT=0.8,2|1.5;",           "KS=0.2;",
                      "TYPE=Exponential;",   "PT=0.7 0.25 9;",          "KS=0.3;"};
    const GeneratorResult result = ConvertParameterSets(lines);
    QVERIFY(result.complete());
    QCOMPARE(result.error, QString());
    QCOMPARE(result.lines, expected);
}

void ConvertParameterSetsTest::lineRules_data()
{
    QTest::addColumn<QString>("input");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("empty list") << "" << QStringList{kHeader};
    QTest::newRow("unrecognised lines")
        << "no equals sign\nTYPE\nPT 1 2 3\nks=0.5;\nKS =0.5;\n KS=0.5;\nFOO=1;"
        << QStringList{kHeader};
    QTest::newRow("fit line before any description")
        << "KS=0.05;" << QStringList{kHeader, Row("Rank", "Distribution", "0.0500", "Parameter")};
    QTest::newRow("blanks around type and parameter keys")
        << "  TYPE  = Gamma ;\n PT =0.93 2.5 0.4;\nAP=0.0456;"
        << QStringList{kHeader,
                       Row("0", "Gamma", "0.0456", "  q=0.93,Shape a=2.500, Scale b=1.000")};
    QTest::newRow("value without terminator keeps its last character")
        << "TYPE=Weibull\nPT=1 2 3\nKS=0.0123"
        << QStringList{kHeader,
                       Row("0", "Weibull", "0.0123", "  q=1,Shape a=3.000, Scale b=0.500")};
    QTest::newRow("CR terminator")
        << "TYPE=Exponential\r\nPT=0.7 0.25\r\nKS=0.0123\r"
        << QStringList{kHeader, Row("0", "Exponential", "0.0123", "  q=0.7,Lambda =0.250")};
    QTest::newRow("terminator outside the 16-bit range")
        << QStringLiteral("TYPE=Exponential\U0001F600\nPT=0.7 0.25\U0001F600\nKS=0.5\U0001F600")
        << QStringList{kHeader, Row("0", "Exponential", "0.5000", "  q=0.7,Lambda =0.250")};
    QTest::newRow("GeneralF words copied as text")
        << "TYPE=GeneralF;\nPT=1.50 2e1 x 0;\nKS=1;"
        << QStringList{kHeader, Row("0", "GeneralF", "1.0000", "  q=1.50,m1=2e1,m2=x,Lambda=0,p=")};
    QTest::newRow("unknown name repeats the previous parameters")
        << "TYPE=Weibull;\nPT=1 2 3;\nKS=0.1;\nTYPE=gamma;\nPT=9 9 9;\nKS=0.2;"
        << QStringList{kHeader, Row("0", "Weibull", "0.1000", "  q=1,Shape a=3.000, Scale b=0.500"),
                       Row("1", "gamma", "0.2000", "  q=1,Shape a=3.000, Scale b=0.500")};
    QTest::newRow("two fit lines share a rank")
        << "TYPE=Exponential;\nPT=1 0.5;\nKS=0.1;\nAP=0.2;\nTYPE=Exponential;\nPT=2 4;\nKS=0.3;"
        << QStringList{kHeader, Row("0", "Exponential", "0.1000", "  q=1,Lambda =0.500"),
                       Row("0", "Exponential", "0.2000", "  q=1,Lambda =0.500"),
                       Row("2", "Exponential", "0.3000", "  q=2,Lambda =4.000")};
    QTest::newRow("Weibull with two words")
        << "TYPE=Weibull;\nPT=1 4;\nKS=0.1;"
        << QStringList{kHeader,
                       Row("0", "Weibull", "0.1000", "  q=1,Shape a=0.000, Scale b=0.250")};
    QTest::newRow("halfway shape rounds away from zero")
        << "TYPE=Loglogistisch;\nPT=1 2 0.0625;\nKS=0.1;"
        << QStringList{kHeader,
                       Row("0", "Loglogistisch", "0.1000", "  q=1,Shape a=0.063, Scale b=0.500")};
    QTest::newRow("fit statistic with nine integer digits")
        << "TYPE=Exponential;\nPT=1 2;\nKS=123456789;"
        << QStringList{kHeader, Row("0", "Exponential", "1.2345679E0008", "  q=1,Lambda =2.000")};
    QTest::newRow("Lognormal of 1 has no negative zero")
        << "TYPE=Lognormal;\nPT=1 1 8;\nKS=0.5;"
        << QStringList{kHeader, Row("0", "Lognormal", "0.5000", "  q=1,Mean m=0.000, SD s= 0.125")};
}

void ConvertParameterSetsTest::lineRules()
{
    QFETCH(QString, input);
    QFETCH(QStringList, expected);
    const GeneratorResult result = ConvertParameterSets(Split(input));
    QVERIFY(result.complete());
    QCOMPARE(result.lines, expected);
}

void ConvertParameterSetsTest::floatingPointErrors_data()
{
    QTest::addColumn<QString>("description");
    QTest::addColumn<QString>("message");
    const QString divByZero = QStringLiteral("Floating point division by zero");
    const QString invalid = QStringLiteral("Invalid floating point operation");
    const QString overflow = QStringLiteral("Floating point overflow");
    QTest::newRow("Loglogistisch second word 0") << "TYPE=Loglogistisch;\nPT=1 0 2;" << divByZero;
    QTest::newRow("Weibull second word missing") << "TYPE=Weibull;\nPT=1;" << divByZero;
    QTest::newRow("Gamma third word 0") << "TYPE=Gamma;\nPT=1 2 0;" << divByZero;
    QTest::newRow("Lognormal third word 0") << "TYPE=Lognormal;\nPT=1 2 0;" << divByZero;
    QTest::newRow("Lognormal log of 0") << "TYPE=Lognormal;\nPT=1 0 2;" << divByZero;
    QTest::newRow("Lognormal log of a negative") << "TYPE=Lognormal;\nPT=1 -2 2;" << invalid;
    QTest::newRow("Gamma product overflows") << "TYPE=Gamma;\nPT=1 1e200 1e200;" << overflow;
    QTest::newRow("Weibull reciprocal overflows") << "TYPE=Weibull;\nPT=1 1e-310 2;" << overflow;
    QTest::newRow("Lognormal log of infinity") << "TYPE=Lognormal;\nPT=1 1e999 2;" << overflow;
}

void ConvertParameterSetsTest::floatingPointErrors()
{
    QFETCH(QString, description);
    QFETCH(QString, message);
    // One complete row before the failing description, one line after it.
    // The description's PT line is input line 4 (0-based).
    const GeneratorResult result =
        ConvertParameterSets(Split("TYPE=Exponential;\nPT=1 2;\nKS=0.1;\n" + description +
                                   "\nKS=0.2;\nTYPE=Exponential;\nPT=3 4;\nKS=0.3;"));
    QVERIFY(!result.complete());
    QCOMPARE(result.error, message);
    QCOMPARE(result.stopRow.value_or(-1), 4);
    QCOMPARE(result.lines,
             QStringList({kHeader, Row("0", "Exponential", "0.1000", "  q=1,Lambda =2.000")}));
}

QTEST_GUILESS_MAIN(ConvertParameterSetsTest)
#include "ConvertParameterSets_test.moc"
