// The PDF export of a report, read back with the PDF tools of poppler: every line whole
// and in order with its columns, the page numbers in every footer, the fonts embedded;
// no text below 8 points, wide blocks on landscape pages, headers and short tables kept
// with what follows them; and the choice between PDF and RTF by the file's name.
#include "data/ReferenceDatabase.h"
#include "reports/DocumentationReport.h"
#include "reports/PdfExport.h"
#include "tables/ResultTable.h"
#include "util/PageSetup.h"
#include "util/ProtocolLog.h"
#include "util/VeltraError.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTextCursor>
#include <QTextDocument>
#include <QtTest>

#include <QTextBlock>
#include <QTextBlockFormat>

#include <algorithm>
#include <cmath>
#include <limits>

using namespace veltra;

Q_DECLARE_METATYPE(veltra::PaperSize)

namespace {

// The font of the report view: a fixed-pitch font at 12 screen pixels.
QFont ViewFont()
{
    QFont font(QStringLiteral("Courier New"));
    font.setPixelSize(12);
    return font;
}

// Lines of a fixed-pitch table, several pages long.
QStringList ReportLines()
{
    QStringList lines{
        QStringLiteral("Data Documentation : /data/Größenmaße.dat"),
        QStringLiteral("-----------------------------------------------------------------------"),
        QStringLiteral("Nr   Alter  Gruppe      Mittelwert    Streuung   Schiefe"),
    };
    const QStringList groups{QStringLiteral("Jungen"), QStringLiteral("Mädchen"),
                             QStringLiteral("Übrige"), QStringLiteral("Ärzte")};
    for (int i = 1; i <= 240; ++i) {
        lines << QStringLiteral("%1  %2  %3 %4  %5  %6")
                     .arg(i, 3, 10, QChar(u'0'))
                     .arg(i % 18 + 3, 5)
                     .arg(groups[i % groups.size()], -10)
                     .arg(i * 1.375, 12, 'f', 3)
                     .arg(i * 0.0625, 10, 'f', 4)
                     .arg((i % 7 - 3) * 0.1, 8, 'f', 2);
    }
    return lines;
}

QString RunTool(const QString& tool, const QStringList& arguments)
{
    const QString program = QStandardPaths::findExecutable(tool);
    if (program.isEmpty())
        return QString();
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished() || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != 0)
        return QString();
    return QString::fromUtf8(process.readAllStandardOutput());
}

QString TrimmedRight(const QString& line)
{
    qsizetype end = line.size();
    while (end > 0 && line[end - 1].isSpace())
        --end;
    return line.left(end);
}

// A word as pdftotext -bbox places it, in points from the top left of its page.
struct Word
{
    int page;
    bool landscape;
    QSizeF pageSize;
    double left;
    double top;
    double right;
    double bottom;
    QString text;
    double height() const { return bottom - top; }
};

QList<Word> Words(const QString& path)
{
    const QString boxes =
        RunTool(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), path, QStringLiteral("-")});
    static const QRegularExpression item(QStringLiteral(
        R"re(<page width="([0-9.]+)" height="([0-9.]+)">|<word xMin="([0-9.]+)" yMin="([0-9.]+)" xMax="([0-9.]+)" yMax="([0-9.]+)">([^<]*)</word>)re"));
    QList<Word> words;
    int page = -1;
    QSizeF size;
    for (const QRegularExpressionMatch& match : item.globalMatch(boxes)) {
        if (!match.captured(1).isEmpty()) {
            ++page;
            size = QSizeF(match.captured(1).toDouble(), match.captured(2).toDouble());
            continue;
        }
        // The text as XML holds it.
        QString text = match.captured(7);
        text.replace(QLatin1String("&lt;"), QLatin1String("<"))
            .replace(QLatin1String("&gt;"), QLatin1String(">"))
            .replace(QLatin1String("&quot;"), QLatin1String("\""))
            .replace(QLatin1String("&apos;"), QLatin1String("'"))
            .replace(QLatin1String("&amp;"), QLatin1String("&"));
        words.append({page, size.width() > size.height(), size, match.captured(3).toDouble(),
                      match.captured(4).toDouble(), match.captured(5).toDouble(),
                      match.captured(6).toDouble(), text});
    }
    return words;
}

