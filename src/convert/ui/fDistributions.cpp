#include "convert/ui/fDistributions.h"

#include "convert/ChartAxis.h"
#include "convert/FitFormulas.h"
#include "convert/FitSummary.h"
#include "data/DataSource.h"
#include "data/DataTable.h"
#include "util/NumberFormat.h"
#include "util/SafeFile.h"
#include "util/TextLines.h"
#include "util/VeltraError.h"
#include "widgets/CachedPanelStyle.h"
#include "widgets/GuardedHandler.h"
#include "widgets/Named.h"
#include "widgets/TextCellDelegate.h"

#include <QAreaSeries>
#include <QBuffer>
#include <QCategoryAxis>
#include <QChart>
#include <QChartView>
#include <QCheckBox>
#include <QClipboard>
#include <QCursor>
#include <QFileInfo>
#include <QGraphicsLayout>
#include <QGraphicsRectItem>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QImageWriter>
#include <QLabel>
#include <QLegend>
#include <QLegendMarker>
#include <QLineEdit>
#include <QLineSeries>
#include <QMouseEvent>
#include <QPainter>
#include <QPdfWriter>
#include <QPushButton>
#include <QScatterSeries>
#include <QSplitter>
#include <QStackedWidget>
#include <QStyledItemDelegate>
#include <QTabWidget>
#include <QTableWidget>
#include <QToolTip>
#include <QVBoxLayout>
#include <QValueAxis>
#include <algorithm>
#include <cmath>
#include <exception>
#include <limits>
#include <numeric>

