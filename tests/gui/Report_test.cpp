// The documentation report of the "&Report" menu driven as a user drives it, on the small
// crafted database: what the report leaves in the other views, the row without a usable
// data file, the report that stops, and saving it (RTF read back by the program's reader
// and by unrtf, PDF read by pdftotext). The report's blocks and sections are tested in
// the core.
#include "../common/Actions.h"
#include "../common/TestFiles.h"
#include "GuiFixture.h"

#include "data/DataTable.h"
#include "reports/DocumentationReport.h"
#include "search/ui/uThesau1.h"
#include "util/NumberFormat.h"
#include "util/RtfReader.h"
#include "util/TextLines.h"
#include "widgets/DbRichText.h"
#include "widgets/Dialogs.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTabWidget>
#include <QTextDocument>
#include <QTextEdit>

using fixture::Child;
using fixture::Session;
using veltra::Dialogs;
using veltra::FileDialogSettings;
using veltra::TForm1;

namespace {

using fixture::ReadBytes;
using fixture::trigger;

void report(TForm1& form)
{
    trigger(form, "WordReport1", QStringLiteral("&Documentation (full)"));
}

void save(TForm1& form)
{
    trigger(form, "Save1", QStringLiteral("&Save the Documentation to file"));
}

/// Runs a tool and returns its standard output; fails the test when the tool is missing.
QString ToolOutput(const QString& tool, const QStringList& arguments)
{
    const QString program = QStandardPaths::findExecutable(tool);
    if (program.isEmpty()) {
        QTest::qFail(
            qPrintable(tool + QStringLiteral(" is not installed: run tools/install-deps.sh")),
            __FILE__, __LINE__);
        return QString();
    }
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(60000) || process.exitCode() != 0)
        return QStringLiteral("<%1 failed>").arg(tool);
    return QString::fromLatin1(process.readAllStandardOutput());
}

/// Records the messages and answers the file dialogs of one test.
struct DialogAnswers
{
    QStringList messages;
    QList<FileDialogSettings> asked;
    QString answer;

    DialogAnswers()
    {
        Dialogs::SetMessageRecorder([this](const QString& text) { messages << text; });
        Dialogs::SetFileAnswerer(
            [this](Dialogs::FileMode, const FileDialogSettings& settings, const QString&) {
                asked << settings;
                return answer;
            });
    }
    ~DialogAnswers()
    {
        Dialogs::SetMessageRecorder({});
        Dialogs::SetFileAnswerer({});
    }
};

const QString ReportTab = QStringLiteral("Report    ");
const QStringList Formatted = {"   AGEGRP   AGEMin   AGEMax     NOBS     MEAN",
                               "     1.00     0.00     5.00   120.00    14.50",
                               "     2.00     5.00    10.00    98.00    25.10",
                               "     3.00    10.00    18.00    77.00    52.00"};

/// The section titles of the report's lines, in order.
QStringList Titles(const QStringList& lines)
{
    QStringList titles;
    for (const QString& line : lines) {
        if (line.endsWith(QLatin1String("(raw parameters)")) ||
            line.endsWith(QLatin1String("(transformed parameters)")) ||
            line.endsWith(QLatin1String("(emp. & adjusted)")))
            titles << line.section(u' ', 0, 0);
    }
    return titles;
}

} // namespace

class ReportTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init() { veltra::SetDecimalSeparator(QLatin1Char('.')); }
    void reportAndItsSideEffects();
    void dataFileNotOpen();
    void incompleteReport();
    void saveAsRtf();
    void saveAsPdf();
    void saveFailsOrIsCancelled();
    void saveEmptyReport();
    void saveFormatByFilter_data();
    void saveFormatByFilter();
    void oneTabWidth();
};

