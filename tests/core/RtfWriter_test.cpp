// The RTF writer: documents read back by the program's own reader to the same paragraphs
// and formatted runs, the text an independent reader (unrtf) finds in the written file,
// and the atomic writing of the file.
#include "util/PageSetup.h"
#include "util/RtfReader.h"
#include "util/RtfWriter.h"
#include "util/VeltraError.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFragment>
#include <QtTest>

using namespace veltra;

Q_DECLARE_METATYPE(veltra::PaperSize)

namespace {

// The font of the report view: a fixed-pitch font at 12 screen pixels (9 points).
QFont ViewFont()
{
    QFont font(QStringLiteral("Courier New"));
    font.setPixelSize(12);
    return font;
}

QString Describe(const RtfCharFormat& format)
{
    QStringList parts{format.fontFamily, QString::number(format.pointSize)};
    if (format.bold)
        parts << "b";
    if (format.italic)
        parts << "i";
    if (format.underline)
        parts << "u";
    if (format.strikeOut)
        parts << "s";
    if (format.foreground.isValid())
        parts << "fg:" + format.foreground.name();
    if (format.background.isValid())
        parts << "bg:" + format.background.name();
    return parts.join(' ');
}

// One line per paragraph: its alignment, then each run as "{format}text".
QStringList Describe(const QList<RtfParagraph>& paragraphs)
{
    QStringList lines;
    for (const RtfParagraph& paragraph : paragraphs) {
        QString line = QString::number(int(paragraph.alignment), 16) + ':';
        for (const RtfRun& run : paragraph.runs)
            line += '{' + Describe(run.format) + '}' + run.text;
        lines << line;
    }
    return lines;
}

// What the document shows, as RTF paragraphs: a run takes its font and size from its own
// format or else from the document's default font (pixels at 96 per inch, sizes in half
// points); neighbouring fragments that look alike make one run.
QList<RtfParagraph> ShownParagraphs(const QTextDocument& document)
{
    const QFont defaultFont = document.defaultFont();
    const double defaultSize =
        defaultFont.pointSizeF() > 0 ? defaultFont.pointSizeF() : defaultFont.pixelSize() * 0.75;
    QList<RtfParagraph> paragraphs;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        RtfParagraph paragraph;
        // Left in absolute terms is left: the writer knows no right-to-left text.
        paragraph.alignment =
            block.blockFormat().alignment() & Qt::AlignHorizontal_Mask & ~Qt::AlignAbsolute;
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextCharFormat f = it.fragment().charFormat();
            RtfCharFormat format;
            const QStringList families = f.fontFamilies().toStringList();
            format.fontFamily = families.isEmpty() ? defaultFont.family() : families.first();
            double size = f.fontPointSize();
            if (size <= 0 && f.intProperty(QTextFormat::FontPixelSize) > 0)
                size = f.intProperty(QTextFormat::FontPixelSize) * 0.75;
            if (size <= 0)
                size = defaultSize;
            format.pointSize = qRound(size * 2) / 2.0;
            format.bold = f.fontWeight() >= QFont::DemiBold;
            format.italic = f.fontItalic();
            format.underline = f.underlineStyle() != QTextCharFormat::NoUnderline;
            format.strikeOut = f.fontStrikeOut();
            if (f.hasProperty(QTextFormat::ForegroundBrush))
                format.foreground = f.foreground().color();
            if (f.hasProperty(QTextFormat::BackgroundBrush))
                format.background = f.background().color();
            if (!paragraph.runs.isEmpty() && paragraph.runs.last().format == format)
                paragraph.runs.last().text += it.fragment().text();
            else
                paragraph.runs.append(RtfRun{it.fragment().text(), format});
        }
        paragraphs.append(paragraph);
    }
    return paragraphs;
}

QString ShownPlainText(const QTextDocument& document)
{
    QStringList blocks;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next())
        blocks << block.text();
    return blocks.join(QStringLiteral("\r\n"))
        .replace(QChar::LineSeparator, QStringLiteral("\r\n"));
}

void FillDocument(QTextDocument& document, const QString& text, bool html)
{
    document.setDefaultFont(ViewFont());
    if (html)
        document.setHtml(text);
    else
        document.setPlainText(text);
}

QByteArray ReadAll(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray();
    return file.readAll();
}

bool WriteAll(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// The message of the VeltraError the call throws; empty when it throws none.
template <typename Call> QString ErrorOf(Call call)
{
    try {
        call();
    } catch (const VeltraError& error) {
        return error.message();
    }
    return QString();
}

} // namespace

class RtfWriterTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void roundTrip_data();
    void roundTrip();
    void defaultFontIsTheDocumentFont();
    void standIns_data();
    void standIns();
    void independentReader();
    void pageSetup_data();
    void pageSetup();
    void fontTable_data();
    void fontTable();
    void writesFileAtomically();
    void failedWrites_data();
    void failedWrites();
};

void RtfWriterTest::roundTrip_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("html");

    QTest::newRow("plain lines") << "first line\nsecond line\n\nafter an empty line" << false;
    QTest::newRow("empty document") << "" << false;
    QTest::newRow("trailing empty paragraph") << "line\n" << false;
    QTest::newRow("only empty paragraphs") << "\n\n" << false;
    QTest::newRow("runs of blanks") << "a    b  c   " << false;
    QTest::newRow("bold italic underline strike")
        << "<p>plain <b>bold</b> <i>italic</i> <u>under</u> <s>strike</s> "
           "<b><i><u><s>all four</s></u></i></b> end</p>"
        << true;
    QTest::newRow("dotted and wavy underline")
        << "<p><span style=\"text-decoration: underline; text-decoration-style: dotted\">dots"
           "</span> and <span style=\"text-decoration: underline\">line</span></p>"
        << true;
    QTest::newRow("text and highlight colours")
        << "<p><span style=\"color:#ff0000\">red</span> <span "
           "style=\"background-color:#ffff00\">marked</span> <span "
           "style=\"color:#0000ff; background-color:#00ff00\">both</span> <span "
           "style=\"color:#ff0000\">red again</span></p>"
        << true;
    QTest::newRow("font families and sizes")
        << "<p><span style=\"font-family:'DejaVu Serif'; font-size:14pt\">serif 14</span>"
           "<span style=\"font-family:Arial; font-size:10.5pt\">arial 10.5</span>"
           "<span style=\"font-size:16px\">16 pixels</span> default</p>"
           "<p><span style=\"font-family:'DejaVu Serif'; font-size:7pt\">serif again</span></p>"
        << true;
    QTest::newRow("non-ASCII") << QStringLiteral(
                                      "Grüße aus Köln, Ärger, Öl, Übel, ß\n€ 12,50 — “quoted”\n"
                                      "Ελληνικά αβγ\n中文字符 日本語\nemoji \U0001F600 done")
                               << false;
    QTest::newRow("tabs") << "a\tb\t\tc\n\tindented\ttab at end\t" << false;
    QTest::newRow("forced line breaks") << "<p>one<br />two<br /><br />four</p><p>next</p>" << true;
    QTest::newRow("braces and backslashes")
        << "{\\rtf1 not a header}\n\\par \\'41 \\u65? {}}{ back\\slash\\" << false;
    QTest::newRow("alignment") << "<p align=\"left\">left</p><p align=\"center\">centre</p>"
                                  "<p align=\"right\">right</p><p align=\"justify\">justified</p>"
                                  "<p align=\"center\"></p>"
                               << true;
    QTest::newRow("control characters")
        << QStringLiteral("bell\u0007 delete\u007F nbsp\u00A0x") << false;
}

void RtfWriterTest::roundTrip()
{
    QFETCH(QString, text);
    QFETCH(bool, html);

    QTextDocument document;
    FillDocument(document, text, html);
    const QByteArray rtf = DocumentToRtf(document);
    QVERIFY2(rtf.startsWith("{\\rtf1\\ansi\\ansicpg1252\\deff0"), rtf.constData());
    QVERIFY2(rtf.trimmed().endsWith('}'), rtf.constData());
    for (const char c : rtf)
        QVERIFY2(c > 0 && c < 0x7F, "RTF is written in 7-bit ASCII");

    const RtfReader reader(QString::fromLatin1(rtf));
    QCOMPARE(reader.plainText(), ShownPlainText(document));
    QCOMPARE(Describe(reader.paragraphs()), Describe(ShownParagraphs(document)));
}

