// The table commands of the main window driven as a user drives them, on the small
// crafted database: result tables, the command/parameter table, the formatted table
// generator and the way out by clipboard and file. The rules of each table are tested
// in the core; here, what the window does around them.
#include "../common/Actions.h"
#include "../common/WorkbookReader.h"
#include "GuiFixture.h"
#include "SecondaryWindows.h"

#include "data/DataTable.h"
#include "tables/FormatLanguage.h"
#include "tables/ui/uClipTables.h"
#include "tables/ui/uFormATable.h"
#include "util/NumberFormat.h"
#include "widgets/Dialogs.h"

#include <QAction>
#include <QCheckBox>
#include <QClipboard>
#include <QGuiApplication>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
#include <QStatusBar>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>

using fixture::Child;
using fixture::Session;
using veltra::Dialogs;
using veltra::FileDialogSettings;
using veltra::TForm1;

namespace {

void click(QObject& window, const char* name)
{
    auto* button = window.findChild<QAbstractButton*>(QLatin1String(name));
    QVERIFY2(button, name);
    QTest::mouseClick(button, Qt::LeftButton);
}

using fixture::trigger;

QString ReadFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QStringLiteral("?");
}

/// Records the messages and answers the file dialogs of one test.
struct DialogAnswers
{
    QStringList messages;
    QList<FileDialogSettings> asked;
    QStringList initialNames;
    QString answer;

    DialogAnswers()
    {
        Dialogs::SetMessageRecorder([this](const QString& text) { messages << text; });
        Dialogs::SetFileAnswerer(
            [this](Dialogs::FileMode, const FileDialogSettings& settings, const QString& initial) {
                asked << settings;
                initialNames << initial;
                return answer;
            });
    }
    ~DialogAnswers()
    {
        Dialogs::SetMessageRecorder({});
        Dialogs::SetFileAnswerer({});
    }
};

// bw1.xml with Digits 9, Decimals 2 and "." as decimal separator; GENERALF, MOMENTS and
// QUANTILES are section fields and never columns.
const QStringList Formatted = {"   AGEGRP   AGEMin   AGEMax     NOBS     MEAN",
                               "     1.00     0.00     5.00   120.00    14.50",
                               "     2.00     5.00    10.00    98.00    25.10",
                               "     3.00    10.00    18.00    77.00    52.00"};

} // namespace

class TableOutputTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init() { veltra::SetDecimalSeparator(QLatin1Char('.')); }
    void resultTables();
    void resultTableWithoutDataFile();
    void commandTable();
    void commandTableErrorShownOnce();
    void clipboardAndFile();
    void excelWorkbook();
    void formattedTableGenerator();
    void formattedTableGeneratorFiles();
    void userDefinedTableFromTheMainWindow();
    void shippedStandardFormat();
};

