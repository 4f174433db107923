// Text routines, number formatting, NaN helpers and locale texts.
#include "util/IEEE754.h"
#include "util/LocaleText.h"
#include "util/NumberFormat.h"
#include "util/TextLines.h"
#include "util/VeltraError.h"
#include "util/uString.h"

#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QTemporaryDir>
#include <QTest>
#include <bit>
#include <cstdint>
#include <limits>

using namespace veltra;

namespace {
const double kInf = std::numeric_limits<double>::infinity();

const CharSet& DelimsByName(const QString& name)
{
    return name == u"list" ? ListDelimiters : StandardWordDelimiters;
}
} // namespace

class uStringTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init() { SetDecimalSeparator(QChar(u'.')); }
    void cleanupTestCase() { SetDecimalSeparator(QChar(u'.')); }

    void charSets_data();
    void charSets();
    void textAroundChar_data();
    void textAroundChar();
    void padding_data();
    void padding();
    void extractWord_data();
    void extractWord();
    void wordCount_data();
    void wordCount();
    void extractWordValue_data();
    void extractWordValue();
    void numberTexts_data();
    void numberTexts();
    void identifierText_data();
    void identifierText();
    void countOccurrences_data();
    void countOccurrences();
    void replace_data();
    void replace();
    void replaceExtension_data();
    void replaceExtension();
    void trimming_data();
    void trimming();
    void blanksToTabs_data();
    void blanksToTabs();
    void upperCaseLines();
    void formatFixedWidth_data();
    void formatFixedWidth();
    void formatExponentSigned_data();
    void formatExponentSigned();
    void ieee754_data();
    void ieee754();
    void removeTimeZoneFormat_data();
    void removeTimeZoneFormat();
    void dateTimeText_data();
    void dateTimeText();
    void changeDateText_data();
    void changeDateText();
    void shownLines_data();
    void shownLines();
    void getFileInfo();
    void getFileInfoMissingFile();
};

void uStringTest::charSets_data()
{
    QTest::addColumn<QString>("delims");
    QTest::addColumn<QString>("members");
    QTest::addColumn<QString>("others");
    QTest::newRow("standard") << "standard" << QStringLiteral("\t\n\r ,|")
                              << QStringLiteral(";.a\x0b") + QChar(300) + QChar(0x109);
    QTest::newRow("list") << "list" << QStringLiteral(",;")
                          << QStringLiteral(" |\t") + QChar(0x12C) + QChar(0x13B);
}

void uStringTest::charSets()
{
    QFETCH(QString, delims);
    QFETCH(QString, members);
    QFETCH(QString, others);
    const CharSet& set = DelimsByName(delims);
    for (QChar c : members)
        QVERIFY2(set.contains(c), qPrintable(QString::number(c.unicode())));
    // Characters above 255 whose low byte is a member must stay outside.
    for (QChar c : others)
        QVERIFY2(!set.contains(c), qPrintable(QString::number(c.unicode())));
}

void uStringTest::textAroundChar_data()
{
    QTest::addColumn<QString>("s");
    QTest::addColumn<QString>("after");
    QTest::addColumn<QString>("before");
    QTest::newRow("type line") << "TYPE=Gamma;"
                               << "Gamma;"
                               << "TYPE";
    QTest::newRow("later occurrences") << "a=b=c"
                                       << "b=c"
                                       << "a";
    QTest::newRow("at the start") << "=x"
                                  << "x"
                                  << "";
    QTest::newRow("at the end") << "x="
                                << ""
                                << "x";
    QTest::newRow("missing") << "TYPE Gamma"
                             << ""
                             << "";
    QTest::newRow("empty") << ""
                           << ""
                           << "";
}

void uStringTest::textAroundChar()
{
    QFETCH(QString, s);
    QFETCH(QString, after);
    QFETCH(QString, before);
    QCOMPARE(TextAfterChar(s, u'='), after);
    QCOMPARE(TextBeforeChar(s, u'='), before);
}

