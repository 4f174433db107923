// The table of an age group's fits: stored order and ranks, a fit that cannot be computed
// among the others, the CSV lines, and the workbook read back by an independent reader;
// what the charts draw: the age profile's runs, the value axis's title and its ticks.
#include "../common/TestDatabase.h"
#include "../common/WorkbookReader.h"

#include "convert/ChartAxis.h"
#include "convert/FitTable.h"
#include "data/DataTable.h"

#include <QTemporaryDir>
#include <cmath>

using namespace veltra;

namespace {

// N = 40: P10 (from QUANTILES) and P50 are supported, P05 and P95 are not. The Weibull
// line has two numbers only.
const QString Gf = "TYPE=Weibull;\r\nPT=0 0.08;\r\nKS=0.05;\r\n"
                   "TYPE=Lognormal;\r\nPT=0 0.015265 4;\r\nKS=0.02;\r\n"
                   "TYPE=Exponential;\r\nPT=0 0.0142;\r\nAP=0.4;\r\n"
                   "TYPE=Gamma;\r\nPT=1.5 16 0.0155;\r\nKS=0.03;\r\n";
const QString Quantiles = "     P    observed\r\n   10%        47.5\r\n";

AgeGroupFits Group(DataTable& table)
{
    table.loadFromData(
        fixture::Packet({{"AGEGRP", "string"},
                         {"NOBS", "r8"},
                         {"P05", "r8"},
                         {"P50", "r8"},
                         {"P95", "r8"},
                         {"GENERALF", "bin.hex"},
                         {"QUANTILES", "bin.hex"}},
                        {{"18 - <45", "40", "43.63", "65.51", "109.82", Gf, Quantiles}}),
        QStringLiteral("ef.xml"));
    return AnalyseAgeGroup(table, 0);
}

QStringList Ranks(const FitTable& table)
{
    QStringList ranks;
    for (const FitTableRow& row : table.rows)
        ranks << row.typeName + u' ' + QString::number(row.rank);
    return ranks;
}

} // namespace

class FitTableTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void ranksAndOrder()
    {
        DataTable file;
        const AgeGroupFits group = Group(file);
        const FitTable stored = BuildFitTable(group, false);
        // The lognormal meets P10 and P50; the gamma (median 64.9, shifted by 1.5) is off by
        // about 1 %; the exponential by 84 % at P10; the Weibull has no rank.
        QCOMPARE(Ranks(stored),
                 QStringList({"Weibull 0", "Lognormal 1", "Exponential 3", "Gamma 2"}));
        QCOMPARE(Ranks(BuildFitTable(group, true)),
                 QStringList({"Lognormal 1", "Gamma 2", "Exponential 3", "Weibull 0"}));
        QCOMPARE(stored.rows.first().error,
                 QStringLiteral("Group:18 - <45: Weibull, line 2: p is missing"));
        QCOMPARE(stored.rows.at(2).deviation->label, QStringLiteral("P10"));
        QCOMPARE(stored.rows.at(2).deviationClass, DeviationClass::Far);
        QCOMPARE(stored.parameterColumns, 4); // lognormal: meanlog, sdlog, gm, gsd
    }

    void csvLines()
    {
        DataTable file;
        const QStringList lines = FitTableCsvLines(BuildFitTable(Group(file), false));
        QCOMPARE(lines.size(), 5);
        QCOMPARE(lines.at(0),
                 QStringLiteral("Rank;Type;Statistic name;Statistic;q;Parameter 1;Value 1;"
                                "Parameter 2;Value 2;Parameter 3;Value 3;Parameter 4;Value 4;"
                                "Median;Mean;SD;Deviation at;Deviation %;Deviation class;Error"));
        QCOMPARE(lines.at(1), QStringLiteral(";Weibull;KS;0.05;0;;;;;;;;;;;;;;;Group:18 - <45: "
                                             "Weibull, line 2: p is missing"));
        // Every digit of the numbers: the rate of the exponential, 0.0142, as stored; its
        // median ln 2 / 0.0142, mean and SD 1 / 0.0142; 84.4 % below the observed P10.
        QVERIFY2(lines.at(3).startsWith(
                     QStringLiteral("3;Exponential;AP;0.4;0;rate;0.0142;;;;;;;48.81318172957361;"
                                    "70.4225352112676;70.4225352112676;P10;-84.379")),
                 qPrintable(lines.at(3)));
        QVERIFY2(lines.at(3).endsWith(QStringLiteral(";far;")), qPrintable(lines.at(3)));
    }

    void workbookReadBack()
    {
        DataTable file;
        const AgeGroupFits group = Group(file);
        const FitTable table = BuildFitTable(group, false);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("fits.xlsx"));
        WriteWorkbookFile(path, FitTableWorkbook(table, group));
        QString error;
        const QJsonObject workbook = fixture::ReadWorkbook(path, &error);
        QVERIFY2(error.isEmpty(), qPrintable(error));
        const QJsonArray sheets = workbook[QStringLiteral("sheets")].toArray();
        QCOMPARE(sheets.size(), 2);
        const QJsonObject fits = sheets.at(0).toObject();
        QCOMPARE(fits[QStringLiteral("name")].toString(), QStringLiteral("Fits"));
        const QStringList header = FitTableCsvLines(table).first().split(u';');
        for (int column = 0; column < header.size(); ++column)
            QCOMPARE(fixture::WorkbookCell(fits, 0, column)[QStringLiteral("value")].toString(),
                     header.at(column));
        // The lognormal's median and mean as numbers with all their digits.
        const FitTableRow& lognormal = table.rows.at(1);
        const QJsonObject median = fixture::WorkbookCell(fits, 2, 13);
        QCOMPARE(median[QStringLiteral("type")].toString(), QStringLiteral("n"));
        QCOMPARE(median[QStringLiteral("value")].toDouble(), *lognormal.median);
        QCOMPARE(fixture::WorkbookCell(fits, 2, 14)[QStringLiteral("value")].toDouble(),
                 *lognormal.mean.value);
        QCOMPARE(fixture::WorkbookCell(fits, 1, 19)[QStringLiteral("value")].toString(),
                 table.rows.first().error);

        const QJsonObject formulas = sheets.at(1).toObject();
        QCOMPARE(formulas[QStringLiteral("name")].toString(), QStringLiteral("Formulas"));
        QCOMPARE(fixture::WorkbookCell(formulas, 1, 2)[QStringLiteral("value")].toString(),
                 RFormula(group.fits.first().fit()));
        QCOMPARE(fixture::WorkbookCell(formulas, 1, 5)[QStringLiteral("value")].toString(),
                 ExcelFormula(group.fits.first().fit()));
    }

    void ageProfileRunsBreakAtGroupsWithoutAValue()
    {
        // Group 2 has an infinite P95 (no band there), group 4 no mean.
        AgeProfile profile;
        profile.points = {{0, 1, 1, 2, 3, 2},
                          {1, 3, 2, 3, std::nullopt, 3},
                          {2, 5, 3, 4, 5, 4},
                          {3, 7, 4, 5, 6, std::nullopt},
                          {4, 9, 5, 6, 7, 6}};
        using Runs = QList<QList<QPointF>>;
        QCOMPARE(AgeProfileRuns(profile, ProfileLine::P50),
                 Runs({{{1, 2}, {3, 3}, {5, 4}, {7, 5}, {9, 6}}}));
        QCOMPARE(AgeProfileRuns(profile, ProfileLine::P05),
                 Runs({{{1, 1}}, {{5, 3}, {7, 4}, {9, 5}}}));
        QCOMPARE(AgeProfileRuns(profile, ProfileLine::P95),
                 Runs({{{1, 3}}, {{5, 5}, {7, 6}, {9, 7}}}));
        QCOMPARE(AgeProfileRuns(profile, ProfileLine::Mean),
                 Runs({{{1, 2}, {3, 3}, {5, 4}}, {{9, 6}}}));
        QCOMPARE(AgeProfileRuns(AgeProfile(), ProfileLine::P50), Runs());
    }

    void valueAxisTitle_data()
    {
        QTest::addColumn<QString>("variable");
        QTest::addColumn<QString>("labels");
        QTest::addColumn<QString>("title");
        const QString bw = "NOBS       number of observations\r\n"
                           "GSD        geometric standard deviation [-] of BW_kg\r\n"
                           "MEAN       arithmetic mean [kg] of BW_kg\r\n";
        QTest::newRow("unit of the first statistic") << "BW_kg" << bw << "BW_kg [kg]";
        QTest::newRow("line breaks alone") << "IR"
                                           << "P50  median [m3/d] of IR\n"
                                           << "IR [m3/d]";
        QTest::newRow("no line of the variable") << "BH_cm" << bw << "BH_cm";
        QTest::newRow("no bracket") << "X"
                                    << "MEAN  mean of X"
                                    << "X";
        QTest::newRow("no variable") << "" << bw << "Value";
    }
    void valueAxisTitle()
    {
        QFETCH(QString, variable);
        QFETCH(QString, labels);
        QFETCH(QString, title);
        QCOMPARE(ValueAxisTitle(variable, labels), title);
    }

    void axisTicks_data()
    {
        QTest::addColumn<bool>("logScale");
        QTest::addColumn<double>("low");
        QTest::addColumn<double>("high");
        QTest::addColumn<QStringList>("labels");
        QTest::newRow("log inside a decade (body height)")
            << true << 57.8 << 75.0 << QStringList{"60", "65", "70", "75"};
        QTest::newRow("log over three decades")
            << true << 0.005 << 5.4
            << QStringList{"0.005", "0.01", "0.02", "0.05", "0.1", "0.2", "0.5", "1", "2", "5"};
        QTest::newRow("log over six decades: powers only")
            << true << 1.0 << 1e6
            << QStringList{"1", "10", "100", "1000", "10000", "100000", "1e+06"};
        QTest::newRow("log not positive") << true << 0.0 << 10.0 << QStringList();
        QTest::newRow("linear") << false << 0.0 << 1.0
                                << QStringList{"0", "0.2", "0.4", "0.6", "0.8", "1"};
        QTest::newRow("linear around zero")
            << false << -0.3 << 0.3
            << QStringList{"-0.3", "-0.2", "-0.1", "0", "0.1", "0.2", "0.3"};
        QTest::newRow("empty range") << false << 2.0 << 2.0 << QStringList();
        QTest::newRow("not finite") << false << 0.0 << qInf() << QStringList();
    }
    void axisTicks()
    {
        QFETCH(bool, logScale);
        QFETCH(double, low);
        QFETCH(double, high);
        QFETCH(QStringList, labels);
        const QList<AxisTick> ticks =
            logScale ? LogAxisTicks(low, high) : LinearAxisTicks(low, high);
        QStringList shown;
        for (const AxisTick& tick : ticks) {
            shown << tick.label;
            const double slack = 1e-9 * std::max(std::abs(low), std::abs(high));
            QVERIFY(tick.value >= low - slack && tick.value <= high + slack);
        }
        QCOMPARE(shown, labels);
    }

    void axisTicksStayFewOverTheWholeRangeOfDoubles()
    {
        const QList<AxisTick> ticks = LogAxisTicks(1e-300, 1e300);
        QVERIFY(ticks.size() >= 3 && ticks.size() <= 13);
        QVERIFY(LinearAxisTicks(-1e300, 1e300).size() <= 13);
    }
};

QTEST_MAIN(FitTableTest)
#include "FitTable_test.moc"