void TableOutputTest::resultTables()
{
    Session s;
    TForm1& form = s.start();
    QVERIFY(s.clickRow("dbgSources", QStringLiteral("BW")));
    s.selectRow("DBGrid2", 3);
    Child<QTabWidget>(form, "t")->setCurrentIndex(0);

    click(form, "bGenTable");
    QCOMPARE(s.lines(Child<QPlainTextEdit>(form, "mTableContent")), Formatted);
    QCOMPARE(Child<QTabWidget>(form, "t")->currentIndex(), 2); // the "Parameter Table" page
    QCOMPARE(form.Database().dataFile().recNo(), 1);
    QVERIFY(Child<QPushButton>(form, "bTableToExcelFormatByClipboard")->isEnabled());

    // CSV upper-cases the browser's field names and disables the spreadsheet copy.
    trigger(form, "GenerateCSVTable1");
    QCOMPARE(s.lines(Child<QPlainTextEdit>(form, "mTableContent")),
             QStringList({"AGEGRP;AGEMIN;AGEMAX;NOBS;MEAN", "1.00;0.00;5.00;120.00;14.50",
                          "2.00;5.00;10.00;98.00;25.10", "3.00;10.00;18.00;77.00;52.00"}));
    QVERIFY(!Child<QPushButton>(form, "bTableToExcelFormatByClipboard")->isEnabled());
    QCOMPARE(form.Database().dataFieldNames().at(1), QStringLiteral("AGEMIN"));

    // A formatted table made afterwards shows the upper-case names; unchecked fields
    // and the spin edits take part.
    Child<QListWidget>(form, "clbVar")->item(1)->setCheckState(Qt::Unchecked);
    Child<QListWidget>(form, "clbVar")->item(2)->setCheckState(Qt::Unchecked);
    Child<QSpinBox>(form, "seTabDig")->setValue(7);
    Child<QSpinBox>(form, "seTabDec")->setValue(1);
    trigger(form, "GenerateFormattedTable1");
    QCOMPARE(s.lines(Child<QPlainTextEdit>(form, "mTableContent")).first(),
             QStringLiteral(" AGEGRP   NOBS   MEAN"));
    QCOMPARE(s.lines(Child<QPlainTextEdit>(form, "mTableContent")).at(1),
             QStringLiteral("    1.0  120.0   14.5"));
    QVERIFY(Child<QPushButton>(form, "bTableToExcelFormatByClipboard")->isEnabled());

    click(form, "bGenTabDelim");
    QCOMPARE(s.lines(Child<QPlainTextEdit>(form, "mTableContent")).at(0),
             QStringLiteral("AGEGRP\tNOBS\tMEAN"));
    QVERIFY(Child<QPushButton>(form, "bTableToExcelFormatByClipboard")->isEnabled());

    // A new data file brings its names back as stored and every field checked.
    QVERIFY(s.clickRow("dbgSources", QStringLiteral("GW")));
    QVERIFY(s.clickRow("dbgSources", QStringLiteral("BW")));
    QCOMPARE(form.Database().dataFieldNames().at(1), QStringLiteral("AGEMin"));
    QVERIFY(s.lines(Child<QPlainTextEdit>(form, "mTableContent")).isEmpty());
    QVERIFY(s.errors.isEmpty());
}

void TableOutputTest::resultTableWithoutDataFile()
{
    Session s;
    TForm1& form = s.start();
    DialogAnswers dialogs;
    click(form, "bGenTable");
    QVERIFY(s.clickRow("dbgSources", QStringLiteral("DW"))); // no data file
    Child<QPlainTextEdit>(form, "mTableContent")->setPlainText(QStringLiteral("old"));
    Child<QTabWidget>(form, "t")->setCurrentIndex(0);
    click(form, "bGenCSVTable");
    QCOMPARE(dialogs.messages, QStringList({"No selected data set."}));
    QVERIFY(Child<QPlainTextEdit>(form, "mTableContent")->toPlainText().isEmpty());
    QCOMPARE(Child<QTabWidget>(form, "t")->currentIndex(), 0);
    QVERIFY(Child<QPushButton>(form, "bTableToExcelFormatByClipboard")
                ->isEnabled()); // the state is kept
}

void TableOutputTest::commandTable()
{
    Session s;
    TForm1& form = s.start();
    DialogAnswers dialogs;
    // Built with the row change: bw1.xml has GF lines in groups 1 and 3.
    QVERIFY(s.clickRow("dbgSources", QStringLiteral("BW")));
    const QStringList built = s.lines(Child<QPlainTextEdit>(form, "mFormula"));
    QCOMPARE(built.mid(0, 5),
             QStringList({"Source     : Zeta Survey", "Variable   : BW", "Sex/Gender : M",
                          "Current    : Body weight of men", "Group:1 Age: 0 - 5"}));
    // Group 1 converts to a header and two distributions, group 3 to a header and one:
    // each lists the lines it has (Top 2 would ask for one more), then an empty line.
    QCOMPARE(built.size(), 4 + 5 + 4);
    QCOMPARE(built.mid(5, 3), fixture::GfConverted());
    QCOMPARE(built.at(9), QStringLiteral("Group:3 Age: 10 - 18"));

    // Changing Top or Exclude GF rebuilds only on the button.
    Child<QSpinBox>(form, "seTop")->setValue(1);
    Child<QCheckBox>(form, "cbExcludeGF")->setChecked(true);
    QCOMPARE(s.lines(Child<QPlainTextEdit>(form, "mFormula")), built);
    s.selectRow("DBGrid2", 2);
    click(form, "bGenerateACommandTable");
    QCOMPARE(s.lines(Child<QPlainTextEdit>(form, "mFormula")).mid(4, 4),
             QStringList({"Group:1 Age: 0 - 5", fixture::GfConverted().at(0),
                          fixture::GfConverted().at(2), QString()}));
    QCOMPARE(form.Database().dataFile().recNo(), 1);

    // Pressed again: the same table, not appended.
    const QStringList again = s.lines(Child<QPlainTextEdit>(form, "mFormula"));
    click(form, "bGenerateACommandTable");
    QCOMPARE(s.lines(Child<QPlainTextEdit>(form, "mFormula")), again);

    // A row without data file empties it; the button then says so and keeps the view.
    QVERIFY(s.clickRow("dbgSources", QStringLiteral("DW")));
    QVERIFY(Child<QPlainTextEdit>(form, "mFormula")->toPlainText().isEmpty());
    Child<QPlainTextEdit>(form, "mFormula")->setPlainText(QStringLiteral("kept"));
    click(form, "bGenerateACommandTable");
    QCOMPARE(dialogs.messages, QStringList({"No data set selected."}));
    QCOMPARE(Child<QPlainTextEdit>(form, "mFormula")->toPlainText(), QStringLiteral("kept"));
    QVERIFY(s.errors.isEmpty());
}