void ReportTest::reportAndItsSideEffects()
{
    Session s;
    TForm1& form = s.start();
    DialogAnswers dialogs;
    QVERIFY(s.clickRow("dbgSources", QStringLiteral("BW")));
    s.selectRow("DBGrid2", 3);
    Child<QPlainTextEdit>(form, "mTableContent")->clear();
    Child<QTabWidget>(form, "t")->setCurrentIndex(0);
    QGuiApplication::clipboard()->setText(QStringLiteral("the user's sentinel"));

    report(form);
    auto* tabs = Child<QTabWidget>(form, "t");
    QCOMPARE(tabs->tabText(tabs->currentIndex()), ReportTab);
    QCOMPARE(Child<QTabWidget>(form, "t")->currentWidget(), Child<QWidget>(form, "tsReport"));
    const QStringList lines = Child<veltra::TOLEEdit>(form, "oe1")->PlainLines();
    QCOMPARE(lines.value(0),
             QStringLiteral("Data Documentation : ") + s.dir.filePath(QStringLiteral("bw1.xml")));
    QCOMPARE(lines.value(3), QStringLiteral("Body weight of men"));
    // Three groups with all three fields: four sections each.
    QCOMPARE(Titles(lines),
             QStringList({"GF-DISTRIBUTION-APPROACH", "GF-DISTRIBUTION-APPROACH", "MOMENTS",
                          "QUANTILES", "GF-DISTRIBUTION-APPROACH", "GF-DISTRIBUTION-APPROACH",
                          "MOMENTS", "QUANTILES", "GF-DISTRIBUTION-APPROACH",
                          "GF-DISTRIBUTION-APPROACH", "MOMENTS", "QUANTILES"}));
    QVERIFY(lines.contains(QStringLiteral("Group:3 Age: 10 - 18")));
    QCOMPARE(lines.last(), QString());
    QCOMPARE(Child<veltra::TOLEEdit>(form, "oe1")->document()->defaultFont(), veltra::ReportFont());

    // A fresh formatted table, the data file on its first row and the views showing it,
    // the user's clipboard untouched, nothing reported.
    QCOMPARE(s.lines(Child<QPlainTextEdit>(form, "mTableContent")), Formatted);
    QCOMPARE(form.Database().dataFile().recNo(), 1);
    QCOMPARE(s.panel(3), QStringLiteral("Group:1 Age: 0 - 5"));
    QCOMPARE(s.lines(Child<QPlainTextEdit>(form, "mTransformed")).value(0),
             QStringLiteral("Current : Body weight of men  Group:1 Age: 0 - 5"));
    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("the user's sentinel"));
    QVERIFY2(s.errors.isEmpty(), qPrintable(s.errors.join(u'\n')));
    QVERIFY(dialogs.messages.isEmpty());

    // A second report replaces the first.
    report(form);
    QCOMPARE(Child<veltra::TOLEEdit>(form, "oe1")->PlainLines(), lines);
}

void ReportTest::dataFileNotOpen()
{
    Session s;
    TForm1& form = s.start();
    DialogAnswers dialogs;
    QVERIFY(s.clickRow("dbgSources", QStringLiteral("BW")));
    QVERIFY(s.clickRow("dbgSources", QStringLiteral("CW"))); // missing.xml
    Child<QPlainTextEdit>(form, "mTableContent")->setPlainText(QStringLiteral("old table"));

    report(form);
    QCOMPARE(dialogs.messages, QStringList{QStringLiteral("No selected data set.")});
    QCOMPARE(Child<QTabWidget>(form, "t")->currentWidget(), Child<QWidget>(form, "tsReport"));
    const QStringList lines = Child<veltra::TOLEEdit>(form, "oe1")->PlainLines();
    QCOMPARE(lines.value(0), QStringLiteral("Data Documentation : ") +
                                 s.dir.filePath(QStringLiteral("missing.xml")));
    QCOMPARE(lines.value(3), QStringLiteral("Missing file row"));
    // The table block holds the table command's message, the summary has no command
    // table, no sections follow; the last line, also in the protocol, says why.
    const QString incomplete = QStringLiteral("*** Report incomplete: the data file \"%1\" does "
                                              "not exist")
                                   .arg(s.dir.filePath(QStringLiteral("missing.xml")));
    QCOMPARE(lines.mid(lines.size() - 9),
             QStringList({"No selected data set.", "", QString(71, u'-'),
                          "SUMMARY (distrib. parameters)", "", "Current : Missing file row", "", "",
                          incomplete}));
    QCOMPARE(s.log().last(), incomplete);
    QVERIFY(Titles(lines).isEmpty());
    QCOMPARE(Child<QPlainTextEdit>(form, "mTableContent")->toPlainText(), QString());
    QVERIFY(s.errors.isEmpty());

    // A row without a data file: the title alone, naming no other row's file.
    dialogs.messages.clear();
    QVERIFY(s.clickRow("dbgSources", QStringLiteral("BW")));
    QVERIFY(s.clickRow("dbgSources", QStringLiteral("DW")));
    report(form);
    QCOMPARE(Child<veltra::TOLEEdit>(form, "oe1")->PlainLines(),
             QStringList({"Data Documentation : ", ""}));
    QVERIFY(dialogs.messages.isEmpty());
    QVERIFY(s.errors.isEmpty());
}

