// The distribution window offscreen on a small database of its own whose fits are known
// in closed form: exponential distributions, and GF lines that are an exponential up to
// a scale (m1 = 1, m2 very large, p = 1). The observed quantiles of the first group are
// those of the exponential with rate 1, so each fit's largest deviation is its scale
// error: 2 %, 30 %, 0 % and 10 %.
#include "GuiFixture.h"

#include "convert/FitFormulas.h"
#include "convert/ui/fDistributions.h"
#include "data/DataTable.h"
#include "widgets/Dialogs.h"

#include <QAction>
#include <QAreaSeries>
#include <QCategoryAxis>
#include <QChart>
#include <QChartView>
#include <QCheckBox>
#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QLineSeries>
#include <QProcess>
#include <QPushButton>
#include <QScatterSeries>
#include <QStackedWidget>
#include <QTabWidget>
#include <QTableWidget>
#include <cmath>

using fixture::Child;
using fixture::Packet;
using fixture::Session;
using fixture::WriteFile;
using veltra::Dialogs;
using veltra::FileDialogSettings;
using veltra::TfDistributions;
using veltra::TForm1;

namespace {

const double Ln2 = std::log(2.0);

// The u-quantile of the exponential distribution with rate 1.
double ExpQuantile(double u)
{
    return -std::log(1 - u);
}

QString Stored(double value)
{
    return QString::number(value, 'g', 6);
}

QString Lines(std::initializer_list<const char*> lines)
{
    QString text;
    for (const char* line : lines)
        text += QLatin1String(line) + QStringLiteral("\r\n");
    return text;
}

/// Writes the database: one headline, one topic, parameter rows FT (fits.xml, three age
/// groups), BT (bad.xml, one group whose GF line has lambda = -1) and NT (nonobs.xml, a
/// file without NOBS).
void WriteDistributionDatabase(const QString& dir)
{
    const QString d = dir + QLatin1Char('/');
    WriteFile(d + QStringLiteral("topics.xml"),
              Packet({{"Top", "string"}, {"TOPIC", "string"}, {"STRC", "string"}},
                     {{"H1", "Exposure", "1"}}));
    WriteFile(d + QStringLiteral("para1.xml"),
              Packet({{"TOP", "string"}, {"PS", "string"}, {"PARAMETER", "string"}},
                     {{"H1", "T1", "Body weight"}}));
    const fixture::Fields paraFields = {
        {"PS", "string"},  {"Variable", "string"},   {"Agemin", "string"},    {"Agemax", "string"},
        {"SEX", "string"}, {"DataSource", "string"}, {"DataFile", "string"},  {"RSTRC", "string"},
        {"ID", "i4"},      {"Info", "bin.hex"},      {"VARLABELS", "bin.hex"}};
    const QString info = QStringLiteral("Body weight\r\nVariable                BW_kg\r\n");
    WriteFile(
        d + QStringLiteral("daten1a.xml"),
        Packet(paraFields,
               {{"T1", "FT", "0", "40", "A", "Fit Survey", "fits.xml", "A", "1", info,
                 Lines({"NOBS       number of observations",
                        "GSD        geometric standard deviation [-] of FT",
                        "MEAN       arithmetic mean [kg] of FT"})},
                {"T1", "BT", "0", "5", "A", "Bad Survey", "bad.xml", "B", "2", info, ""},
                {"T1", "NT", "0", "5", "A", "No N Survey", "nonobs.xml", "C", "3", info, ""},
                {"T1", "WT", "0", "5", "A", "Weibull Survey", "weibull.xml", "D", "4", info, ""}}));

    const fixture::Fields fileFields = {
        {"AGEGRP", "string"},    {"AGEMin", "string"}, {"AGEMax", "string"},
        {"NOBS", "i4"},          {"MIN", "r8"},        {"P05", "r8"},
        {"P25", "r8"},           {"P50", "r8"},        {"P75", "r8"},
        {"P95", "r8"},           {"MAX", "r8"},        {"GENERALF", "bin.hex"},
        {"QUANTILES", "bin.hex"}};
    const QString first = Lines({"TYPE=GeneralF;", "PT=0 1 1000000 0.98039215686274506 1;",
                                 "KS=0.011;", "TYPE=Exponential;", "PT=0 0.76923076923076927;",
                                 "AP=0.044;", "TYPE=Exponential;", "PT=0 1;", "KS=0.022;",
                                 "TYPE=Exponential;", "PT=0 0.90909090909090906;", "KS=0.033;"});
    const QString quantiles =
        QStringLiteral("Level  observed  fitted\r\n90%  %1  2.3\r\n97.5%  %2  3.7\r\n")
            .arg(Stored(ExpQuantile(0.9)), Stored(ExpQuantile(0.975)));
    WriteFile(d + QStringLiteral("fits.xml"),
              Packet(fileFields,
                     {{"1", "0", "10", "40", "0.001", Stored(ExpQuantile(0.05)),
                       Stored(ExpQuantile(0.25)), Stored(ExpQuantile(0.5)),
                       Stored(ExpQuantile(0.75)), Stored(ExpQuantile(0.95)), "6", first, quantiles},
                      {"2", "10", "20", "100", "", "", "", Stored(2 * Ln2), "", "", "",
                       Lines({"TYPE=GeneralF;", "PT=0 1 1000000 0.5 1;", "KS=0.01;",
                              "TYPE=Exponential;", "PT=0 0.5;", "KS=0.02;"}),
                       ""},
                      {"3", "20", "40", "200", "", "", "", "", "", "", "",
                       Lines({"TYPE=GeneralF;", "PT=0 1 1000000 0.25 1;", "KS=0.01;"}), ""}}));
    WriteFile(d + QStringLiteral("nonobs.xml"),
              Packet({{"AGEGRP", "string"},
                      {"AGEMin", "string"},
                      {"AGEMax", "string"},
                      {"P05", "r8"},
                      {"P50", "r8"},
                      {"P95", "r8"},
                      {"GENERALF", "bin.hex"}},
                     {{"1", "0", "5", "0.05", "0.7", "3",
                       Lines({"TYPE=Exponential;", "PT=0 1;", "KS=0.02;"})}}));
    // A valid GF between a Weibull line with two numbers and a Weibull of shape 1e-3.
    WriteFile(d + QStringLiteral("weibull.xml"),
              Packet(fileFields, {{"1", "0", "5", "20", "", "", "", "1", "", "", "",
                                   Lines({"TYPE=Weibull;", "PT=0 1;", "KS=0.05;", "TYPE=GeneralF;",
                                          "PT=0 1 1000000 1 1;", "KS=0.01;", "TYPE=Weibull;",
                                          "PT=0 1 1e-3;", "KS=0.06;"}),
                                   ""}}));
    WriteFile(d + QStringLiteral("bad.xml"),
              Packet(fileFields, {{"1", "0", "5", "20", "", "", "", "", "", "", "",
                                   Lines({"TYPE=GeneralF;", "PT=0 1 2 -1 1;", "KS=0.01;"}), ""}}));
}

/// The main window on that database, standing on parameter FT.
struct DistributionSession : Session
{
    DistributionSession() : Session(QByteArray(), false) { WriteDistributionDatabase(dir.path()); }
    TForm1& startOnFits()
    {
        TForm1& form = start();
        if (!clickRow("dbgSources", QStringLiteral("FT")))
            qWarning("no parameter row FT");
        return form;
    }
    TfDistributions& open()
    {
        Child<QAction>(*form, "Distributions1")->trigger();
        return *fixture::Window<TfDistributions>("fDistributions");
    }
};

QList<QPointF> Sorted(QList<QPointF> points)
{
    std::sort(points.begin(), points.end(), [](const QPointF& a, const QPointF& b) {
        return a.x() < b.x() || (a.x() == b.x() && a.y() < b.y());
    });
    return points;
}

bool Near(double a, double b, double relative = 1e-9)
{
    return std::abs(a - b) <= relative * std::max(std::abs(a), std::abs(b));
}

// The row of the fit table whose KS/AP cell shows this text.
int RowOfFit(const QTableWidget* table, const QString& statistic)
{
    for (int row = 0; row < table->rowCount(); ++row) {
        if (table->item(row, 2)->text() == statistic)
            return row;
    }
    return -1;
}

QStringList Column(const QTableWidget* table, int column)
{
    QStringList texts;
    for (int row = 0; row < table->rowCount(); ++row)
        texts << table->item(row, column)->text();
    return texts;
}

} // namespace

class DistributionsWindowTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void opensFromTheMenuAndTheEdfButton();
    void cdfChartShowsEachFitOverTheObservedQuantiles();
    void logScaleSpacesThePointsGeometrically();
    void densityAndQqViewsDrawEveryFitWithALegend();
    void selectedRowKeepsItsDeviationColour();
    void ageProfileHasOnePointPerGroupAndAClickMovesTheMainWindow();
    void tableOfFits();
    void badFitsLeaveTheOthersShown();
    void copyButtonsPutTheFormulaOnTheClipboard_data();
    void copyButtonsPutTheFormulaOnTheClipboard();
    void computesNothingWhileHiddenAndFollowsWhileShown();
    void domainErrorIsShownInTheWindow();
    void withoutNumberOfObservationsOnlyTheMedianIsSupported();
    void exportsChartsAndTable();
    void failedExportEndsInTheGuard();
};

void DistributionsWindowTest::opensFromTheMenuAndTheEdfButton()
{
    DistributionSession s;
    TForm1& form = s.startOnFits();
    QVERIFY(fixture::Windows<TfDistributions>("fDistributions").isEmpty());
    QTest::mouseClick(Child<QPushButton>(form, "bDistributions"), Qt::LeftButton);
    TfDistributions* window = fixture::Window<TfDistributions>("fDistributions");
    QVERIFY(window->isVisible());
    QCOMPARE(window->windowTitle(), QStringLiteral("Distributions"));
    window->close();
    s.open();
    QCOMPARE(fixture::Window<TfDistributions>("fDistributions"), window); // the same window again
    QVERIFY(window->isVisible());
    QVERIFY(s.errors.isEmpty());
}