// A printed line: its words joined by one blank, and where it is.
struct PrintedLine
{
    int page;
    bool landscape;
    QSizeF pageSize;
    double top;
    double height;
    QString text;
};

// The lines of the text, footers ("Page N of M") left out: words on one baseline of a
// page make one line, its words from left to right (pdftotext may read columns first).
QList<PrintedLine> PrintedLines(QList<Word> words)
{
    std::stable_sort(words.begin(), words.end(), [](const Word& a, const Word& b) {
        if (a.page != b.page)
            return a.page < b.page;
        if (std::abs(a.top - b.top) >= 0.5)
            return a.top < b.top;
        return a.left < b.left;
    });
    QList<PrintedLine> lines;
    for (const Word& word : words) {
        if (!lines.isEmpty() && lines.last().page == word.page &&
            std::abs(lines.last().top - word.top) < 0.5) {
            lines.last().text += u' ' + word.text;
            continue;
        }
        lines.append(
            {word.page, word.landscape, word.pageSize, word.top, word.height(), word.text});
    }
    static const QRegularExpression footer(QStringLiteral(R"(^Page \d+ of \d+$)"));
    lines.removeIf([](const PrintedLine& line) { return footer.match(line.text).hasMatch(); });
    return lines;
}

// The height pdftotext gives a word of 8 points: that of the footer, which is set at 8.
double EightPointHeight(const QList<Word>& words)
{
    for (const Word& word : words) {
        if (word.text == QLatin1String("Page"))
            return word.height();
    }
    return 0;
}

// The paragraphs as the documentation report marks them.
void AddBlock(QTextCursor& cursor, const QStringList& lines, ReportBlockKind kind, int group)
{
    for (const QString& line : lines) {
        if (!cursor.atStart())
            cursor.insertBlock();
        QTextBlockFormat format;
        format.setProperty(ReportBlockKindProperty, static_cast<int>(kind));
        format.setProperty(ReportBlockGroupProperty, group);
        cursor.setBlockFormat(format);
        cursor.insertText(line);
    }
}

// A line of `width` characters: numbered words, so that each line of a block differs.
QString WideLine(int number, int width)
{
    QString line = QStringLiteral("L%1").arg(number, 2, 10, QChar(u'0'));
    for (int word = 1; line.size() < width; ++word)
        line += QStringLiteral(" w%1").arg(word, 3, 10, QChar(u'0'));
    return line.left(width);
}

QByteArray Head(const QString& path, int size)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray();
    return file.read(size);
}

} // namespace

class PdfExportTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void linesPagesAndFonts();
    void blockWidths_data();
    void blockWidths();
    void keepTogether();
    void proseWraps();
    void tabStops();
    void sampleReport_data();
    void sampleReport();
    void saveFileName_data();
    void saveFileName();
    void reportFileByName_data();
    void reportFileByName();
    void failedWrite();

private:
    QString m_pdfToText;
};

void PdfExportTest::initTestCase()
{
    for (const char* tool : {"pdftotext", "pdffonts"}) {
        if (QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty())
            QFAIL(qPrintable(QStringLiteral("%1 (poppler-utils) is not installed: run "
                                            "tools/install-deps.sh")
                                 .arg(QString::fromLatin1(tool))));
    }
}

