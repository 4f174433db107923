// The scenario window offscreen on the sample database: a run of every age group on the
// worker thread fills the percentile table and the age profile; the formula is checked as
// it is typed; Cancel stops a long run and keeps the window's last result; a run's
// error reaches the guard. With VELTRA_SCENARIO_SCREENSHOT set, the window after the
// run is saved there as PNG. A scenario built in the window (the current parameter row,
// a user distribution, a correlation) runs, shows the selected run's distribution
// function, histogram and tornado, and is exported in every form.
#include "GuiFixture.h"

#include "app/ui/fMain.h"
#include "data/DataTable.h"
#include "scenario/SimulationOutput.h"
#include "scenario/ui/fScenario.h"
#include "widgets/Dialogs.h"

#include <QAction>
#include <QAreaSeries>
#include <QBarSet>
#include <QChart>
#include <QChartView>
#include <QCheckBox>
#include <QComboBox>
#include <QHorizontalBarSeries>
#include <QLabel>
#include <QLineEdit>
#include <QLineSeries>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>

using fixture::Child;
using namespace veltra;

namespace {

Scenario SampleScenario(qint64 iterations)
{
    Scenario scenario = ReadScenario(R"j({"schema": 1, "name": "Soil ingestion by age",
        "formula": "C * IR * EF / BW", "output": {"name": "dose", "unit": "mg/(kg d)"},
        "seed": 7, "inputs": [
        {"name": "BW", "parameter": 1001, "fit": "best"},
        {"name": "IR", "distribution": "triangular", "min": 20, "mode": 50, "max": 200},
        {"name": "C", "distribution": "lognormal", "gm": 30, "gsd": 2.5},
        {"name": "EF", "constant": 0.8}],
        "correlations": [{"a": "BW", "b": "IR", "rank": 0.6}]})j",
                                     QStringLiteral("test"));
    scenario.iterations = iterations;
    return scenario;
}

struct Window
{
    QStringList errors;
    ErrorGuard guard;
    TfScenario window{guard, QStringLiteral(VELTRA_SAMPLE_DIR)};
    Window()
    {
        guard.setReporter([this](const QString& message) { errors << message; });
    }
    template <typename T> T* child(const char* name)
    {
        return window.findChild<T*>(QLatin1String(name));
    }
    void click(const char* name)
    {
        auto* button = window.findChild<QPushButton*>(QLatin1String(name));
        QVERIFY(button);
        QTest::mouseClick(button, Qt::LeftButton);
    }
};

template <typename T> T* OnlySeries(QChartView* view)
{
    const QList<QAbstractSeries*> series = view->chart()->series();
    return series.size() == 1 ? qobject_cast<T*>(series.first()) : nullptr;
}

} // namespace

class ScenarioWindowTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void runFillsTableAndAgeProfile()
    {
        Window w;
        w.window.SetScenario(SampleScenario(4000));
        w.window.show();
        w.click("bRun");
        QVERIFY(w.window.IsRunning());
        QTRY_VERIFY_WITH_TIMEOUT(!w.window.IsRunning(), 120000);
        QVERIFY2(w.errors.isEmpty(), qPrintable(w.errors.join(u'\n')));
        QVERIFY(w.window.Result());
        const SimulationResult& result = *w.window.Result();
        auto* table = w.window.findChild<QTableWidget*>(QStringLiteral("tResults"));
        QCOMPARE(table->rowCount(), 15);
        QCOMPARE(table->item(0, 0)->text(), QStringLiteral("1"));
        QCOMPARE(table->item(14, 0)->text(), QStringLiteral("15"));
        // The table shows the run's P50 column.
        const int p50 = int(SimulationTableHeader().indexOf(QStringLiteral("P50")));
        QCOMPARE(table->item(3, p50)->text(),
                 QString::number(result.runs.at(3).percentiles.at(4), 'g', 6));

        auto* view = w.window.findChild<QChartView*>(QStringLiteral("cvProfile"));
        QLineSeries* median = nullptr;
        QAreaSeries* band = nullptr;
        for (QAbstractSeries* series : view->chart()->series()) {
            if (series->name() == u"P50")
                median = qobject_cast<QLineSeries*>(series);
            if (series->name() == u"P05-P95")
                band = qobject_cast<QAreaSeries*>(series);
        }
        QVERIFY(median && band);
        QCOMPARE(median->count(), 15);
        for (int g = 0; g < 15; ++g) {
            const RunResult& run = result.runs.at(g);
            QCOMPARE(median->at(g).x(), (run.ageMin + run.ageMax) / 2);
            QCOMPARE(median->at(g).y(), run.percentiles.at(4));
            QCOMPARE(band->upperSeries()->at(g).y(), run.percentiles.at(7));
            QCOMPARE(band->lowerSeries()->at(g).y(), run.percentiles.at(1));
        }
        const QByteArray screenshot = qgetenv("VELTRA_SCENARIO_SCREENSHOT");
        if (!screenshot.isEmpty())
            QVERIFY(w.window.grab().save(QString::fromLocal8Bit(screenshot)));
    }

    void formulaIsCheckedAsTyped_data()
    {
        QTest::addColumn<QString>("formula");
        QTest::addColumn<QString>("message");
        QTest::newRow("fine") << "C * IR / BW"
                              << "";
        QTest::newRow("unknown name") << "C * Q"
                                      << "formula, position 5: unknown name \"Q\"";
        QTest::newRow("syntax") << "C * / BW"
                                << "formula, position 5:";
    }
    void formulaIsCheckedAsTyped()
    {
        QFETCH(QString, formula);
        QFETCH(QString, message);
        Window w;
        w.window.SetScenario(SampleScenario(100));
        auto* edit = w.window.findChild<QLineEdit*>(QStringLiteral("eFormula"));
        edit->clear();
        QTest::keyClicks(edit, formula);
        if (message.isEmpty())
            QCOMPARE(w.window.FormulaMessage(), QString());
        else
            QVERIFY2(w.window.FormulaMessage().startsWith(message),
                     qPrintable(w.window.FormulaMessage()));
    }

    void cancelStopsALongRun()
    {
        Window w;
        w.window.SetScenario(SampleScenario(20'000'000));
        w.window.show();
        w.click("bRun");
        QTest::qWait(200);
        QVERIFY(w.window.IsRunning());
        w.click("bCancel");
        QTRY_VERIFY_WITH_TIMEOUT(!w.window.IsRunning(), 60000);
        QVERIFY(!w.window.Result());
        QVERIFY(w.errors.isEmpty());
    }

    void runErrorReachesTheGuard()
    {
        Window w;
        Scenario scenario = SampleScenario(100);
        scenario.inputs[0].parameterId = 999999;
        w.window.SetScenario(scenario);
        w.click("bRun");
        QTRY_VERIFY_WITH_TIMEOUT(!w.window.IsRunning(), 60000);
        QCOMPARE(w.errors.size(), 1);
        QVERIFY2(w.errors.at(0).contains(QStringLiteral("999999")), qPrintable(w.errors.at(0)));
    }

    // Selecting a row of the result table redraws the other charts for that run.
    void selectedRunDrivesTheCharts()
    {
        Window w;
        w.window.SetScenario(SampleScenario(3000));
        w.click("bRun");
        QTRY_VERIFY_WITH_TIMEOUT(!w.window.IsRunning(), 120000);
        QVERIFY2(w.errors.isEmpty(), qPrintable(w.errors.join(u'\n')));
        QCOMPARE(w.window.SelectedRun(), 0);
        w.child<QTableWidget>("tResults")->setCurrentCell(9, 3);
        QCOMPARE(w.window.SelectedRun(), 9);
        const RunResult& run = w.window.Result()->runs.at(9);

        auto* cdf = OnlySeries<QLineSeries>(w.child<QChartView>("cvDistribution"));
        QVERIFY(cdf);
        QCOMPARE(cdf->count(), 201);
        QCOMPARE(cdf->at(100).x(), run.percentiles.at(SimulationLevels.indexOf(0.5)));
        QCOMPARE(cdf->at(200).y(), 1.0);
        for (int k = 1; k < cdf->count(); ++k)
            QVERIFY(cdf->at(k).x() >= cdf->at(k - 1).x());

        // The bins hold the values between P00.5 and P99.5: about 99 % of the run.
        auto* bars = OnlySeries<QAreaSeries>(w.child<QChartView>("cvHistogram"));
        QVERIFY(bars);
        qint64 counted = 0;
        for (qint64 count : run.histogram)
            counted += count;
        QVERIFY2(counted >= 2960 && counted <= 2975, qPrintable(QString::number(counted)));
        QCOMPARE(bars->upperSeries()->count(), 2 * int(run.histogram.size()));
        QCOMPARE(bars->upperSeries()->at(0).y(), double(run.histogram.at(0)));

        // The tornado: the inputs by the size of their rank correlation, largest on top.
        auto* tornado = OnlySeries<QHorizontalBarSeries>(w.child<QChartView>("cvTornado"));
        QVERIFY(tornado && tornado->count() == 1);
        const QBarSet* set = tornado->barSets().first();
        QCOMPARE(set->count(), int(run.sensitivity.size()));
        for (int k = 1; k < set->count(); ++k)
            QVERIFY(std::abs(set->at(k)) >= std::abs(set->at(k - 1)));
        double largest = 0;
        for (const auto& [name, rho] : run.sensitivity)
            largest = std::max(largest, std::abs(rho));
        QCOMPARE(std::abs(set->at(set->count() - 1)), largest);
    }

    // The current parameter row and a user distribution make a scenario that runs; a
    // parameter outside its domain is refused with its key; every export writes its file.
    void buildRunAndExport()
    {
        Window w;
        w.window.SetCurrentRowSource([] { return std::optional(CurrentParameterRow{1001, 3}); });
        w.child<QCheckBox>("cbFollowAge")->setChecked(false);
        w.click("bAddCurrentRow");
        auto* inputs = w.child<QTableWidget>("tInputs");
        QCOMPARE(inputs->rowCount(), 1);
        QCOMPARE(inputs->item(0, 0)->text(), QStringLiteral("P1001"));
        QCOMPARE(inputs->item(0, 1)->text(), QStringLiteral("ID 1001 group 3, best"));

        w.child<QLineEdit>("eUserName")->setText(QStringLiteral("C"));
        w.child<QComboBox>("cbFamily")->setCurrentText(QStringLiteral("lognormal"));
        w.child<QLineEdit>("eUserParameters")->setText(QStringLiteral("gm = 30, gsd = 0.5"));
        w.click("bAddUser");
        QCOMPARE(w.errors.size(), 1);
        QVERIFY2(w.errors.at(0).contains(QStringLiteral("inputs[1].gsd: must be > 1")),
                 qPrintable(w.errors.at(0)));
        QCOMPARE(inputs->rowCount(), 1);
        w.errors.clear();
        w.child<QLineEdit>("eUserParameters")->setText(QStringLiteral("gm = 30, gsd = 2"));
        w.child<QLineEdit>("eTruncate")->setText(QStringLiteral("1, 500"));
        w.click("bAddUser");
        QVERIFY2(w.errors.isEmpty(), qPrintable(w.errors.join(u'\n')));
        QCOMPARE(inputs->rowCount(), 2);
        QCOMPARE(inputs->item(1, 1)->text(),
                 QStringLiteral("lognormal(gm = 30, gsd = 2) truncated to [1, 500]"));

        w.child<QLineEdit>("eFormula")->setText(QStringLiteral("C / P1001"));
        QCOMPARE(w.window.FormulaMessage(), QString());
        w.click("bAddCorrelation");
        auto* correlations = w.child<QTableWidget>("tCorrelations");
        correlations->setItem(0, 0, new QTableWidgetItem(QStringLiteral("P1001")));
        correlations->setItem(0, 1, new QTableWidgetItem(QStringLiteral("C")));
        correlations->setItem(0, 2, new QTableWidgetItem(QStringLiteral("0.5")));
        w.child<QSpinBox>("seIterations")->setValue(5000);
        w.click("bRun");
        QTRY_VERIFY_WITH_TIMEOUT(!w.window.IsRunning(), 120000);
        QVERIFY2(w.errors.isEmpty(), qPrintable(w.errors.join(u'\n')));
        const SimulationResult& result = *w.window.Result();
        QCOMPARE(result.runs.size(), 1);
        QCOMPARE(result.runs.at(0).achieved.size(), 1);
        QVERIFY(std::abs(result.runs.at(0).achieved.at(0).rank - 0.5) < 0.05);

        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        QString answer;
        Dialogs::SetFileAnswerer([&answer](Dialogs::FileMode, const FileDialogSettings&,
                                           const QString&) { return answer; });
        struct Export
        {
            const char* button;
            QString file;
            QByteArray start;
        };
        const QList<Export> exports{
            {"bExportCsv", QStringLiteral("r.csv"), "group,age group,"},
            {"bExportXlsx", QStringLiteral("r.xlsx"), "PK"},
            {"bExportR", QStringLiteral("s.R"), "# Scenario"},
            {"bExportPython", QStringLiteral("s.py"), "#!/usr/bin/env python3"},
            {"bExportReport", QStringLiteral("report.pdf"), "%PDF"},
            {"bExportReport", QStringLiteral("report.rtf"), "{\\rtf1"}};
        for (const Export& e : exports) {
            answer = dir.filePath(e.file);
            w.click(e.button);
            QFile file(answer);
            QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(e.file));
            QVERIFY2(file.readAll().startsWith(e.start), qPrintable(e.file));
        }
        Dialogs::SetFileAnswerer({});
        QVERIFY2(w.errors.isEmpty(), qPrintable(w.errors.join(u'\n')));

        // Removing an input takes its correlation with it.
        inputs->setCurrentCell(0, 0);
        w.click("bRemoveInput");
        QCOMPARE(inputs->rowCount(), 1);
        QCOMPARE(correlations->rowCount(), 0);
    }

    // "Add current row" in the window opened from the viewer takes the browser's
    // parameter row and the data file's current age group.
    void addsTheViewersCurrentRow()
    {
        fixture::Session session;
        TForm1& form = session.start();
        QVERIFY(session.clickRow("dbgSources", QStringLiteral("BW")));
        QVERIFY(form.Database().dataFile().recordCount() >= 2);
        session.selectRow("DBGrid2", 2);
        auto* action = Child<QAction>(form, "Scenario1");
        action->trigger();
        auto* scenario = fixture::Window<TfScenario>("fScenario");
        Child<QCheckBox>(*scenario, "cbFollowAge")->setChecked(false);
        QTest::mouseClick(Child<QPushButton>(*scenario, "bAddCurrentRow"), Qt::LeftButton);
        QVERIFY2(session.errors.isEmpty(), qPrintable(session.errors.join(u'\n')));
        auto* inputs = Child<QTableWidget>(*scenario, "tInputs");
        QCOMPARE(inputs->rowCount(), 1);
        QCOMPARE(inputs->item(0, 0)->text(), QStringLiteral("P1"));
        QCOMPARE(inputs->item(0, 1)->text(), QStringLiteral("ID 1 group 2, best"));
    }
};

QTEST_MAIN(ScenarioWindowTest)
#include "ScenarioWindow_test.moc"
