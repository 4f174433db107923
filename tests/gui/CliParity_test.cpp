// The viewer and veltra-cli side by side on the sample database: for parameter rows brought
// up in the main window as a user brings them up, the restriction panel, the "Selected
// Functions" view, the command/parameter table, the result tables, the formatted table
// generator, the documentation report, the search with its keyword lists and index
// protocol, and the distribution window's table of fits show exactly the lines the
// command-line tool prints for the same row. Every command of the tool is either compared
// here or named with the reason it has no view.
#include "../common/Children.h"
#include "SecondaryWindows.h"
#include "app/ui/fMain.h"
#include "convert/ui/fConvertPP.h"
#include "convert/ui/fDistributions.h"
#include "data/DataTable.h"
#include "scenario/Scenario.h"
#include "scenario/ui/fScenario.h"
#include "search/ui/uThesau1.h"
#include "search/ui/uWhatsOn.h"
#include "tables/ui/uFormATable.h"
#include "util/TextLines.h"
#include "util/ui/OLERichEdit.h"
#include "widgets/ButtonTabBar.h"
#include "widgets/DbGrid.h"
#include "widgets/DbNavigator.h"
#include "widgets/Dialogs.h"
#include "widgets/PanelStatusBar.h"

#include <QAbstractItemModel>
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <memory>

using fixture::Child;
using veltra::TForm1;

namespace {

/// The lines of a view's text; an empty view has none.
QStringList ViewLines(const QPlainTextEdit* view)
{
    const QString text = view->toPlainText();
    return text.isEmpty() ? QStringList() : text.split(QLatin1Char('\n'));
}

/// What one run of veltra-cli printed.
struct CliOutput
{
    int status = -1;
    QStringList lines; ///< stdout split into lines (TextLines)
    QString errors;    ///< stderr
};

/// Runs veltra-cli on a database folder (the sample database unless told) with the test's
/// own environment.
CliOutput RunCli(const QStringList& arguments,
                 const QString& database = QStringLiteral(VELTRA_SAMPLE_DIR))
{
    QProcess process;
    process.start(QStringLiteral(VELTRA_BIN_DIR "/veltra-cli"),
                  QStringList{QStringLiteral("--db"), database} + arguments);
    CliOutput output;
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit)
        return output;
    output.status = process.exitCode();
    output.errors = QString::fromUtf8(process.readAllStandardError());
    const QString text = QString::fromUtf8(process.readAllStandardOutput());
    // A memo value in a table keeps its line breaks (CR LF); the view breaks the line
    // there, so the printed lines are split the same way.
    output.lines = veltra::TextLines(text);
    if (!text.isEmpty() && !text.endsWith(QLatin1Char('\n')))
        output.lines << QStringLiteral("<no line end after the last line>");
    return output;
}

/// Clicks the first grid row whose cells in the given columns show the given texts.
bool ClickRow(veltra::DbGrid* grid, const QList<QPair<int, QString>>& cells)
{
    QAbstractItemModel* model = grid->model();
    for (int row = 0; row < model->rowCount(); ++row) {
        bool match = true;
        for (const auto& [column, text] : cells)
            match = match && model->data(model->index(row, column)).toString() == text;
        if (match) {
            const QModelIndex index = model->index(row, 0);
            grid->scrollTo(index);
            QTest::mouseClick(grid->viewport(), Qt::LeftButton, {},
                              grid->visualRect(index).center());
            return true;
        }
    }
    return false;
}

/// Clicks the headline, the topic and the parameter row of that sex and data source, as a
/// user walks to a row; false when one of them is not shown.
bool ClickParameterRow(const QWidget& form, const QString& headline, const QString& topic,
                       const QString& sex, const QString& source)
{
    return ClickRow(Child<veltra::DbGrid>(form, "dbgTopics"), {{0, headline}}) &&
           ClickRow(Child<veltra::DbGrid>(form, "dbgParameter"), {{0, topic}}) &&
           ClickRow(Child<veltra::DbGrid>(form, "dbgSources"), {{3, sex}, {4, source}});
}

} // namespace

class CliParityTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void sameLines_data();
    void sameLines();
    void checkLists_data();
    void checkLists();
    void report_data();
    void report();
    void searchKeywordsAndIndexProtocol_data();
    void searchKeywordsAndIndexProtocol();
    void fitsTable_data();
    void fitsTable();
    void conversionWindow();
    void scenarioWindow();
    void everyCommandIsComparedOrHasAReason();