void PdfExportTest::linesPagesAndFonts()
{
    const QStringList lines = ReportLines();
    QTextDocument document;
    document.setDefaultFont(ViewFont());
    document.setPlainText(lines.join(u'\n'));

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("report.pdf"));
    WritePdfFile(document, path, PaperSize::A4);

    // The layout of the text on the page: -fixed is pdftotext's physical layout for text of
    // one known pitch, which puts every character in its column. The pitch is measured on
    // the dash line, whose width the bounding boxes give.
    const QString boxes =
        RunTool(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), path, QStringLiteral("-")});
    static const QRegularExpression dashWord(QStringLiteral(
        R"re(<word xMin="([0-9.]+)" yMin="[0-9.]+" xMax="([0-9.]+)"[^>]*>(-+)</word>)re"));
    const QRegularExpressionMatch dashes = dashWord.match(boxes);
    QVERIFY2(dashes.hasMatch(), qPrintable(boxes.left(2000)));
    QCOMPARE(dashes.captured(3), lines[1]);
    const double pitch =
        (dashes.captured(2).toDouble() - dashes.captured(1).toDouble()) / lines[1].size();
    const QString text =
        RunTool(QStringLiteral("pdftotext"),
                {QStringLiteral("-fixed"), QString::number(pitch, 'f', 4), QStringLiteral("-enc"),
                 QStringLiteral("UTF-8"), path, QStringLiteral("-")});
    QVERIFY2(!text.isEmpty(), "pdftotext read no text");
    QStringList pages = text.split(u'\f');
    if (pages.last().trimmed().isEmpty())
        pages.removeLast();
    QVERIFY2(pages.size() >= 3, qPrintable(QString::number(pages.size())));

    // Each page ends with its number (in a font of its own, so off the text's columns);
    // the text lines before it continue the last page.
    static const QRegularExpression footer(QStringLiteral(R"(^\s+Page\s+(\d+)\s+of\s+(\d+)$)"));
    QStringList shown;
    for (qsizetype index = 0; index < pages.size(); ++index) {
        QStringList pageLines = pages[index].split(u'\n');
        while (!pageLines.isEmpty() && pageLines.last().trimmed().isEmpty())
            pageLines.removeLast();
        QVERIFY(!pageLines.isEmpty());
        const QRegularExpressionMatch match = footer.match(pageLines.takeLast());
        QVERIFY2(match.hasMatch(), qPrintable(pages[index]));
        QCOMPARE(match.captured(1).toLongLong(), index + 1);
        QCOMPARE(match.captured(2).toLongLong(), pages.size());
        for (const QString& line : pageLines) {
            if (!line.trimmed().isEmpty())
                shown << TrimmedRight(line);
        }
    }
    // The left margin is an indent common to all lines; without it every line is whole,
    // in order and with its blanks, so the columns are where the fixed-pitch text has them.
    qsizetype margin = std::numeric_limits<qsizetype>::max();
    for (const QString& line : shown) {
        qsizetype blanks = 0;
        while (line[blanks] == u' ')
            ++blanks;
        margin = std::min(margin, blanks);
    }
    for (QString& line : shown)
        line.remove(0, margin);
    QCOMPARE(shown, lines);

    // pdffonts: a header, a line of dashes giving the columns, then one line per font.
    const QStringList fonts =
        RunTool(QStringLiteral("pdffonts"), {path}).split(u'\n', Qt::SkipEmptyParts);
    QVERIFY2(fonts.size() >= 3, qPrintable(fonts.join(u'\n')));
    QVERIFY(fonts[0].contains(QStringLiteral(" emb ")));
    const qsizetype embColumn = fonts[0].indexOf(QStringLiteral(" emb ")) + 1;
    for (qsizetype i = 2; i < fonts.size(); ++i)
        QVERIFY2(fonts[i].mid(embColumn, 3) == QStringLiteral("yes"), qPrintable(fonts[i]));
}