namespace veltra {

namespace {

constexpr int CurvePoints = 200;
constexpr double LowestLevel = 0.005;
constexpr double HighestLevel = 0.995;

// The colour of the n-th fit, the same in the chart and the table.
QColor FitColour(int fit)
{
    static const QColor colours[] = {QColor(0x1f, 0x4e, 0x9a), QColor(0xd9, 0x5f, 0x02),
                                     QColor(0x1b, 0x9e, 0x77), QColor(0x75, 0x70, 0xb3),
                                     QColor(0xe7, 0x29, 0x8a), QColor(0x66, 0x66, 0x66)};
    return colours[fit % int(std::size(colours))];
}

// Labels a value axis at the ticks of [low, high]; on a log scale the axis runs over the
// decimal logarithms and the labels name the values.
void SetAxisTicks(QCategoryAxis* axis, double low, double high, bool logScale)
{
    const QList<AxisTick> ticks = logScale ? LogAxisTicks(low, high) : LinearAxisTicks(low, high);
    const double from = logScale ? std::log10(low) : low;
    const double to = logScale ? std::log10(high) : high;
    // The same labels at the same places (the next age group of a file is often on the
    // same scale): only the range moves, and the axis is not laid out anew.
    QStringList labels;
    for (const AxisTick& tick : ticks)
        labels << tick.label;
    if (labels == axis->categoriesLabels()) {
        bool same = true;
        for (const AxisTick& tick : ticks)
            same = same &&
                   axis->endValue(tick.label) == (logScale ? std::log10(tick.value) : tick.value);
        if (same) {
            axis->setRange(from, to);
            return;
        }
    }
    for (const QString& label : axis->categoriesLabels())
        axis->remove(label);
    // A tick on the lower end needs a category starting just below it.
    axis->setStartValue(from - (to - from) * 1e-6);
    for (const AxisTick& tick : ticks) {
        const double at = logScale ? std::log10(tick.value) : tick.value;
        axis->append(tick.label, at);
    }
    axis->setRange(from, to);
}

QCategoryAxis* ValueAxis(const QString& title)
{
    auto* axis = new QCategoryAxis;
    axis->setTitleText(title);
    axis->setLabelsPosition(QCategoryAxis::AxisLabelsPositionOnValue);
    return axis;
}

// Paints a table cell with its own background also when its row is selected, and marks
// the selected row with a frame: the deviation colour stays readable.
class FrameSelectionDelegate : public TextCellDelegate
{
public:
    using TextCellDelegate::TextCellDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override
    {
        QStyleOptionViewItem plain(option);
        const bool selected = option.state.testFlag(QStyle::State_Selected);
        plain.state &= ~(QStyle::State_Selected | QStyle::State_HasFocus);
        TextCellDelegate::paint(painter, plain, index);
        if (!selected)
            return;
        painter->save();
        painter->setPen(QPen(QColor(0x1f, 0x4e, 0x9a), 2));
        const QRect r = option.rect.adjusted(1, 1, -1, -1);
        painter->drawLine(r.topLeft(), r.topRight());
        painter->drawLine(r.bottomLeft(), r.bottomRight());
        if (index.column() == 0)
            painter->drawLine(r.topLeft(), r.bottomLeft());
        if (index.column() == index.model()->columnCount() - 1)
            painter->drawLine(r.topRight(), r.bottomRight());
        painter->restore();
    }
};

QPushButton* Button(QWidget* parent, const char* name, const QString& caption)
{
    return Named(new QPushButton(caption, parent), name);
}

} // namespace

const QColor TfDistributions::Green(0xc6, 0xef, 0xce);
const QColor TfDistributions::Amber(0xff, 0xd9, 0x80);
const QColor TfDistributions::Red(0xf4, 0xa6, 0xa6);

TfDistributions::TfDistributions(const ErrorGuard& guard, DataSource& dataFileLink, QWidget* parent)
    : QWidget(parent, Qt::Window), m_guard(guard), m_link(&dataFileLink)
{
    setObjectName(QStringLiteral("fDistributions"));
    setWindowTitle(QStringLiteral("Distributions"));
    // Closing the main window ends the program, also while this window is open.
    setAttribute(Qt::WA_QuitOnClose, false);
    resize(1180, 860);

    sdPng = {QStringLiteral("Save the chart as PNG image"), QStringLiteral("png"),
             QStringLiteral("PNG image [*.png]|*.png|All|*.*"), true};
    sdPdf = {QStringLiteral("Save the chart as PDF document"), QStringLiteral("pdf"),
             QStringLiteral("PDF document [*.pdf]|*.pdf|All|*.*"), true};
    sdCsv = {QStringLiteral("Save the table of fits"), QStringLiteral("csv"),
             QStringLiteral("CSV file [*.csv]|*.csv|All|*.*"), true};

    auto* box = new QVBoxLayout(this);
    // The heading changes with every age group; as a text line it does so without laying
    // out the window, whose wrapped legend and charts would otherwise be measured again.
    lGroup = Named(new TextLine(this), "lGroup");
    QFont bold = lGroup->font();
    bold.setBold(true);
    lGroup->setFont(bold);
    box->addWidget(lGroup);

    auto* splitter = new QSplitter(Qt::Vertical, this);
    auto* charts = new QWidget(splitter);
    auto* chartsBox = new QHBoxLayout(charts);
    chartsBox->setContentsMargins(0, 0, 0, 0);

    auto* cdfColumn = new QWidget(charts);
    auto* cdfBox = new QVBoxLayout(cdfColumn);
    cdfBox->setContentsMargins(0, 0, 0, 0);
    pnCdf = Named(new QStackedWidget(cdfColumn), "pnCdf");
    tabViews = Named(new QTabWidget(pnCdf), "tabViews");
    buildCdfChart();
    buildDensityChart();
    buildQqChart();
    tabViews->addTab(cvCdf, QStringLiteral("Distribution functions"));
    tabViews->addTab(cvDensity, QStringLiteral("Densities"));
    tabViews->addTab(cvQq, QStringLiteral("Q-Q"));
    lMessage = Named(new QLabel(pnCdf), "lMessage");
    lMessage->setAlignment(Qt::AlignCenter);
    lMessage->setWordWrap(true);
    pnCdf->addWidget(tabViews);
    pnCdf->addWidget(lMessage);
    cdfBox->addWidget(pnCdf, 1);
    lLegend = Named(new LegendStrip(cdfColumn), "lLegend");
    cdfBox->addWidget(lLegend);
    auto* cdfButtons = new QHBoxLayout;
    cbLogX = Named(new QCheckBox(QStringLiteral("log x"), cdfColumn), "cbLogX");
    cbLogX->setToolTip(QStringLiteral("Logarithmic value axes (both axes of the Q-Q view)"));
    bCdfPng = Button(cdfColumn, "bCdfPng", QStringLiteral("PNG..."));
    bCdfPdf = Button(cdfColumn, "bCdfPdf", QStringLiteral("PDF..."));
    cdfButtons->addWidget(cbLogX);
    cdfButtons->addStretch(1);
    cdfButtons->addWidget(bCdfPng);
    cdfButtons->addWidget(bCdfPdf);
    cdfBox->addLayout(cdfButtons);
    chartsBox->addWidget(cdfColumn, 3);

    auto* profileColumn = new QWidget(charts);
    auto* profileBox = new QVBoxLayout(profileColumn);
    profileBox->setContentsMargins(0, 0, 0, 0);
    buildProfileChart();
    cvProfile->setParent(profileColumn);
    profileBox->addWidget(cvProfile, 1);
    // A long note wraps on its own line rather than squeezing the chart.
    lProfileNote = Named(new QLabel(profileColumn), "lProfileNote");
    lProfileNote->setWordWrap(true);
    profileBox->addWidget(lProfileNote);
    auto* profileButtons = new QHBoxLayout;
    bProfilePng = Button(profileColumn, "bProfilePng", QStringLiteral("PNG..."));
    bProfilePdf = Button(profileColumn, "bProfilePdf", QStringLiteral("PDF..."));
    profileButtons->addStretch(1);
    profileButtons->addWidget(bProfilePng);
    profileButtons->addWidget(bProfilePdf);
    profileBox->addLayout(profileButtons);
    chartsBox->addWidget(profileColumn, 2);
    splitter->addWidget(charts);

    auto* lower = new QWidget(splitter);
    auto* lowerBox = new QVBoxLayout(lower);
    lowerBox->setContentsMargins(0, 0, 0, 0);
    tbFits = Named(new QTableWidget(lower), "tbFits");
    tbFits->setEditTriggers(QAbstractItemView::NoEditTriggers);
    tbFits->setSelectionBehavior(QAbstractItemView::SelectRows);
    tbFits->setSelectionMode(QAbstractItemView::SingleSelection);
    tbFits->verticalHeader()->setVisible(false);
    tbFits->horizontalHeader()->setStretchLastSection(true);
    tbFits->setItemDelegate(new FrameSelectionDelegate(tbFits));
    // The selected row is tinted lightly and framed, so the fits' colours and the deviation
    // classes stay readable in it.
    QPalette tablePalette = tbFits->palette();
    tablePalette.setColor(QPalette::Highlight, QColor(0xdd, 0xe6, 0xf3));
    tablePalette.setColor(QPalette::HighlightedText, tablePalette.color(QPalette::Text));
    tbFits->setPalette(tablePalette);
    lowerBox->addWidget(tbFits, 1);
    auto* tableButtons = new QHBoxLayout;
    cbRankByDeviation =
        Named(new QCheckBox(QStringLiteral("Rank by deviation"), lower), "cbRankByDeviation");
    bTableCsv = Button(lower, "bTableCsv", QStringLiteral("CSV..."));
    tableButtons->addWidget(cbRankByDeviation);
    tableButtons->addStretch(1);
    tableButtons->addWidget(bTableCsv);
    lowerBox->addLayout(tableButtons);
    lowerBox->addWidget(buildFormulas());
    splitter->addWidget(lower);
    splitter->setStretchFactor(0, 3);
    splitter->setStretchFactor(1, 2);
    box->addWidget(splitter, 1);

    ConnectGuarded(cbLogX, &QCheckBox::toggled, this, &TfDistributions::cbLogXClick);
    ConnectGuarded(tabViews, &QTabWidget::currentChanged, this, &TfDistributions::tabViewsChange);
    ConnectGuarded(cbRankByDeviation, &QCheckBox::toggled, this,
                   &TfDistributions::cbRankByDeviationClick);
    ConnectGuarded(tbFits, &QTableWidget::itemSelectionChanged, this,
                   &TfDistributions::tbFitsSelectionChange);
    ConnectGuarded(bCopyR, &QPushButton::clicked, this, &TfDistributions::bCopyRClick);
    ConnectGuarded(bCopyPython, &QPushButton::clicked, this, &TfDistributions::bCopyPythonClick);
    ConnectGuarded(bCopyAtRisk, &QPushButton::clicked, this, &TfDistributions::bCopyAtRiskClick);
    ConnectGuarded(bCopyExcel, &QPushButton::clicked, this, &TfDistributions::bCopyExcelClick);
    ConnectGuarded(cbExcelEnglish, &QCheckBox::toggled, this,
                   &TfDistributions::cbExcelEnglishClick);
    ConnectGuarded(bCdfPng, &QPushButton::clicked, this, &TfDistributions::bCdfPngClick);
    ConnectGuarded(bCdfPdf, &QPushButton::clicked, this, &TfDistributions::bCdfPdfClick);
    ConnectGuarded(bProfilePng, &QPushButton::clicked, this, &TfDistributions::bProfilePngClick);
    ConnectGuarded(bProfilePdf, &QPushButton::clicked, this, &TfDistributions::bProfilePdfClick);
    ConnectGuarded(bTableCsv, &QPushButton::clicked, this, &TfDistributions::bTableCsvClick);
    cvProfile->viewport()->installEventFilter(this);
}

TfDistributions::~TfDistributions() = default;

void TfDistributions::buildCdfChart()
{
    chCdf = new QChart;
    chCdf->setTitle(QStringLiteral("Distribution functions over the observed quantiles"));
    chCdf->legend()->hide();
    m_cdfX = ValueAxis(m_valueTitle);
    m_cdfY = new QValueAxis;
    m_cdfY->setTitleText(QStringLiteral("F(x)"));
    m_cdfY->setRange(0, 1);
    m_cdfY->setTickCount(6);
    m_cdfY->setLabelFormat(QStringLiteral("%.1f"));
    chCdf->addAxis(m_cdfX, Qt::AlignBottom);
    chCdf->addAxis(m_cdfY, Qt::AlignLeft);

    ObservedPoints = new QScatterSeries;
    ObservedPoints->setName(QStringLiteral("observed"));
    ObservedPoints->setMarkerShape(QScatterSeries::MarkerShapeCircle);
    ObservedPoints->setMarkerSize(9);
    ObservedPoints->setColor(Qt::black);
    ObservedPoints->setBorderColor(Qt::black);
    UnsupportedPoints = new QScatterSeries;
    UnsupportedPoints->setName(QStringLiteral("observed, N too small"));
    UnsupportedPoints->setMarkerShape(QScatterSeries::MarkerShapeCircle);
    UnsupportedPoints->setMarkerSize(9);
    // Hollow: only the outline is drawn.
    UnsupportedPoints->setBrush(Qt::NoBrush);
    UnsupportedPoints->setPen(QPen(Qt::black, 1.5));
    for (QScatterSeries* series : {ObservedPoints, UnsupportedPoints}) {
        chCdf->addSeries(series);
        series->attachAxis(m_cdfX);
        series->attachAxis(m_cdfY);
        ConnectGuarded(
            series, &QScatterSeries::hovered, this, [this](const QPointF& point, bool state) {
                if (!state || !m_group)
                    return;
                // The observed point under the cursor: the nearest in level, then
                // in value.
                const double value = ValueAt(point.x());
                const QList<ObservedQuantile>& observed = m_group->observed;
                const auto nearest = std::min_element(
                    observed.cbegin(), observed.cend(),
                    [&point, value](const ObservedQuantile& a, const ObservedQuantile& b) {
                        return std::hypot(a.level - point.y(), a.value - value) <
                               std::hypot(b.level - point.y(), b.value - value);
                    });
                if (nearest != observed.cend())
                    ShowPointToolTip(ObservedToolTip(*nearest));
            });
    }
    cvCdf = Named(new QChartView(chCdf), "cvCdf");
    cvCdf->setRenderHint(QPainter::Antialiasing);
    cvCdf->setMinimumSize(420, 300);
}

void TfDistributions::buildDensityChart()
{
    chDensity = new QChart;
    chDensity->setTitle(QStringLiteral("Densities of the fits"));
    chDensity->legend()->hide();
    m_densityX = ValueAxis(m_valueTitle);
    m_densityY = new QValueAxis;
    m_densityY->setTitleText(QStringLiteral("f(x)"));
    m_densityY->setLabelFormat(QStringLiteral("%g"));
    chDensity->addAxis(m_densityX, Qt::AlignBottom);
    chDensity->addAxis(m_densityY, Qt::AlignLeft);
    cvDensity = Named(new QChartView(chDensity), "cvDensity");
    cvDensity->setRenderHint(QPainter::Antialiasing);
    cvDensity->setMinimumSize(420, 300);
}

void TfDistributions::buildQqChart()
{
    chQq = new QChart;
    chQq->setTitle(QStringLiteral("Fitted against observed quantiles"));
    chQq->legend()->hide();
    m_qqX = ValueAxis(QStringLiteral("observed"));
    m_qqY = ValueAxis(QStringLiteral("fitted"));
    chQq->addAxis(m_qqX, Qt::AlignBottom);
    chQq->addAxis(m_qqY, Qt::AlignLeft);
    QqDiagonal = new QLineSeries;
    QqDiagonal->setName(QStringLiteral("1:1"));
    QqDiagonal->setPen(QPen(Qt::gray, 1.2, Qt::DashLine));
    chQq->addSeries(QqDiagonal);
    QqDiagonal->attachAxis(m_qqX);
    QqDiagonal->attachAxis(m_qqY);
    cvQq = Named(new QChartView(chQq), "cvQq");
    cvQq->setRenderHint(QPainter::Antialiasing);
    cvQq->setMinimumSize(420, 300);
}

void TfDistributions::buildProfileChart()
{
    chProfile = new QChart;
    chProfile->setTitle(QStringLiteral("Age profile of the data file (GF fit of each group)"));
    chProfile->legend()->setAlignment(Qt::AlignBottom);
    m_profileX = new QValueAxis;
    m_profileX->setTitleText(QStringLiteral("Age (midpoint of the group)"));
    m_profileX->setLabelFormat(QStringLiteral("%g"));
    m_profileY = new QValueAxis;
    m_profileY->setTitleText(m_valueTitle);
    m_profileY->setLabelFormat(QStringLiteral("%g"));
    chProfile->addAxis(m_profileX, Qt::AlignBottom);
    chProfile->addAxis(m_profileY, Qt::AlignLeft);

    ProfileCurrent = new QScatterSeries;
    ProfileCurrent->setName(QStringLiteral("current group"));
    ProfileCurrent->setMarkerShape(QScatterSeries::MarkerShapeRectangle);
    ProfileCurrent->setMarkerSize(14);
    ProfileCurrent->setColor(QColor(0xe7, 0x29, 0x8a));
    ProfileCurrent->setBorderColor(Qt::black);
    chProfile->addSeries(ProfileCurrent);
    ProfileCurrent->attachAxis(m_profileX);
    ProfileCurrent->attachAxis(m_profileY);
    m_currentMarker = new QGraphicsRectItem(chProfile);
    m_currentMarker->setBrush(ProfileCurrent->color());
    m_currentMarker->setPen(QPen(Qt::black, 1));
    m_currentMarker->setZValue(100);
    m_currentMarker->hide();
    for (QValueAxis* axis : {m_profileX, m_profileY})
        connect(axis, &QValueAxis::rangeChanged, this, [this] { PlaceCurrentMarker(); });
    connect(chProfile, &QChart::plotAreaChanged, this, [this] { PlaceCurrentMarker(); });
    cvProfile = Named(new QChartView(chProfile), "cvProfile");
    cvProfile->setRenderHint(QPainter::Antialiasing);
    cvProfile->setMinimumSize(380, 300);
    cvProfile->setToolTip(QStringLiteral("A click on a group makes it the current age group"));
}

QWidget* TfDistributions::buildFormulas()
{
    auto* panel = Named(new QWidget(this), "pnFormulas");
    auto* grid = new QGridLayout(panel);
    grid->setContentsMargins(0, 0, 0, 0);
    auto row = [this, panel, grid](int line, const QString& caption, const char* editName,
                                   const char* buttonName, QLineEdit*& edit, QPushButton*& button) {
        grid->addWidget(new QLabel(caption, panel), line, 0);
        edit = Named(new QLineEdit(panel), editName);
        edit->setReadOnly(true);
        // The formulas change with every age group: their frames are copied, not drawn.
        edit->setStyle(CachedPanelStyle::Instance());
        grid->addWidget(edit, line, 1);
        button = Button(panel, buttonName, QStringLiteral("Copy"));
        grid->addWidget(button, line, 2);
    };
    row(0, QStringLiteral("R"), "eR", "bCopyR", eR, bCopyR);
    row(1, QStringLiteral("Python"), "ePython", "bCopyPython", ePython, bCopyPython);
    row(2, QStringLiteral("@RISK"), "eAtRisk", "bCopyAtRisk", eAtRisk, bCopyAtRisk);
    row(3, QStringLiteral("Excel"), "eExcel", "bCopyExcel", eExcel, bCopyExcel);
    eExcel->setToolTip(QStringLiteral("Takes the uniform number from a cell named u"));
    // The formula as the user types it under the number settings, or as Excel keeps it.
    cbExcelEnglish = Named(new QCheckBox(QStringLiteral("English"), panel), "cbExcelEnglish");
    grid->addWidget(cbExcelEnglish, 3, 3);
    grid->setColumnStretch(1, 1);
    return panel;
}

// --- following the main window ------------------------------------------------------------

void TfDistributions::DataFileChanged(const QString& valueTitle)
{
    m_valueTitle = valueTitle;
    m_profileY->setTitleText(valueTitle);
    m_profileStale = true;
    m_groupStale = true;
    // An open or active file always runs the link's handler next, which reports the
    // current row; a closed or disabled one does not, so the views are emptied here.
    if (isVisible() && !(m_link && m_link->isActive()))
        Refresh();
}

void TfDistributions::AgeGroupChanged()
{
    m_groupStale = true;
    if (isVisible())
        Refresh();
}

void TfDistributions::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    m_guard.run([this] { Refresh(); });
}