void uStringTest::padding_data()
{
    QTest::addColumn<QString>("result");
    QTest::addColumn<QString>("expected");
    QTest::newRow("pad") << PadLeftTo("KS/AP", 8) << "   KS/AP";
    QTest::newRow("pad exact") << PadLeftTo("KS/AP", 5) << "KS/AP";
    QTest::newRow("pad never cuts") << PadLeftTo("0123456789", 8) << "0123456789";
    QTest::newRow("pad negative width") << PadLeftTo("a", -3) << "a";
    QTest::newRow("blanks") << Blanks(3) << "   ";
    QTest::newRow("blanks zero") << Blanks(0) << "";
    QTest::newRow("blanks negative") << Blanks(-2) << "";
    QTest::newRow("int zero") << FormatIntWidth(0, 6) << "     0";
    QTest::newRow("int negative uncut") << FormatIntWidth(-12, 2) << "-12";
    QTest::newRow("int min") << FormatIntWidth(std::numeric_limits<qint32>::min(), 12)
                             << " -2147483648";
}

void uStringTest::padding()
{
    QFETCH(QString, result);
    QFETCH(QString, expected);
    QCOMPARE(result, expected);
}

void uStringTest::extractWord_data()
{
    QTest::addColumn<QString>("s");
    QTest::addColumn<int>("n");
    QTest::addColumn<QString>("delims");
    QTest::addColumn<QString>("expected");
    const QString gf = QStringLiteral("  1.5,2|3");
    QTest::newRow("first") << gf << 1 << "standard"
                           << "1.5";
    QTest::newRow("second") << gf << 2 << "standard"
                            << "2";
    QTest::newRow("last") << gf << 3 << "standard"
                          << "3";
    QTest::newRow("beyond") << gf << 4 << "standard"
                            << "";
    QTest::newRow("zero: leading delimiters") << gf << 0 << "standard"
                                              << "  ";
    QTest::newRow("zero: no leading delimiters") << "a b" << 0 << "standard"
                                                 << "";
    QTest::newRow("zero: only delimiters") << " ,|" << 0 << "standard"
                                           << " ,|";
    QTest::newRow("negative") << gf << -1 << "standard"
                              << "";
    QTest::newRow("empty") << "" << 1 << "standard"
                           << "";
    QTest::newRow("runs of delimiters") << "a,, \t\r\nb" << 2 << "standard"
                                        << "b";
    QTest::newRow("list keeps blanks") << " alpha beta; gamma" << 1 << "list"
                                       << " alpha beta";
    QTest::newRow("list second") << " alpha beta; gamma" << 2 << "list"
                                 << " gamma";
}

void uStringTest::extractWord()
{
    QFETCH(QString, s);
    QFETCH(int, n);
    QFETCH(QString, delims);
    QFETCH(QString, expected);
    QCOMPARE(ExtractWord(s, n, DelimsByName(delims)), expected);
}

void uStringTest::wordCount_data()
{
    QTest::addColumn<QString>("s");
    QTest::addColumn<QString>("delims");
    QTest::addColumn<int>("expected");
    QTest::newRow("gf words") << "  1.5,2|3"
                              << "standard" << 3;
    QTest::newRow("trailing delimiters") << "a b  "
                                         << "standard" << 2;
    QTest::newRow("empty") << ""
                           << "standard" << 0;
    QTest::newRow("only delimiters") << " ,| "
                                     << "standard" << 0;
    QTest::newRow("stops at a single blank word") << "a, ,b"
                                                  << "list" << 1;
    QTest::newRow("two blanks are a word") << "a,  ,b"
                                           << "list" << 3;
}

void uStringTest::wordCount()
{
    QFETCH(QString, s);
    QFETCH(QString, delims);
    QFETCH(int, expected);
    QCOMPARE(WordCount(s, DelimsByName(delims)), qsizetype(expected));
}