private:
    /// Compares the "Selected Functions" view with `functions ID GROUP` for the age group
    /// the data file table is on (no GROUP when no file is connected).
    void compareFunctions(const QString& id);
    /// Compares the command/parameter table, the three result tables and a formatted
    /// table with `command-table`, `table` and `formtab` for the connected data file.
    void compareTables(const QString& id);

    QTemporaryDir m_exeDir;
    QString m_oldCurrent;
    std::unique_ptr<TForm1> m_form;
    std::unique_ptr<veltra::TfFormTab> m_formTab;
    QStringList m_errors;
    int m_beeps = 0;
};

void CliParityTest::initTestCase()
{
    QVERIFY(m_exeDir.isValid());
    // The window reads the hierarchy files from the current folder and its data files
    // from the database folder; the settings file lands beside the executable path.
    m_oldCurrent = QDir::currentPath();
    QVERIFY(QDir::setCurrent(QStringLiteral(VELTRA_SAMPLE_DIR)));
    m_form = std::make_unique<TForm1>(m_exeDir.path() + QStringLiteral("/veltra"),
                                      QStringLiteral(VELTRA_SAMPLE_DIR));
    m_form->Guard().setReporter([this](const QString& message) { m_errors << message; });
    m_form->SetBeeper([this] { ++m_beeps; });
    m_form->show();
    QVERIFY(Child<QCheckBox>(*m_form, "cbShowAdditionalInfo")->isChecked());
    m_formTab = std::make_unique<veltra::TfFormTab>(m_exeDir.path() + QStringLiteral("/veltra"),
                                                    m_form->Guard());
    fixture::Attach(*m_form, {.formTab = m_formTab.get()});
}

void CliParityTest::cleanupTestCase()
{
    m_form.reset();
    m_formTab.reset();
    QDir::setCurrent(m_oldCurrent);
}

void CliParityTest::sameLines_data()
{
    QTest::addColumn<QString>("headline");
    QTest::addColumn<QString>("topic");
    QTest::addColumn<QString>("sex");
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("id");
    const QString nns = QStringLiteral("National Nutrition Survey 1998");
    const QString bkm = QStringLiteral("Bevölkerungsstichprobe Körpermaße 1990");
    QTest::newRow("two flags, 15 groups") << "Anthropometry"
                                          << "Body weight"
                                          << "A" << nns << "1001";
    QTest::newRow("RTF Info") << "Anthropometry"
                              << "Body weight"
                              << "F" << nns << "1003";
    QTest::newRow("no flag set, change date") << "Anthropometry"
                                              << "Body weight"
                                              << "M"
                                              << "Health Examination Survey 2004"
                                              << "1004";
    QTest::newRow("no restriction line") << "Anthropometry"
                                         << "Body weight"
                                         << "A" << bkm << "1009";
    QTest::newRow("no data file") << "Anthropometry"
                                  << "Body height"
                                  << "A" << bkm << "1024";
    QTest::newRow("other headline") << "Food and drinking-water intake"
                                    << "Drinking water intake"
                                    << "A"
                                    << "Drinking Water Consumption Panel 2003"
                                    << "1046";
    QTest::newRow("four flags") << "Soil and dust ingestion"
                                << "Soil ingestion"
                                << "A"
                                << "Soil Tracer Study 1995"
                                << "1083";
    QTest::newRow("update marker") << "Time-activity patterns"
                                   << "Time spent outdoors"
                                   << "M"
                                   << "Kinder-Umwelt-Survey 2001 (Süd)"
                                   << "1128";
}

