// The distribution window: the fits of the main window's current age group drawn over
// its observed quantiles (distribution functions, densities and a Q-Q view), the age profile of the
// whole data file, the table of fits in every usual parameterisation, the quantile formulas for R,
// Python and @RISK, and which observed percentiles the group's number of observations supports.
#pragma once

#include "convert/FitAnalysis.h"
#include "convert/FitTable.h"
#include "widgets/Dialogs.h"
#include "widgets/ErrorGuard.h"
#include "widgets/LegendStrip.h"
#include "widgets/TextLine.h"

#include <QColor>
#include <QList>
#include <QPointF>
#include <QPointer>
#include <QRectF>
#include <QStringList>
#include <QWidget>
#include <optional>

class QAbstractAxis;
class QAreaSeries;
class QCategoryAxis;
class QChart;
class QChartView;
class QGraphicsRectItem;
class QCheckBox;
class QLabel;
class QLineEdit;
class QLineSeries;
class QPushButton;
class QScatterSeries;
class QStackedWidget;
class QTabWidget;
class QTableWidget;
class QValueAxis;

namespace veltra {

class DataSource;

/// A tool window kept for the whole run; closing only hides it. It reads the data file
/// of the main window through that window's link (no copy of its own) and follows it:
/// the main window reports every reset of the file's rows (DataFileChanged) and every
/// move of its current row (AgeGroupChanged). While hidden the window only notes that
/// its views are out of date and computes them when it is shown again.
///
/// An age group whose fits cannot be read shows the error in place of the chart of
/// distribution functions; exports that fail end in the guard's general error message.
class TfDistributions : public QWidget
{
    Q_OBJECT
public:
    TfDistributions(const ErrorGuard& guard, DataSource& dataFileLink, QWidget* parent = nullptr);
    ~TfDistributions() override;

    const ErrorGuard& Guard() const { return m_guard; }

    // --- what the main window reports ----------------------------------------------------
    /// The data file's rows were reset: opened, closed, reloaded, refiltered. The value
    /// axes are titled with `valueTitle` (the variable and its unit, "BW_kg [kg]").
    void DataFileChanged(const QString& valueTitle = QStringLiteral("Value"));
    /// The data file's current row moved.
    void AgeGroupChanged();

    /// How often an age group's fits were computed for the views (tests check that a
    /// hidden window computes nothing).
    int RecomputeCount() const { return m_recomputeCount; }
    /// The message shown in place of the chart of distribution functions; empty while
    /// the chart is shown.
    QString MessageText() const;
    /// The current age group's analysis; none when it failed or no file is open.
    const std::optional<AgeGroupFits>& CurrentGroup() const { return m_group; }

    /// The colour of a deviation cell by its class: green for close, amber for moderate,
    /// red for far; invalid (no colour) without a deviation.
    static QColor DeviationColour(DeviationClass deviationClass);
    static const QColor Green;
    static const QColor Amber;
    static const QColor Red;

    /// The tooltip of a fit's curve at x: x, F(x) and the fit's quantile at the observed
    /// level nearest to F(x).
    QString CurveToolTip(int fit, double x) const;
    /// The tooltip of an observed point: its value and level, and for a percentile the
    /// group's N does not support, the rule it misses or that it is outside the guidance
    /// table (MIN, MAX, P01, P99).
    QString ObservedToolTip(const ObservedQuantile& point) const;

    /// The fit table as shown: the header, then one line per row, cells as displayed.
    QList<QStringList> TableCells() const;
    /// The lines the CSV export writes.
    QStringList CsvLines() const;

    // --- controls -------------------------------------------------------------------------
    TextLine* lGroup = nullptr;
    QStackedWidget* pnCdf = nullptr;
    /// The three views of the group: distribution functions, densities, Q-Q.
    QTabWidget* tabViews = nullptr;
    QChartView* cvCdf = nullptr;
    QChart* chCdf = nullptr;
    QChartView* cvDensity = nullptr;
    QChart* chDensity = nullptr;
    QChartView* cvQq = nullptr;
    QChart* chQq = nullptr;
    /// The legend of the three views, below them: it wraps instead of cutting names.
    LegendStrip* lLegend = nullptr;
    QLabel* lMessage = nullptr;
    QCheckBox* cbLogX = nullptr;
    QChartView* cvProfile = nullptr;
    QChart* chProfile = nullptr;
    QLabel* lProfileNote = nullptr;
    QTableWidget* tbFits = nullptr;
    QCheckBox* cbRankByDeviation = nullptr;
    QLineEdit* eR = nullptr;
    QLineEdit* ePython = nullptr;
    QLineEdit* eAtRisk = nullptr;
    QLineEdit* eExcel = nullptr;
    QCheckBox* cbExcelEnglish = nullptr;
    QPushButton* bCopyR = nullptr;
    QPushButton* bCopyPython = nullptr;
    QPushButton* bCopyAtRisk = nullptr;
    QPushButton* bCopyExcel = nullptr;
    QPushButton* bCdfPng = nullptr;
    QPushButton* bCdfPdf = nullptr;
    QPushButton* bProfilePng = nullptr;
    QPushButton* bProfilePdf = nullptr;
    QPushButton* bTableCsv = nullptr;

