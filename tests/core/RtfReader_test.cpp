// The RTF reader: formatting in the document, decoded text, skipped
// destinations, malformed input, and the Info lines of RTF and plain texts.
#include "util/RtfReader.h"

#include <QTextBlock>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextDocument>
#include <QtTest>

using namespace veltra;

namespace {

// A compact description of a character format: "b i u s f:<family> pt:<size>
// fg:<colour> bg:<colour>", listing only what is set.
QString Describe(const QTextCharFormat& format)
{
    QStringList parts;
    if (format.fontWeight() >= QFont::Bold)
        parts << "b";
    if (format.fontItalic())
        parts << "i";
    if (format.fontUnderline())
        parts << "u";
    if (format.fontStrikeOut())
        parts << "s";
    const QStringList families = format.fontFamilies().toStringList();
    if (!families.isEmpty())
        parts << "f:" + families.join(',');
    if (format.hasProperty(QTextFormat::FontPointSize))
        parts << "pt:" + QString::number(format.fontPointSize());
    if (format.hasProperty(QTextFormat::ForegroundBrush))
        parts << "fg:" + format.foreground().color().name();
    if (format.hasProperty(QTextFormat::BackgroundBrush))
        parts << "bg:" + format.background().color().name();
    return parts.join(' ');
}

QString Repeated(const QString& piece, int count)
{
    return piece.repeated(count);
}

} // namespace

class RtfReaderTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void isRtfText_data();
    void isRtfText();
    void formatting_data();
    void formatting();
    void plainText_data();
    void plainText();
    void hugeFontSizeIsClamped();
    void alignment_data();
    void alignment();
    void infoLines_data();
    void infoLines();
    void firstInfoLine_data();
    void firstInfoLine();
    void setFieldText_data();
    void setFieldText();
};

void RtfReaderTest::isRtfText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("expected");
    QTest::newRow("header") << R"({\rtf1\ansi x})" << true;
    QTest::newRow("leading blanks and breaks") << " \r\n\t{\\rtf1 x}" << true;
    QTest::newRow("upper case") << R"({\RTF1 x})" << false;
    QTest::newRow("text before") << R"(x{\rtf1 x})" << false;
    QTest::newRow("plain") << "Restrictions" << false;
    QTest::newRow("empty") << "" << false;
}

void RtfReaderTest::isRtfText()
{
    QFETCH(QString, text);
    QFETCH(bool, expected);
    QCOMPARE(IsRtfText(text), expected);
}

void RtfReaderTest::formatting_data()
{
    QTest::addColumn<QString>("rtf");
    QTest::addColumn<QString>("probe");
    QTest::addColumn<QString>("expected");

    const QString fonts = R"({\fonttbl{\f0\fswiss\fcharset0 Arial;}{\f1\fmodern Courier New;}})";
    const QString colours = R"({\colortbl ;\red255\green0\blue0;\red0\green0\blue255;})";

    QTest::newRow("bold group") << R"({\rtf1 plain {\b bold} after})"
                                << "bold"
                                << "b";
    QTest::newRow("group restores") << R"({\rtf1 plain {\b bold} after})"
                                    << "after"
                                    << "";
    QTest::newRow("b0 ends bold") << R"({\rtf1\b on\b0 off})"
                                  << "off"
                                  << "";
    QTest::newRow("italic underline") << R"({\rtf1\i\ul both\ulnone  one})"
                                      << "both"
                                      << "i u";
    QTest::newRow("ulnone") << R"({\rtf1\i\ul both\ulnone  one})"
                            << "one"
                            << "i";
    QTest::newRow("ul0 and strike") << R"({\rtf1\ul a\ul0\strike gone\strike0  c})"
                                    << "gone"
                                    << "s";
    QTest::newRow("font and size") << R"({\rtf1\deff0)" + fonts + R"(\f1\fs20 code\plain  norm})"
                                   << "code"
                                   << "f:Courier New pt:10";
    QTest::newRow("plain resets to default font")
        << R"({\rtf1\deff0)" + fonts + R"(\f1\fs20\b code\plain  norm})"
        << "norm"
        << "f:Arial";
    QTest::newRow("foreground") << R"({\rtf1)" + colours + R"(\cf1 red\cf0  auto})"
                                << "red"
                                << "fg:#ff0000";
    QTest::newRow("cf0 is the default colour") << R"({\rtf1)" + colours + R"(\cf1 red\cf0  auto})"
                                               << "auto"
                                               << "";
    QTest::newRow("highlight") << R"({\rtf1)" + colours + R"(\cf2\highlight1 mark})"
                               << "mark"
                               << "fg:#0000ff bg:#ff0000";
    QTest::newRow("colour index beyond table") << R"({\rtf1)" + colours + R"(\cf9 none})"
                                               << "none"
                                               << "";
}