void CliParityTest::sameLines()
{
    QFETCH(QString, headline);
    QFETCH(QString, topic);
    QFETCH(QString, sex);
    QFETCH(QString, source);
    QFETCH(QString, id);
    TForm1& form = *m_form;
    m_errors.clear();
    m_beeps = 0;

    QVERIFY(ClickParameterRow(form, headline, topic, sex, source));
    QCOMPARE(
        veltra::ReferenceDatabase::CurrentText(form.Database().parameters(), QStringLiteral("ID")),
        id);

    // The display after the row change: the panel shows when the row has restriction lines.
    const CliOutput restrictions = RunCli({QStringLiteral("restrictions"), id});
    QCOMPARE(restrictions.status, 0);
    QCOMPARE(!Child<QWidget>(form, "pnRestriction")->isHidden(), restrictions.lines.size() > 1);
    if (!Child<QWidget>(form, "pnRestriction")->isHidden())
        QCOMPARE(ViewLines(Child<QPlainTextEdit>(form, "M1")), restrictions.lines);
    else
        QTest::mousePress(Child<veltra::PanelStatusBar>(form, "sb1"), Qt::LeftButton, {},
                          QPoint(300, Child<veltra::PanelStatusBar>(form, "sb1")->height() / 2));
    QVERIFY(!Child<QWidget>(form, "pnRestriction")->isHidden());

    // The two tabs of the panel.
    QTest::mouseClick(Child<veltra::ButtonTabBar>(form, "TbCnt"), Qt::LeftButton, {},
                      Child<veltra::ButtonTabBar>(form, "TbCnt")->tabRect(0).center());
    QCOMPARE(ViewLines(Child<QPlainTextEdit>(form, "M1")), restrictions.lines);
    QTest::mouseClick(Child<veltra::ButtonTabBar>(form, "TbCnt"), Qt::LeftButton, {},
                      Child<veltra::ButtonTabBar>(form, "TbCnt")->tabRect(1).center());
    const CliOutput status = RunCli({QStringLiteral("update-status"), id});
    QCOMPARE(status.status, 0);
    QCOMPARE(ViewLines(Child<QPlainTextEdit>(form, "M1")), status.lines);

    // The first age group as the row change shows it, then later groups.
    compareFunctions(id);
    if (QTest::currentTestFailed())
        return;
    const int groups = form.Database().dataFile().recordCount();
    if (groups > 1) {
        auto* next = Child<veltra::DbNavigator>(form, "DBNavigator6")
                         ->findChild<QToolButton*>(QStringLiteral("nbNext"));
        auto* last = Child<veltra::DbNavigator>(form, "DBNavigator6")
                         ->findChild<QToolButton*>(QStringLiteral("nbLast"));
        QVERIFY(next && last);
        QTest::mouseClick(next, Qt::LeftButton);
        if (groups > 2)
            QTest::mouseClick(next, Qt::LeftButton);
        QCOMPARE(form.Database().dataFile().recNo(), qMin(groups, 3));
        compareFunctions(id);
        if (QTest::currentTestFailed())
            return;
        QTest::mouseClick(last, Qt::LeftButton);
        QCOMPARE(form.Database().dataFile().recNo(), groups);
        compareFunctions(id);
        if (QTest::currentTestFailed())
            return;
    }
    if (groups > 0)
        compareTables(id);

    QVERIFY2(m_errors.isEmpty(), qPrintable(m_errors.join(QLatin1Char('\n'))));
    QCOMPARE(m_beeps, 0);
}

void CliParityTest::compareFunctions(const QString& id)
{
    const int group = m_form->Database().dataFile().recNo();
    QStringList arguments{QStringLiteral("functions"), id};
    if (group > 0)
        arguments << QString::number(group);
    const CliOutput functions = RunCli(arguments);
    QVERIFY2(functions.status >= 0, "veltra-cli did not finish");
    const QStringList view = ViewLines(Child<QPlainTextEdit>(*m_form, "mTransformed"));
    QCOMPARE(view, functions.lines);
    // Every age group of the sample has GF lines, so only a row without a data file shows
    // nothing, and the command reports that row as a failure.
    QCOMPARE(view.isEmpty(), group == 0);
    QCOMPARE(functions.status, group == 0 ? 1 : 0);
}