void DistributionsWindowTest::cdfChartShowsEachFitOverTheObservedQuantiles()
{
    DistributionSession s;
    TForm1& form = s.startOnFits();
    TfDistributions& w = s.open();

    QCOMPARE(w.MessageText(), QString());
    QStringList names;
    for (const QLineSeries* curve : std::as_const(w.Curves)) {
        names << curve->name();
        QCOMPARE(curve->count(), 200);
        QVERIFY(w.chCdf->series().contains(const_cast<QLineSeries*>(curve)));
    }
    QCOMPARE(names, QStringList({"GeneralF (KS = 0.011)", "Exponential (AP = 0.044)",
                                 "Exponential (KS = 0.022)", "Exponential (KS = 0.033)"}));
    // One line series per fit in the chart, besides the two sets of observed points.
    int lines = 0;
    for (const QAbstractSeries* series : w.chCdf->series())
        lines += series->type() == QAbstractSeries::SeriesTypeLine;
    QCOMPARE(lines, 4);
    QVERIFY(w.Curves.at(0)->pen().widthF() > w.Curves.at(1)->pen().widthF()); // GF bold

    // From the 0.5 % to the 99.5 % quantile of the fit with the median median (the GF,
    // scale 1.02, between the exponentials of scale 1, 1.1 and 1.3), each curve being its
    // own fit's distribution function.
    const QList<QPointF> rate1 = w.Curves.at(2)->points();
    const veltra::FitDistribution& gf = w.CurrentGroup()->fits.at(0);
    QVERIFY(Near(rate1.first().x(), gf.quantile(0.005), 1e-9));
    QVERIFY(Near(rate1.last().x(), gf.quantile(0.995), 1e-9));
    QVERIFY(Near(rate1.last().x(), 1.02 * ExpQuantile(0.995), 1e-5));
    for (const QPointF& point : rate1)
        QVERIFY(Near(point.y(), 1 - std::exp(-point.x()), 1e-9));
    const QList<QPointF> scale13 = w.Curves.at(1)->points();
    QVERIFY(Near(scale13.at(100).y(), 1 - std::exp(-scale13.at(100).x() / 1.3), 1e-9));

    // N = 40 supports P25 to P90 but not P05, P95 and P97.5; MIN and MAX are outside the
    // guidance table.
    const double n = 40;
    const QList<QPointF> filled{{Stored(ExpQuantile(0.25)).toDouble(), 0.25},
                                {Stored(ExpQuantile(0.5)).toDouble(), 0.5},
                                {Stored(ExpQuantile(0.75)).toDouble(), 0.75},
                                {Stored(ExpQuantile(0.9)).toDouble(), 0.9}};
    const QList<QPointF> hollow{{0.001, 1 / (n + 1)},
                                {Stored(ExpQuantile(0.05)).toDouble(), 0.05},
                                {Stored(ExpQuantile(0.95)).toDouble(), 0.95},
                                {Stored(ExpQuantile(0.975)).toDouble(), 0.975},
                                {6, n / (n + 1)}};
    QCOMPARE(Sorted(w.ObservedPoints->points()), Sorted(filled));
    QCOMPARE(Sorted(w.UnsupportedPoints->points()), Sorted(hollow));
    QCOMPARE(w.UnsupportedPoints->brush().style(), Qt::NoBrush);
    QVERIFY(w.ObservedPoints->brush().style() != Qt::NoBrush);

    const QList<veltra::ObservedQuantile>& observed = w.CurrentGroup()->observed;
    for (const veltra::ObservedQuantile& point : observed) {
        const QString tip = w.ObservedToolTip(point);
        if (point.label == u"P95")
            QVERIFY2(tip.contains(QStringLiteral("P95 needs N ≥ 61; N = 40")), qPrintable(tip));
        else if (point.label == u"P97.5")
            QVERIFY2(tip.contains(QStringLiteral("P97.5 needs N ≥ 181; N = 40")), qPrintable(tip));
        else if (point.label == u"MIN" || point.label == u"MAX")
            QVERIFY2(tip.contains(point.label + QStringLiteral(": outside the guidance table")),
                     qPrintable(tip));
        else if (point.label == u"P25")
            QVERIFY2(!tip.contains(QStringLiteral("needs")), qPrintable(tip));
    }
    // The curve's tooltip: x, F(x) and the fit's quantile at the nearest observed level.
    const QString tip = w.CurveToolTip(2, Ln2 * 1.001);
    QVERIFY2(tip.contains(QStringLiteral("F(x) = 0.5003")), qPrintable(tip));
    QVERIFY2(tip.contains(QStringLiteral("Q(0.5) = 0.693147 (observed P50 = 0.693147)")),
             qPrintable(tip));

    // The reliability line stands under the tabs of the main window; the memo's text
    // stays the converted functions alone.
    QCOMPARE(Child<QLabel>(form, "lReliability")->text(), veltra::ReliabilityLine(40));
    QVERIFY(!Child<QPlainTextEdit>(form, "mTransformed")
                 ->toPlainText()
                 .contains(QStringLiteral("reliability")));
    QVERIFY(!Child<QTabWidget>(form, "tEdf")->isAncestorOf(Child<QLabel>(form, "lReliability")));
    QVERIFY(s.errors.isEmpty());
}