void ReportTest::incompleteReport()
{
    Session s;
    // The zero-divisor row's file: its second age group fails in its fifth GF line.
    fixture::WriteFile(
        s.dir.filePath(QStringLiteral("gf0.xml")),
        fixture::Packet(
            {{"AGEGRP", "string"}, {"GENERALF", "bin.hex"}},
            {{"1", fixture::GfLines},
             {"2", QStringLiteral("TYPE=Gamma;\r\nPT=0.9 2 0.5;\r\nKS=0.01;\r\n"
                                  "TYPE=Loglogistisch;\r\nPT=0.9 0 2;\r\nKS=0.02;\r\n")},
             {"3", fixture::GfLines}}));
    TForm1& form = s.start();
    DialogAnswers dialogs;
    QVERIFY(s.clickRow("dbgSources", QStringLiteral("HW")));
    // The row change's command table already stopped at the second group.
    QCOMPARE(s.errors.size(), 1);
    s.errors.clear();

    report(form);
    const QString line =
        QStringLiteral("*** Report incomplete: Age group 2 (Group:2), GF line 5 \"PT=0.9 0 2;\": "
                       "Floating point division by zero");
    QCOMPARE(Child<veltra::TOLEEdit>(form, "oe1")->PlainLines().last(), line);
    QCOMPARE(s.log().last(), line);
    QCOMPARE(Titles(Child<veltra::TOLEEdit>(form, "oe1")->PlainLines()).size(),
             4); // both GF sections of groups 1 and 2
    // No message box; the report tab is shown and the data file stands on its first row.
    QVERIFY2(s.errors.isEmpty(), qPrintable(s.errors.join(u'\n')));
    QVERIFY(dialogs.messages.isEmpty());
    QCOMPARE(Child<QTabWidget>(form, "t")->currentWidget(), Child<QWidget>(form, "tsReport"));
    QCOMPARE(form.Database().dataFile().recNo(), 1);
}