void CliParityTest::compareTables(const QString& id)
{
    TForm1& form = *m_form;
    const QString dataFile = form.Database().dataFilePath();
    auto press = [](QAbstractButton* button) { QTest::mouseClick(button, Qt::LeftButton); };
    auto same = [](const QStringList& view, const CliOutput& cli) {
        QCOMPARE(cli.status, 0);
        QCOMPARE(view, cli.lines);
    };

    // The command table as the row change built it, then with other settings.
    same(ViewLines(Child<QPlainTextEdit>(form, "mFormula")),
         RunCli({QStringLiteral("command-table"), id}));
    Child<QSpinBox>(form, "seTop")->setValue(3);
    Child<QCheckBox>(form, "cbExcludeGF")->setChecked(true);
    press(Child<QPushButton>(form, "bGenerateACommandTable"));
    same(ViewLines(Child<QPlainTextEdit>(form, "mFormula")),
         RunCli({QStringLiteral("command-table"), id, QStringLiteral("--top"), QStringLiteral("3"),
                 QStringLiteral("--exclude-gf")}));
    Child<QSpinBox>(form, "seTop")->setValue(2);
    Child<QCheckBox>(form, "cbExcludeGF")->setChecked(false);
    if (QTest::currentTestFailed())
        return;

    // The formatted table before CSV and tab-delimited ones upper-case the names.
    press(Child<QPushButton>(form, "bGenTable"));
    same(ViewLines(Child<QPlainTextEdit>(form, "mTableContent")),
         RunCli({QStringLiteral("table"), QStringLiteral("fixed"), dataFile}));
    auto* fields = Child<QListWidget>(form, "clbVar");
    fields->item(1)->setCheckState(Qt::Unchecked);
    QStringList checked;
    for (int item = 0; item < fields->count(); ++item) {
        if (fields->item(item)->checkState() == Qt::Checked)
            checked << fields->item(item)->text();
    }
    Child<QSpinBox>(form, "seTabDig")->setValue(11);
    Child<QSpinBox>(form, "seTabDec")->setValue(4);
    press(Child<QPushButton>(form, "bGenTable"));
    same(ViewLines(Child<QPlainTextEdit>(form, "mTableContent")),
         RunCli({QStringLiteral("table"), QStringLiteral("fixed"), dataFile,
                 QStringLiteral("--digits"), QStringLiteral("11"), QStringLiteral("--decimals"),
                 QStringLiteral("4"), QStringLiteral("--columns"), checked.join(u',')}));
    fields->item(1)->setCheckState(Qt::Checked);
    Child<QSpinBox>(form, "seTabDig")->setValue(9);
    Child<QSpinBox>(form, "seTabDec")->setValue(2);
    press(Child<QPushButton>(form, "bGenCSVTable"));
    same(ViewLines(Child<QPlainTextEdit>(form, "mTableContent")),
         RunCli({QStringLiteral("table"), QStringLiteral("csv"), dataFile}));
    press(Child<QPushButton>(form, "bGenTabDelim"));
    same(ViewLines(Child<QPlainTextEdit>(form, "mTableContent")),
         RunCli({QStringLiteral("table"), QStringLiteral("tab"), dataFile}));
    if (QTest::currentTestFailed())
        return;

    // The formatted table generator: every field added with "&All", one column changed
    // to each other format letter, then the format saved for the command-line tool.
    const QString formatFile = m_exeDir.path() + QStringLiteral("/format-") + id + ".txt";
    veltra::TfFormTab& window = *m_formTab;
    QTimer::singleShot(0, &window, [&] {
        press(window.ShiftAll);
        QStringList lines = window.FormatLines();
        if (lines.size() >= 3) {
            lines[0] = QString(lines[0]).section(u' ', 0, 0) + QStringLiteral(" I6 Group");
            lines[1] = QString(lines[1]).section(u' ', 0, 0) + QStringLiteral(" S8.1");
            lines[2] = QString(lines[2]).section(u' ', 0, 0) + QStringLiteral(" C5");
        }
        window.mVarClasses->setPlainText(lines.join(u'\n'));
        press(window.bRun);
        QFile file(formatFile);
        if (file.open(QIODevice::WriteOnly))
            file.write(window.FormatLines().join(u'\n').toUtf8());
        press(window.bCloset);
    });
    press(Child<QPushButton>(form, "bUserDefTab"));
    same(ViewLines(Child<QPlainTextEdit>(form, "mTableContent")),
         RunCli({QStringLiteral("formtab"), formatFile, dataFile}));
    // The header and a line per age group at least (memo values break their lines).
    QVERIFY(ViewLines(Child<QPlainTextEdit>(form, "mTableContent")).size() >
            form.Database().dataFile().recordCount());
    QCOMPARE(ViewLines(Child<QPlainTextEdit>(form, "mTableContent")).first().left(6),
             QStringLiteral(" Group"));
}

void CliParityTest::checkLists_data()
{
    QTest::addColumn<QString>("action");
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("order"); // the "Order by" item
    QTest::newRow("headlines") << "ListofTopics1" << QStringList{"headlines"} << 2;
    QTest::newRow("topics") << "Listofparameters1" << QStringList{"topics"} << 2;
    QTest::newRow("parameters") << "ListofDataSources1" << QStringList{"parameters"} << 2;
    QTest::newRow("parameters by data source")
        << "ListofDataSources1" << QStringList{"parameters", "--order", "datasource"} << 3;
}