void TfDistributions::Refresh()
{
    if (!m_link || !m_link->isActive()) {
        m_profile = {};
        m_table = {};
        ClearProfileRuns();
        m_currentPoint.reset();
        PlaceCurrentMarker();
        lProfileNote->clear();
        m_group.reset();
        lGroup->setText(QStringLiteral("No selected data set."));
        ShowMessage(QStringLiteral("No selected data set."));
        m_profileStale = true;
        m_groupStale = true;
        return;
    }
    if (m_profileStale)
        RecomputeProfile();
    if (m_groupStale)
        RecomputeGroup();
}

void TfDistributions::ClearProfileRuns()
{
    for (QAbstractSeries* series : chProfile->series()) {
        if (series != ProfileCurrent) {
            chProfile->removeSeries(series);
            delete series;
        }
    }
    ProfileBands.clear();
    ProfileP50.clear();
    ProfileMean.clear();
}

// The profile uses the first fit (the GF) of every group for all four lines, so that the
// band, the median and the mean come from one model in every group, also where the file
// holds only some of the statistic fields (P05 and P95 are often missing).
void TfDistributions::RecomputeProfile()
{
    m_profileStale = false;
    m_profile = BuildAgeProfile(*m_link->table());

    // The series are made anew: a group without a value splits a line in two. The current
    // group's marker stays on top of them.
    ClearProfileRuns();
    chProfile->removeSeries(ProfileCurrent);
    auto add = [this](QAbstractSeries* series, bool first) {
        chProfile->addSeries(series);
        series->attachAxis(m_profileX);
        series->attachAxis(m_profileY);
        // One legend entry per line, not one per run.
        const QList<QLegendMarker*> markers = chProfile->legend()->markers(series);
        for (QLegendMarker* marker : markers)
            marker->setVisible(first);
    };
    const QList<QList<QPointF>> lower = AgeProfileRuns(m_profile, ProfileLine::P05);
    const QList<QList<QPointF>> upper = AgeProfileRuns(m_profile, ProfileLine::P95);
    for (qsizetype i = 0; i < std::min(lower.size(), upper.size()); ++i) {
        auto* band = new QAreaSeries;
        auto* p95 = new QLineSeries(band);
        auto* p05 = new QLineSeries(band);
        p95->replace(upper.at(i));
        p05->replace(lower.at(i));
        band->setUpperSeries(p95);
        band->setLowerSeries(p05);
        band->setName(QStringLiteral("P05 to P95"));
        band->setColor(QColor(0x1f, 0x4e, 0x9a, 60));
        band->setBorderColor(QColor(0x1f, 0x4e, 0x9a, 140));
        ProfileBands << band;
        add(band, i == 0);
    }
    const QList<QList<QPointF>> medians = AgeProfileRuns(m_profile, ProfileLine::P50);
    for (qsizetype i = 0; i < medians.size(); ++i) {
        auto* line = new QLineSeries;
        line->replace(medians.at(i));
        line->setName(QStringLiteral("P50"));
        line->setPen(QPen(QColor(0x1f, 0x4e, 0x9a), 2.5));
        line->setPointsVisible(true);
        ProfileP50 << line;
        add(line, i == 0);
    }
    const QList<QList<QPointF>> means = AgeProfileRuns(m_profile, ProfileLine::Mean);
    for (qsizetype i = 0; i < means.size(); ++i) {
        auto* line = new QLineSeries;
        line->replace(means.at(i));
        line->setName(QStringLiteral("mean"));
        line->setPen(QPen(QColor(0xd9, 0x5f, 0x02), 2, Qt::DashLine));
        ProfileMean << line;
        add(line, i == 0);
    }
    add(ProfileCurrent, true);

    double low = std::numeric_limits<double>::infinity();
    double high = -low;
    for (const QList<QList<QPointF>>* runs : {&lower, &upper, &medians, &means}) {
        for (const QList<QPointF>& run : *runs) {
            for (const QPointF& point : run) {
                low = std::min(low, point.y());
                high = std::max(high, point.y());
            }
        }
    }
    if (!m_profile.points.isEmpty()) {
        double left = m_profile.points.first().midpoint;
        double right = m_profile.points.last().midpoint;
        const double margin = right > left ? (right - left) * 0.05 : 1;
        // Ages start at 0: the margin does not reach below it.
        m_profileX->setRange(left >= 0 ? std::max(0.0, left - margin) : left - margin,
                             right + margin);
        m_profileX->applyNiceNumbers();
    }
    if (std::isfinite(low)) {
        if (!(high > low))
            high = low + std::max(1.0, std::abs(low));
        m_profileY->setRange(std::min(0.0, low), high + (high - low) * 0.05);
        m_profileY->applyNiceNumbers();
    }
    lProfileNote->setText(m_profile.note);
}