void PdfExportTest::blockWidths_data()
{
    QTest::addColumn<PaperSize>("paper");
    QTest::addColumn<int>("width"); // characters of the table's lines
    QTest::addColumn<bool>("landscape");
    QTest::addColumn<int>("size"); // 9: the view's size; 8: reduced to fit; 0: below 8
    QTest::newRow("A4, fits at 9 pt") << PaperSize::A4 << 80 << false << 9;
    QTest::newRow("A4, fits at 8 pt") << PaperSize::A4 << 95 << false << 8;
    QTest::newRow("A4, landscape") << PaperSize::A4 << 130 << true << 9;
    QTest::newRow("A4, wider than landscape") << PaperSize::A4 << 300 << true << 0;
    QTest::newRow("Letter, fits at 8 pt") << PaperSize::Letter << 100 << false << 8;
    QTest::newRow("Letter, landscape at 8 pt") << PaperSize::Letter << 140 << true << 8;
}

void PdfExportTest::blockWidths()
{
    QFETCH(PaperSize, paper);
    QFETCH(int, width);
    QFETCH(bool, landscape);
    QFETCH(int, size);

    QStringList table;
    for (int i = 1; i <= 6; ++i)
        table << WideLine(i, width);
    QTextDocument document;
    document.setDefaultFont(ViewFont());
    QTextCursor cursor(&document);
    AddBlock(cursor, {QStringLiteral("Title line")}, ReportBlockKind::Line, 1);
    AddBlock(cursor, table, ReportBlockKind::Table, 2);
    AddBlock(cursor, {QStringLiteral("Closing line")}, ReportBlockKind::Line, 3);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("block.pdf"));
    WritePdfFile(document, path, paper);
    const QList<Word> words = Words(path);
    const double eightPoints = EightPointHeight(words);
    QVERIFY(eightPoints > 0);
    const QList<PrintedLine> lines = PrintedLines(words);

    // Every line once and whole, the table's on pages of the expected orientation.
    QStringList texts;
    for (const PrintedLine& line : lines)
        texts << line.text;
    QCOMPARE(texts, QStringList{QStringLiteral("Title line")} + table +
                        QStringList{QStringLiteral("Closing line")});
    const QSizeF portrait = paper == PaperSize::A4 ? QSizeF(595, 842) : QSizeF(612, 792);
    for (const PrintedLine& line : lines) {
        const bool inTable = line.text.startsWith(u'L');
        if (inTable)
            QCOMPARE(line.landscape, landscape);
        const QSizeF expected = line.landscape ? portrait.transposed() : portrait;
        QVERIFY2(std::abs(line.pageSize.width() - expected.width()) < 1 &&
                     std::abs(line.pageSize.height() - expected.height()) < 1,
                 qPrintable(line.text));
        // Text outside the table keeps the view's 9 points.
        const double ratio = line.height / eightPoints;
        if (!inTable) {
            QVERIFY2(std::abs(ratio - 9.0 / 8) < 0.01, qPrintable(QString::number(ratio)));
        } else if (size == 9) {
            QVERIFY2(std::abs(ratio - 9.0 / 8) < 0.01, qPrintable(QString::number(ratio)));
        } else if (size == 8) {
            QVERIFY2(ratio >= 0.995 && ratio < 9.0 / 8 - 0.01, qPrintable(QString::number(ratio)));
        } else {
            QVERIFY2(ratio < 0.99, qPrintable(QString::number(ratio)));
        }
    }
}