void uStringTest::extractWordValue_data()
{
    QTest::addColumn<QString>("s");
    QTest::addColumn<int>("n");
    QTest::addColumn<QString>("delims");
    QTest::addColumn<double>("expected");
    QTest::newRow("missing word") << "1 2" << 3 << "standard" << 0.0;
    QTest::newRow("empty text") << "" << 1 << "standard" << 0.0;
    QTest::newRow("exponent") << "2.5E1" << 1 << "standard" << 25.0;
    QTest::newRow("lower-case exponent") << "1e-3" << 1 << "standard" << 0.001;
    QTest::newRow("signed exponent") << "1E+2" << 1 << "standard" << 100.0;
    QTest::newRow("negative") << "-2.5" << 1 << "standard" << -2.5;
    QTest::newRow("no integer part") << "+.5" << 1 << "standard" << 0.5;
    QTest::newRow("no fraction part") << "5." << 1 << "standard" << 5.0;
    QTest::newRow("third word") << "  1.5,2|3" << 3 << "standard" << 3.0;
    QTest::newRow("leading blanks") << " 7;x" << 1 << "list" << 7.0;
    QTest::newRow("many digits") << "123456789012345678901234567890" << 1 << "standard"
                                 << 1.2345678901234568e29;
    QTest::newRow("long fraction with exponent") << "0.0001e310" << 1 << "standard" << 1e306;
    // Words that do not follow the number form: the mantissa digits read so far.
    QTest::newRow("12a") << "12a" << 1 << "standard" << 12.0;
    QTest::newRow("-3x") << "-3x" << 1 << "standard" << 3.0;
    QTest::newRow("1.5x") << "1.5x" << 1 << "standard" << 15.0;
    QTest::newRow("abc") << "abc" << 1 << "standard" << 0.0;
    QTest::newRow("exponent without digits") << "-1.5E" << 1 << "standard" << 15.0;
    QTest::newRow("bad exponent") << "2.5e+x" << 1 << "standard" << 25.0;
    QTest::newRow("decimal comma") << "1;5" << 1 << "standard" << 1.0;
    QTest::newRow("trailing blank") << " -7 ;x" << 1 << "list" << 7.0;
    // Beyond the range of doubles.
    QTest::newRow("overflow") << "1e999" << 1 << "standard" << kInf;
    QTest::newRow("negative overflow") << "-1.5e309" << 1 << "standard" << -kInf;
    QTest::newRow("huge exponent") << "1e99999999999999999999999" << 1 << "standard" << kInf;
    QTest::newRow("underflow") << "1e-999" << 1 << "standard" << 0.0;
    QTest::newRow("huge negative exponent") << "1e-99999999999999999999" << 1 << "standard" << 0.0;
    QTest::newRow("400 digits") << "1" + QString(400, u'0') << 1 << "standard" << kInf;
    QTest::newRow("400 digits fallback")
        << "1" + QString(400, u'0') + "x" << 1 << "standard" << kInf;
}

void uStringTest::extractWordValue()
{
    QFETCH(QString, s);
    QFETCH(int, n);
    QFETCH(QString, delims);
    QFETCH(double, expected);
    QCOMPARE(ExtractWordValue(s, n, DelimsByName(delims)), expected);
}

void uStringTest::numberTexts_data()
{
    QTest::addColumn<QString>("s");
    QTest::addColumn<bool>("point");
    QTest::addColumn<bool>("comma");
    QTest::newRow("-1.5") << "-1.5" << true << false;
    QTest::newRow("1.5.2") << "1.5.2" << false << false;
    QTest::newRow("1E-5") << "1E-5" << false << false;
    QTest::newRow("1E+5") << "1E+5" << true << true;
    QTest::newRow("lower-case e") << "1e5" << false << false;
    QTest::newRow("empty") << "" << true << true;
    QTest::newRow("1,5") << "1,5" << false << true;
    QTest::newRow("1,5,2") << "1,5,2" << false << false;
    QTest::newRow("blank") << "1 5" << false << false;
    QTest::newRow("plus inside") << "1+5" << true << true;
}

void uStringTest::numberTexts()
{
    QFETCH(QString, s);
    QFETCH(bool, point);
    QFETCH(bool, comma);
    QCOMPARE(IsNumberTextPoint(s), point);
    QCOMPARE(IsNumberTextComma(s), comma);
}