void CliParityTest::checkLists()
{
    QFETCH(QString, action);
    QFETCH(QStringList, arguments);
    QFETCH(int, order);
    TForm1& form = *m_form;
    m_errors.clear();
    auto* radio =
        form.findChild<QAbstractButton*>(QStringLiteral("rgOrderRestriction%1").arg(order));
    QVERIFY(radio);
    QTest::mouseClick(radio, Qt::LeftButton);
    QVERIFY(radio->isChecked());

    const int before = form.ProtocolLines().size();
    auto* menuItem = form.findChild<QAction*>(action);
    QVERIFY(menuItem);
    menuItem->trigger();
    const CliOutput list = RunCli(QStringList{QStringLiteral("list")} + arguments);
    QCOMPARE(list.status, 0);
    QVERIFY(list.lines.size() > 7);
    const QStringList added = form.ProtocolLines().mid(before);
    QCOMPARE(added.mid(0, list.lines.size()), list.lines);
    QVERIFY(
        added.value(list.lines.size()).startsWith(QLatin1String("HeadLines loaded / records: ")));
    QVERIFY2(m_errors.isEmpty(), qPrintable(m_errors.join(QLatin1Char('\n'))));
    QTest::mouseClick(Child<QAbstractButton>(form, "rgOrderRestriction2"), Qt::LeftButton);
}

void CliParityTest::report_data()
{
    QTest::addColumn<QString>("headline");
    QTest::addColumn<QString>("topic");
    QTest::addColumn<QString>("sex");
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("id");
    QTest::newRow("all three statistics fields") << "Food and drinking-water intake"
                                                 << "Drinking water intake"
                                                 << "A"
                                                 << "Drinking Water Consumption Panel 2003"
                                                 << "1046";
    QTest::newRow("RTF Info") << "Anthropometry"
                              << "Body weight"
                              << "F"
                              << "National Nutrition Survey 1998"
                              << "1003";
}

void CliParityTest::report()
{
    QFETCH(QString, headline);
    QFETCH(QString, topic);
    QFETCH(QString, sex);
    QFETCH(QString, source);
    QFETCH(QString, id);
    TForm1& form = *m_form;
    m_errors.clear();
    QVERIFY(ClickParameterRow(form, headline, topic, sex, source));
    QCOMPARE(
        veltra::ReferenceDatabase::CurrentText(form.Database().parameters(), QStringLiteral("ID")),
        id);

    auto* menuItem = Child<QAction>(form, "WordReport1");
    menuItem->trigger();
    const CliOutput report = RunCli({QStringLiteral("report"), id});
    QCOMPARE(report.status, 0);
    QVERIFY(report.lines.size() > 20);
    QCOMPARE(Child<veltra::TOLEEdit>(form, "oe1")->PlainLines(), report.lines);

    // The file the viewer saves is the file the command writes, byte for byte.
    const QString viewerFile = m_exeDir.filePath(QStringLiteral("viewer-") + id + ".rtf");
    const QString cliFile = m_exeDir.filePath(QStringLiteral("cli-") + id + ".rtf");
    veltra::Dialogs::SetFileAnswerer([&](veltra::Dialogs::FileMode,
                                         const veltra::FileDialogSettings&,
                                         const QString&) { return viewerFile; });
    Child<QAction>(form, "Save1")->trigger();
    veltra::Dialogs::SetFileAnswerer({});
    QCOMPARE(RunCli({QStringLiteral("report"), id, QStringLiteral("-o"), cliFile}).status, 0);
    QFile saved(viewerFile), written(cliFile);
    QVERIFY(saved.open(QIODevice::ReadOnly) && written.open(QIODevice::ReadOnly));
    const QByteArray rtf = saved.readAll();
    QVERIFY(rtf.startsWith("{\\rtf1"));
    QCOMPARE(written.readAll(), rtf);
    QVERIFY2(m_errors.isEmpty(), qPrintable(m_errors.join(QLatin1Char('\n'))));
}

// The search runs on a copy of the sample database: it writes its index into the folder.
void CliParityTest::searchKeywordsAndIndexProtocol_data()
{
    QTest::addColumn<QStringList>("terms"); // term 1 to 3, the excluded term
    QTest::addColumn<QString>("op1");
    QTest::addColumn<QString>("op2");
    QTest::addColumn<QString>("language");
    QTest::addColumn<bool>("findsRows");
    QTest::newRow("one term") << QStringList{"body weight", "", "", ""} << "AND"
                              << "AND"
                              << "english" << true;
    QTest::newRow("three terms and an exclusion")
        << QStringList{"children", "weight", "Survey", "Süd"} << "AND"
        << "AND"
        << "english" << true;
    QTest::newRow("or, German keywords") << QStringList{"Körpergröße", "Atemrate", "", ""} << "OR"
                                         << "AND"
                                         << "german" << true;
    QTest::newRow("nothing found") << QStringList{"no such word anywhere", "", "", ""} << "AND"
                                   << "AND"
                                   << "english" << false;
}