void TableOutputTest::commandTableErrorShownOnce()
{
    Session s;
    TForm1& form = s.start();
    // gf0.xml's only group fails to convert: the connection shows the error once, the
    // command table stops at that group without a second box, and the restriction panel
    // still follows the row.
    QVERIFY(s.clickRow("dbgSources", QStringLiteral("HW")));
    QCOMPARE(s.errors, QStringList({"Floating point division by zero"}));
    QCOMPARE(s.lines(Child<QPlainTextEdit>(form, "mFormula")).size(), 4);
    QVERIFY(Child<QWidget>(form, "pnRestriction")->isHidden()); // HW has no restriction line
    // The button reports it.
    click(form, "bGenerateACommandTable");
    QCOMPARE(s.errors.size(), 2);
}

void TableOutputTest::clipboardAndFile()
{
    Session s;
    TForm1& form = s.start();
    veltra::TfClipTab clipTab;
    fixture::Attach(form, {.clipTab = &clipTab});
    DialogAnswers dialogs;
    QVERIFY(s.clickRow("dbgSources", QStringLiteral("BW")));
    click(form, "bGenTable");
    QClipboard* clipboard = QGuiApplication::clipboard();

    click(form, "bTableToClipboard");
    QCOMPARE(clipboard->text(), Formatted.join(QStringLiteral("\r\n")));
    click(form, "bTableToExcelFormatByClipboard");
    QCOMPARE(clipboard->text(), QStringLiteral("AGEGRP\tAGEMin\tAGEMax\tNOBS\tMEAN\r\n"
                                               "1.00\t0.00\t5.00\t120.00\t14.50\r\n"
                                               "2.00\t5.00\t10.00\t98.00\t25.10\r\n"
                                               "3.00\t10.00\t18.00\t77.00\t52.00"));
    QVERIFY(clipTab.isHidden());
    click(form, "bParaToClipBoard");
    QCOMPARE(clipboard->text(),
             s.lines(Child<QPlainTextEdit>(form, "mFormula")).join(QStringLiteral("\r\n")));

    // Save: the dialog's settings, CR LF line ends, the name kept for the next save.
    dialogs.answer = s.dir.path() + QStringLiteral("/table.txt");
    trigger(form, "SaveTabletofile1");
    QCOMPARE(ReadFile(dialogs.answer), Formatted.join(QStringLiteral("\r\n")) + "\r\n");
    QCOMPARE(dialogs.asked.first().title, QStringLiteral("Save the table to .."));
    QCOMPARE(dialogs.asked.first().filter, QStringLiteral("Text file [*.txt]|*.txt|All|*.*"));
    QCOMPARE(dialogs.asked.first().defaultExtension, QStringLiteral("txt"));
    QVERIFY(dialogs.asked.first().confirmOverwrite);
    trigger(form, "ClearTable1");
    QVERIFY(Child<QPlainTextEdit>(form, "mTableContent")->toPlainText().isEmpty());
    trigger(form, "SaveTabletofile1"); // an empty table gives an empty file
    QCOMPARE(dialogs.initialNames.last(), dialogs.answer);
    QCOMPARE(ReadFile(dialogs.answer), QString());

    // A file that cannot be written is reported and changes nothing; cancelling too.
    Child<QPlainTextEdit>(form, "mTableContent")->setPlainText(QStringLiteral("x"));
    dialogs.answer = s.dir.path() + QStringLiteral("/no/such/folder/t.txt");
    trigger(form, "SaveTabletofile1");
    QCOMPARE(s.errors.size(), 1);
    QVERIFY2(s.errors.first().contains(QStringLiteral("t.txt")), qPrintable(s.errors.first()));
    dialogs.answer.clear();
    trigger(form, "SaveTabletofile1");
    QCOMPARE(s.errors.size(), 1);
    QCOMPARE(Child<QPlainTextEdit>(form, "mTableContent")->toPlainText(), QStringLiteral("x"));
}