void DistributionsWindowTest::logScaleSpacesThePointsGeometrically()
{
    DistributionSession s;
    s.startOnFits();
    TfDistributions& w = s.open();
    QTest::mouseClick(w.cbLogX, Qt::LeftButton);
    QVERIFY(w.cbLogX->isChecked());
    // The curves hold the logarithms of the values: equal steps in them are equal ratios.
    const QList<QPointF> points = w.Curves.at(0)->points();
    QCOMPARE(points.size(), 200);
    QVERIFY(
        Near(points.at(1).x() - points.at(0).x(), points.at(150).x() - points.at(149).x(), 1e-9));
    const veltra::FitDistribution& gf = w.CurrentGroup()->fits.at(0);
    QVERIFY(Near(std::pow(10.0, points.last().x()), gf.quantile(0.995), 1e-9));
    QVERIFY(Near(points.at(120).y(), gf.cdf(std::pow(10.0, points.at(120).x())), 1e-9));
    QCOMPARE(w.UnsupportedPoints->count(), 5);
    // The axis labels name values, at 1-2-5 steps, at the logarithms of those values.
    auto* axis = qobject_cast<QCategoryAxis*>(w.Curves.at(0)->attachedAxes().at(0));
    QVERIFY(axis);
    QCOMPARE(axis->titleText(), QStringLiteral("FT [kg]"));
    const QStringList labels = axis->categoriesLabels();
    QVERIFY2(labels.contains(QStringLiteral("1")) && labels.contains(QStringLiteral("0.1")),
             qPrintable(labels.join(u' ')));
    QCOMPARE(axis->endValue(QStringLiteral("0.1")), -1.0);

    QTest::mouseClick(w.cbLogX, Qt::LeftButton); // back to the linear scale
    const QList<QPointF> linear = w.Curves.at(0)->points();
    QVERIFY(
        Near(linear.at(1).x() - linear.at(0).x(), linear.at(150).x() - linear.at(149).x(), 1e-9));
    QVERIFY(s.errors.isEmpty());
}

void DistributionsWindowTest::densityAndQqViewsDrawEveryFitWithALegend()
{
    DistributionSession s;
    s.startOnFits();
    TfDistributions& w = s.open();
    const QList<veltra::FitDistribution>& fits = w.CurrentGroup()->fits;
    // Every fit's name is in the legend below the views, in the fit's colour, and the
    // legend wraps between entries instead of cutting them.
    const QList<veltra::LegendStrip::Entry>& entries = w.lLegend->entries();
    for (int i = 0; i < w.Curves.size(); ++i) {
        const auto entry = std::find_if(
            entries.cbegin(), entries.cend(),
            [&](const veltra::LegendStrip::Entry& e) { return e.text == w.Curves.at(i)->name(); });
        QVERIFY2(entry != entries.cend(), qPrintable(w.lLegend->text()));
        QCOMPARE(entry->symbolColour, w.Curves.at(i)->pen().color());
    }
    QCOMPARE(w.lLegend->lineCount(w.lLegend->sizeHint().width()), 1);
    QVERIFY(w.lLegend->lineCount(w.lLegend->sizeHint().width() / 2) > 1);

    w.tabViews->setCurrentWidget(w.cvDensity);
    QCOMPARE(w.DensityCurves.size(), fits.size());
    for (int i = 0; i < fits.size(); ++i) {
        const QList<QPointF> points = w.DensityCurves.at(i)->points();
        QCOMPARE(w.DensityCurves.at(i)->name(), w.Curves.at(i)->name());
        QCOMPARE(points.size(), 200);
        QVERIFY(Near(points.at(57).y(), fits.at(i).density(points.at(57).x()), 1e-9));
    }

    // Q-Q: each fit's quantile at the level of every observed quantile; both axes alike,
    // and the 1:1 line across them.
    w.tabViews->setCurrentWidget(w.cvQq);
    const QList<veltra::ObservedQuantile>& observed = w.CurrentGroup()->observed;
    for (int i = 0; i < fits.size(); ++i) {
        const QList<QPointF> points = w.QqSeries.at(i)->points();
        QCOMPARE(w.QqSeries.at(i)->name(), w.Curves.at(i)->name());
        QCOMPARE(points.size(), observed.size());
        for (const QPointF& point : points) {
            const auto match = std::find_if(
                observed.cbegin(), observed.cend(),
                [&point](const veltra::ObservedQuantile& q) { return q.value == point.x(); });
            QVERIFY(match != observed.cend());
            QVERIFY(Near(point.y(), fits.at(i).quantile(match->level), 1e-12));
        }
    }
    auto* x = qobject_cast<QCategoryAxis*>(w.QqDiagonal->attachedAxes().at(0));
    auto* y = qobject_cast<QCategoryAxis*>(w.QqDiagonal->attachedAxes().at(1));
    QVERIFY(x && y);
    QCOMPARE(x->min(), y->min());
    QCOMPARE(x->max(), y->max());
    QCOMPARE(x->categoriesLabels(), y->categoriesLabels());
    QCOMPARE(w.QqDiagonal->at(0), QPointF(x->min(), x->min()));
    QCOMPARE(w.QqDiagonal->at(1), QPointF(x->max(), x->max()));
    QVERIFY(w.lLegend->text().contains(QStringLiteral("1:1")));

    // Log scale: both axes, the points at the logarithms.
    QTest::mouseClick(w.cbLogX, Qt::LeftButton);
    const QPointF first = w.QqSeries.at(0)->at(0);
    QVERIFY(std::any_of(observed.cbegin(), observed.cend(), [&first](const auto& q) {
        return Near(std::log10(q.value), first.x(), 1e-12);
    }));
    QVERIFY(s.errors.isEmpty());
}

