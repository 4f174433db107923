// An age group's fits against its observed percentiles: the observed points of the
// row, the deviation of each fit, the small-sample rule for percentiles and the errors
// for rows that cannot be analysed.
#include "../common/TestDatabase.h"

#include "convert/FitAnalysis.h"
#include "data/DataTable.h"
#include "util/VeltraError.h"

#include <cmath>

using namespace veltra;

namespace {

// A lognormal group (median 65.5, sdlog 0.25) with 40 observations. Its P95 field is 11 %
// above the lognormal's, and the QUANTILES text adds the 1 %, 10 % and 99 % levels.
const QString Gf = "TYPE=GeneralF;\r\nPT= 0 1e6 1e6 0.015265 0.002\r\nKS=0.01;\r\n"
                   "TYPE=Lognormal;\r\nPT=0 0.015265 4;\r\nKS=0.02;\r\n"
                   "TYPE=Exponential;\r\nPT=0 0.0142;\r\nKS=0.4;\r\n";
const QString Quantiles = "Quantiles of X [g], N = 40\r\n"
                          "     P    observed      Lognormal\r\n"
                          "    1%        36.7           36.7\r\n"
                          "   10%        47.5           47.5\r\n"
                          "   50%        65.5           65.5\r\n"
                          "   99%     bad           117\r\n";

DataTable& Group(DataTable& table, const QString& gf = Gf)
{
    table.loadFromData(fixture::Packet({{"AGEGRP", "string"},
                                        {"AGEMin", "r8"},
                                        {"AGEMax", "r8"},
                                        {"NOBS", "i4"},
                                        {"MIN", "r8"},
                                        {"P05", "r8"},
                                        {"P50", "r8"},
                                        {"P95", "r8"},
                                        {"MAX", "r8"},
                                        {"GENERALF", "bin.hex"},
                                        {"QUANTILES", "bin.hex"}},
                                       {{"18 - <45 years", "18", "45", "40", "30", "43.63", "65.51",
                                         "109.82", "120", gf, Quantiles}}),
                       QStringLiteral("ef.xml"));
    return table;
}

} // namespace

class FitAnalysisTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void observedPointsAndDeviations()
    {
        DataTable table;
        const AgeGroupFits group = AnalyseAgeGroup(Group(table), 0);
        QCOMPARE(group.n, std::optional<int>(40));
        QCOMPARE(group.ageMidpoint, 31.5);
        QStringList labels;
        for (const ObservedQuantile& point : group.observed)
            labels << point.label + u'@' + point.source;
        // Fields first where both give a level; MIN and MAX at 1/(N+1) and N/(N+1); the
        // unreadable 99 % row is left out.
        QCOMPARE(labels, (QStringList{"P01@QUANTILES", "MIN@MIN", "P05@P05", "P10@QUANTILES",
                                      "P50@P50", "P95@P95", "MAX@MAX"}));
        QCOMPARE(group.observed.at(1).level, 1.0 / 41);
        QCOMPARE(group.observed.last().level, 40.0 / 41);

        QCOMPARE(group.fits.size(), 3);
        QCOMPARE(group.deviations.size(), 3);
        // The lognormal fits the points from P05 to P95 except the P95 field, from which
        // its quantile is 10 % off (98.8 against 109.8); the exponential misses by far more.
        QVERIFY2(std::abs(*group.deviations.at(1) - 0.10) < 0.005,
                 qPrintable(QString::number(*group.deviations.at(1))));
        QVERIFY(*group.deviations.at(2) > 0.3);
    }

    void rowsThatCannotBeAnalysed()
    {
        DataTable table;
        auto message = [&table](const QString& gf, int row) {
            try {
                AnalyseAgeGroup(Group(table, gf), row);
            } catch (const VeltraError& error) {
                return error.message();
            }
            return QString();
        };
        QCOMPARE(message(Gf, 1), QStringLiteral("There is no age group 2; the data file has 1"));
        QCOMPARE(message("no fits here", 0),
                 QStringLiteral("Group:18 - <45 years Age: 18 - 45: no fit in GENERALF"));
        QCOMPARE(message("TYPE=Weibull;\r\nPT=0 -2 3;\r\nKS=0.1;\r\n", 0),
                 QStringLiteral("Group:18 - <45 years Age: 18 - 45: Weibull: the parameter lambda "
                                "must be greater than 0, not -2 (line 2)"));
        DataTable noGf;
        noGf.loadFromData(fixture::Packet({{"AGEGRP", "string"}}, {{"1"}}), "plain.xml");
        QVERIFY_THROWS_EXCEPTION(VeltraError, AnalyseAgeGroup(noGf, 0));
    }

    void smallSampleRule_data()
    {
        QTest::addColumn<double>("level");
        QTest::addColumn<int>("needed");
        QTest::addColumn<QString>("label");
        QTest::newRow("median") << 0.5 << 0 << "P50";
        QTest::newRow("P75") << 0.75 << 12 << "P75";
        QTest::newRow("P25") << 0.25 << 12 << "P25";
        QTest::newRow("P90") << 0.90 << 30 << "P90";
        QTest::newRow("P95") << 0.95 << 61 << "P95";
        QTest::newRow("P05") << 0.05 << 61 << "P05";
        QTest::newRow("P97.5") << 0.975 << 181 << "P97.5";
        QTest::newRow("P99") << 0.99 << 453 << "P99";
    }
    void smallSampleRule()
    {
        QFETCH(double, level);
        QFETCH(int, needed);
        QFETCH(QString, label);
        QCOMPARE(MinimumObservations(level), needed);
        QCOMPARE(PercentileLabel(level), label);
    }

    void reliabilityLine()
    {
        QCOMPARE(ReliabilityLine(61), QStringLiteral("Percentile reliability (N = 61): P75 yes, "
                                                     "P90 yes, P95 yes, P97.5 no (N < 181)"));
        QCOMPARE(ReliabilityLine(std::nullopt),
                 QStringLiteral("Percentile reliability (N = unknown): P75 no (N < 12), P90 no "
                                "(N < 30), P95 no (N < 61), P97.5 no (N < 181)"));
    }
};

QTEST_MAIN(FitAnalysisTest)
#include "FitAnalysis_test.moc"