void RtfReaderTest::formatting()
{
    QFETCH(QString, rtf);
    QFETCH(QString, probe);
    QFETCH(QString, expected);

    QTextDocument document;
    RtfReader(rtf).writeTo(&document);
    const QTextCursor found = document.find(probe);
    QVERIFY2(!found.isNull(), qPrintable(document.toPlainText()));
    QCOMPARE(Describe(found.charFormat()), expected);
}

void RtfReaderTest::plainText_data()
{
    QTest::addColumn<QString>("rtf");
    QTest::addColumn<QString>("expected");

    // Decoding.
    QTest::newRow("hex in 1252") << R"({\rtf1\ansi Gr\'fc\'dfe \'80})" << QStringLiteral("Grüße €");
    QTest::newRow("ansicpg 1253") << R"({\rtf1\ansi\ansicpg1253 \'f3})" << QStringLiteral("σ");
    QTest::newRow("font charset")
        << R"({\rtf1{\fonttbl{\f0 Arial;}{\f1\fcharset161 Arial Greek;}}a{\f1 \'f3}\'f3})"
        << QStringLiteral("aσó");
    QTest::newRow("symbol font") << R"({\rtf1{\fonttbl{\f3\fcharset2 Symbol;}}x {\f3 s\'6d}})"
                                 << QStringLiteral("x σμ");
    QTest::newRow("unicode with fallback") << R"({\rtf1 \u963?x})" << QStringLiteral("σx");
    QTest::newRow("uc0") << R"({\rtf1 \uc0\u963 x})" << QStringLiteral("σx");
    QTest::newRow("uc2 skips hex bytes") << R"({\rtf1 \uc2\u963\'f3\'f3x})" << QStringLiteral("σx");
    QTest::newRow("negative is unsigned 16-bit")
        << R"({\rtf1 \u-10179?\u-8704?})" << QString::fromUtf8("\xF0\x9F\x98\x80");
    QTest::newRow("group end stops skipping")
        << R"({\rtf1 {\uc3\u963}ab})" << QStringLiteral("σab");
    QTest::newRow("control word ends fallback")
        << R"({\rtf1 \uc3\u963\par x})" << QStringLiteral("σ\r\nx");

    // Special characters.
    QTest::newRow("escapes") << R"({\rtf1 a\\b\{c\}})"
                             << R"(a\b{c})";
    QTest::newRow("nbsp, nb hyphen, opt hyphen")
        << R"({\rtf1 a\~b\_c\-d})" << QStringLiteral("a\u00A0b\u2011cd");
    QTest::newRow("tab line par") << R"({\rtf1 a\tab b\line c\par d})"
                                  << "a\tb\r\nc\r\nd";
    QTest::newRow("raw line breaks are layout") << "{\\rtf1 a\r\nb\nc}"
                                                << "abc";
    QTest::newRow("trailing par") << R"({\rtf1 a\par })"
                                  << "a\r\n";
    QTest::newRow("symbol words") << R"({\rtf1 \lquote x\rquote \emdash})"
                                  << QStringLiteral("\u2018x\u2019\u2014");

    // Destinations that are not shown.
    QTest::newRow("header tables")
        << R"({\rtf1{\fonttbl{\f0 Arial;}}{\colortbl;\red1\green2\blue3;})"
           R"({\stylesheet{\s0 Normal;}}{\info{\title T}{\author A}}text})"
        << "text";
    QTest::newRow("ignorable destination") << R"({\rtf1 {\*\generator Gen 1.0;}{\*\xyz q}t})"
                                           << "t";
    QTest::newRow("field shows result")
        << R"({\rtf1 {\field{\*\fldinst HYPERLINK "x"}{\fldrslt shown}}})"
        << "shown";
    QTest::newRow("picture and object")
        << R"({\rtf1 a{\pict\wmetafile8 0102ff}{\object{\objdata 00}{\result x}}b})"
        << "ab";
    QTest::newRow("header and footer") << R"({\rtf1 {\header H}{\footer F}body})"
                                       << "body";
    QTest::newRow("binary data") << R"({\rtf1 a{\pict\bin5 }}{{x}b})"
                                 << "ab";
    QTest::newRow("hidden text") << R"({\rtf1 a{\v hidden}\v x\v0 b})"
                                 << "ab";
    QTest::newRow("unknown words") << R"({\rtf1\foo12\barbaz-3 text\qux})"
                                   << "text";
    QTest::newRow("blanks before the document") << " \r\n{\\rtf1 x}"
                                                << "x";
    QTest::newRow("text after the document") << R"({\rtf1 a}b)"
                                             << "a";

    // Malformed input shows what can be read.
    QTest::newRow("unclosed groups") << R"({\rtf1 a{\b b{\i c)"
                                     << "abc";
    QTest::newRow("extra closing braces") << R"({\rtf1 a}}}})"
                                          << "a";
    QTest::newRow("truncated hex") << R"({\rtf1 a\'f)"
                                   << "a";
    QTest::newRow("control bytes") << R"({\rtf1 a\'0d\'00\'09b})"
                                   << "a\tb";
    QTest::newRow("hex without digits") << R"({\rtf1 a\'zz})"
                                        << "azz";
    QTest::newRow("backslash at end") << R"({\rtf1 a\)"
                                      << "a";
    QTest::newRow("unicode at end") << R"({\rtf1 a\u)"
                                    << "a";
    QTest::newRow("huge numbers") << R"({\rtf1\fs99999999999\cf99999999999\u99999999999?x})"
                                  << "x";
    QTest::newRow("huge skip count")
        << R"({\rtf1 {\uc99999999999\u963 abc}d})" << QStringLiteral("σd");
    QTest::newRow("bin beyond the end") << R"({\rtf1 a\bin999999999 bcd})"
                                        << "a";
    QTest::newRow("deep nesting") << R"({\rtf1 )" + Repeated("{", 100000) + "deep" +
                                         Repeated("}", 100000) + " after}"
                                  << "deep after";
    QTest::newRow("deep nesting unclosed") << R"({\rtf1 )" + Repeated(R"({\b )", 100000) + "x"
                                           << "x";
}