void uStringTest::identifierText_data()
{
    QTest::addColumn<QString>("s");
    QTest::addColumn<bool>("expected");
    QTest::newRow("blanks only") << "   " << false;
    QTest::newRow("empty") << "" << false;
    QTest::newRow("surrounded by blanks") << "  Abc_1  " << true;
    QTest::newRow("inner blank") << "Abc 1" << false;
    QTest::newRow("umlaut") << QStringLiteral("Gr\u00f6\u00dfe") << false;
    QTest::newRow("hyphen") << "a-b" << false;
}

void uStringTest::identifierText()
{
    QFETCH(QString, s);
    QFETCH(bool, expected);
    QCOMPARE(IsIdentifierText(s), expected);
}

void uStringTest::countOccurrences_data()
{
    QTest::addColumn<QString>("s");
    QTest::addColumn<QString>("sub");
    QTest::addColumn<int>("expected");
    QTest::newRow("commas") << "1,2,3"
                            << "," << 2;
    QTest::newRow("sub longer") << "ab"
                                << "abc" << 0;
    QTest::newRow("overlapping") << "aaaa"
                                 << "aa" << 3;
    QTest::newRow("empty sub") << "abc"
                               << "" << 4;
    QTest::newRow("both empty") << ""
                                << "" << 1;
    QTest::newRow("whole text") << "abc"
                                << "abc" << 1;
}

void uStringTest::countOccurrences()
{
    QFETCH(QString, s);
    QFETCH(QString, sub);
    QFETCH(int, expected);
    QCOMPARE(CountOccurrences(s, sub), qsizetype(expected));
}

void uStringTest::replace_data()
{
    QTest::addColumn<QString>("s");
    QTest::addColumn<QString>("oldText");
    QTest::addColumn<QString>("newText");
    QTest::addColumn<QString>("first");
    QTest::addColumn<QString>("all");
    QTest::newRow("commas") << "1,2,,3"
                            << ","
                            << " "
                            << "1 2,,3"
                            << "1 2  3";
    QTest::newRow("missing") << "abc"
                             << "x"
                             << "y"
                             << "abc"
                             << "abc";
    QTest::newRow("empty old") << "abc"
                               << ""
                               << "y"
                               << "abc"
                               << "abc";
    QTest::newRow("equal texts") << "abc"
                                 << "b"
                                 << "b"
                                 << "abc"
                                 << "abc";
    // Searching again from the start replaces occurrences that replacing made.
    QTest::newRow("new occurrences") << "aabb"
                                     << "ab"
                                     << ""
                                     << "ab"
                                     << "";
    QTest::newRow("across the start") << "xaab"
                                      << "ab"
                                      << "b"
                                      << "xab"
                                      << "xb";
    // A new text holding the old one replaces each original occurrence once.
    QTest::newRow("new contains old") << "a-a"
                                      << "a"
                                      << "aa"
                                      << "aa-a"
                                      << "aa-aa";
}

void uStringTest::replace()
{
    QFETCH(QString, s);
    QFETCH(QString, oldText);
    QFETCH(QString, newText);
    QFETCH(QString, first);
    QFETCH(QString, all);
    QCOMPARE(ReplaceFirst(s, oldText, newText), first);
    QCOMPARE(ReplaceAll(s, oldText, newText), all);
}

void uStringTest::replaceExtension_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("ext");
    QTest::addColumn<QString>("expected");
    QTest::newRow("txt") << "daten.txt"
                         << "xml"
                         << "daten.xml";
    QTest::newRow("first dot") << "a.b.c"
                               << "xml"
                               << "a.xml";
    QTest::newRow("no dot") << "daten"
                            << "xml"
                            << "datenxml";
    QTest::newRow("long extension") << "daten.txt"
                                    << "xmlx"
                                    << "daten.xml";
    QTest::newRow("empty extension") << "daten.txt"
                                     << ""
                                     << "daten.";
    QTest::newRow("path with a dotted folder") << "/home/ana/.local/db/ef0001.xml"
                                               << "txt"
                                               << "/home/ana/.local/db/ef0001.txt";
    QTest::newRow("empty path") << ""
                                << "xml"
                                << "xml";
}