void TfDistributions::RecomputeGroup()
{
    ++m_recomputeCount;
    m_groupStale = false;
    const DataTable& file = *m_link->table();
    const int row = file.recNo() - 1;
    QString heading = QFileInfo(file.fileName()).fileName() +
                      QStringLiteral(", age group %1 of %2").arg(row + 1).arg(file.recordCount());
    QString failure;
    try {
        m_group.reset();
        m_group = AnalyseAgeGroup(file, row);
        heading += QStringLiteral(": ") + m_group->caption + QStringLiteral(", N = ") +
                   (m_group->n ? QString::number(*m_group->n) : QStringLiteral("unknown"));
        UpdateCurves();
        UpdateObservedPoints();
        UpdateShownView();
        FillTable();
        // The chart lays out its axes for the new labels now rather than after it has
        // been painted once, which would paint it a second time.
        if (auto* view = qobject_cast<QChartView*>(tabViews->currentWidget());
            view && view->chart()->layout())
            view->chart()->layout()->activate();
    } catch (const VeltraError& error) {
        failure = error.message();
    } catch (const std::exception& error) {
        failure = heading + QStringLiteral(": ") + QString::fromLocal8Bit(error.what());
    }
    lGroup->setText(heading);
    if (!failure.isEmpty()) {
        m_group.reset();
        ShowMessage(failure);
        ClearGroupViews();
    } else {
        pnCdf->setCurrentWidget(tabViews);
        // Clearing a label lays its window out anew, even when it holds no text.
        if (!lMessage->text().isEmpty())
            lMessage->clear();
    }
    UpdateProfileHighlight();
}