void RtfReaderTest::plainText()
{
    QFETCH(QString, rtf);
    QFETCH(QString, expected);
    QCOMPARE(RtfToPlainText(rtf), expected);
}

void RtfReaderTest::hugeFontSizeIsClamped()
{
    QTextDocument document;
    RtfReader(R"({\rtf1\fs99999999999 big})").writeTo(&document);
    const QTextCursor found = document.find("big");
    QVERIFY(!found.isNull());
    const double size = found.charFormat().fontPointSize();
    QVERIFY2(size > 0 && size <= 1638, qPrintable(QString::number(size)));
}

void RtfReaderTest::alignment_data()
{
    QTest::addColumn<QString>("rtf");
    QTest::addColumn<QList<int>>("expected"); // Qt::Alignment of each block
    const int left = Qt::AlignLeft;
    QTest::newRow("centred then pard")
        << R"({\rtf1\qc a\par\pard b})" << QList<int>{Qt::AlignHCenter, left};
    QTest::newRow("right and justified") << R"({\rtf1\qr a\par\qj b\par\ql c})"
                                         << QList<int>{Qt::AlignRight, Qt::AlignJustify, left};
    QTest::newRow("group ends alignment")
        << R"({\rtf1 {\qc a\par}b})" << QList<int>{Qt::AlignHCenter, left};
}

