// The viewer and veltra-cli side by side on the sample database: for parameter rows brought
// up in the main window as a user brings them up, the restriction panel, the "Selected
// Functions" view, the command/parameter table, the result tables, the formatted table
// generator and the documentation report show exactly the lines the command-line tool
// prints for the same row.
#include "app/ui/fMain.h"
#include "data/DataTable.h"
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
#include <QDir>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <memory>

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

/// Runs veltra-cli on the sample database with the test's own environment.
CliOutput RunCli(const QStringList& arguments)
{
    QProcess process;
    process.start(QStringLiteral(VELTRA_BIN_DIR "/veltra-cli"),
                  QStringList{QStringLiteral("--db"), QStringLiteral(VELTRA_SAMPLE_DIR)} +
                      arguments);
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
    QVERIFY(m_form->cbShowAdditionalInfo->isChecked());
    m_formTab = std::make_unique<veltra::TfFormTab>(m_exeDir.path() + QStringLiteral("/veltra"),
                                                    m_form->Guard());
    m_form->fFormTab = m_formTab.get();
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

    QVERIFY(ClickRow(form.dbgTopics, {{0, headline}}));
    QVERIFY(ClickRow(form.dbgParameter, {{0, topic}}));
    QVERIFY(ClickRow(form.dbgSources, {{3, sex}, {4, source}}));
    QCOMPARE(veltra::ReferenceDatabase::CurrentText(*form.CDSData, QStringLiteral("ID")), id);

    // The display after the row change: the panel shows when the row has restriction lines.
    const CliOutput restrictions = RunCli({QStringLiteral("restrictions"), id});
    QCOMPARE(restrictions.status, 0);
    QCOMPARE(!form.pnRestriction->isHidden(), restrictions.lines.size() > 1);
    if (!form.pnRestriction->isHidden())
        QCOMPARE(ViewLines(form.M1), restrictions.lines);
    else
        QTest::mousePress(form.sb1, Qt::LeftButton, {}, QPoint(300, form.sb1->height() / 2));
    QVERIFY(!form.pnRestriction->isHidden());

    // The two tabs of the panel.
    QTest::mouseClick(form.TbCnt, Qt::LeftButton, {}, form.TbCnt->tabRect(0).center());
    QCOMPARE(ViewLines(form.M1), restrictions.lines);
    QTest::mouseClick(form.TbCnt, Qt::LeftButton, {}, form.TbCnt->tabRect(1).center());
    const CliOutput status = RunCli({QStringLiteral("update-status"), id});
    QCOMPARE(status.status, 0);
    QCOMPARE(ViewLines(form.M1), status.lines);

    // The first age group as the row change shows it, then later groups.
    compareFunctions(id);
    if (QTest::currentTestFailed())
        return;
    const int groups = form.cdsFile->recordCount();
    if (groups > 1) {
        auto* next = form.DBNavigator6->findChild<QToolButton*>(QStringLiteral("nbNext"));
        auto* last = form.DBNavigator6->findChild<QToolButton*>(QStringLiteral("nbLast"));
        QVERIFY(next && last);
        QTest::mouseClick(next, Qt::LeftButton);
        if (groups > 2)
            QTest::mouseClick(next, Qt::LeftButton);
        QCOMPARE(form.cdsFile->recNo(), qMin(groups, 3));
        compareFunctions(id);
        if (QTest::currentTestFailed())
            return;
        QTest::mouseClick(last, Qt::LeftButton);
        QCOMPARE(form.cdsFile->recNo(), groups);
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
    const int group = m_form->cdsFile->recNo();
    QStringList arguments{QStringLiteral("functions"), id};
    if (group > 0)
        arguments << QString::number(group);
    const CliOutput functions = RunCli(arguments);
    QVERIFY2(functions.status >= 0, "veltra-cli did not finish");
    const QStringList view = ViewLines(m_form->mTransformed);
    QCOMPARE(view, functions.lines);
    // Every age group of the sample has GF lines, so only a row without a data file shows
    // nothing, and the command reports that row as a failure.
    QCOMPARE(view.isEmpty(), group == 0);
    QCOMPARE(functions.status, group == 0 ? 1 : 0);
}

void CliParityTest::compareTables(const QString& id)
{
    TForm1& form = *m_form;
    const QString dataFile = form.DataFilePath;
    auto press = [](QAbstractButton* button) { QTest::mouseClick(button, Qt::LeftButton); };
    auto same = [](const QStringList& view, const CliOutput& cli) {
        QCOMPARE(cli.status, 0);
        QCOMPARE(view, cli.lines);
    };

    // The command table as the row change built it, then with other settings.
    same(ViewLines(form.mFormula), RunCli({QStringLiteral("command-table"), id}));
    form.seTop->setValue(3);
    form.cbExcludeGF->setChecked(true);
    press(form.bGenerateACommandTable);
    same(ViewLines(form.mFormula),
         RunCli({QStringLiteral("command-table"), id, QStringLiteral("--top"), QStringLiteral("3"),
                 QStringLiteral("--exclude-gf")}));
    form.seTop->setValue(2);
    form.cbExcludeGF->setChecked(false);
    if (QTest::currentTestFailed())
        return;

    // The formatted table before CSV and tab-delimited ones upper-case the names.
    press(form.bGenTable);
    same(ViewLines(form.mTableContent),
         RunCli({QStringLiteral("table"), QStringLiteral("fixed"), dataFile}));
    form.clbVar->item(1)->setCheckState(Qt::Unchecked);
    QStringList checked;
    for (int item = 0; item < form.clbVar->count(); ++item) {
        if (form.clbVar->item(item)->checkState() == Qt::Checked)
            checked << form.clbVar->item(item)->text();
    }
    form.seTabDig->setValue(11);
    form.seTabDec->setValue(4);
    press(form.bGenTable);
    same(ViewLines(form.mTableContent),
         RunCli({QStringLiteral("table"), QStringLiteral("fixed"), dataFile,
                 QStringLiteral("--digits"), QStringLiteral("11"), QStringLiteral("--decimals"),
                 QStringLiteral("4"), QStringLiteral("--columns"), checked.join(u',')}));
    form.clbVar->item(1)->setCheckState(Qt::Checked);
    form.seTabDig->setValue(9);
    form.seTabDec->setValue(2);
    press(form.bGenCSVTable);
    same(ViewLines(form.mTableContent),
         RunCli({QStringLiteral("table"), QStringLiteral("csv"), dataFile}));
    press(form.bGenTabDelim);
    same(ViewLines(form.mTableContent),
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
    press(form.bUserDefTab);
    same(ViewLines(form.mTableContent), RunCli({QStringLiteral("formtab"), formatFile, dataFile}));
    // The header and a line per age group at least (memo values break their lines).
    QVERIFY(ViewLines(form.mTableContent).size() > form.cdsFile->recordCount());
    QCOMPARE(ViewLines(form.mTableContent).first().left(6), QStringLiteral(" Group"));
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
    QTest::mouseClick(form.findChild<QAbstractButton*>(QStringLiteral("rgOrderRestriction2")),
                      Qt::LeftButton);
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
    QVERIFY(ClickRow(form.dbgTopics, {{0, headline}}));
    QVERIFY(ClickRow(form.dbgParameter, {{0, topic}}));
    QVERIFY(ClickRow(form.dbgSources, {{3, sex}, {4, source}}));
    QCOMPARE(veltra::ReferenceDatabase::CurrentText(*form.CDSData, QStringLiteral("ID")), id);

    auto* menuItem = form.findChild<QAction*>(QStringLiteral("WordReport1"));
    QVERIFY(menuItem);
    menuItem->trigger();
    const CliOutput report = RunCli({QStringLiteral("report"), id});
    QCOMPARE(report.status, 0);
    QVERIFY(report.lines.size() > 20);
    QCOMPARE(form.oe1->PlainLines(), report.lines);

    // The file the viewer saves is the file the command writes, byte for byte.
    const QString viewerFile = m_exeDir.filePath(QStringLiteral("viewer-") + id + ".rtf");
    const QString cliFile = m_exeDir.filePath(QStringLiteral("cli-") + id + ".rtf");
    veltra::Dialogs::SetFileAnswerer([&](veltra::Dialogs::FileMode,
                                         const veltra::FileDialogSettings&,
                                         const QString&) { return viewerFile; });
    form.findChild<QAction*>(QStringLiteral("Save1"))->trigger();
    veltra::Dialogs::SetFileAnswerer({});
    QCOMPARE(RunCli({QStringLiteral("report"), id, QStringLiteral("-o"), cliFile}).status, 0);
    QFile saved(viewerFile), written(cliFile);
    QVERIFY(saved.open(QIODevice::ReadOnly) && written.open(QIODevice::ReadOnly));
    const QByteArray rtf = saved.readAll();
    QVERIFY(rtf.startsWith("{\\rtf1"));
    QCOMPARE(written.readAll(), rtf);
    QVERIFY2(m_errors.isEmpty(), qPrintable(m_errors.join(QLatin1Char('\n'))));
}

QTEST_MAIN(CliParityTest)
#include "CliParity_test.moc"