void DistributionsWindowTest::selectedRowKeepsItsDeviationColour()
{
    DistributionSession s;
    s.startOnFits();
    TfDistributions& w = s.open();
    QTableWidget* table = w.tbFits;
    const int far = 1; // the AP 0.044 fit, red
    QCOMPARE(table->item(far, 11)->background().color(), TfDistributions::Red);
    table->selectRow(far);
    const QRect cell = table->visualItemRect(table->item(far, 11));
    const QImage image = table->viewport()->grab().toImage();
    // Inside the frame the cell keeps its class colour instead of the selection colour.
    QCOMPARE(QColor(image.pixel(cell.center().x(), cell.top() + 5)), TfDistributions::Red);
    QVERIFY(QColor(image.pixel(cell.center().x(), cell.top() + 1)) != TfDistributions::Red);
}

void DistributionsWindowTest::ageProfileHasOnePointPerGroupAndAClickMovesTheMainWindow()
{
    DistributionSession s;
    TForm1& form = s.startOnFits();
    TfDistributions& w = s.open();

    // The GF of group k is the exponential with scale 1.02, 2 and 4: medians scale ln 2.
    QCOMPARE(w.ProfileP50.size(), 1); // no gaps: one run per line
    QCOMPARE(w.ProfileBands.size(), 1);
    QCOMPARE(w.ProfileMean.size(), 1);
    const QList<QPointF> p50 = w.ProfileP50.at(0)->points();
    QCOMPARE(p50.size(), 3);
    const double scales[] = {1.02, 2, 4};
    const double midpoints[] = {5, 15, 30};
    for (int i = 0; i < 3; ++i) {
        QCOMPARE(p50.at(i).x(), midpoints[i]);
        QVERIFY2(Near(p50.at(i).y(), scales[i] * Ln2, 1e-5), qPrintable(QString::number(i)));
        QVERIFY(Near(w.ProfileBands.at(0)->lowerSeries()->at(i).y(), scales[i] * ExpQuantile(0.05),
                     1e-5));
        QVERIFY(Near(w.ProfileBands.at(0)->upperSeries()->at(i).y(), scales[i] * ExpQuantile(0.95),
                     1e-5));
        QVERIFY(Near(w.ProfileMean.at(0)->at(i).y(), scales[i], 1e-5));
    }
    QCOMPARE(w.ProfileCurrentPoint(), std::optional<QPointF>(p50.at(0)));
    // The square is drawn where the chart places the group's median.
    QCOMPARE(w.CurrentMarkerRect().center(),
             w.chProfile->mapToPosition(p50.at(0), w.ProfileP50.at(0)));

    // A click on the third group, at its place on the screen.
    const QPointF inChart = w.chProfile->mapToPosition(p50.at(2), w.ProfileP50.at(0));
    const QPoint onScreen = w.cvProfile->mapFromScene(w.chProfile->mapToScene(inChart));
    QTest::mouseClick(w.cvProfile->viewport(), Qt::LeftButton, {}, onScreen);
    QCOMPARE(form.Database().dataFile().recNo(), 3);
    QCOMPARE(s.panel(3), w.CurrentGroup()->caption);
    QCOMPARE(Child<QLabel>(form, "lReliability")->text(), veltra::ReliabilityLine(200));
    QCOMPARE(w.ProfileCurrentPoint(), std::optional<QPointF>(p50.at(2)));
    QCOMPARE(w.Curves.size(), 1);

    // The handler takes the nearest midpoint.
    w.ProfileClick(QPointF(11, 0));
    QCOMPARE(form.Database().dataFile().recNo(), 2);
    QCOMPARE(w.ProfileCurrentPoint(), std::optional<QPointF>(p50.at(1)));
    QCOMPARE(w.Curves.size(), 2);
    QVERIFY(s.errors.isEmpty());
}

