// The viewer and veltra-cli side by side on the sample database: for parameter rows brought
// up in the main window as a user brings them up, the restriction panel and the "Selected
// Functions" view show exactly the lines the command-line tool prints for the same row.
#include "app/ui/fMain.h"
#include "app/ui/widgets/ButtonTabBar.h"
#include "app/ui/widgets/DbGrid.h"
#include "app/ui/widgets/DbNavigator.h"
#include "app/ui/widgets/PanelStatusBar.h"
#include "data/DataTable.h"

#include <QAbstractItemModel>
#include <QCheckBox>
#include <QDir>
#include <QPlainTextEdit>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
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
    QStringList lines; ///< stdout, one entry per "\n"-terminated line
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
    if (!text.isEmpty()) {
        output.lines = text.split(QLatin1Char('\n'));
        // Every line ends with "\n", so the split leaves one empty entry after the last.
        if (output.lines.last().isEmpty())
            output.lines.removeLast();
        else
            output.lines << QStringLiteral("<no line end after the last line>");
    }
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

private:
    /// Compares the "Selected Functions" view with `functions ID GROUP` for the age group
    /// the data file table is on (no GROUP when no file is connected).
    void compareFunctions(const QString& id);

    QTemporaryDir m_exeDir;
    QString m_oldCurrent;
    std::unique_ptr<TForm1> m_form;
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
}

void CliParityTest::cleanupTestCase()
{
    m_form.reset();
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
    }

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

QTEST_MAIN(CliParityTest)
#include "CliParity_test.moc"