QString TfDistributions::MessageText() const
{
    return pnCdf->currentWidget() == lMessage ? lMessage->text() : QString();
}

void TfDistributions::ShowMessage(const QString& text)
{
    lMessage->setText(text);
    pnCdf->setCurrentWidget(lMessage);
    ClearGroupViews();
}

void TfDistributions::ClearGroupViews()
{
    SetCurveCount(0);
    ObservedPoints->clear();
    UnsupportedPoints->clear();
    tbFits->clear();
    tbFits->setRowCount(0);
    tbFits->setColumnCount(0);
    for (QLineEdit* edit : {eR, ePython, eAtRisk, eExcel})
        edit->clear();
    m_table = {};
    m_currentPoint.reset();
    PlaceCurrentMarker();
    lLegend->setEntries({});
}

// --- chart of distribution functions -------------------------------------------------------

void TfDistributions::SetCurveCount(int count)
{
    if (Curves.size() == count)
        return;
    // The observed points stay on top of the curves: they are added after them.
    chCdf->removeSeries(ObservedPoints);
    chCdf->removeSeries(UnsupportedPoints);
    while (Curves.size() > count) {
        delete Curves.takeLast();
        delete DensityCurves.takeLast();
        delete QqSeries.takeLast();
    }
    auto attach = [](QChart* chart, QAbstractSeries* series, QAbstractAxis* x, QAbstractAxis* y) {
        chart->addSeries(series);
        series->attachAxis(x);
        series->attachAxis(y);
    };
    while (Curves.size() < count) {
        auto* series = new QLineSeries;
        attach(chCdf, series, m_cdfX, m_cdfY);
        ConnectGuarded(series, &QLineSeries::hovered, this,
                       [this, series](const QPointF& point, bool state) {
                           const int fit = Curves.indexOf(series);
                           if (!state || fit < 0)
                               return;
                           ShowPointToolTip(CurveToolTip(fit, ValueAt(point.x())));
                       });
        Curves << series;
        auto* density = new QLineSeries;
        attach(chDensity, density, m_densityX, m_densityY);
        DensityCurves << density;
        auto* qq = new QScatterSeries;
        qq->setMarkerShape(QScatterSeries::MarkerShapeCircle);
        qq->setMarkerSize(8);
        attach(chQq, qq, m_qqX, m_qqY);
        ConnectGuarded(
            qq, &QScatterSeries::hovered, this, [this, qq](const QPointF& point, bool state) {
                const int fit = int(QqSeries.indexOf(qq));
                if (!state || fit < 0 || !m_group)
                    return;
                const QList<QqPoint> points = QuantileQuantilePoints(*m_group, fit);
                const double observed = ValueAt(point.x());
                const auto nearest = std::min_element(
                    points.cbegin(), points.cend(), [observed](const QqPoint& a, const QqPoint& b) {
                        return std::abs(a.observed - observed) < std::abs(b.observed - observed);
                    });
                if (nearest == points.cend())
                    return;
                ShowPointToolTip(
                    FitCurveName(m_group->fits.at(fit).fit()) + u'\n' + nearest->label +
                    QStringLiteral(": observed ") + ShownNumber(nearest->observed) +
                    QStringLiteral(", fitted ") + ShownNumber(nearest->fitted) +
                    (nearest->supported ? QString() : QStringLiteral(" (not supported by N)")));
            });
        QqSeries << qq;
    }
    for (QScatterSeries* series : {ObservedPoints, UnsupportedPoints})
        attach(chCdf, series, m_cdfX, m_cdfY);
}

double TfDistributions::AxisX(double x) const
{
    return cbLogX->isChecked() ? std::log10(x) : x;
}

double TfDistributions::ValueAt(double axisX) const
{
    return cbLogX->isChecked() ? std::pow(10.0, axisX) : axisX;
}