void DistributionsWindowTest::tableOfFits()
{
    DistributionSession s;
    s.startOnFits();
    TfDistributions& w = s.open();
    QTableWidget* table = w.tbFits;

    QStringList header;
    for (int column = 0; column < table->columnCount(); ++column)
        header << table->horizontalHeaderItem(column)->text();
    // GF has the most parameters besides q, median, mean and SD: m1, m2, lambda, p.
    QCOMPARE(header,
             QStringList({"Rank", "Type", "KS/AP", "q", "Parameter 1", "Parameter 2", "Parameter 3",
                          "Parameter 4", "Median", "Mean", "SD", "Deviation"}));
    QCOMPARE(Column(table, 2),
             QStringList({"KS 0.011", "AP 0.044", "KS 0.022", "KS 0.033"})); // stored order
    QCOMPARE(Column(table, 1),
             QStringList({"GeneralF", "Exponential", "Exponential", "Exponential"}));
    const int rate1 = RowOfFit(table, QStringLiteral("KS 0.022"));
    QCOMPARE(table->item(rate1, 4)->text(), QStringLiteral("rate = 1"));
    QCOMPARE(table->item(rate1, 5)->text(), QString());
    QCOMPARE(table->item(rate1, 8)->text(), QStringLiteral("0.693147"));
    QCOMPARE(table->item(rate1, 9)->text(), QStringLiteral("1"));
    QCOMPARE(table->item(rate1, 10)->text(), QStringLiteral("1"));
    QCOMPARE(table->item(0, 4)->text(), QStringLiteral("m1 = 1"));

    // About 2 %, 30 %, 0 % and 10 % above the percentiles N = 40 supports (P25 to P90):
    // green, red, green, amber, and ranked by that.
    QCOMPARE(Column(table, 0), QStringList({"2", "4", "1", "3"}));
    const QList<QColor> colours{TfDistributions::Green, TfDistributions::Red,
                                TfDistributions::Green, TfDistributions::Amber};
    for (int row = 0; row < 4; ++row)
        QCOMPARE(table->item(row, 11)->background().color(), colours.at(row));
    // The fits are the exponential scaled: equally far off at every percentile.
    QVERIFY2(table->item(1, 11)->text().endsWith(QStringLiteral(" +30.0 %")),
             qPrintable(table->item(1, 11)->text()));
    QVERIFY2(table->item(2, 11)->text().endsWith(QStringLiteral(" 0.0 %")),
             qPrintable(table->item(2, 11)->text()));

    QTest::mouseClick(w.cbRankByDeviation, Qt::LeftButton);
    QCOMPARE(Column(table, 2), QStringList({"KS 0.022", "KS 0.011", "KS 0.033", "AP 0.044"}));
    QCOMPARE(Column(table, 0), QStringList({"1", "2", "3", "4"}));
    QCOMPARE(table->item(0, 11)->background().color(), TfDistributions::Green);
    QCOMPARE(table->item(3, 11)->background().color(), TfDistributions::Red);
    QTest::mouseClick(w.cbRankByDeviation, Qt::LeftButton);
    QCOMPARE(Column(table, 2), QStringList({"KS 0.011", "AP 0.044", "KS 0.022", "KS 0.033"}));
    QVERIFY(s.errors.isEmpty());
}

// A group whose Weibull lines cannot be computed shows its GF and names the two others;
// the age-group change completes.
void DistributionsWindowTest::badFitsLeaveTheOthersShown()
{
    DistributionSession s;
    s.startOnFits();
    TfDistributions& w = s.open();
    QVERIFY(s.clickRow("dbgSources", QStringLiteral("WT")));
    QCOMPARE(w.MessageText(), QString());
    QCOMPARE(w.Curves.size(), 1);
    QCOMPARE(w.Curves.first()->name(), QStringLiteral("GeneralF (KS = 0.01)"));
    QCOMPARE(Column(w.tbFits, 1), QStringList({"Weibull", "GeneralF", "Weibull"}));
    QCOMPARE(Column(w.tbFits, 0), QStringList({"", "1", ""}));
    QCOMPARE(w.tbFits->item(0, 3)->text(),
             QStringLiteral("not computable: Group:1 Age: 0 - 5: Weibull, line 2: p is missing"));
    QVERIFY2(w.tbFits->item(2, 3)->text().contains(
                 QStringLiteral("line 8 (q = 0, lambda = 1, p = 0.001)")),
             qPrintable(w.tbFits->item(2, 3)->text()));
    // The computable fit is selected and its formulas shown.
    QCOMPARE(w.tbFits->selectedItems().first()->row(), 1);
    QCOMPARE(w.eR->text(), veltra::RFormula(w.CurrentGroup()->fits.first().fit()));
    QVERIFY2(w.lGroup->text().contains(QStringLiteral("N = 20")), qPrintable(w.lGroup->text()));
    QCOMPARE(s.panel(3), w.CurrentGroup()->caption);
}

void DistributionsWindowTest::copyButtonsPutTheFormulaOnTheClipboard_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<int>("language"); // 0 R, 1 Python, 2 @RISK, 3 Excel
    QTest::newRow("R") << "bCopyR" << 0;
    QTest::newRow("Python") << "bCopyPython" << 1;
    QTest::newRow("@RISK") << "bCopyAtRisk" << 2;
    QTest::newRow("Excel") << "bCopyExcel" << 3;
}