void TableOutputTest::excelWorkbook()
{
    Session s;
    TForm1& form = s.start();
    DialogAnswers dialogs;
    QVERIFY(s.clickRow("dbgSources", QStringLiteral("BW")));
    Child<QSpinBox>(form, "seTabDec")->setValue(1);
    Child<QListWidget>(form, "clbVar")->item(4)->setCheckState(Qt::Unchecked); // MEAN
    dialogs.answer = s.dir.path() + QStringLiteral("/bw.xlsx");
    click(form, "bSaveTableAsWorkbook");
    QVERIFY2(s.errors.isEmpty(), qPrintable(s.errors.join(u'\n')));
    QCOMPARE(dialogs.asked.first().filter, QStringLiteral("Excel workbook [*.xlsx]|*.xlsx"));
    QCOMPARE(dialogs.asked.first().defaultExtension, QStringLiteral("xlsx"));
    QVERIFY(dialogs.asked.first().confirmOverwrite);

    QString error;
    const QJsonObject book = fixture::ReadWorkbook(dialogs.answer, &error);
    QVERIFY2(!book.isEmpty(), qPrintable(error));
    const QJsonArray sheets = book[QStringLiteral("sheets")].toArray();
    auto values = [&sheets](int sheet, int row) {
        QVariantList list;
        const QJsonArray cells =
            sheets.at(sheet)[QStringLiteral("rows")].toArray().at(row).toArray();
        for (const QJsonValue& cell : cells)
            list << cell[QStringLiteral("value")].toVariant();
        return list;
    };
    // The checked columns of the result table, the numbers as numbers with one place.
    QCOMPARE(values(0, 0), QVariantList({"AGEGRP", "AGEMin", "AGEMax", "NOBS"}));
    QCOMPARE(values(0, 1), QVariantList({1.0, 0.0, 5.0, 120.0}));
    QCOMPARE(
        fixture::WorkbookCell(sheets.at(0).toObject(), 1, 3)[QStringLiteral("format")].toString(),
        QStringLiteral("0.0"));
    QCOMPARE(values(1, 0), QVariantList({"Variable", "BW"}));

    // The DataTables menu entry runs the same command and remembers the name.
    dialogs.answer = s.dir.path() + QStringLiteral("/bw2.xlsx");
    trigger(form, "SaveTableAsWorkbook1");
    QCOMPARE(dialogs.initialNames.last(), s.dir.path() + QStringLiteral("/bw.xlsx"));
    QVERIFY(!fixture::ReadWorkbook(dialogs.answer, &error).isEmpty());
    QVERIFY(s.errors.isEmpty());
}