void TfDistributions::UpdateCurves()
{
    const QList<FitDistribution>& fits = m_group->fits;
    SetCurveCount(int(fits.size()));

    double low = std::numeric_limits<double>::infinity();
    double high = -low;
    auto widen = [&low, &high](double value) {
        if (std::isfinite(value)) {
            low = std::min(low, value);
            high = std::max(high, value);
        }
    };
    // The range of the fit whose median is the median of the fits' medians: the common
    // central part; a fit far wider or narrower than the others is clipped, not allowed to
    // squeeze them into a vertical line.
    QList<int> byMedian(fits.size());
    std::iota(byMedian.begin(), byMedian.end(), 0);
    std::stable_sort(byMedian.begin(), byMedian.end(),
                     [&fits](int a, int b) { return fits.at(a).median() < fits.at(b).median(); });
    if (!byMedian.isEmpty()) {
        const FitDistribution& middle = fits.at(byMedian.at((byMedian.size() - 1) / 2));
        widen(middle.quantile(LowestLevel));
        widen(middle.quantile(HighestLevel));
    }
    if (!std::isfinite(low)) {
        low = 0;
        high = 1;
    }
    if (!(high > low))
        high = low + std::max(1.0, std::abs(low));

    // A log scale starts at the smallest positive value in the range.
    const bool logX = cbLogX->isChecked();
    if (logX && low <= 0) {
        double from = high * 1e-3;
        for (const ObservedQuantile& point : std::as_const(m_group->observed)) {
            if (point.value > 0)
                from = std::min(from, point.value);
        }
        low = from;
    }
    if (logX && !(high > low))
        high = low * 10;
    m_low = low;
    m_high = high;

    QList<QPointF> points(CurvePoints);
    for (int i = 0; i < fits.size(); ++i) {
        const FitDistribution& fit = fits.at(i);
        for (int k = 0; k < CurvePoints; ++k) {
            const double t = double(k) / (CurvePoints - 1);
            const double x = logX ? low * std::pow(high / low, t) : low + (high - low) * t;
            points[k] = QPointF(AxisX(x), fit.drawnCdf(x));
        }
        QLineSeries* series = Curves.at(i);
        series->replace(points);
        // Names and pens are set only when they change: each setting repaints the chart
        // and lays it out again. The hidden views take the names when they are shown.
        const QString name = FitCurveName(fit.fit());
        if (series->name() != name)
            series->setName(name);
        // The GF curve is drawn bold: it is the model the other fits are limits of.
        const bool gf = fit.fit().family == FitFamily::GeneralF;
        const QPen pen(FitColour(i), gf ? 3.5 : 1.8);
        if (series->pen() != pen) {
            series->setPen(pen);
            DensityCurves.at(i)->setPen(pen);
            QqSeries.at(i)->setColor(FitColour(i));
            QqSeries.at(i)->setBorderColor(FitColour(i));
        }
    }
    if (m_cdfX->titleText() != m_valueTitle)
        m_cdfX->setTitleText(m_valueTitle);
    SetAxisTicks(m_cdfX, low, high, logX);
    m_densityStale = true;
    m_qqStale = true;
    UpdateLegend();
}

void TfDistributions::UpdateObservedPoints()
{
    QList<QPointF> supported, unsupported;
    const bool logX = cbLogX->isChecked();
    for (const ObservedQuantile& point : std::as_const(m_group->observed)) {
        if (logX && point.value <= 0)
            continue; // no place on a log scale
        (IsSupportedPercentile(point, m_group->n) ? supported : unsupported)
            << QPointF(AxisX(point.value), point.level);
    }
    ObservedPoints->replace(supported);
    UnsupportedPoints->replace(unsupported);
}

void TfDistributions::UpdateShownView()
{
    if (!m_group)
        return;
    if (tabViews->currentWidget() == cvDensity && m_densityStale)
        UpdateDensities();
    else if (tabViews->currentWidget() == cvQq && m_qqStale)
        UpdateQq();
}

void TfDistributions::UpdateDensities()
{
    m_densityStale = false;
    const QList<FitDistribution>& fits = m_group->fits;
    const bool logX = cbLogX->isChecked();
    QList<QPointF> points(CurvePoints);
    // The vertical range: the highest finite density inside the range of any fit, so that
    // a spike at the lower end (a shape below 1) is clipped rather than flattening the rest.
    double top = 0;
    for (int i = 0; i < fits.size(); ++i) {
        const FitDistribution& fit = fits.at(i);
        for (int k = 0; k < CurvePoints; ++k) {
            const double t = double(k) / (CurvePoints - 1);
            const double x =
                logX ? m_low * std::pow(m_high / m_low, t) : m_low + (m_high - m_low) * t;
            double f = fit.density(x);
            if (!std::isfinite(f))
                f = 0;
            else if (k > 0 && k < CurvePoints - 1)
                top = std::max(top, f);
            points[k] = QPointF(AxisX(x), f);
        }
        DensityCurves.at(i)->replace(points);
        if (DensityCurves.at(i)->name() != Curves.at(i)->name())
            DensityCurves.at(i)->setName(Curves.at(i)->name());
    }
    m_densityX->setTitleText(m_valueTitle);
    SetAxisTicks(m_densityX, m_low, m_high, logX);
    m_densityY->setRange(0, top > 0 ? top * 1.08 : 1);
    m_densityY->applyNiceNumbers();
}

void TfDistributions::UpdateQq()
{
    m_qqStale = false;
    const bool logScale = cbLogX->isChecked();
    double low = std::numeric_limits<double>::infinity();
    double high = -low;
    for (int i = 0; i < QqSeries.size(); ++i) {
        QList<QPointF> points;
        for (const QqPoint& point : QuantileQuantilePoints(*m_group, i)) {
            if (logScale && (point.observed <= 0 || point.fitted <= 0))
                continue;
            points << QPointF(AxisX(point.observed), AxisX(point.fitted));
            low = std::min({low, point.observed, point.fitted});
            high = std::max({high, point.observed, point.fitted});
        }
        QqSeries.at(i)->replace(points);
        if (QqSeries.at(i)->name() != Curves.at(i)->name())
            QqSeries.at(i)->setName(Curves.at(i)->name());
    }
    if (!std::isfinite(low)) {
        low = logScale ? 1 : 0;
        high = logScale ? 10 : 1;
    }
    // Equal axes, a little wider than the points, and the 1:1 line across them.
    if (logScale) {
        low /= 1.1;
        high *= 1.1;
    } else {
        const double margin = high > low ? (high - low) * 0.05 : std::max(1.0, std::abs(low));
        low -= margin;
        high += margin;
    }
    QqDiagonal->replace({QPointF(AxisX(low), AxisX(low)), QPointF(AxisX(high), AxisX(high))});
    m_qqX->setTitleText(QStringLiteral("observed ") + m_valueTitle);
    m_qqY->setTitleText(QStringLiteral("fitted ") + m_valueTitle);
    SetAxisTicks(m_qqX, low, high, logScale);
    SetAxisTicks(m_qqY, low, high, logScale);
}

void TfDistributions::UpdateLegend()
{
    // Two bars in the fit's colour for a curve; the entries wrap between each other.
    QList<LegendStrip::Entry> entries;
    const QString bars = QStringLiteral("\u25AC\u25AC");
    for (int i = 0; i < Curves.size(); ++i)
        entries.append({bars, FitColour(i), Curves.at(i)->name()});
    if (tabViews->currentWidget() == cvCdf) {
        entries.append({QStringLiteral("\u25CF"), QColor(), QStringLiteral("observed")});
        entries.append(
            {QStringLiteral("\u25CB"), QColor(), QStringLiteral("observed, N too small")});
    } else if (tabViews->currentWidget() == cvQq) {
        entries.append({QStringLiteral("- - -"), QColor(0x80, 0x80, 0x80), QStringLiteral("1:1")});
    }
    lLegend->setEntries(entries);
}