void ReportTest::saveAsRtf()
{
    Session s;
    TForm1& form = s.start();
    DialogAnswers dialogs;
    QVERIFY(s.clickRow("dbgSources", QStringLiteral("BW")));
    report(form);
    const QStringList shown = Child<veltra::TOLEEdit>(form, "oe1")->PlainLines();

    dialogs.answer = s.dir.filePath(QStringLiteral("report.rtf"));
    save(form);
    QCOMPARE(dialogs.asked.size(), 1);
    QCOMPARE(dialogs.asked.first().title, QStringLiteral("Save the current report"));
    QCOMPARE(dialogs.asked.first().defaultExtension, QStringLiteral("rtf"));
    QCOMPARE(dialogs.asked.first().filter,
             QStringLiteral("Rich Text  Format [*.rtf]|*.rtf|PDF document [*.pdf]|*.pdf"));
    QVERIFY(dialogs.asked.first().confirmOverwrite);
    QVERIFY2(s.errors.isEmpty(), qPrintable(s.errors.join(u'\n')));

    // The program's reader gets the view's lines back, the empty last one included.
    const QString rtf = QString::fromLatin1(ReadBytes(dialogs.answer));
    QCOMPARE(veltra::RtfReader(rtf).plainText().split(QStringLiteral("\r\n")), shown);

    // So does an independent reader, which folds runs of blanks into one.
    QStringList lines =
        ToolOutput(QStringLiteral("unrtf"), {QStringLiteral("--text"), dialogs.answer})
            .split(u'\n');
    while (!lines.isEmpty() && !lines.first().startsWith(QLatin1String("-----------------")))
        lines.removeFirst();
    QVERIFY(!lines.isEmpty());
    lines.removeFirst();
    QStringList expected;
    for (const QString& line : shown)
        expected << QString(line).replace(QRegularExpression(QStringLiteral(" {2,}")),
                                          QStringLiteral(" "));
    while (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    while (!expected.isEmpty() && expected.last().isEmpty())
        expected.removeLast();
    QCOMPARE(lines, expected);
    QCOMPARE(Child<veltra::TOLEEdit>(form, "oe1")->PlainLines(), shown);
}

void ReportTest::saveAsPdf()
{
    Session s;
    TForm1& form = s.start();
    DialogAnswers dialogs;
    QVERIFY(s.clickRow("dbgSources", QStringLiteral("BW")));
    report(form);
    dialogs.answer = s.dir.filePath(QStringLiteral("report.PDF"));
    save(form);
    QVERIFY2(s.errors.isEmpty(), qPrintable(s.errors.join(u'\n')));
    QVERIFY(ReadBytes(dialogs.answer).startsWith("%PDF"));

    // Every line of the report comes back whole and in order. pdftotext places words by
    // their position, so its blanks between columns differ from the text's: runs of
    // blanks are compared as one.
    QStringList text = ToolOutput(QStringLiteral("pdftotext"),
                                  {QStringLiteral("-layout"), dialogs.answer, QStringLiteral("-")})
                           .split(u'\n');
    for (QString& line : text)
        line = line.simplified();
    qsizetype at = 0;
    for (const QString& line : Child<veltra::TOLEEdit>(form, "oe1")->PlainLines()) {
        const QString wanted = line.simplified();
        if (wanted.isEmpty())
            continue;
        while (at < text.size() && text.at(at) != wanted)
            ++at;
        QVERIFY2(at < text.size(), qPrintable(QStringLiteral("not found in order: ") + line));
    }
    QVERIFY(!text.filter(QRegularExpression(QStringLiteral("^Page 1 of [0-9]+$"))).isEmpty());
}

void ReportTest::saveFailsOrIsCancelled()
{
    Session s;
    TForm1& form = s.start();
    DialogAnswers dialogs;
    QVERIFY(s.clickRow("dbgSources", QStringLiteral("BW")));
    report(form);
    const QStringList shown = Child<veltra::TOLEEdit>(form, "oe1")->PlainLines();
    const QStringList files = QDir(s.dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);

    // Cancelled: nothing written, nothing reported.
    dialogs.answer.clear();
    save(form);
    QCOMPARE(QDir(s.dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), files);
    QVERIFY(s.errors.isEmpty());

    // A folder as target, and a folder that does not exist: the guard reports the
    // failure naming the file; the report stays as it was.
    QVERIFY(QDir(s.dir.path()).mkdir(QStringLiteral("folder.rtf")));
    for (const QString& target : {s.dir.filePath(QStringLiteral("folder.rtf")),
                                  s.dir.filePath(QStringLiteral("no/such/folder/report.rtf"))}) {
        s.errors.clear();
        dialogs.answer = target;
        save(form);
        QCOMPARE(s.errors.size(), 1);
        QVERIFY2(s.errors.first().contains(target), qPrintable(s.errors.first()));
        QCOMPARE(Child<veltra::TOLEEdit>(form, "oe1")->PlainLines(), shown);
    }
    QVERIFY(QFileInfo(s.dir.filePath(QStringLiteral("folder.rtf"))).isDir());
    QVERIFY(!QFileInfo::exists(s.dir.filePath(QStringLiteral("no"))));
}

void ReportTest::saveEmptyReport()
{
    Session s;
    TForm1& form = s.start();
    DialogAnswers dialogs;
    QVERIFY(Child<veltra::TOLEEdit>(form, "oe1")->PlainLines().isEmpty());
    dialogs.answer = s.dir.filePath(QStringLiteral("empty.rtf"));
    save(form);
    QVERIFY(s.errors.isEmpty());
    const QByteArray rtf = ReadBytes(dialogs.answer);
    QVERIFY(rtf.startsWith("{\\rtf1"));
    QCOMPARE(veltra::RtfToPlainText(QString::fromLatin1(rtf)).trimmed(), QString());
    // The view's fixed-pitch font under a name that word processors know.
    QVERIFY2(rtf.contains("{\\fonttbl{\\f0\\fmodern\\fprq1\\fcharset0 Courier New;}}"),
             rtf.constData());
}

void ReportTest::saveFormatByFilter_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QString>("written");
    QTest::addColumn<QByteArray>("start");
    QTest::newRow("PDF filter, no extension") << "report"
                                              << "*.pdf"
                                              << "report.pdf" << QByteArray("%PDF-");
    QTest::newRow("RTF filter, no extension") << "report"
                                              << "*.rtf"
                                              << "report.rtf" << QByteArray("{\\rtf1");
    QTest::newRow("PDF filter, typed .rtf") << "typed.rtf"
                                            << "*.pdf"
                                            << "typed.rtf" << QByteArray("{\\rtf1");
    QTest::newRow("RTF filter, typed .pdf") << "typed.pdf"
                                            << "*.rtf"
                                            << "typed.pdf" << QByteArray("%PDF-");
}