void RtfWriterTest::defaultFontIsTheDocumentFont()
{
    QTextDocument document;
    document.setDefaultFont(ViewFont());
    QTextCursor cursor(&document);
    cursor.insertText(QStringLiteral("unformatted"));
    QTextCharFormat arial;
    arial.setFontFamilies({QStringLiteral("Arial")});
    cursor.insertText(QStringLiteral("arial"), arial);

    const QByteArray rtf = DocumentToRtf(document);
    QVERIFY2(rtf.contains("{\\fonttbl{\\f0\\fmodern\\fprq1\\fcharset0 Courier New;}"),
             rtf.constData());
    const QList<RtfParagraph> paragraphs = RtfReader(QString::fromLatin1(rtf)).paragraphs();
    QCOMPARE(paragraphs.size(), 1);
    QCOMPARE(paragraphs[0].runs.size(), 2);
    QCOMPARE(paragraphs[0].runs[0].format.fontFamily, QStringLiteral("Courier New"));
    QCOMPARE(paragraphs[0].runs[0].format.pointSize, 9.0); // 12 pixels
    QCOMPARE(paragraphs[0].runs[1].format.fontFamily, QStringLiteral("Arial"));
    QCOMPARE(paragraphs[0].runs[1].format.pointSize, 9.0);
}

void RtfWriterTest::standIns_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("expected");

    // Readers without Unicode show the stand-in: the code page 1252 byte where there is one.
    QTest::newRow("umlaut") << QStringLiteral("ä") << QByteArray("\\u228\\'e4");
    QTest::newRow("euro in 1252's upper half") << QStringLiteral("€") << QByteArray("\\u8364\\'80");
    QTest::newRow("greek") << QStringLiteral("α") << QByteArray("\\u945?");
    // Numbers above 32767 are written negative, as 16-bit signed values.
    QTest::newRow("CJK") << QStringLiteral("中") << QByteArray("\\u20013?");
    QTest::newRow("private use") << QStringLiteral("\uE000") << QByteArray("\\u-8192?");
    QTest::newRow("emoji as surrogates")
        << QStringLiteral("\U0001F600") << QByteArray("\\u-10179?\\u-8704?");
}

void RtfWriterTest::standIns()
{
    QFETCH(QString, text);
    QFETCH(QByteArray, expected);

    QTextDocument document;
    document.setPlainText(text);
    const QByteArray rtf = DocumentToRtf(document);
    QVERIFY2(rtf.contains(" " + expected + "}"), rtf.constData());
}

void RtfWriterTest::independentReader()
{
    const QString unrtf = QStandardPaths::findExecutable(QStringLiteral("unrtf"));
    if (unrtf.isEmpty())
        QFAIL("unrtf is not installed: run tools/install-deps.sh");

    // unrtf --text prints the stand-ins of \uN, as bytes of the document's code page, so
    // the text stays within Latin-1 (where code page 1252 agrees with it). It also renders
    // a tab as blanks and a line break and folds runs of blanks into one: the text has
    // neither.
    QTextDocument document;
    document.setDefaultFont(ViewFont());
    document.setHtml(QStringLiteral(
        "<p>Data Documentation : /data/Größe.dat</p><p></p>"
        "<p><b>Bold</b> and <span style=\"color:#ff0000; background-color:#ffff00\">"
        "coloured</span> text, <span style=\"font-family:Arial; font-size:14pt\">Arial</span></p>"
        "<p align=\"center\">Grüße: ä ö ü Ä Ö Ü ß é ñ ç © ½</p>"
        "<p>braces {x} and back\\slash</p>"
        "<p>first<br />after a forced break</p>"
        "<p>-----------------------------------------------------------------------</p>"));

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("report.rtf"));
    WriteRtfFile(document, path);

    QProcess process;
    process.start(unrtf, {QStringLiteral("--text"), path});
    QVERIFY(process.waitForFinished());
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(process.exitCode(), 0);
    QStringList lines = QString::fromLatin1(process.readAllStandardOutput()).split(u'\n');
    // Its own header: comment lines and the line that opens the body.
    while (!lines.isEmpty() &&
           (lines.first().startsWith(QStringLiteral("###")) || lines.first().isEmpty()))
        lines.removeFirst();
    QCOMPARE(lines.value(0), QStringLiteral("-----------------"));
    lines.removeFirst();
    while (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();

    QStringList expected = ShownPlainText(document).split(QStringLiteral("\r\n"));
    while (!expected.isEmpty() && expected.last().isEmpty())
        expected.removeLast();
    QCOMPARE(lines, expected);
}