void uStringTest::replaceExtension()
{
    QFETCH(QString, path);
    QFETCH(QString, ext);
    QFETCH(QString, expected);
    // ReplaceFileExtension looks at the file name only; on a bare name both agree.
    if (!path.contains(u'/'))
        QCOMPARE(ReplaceExtension(path, ext), expected);
    QCOMPARE(ReplaceFileExtension(path, ext), expected);
}

void uStringTest::trimming_data()
{
    QTest::addColumn<QString>("s");
    QTest::addColumn<QString>("left");
    QTest::addColumn<QString>("right");
    QTest::addColumn<QString>("both");
    QTest::addColumn<QString>("collapsed");
    QTest::newRow("blanks") << "  a  b   c  "
                            << "a  b   c  "
                            << "  a  b   c"
                            << "a  b   c"
                            << "a b c";
    QTest::newRow("controls") << QStringLiteral("\t\r\n\x01 a\t ") << "a\t "
                              << "\t\r\n\x01 a\t"
                              << "a\t"
                              << "a\t";
    QTest::newRow("one blank") << " "
                               << ""
                               << ""
                               << ""
                               << " ";
    QTest::newRow("one character") << "x"
                                   << "x"
                                   << "x"
                                   << "x"
                                   << "x";
    QTest::newRow("tabs stay") << "a\t\tb"
                               << "a\t\tb"
                               << "a\t\tb"
                               << "a\t\tb"
                               << "a\t\tb";
    QTest::newRow("empty") << ""
                           << ""
                           << ""
                           << ""
                           << "";
}

void uStringTest::trimming()
{
    QFETCH(QString, s);
    QFETCH(QString, left);
    QFETCH(QString, right);
    QFETCH(QString, both);
    QFETCH(QString, collapsed);
    QCOMPARE(TrimLeftText(s), left);
    QCOMPARE(TrimRightBlanks(s), right);
    QCOMPARE(TrimBlanks(s), both);
    QCOMPARE(CollapseBlanks(s), collapsed);
}

void uStringTest::blanksToTabs_data()
{
    QTest::addColumn<QString>("s");
    QTest::addColumn<QString>("expected");
    QTest::newRow("cells") << "  a  b,c "
                           << "a\tb\tc";
    QTest::newRow("decimal comma splits") << "   1,5    2.5"
                                          << "1\t5\t2.5";
    QTest::newRow("leading control") << "\t a b"
                                     << "a\tb";
    QTest::newRow("one blank") << " "
                               << "";
    QTest::newRow("empty") << ""
                           << "";
}

void uStringTest::blanksToTabs()
{
    QFETCH(QString, s);
    QFETCH(QString, expected);
    QCOMPARE(BlanksToTabs(s), expected);
    QStringList lines{s, s};
    BlanksToTabsLines(lines);
    QCOMPARE(lines, QStringList({expected, expected}));
}

void uStringTest::upperCaseLines()
{
    QStringList lines{QStringLiteral("abc xyz_09"), QStringLiteral("Gr\u00f6\u00dfe"), QString()};
    UpperCaseLines(lines);
    QCOMPARE(lines, QStringList({QStringLiteral("ABC XYZ_09"), QStringLiteral("GR\u00f6\u00dfE"),
                                 QString()}));
}