void PdfExportTest::keepTogether()
{
    // Filler lines of growing number move the headers over the foot of the first page.
    const QStringList header{QString(71, u'-'), QStringLiteral("Current : content"),
                             QStringLiteral("Group:1"), QStringLiteral("TITLE"), QString()};
    QStringList shortTable;
    for (int i = 1; i <= 25; ++i)
        shortTable << QStringLiteral("short %1 %2").arg(i).arg(i * 1.5, 8, 'f', 2);
    QStringList longTable{QStringLiteral("Heading  of  the  long  table")};
    for (int i = 1; i <= 90; ++i)
        longTable << QStringLiteral("long %1 %2").arg(i).arg(i * 2.5, 8, 'f', 2);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    for (int fillers = 40; fillers <= 70; fillers += 3) {
        QTextDocument document;
        document.setDefaultFont(ViewFont());
        QTextCursor cursor(&document);
        QStringList fill;
        for (int i = 1; i <= fillers; ++i)
            fill << QStringLiteral("filler %1").arg(i);
        AddBlock(cursor, fill, ReportBlockKind::Line, 1);
        AddBlock(cursor, header, ReportBlockKind::Header, 2);
        AddBlock(cursor, shortTable, ReportBlockKind::Table, 3);
        AddBlock(cursor, header, ReportBlockKind::Header, 4);
        AddBlock(cursor, longTable, ReportBlockKind::Table, 5);
        const QString path = dir.filePath(QStringLiteral("keep%1.pdf").arg(fillers));
        WritePdfFile(document, path, PaperSize::A4);
        const QList<PrintedLine> lines = PrintedLines(Words(path));

        // Every line once, in order, but the long table's heading where it goes on.
        QStringList texts;
        QList<int> pages;
        for (const PrintedLine& line : lines) {
            texts << line.text;
            pages << line.page;
        }
        const QString where = QStringLiteral("%1 fillers").arg(fillers);
        QStringList expected = fill;
        for (const QStringList& block : {shortTable, longTable}) {
            for (const QString& line : header) {
                if (!line.isEmpty())
                    expected << line;
            }
            for (const QString& line : block)
                expected << line.simplified();
        }
        QStringList withoutRepeats;
        for (qsizetype i = 0; i < texts.size(); ++i) {
            const bool repeated =
                texts[i] == longTable.first().simplified() && i > 0 && texts.indexOf(texts[i]) < i;
            if (!repeated)
                withoutRepeats << texts[i];
            else
                // A repeated heading opens its page and continues the table.
                QVERIFY2(pages[i] != pages[i - 1] && texts.value(i + 1).startsWith("long "),
                         qPrintable(where));
        }
        QCOMPARE(withoutRepeats, expected);

        // A header's lines are on the page of its block's first line; the short table is
        // on one page; each page of the long table starts with its heading.
        for (const QString& first : {shortTable.first(), longTable.first()}) {
            const qsizetype start = texts.indexOf(first.simplified());
            for (qsizetype i = start - 4; i < start; ++i)
                QVERIFY2(pages[i] == pages[start], qPrintable(where + u' ' + texts[i]));
        }
        QCOMPARE(pages[texts.indexOf(shortTable.last().simplified())],
                 pages[texts.indexOf(shortTable.first().simplified())]);
        for (qsizetype i = 1; i < texts.size(); ++i) {
            if (pages[i] != pages[i - 1] && texts[i].startsWith("long "))
                QFAIL(qPrintable(where + ": the long table goes on without its heading"));
        }
    }
}

void PdfExportTest::proseWraps()
{
    // Running text wraps at the text width; each word is printed once and at 9 points.
    QString text;
    for (int i = 0; text.size() < 20000; ++i)
        text += QStringLiteral("word%1 ").arg(i, 4, 10, QChar(u'0'));
    text = text.trimmed();
    QTextDocument document;
    document.setDefaultFont(ViewFont());
    QTextCursor cursor(&document);
    AddBlock(cursor, {text}, ReportBlockKind::Prose, 1);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("prose.pdf"));
    WritePdfFile(document, path, PaperSize::A4);
    const QList<Word> words = Words(path);
    const double eightPoints = EightPointHeight(words);
    QStringList printed;
    double right = 0;
    for (const Word& word : words) {
        if (!word.text.startsWith(QLatin1String("word")))
            continue;
        printed << word.text;
        QVERIFY(word.height() >= eightPoints * 0.995);
        right = std::max(right, word.right);
    }
    QCOMPARE(printed.join(u' '), text);
    QVERIFY2(right <= 595 - 20 / 25.4 * 72 + 1, qPrintable(QString::number(right)));
    QVERIFY(PrintedLines(words).size() > 200);
}

