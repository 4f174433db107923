// The PDF export of a report, read back with the PDF tools of poppler: every line whole
// and in order with its columns, the page numbers in every footer, the fonts embedded; and
// the choice between PDF and RTF by the file's name.
#include "reports/PdfExport.h"
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

#include <algorithm>
#include <limits>

using namespace veltra;

namespace {

// The font of the report view: a fixed-pitch font at 12 screen pixels.
QFont ViewFont()
{
    QFont font(QStringLiteral("Courier New"));
    font.setPixelSize(12);
    return font;
}

// Lines of a fixed-pitch table, several pages long, with one line wider than the page.
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
        if (i == 100) {
            // 150 characters: wider than the page at the view's size.
            QString wide = QStringLiteral("Wide  ");
            for (int column = 1; wide.size() < 150; ++column)
                wide += QStringLiteral("col%1=%2 ").arg(column, 2).arg(column * 11, 4);
            lines << wide.left(150);
        }
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
    void overlongLineWraps();
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
    WritePdfFile(document, path);

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

void PdfExportTest::overlongLineWraps()
{
    // Far wider than the page even at the smallest scale: it wraps, and no text is lost.
    QString line;
    for (int i = 0; line.size() < 600; ++i)
        line += QStringLiteral("word%1 ").arg(i, 3, 10, QChar(u'0'));
    line = line.trimmed();
    QTextDocument document;
    document.setDefaultFont(ViewFont());
    document.setPlainText(QStringLiteral("short line\n") + line);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("wide.pdf"));
    WritePdfFile(document, path);
    const QString text = RunTool(QStringLiteral("pdftotext"), {path, QStringLiteral("-")});
    QStringList shown = text.split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts);
    QCOMPARE(shown.mid(0, 2), (QStringList{QStringLiteral("short"), QStringLiteral("line")}));
    QCOMPARE(shown.mid(2, shown.size() - 6).join(u' '), line);
    QCOMPARE(shown.mid(shown.size() - 4).join(u' '), QStringLiteral("Page 1 of 1"));
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
    WriteReportFile(document, path);
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
            WritePdfFile(document, path);
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