void uStringTest::formatFixedWidth_data()
{
    QTest::addColumn<double>("x");
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("decimals");
    QTest::addColumn<QChar>("separator");
    QTest::addColumn<QString>("expected");
    const QChar pt(u'.');
    const QChar cm(u',');
    QTest::newRow("fit value") << 0.0456 << 8 << 4 << pt << "  0.0456";
    QTest::newRow("fit value comma") << 0.0456 << 8 << 4 << cm << "  0,0456";
    QTest::newRow("negative") << -1.5 << 8 << 4 << pt << " -1.5000";
    QTest::newRow("negative comma") << -1.5 << 8 << 4 << cm << " -1,5000";
    QTest::newRow("half away from zero") << 0.0625 << 10 << 3 << pt << "     0.063";
    QTest::newRow("negative half") << -0.0625 << 10 << 3 << pt << "    -0.063";
    // 1000.005 is 1000.00499999999999545... in binary; rounded to 18 digits
    // first it is a halfway case.
    QTest::newRow("18 digits first") << 1000.005 << 10 << 2 << pt << "   1000.01";
    QTest::newRow("below half") << 2.675 << 8 << 2 << pt << "    2.67";
    QTest::newRow("no decimals") << 2.5 << 6 << 0 << pt << "     3";
    QTest::newRow("negative no decimals") << -2.5 << 6 << 0 << pt << "    -3";
    QTest::newRow("rounds to zero without sign") << -0.0004 << 8 << 3 << pt << "   0.000";
    QTest::newRow("negative zero") << -0.0 << 6 << 2 << pt << "  0.00";
    QTest::newRow("tiny") << 1e-300 << 8 << 3 << pt << "   0.000";
    QTest::newRow("carry into integer") << 9.9996 << 8 << 3 << pt << "  10.000";
    QTest::newRow("significant digits limit") << 123.456789 << 5 << 4 << pt << "123.4600";
    QTest::newRow("18 decimals") << 0.1 << 20 << 18 << pt << "0.100000000000000006";
    QTest::newRow("decimals above 18") << 0.5 << 4 << 30 << pt << "0.500000000000000000";
    QTest::newRow("negative decimals") << 2.25 << 4 << -2 << pt << "   2";
    QTest::newRow("width below 2") << 5.5 << 1 << 0 << pt << "6";
    QTest::newRow("exactly P integer digits") << 12345678.0 << 8 << 4 << pt << "12345678.0000";
    // More integer digits than significant digits: scientific form.
    QTest::newRow("fallback") << 123456789.0 << 8 << 4 << pt << "1.2345679E0008";
    QTest::newRow("fallback comma") << 123456789.0 << 8 << 4 << cm << "1,2345679E0008";
    QTest::newRow("fallback negative") << -123456789.0 << 8 << 2 << pt << "-1.2345679E08";
    QTest::newRow("fallback one digit") << 1e9 << 8 << 4 << pt << "  1E0009";
    QTest::newRow("fallback many decimals") << 123456789.0 << 8 << 6 << pt << "1.2345679E8";
    QTest::newRow("fallback after carry") << 99999999.6 << 8 << 4 << pt << "  1E0008";
    QTest::newRow("fallback no decimals") << 123.0 << 0 << 0 << pt << "1.2E2";
    QTest::newRow("fallback wide exponent") << 1e300 << 10 << 2 << pt << "     1E300";
    QTest::newRow("nan") << std::numeric_limits<double>::quiet_NaN() << 6 << 2 << pt << "   NAN";
    QTest::newRow("inf") << kInf << 6 << 2 << pt << "   INF";
    QTest::newRow("minus inf") << -kInf << 6 << 2 << pt << "  -INF";
}

void uStringTest::formatFixedWidth()
{
    QFETCH(double, x);
    QFETCH(int, width);
    QFETCH(int, decimals);
    QFETCH(QChar, separator);
    QFETCH(QString, expected);
    SetDecimalSeparator(separator);
    QCOMPARE(FormatFixedWidth(x, width, decimals), expected);
}

