#include "convert/ui/fDistributions.h"

#include "app/ui/widgets/GuardedHandler.h"
#include "convert/FitFormulas.h"
#include "convert/FitSummary.h"
#include "data/DataSource.h"
#include "data/DataTable.h"
#include "tables/TableExport.h"
#include "util/NumberFormat.h"
#include "util/SafeFile.h"
#include "util/VeltraError.h"

#include <QAreaSeries>
#include <QBuffer>
#include <QChart>
#include <QChartView>
#include <QCheckBox>
#include <QClipboard>
#include <QCursor>
#include <QFileInfo>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QImageWriter>
#include <QLabel>
#include <QLegend>
#include <QLineEdit>
#include <QLineSeries>
#include <QLogValueAxis>
#include <QMouseEvent>
#include <QPainter>
#include <QPdfWriter>
#include <QPushButton>
#include <QScatterSeries>
#include <QSplitter>
#include <QStackedWidget>
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

template <typename Control> Control* Named(Control* control, const char* name)
{
    control->setObjectName(QLatin1String(name));
    return control;
}

// The colour of the n-th fit, the same in the chart and the table.
QColor FitColour(int fit)
{
    static const QColor colours[] = {QColor(0x1f, 0x4e, 0x9a), QColor(0xd9, 0x5f, 0x02),
                                     QColor(0x1b, 0x9e, 0x77), QColor(0x75, 0x70, 0xb3),
                                     QColor(0xe7, 0x29, 0x8a), QColor(0x66, 0x66, 0x66)};
    return colours[fit % int(std::size(colours))];
}

QString CurveName(const GfFit& fit)
{
    if (fit.fitLabel.isEmpty())
        return fit.typeName;
    return fit.typeName + QStringLiteral(" (") + fit.fitLabel + QStringLiteral(" = ") +
           ShownNumber(fit.fitStatistic) + u')';
}

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
    lGroup = Named(new QLabel(this), "lGroup");
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
    buildCdfChart();
    lMessage = Named(new QLabel(pnCdf), "lMessage");
    lMessage->setAlignment(Qt::AlignCenter);
    lMessage->setWordWrap(true);
    pnCdf->addWidget(cvCdf);
    pnCdf->addWidget(lMessage);
    cdfBox->addWidget(pnCdf, 1);
    auto* cdfButtons = new QHBoxLayout;
    cbLogX = Named(new QCheckBox(QStringLiteral("log x"), cdfColumn), "cbLogX");
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
    auto* profileButtons = new QHBoxLayout;
    lProfileNote = Named(new QLabel(profileColumn), "lProfileNote");
    bProfilePng = Button(profileColumn, "bProfilePng", QStringLiteral("PNG..."));
    bProfilePdf = Button(profileColumn, "bProfilePdf", QStringLiteral("PDF..."));
    profileButtons->addWidget(lProfileNote, 1);
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

// The horizontal axis not in use is a child of the window (the chart owns the other).
TfDistributions::~TfDistributions() = default;

void TfDistributions::buildCdfChart()
{
    chCdf = new QChart;
    chCdf->setTitle(QStringLiteral("Distribution functions over the observed quantiles"));
    // On the right: a legend below the plot cuts the names of five or more fits.
    chCdf->legend()->setAlignment(Qt::AlignRight);
    m_cdfX = new QValueAxis;
    m_cdfX->setTitleText(QStringLiteral("Value"));
    m_cdfX->setLabelFormat(QStringLiteral("%g"));
    m_cdfLogX = new QLogValueAxis(this);
    m_cdfLogX->setTitleText(QStringLiteral("Value (log scale)"));
    m_cdfLogX->setLabelFormat(QStringLiteral("%g"));
    m_cdfLogX->setBase(10);
    m_cdfLogX->setMinorTickCount(8);
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
        ConnectGuarded(series, &QScatterSeries::hovered, this,
                       [this](const QPointF& point, bool state) {
                           if (!state || !m_group)
                               return;
                           // The observed point under the cursor: the nearest in level.
                           const QList<ObservedQuantile>& observed = m_group->observed;
                           const auto nearest = std::min_element(
                               observed.cbegin(), observed.cend(),
                               [&point](const ObservedQuantile& a, const ObservedQuantile& b) {
                                   return std::hypot(a.level - point.y(), a.value - point.x()) <
                                          std::hypot(b.level - point.y(), b.value - point.x());
                               });
                           if (nearest != observed.cend())
                               ShowPointToolTip(ObservedToolTip(*nearest));
                       });
    }
    cvCdf = Named(new QChartView(chCdf), "cvCdf");
    cvCdf->setRenderHint(QPainter::Antialiasing);
    cvCdf->setMinimumSize(420, 320);
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
    m_profileY->setTitleText(QStringLiteral("Value"));
    m_profileY->setLabelFormat(QStringLiteral("%g"));
    chProfile->addAxis(m_profileX, Qt::AlignBottom);
    chProfile->addAxis(m_profileY, Qt::AlignLeft);

    // The band's edges belong to the band.
    ProfileBand = new QAreaSeries;
    ProfileP95 = new QLineSeries(ProfileBand);
    ProfileP05 = new QLineSeries(ProfileBand);
    ProfileBand->setUpperSeries(ProfileP95);
    ProfileBand->setLowerSeries(ProfileP05);
    ProfileBand->setName(QStringLiteral("P05 to P95"));
    ProfileBand->setColor(QColor(0x1f, 0x4e, 0x9a, 60));
    ProfileBand->setBorderColor(QColor(0x1f, 0x4e, 0x9a, 140));
    ProfileP50 = new QLineSeries;
    ProfileP50->setName(QStringLiteral("P50"));
    ProfileP50->setPen(QPen(QColor(0x1f, 0x4e, 0x9a), 2.5));
    ProfileP50->setPointsVisible(true);
    ProfileMean = new QLineSeries;
    ProfileMean->setName(QStringLiteral("mean"));
    ProfileMean->setPen(QPen(QColor(0xd9, 0x5f, 0x02), 2, Qt::DashLine));
    ProfileCurrent = new QScatterSeries;
    ProfileCurrent->setName(QStringLiteral("current group"));
    ProfileCurrent->setMarkerShape(QScatterSeries::MarkerShapeRectangle);
    ProfileCurrent->setMarkerSize(14);
    ProfileCurrent->setColor(QColor(0xe7, 0x29, 0x8a));
    ProfileCurrent->setBorderColor(Qt::black);
    for (QAbstractSeries* series : std::initializer_list<QAbstractSeries*>{
             ProfileBand, ProfileP50, ProfileMean, ProfileCurrent}) {
        chProfile->addSeries(series);
        series->attachAxis(m_profileX);
        series->attachAxis(m_profileY);
    }
    cvProfile = Named(new QChartView(chProfile), "cvProfile");
    cvProfile->setRenderHint(QPainter::Antialiasing);
    cvProfile->setMinimumSize(420, 320);
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