void DistributionsWindowTest::copyButtonsPutTheFormulaOnTheClipboard()
{
    QFETCH(QString, button);
    QFETCH(int, language);
    DistributionSession s;
    s.startOnFits();
    TfDistributions& w = s.open();
    auto formula = [&w, language](int fit) {
        const veltra::FitDistribution& distribution = w.CurrentGroup()->fits.at(fit);
        return language == 0   ? veltra::RFormula(distribution.fit())
               : language == 1 ? veltra::PythonFormula(distribution.fit())
               : language == 2 ? veltra::AtRiskFormula(distribution)
                               : veltra::ExcelFormula(distribution.fit(), veltra::ExcelForm::Local);
    };
    auto* copy = w.findChild<QPushButton*>(button);
    QVERIFY(copy);

    QGuiApplication::clipboard()->clear();
    QTest::mouseClick(copy, Qt::LeftButton); // the first fit is selected at first
    QCOMPARE(QGuiApplication::clipboard()->text(), formula(0));

    // The fit of the selected row, also when the table is ranked.
    QTest::mouseClick(w.cbRankByDeviation, Qt::LeftButton);
    w.tbFits->selectRow(RowOfFit(w.tbFits, QStringLiteral("KS 0.033")));
    QTest::mouseClick(copy, Qt::LeftButton);
    QCOMPARE(QGuiApplication::clipboard()->text(), formula(3));
    QVERIFY(formula(3) != formula(0));
    QVERIFY(s.errors.isEmpty());
}

void DistributionsWindowTest::computesNothingWhileHiddenAndFollowsWhileShown()
{
    DistributionSession s;
    s.startOnFits();
    // The window the menu makes computes once as it is shown; hidden, it computes nothing.
    TfDistributions* window = &s.open();
    const int opened = window->RecomputeCount();
    QCOMPARE(opened, 1);
    window->hide();

    s.selectRow("DBGrid2", 2);
    s.selectRow("DBGrid2", 3);
    QVERIFY(s.clickRow("dbgSources", QStringLiteral("BT")));
    QVERIFY(s.clickRow("dbgSources", QStringLiteral("FT")));
    s.selectRow("DBGrid2", 2);
    QCOMPARE(window->RecomputeCount(), opened);

    window->show();
    QCOMPARE(window->RecomputeCount(), opened + 1);
    QCOMPARE(window->CurrentGroup()->caption, s.panel(3));
    QCOMPARE(window->Curves.size(), 2); // group 2 has two fits
    QCOMPARE(window->ProfileP50.at(0)->count(), 3);

    s.selectRow("DBGrid2", 1);
    QCOMPARE(window->RecomputeCount(), opened + 2);
    QCOMPARE(window->CurrentGroup()->caption, s.panel(3));
    QCOMPARE(window->Curves.size(), 4);

    window->hide();
    s.selectRow("DBGrid2", 3);
    QCOMPARE(window->RecomputeCount(), opened + 2);
    window->show();
    QCOMPARE(window->RecomputeCount(), opened + 3);
    QCOMPARE(window->Curves.size(), 1);
    QVERIFY(s.errors.isEmpty());
}

void DistributionsWindowTest::domainErrorIsShownInTheWindow()
{
    DistributionSession s;
    TForm1& form = s.startOnFits();
    TfDistributions& w = s.open();
    const QStringList errorsBefore = s.errors;

    QVERIFY(s.clickRow("dbgSources", QStringLiteral("BT")));
    const QString message = w.MessageText();
    QVERIFY2(message.contains(QStringLiteral("lambda")), qPrintable(message));
    QCOMPARE(w.pnCdf->currentWidget(), w.lMessage);
    QVERIFY(!message.contains(QStringLiteral("nan"), Qt::CaseInsensitive));
    QVERIFY(!w.lGroup->text().contains(QStringLiteral("nan"), Qt::CaseInsensitive));
    QCOMPARE(w.tbFits->rowCount(), 0);
    QVERIFY(w.Curves.isEmpty());
    QCOMPARE(w.eR->text(), QString());
    // Whatever the main window reports of its own conversion, the window's message does
    // not go through the guard.
    for (const QString& error : std::as_const(s.errors))
        QVERIFY2(!error.contains(message), qPrintable(error));
    QCOMPARE(Child<QLabel>(form, "lReliability")->text(), veltra::ReliabilityLine(20));

    QVERIFY(s.clickRow("dbgSources", QStringLiteral("FT")));
    QCOMPARE(w.MessageText(), QString());
    QCOMPARE(w.pnCdf->currentWidget(), w.tabViews);
    QCOMPARE(w.Curves.size(), 4);
    QCOMPARE(w.tbFits->rowCount(), 4);
}

void DistributionsWindowTest::withoutNumberOfObservationsOnlyTheMedianIsSupported()
{
    DistributionSession s;
    TForm1& form = s.startOnFits();
    TfDistributions& w = s.open();
    QVERIFY(s.clickRow("dbgSources", QStringLiteral("NT")));
    QCOMPARE(Child<QLabel>(form, "lReliability")->text(), veltra::ReliabilityLine(std::nullopt));
    QCOMPARE(w.MessageText(), QString());
    QCOMPARE(w.ObservedPoints->points(), QList<QPointF>{QPointF(0.7, 0.5)});
    QCOMPARE(Sorted(w.UnsupportedPoints->points()),
             Sorted({QPointF(0.05, 0.05), QPointF(3, 0.95)}));
    const veltra::ObservedQuantile p05 = w.CurrentGroup()->observed.first();
    QCOMPARE(p05.label, QStringLiteral("P05"));
    QVERIFY(w.ObservedToolTip(p05).contains(QStringLiteral("P05 needs N ≥ 61; N = unknown")));
    QVERIFY(s.errors.isEmpty());
}