void RtfWriterTest::writesFileAtomically()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("report.rtf"));
    QVERIFY(WriteAll(path, QByteArray("an older and much longer report ").repeated(100)));

    QTextDocument document;
    document.setPlainText(QStringLiteral("new report"));
    WriteRtfFile(document, path);
    QCOMPARE(ReadAll(path), DocumentToRtf(document));
    QCOMPARE(RtfToPlainText(QString::fromLatin1(ReadAll(path))), QStringLiteral("new report"));
    // No temporary file is left beside it.
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
             QStringList{QStringLiteral("report.rtf")});
}

void RtfWriterTest::failedWrites_data()
{
    QTest::addColumn<QString>("target");
    QTest::newRow("folder missing") << "missing/report.rtf";
    QTest::newRow("target is a folder") << "folder.rtf";
}

void RtfWriterTest::failedWrites()
{
    QFETCH(QString, target);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("folder.rtf")));
    const QString inside = dir.filePath(QStringLiteral("folder.rtf/kept.txt"));
    QVERIFY(WriteAll(inside, "kept"));

    QTextDocument document;
    document.setPlainText(QStringLiteral("report"));
    const QString path = dir.filePath(target);
    const QString message = ErrorOf([&] { WriteRtfFile(document, path); });
    QVERIFY2(message.startsWith("cannot write \"" + path + "\": "), qPrintable(message));
    QVERIFY2(message.size() > path.size() + 17, qPrintable(message)); // the system's reason

    QVERIFY(QFileInfo(dir.filePath(QStringLiteral("folder.rtf"))).isDir());
    QCOMPARE(ReadAll(inside), QByteArray("kept"));
    QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
             QStringList{QStringLiteral("folder.rtf")});
}

void RtfWriterTest::pageSetup_data()
{
    QTest::addColumn<PaperSize>("paper");
    QTest::addColumn<int>("width"); // characters of the table's lines
    QTest::addColumn<bool>("landscape");
    QTest::addColumn<int>("halfPoints"); // the table's size; 0: below 8 points
    QTest::newRow("A4, fits at 9 pt") << PaperSize::A4 << 80 << false << 18;
    QTest::newRow("A4, fits at 8 pt") << PaperSize::A4 << 95 << false << 16;
    QTest::newRow("A4, landscape") << PaperSize::A4 << 130 << true << 18;
    QTest::newRow("A4, landscape at 8 pt") << PaperSize::A4 << 145 << true << 16;
    QTest::newRow("A4, wider than landscape") << PaperSize::A4 << 300 << true << 0;
    QTest::newRow("Letter, fits at 8.5 pt") << PaperSize::Letter << 95 << false << 17;
    QTest::newRow("Letter, landscape") << PaperSize::Letter << 130 << true << 17;
}