void TfDistributions::DataFileChanged()
{
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
        for (QLineSeries* series : {ProfileP05, ProfileP50, ProfileP95, ProfileMean})
            series->clear();
        ProfileCurrent->clear();
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

// The profile uses the first fit (the GF) of every group for all four lines, so that the
// band, the median and the mean come from one model in every group, also where the file
// holds only some of the statistic fields (P05 and P95 are often missing).
void TfDistributions::RecomputeProfile()
{
    m_profileStale = false;
    m_profile = BuildAgeProfile(*m_link->table());

    QList<QPointF> p05, p50, p95, mean;
    double low = std::numeric_limits<double>::infinity();
    double high = -low;
    auto add = [&low, &high](QList<QPointF>& line, double x, const std::optional<double>& y) {
        if (!y)
            return;
        line << QPointF(x, *y);
        low = std::min(low, *y);
        high = std::max(high, *y);
    };
    for (const AgeProfilePoint& point : std::as_const(m_profile.points)) {
        // The band needs both edges at every age.
        if (point.p05 && point.p95) {
            add(p05, point.midpoint, point.p05);
            add(p95, point.midpoint, point.p95);
        }
        add(p50, point.midpoint, point.p50);
        add(mean, point.midpoint, point.mean);
    }
    ProfileP05->replace(p05);
    ProfileP50->replace(p50);
    ProfileP95->replace(p95);
    ProfileMean->replace(mean);
    if (!m_profile.points.isEmpty()) {
        double left = m_profile.points.first().midpoint;
        double right = m_profile.points.last().midpoint;
        const double margin = right > left ? (right - left) * 0.05 : 1;
        // Ages start at 0: the margin does not reach below it.
        m_profileX->setRange(left >= 0 ? std::max(0.0, left - margin) : left - margin,
                             right + margin);
        m_profileX->applyNiceNumbers();
        if (std::isfinite(low)) {
            if (!(high > low))
                high = low + std::max(1.0, std::abs(low));
            m_profileY->setRange(std::min(0.0, low), high + (high - low) * 0.05);
            m_profileY->applyNiceNumbers();
        }
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
        FillTable();
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
        pnCdf->setCurrentWidget(cvCdf);
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
    ProfileCurrent->clear();
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
        QLineSeries* series = Curves.takeLast();
        chCdf->removeSeries(series);
        delete series;
    }
    QAbstractAxis* x = cbLogX->isChecked() ? static_cast<QAbstractAxis*>(m_cdfLogX) : m_cdfX;
    while (Curves.size() < count) {
        auto* series = new QLineSeries;
        chCdf->addSeries(series);
        series->attachAxis(x);
        series->attachAxis(m_cdfY);
        ConnectGuarded(series, &QLineSeries::hovered, this,
                       [this, series](const QPointF& point, bool state) {
                           const int fit = Curves.indexOf(series);
                           // Leaving the curve by a pixel does not hide the tip: it stays
                           // while the pointer is near the point.
                           if (!state || fit < 0)
                               return;
                           ShowPointToolTip(CurveToolTip(fit, point.x()));
                       });
        Curves << series;
    }
    for (QScatterSeries* series : {ObservedPoints, UnsupportedPoints}) {
        chCdf->addSeries(series);
        series->attachAxis(x);
        series->attachAxis(m_cdfY);
    }
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
    m_low = low;
    m_high = high;

    // A log scale starts at the smallest positive value in the range.
    const bool logX = cbLogX->isChecked();
    double from = low;
    if (logX && from <= 0) {
        from = high * 1e-3;
        for (const ObservedQuantile& point : std::as_const(m_group->observed)) {
            if (point.value > 0)
                from = std::min(from, point.value);
        }
    }
    QList<QPointF> points(CurvePoints);
    for (int i = 0; i < fits.size(); ++i) {
        const FitDistribution& fit = fits.at(i);
        for (int k = 0; k < CurvePoints; ++k) {
            const double t = double(k) / (CurvePoints - 1);
            const double x = logX ? from * std::pow(high / from, t) : from + (high - from) * t;
            points[k] = QPointF(x, fit.cdf(x));
        }
        QLineSeries* series = Curves.at(i);
        series->replace(points);
        series->setName(CurveName(fit.fit()));
        // The GF curve is drawn bold: it is the model the other fits are limits of.
        const bool gf = fit.fit().family == FitFamily::GeneralF;
        series->setPen(QPen(FitColour(i), gf ? 3.5 : 1.8));
    }
    if (logX) {
        m_cdfLogX->setRange(from, high);
    } else {
        m_cdfX->setRange(from, high);
        m_cdfX->applyNiceNumbers();
    }
}

void TfDistributions::UpdateObservedPoints()
{
    QList<QPointF> supported, unsupported;
    const bool logX = cbLogX->isChecked();
    for (const ObservedQuantile& point : std::as_const(m_group->observed)) {
        if (logX && point.value <= 0)
            continue; // no place on a log scale
        (IsSupportedPercentile(point, m_group->n) ? supported : unsupported)
            << QPointF(point.value, point.level);
    }
    ObservedPoints->replace(supported);
    UnsupportedPoints->replace(unsupported);
}

QString TfDistributions::CurveToolTip(int fit, double x) const
{
    if (!m_group || fit < 0 || fit >= m_group->fits.size())
        return QString();
    const FitDistribution& distribution = m_group->fits.at(fit);
    const double f = distribution.cdf(x);
    QString text = CurveName(distribution.fit()) + QStringLiteral("\nx = ") + ShownNumber(x) +
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
    const QPoint at = cvCdf->mapFromGlobal(QCursor::pos());
    QToolTip::showText(QCursor::pos(), text, cvCdf, QRect(at - QPoint(8, 8), QSize(16, 16)), 60000);
}

void TfDistributions::cbLogXClick()
{
    const bool logX = cbLogX->isChecked();
    QAbstractAxis* old = logX ? static_cast<QAbstractAxis*>(m_cdfX) : m_cdfLogX;
    QAbstractAxis* now = logX ? static_cast<QAbstractAxis*>(m_cdfLogX) : m_cdfX;
    chCdf->removeAxis(old);
    old->setParent(this);
    chCdf->addAxis(now, Qt::AlignBottom);
    for (QAbstractSeries* series : chCdf->series())
        series->attachAxis(now);
    if (m_group) {
        UpdateCurves();
        UpdateObservedPoints();
    }
}

// --- age profile ---------------------------------------------------------------------------

void TfDistributions::UpdateProfileHighlight()
{
    ProfileCurrent->clear();
    if (!m_link || !m_link->isActive())
        return;
    const int row = m_link->table()->recNo() - 1;
    for (const AgeProfilePoint& point : std::as_const(m_profile.points)) {
        if (point.row == row) {
            if (point.p50)
                ProfileCurrent->append(point.midpoint, *point.p50);
            break;
        }
    }
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
                const QPointF value = chProfile->mapToValue(inChart, ProfileP50);
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
    tbFits->clear();
    tbFits->setColumnCount(int(header.size()));
    tbFits->setHorizontalHeaderLabels(header);
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

void TfDistributions::SaveChartPng(QChartView* view, const QString& initialName)
{
    const QString name = Dialogs::AskFileName(this, Dialogs::FileMode::Save, sdPng, initialName);
    if (name.isEmpty())
        return;
    const QImage image = view->grab().toImage();
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
    QBuffer buffer;
    buffer.open(QIODevice::ReadWrite);
    {
        QPdfWriter pdf(&buffer);
        pdf.setCreator(QStringLiteral("Veltra"));
        pdf.setTitle(view->chart()->title());
        pdf.setPageSize(QPageSize(QPageSize::A4));
        pdf.setPageOrientation(QPageLayout::Landscape);
        QPainter painter(&pdf);
        if (!painter.isActive())
            throw VeltraError(WriteFailureMessage(name, QStringLiteral("no PDF page")));
        // The chart as vector graphics, as large as the page allows at its own shape.
        const QRect page = painter.viewport();
        const QSize size = view->size().scaled(page.size(), Qt::KeepAspectRatio);
        view->render(&painter, QRectF(page.topLeft(), size), QRect(), Qt::KeepAspectRatio);
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