    // --- series ---------------------------------------------------------------------------
    /// One curve per fit of the current group, in stored order. On a log scale the
    /// curves' x values are the decimal logarithms of the values (the axis labels the
    /// values themselves).
    QList<QLineSeries*> Curves;
    /// The densities, one per fit; filled while the density view is shown.
    QList<QLineSeries*> DensityCurves;
    /// The Q-Q view: one series of points per fit (observed, fitted) and the 1:1 line.
    QList<QScatterSeries*> QqSeries;
    QLineSeries* QqDiagonal = nullptr;
    /// The observed quantiles the group's N supports, and those it does not (hollow).
    QScatterSeries* ObservedPoints = nullptr;
    QScatterSeries* UnsupportedPoints = nullptr;
    /// The age profile: one point per age group at its age midpoint, each line in runs
    /// of consecutive groups with a value (a group without one leaves a gap). The band's
    /// runs own their P05 (lower) and P95 (upper) edges.
    QList<QAreaSeries*> ProfileBands;
    QList<QLineSeries*> ProfileP50;
    QList<QLineSeries*> ProfileMean;
    /// The legend entry of the current group; it holds no points: the group is marked by
    /// a square drawn over the chart, so that moving it repaints only its place and not
    /// the whole chart.
    QScatterSeries* ProfileCurrent = nullptr;
    /// The point of the current group in the profile (age midpoint, P50); none when the
    /// group has no place in it.
    std::optional<QPointF> ProfileCurrentPoint() const { return m_currentPoint; }
    /// Where the square marking the current group is drawn, in the chart's coordinates;
    /// invalid while it is hidden.
    QRectF CurrentMarkerRect() const;

    FileDialogSettings sdPng;
    FileDialogSettings sdPdf;
    FileDialogSettings sdCsv;

    // --- handlers -------------------------------------------------------------------------
    void cbLogXClick();
    void tabViewsChange();
    void cbRankByDeviationClick();
    void tbFitsSelectionChange();
    void bCopyRClick();
    void bCopyPythonClick();
    void bCopyAtRiskClick();
    void bCopyExcelClick();
    void cbExcelEnglishClick();
    /// A click on the age profile at this chart value: the group with the nearest age
    /// midpoint becomes the data file's current row.
    void ProfileClick(QPointF value);
    void bCdfPngClick();
    void bCdfPdfClick();
    void bProfilePngClick();
    void bProfilePdfClick();
    void bTableCsvClick();

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildCdfChart();
    void buildDensityChart();
    void buildQqChart();
    void buildProfileChart();
    QWidget* buildFormulas();
    /// Brings the stale views up to date; runs only while the window is shown.
    void Refresh();
    void RecomputeProfile();
    void ClearProfileRuns();
    void RecomputeGroup();
    void ShowMessage(const QString& text);
    void ClearGroupViews();
    void UpdateCurves();
    void UpdateObservedPoints();
    /// Brings the density or Q-Q view up to date when it is the view shown.
    void UpdateShownView();
    void UpdateDensities();
    void UpdateQq();
    void UpdateLegend();
    /// x as the charts place it: its decimal logarithm on a log scale.
    double AxisX(double x) const;
    /// The value at a chart position.
    double ValueAt(double axisX) const;
    void UpdateProfileHighlight();
    void PlaceCurrentMarker();
    void FillTable();
    void ShowFormulas(int fit);
    /// The fit shown in the table's selected row; -1 without a selection.
    int SelectedFit() const;
    void SetCurveCount(int count);
    void ShowPointToolTip(const QString& text);
    /// The picture an export writes: the chart, with the legend below it for the views of
    /// the group.
    QList<QWidget*> ExportParts(QChartView* view) const;
    void SaveChartPng(QChartView* view, const QString& initialName);
    void SaveChartPdf(QChartView* view, const QString& initialName);
    void CopyToClipboard(const QLineEdit* edit);

    const ErrorGuard& m_guard;
    QPointer<DataSource> m_link;
    bool m_profileStale = true;
    bool m_groupStale = true;
    bool m_densityStale = true;
    bool m_qqStale = true;
    QString m_valueTitle = QStringLiteral("Value");
    int m_recomputeCount = 0;
    std::optional<AgeGroupFits> m_group;
    AgeProfile m_profile;
    FitTable m_table;
    /// The x range of the curves: the 0.5 % to 99.5 % quantiles of the fit with the
    /// median median; the other curves are clipped to it.
    double m_low = 0;
    double m_high = 1;
    /// The value axes label values at 1-2-5 steps, on a log scale too, where the
    /// series hold logarithms.
    QCategoryAxis* m_cdfX = nullptr;
    QValueAxis* m_cdfY = nullptr;
    QCategoryAxis* m_densityX = nullptr;
    QValueAxis* m_densityY = nullptr;
    QCategoryAxis* m_qqX = nullptr;
    QCategoryAxis* m_qqY = nullptr;
    QValueAxis* m_profileX = nullptr;
    QGraphicsRectItem* m_currentMarker = nullptr;
    std::optional<QPointF> m_currentPoint;
    QValueAxis* m_profileY = nullptr;
};

} // namespace veltra