void uStringTest::formatExponentSigned_data()
{
    QTest::addColumn<double>("x");
    QTest::addColumn<int>("precision");
    QTest::addColumn<int>("expDigits");
    QTest::addColumn<QChar>("separator");
    QTest::addColumn<QString>("expected");
    const QChar pt(u'.');
    const QChar cm(u',');
    QTest::newRow("negative small") << -0.00123 << 3 << 2 << pt << " -1.23E-03";
    QTest::newRow("negative small comma") << -0.00123 << 3 << 2 << cm << " -1,23E-03";
    QTest::newRow("positive") << 1234.0 << 3 << 2 << pt << "  1.23E+03";
    QTest::newRow("positive comma") << 1234.0 << 3 << 2 << cm << "  1,23E+03";
    QTest::newRow("zero") << 0.0 << 3 << 2 << pt << "  0.00E+00";
    QTest::newRow("negative zero") << -0.0 << 3 << 2 << pt << "  0.00E+00";
    QTest::newRow("half away from zero") << 12345.0 << 4 << 6 << pt << "  1.235E+4";
    QTest::newRow("carry") << 9.9951 << 3 << 2 << pt << "  1.00E+01";
    QTest::newRow("fills zeros") << 1.5 << 5 << 3 << pt << "  1.5000E+000";
    QTest::newRow("precision below 2") << 1.5 << 1 << 2 << pt << "  1.5E+00";
    QTest::newRow("precision above 18") << 0.1 << 30 << 1 << pt << "  1.00000000000000006E-1";
    QTest::newRow("wide exponent") << 1e-100 << 2 << 2 << pt << "  1.0E-100";
    QTest::newRow("nan") << std::numeric_limits<double>::quiet_NaN() << 3 << 2 << pt << "  NAN";
    QTest::newRow("inf") << kInf << 3 << 2 << pt << "  INF";
    QTest::newRow("minus inf") << -kInf << 3 << 2 << pt << " -INF";
}

void uStringTest::formatExponentSigned()
{
    QFETCH(double, x);
    QFETCH(int, precision);
    QFETCH(int, expDigits);
    QFETCH(QChar, separator);
    QFETCH(QString, expected);
    SetDecimalSeparator(separator);
    QCOMPARE(FormatExponentSigned(x, precision, expDigits), expected);
}

void uStringTest::ieee754_data()
{
    QTest::addColumn<quint64>("bits");
    QTest::addColumn<bool>("isNaN");
    QTest::newRow("constant") << std::bit_cast<quint64>(NaNValue()) << true;
    QTest::newRow("highest fraction bit") << quint64(0x7FF8000000000000ULL) << true;
    QTest::newRow("lowest fraction bit, negative") << quint64(0xFFF0000000000001ULL) << true;
    QTest::newRow("plus infinity") << quint64(0x7FF0000000000000ULL) << false;
    QTest::newRow("minus infinity") << quint64(0xFFF0000000000000ULL) << false;
    QTest::newRow("largest double") << quint64(0x7FEFFFFFFFFFFFFFULL) << false;
    QTest::newRow("zero") << quint64(0) << false;
}

void uStringTest::ieee754()
{
    QFETCH(quint64, bits);
    QFETCH(bool, isNaN);
    QCOMPARE(IsNaNValue(std::bit_cast<double>(bits)), isNaN);
    QCOMPARE(std::bit_cast<quint64>(NaNValue()), quint64(0x7FFFFFFFFFFFFFFFULL));
}

void uStringTest::removeTimeZoneFormat_data()
{
    QTest::addColumn<QString>("format");
    QTest::addColumn<QString>("expected");
    QTest::newRow("trailing zone") << "HH:mm:ss t"
                                   << "HH:mm:ss";
    QTest::newRow("am/pm") << "h:mm:ss AP t"
                           << "h:mm:ss AP";
    QTest::newRow("leading zone") << "t HH:mm:ss"
                                  << "HH:mm:ss";
    QTest::newRow("zone in parentheses") << "HH:mm:ss (t)"
                                         << "HH:mm:ss";
    QTest::newRow("long zone") << "HH:mm:ss tttt"
                               << "HH:mm:ss";
    QTest::newRow("quoted t stays") << "H' uur 'mm' min 'ss' st' t"
                                    << "H' uur 'mm' min 'ss' st'";
    QTest::newRow("escaped quote") << "HH'h'''mm t"
                                   << "HH'h'''mm";
    QTest::newRow("no zone") << "HH:mm:ss"
                             << "HH:mm:ss";
}

void uStringTest::removeTimeZoneFormat()
{
    QFETCH(QString, format);
    QFETCH(QString, expected);
    QCOMPARE(RemoveTimeZoneFormat(format), expected);
}