void RtfWriterTest::pageSetup()
{
    QFETCH(PaperSize, paper);
    QFETCH(int, width);
    QFETCH(bool, landscape);
    QFETCH(int, halfPoints);

    // A title, a section header, a fixed-pitch table whose lines are `width` characters
    // long, a closing line; marked as the documentation report marks them.
    QTextDocument document;
    document.setDefaultFont(ViewFont());
    QTextCursor cursor(&document);
    const auto add = [&cursor](const QStringList& lines, ReportBlockKind kind, int group) {
        for (const QString& line : lines) {
            if (!cursor.atStart())
                cursor.insertBlock();
            QTextBlockFormat format;
            format.setProperty(ReportBlockKindProperty, static_cast<int>(kind));
            format.setProperty(ReportBlockGroupProperty, group);
            cursor.setBlockFormat(format);
            cursor.insertText(line);
        }
    };
    QStringList table;
    for (int i = 1; i <= 4; ++i)
        table << QStringLiteral("T%1").arg(i) + QString(width - 2, u'x');
    add({QStringLiteral("Title")}, ReportBlockKind::Line, 1);
    add({QStringLiteral("HEADER")}, ReportBlockKind::Header, 2);
    add(table, ReportBlockKind::Table, 3);
    add({QStringLiteral("Closing")}, ReportBlockKind::Line, 4);
    const QString rtf = QString::fromLatin1(DocumentToRtf(document, paper));

    // The paper and margins of the document.
    const QString paperWords = paper == PaperSize::A4
                                   ? QStringLiteral("\\paperw11906\\paperh16838")
                                   : QStringLiteral("\\paperw12240\\paperh15840");
    QVERIFY2(
        rtf.contains(paperWords + QStringLiteral("\\margl1134\\margr1134\\margt850\\margb850")),
        qPrintable(rtf));
    QVERIFY(rtf.contains(QStringLiteral("\\deftab720")));

    // Each section states its page; the one holding the table is turned where expected,
    // and the table's lines fit its text width at their size (a fixed-pitch character is
    // 0.6 em wide), at no less than 8 points unless landscape at 8 is too narrow.
    static const QRegularExpression section(QStringLiteral(
        R"(\\sectd(\\lndscpsxn)?\\pgwsxn(\d+)\\pghsxn(\d+)\\marglsxn(\d+)\\margrsxn(\d+))"));
    QList<QRegularExpressionMatch> starts;
    for (const QRegularExpressionMatch& match : section.globalMatch(rtf))
        starts << match;
    QStringList orientations;
    for (qsizetype i = 0; i < starts.size(); ++i) {
        const QRegularExpressionMatch& match = starts[i];
        const qsizetype end = i + 1 < starts.size() ? starts[i + 1].capturedStart() : rtf.size();
        const QString text = rtf.mid(match.capturedStart(), end - match.capturedStart());
        const bool turned = match.hasCaptured(1) && !match.captured(1).isEmpty();
        orientations << (turned ? QStringLiteral("L") : QStringLiteral("P"));
        QVERIFY2(turned == (match.captured(2).toInt() > match.captured(3).toInt()),
                 qPrintable(text.left(100)));
        if (!text.contains(QStringLiteral("T1xx")))
            continue;
        QCOMPARE(turned, landscape);
        QVERIFY(text.contains(QStringLiteral("HEADER"))); // the header goes with its table
        static const QRegularExpression tableRun(QStringLiteral(R"(\{\\f0\\fs(\d+) T\d)"));
        const QRegularExpressionMatch run = tableRun.match(text);
        QVERIFY2(run.hasMatch(), qPrintable(text));
        const int size = run.captured(1).toInt();
        if (halfPoints > 0)
            QCOMPARE(size, halfPoints);
        else
            QVERIFY2(size < 16, qPrintable(QString::number(size)));
        const int textWidth =
            match.captured(2).toInt() - match.captured(4).toInt() - match.captured(5).toInt();
        QVERIFY2(width * 0.6 * size * 10 <= textWidth,
                 qPrintable(QStringLiteral("%1 twips").arg(width * 0.6 * size * 10)));
    }
    QCOMPARE(orientations.join(QString()), landscape ? QStringLiteral("PL") : QStringLiteral("P"));

    // Every paragraph states its font and size.
    static const QRegularExpression paragraph(
        QStringLiteral(R"(\\pard\\plain\\q[lrcj]\\f\d+\\fs\d+)"));
    QCOMPARE(rtf.count(paragraph), rtf.count(QStringLiteral("\\pard")));
    QCOMPARE(RtfReader(rtf).plainText().split(QStringLiteral("\r\n")),
             QStringList{QStringLiteral("Title")} + QStringList{QStringLiteral("HEADER")} + table +
                 QStringList{QStringLiteral("Closing")});
}

void RtfWriterTest::fontTable_data()
{
    QTest::addColumn<QString>("family");
    QTest::addColumn<QString>("entry");
    QTest::newRow("typewriter face") << "Courier New"
                                     << "\\fmodern\\fprq1\\fcharset0 Courier New;";
    QTest::newRow("generic fixed pitch") << "monospace"
                                         << "\\fmodern\\fprq1\\fcharset0 Courier New;";
    QTest::newRow("other fixed pitch") << "DejaVu Sans Mono"
                                       << "\\fmodern\\fprq1\\fcharset0 DejaVu Sans Mono;";
    QTest::newRow("sans serif") << "Arial"
                                << "\\fswiss\\fprq2\\fcharset0 Arial;";
    QTest::newRow("serif") << "Times New Roman"
                           << "\\froman\\fprq2\\fcharset0 Times New Roman;";
}

void RtfWriterTest::fontTable()
{
    QFETCH(QString, family);
    QFETCH(QString, entry);
    // An empty report names its font as the reader should find it.
    QTextDocument document;
    QFont font(family);
    font.setPointSize(9);
    document.setDefaultFont(font);
    const QString rtf = QString::fromLatin1(DocumentToRtf(document));
    QVERIFY2(rtf.contains(QStringLiteral("{\\fonttbl{\\f0") + entry + QStringLiteral("}}")),
             qPrintable(rtf));
}

QTEST_GUILESS_MAIN(RtfWriterTest)
#include "RtfWriter_test.moc"