void PdfExportTest::tabStops()
{
    // Without tab stops of its own a tab goes to the next half inch: 36 points.
    QTextDocument document;
    document.setDefaultFont(ViewFont());
    QTextCursor cursor(&document);
    AddBlock(cursor, {QStringLiteral("a\tb\tStatistics:\tc")}, ReportBlockKind::Prose, 1);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("tabs.pdf"));
    WritePdfFile(document, path, PaperSize::A4);
    QList<Word> words = Words(path);
    words.removeIf([](const Word& word) { return word.top > 700; });
    QCOMPARE(words.size(), 4);
    const double left = words[0].left;
    QCOMPARE(qRound(words[1].left - left), 36);
    QCOMPARE(qRound(words[2].left - left), 72);
    // "Statistics:" is 11 characters (59 points at 9 points): the next stop is at 144.
    QCOMPARE(qRound(words[3].left - left), 144);
}

void PdfExportTest::sampleReport_data()
{
    QTest::addColumn<qint64>("id");
    QTest::addColumn<PaperSize>("paper");
    QTest::newRow("1001 on A4") << qint64(1001) << PaperSize::A4;
    QTest::newRow("1014 on Letter") << qint64(1014) << PaperSize::Letter;
}

void PdfExportTest::sampleReport()
{
    // The sample's reports as the viewer makes them: no word below 8 points, every line
    // but the running text whole and once (a split table's heading again where it goes
    // on), no section header last on its page.
    QFETCH(qint64, id);
    QFETCH(PaperSize, paper);
    const QString sample = QStringLiteral(VELTRA_SAMPLE_DIR);
    ReferenceDatabase db(sample, sample);
    db.LoadParameterTable();
    db.LocateParameter(id);
    QCOMPARE(ReferenceDatabase::CurrentText(db.parameters(), QStringLiteral("ID")),
             QString::number(id));
    ProtocolLog log;
    QCOMPARE(db.ConnectDataFile(
                   ReferenceDatabase::CurrentText(db.parameters(), QStringLiteral("DataFile")),
                   false, log)
                 .outcome,
             ConnectOutcome::Connected);
    ReportOptions options;
    options.table.fieldNames = db.dataFieldNames();
    options.table.checked = QList<bool>(options.table.fieldNames.size(), true);
    options.table.sectionFieldNames = DefaultSectionFieldNames();
    const ReportResult report = BuildDocumentationReport(db, options);
    QVERIFY(report.complete());

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("report.pdf"));
    WritePdfFile(*report.document, path, paper);
    const QList<Word> words = Words(path);
    const double eightPoints = EightPointHeight(words);
    QVERIFY(eightPoints > 0);
    for (const Word& word : words)
        QVERIFY2(word.height() >= eightPoints * 0.995, qPrintable(word.text));

    QStringList expected; // the lines outside the running text
    QStringList headings; // the first lines of the tables
    for (QTextBlock block = report.document->begin(); block.isValid(); block = block.next()) {
        const QTextBlockFormat format = block.blockFormat();
        const auto kind = static_cast<ReportBlockKind>(format.intProperty(ReportBlockKindProperty));
        if (kind == ReportBlockKind::Prose || block.text().trimmed().isEmpty())
            continue;
        expected << block.text().simplified();
        if (kind == ReportBlockKind::Table &&
            block.previous().blockFormat().intProperty(ReportBlockGroupProperty) !=
                format.intProperty(ReportBlockGroupProperty))
            headings << block.text().simplified();
    }
    // In order, each once; besides them only running text, and a table's heading again
    // at the head of a page.
    const QList<PrintedLine> printed = PrintedLines(words);
    qsizetype next = 0;
    for (qsizetype i = 0; i < printed.size(); ++i) {
        const QString& text = printed[i].text;
        if (next < expected.size() && text == expected[next]) {
            ++next;
            continue;
        }
        const bool repeatedHeading =
            headings.contains(text) && (i == 0 || printed[i - 1].page != printed[i].page);
        QVERIFY2(repeatedHeading || !expected.contains(text),
                 qPrintable(QStringLiteral("out of order or twice: \"%1\", awaited \"%2\"")
                                .arg(text, expected.value(next))));
    }
    QCOMPARE(next, expected.size());

    static const QRegularExpression header(
        QStringLiteral(R"(^(-{71}|SUMMARY \(distrib\. parameters\)|.*\((raw|transformed) )"
                       R"(parameters\)|.* OF THE DISTRIBUTION \(emp\. & adjusted\))$)"));
    for (qsizetype i = 0; i + 1 < printed.size(); ++i) {
        if (header.match(printed[i].text).hasMatch())
            QVERIFY2(printed[i + 1].page == printed[i].page, qPrintable(printed[i].text));
    }
}