QString TfDistributions::CurveToolTip(int fit, double x) const
{
    if (!m_group || fit < 0 || fit >= m_group->fits.size())
        return QString();
    const FitDistribution& distribution = m_group->fits.at(fit);
    const double f = distribution.cdf(x);
    QString text = FitCurveName(distribution.fit()) + QStringLiteral("\nx = ") + ShownNumber(x) +
                   QStringLiteral("\nF(x) = ") + ShownNumber(f);
    const QList<ObservedQuantile>& observed = m_group->observed;
    const auto nearest =
        std::min_element(observed.cbegin(), observed.cend(),
                         [f](const ObservedQuantile& a, const ObservedQuantile& b) {
                             return std::abs(a.level - f) < std::abs(b.level - f);
                         });
    if (nearest != observed.cend())
        text += QStringLiteral("\nQ(%1) = %2 (observed %3 = %4)")
                    .arg(ShownNumber(nearest->level),
                         ShownNumber(distribution.quantile(nearest->level)), nearest->label,
                         ShownNumber(nearest->value));
    return text;
}

QString TfDistributions::ObservedToolTip(const ObservedQuantile& point) const
{
    QString text = point.label + QStringLiteral(" = ") + ShownNumber(point.value) +
                   QStringLiteral(" (level ") + ShownNumber(point.level) +
                   QStringLiteral(", from ") + point.source + u')';
    const std::optional<qint64> n = m_group ? m_group->n : std::nullopt;
    const std::optional<int> needed = MinimumObservations(point.level);
    if (point.source == u"MIN" || point.source == u"MAX" || !needed)
        text += u'\n' + point.label + QStringLiteral(": ") + OutsideGuidanceText;
    else if (!IsSupportedPercentile(point, n))
        text += u'\n' + point.label + QStringLiteral(" needs N ≥ ") + QString::number(*needed) +
                QStringLiteral("; N = ") + (n ? QString::number(*n) : QStringLiteral("unknown"));
    return text;
}

void TfDistributions::ShowPointToolTip(const QString& text)
{
    // Shown until the pointer leaves a small square around the point (or for a minute).
    QWidget* view = tabViews->currentWidget();
    const QPoint at = view->mapFromGlobal(QCursor::pos());
    QToolTip::showText(QCursor::pos(), text, view, QRect(at - QPoint(8, 8), QSize(16, 16)), 60000);
}

void TfDistributions::cbLogXClick()
{
    if (m_group) {
        UpdateCurves();
        UpdateObservedPoints();
        UpdateShownView();
    }
}

void TfDistributions::tabViewsChange()
{
    UpdateShownView();
    UpdateLegend();
}

// --- age profile ---------------------------------------------------------------------------

void TfDistributions::UpdateProfileHighlight()
{
    m_currentPoint.reset();
    if (m_link && m_link->isActive()) {
        const int row = m_link->table()->recNo() - 1;
        for (const AgeProfilePoint& point : std::as_const(m_profile.points)) {
            if (point.row == row) {
                if (point.p50)
                    m_currentPoint = QPointF(point.midpoint, *point.p50);
                break;
            }
        }
    }
    PlaceCurrentMarker();
}

void TfDistributions::PlaceCurrentMarker()
{
    if (!m_currentPoint) {
        m_currentMarker->hide();
        return;
    }
    const QPointF at = chProfile->mapToPosition(*m_currentPoint, ProfileCurrent);
    m_currentMarker->setRect(QRectF(at - QPointF(7, 7), QSizeF(14, 14)));
    m_currentMarker->show();
}

QRectF TfDistributions::CurrentMarkerRect() const
{
    return m_currentMarker->isVisible() ? m_currentMarker->rect() : QRectF();
}

void TfDistributions::ProfileClick(QPointF value)
{
    const QList<AgeProfilePoint>& points = m_profile.points;
    if (points.isEmpty() || !m_link || !m_link->isActive())
        return;
    const auto nearest = std::min_element(
        points.cbegin(), points.cend(),
        [&value](const AgeProfilePoint& a, const AgeProfilePoint& b) {
            return std::abs(a.midpoint - value.x()) < std::abs(b.midpoint - value.x());
        });
    // The main window follows the move through the data file's link, as it does for a
    // click on its own grid.
    m_link->table()->moveTo(nearest->row + 1);
}

bool TfDistributions::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == cvProfile->viewport() && event->type() == QEvent::MouseButtonRelease) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::LeftButton) {
            const QPointF scene = cvProfile->mapToScene(mouse->position().toPoint());
            const QPointF inChart = chProfile->mapFromScene(scene);
            if (chProfile->plotArea().contains(inChart)) {
                const QPointF value = chProfile->mapToValue(inChart, ProfileCurrent);
                m_guard.run([this, value] { ProfileClick(value); });
            }
        }
    }
    return QWidget::eventFilter(watched, event);
}

// --- table of fits and formulas ------------------------------------------------------------

QColor TfDistributions::DeviationColour(DeviationClass deviationClass)
{
    switch (deviationClass) {
    case DeviationClass::None:
        return QColor();
    case DeviationClass::Close:
        return Green;
    case DeviationClass::Moderate:
        return Amber;
    case DeviationClass::Far:
        return Red;
    }
    return QColor();
}

void TfDistributions::FillTable()
{
    const int keep = SelectedFit();
    m_table = BuildFitTable(*m_group, cbRankByDeviation->isChecked());
    const QList<QStringList> cells = FitTableCells(m_table);
    const QStringList& header = cells.first();
    const int deviationColumn = int(header.size()) - 1;

    const QSignalBlocker blocker(tbFits);
    // The same columns (the usual case from one age group to the next): the header stays.
    bool sameHeader = tbFits->columnCount() == header.size();
    for (int column = 0; sameHeader && column < header.size(); ++column) {
        const QTableWidgetItem* item = tbFits->horizontalHeaderItem(column);
        sameHeader = item && item->text() == header.at(column);
    }
    if (sameHeader) {
        tbFits->clearContents();
    } else {
        tbFits->clear();
        tbFits->setColumnCount(int(header.size()));
        tbFits->setHorizontalHeaderLabels(header);
    }
    tbFits->setRowCount(int(m_table.rows.size()));
    int selectRow = -1;
    for (int row = 0; row < m_table.rows.size(); ++row) {
        const FitTableRow& fit = m_table.rows.at(row);
        const QStringList& line = cells.at(row + 1);
        for (int column = 0; column < line.size(); ++column) {
            auto* item = new QTableWidgetItem(line.at(column));
            if (column == 0 || column == deviationColumn)
                item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            tbFits->setItem(row, column, item);
        }
        QTableWidgetItem* type = tbFits->item(row, 1);
        type->setData(Qt::UserRole, fit.fit);
        if (fit.fit >= 0)
            type->setForeground(FitColour(fit.fit));
        if (const QColor colour = DeviationColour(fit.deviationClass); colour.isValid())
            tbFits->item(row, deviationColumn)->setBackground(colour);
        if (fit.fit >= 0 && (selectRow < 0 || fit.fit == keep))
            selectRow = row;
    }
    tbFits->resizeColumnsToContents();

    // The selection stays on the same fit; the first computable one is selected otherwise.
    if (selectRow >= 0) {
        tbFits->selectRow(selectRow);
        ShowFormulas(m_table.rows.at(selectRow).fit);
    } else {
        ShowFormulas(-1);
    }
}