void CliParityTest::searchKeywordsAndIndexProtocol()
{
    QFETCH(QStringList, terms);
    QFETCH(QString, op1);
    QFETCH(QString, op2);
    QFETCH(QString, language);
    QFETCH(bool, findsRows);

    QTemporaryDir copy;
    QVERIFY(copy.isValid());
    const QDir sample(QStringLiteral(VELTRA_SAMPLE_DIR));
    for (const QString& name : sample.entryList({QStringLiteral("*.xml")}, QDir::Files))
        QVERIFY(QFile::copy(sample.filePath(name), copy.filePath(name)));
    const QString before = QDir::currentPath();
    QVERIFY(QDir::setCurrent(copy.path()));
    QStringList errors;
    {
        TForm1 form(copy.filePath(QStringLiteral("veltra")), copy.path());
        form.Guard().setReporter([&errors](const QString& message) { errors << message; });
        veltra::TfWhatsOn notice;
        veltra::TfSearchIndex window(form.Guard(),
                                     [&form](const QString& top, const QString& ps, qint64 id) {
                                         form.GoToParameter(top, ps, id);
                                     });
        fixture::Attach(form, {.searchIndex = &window, .whatsOn = &notice});
        form.show();
        auto* protocolOption = Child<QCheckBox>(form, "cbGiveIndexPrt");
        protocolOption->setChecked(true);
        const int protocolBefore = int(form.ProtocolLines().size());
        Child<QAction>(form, "Search1")->trigger();

        // The index protocol: the generation's lines after the heading the viewer writes;
        // the first line holds the time of the generation.
        const CliOutput index = RunCli({QStringLiteral("index")}, copy.path());
        QCOMPARE(index.status, 0);
        QStringList shown = form.ProtocolLines().mid(protocolBefore);
        QVERIFY(shown.size() > 2);
        QCOMPARE(shown.at(1), QStringLiteral("Generating an Index for Search"));
        shown = shown.mid(2, index.lines.size());
        QCOMPARE(shown.size(), index.lines.size());
        const QString start = QStringLiteral("Index Generator Start: ");
        QVERIFY(shown.first().startsWith(start) && index.lines.first().startsWith(start));
        QCOMPARE(shown.mid(1), index.lines.mid(1));

        // The keyword lists the term boxes offer, in the language chosen.
        auto* languageBox = window.findChild<QComboBox*>(QStringLiteral("cbLanguage"));
        QVERIFY(languageBox);
        // "German /Deutsch", "English /Englisch".
        const int languageItem = languageBox->findText(language, Qt::MatchStartsWith);
        QVERIFY(languageItem >= 0);
        languageBox->setCurrentIndex(languageItem);
        auto* first = window.findChild<QComboBox*>(QStringLiteral("cbIndexE1"));
        QVERIFY(first);
        QStringList offered;
        for (int i = 0; i < first->count(); ++i)
            offered << first->itemText(i);
        const CliOutput keywords = RunCli({QStringLiteral("keywords"), language}, copy.path());
        QCOMPARE(keywords.status, 0);
        QVERIFY(keywords.lines.size() > 10);
        QCOMPARE(offered, keywords.lines);

        // The search: the rows the window finds are the lines the tool prints.
        const char* const boxes[] = {"cbIndexE1", "cbIndexE2", "cbIndexE3", "cbIndexE4"};
        for (int i = 0; i < 4; ++i) {
            auto* box = window.findChild<QComboBox*>(QLatin1String(boxes[i]));
            QVERIFY(box);
            box->setEditText(terms.at(i));
        }
        window.findChild<QComboBox*>(QStringLiteral("cbE1"))->setCurrentText(op1);
        window.findChild<QComboBox*>(QStringLiteral("cbE2"))->setCurrentText(op2);
        QTest::mouseClick(window.findChild<QPushButton*>(QStringLiteral("bFindEnglishIndex")),
                          Qt::LeftButton);
        QStringList arguments{QStringLiteral("search"),
                              terms.at(0),
                              terms.at(1),
                              terms.at(2),
                              QStringLiteral("--op1"),
                              op1,
                              QStringLiteral("--op2"),
                              op2,
                              QStringLiteral("--language"),
                              language};
        if (!terms.at(3).isEmpty())
            arguments << QStringLiteral("--exclude") << terms.at(3);
        const CliOutput search = RunCli(arguments, copy.path());
        QCOMPARE(search.status, 0);
        veltra::DataTable& parameters = window.Database().parameters();
        QStringList found;
        for (int row = 0; row < parameters.recordCount(); ++row) {
            QStringList cells;
            for (const char* field : {"ID", "PS", "Variable", "Sex", "DataSource"})
                cells << parameters.value(row, parameters.fieldIndex(QLatin1String(field)));
            found << cells.join(QLatin1Char('\t'));
        }
        QCOMPARE(found, search.lines);
        QCOMPARE(!found.isEmpty(), findsRows);
        window.hide();
    }
    QVERIFY(QDir::setCurrent(before));
    QVERIFY2(errors.isEmpty(), qPrintable(errors.join(QLatin1Char('\n'))));
}