void PdfExportTest::saveFileName_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<QString>("saved");
    QTest::newRow("PDF chosen, no extension") << "/d/report"
                                              << "*.pdf"
                                              << "/d/report.pdf";
    QTest::newRow("RTF chosen, no extension") << "/d/report"
                                              << "*.rtf"
                                              << "/d/report.rtf";
    QTest::newRow("typed extension wins") << "/d/report.rtf"
                                          << "*.pdf"
                                          << "/d/report.rtf";
    QTest::newRow("typed PDF wins") << "/d/report.PDF"
                                    << "*.rtf"
                                    << "/d/report.PDF";
    QTest::newRow("other typed extension") << "/d/report.v2"
                                           << "*.pdf"
                                           << "/d/report.v2";
    QTest::newRow("trailing dot") << "/d/report."
                                  << "*.pdf"
                                  << "/d/report.pdf";
    QTest::newRow("leading dot is no extension") << "/d/.report"
                                                 << "*.pdf"
                                                 << "/d/.report.pdf";
    QTest::newRow("dot in a folder name") << "/d.x/report"
                                          << "*.pdf"
                                          << "/d.x/report.pdf";
    QTest::newRow("no plain pattern") << "/d/report"
                                      << "*.*"
                                      << "/d/report.rtf";
    QTest::newRow("cancelled") << ""
                               << "*.pdf"
                               << "";
    QTest::newRow("folder only") << "/d/"
                                 << "*.pdf"
                                 << "";
}

void PdfExportTest::saveFileName()
{
    QFETCH(QString, typed);
    QFETCH(QString, pattern);
    QFETCH(QString, saved);
    QCOMPARE(ReportSaveFileName(typed, pattern), saved);
}

void PdfExportTest::reportFileByName_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("start");
    QTest::newRow("pdf") << "report.pdf" << QByteArray("%PDF-");
    QTest::newRow("PDF in capitals") << "REPORT.PDF" << QByteArray("%PDF-");
    QTest::newRow("rtf") << "report.rtf" << QByteArray("{\\rtf1");
    QTest::newRow("any other name") << "report.pdf.txt" << QByteArray("{\\rtf1");
    QTest::newRow("no extension") << "report" << QByteArray("{\\rtf1");
}

void PdfExportTest::reportFileByName()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, start);

    QTextDocument document;
    document.setPlainText(QStringLiteral("report"));
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(name);
    WriteReportFile(document, path, PaperSize::A4);
    QCOMPARE(Head(path, static_cast<int>(start.size())), start);
}

void PdfExportTest::failedWrite()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("folder.pdf")));
    QTextDocument document;
    document.setPlainText(QStringLiteral("report"));

    for (const QString& name :
         {QStringLiteral("missing/report.pdf"), QStringLiteral("folder.pdf")}) {
        const QString path = dir.filePath(name);
        QString message;
        try {
            WritePdfFile(document, path, PaperSize::A4);
        } catch (const VeltraError& error) {
            message = error.message();
        }
        QVERIFY2(message.startsWith("cannot write \"" + path + "\": "), qPrintable(message));
    }
    QVERIFY(QFileInfo(dir.filePath(QStringLiteral("folder.pdf"))).isDir());
    QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
             QStringList{QStringLiteral("folder.pdf")});
}

QTEST_MAIN(PdfExportTest)
#include "PdfExport_test.moc"
