// An age group's fits against its observed percentiles: the observed points of the
// row, the deviation of each fit, the small-sample rule for percentiles and the errors
// for rows that cannot be analysed.
#include "../common/TestDatabase.h"

#include "convert/FitAnalysis.h"
#include "data/DataTable.h"
#include "util/VeltraError.h"

#include <cmath>

using namespace veltra;

Q_DECLARE_METATYPE(veltra::DeviationClass)

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

DataTable& Group(DataTable& table, const QString& gf = Gf, const QString& n = QStringLiteral("40"))
{
    table.loadFromData(fixture::Packet({{"AGEGRP", "string"},
                                        {"AGEMin", "r8"},
                                        {"AGEMax", "r8"},
                                        {"NOBS", "r8"},
                                        {"MIN", "r8"},
                                        {"P05", "r8"},
                                        {"P50", "r8"},
                                        {"P95", "r8"},
                                        {"MAX", "r8"},
                                        {"GENERALF", "bin.hex"},
                                        {"QUANTILES", "bin.hex"}},
                                       {{"18 - <45 years", "18", "45", n, "30", "43.63", "65.51",
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
        QCOMPARE(group.n, std::optional<qint64>(40));
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
        QVERIFY(group.failed.isEmpty());
    }

    // The deviation counts only the percentiles N supports, never MIN or MAX: the P95
    // field, 10 % above the lognormal's 98.8, counts from N = 61 on; MIN (30, far below
    // every fit) never; P01 and P99 are outside the guidance table.
    void deviationOverSupportedPercentiles_data()
    {
        QTest::addColumn<QString>("n");
        QTest::addColumn<QString>("lognormal");
        QTest::addColumn<QString>("exponential");
        QTest::newRow("N = 11: the median alone") << "11"
                                                  << "P50 0.0 %"
                                                  << "P50 -25.5 %";
        QTest::newRow("N = 40: P10 too") << "40"
                                         << "P10 +0.1 %"
                                         << "P10 -84.4 %";
        QTest::newRow("N = 61: P05 and P95 too") << "61"
                                                 << "P95 -10.0 %"
                                                 << "P05 -91.7 %";
        QTest::newRow("N unknown") << ""
                                   << "P50 0.0 %"
                                   << "P50 -25.5 %";
        QTest::newRow("N not whole") << "40.5"
                                     << "P50 0.0 %"
                                     << "P50 -25.5 %";
    }
    void deviationOverSupportedPercentiles()
    {
        QFETCH(QString, n);
        QFETCH(QString, lognormal);
        QFETCH(QString, exponential);
        DataTable table;
        const AgeGroupFits group = AnalyseAgeGroup(Group(table, Gf, n), 0);
        QCOMPARE(DeviationText(group.deviations.at(1)), lognormal);
        QCOMPARE(DeviationText(group.deviations.at(2)), exponential);
        QCOMPARE(ClassOf(group.deviations.at(2)), DeviationClass::Far);
    }

    void observationCount_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<qint64>("count"); // -1: unknown
        QTest::newRow("plain") << "45" << qint64(45);
        QTest::newRow("beyond 32 bits") << "3000000000" << qint64(3000000000);
        QTest::newRow("1e15") << "1e15" << qint64(1000000000000000);
        QTest::newRow("above 1e15") << "1e300" << qint64(-1);
        QTest::newRow("negative") << "-3" << qint64(-1);
        QTest::newRow("fraction") << "12.5" << qint64(-1);
        QTest::newRow("empty") << "" << qint64(-1);
        QTest::newRow("text") << "many" << qint64(-1);
    }
    void observationCount()
    {
        QFETCH(QString, text);
        QFETCH(qint64, count);
        QCOMPARE(ObservationCount(text), count < 0 ? std::nullopt : std::optional<qint64>(count));
    }

    // Classes by how far apart the fit and the data are, the same for a fit twice and
    // half as large.
    void deviationClasses_data()
    {
        QTest::addColumn<double>("ratio");
        QTest::addColumn<DeviationClass>("expected");
        QTest::newRow("equal") << 1.0 << DeviationClass::Close;
        QTest::newRow("4.9 % above") << 1.049 << DeviationClass::Close;
        QTest::newRow("4.9 % apart below") << 1 / 1.049 << DeviationClass::Close;
        QTest::newRow("5.1 % above") << 1.051 << DeviationClass::Moderate;
        QTest::newRow("14.9 % apart below") << 1 / 1.149 << DeviationClass::Moderate;
        QTest::newRow("15.1 % above") << 1.151 << DeviationClass::Far;
        QTest::newRow("half") << 0.5 << DeviationClass::Far;
    }
    void deviationClasses()
    {
        QFETCH(double, ratio);
        QFETCH(DeviationClass, expected);
        QCOMPARE(ClassOf(FitDeviation{QStringLiteral("P50"), ratio - 1, std::abs(std::log(ratio))}),
                 expected);
        QCOMPARE(ClassOf(std::nullopt), DeviationClass::None);
    }

    // A fit that cannot be read or computed is set aside with its reason; the group's
    // other fits stay.
    void oneBadFitLeavesTheOthers()
    {
        DataTable table;
        const AgeGroupFits group =
            AnalyseAgeGroup(Group(table, "TYPE=Weibull;\r\nPT=0 0.08;\r\nKS=0.05;\r\n" + Gf +
                                             "TYPE=Weibull;\r\nPT=0 1 1e-3;\r\nKS=0.06;\r\n"),
                            0);
        QCOMPARE(group.fits.size(), 3);
        QCOMPARE(group.fits.first().fit().position, 1);
        QCOMPARE(group.failed.size(), 2);
        QCOMPARE(group.failed.at(0).fit.position, 0);
        QCOMPARE(
            group.failed.at(0).error,
            QStringLiteral("Group:18 - <45 years Age: 18 - 45: Weibull, line 2: p is missing"));
        QCOMPARE(group.failed.at(1).fit.position, 4);
        QCOMPARE(group.failed.at(1).error,
                 QStringLiteral("Group:18 - <45 years Age: 18 - 45: Weibull, line 14 (q = 0, "
                                "lambda = 1, p = 0.001): the mean is too large for a number"));
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
        QTest::addColumn<int>("needed"); // -1: outside the guidance table
        QTest::addColumn<QString>("label");
        QTest::newRow("median") << 0.5 << 0 << "P50";
        QTest::newRow("P75") << 0.75 << 12 << "P75";
        QTest::newRow("P25") << 0.25 << 12 << "P25";
        QTest::newRow("P90") << 0.90 << 30 << "P90";
        QTest::newRow("P95") << 0.95 << 61 << "P95";
        QTest::newRow("P05") << 0.05 << 61 << "P05";
        QTest::newRow("P97.5") << 0.975 << 181 << "P97.5";
        QTest::newRow("P20") << 0.20 << 30 << "P20";
        QTest::newRow("P99") << 0.99 << -1 << "P99";
        QTest::newRow("P01") << 0.01 << -1 << "P01";
    }
    void smallSampleRule()
    {
        QFETCH(double, level);
        QFETCH(int, needed);
        QFETCH(QString, label);
        QCOMPARE(MinimumObservations(level),
                 needed < 0 ? std::nullopt : std::optional<int>(needed));
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