void DistributionsWindowTest::exportsChartsAndTable()
{
    DistributionSession s;
    s.startOnFits();
    TfDistributions& w = s.open();
    QTemporaryDir out;
    QStringList asked;
    Dialogs::SetFileAnswerer([&out, &asked](Dialogs::FileMode, const FileDialogSettings& settings,
                                            const QString& initialName) {
        asked << settings.defaultExtension;
        return out.filePath(initialName);
    });

    QTest::mouseClick(w.bCdfPng, Qt::LeftButton);
    QTest::mouseClick(w.bProfilePng, Qt::LeftButton);
    QTest::mouseClick(w.bCdfPdf, Qt::LeftButton);
    QTest::mouseClick(w.bProfilePdf, Qt::LeftButton);
    QTest::mouseClick(w.bTableCsv, Qt::LeftButton);
    Dialogs::SetFileAnswerer({});
    QCOMPARE(asked, QStringList({"png", "png", "pdf", "pdf", "csv"}));
    QVERIFY(s.errors.isEmpty());

    const QImage cdf(out.filePath(QStringLiteral("distributions.png")));
    // The chart shown with its legend below it.
    QCOMPARE(cdf.size(), QSize(std::max(w.cvCdf->width(), w.lLegend->width()),
                               w.cvCdf->height() + w.lLegend->height()));
    QCOMPARE(QImage(out.filePath(QStringLiteral("age-profile.png"))).size(), w.cvProfile->size());
    for (const char* name : {"distributions.pdf", "age-profile.pdf"}) {
        QFile pdf(out.filePath(QLatin1String(name)));
        QVERIFY(pdf.open(QIODevice::ReadOnly));
        const QByteArray bytes = pdf.readAll();
        QVERIFY2(bytes.startsWith("%PDF-") && bytes.trimmed().endsWith("%%EOF"), name);
    }

    // The CSV is what veltra-cli fits prints for the group, byte for byte.
    QFile csv(out.filePath(QStringLiteral("fits.csv")));
    QVERIFY(csv.open(QIODevice::ReadOnly));
    const QByteArray saved = csv.readAll();
    QProcess cli;
    cli.start(QStringLiteral(VELTRA_BIN_DIR "/veltra-cli"),
              {QStringLiteral("--db"), s.dir.path(), QStringLiteral("fits"), QStringLiteral("1"),
               QStringLiteral("--group"), QStringLiteral("1"), QStringLiteral("--format"),
               QStringLiteral("csv")});
    QVERIFY(cli.waitForFinished(60000));
    QCOMPARE(cli.exitCode(), 0);
    QCOMPARE(saved, cli.readAllStandardOutput());
    const QStringList lines = QString::fromUtf8(saved).split(QStringLiteral("\r\n"));
    QCOMPARE(lines.size(), 6); // header, four fits, and CR LF after the last line
    QVERIFY2(lines.at(1).startsWith(
                 QStringLiteral("2;GeneralF;KS;0.011;0;m1;1;m2;1e+06;lambda;0.9803921568627451;")),
             qPrintable(lines.at(1)));
    QCOMPARE(w.TableCells().size(), 5);

    // The PDF of the chart holds the legend as text, every fit named whole.
    QProcess pdftotext;
    pdftotext.start(QStringLiteral("pdftotext"),
                    {out.filePath(QStringLiteral("distributions.pdf")), QStringLiteral("-")});
    QVERIFY(pdftotext.waitForFinished(60000));
    // Names are kept whole by non-breaking blanks.
    const QString text =
        QString::fromUtf8(pdftotext.readAllStandardOutput()).replace(QChar(0xa0), u' ');
    for (const QLineSeries* curve : std::as_const(w.Curves))
        QVERIFY2(text.contains(curve->name()), qPrintable(text));
}

void DistributionsWindowTest::failedExportEndsInTheGuard()
{
    DistributionSession s;
    s.startOnFits();
    TfDistributions& w = s.open();
    const QString target = s.dir.filePath(QStringLiteral("no such folder/chart.png"));
    Dialogs::SetFileAnswerer(
        [&target](Dialogs::FileMode, const FileDialogSettings&, const QString&) { return target; });
    QTest::mouseClick(w.bCdfPng, Qt::LeftButton);
    Dialogs::SetFileAnswerer({});
    QCOMPARE(s.errors.size(), 1);
    QVERIFY2(s.errors.first().contains(target), qPrintable(s.errors.first()));
    QVERIFY(!QFile::exists(target));
}

QTEST_MAIN(DistributionsWindowTest)
#include "DistributionsWindow_test.moc"