void RtfReaderTest::alignment()
{
    QFETCH(QString, rtf);
    QFETCH(QList<int>, expected);
    QTextDocument document;
    RtfReader(rtf).writeTo(&document);
    QList<int> actual;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next())
        actual << static_cast<int>(block.blockFormat().alignment());
    QCOMPARE(actual, expected);
}

void RtfReaderTest::infoLines_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("empty") << "" << QStringList();
    QTest::newRow("plain CR LF") << "a\r\nb" << QStringList{"a\r", "b\r"};
    QTest::newRow("plain LF, final break") << "a\nb\n" << QStringList{"a\r", "b\r"};
    QTest::newRow("plain CR and empty line") << "a\rb\r\n\r\n" << QStringList{"a\r", "b\r", "\r"};
    QTest::newRow("plain keeps blanks") << "Restrictions            0100001  "
                                        << QStringList{"Restrictions            0100001  \r"};
    QTest::newRow("rtf paragraphs")
        << R"({\rtf1\ansi{\fonttbl{\f0 Arial;}}\f0 Line1\par Line2\par })"
        << QStringList{"Line1\r", "Line2\r"};
    QTest::newRow("rtf without final par") << R"({\rtf1 a\par b})" << QStringList{"a\r", "b\r"};
    QTest::newRow("rtf empty paragraph") << R"({\rtf1 \par})" << QStringList{"\r"};
    QTest::newRow("rtf no text") << R"({\rtf1{\fonttbl{\f0 Arial;}}})" << QStringList();
    QTest::newRow("rtf line break") << R"({\rtf1 a\line b})" << QStringList{"a\r", "b\r"};
    QTest::newRow("rtf restriction line")
        << R"({\rtf1 Info\par Restrictions            0100001\par Variable})"
        << QStringList{"Info\r", "Restrictions            0100001\r", "Variable\r"};
}

void RtfReaderTest::infoLines()
{
    QFETCH(QString, text);
    QFETCH(QStringList, expected);
    QCOMPARE(InfoLines(text), expected);
}

void RtfReaderTest::firstInfoLine_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");
    QTest::newRow("rtf") << R"({\rtf1{\fonttbl{\f0 Arial;}}{\b First} line\par Second})"
                         << "First line";
    QTest::newRow("plain") << "One\r\nTwo"
                           << "One";
    QTest::newRow("empty first line") << "\nTwo"
                                      << "";
    QTest::newRow("empty") << ""
                           << "";
}

void RtfReaderTest::firstInfoLine()
{
    QFETCH(QString, text);
    QFETCH(QString, expected);
    QCOMPARE(FirstInfoLine(text), expected);
}

void RtfReaderTest::setFieldText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");
    QTest::newRow("plain shown as it is") << "a\r\nb {\\b x}\rc"
                                          << "a\nb {\\b x}\nc";
    QTest::newRow("rtf converted") << R"({\rtf1 {\b a}\par b\par })"
                                   << "a\nb";
    QTest::newRow("rtf empty paragraphs kept") << R"({\rtf1 a\par\par b})"
                                               << "a\n\nb";
}

void RtfReaderTest::setFieldText()
{
    QFETCH(QString, text);
    QFETCH(QString, expected);
    QTextDocument document;
    document.setPlainText("old content");
    SetFieldText(&document, text);
    QCOMPARE(document.toPlainText(), expected);
}

QTEST_GUILESS_MAIN(RtfReaderTest)
#include "RtfReader_test.moc"