void ReportTest::saveFormatByFilter()
{
    QFETCH(QString, typed);
    QFETCH(QString, filter);
    QFETCH(QString, written);
    QFETCH(QByteArray, start);
    Session s;
    TForm1& form = s.start();
    DialogAnswers dialogs;
    QVERIFY(s.clickRow("dbgSources", QStringLiteral("BW")));
    report(form);
    Dialogs::SetChosenFilter(filter);
    dialogs.answer = s.dir.filePath(typed);
    save(form);
    Dialogs::SetChosenFilter(QString());
    QVERIFY2(s.errors.isEmpty(), qPrintable(s.errors.join(u'\n')));
    QVERIFY(ReadBytes(s.dir.filePath(written)).startsWith(start));
    if (written != typed)
        QVERIFY(!QFileInfo::exists(s.dir.filePath(typed)));
}

void ReportTest::oneTabWidth()
{
    // The Information tab, the report and the search window's Info view tab to the half
    // inch, as the RTF (\\deftab720) and the PDF do.
    Session s;
    TForm1& form = s.start();
    QVERIFY(s.clickRow("dbgSources", QStringLiteral("BW")));
    report(form);
    const qreal halfInch = Child<veltra::DbRichText>(form, "dbmInfo")->logicalDpiX() / 2.0;
    QCOMPARE(Child<veltra::DbRichText>(form, "dbmInfo")->tabStopDistance(), halfInch);
    QCOMPARE(
        Child<veltra::TOLEEdit>(form, "oe1")->document()->defaultTextOption().tabStopDistance(),
        halfInch);
    veltra::TfSearchIndex window(form.Guard(), {});
    auto* search = window.findChild<QTextEdit*>(QStringLiteral("DBRichEdit1"));
    QVERIFY(search);
    QCOMPARE(search->tabStopDistance(), halfInch);
}

QTEST_MAIN(ReportTest)
#include "Report_test.moc"