void CliParityTest::fitsTable_data()
{
    QTest::addColumn<QString>("headline");
    QTest::addColumn<QString>("topic");
    QTest::addColumn<QString>("sex");
    QTest::addColumn<QString>("source");
    QTest::addColumn<int>("group");
    QTest::newRow("body weight, first group") << "Anthropometry"
                                              << "Body weight"
                                              << "A"
                                              << "National Nutrition Survey 1998" << 1;
    QTest::newRow("drinking water, a later group") << "Food and drinking-water intake"
                                                   << "Drinking water intake"
                                                   << "A"
                                                   << "Drinking Water Consumption Panel 2003" << 3;
}

// The distribution window's table of fits, as its CSV export writes it, against
// `fits ID --group N --format csv`.
void CliParityTest::fitsTable()
{
    QFETCH(QString, headline);
    QFETCH(QString, topic);
    QFETCH(QString, sex);
    QFETCH(QString, source);
    QFETCH(int, group);
    TForm1& form = *m_form;
    m_errors.clear();
    QVERIFY(ClickParameterRow(form, headline, topic, sex, source));
    const QString id =
        veltra::ReferenceDatabase::CurrentText(form.Database().parameters(), QStringLiteral("ID"));
    Child<QAction>(form, "Distributions1")->trigger();
    auto* window = fixture::Window<veltra::TfDistributions>("fDistributions");
    QVERIFY(window->isVisible());
    // The age group is chosen in the data file's grid, as a keyboard move there does.
    auto* groups = Child<veltra::DbGrid>(form, "DBGrid2");
    groups->setCurrentIndex(groups->model()->index(group - 1, 0));
    const CliOutput fits =
        RunCli({QStringLiteral("fits"), id, QStringLiteral("--group"), QString::number(group),
                QStringLiteral("--format"), QStringLiteral("csv")});
    QCOMPARE(fits.status, 0);
    QVERIFY(fits.lines.size() > 1);
    QCOMPARE(window->CsvLines(), fits.lines);
    window->hide();
    QVERIFY2(m_errors.isEmpty(), qPrintable(m_errors.join(QLatin1Char('\n'))));
}

// The conversion window's Transform against `convert FILE` on the GF lines of a sample
// age group.
void CliParityTest::conversionWindow()
{
    const QStringList gfLines{"TYPE=GeneralF;",
                              "PT=0 100 100 0.014447639 2.9186752;",
                              "KS=0.0279;",
                              "TYPE=Gamma;",
                              "PT=0 423.307 0.163704;",
                              "KS=0.0185;",
                              "TYPE=Lognormal;",
                              "PT=0 4.23722 0.0485753;",
                              "KS=0.0364;"};
    const QString file = m_exeDir.filePath(QStringLiteral("gf-lines.txt"));
    {
        QFile out(file);
        QVERIFY(out.open(QIODevice::WriteOnly));
        out.write(gfLines.join(QStringLiteral("\r\n")).toUtf8() + "\r\n");
    }
    veltra::TfConvertPP window(m_form->Guard());
    m_errors.clear();
    const int before = int(window.OutputLines().size());
    auto* input = window.findChild<QPlainTextEdit*>(QStringLiteral("Memo1"));
    auto* transform = window.findChild<QPushButton*>(QStringLiteral("bTransform"));
    QVERIFY(input && transform);
    input->setPlainText(gfLines.join(QLatin1Char('\n')));
    QTest::mouseClick(transform, Qt::LeftButton);
    const CliOutput converted = RunCli({QStringLiteral("convert"), file});
    QCOMPARE(converted.status, 0);
    QVERIFY(converted.lines.size() >= 3);
    // Transform adds an empty line, then the table.
    QCOMPARE(window.OutputLines().mid(before), QStringList{QString()} + converted.lines);
    QVERIFY2(m_errors.isEmpty(), qPrintable(m_errors.join(QLatin1Char('\n'))));
}