void TableOutputTest::formattedTableGenerator()
{
    Session s;
    TForm1& form = s.start();
    veltra::TfFormTab window(s.exePath(), form.Guard());
    window.show();
    int beeps = 0;
    window.SetBeeper([&beeps] { ++beeps; });
    QCOMPARE(window.Memo1->toPlainText().split(u'\n').at(6),
             QStringLiteral("String         S(digits)               e.g.  C5"));
    QCOMPARE(window.sbAdd->toolTip(), QStringLiteral("Fill the selected variable(s) to window"));
    QVERIFY(window.cbdel->isChecked() && window.cbClearAfter->isChecked());

    // "xml" alone is no data file; a file that cannot be read beeps and says so.
    window.SetDataFile(QStringLiteral("xml"), 8, 1);
    QCOMPARE(window.ListBoxSource->count(), 0);
    window.SetDataFile(s.dir.path() + QStringLiteral("/broken.xml"), 8, 1);
    QCOMPARE(beeps, 1);
    QCOMPARE(window.findChild<QLabel*>(QStringLiteral("sbFormPanel0"))->text(),
             "Error reading " + s.dir.path() + "/broken.xml");
    QCOMPARE(window.DefaultDigits, quint8(9));

    window.SetDataFile(s.dir.path() + QStringLiteral("/bw1.xml"), 8, 1);
    QCOMPARE(window.ListBoxSource->count(), 8);
    window.ListBoxSource->item(3)->setSelected(true); // NOBS
    window.ListBoxSource->item(0)->setSelected(true); // AGEGRP
    click(window, "sbAdd");
    QCOMPARE(window.FormatLines(), QStringList({"AGEGRP F8.1", "NOBS F8.1"}));

    // Comment lines stay unless "Delete/Empty" is set; the parsed format keeps one
    // element per line.
    window.mVarClasses->setPlainText(QStringLiteral("AGEGRP I6 Group\n\n// a comment\nNOBS F8.1"));
    window.cbdel->setChecked(false);
    click(window, "bRun");
    QCOMPARE(window.ResultLines(),
             QStringList({" Group    NOBS", "     1   120.0", "     2    98.0", "     3    77.0"}));
    QCOMPARE(window.FormatLines().size(), 4);
    QCOMPARE(veltra::ParseFormatLines(window.FormatLines()).size(), 4);
    window.cbdel->setChecked(true);
    click(window, "bRun");
    QCOMPARE(window.FormatLines(), QStringList({"AGEGRP I6 Group", "NOBS F8.1"}));

    // A format word that cannot be read: the message names the line; the result is empty.
    window.mVarClasses->setPlainText(QStringLiteral("AGEGRP I6\nNOBS F9"));
    click(window, "bRun");
    QCOMPARE(s.errors.size(), 1);
    QVERIFY2(s.errors.first().contains(QStringLiteral("F9")), qPrintable(s.errors.first()));
    QVERIFY2(s.errors.first().contains(QStringLiteral("2")), qPrintable(s.errors.first()));
    QVERIFY(window.ResultLines().isEmpty());

    // Sort, then showing the window again stops sorting but keeps the order.
    click(window, "bSort");
    QCOMPARE(window.ListBoxSource->item(0)->text(), QStringLiteral("AGEGRP"));
    QCOMPARE(window.ListBoxSource->item(1)->text(), QStringLiteral("AGEMax"));
    window.hide();
    window.show();
    QVERIFY(!window.ListBoxSource->isSortingEnabled());
    click(window, "Button1");
    QVERIFY(window.mVarClasses->toPlainText().isEmpty());

    // Closing closes the window's own copy and, with "Clear Fields", empties the format.
    window.mVarClasses->setPlainText(QStringLiteral("NOBS"));
    click(window, "bCloset");
    QVERIFY(!window.cdsTab.isOpen());
    QVERIFY(window.mVarClasses->toPlainText().isEmpty());
    QVERIFY(window.isHidden());
}

