#include "scenario/ui/fScenario.h"

#include "scenario/Formula.h"
#include "scenario/SimulationOutput.h"
#include "util/SafeFile.h"
#include "util/VeltraError.h"
#include "widgets/Dialogs.h"
#include "widgets/GuardedHandler.h"

#include <QAreaSeries>
#include <QChart>
#include <QChartView>
#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QLineSeries>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QSplitter>
#include <QTableWidget>
#include <QThread>
#include <QTimer>
#include <QVBoxLayout>
#include <QValueAxis>
#include <cmath>

namespace veltra {

namespace {

const FileDialogSettings ScenarioFiles{QStringLiteral("Scenario"), QStringLiteral("vscenario.json"),
                                       QStringLiteral("Scenario|*.vscenario.json|All|*.*"), true};

QPushButton* Button(const char* name, const QString& caption, QWidget* parent)
{
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(QLatin1String(name));
    return button;
}

QString InputKind(const ScenarioInput& input)
{
    switch (input.kind) {
    case ScenarioInput::Kind::Database:
        return QStringLiteral("ID %1%2, %3")
            .arg(input.parameterId)
            .arg(input.group ? QStringLiteral(" group %1").arg(*input.group) : QString())
            .arg(input.fit);
    case ScenarioInput::Kind::Constant:
        return QStringLiteral("constant %1").arg(input.constant);
    case ScenarioInput::Kind::Distribution: {
        QStringList parameters;
        for (auto it = input.parameters.begin(); it != input.parameters.end(); ++it)
            parameters << it.key() + QStringLiteral(" = ") + QString::number(it.value());
        return input.distribution + u'(' + parameters.join(QStringLiteral(", ")) + u')';
    }
    }
    return QString();
}

} // namespace

TfScenario::TfScenario(const ErrorGuard& guard, QString databaseDir, QWidget* parent)
    : QWidget(parent, Qt::Window), m_guard(guard), m_databaseDir(std::move(databaseDir))
{
    setObjectName(QStringLiteral("fScenario"));
    setWindowTitle(QStringLiteral("Scenario"));
    resize(1000, 760);

    auto* top = new QHBoxLayout;
    QPushButton* bOpen = Button("bOpen", QStringLiteral("&Open..."), this);
    QPushButton* bSave = Button("bSave", QStringLiteral("&Save..."), this);
    QPushButton* bExport = Button("bExportCsv", QStringLiteral("Export &CSV..."), this);
    bRun = Button("bRun", QStringLiteral("&Run"), this);
    bCancel = Button("bCancel", QStringLiteral("Cance&l"), this);
    bCancel->setEnabled(false);
    pbProgress = new QProgressBar(this);
    pbProgress->setObjectName(QStringLiteral("pbProgress"));
    pbProgress->setRange(0, 1000);
    for (QWidget* widget : {static_cast<QWidget*>(bOpen), static_cast<QWidget*>(bSave),
                            static_cast<QWidget*>(bExport), static_cast<QWidget*>(bRun),
                            static_cast<QWidget*>(bCancel), static_cast<QWidget*>(pbProgress)})
        top->addWidget(widget);

    auto* form = new QFormLayout;
    eFormula = new QLineEdit(this);
    eFormula->setObjectName(QStringLiteral("eFormula"));
    lFormulaCheck = new QLabel(this);
    lFormulaCheck->setObjectName(QStringLiteral("lFormulaCheck"));
    seIterations = new QSpinBox(this);
    seIterations->setObjectName(QStringLiteral("seIterations"));
    seIterations->setRange(1, int(std::min<qint64>(Scenario::MaxIterations, 100'000'000)));
    eSeed = new QLineEdit(this);
    eSeed->setObjectName(QStringLiteral("eSeed"));
    cbSampling = new QComboBox(this);
    cbSampling->setObjectName(QStringLiteral("cbSampling"));
    cbSampling->addItems({QStringLiteral("lhs"), QStringLiteral("random")});
    form->addRow(QStringLiteral("&Formula:"), eFormula);
    form->addRow(QString(), lFormulaCheck);
    form->addRow(QStringLiteral("&Iterations:"), seIterations);
    form->addRow(QStringLiteral("S&eed:"), eSeed);
    form->addRow(QStringLiteral("Sam&pling:"), cbSampling);

    tInputs = new QTableWidget(0, 2, this);
    tInputs->setObjectName(QStringLiteral("tInputs"));
    tInputs->setHorizontalHeaderLabels({QStringLiteral("Input"), QStringLiteral("Drawn from")});
    tInputs->horizontalHeader()->setStretchLastSection(true);
    tInputs->setEditTriggers(QAbstractItemView::NoEditTriggers);

    tResults = new QTableWidget(this);
    tResults->setObjectName(QStringLiteral("tResults"));
    tResults->setEditTriggers(QAbstractItemView::NoEditTriggers);

    cvProfile = new QChartView(new QChart, this);
    cvProfile->setObjectName(QStringLiteral("cvProfile"));
    cvProfile->setRenderHint(QPainter::Antialiasing);
    cvProfile->setMinimumHeight(300);

    auto* splitter = new QSplitter(Qt::Vertical, this);
    splitter->addWidget(tInputs);
    splitter->addWidget(tResults);
    splitter->addWidget(cvProfile);
    splitter->setStretchFactor(2, 2);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(form);
    layout->addWidget(splitter, 1);

    m_poll = new QTimer(this);
    m_poll->setInterval(50);
    connect(m_poll, &QTimer::timeout, this,
            [this] { pbProgress->setValue(int(std::lround(m_progress.load() * 1000))); });

    ConnectGuarded(bOpen, &QPushButton::clicked, this, &TfScenario::OpenClick);
    ConnectGuarded(bSave, &QPushButton::clicked, this, &TfScenario::SaveClick);
    ConnectGuarded(bExport, &QPushButton::clicked, this, &TfScenario::ExportCsvClick);
    ConnectGuarded(bRun, &QPushButton::clicked, this, &TfScenario::RunClick);
    ConnectGuarded(bCancel, &QPushButton::clicked, this, &TfScenario::CancelClick);
    ConnectGuarded(eFormula, &QLineEdit::textChanged, this, &TfScenario::FormulaEdited);
}

TfScenario::~TfScenario()
{
    if (m_worker) {
        m_cancel = true;
        m_worker->wait();
        delete m_worker;
    }
}

void TfScenario::SetScenario(const Scenario& scenario)
{
    m_scenario = scenario;
    setWindowTitle(QStringLiteral("Scenario - ") + scenario.name);
    eFormula->setText(scenario.formula);
    seIterations->setValue(int(std::min<qint64>(scenario.iterations, seIterations->maximum())));
    eSeed->setText(QString::number(scenario.seed));
    cbSampling->setCurrentIndex(scenario.sampling == Sampling::LatinHypercube ? 0 : 1);
    tInputs->setRowCount(int(scenario.inputs.size()));
    for (int i = 0; i < scenario.inputs.size(); ++i) {
        tInputs->setItem(i, 0, new QTableWidgetItem(scenario.inputs.at(i).name));
        tInputs->setItem(i, 1, new QTableWidgetItem(InputKind(scenario.inputs.at(i))));
    }
    FormulaEdited();
}

Scenario TfScenario::CurrentScenario() const
{
    Scenario scenario = m_scenario;
    scenario.formula = eFormula->text();
    scenario.iterations = seIterations->value();
    bool ok = false;
    const quint64 seed = eSeed->text().trimmed().toULongLong(&ok);
    if (!ok || seed > (quint64(1) << 53))
        throw VeltraError(QStringLiteral("Seed: a whole number from 0 to 2^53 is needed"));
    scenario.seed = seed;
    scenario.sampling =
        cbSampling->currentIndex() == 0 ? Sampling::LatinHypercube : Sampling::Random;
    return scenario;
}

QString TfScenario::FormulaMessage() const
{
    return lFormulaCheck->text();
}

void TfScenario::FormulaEdited()
{
    QStringList names;
    for (const ScenarioInput& input : m_scenario.inputs)
        names << input.name;
    lFormulaCheck->setText(CheckFormula(eFormula->text(), names, {}));
}

void TfScenario::OpenClick()
{
    const QString path =
        Dialogs::AskFileName(this, Dialogs::FileMode::Open, ScenarioFiles, QString());
    if (path.isEmpty())
        return;
    SetScenario(ReadScenarioFile(path));
}

void TfScenario::SaveClick()
{
    const Scenario scenario = CurrentScenario();
    const QString path =
        Dialogs::AskFileName(this, Dialogs::FileMode::Save, ScenarioFiles, scenario.name);
    if (path.isEmpty())
        return;
    WriteScenarioFile(path, scenario);
}

void TfScenario::ExportCsvClick()
{
    if (!m_result)
        throw VeltraError(QStringLiteral("There is no result to export yet"));
    const QString path =
        Dialogs::AskFileName(this, Dialogs::FileMode::Save,
                             {QStringLiteral("Export results"), QStringLiteral("csv"),
                              QStringLiteral("CSV|*.csv|All|*.*"), true},
                             QString());
    if (path.isEmpty())
        return;
    const QString error = WriteFileSafely(path, SimulationCsv(*m_result));
    if (!error.isEmpty())
        throw VeltraError(path + QStringLiteral(": cannot be written: ") + error);
}

void TfScenario::RunClick()
{
    if (m_worker)
        return;
    if (m_scenario.inputs.isEmpty())
        throw VeltraError(QStringLiteral("Open a scenario first"));
    const Scenario scenario = CurrentScenario();
    RunOptions options;
    options.threads = std::max(1, QThread::idealThreadCount());
    options.databaseDir = m_databaseDir;
    options.cancel = &m_cancel;
    options.progress = [this](double share) { m_progress = share; };
    m_cancel = false;
    m_progress = 0;
    m_pending.reset();
    m_pendingError.clear();
    m_worker = QThread::create([this, scenario, options] {
        try {
            m_pending = RunScenario(scenario, options);
        } catch (const VeltraError& error) {
            m_pendingError = error.message();
        } catch (const std::exception& error) {
            m_pendingError = QString::fromLocal8Bit(error.what());
        }
    });
    connect(m_worker, &QThread::finished, this, [this] { m_guard.run([this] { RunFinished(); }); });
    bRun->setEnabled(false);
    bCancel->setEnabled(true);
    m_poll->start();
    m_worker->start();
}

void TfScenario::CancelClick()
{
    m_cancel = true;
}

void TfScenario::RunFinished()
{
    m_worker->wait();
    m_worker->deleteLater();
    m_worker = nullptr;
    m_poll->stop();
    bRun->setEnabled(true);
    bCancel->setEnabled(false);
    pbProgress->setValue(m_pending && !m_pending->cancelled ? 1000 : 0);
    if (!m_pendingError.isEmpty())
        throw VeltraError(m_pendingError);
    if (m_pending && !m_pending->cancelled) {
        m_result = std::move(m_pending);
        ShowResult();
    }
}

void TfScenario::ShowResult()
{
    const QStringList header = SimulationTableHeader();
    const QList<QStringList> rows = SimulationTableRows(*m_result);
    tResults->clear();
    tResults->setColumnCount(int(header.size()));
    tResults->setRowCount(int(rows.size()));
    tResults->setHorizontalHeaderLabels(header);
    for (int r = 0; r < rows.size(); ++r)
        for (int c = 0; c < rows.at(r).size(); ++c) {
            QString text = rows.at(r).at(c);
            bool number = false;
            const double value = text.toDouble(&number);
            if (number && c >= 2)
                text = QString::number(value, 'g', 6);
            tResults->setItem(r, c, new QTableWidgetItem(text));
        }
    tResults->resizeColumnsToContents();

    // The age profile: the P05-P95 band, P50 and the mean over the groups' mid-ages.
    auto* chart = new QChart;
    auto* low = new QLineSeries;
    auto* high = new QLineSeries;
    auto* median = new QLineSeries;
    auto* mean = new QLineSeries;
    median->setName(QStringLiteral("P50"));
    mean->setName(QStringLiteral("mean"));
    const qsizetype p05 = SimulationLevels.indexOf(0.05);
    const qsizetype p50 = SimulationLevels.indexOf(0.5);
    const qsizetype p95 = SimulationLevels.indexOf(0.95);
    double top = 0, oldest = 0;
    for (const RunResult& run : m_result->runs) {
        if (!run.error.isEmpty() || std::isnan(run.ageMin) || std::isnan(run.ageMax))
            continue;
        const double age = (run.ageMin + run.ageMax) / 2;
        low->append(age, run.percentiles.at(p05));
        high->append(age, run.percentiles.at(p95));
        median->append(age, run.percentiles.at(p50));
        mean->append(age, run.mean);
        top = std::max(top, run.percentiles.at(p95));
        oldest = std::max(oldest, run.ageMax);
    }
    auto* band = new QAreaSeries(high, low);
    // The area series draws its two bounds but does not own them.
    high->setParent(band);
    low->setParent(band);
    band->setName(QStringLiteral("P05-P95"));
    band->setColor(QColor(70, 130, 180, 90));
    band->setBorderColor(QColor(70, 130, 180));
    chart->addSeries(band);
    chart->addSeries(median);
    chart->addSeries(mean);
    auto* x = new QValueAxis;
    x->setTitleText(QStringLiteral("age (years)"));
    x->setRange(0, oldest > 0 ? oldest : 1);
    auto* y = new QValueAxis;
    const Scenario& s = m_result->scenario;
    y->setTitleText(s.outputName + (s.outputUnit.isEmpty()
                                        ? QString()
                                        : QStringLiteral(" [") + s.outputUnit + u']'));
    y->setRange(0, top > 0 ? top * 1.05 : 1);
    chart->addAxis(x, Qt::AlignBottom);
    chart->addAxis(y, Qt::AlignLeft);
    for (QAbstractSeries* series : chart->series()) {
        series->attachAxis(x);
        series->attachAxis(y);
    }
    chart->setTitle(QStringLiteral("%1 by age: P05-P95, P50 and mean").arg(s.outputName));
    QChart* old = cvProfile->chart();
    cvProfile->setChart(chart);
    delete old;
}

} // namespace veltra
