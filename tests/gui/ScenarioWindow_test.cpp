// The scenario window offscreen on the sample database: a run of every age group on the
// worker thread fills the percentile table and the age profile; the formula is checked as
// it is typed; Cancel stops a long run and keeps the window's last result; a run's
// error reaches the guard. With VELTRA_SCENARIO_SCREENSHOT set, the window after the
// run is saved there as PNG.
#include "scenario/SimulationOutput.h"
#include "scenario/ui/fScenario.h"

#include <QAreaSeries>
#include <QChart>
#include <QChartView>
#include <QLabel>
#include <QLineEdit>
#include <QLineSeries>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>

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
        {"name": "EF", "constant": 0.8}]})j",
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
    void click(const char* name)
    {
        auto* button = window.findChild<QPushButton*>(QLatin1String(name));
        QVERIFY(button);
        QTest::mouseClick(button, Qt::LeftButton);
    }
};

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
};

QTEST_MAIN(ScenarioWindowTest)
#include "ScenarioWindow_test.moc"