void TableOutputTest::formattedTableGeneratorFiles()
{
    Session s;
    TForm1& form = s.start();
    veltra::TfFormTab window(s.exePath(), form.Guard());
    window.show();
    DialogAnswers dialogs;
    window.SetDataFile(s.dir.path() + QStringLiteral("/bw1.xml"), 9, 2);
    window.mVarClasses->setPlainText(QStringLiteral("NOBS I5\n// kept as written"));

    dialogs.answer = s.dir.path() + QStringLiteral("/format.txt");
    click(window, "sbSave");
    QCOMPARE(ReadFile(dialogs.answer), QStringLiteral("NOBS I5\r\n// kept as written\r\n"));
    QCOMPARE(dialogs.initialNames.last(), s.dir.path() + QStringLiteral("/bw1.txt"));
    QCOMPARE(dialogs.asked.last().title, QStringLiteral("Save the descrition format ..."));
    QVERIFY(!dialogs.asked.last().confirmOverwrite);

    click(window, "Button1");
    click(window, "sbLoad");
    QCOMPARE(dialogs.asked.last().title, QStringLiteral("Load the descrition format ..."));
    QCOMPARE(window.FormatLines(), QStringList({"NOBS I5", "// kept as written"}));

    // The standard format file lies beside the executable; a missing one is an error that
    // leaves the format text as it was.
    click(window, "sbStandard");
    QCOMPARE(s.errors.size(), 1);
    QVERIFY2(s.errors.first().contains(s.exePath() + QStringLiteral(".txt")),
             qPrintable(s.errors.first()));
    QCOMPARE(window.FormatLines().size(), 2);
    fixture::WriteFile(s.exePath() + QStringLiteral(".txt"), "AGEGRP C4 Grp\r\nMEAN F6.1\r\n");
    click(window, "sbStandard");
    QCOMPARE(window.FormatLines(), QStringList({"AGEGRP C4 Grp", "MEAN F6.1"}));
}

void TableOutputTest::shippedStandardFormat()
{
    // The standard format file the build puts beside the viewer: age group, N, moments
    // and percentiles of a sample data file, every row.
    Session s;
    TForm1& form = s.start();
    veltra::TfFormTab window(QStringLiteral(VELTRA_BIN_DIR "/veltra"), form.Guard());
    window.show();
    const QString dataFile = QStringLiteral(VELTRA_SAMPLE_DIR "/ef0001.xml");
    window.SetDataFile(dataFile, 9, 2);
    click(window, "sbStandard");
    QVERIFY2(s.errors.isEmpty(), qPrintable(s.errors.join(u'\n')));
    click(window, "bRun");
    QVERIFY2(s.errors.isEmpty(), qPrintable(s.errors.join(u'\n')));
    const QStringList lines = window.ResultLines();
    QVERIFY(!lines.isEmpty());
    QCOMPARE(lines.first().split(u' ', Qt::SkipEmptyParts),
             QStringList(
                 {"AgeGroup", "From", "To", "N", "Mean", "SD", "GM", "GSD", "Min", "P50", "Max"}));
    veltra::DataTable table;
    table.loadFromFile(dataFile);
    QCOMPARE(lines.size(), table.recordCount() + 1);
    QVERIFY2(lines.at(1).contains(QStringLiteral("0 - <1 years")), qPrintable(lines.at(1)));
    QVERIFY2(lines.at(1).contains(QStringLiteral("431")), qPrintable(lines.at(1)));
    QVERIFY2(lines.at(1).contains(QStringLiteral("8.703")), qPrintable(lines.at(1)));
}

void TableOutputTest::userDefinedTableFromTheMainWindow()
{
    Session s;
    TForm1& form = s.start();
    veltra::TfFormTab window(s.exePath(), form.Guard());
    fixture::Attach(form, {.formTab = &window});
    QVERIFY(s.clickRow("dbgSources", QStringLiteral("BW")));
    click(form, "bGenCSVTable");
    QVERIFY(!Child<QPushButton>(form, "bTableToExcelFormatByClipboard")->isEnabled());
    QStringList seen;
    // The window is modal: the user works in it while the main window waits.
    QTimer::singleShot(0, &window, [&] {
        seen << window.DataFilePath << QString::number(window.ListBoxSource->count());
        window.mVarClasses->setPlainText(QStringLiteral("AGEGRP I6 Group\nNOBS F8.1"));
        click(window, "bRun");
        click(window, "bCloset");
    });
    trigger(form, "BuildaUsesdefinedTable1");
    QCOMPARE(seen, QStringList({s.dir.path() + QStringLiteral("/bw1.xml"), "8"}));
    QCOMPARE(s.lines(Child<QPlainTextEdit>(form, "mTableContent")),
             QStringList({" Group    NOBS", "     1   120.0", "     2    98.0", "     3    77.0"}));
    QVERIFY(Child<QPushButton>(form, "bTableToExcelFormatByClipboard")->isEnabled());
    QVERIFY(s.errors.isEmpty());
}

QTEST_MAIN(TableOutputTest)
#include "TableOutput_test.moc"