int TfDistributions::SelectedFit() const
{
    const QList<QTableWidgetItem*> items = tbFits->selectedItems();
    if (items.isEmpty())
        return -1;
    const QTableWidgetItem* type = tbFits->item(items.first()->row(), 1);
    return type ? type->data(Qt::UserRole).toInt() : -1;
}

void TfDistributions::ShowFormulas(int fit)
{
    if (!m_group || fit < 0 || fit >= m_group->fits.size()) {
        for (QLineEdit* edit : {eR, ePython, eAtRisk, eExcel})
            edit->clear();
        return;
    }
    const FitDistribution& distribution = m_group->fits.at(fit);
    eR->setText(RFormula(distribution.fit()));
    ePython->setText(PythonFormula(distribution.fit()));
    eAtRisk->setText(AtRiskFormula(distribution));
    eExcel->setText(ExcelFormula(
        distribution.fit(), cbExcelEnglish->isChecked() ? ExcelForm::English : ExcelForm::Local));
    for (QLineEdit* edit : {eR, ePython, eAtRisk, eExcel})
        edit->setCursorPosition(0);
}

void TfDistributions::tbFitsSelectionChange()
{
    ShowFormulas(SelectedFit());
}

void TfDistributions::cbRankByDeviationClick()
{
    if (m_group)
        FillTable();
}

void TfDistributions::CopyToClipboard(const QLineEdit* edit)
{
    QGuiApplication::clipboard()->setText(edit->text());
}

void TfDistributions::bCopyRClick()
{
    CopyToClipboard(eR);
}

void TfDistributions::bCopyPythonClick()
{
    CopyToClipboard(ePython);
}

void TfDistributions::bCopyAtRiskClick()
{
    CopyToClipboard(eAtRisk);
}

void TfDistributions::bCopyExcelClick()
{
    CopyToClipboard(eExcel);
}

void TfDistributions::cbExcelEnglishClick()
{
    ShowFormulas(SelectedFit());
}

QStringList TfDistributions::CsvLines() const
{
    return FitTableCsvLines(m_table);
}

QList<QStringList> TfDistributions::TableCells() const
{
    QList<QStringList> cells;
    QStringList header;
    for (int column = 0; column < tbFits->columnCount(); ++column) {
        const QTableWidgetItem* item = tbFits->horizontalHeaderItem(column);
        header << (item ? item->text() : QString());
    }
    cells << header;
    for (int row = 0; row < tbFits->rowCount(); ++row) {
        QStringList line;
        for (int column = 0; column < tbFits->columnCount(); ++column) {
            const QTableWidgetItem* item = tbFits->item(row, column);
            line << (item ? item->text() : QString());
        }
        cells << line;
    }
    return cells;
}

// --- exports -------------------------------------------------------------------------------

QList<QWidget*> TfDistributions::ExportParts(QChartView* view) const
{
    if (view == cvProfile)
        return {cvProfile};
    return {tabViews->currentWidget(), lLegend};
}

void TfDistributions::SaveChartPng(QChartView* view, const QString& initialName)
{
    const QString name = Dialogs::AskFileName(this, Dialogs::FileMode::Save, sdPng, initialName);
    if (name.isEmpty())
        return;
    // The chart with its legend below it, on white.
    const QList<QWidget*> parts = ExportParts(view);
    int width = 0;
    int height = 0;
    for (const QWidget* part : parts) {
        width = std::max(width, part->width());
        height += part->height();
    }
    QImage image(std::max(width, 1), std::max(height, 1), QImage::Format_ARGB32);
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        int top = 0;
        for (QWidget* part : parts) {
            painter.drawImage(0, top, part->grab().toImage());
            top += part->height();
        }
    }
    QBuffer buffer;
    buffer.open(QIODevice::ReadWrite);
    QImageWriter writer(&buffer, "png");
    if (!writer.write(image))
        throw VeltraError(WriteFailureMessage(name, writer.errorString()));
    WriteFileOrThrow(name, buffer.data());
}

void TfDistributions::SaveChartPdf(QChartView* view, const QString& initialName)
{
    const QString name = Dialogs::AskFileName(this, Dialogs::FileMode::Save, sdPdf, initialName);
    if (name.isEmpty())
        return;
    const QList<QWidget*> parts = ExportParts(view);
    QBuffer buffer;
    buffer.open(QIODevice::ReadWrite);
    {
        QPdfWriter pdf(&buffer);
        pdf.setCreator(QStringLiteral("Veltra"));
        pdf.setTitle(view == cvProfile ? chProfile->title()
                                       : static_cast<QChartView*>(parts.first())->chart()->title());
        pdf.setPageSize(QPageSize(QPageSize::A4));
        pdf.setPageOrientation(QPageLayout::Landscape);
        QPainter painter(&pdf);
        if (!painter.isActive())
            throw VeltraError(WriteFailureMessage(name, QStringLiteral("no PDF page")));
        // The chart as vector graphics, as large as the page allows at its own shape, and
        // the legend below it at the same scale.
        int width = 0;
        int height = 0;
        for (const QWidget* part : parts) {
            width = std::max(width, part->width());
            height += part->height();
        }
        const QRect page = painter.viewport();
        const QSize size =
            QSize(std::max(width, 1), std::max(height, 1)).scaled(page.size(), Qt::KeepAspectRatio);
        const double scale = double(size.width()) / std::max(width, 1);
        painter.scale(scale, scale);
        int top = 0;
        for (QWidget* part : parts) {
            part->render(&painter, QPoint(0, top), QRegion(), QWidget::DrawChildren);
            top += part->height();
        }
    }
    WriteFileOrThrow(name, buffer.data());
}

void TfDistributions::bCdfPngClick()
{
    SaveChartPng(cvCdf, QStringLiteral("distributions.png"));
}

void TfDistributions::bCdfPdfClick()
{
    SaveChartPdf(cvCdf, QStringLiteral("distributions.pdf"));
}

void TfDistributions::bProfilePngClick()
{
    SaveChartPng(cvProfile, QStringLiteral("age-profile.png"));
}

void TfDistributions::bProfilePdfClick()
{
    SaveChartPdf(cvProfile, QStringLiteral("age-profile.pdf"));
}

void TfDistributions::bTableCsvClick()
{
    const QString name =
        Dialogs::AskFileName(this, Dialogs::FileMode::Save, sdCsv, QStringLiteral("fits.csv"));
    if (name.isEmpty())
        return;
    WriteTextLines(name, CsvLines());
}

} // namespace veltra