void uStringTest::dateTimeText_data()
{
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QString>("expected");
    QTest::newRow("de_DE") << "de_DE"
                           << "10.12.26 13:05:09";
    QTest::newRow("en_US") << "en_US"
                           << "12/10/26 1:05:09 PM";
    QTest::newRow("zh_CN: zone first") << "zh_CN"
                                       << "2026/12/10 13:05:09";
    QTest::newRow("bg_BG: quoted text")
        << "bg_BG" << QStringLiteral("10.12.26 \u0433. 13:05:09 \u0447.");
}

void uStringTest::dateTimeText()
{
    QFETCH(QString, locale);
    QFETCH(QString, expected);
    const QDateTime dateTime(QDate(2026, 12, 10), QTime(13, 5, 9));
    QCOMPARE(DateTimeText(dateTime, QLocale(locale)), expected);
}

void uStringTest::changeDateText_data()
{
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QString>("expected");
    // The short date where it fits the 10 characters of the field, else the ISO date.
    QTest::newRow("de_DE fits") << "de_DE"
                                << "10.12.26";
    QTest::newRow("en_US fits") << "en_US"
                                << "12/10/26";
    QTest::newRow("C: 11 characters") << "C"
                                      << "2026-12-10";
    QTest::newRow("bg_BG: 11 characters") << "bg_BG"
                                          << "2026-12-10";
}

void uStringTest::changeDateText()
{
    QFETCH(QString, locale);
    QFETCH(QString, expected);
    QCOMPARE(ChangeDateText(QDate(2026, 12, 10), QLocale(locale)), expected);
}

void uStringTest::shownLines_data()
{
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("plain lines") << QStringList{"a", "", "b"} << QStringList{"a", "", "b"};
    QTest::newRow("memo with CR LF")
        << QStringList{"1  first\r\nsecond  9", "2"} << QStringList{"1  first", "second  9", "2"};
    QTest::newRow("lone CR and LF") << QStringList{"a\rb\nc"} << QStringList{"a", "b", "c"};
    QTest::newRow("break at the end") << QStringList{"a\r\n"} << QStringList{"a", ""};
}

void uStringTest::shownLines()
{
    QFETCH(QStringList, lines);
    QFETCH(QStringList, expected);
    QCOMPARE(ShownLines(lines), expected);
}

void uStringTest::getFileInfo()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString plain = dir.filePath(QStringLiteral("daten.xml"));
    const QString hiddenName = dir.filePath(QStringLiteral(".hidden.xml"));
    for (const QString& name : {plain, hiddenName}) {
        QFile file(name);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("x");
    }
    QVERIFY(QFile::setPermissions(hiddenName, QFile::ReadOwner | QFile::ReadUser));

    QString dateText;
    bool readOnly = true, archive = true, system = true, hidden = true;
    GetFileInfo(plain, dateText, readOnly, archive, system, hidden);
    QCOMPARE(dateText, DateTimeText(QFileInfo(plain).lastModified()));
    QVERIFY(!dateText.isEmpty());
    QCOMPARE(readOnly, false);
    QCOMPARE(hidden, false);
    QCOMPARE(archive, false);
    QCOMPARE(system, false);

    GetFileInfo(hiddenName, dateText, readOnly, archive, system, hidden);
    QCOMPARE(hidden, true);
    // The superuser may write any file; for everyone else it is read-only now.
    if (QFileInfo(hiddenName).isWritable())
        QCOMPARE(readOnly, false);
    else
        QCOMPARE(readOnly, true);
}

void uStringTest::getFileInfoMissingFile()
{
    QString dateText;
    bool readOnly = false, archive = false, system = false, hidden = false;
    try {
        GetFileInfo(QStringLiteral("x.xml"), dateText, readOnly, archive, system, hidden);
        QFAIL("no error for a missing file");
    } catch (const VeltraError& e) {
        QCOMPARE(e.message(), QStringLiteral("Cannot read the modification date of \"x.xml\": "
                                             "the file does not exist"));
    }
}

QTEST_GUILESS_MAIN(uStringTest)
#include "uString_test.moc"