// The scenario window's run, exported as CSV, against `simulate SCENARIO --format csv`: the
// same seed gives the same numbers byte for byte.
void CliParityTest::scenarioWindow()
{
    const QString scenarioFile =
        QStringLiteral(VELTRA_TEST_DATA_DIR "/scenarios/body_weight_ages.vscenario.json");
    veltra::TfScenario window(m_form->Guard(), QStringLiteral(VELTRA_SAMPLE_DIR));
    m_errors.clear();
    window.SetScenario(veltra::ReadScenarioFile(scenarioFile));
    window.show();
    QTest::mouseClick(window.findChild<QPushButton*>(QStringLiteral("bRun")), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(!window.IsRunning(), 120000);
    QVERIFY(window.Result());
    const QString saved = m_exeDir.filePath(QStringLiteral("scenario.csv"));
    veltra::Dialogs::SetFileAnswerer([&saved](veltra::Dialogs::FileMode,
                                              const veltra::FileDialogSettings&,
                                              const QString&) { return saved; });
    QTest::mouseClick(window.findChild<QPushButton*>(QStringLiteral("bExportCsv")), Qt::LeftButton);
    veltra::Dialogs::SetFileAnswerer({});
    QProcess cli;
    cli.start(QStringLiteral(VELTRA_BIN_DIR "/veltra-cli"),
              {QStringLiteral("--db"), QStringLiteral(VELTRA_SAMPLE_DIR),
               QStringLiteral("simulate"), scenarioFile, QStringLiteral("--format"),
               QStringLiteral("csv")});
    QVERIFY(cli.waitForFinished(120000));
    QCOMPARE(cli.exitCode(), 0);
    QFile file(saved);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray csv = file.readAll();
    QVERIFY(csv.count('\n') > 10); // one line an age group of the sample's body weight
    QCOMPARE(csv, cli.readAllStandardOutput());
    window.hide();
    QVERIFY2(m_errors.isEmpty(), qPrintable(m_errors.join(QLatin1Char('\n'))));
}

// Each command of veltra-cli --help: the test of this file that compares it with the viewer,
// or why no view shows what it prints. A new command fails here until it is given one.
void CliParityTest::everyCommandIsComparedOrHasAReason()
{
    const QMap<QString, QString> covered{
        {"functions", "sameLines"},
        {"restrictions", "sameLines"},
        {"update-status", "sameLines"},
        {"table", "sameLines (the result tables)"},
        {"formtab", "sameLines (the formatted table)"},
        {"command-table", "sameLines (the command/parameter table)"},
        {"report", "report"},
        {"list", "checkLists"},
        {"index", "searchKeywordsAndIndexProtocol"},
        {"search", "searchKeywordsAndIndexProtocol"},
        {"keywords", "searchKeywordsAndIndexProtocol"},
        {"fits", "fitsTable"},
        {"dump", "reason: the packet's fields and rows as stored; the viewer shows them "
                 "through its grids, not as lines"},
        {"convert", "conversionWindow"},
        {"simulate", "scenarioWindow"},
    };
    const CliOutput help = RunCli({QStringLiteral("--help")});
    QCOMPARE(help.status, 0);
    QStringList commands;
    bool inCommands = false;
    static const QRegularExpression commandLine(QStringLiteral("^  ([a-z][a-z-]*)\\b"));
    for (const QString& line : help.lines) {
        if (line == QLatin1String("Commands:")) {
            inCommands = true;
            continue;
        }
        if (inCommands && !line.startsWith(QLatin1Char(' ')) && !line.isEmpty())
            break;
        const QRegularExpressionMatch match = commandLine.match(line);
        if (inCommands && match.hasMatch() && !commands.contains(match.captured(1)))
            commands << match.captured(1);
    }
    QVERIFY(commands.size() >= 10);
    for (const QString& command : std::as_const(commands))
        QVERIFY2(covered.contains(command),
                 qPrintable(QStringLiteral("veltra-cli %1 is compared with no view and has no "
                                           "reason why not")
                                .arg(command)));
    for (auto it = covered.cbegin(); it != covered.cend(); ++it)
        QVERIFY2(commands.contains(it.key()),
                 qPrintable(QStringLiteral("the table names \"%1\", which veltra-cli does not have")
                                .arg(it.key())));
}

QTEST_MAIN(CliParityTest)
#include "CliParity_test.moc"
