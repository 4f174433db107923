#include "scenario/ui/fScenario.h"

#include "reports/PdfExport.h"
#include "scenario/Formula.h"
#include "scenario/ScenarioReport.h"
#include "scenario/ScenarioScript.h"
#include "scenario/SimulationOutput.h"
#include "util/SafeFile.h"
#include "util/VeltraError.h"
#include "widgets/Dialogs.h"
#include "widgets/GuardedHandler.h"

#include <QAreaSeries>
#include <QBarCategoryAxis>
#include <QBarSet>
#include <QChart>
#include <QChartView>
#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QHorizontalBarSeries>
#include <QLabel>
#include <QLineEdit>
#include <QLineSeries>
#include <QLocale>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QSplitter>
#include <QTabWidget>
#include <QTableWidget>
#include <QThread>
#include <QTimer>
#include <QVBoxLayout>
#include <QValueAxis>
#include <algorithm>
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
        // The parameters in their usual order, as they are typed.
        QStringList parameters;
        for (const QStringList& set : DistributionParameterSets(input.distribution))
            for (const QString& key : set)
                if (input.parameters.contains(key))
                    parameters << key + QStringLiteral(" = ") +
                                      QString::number(input.parameters.value(key));
        QString text = input.distribution + u'(' + parameters.join(QStringLiteral(", ")) + u')';
        if (input.truncate)
            text += QStringLiteral(" truncated to [%1, %2]")
                        .arg(input.truncate->first)
                        .arg(input.truncate->second);
        return text;
    }
    }
    return QString();
}

// The parameters a family takes, as the parameter cell's hint.
QString ParameterHint(const QString& family)
{
    if (family == u"constant")
        return QStringLiteral("value = ");
    QStringList sets;
    for (const QStringList& set : DistributionParameterSets(family))
        sets << set.join(QStringLiteral(" = , ")) + QStringLiteral(" = ");
    return sets.join(QStringLiteral("  or  "));
}

QChartView* ChartView(const char* name, QWidget* parent)
{
    auto* view = new QChartView(new QChart, parent);
    view->setObjectName(QLatin1String(name));
    view->setRenderHint(QPainter::Antialiasing);
    view->setMinimumHeight(260);
    return view;
}

// Replaces the chart a view shows, deleting the old one with its series and axes.
void ReplaceChart(QChartView* view, QChart* chart)
{
    QChart* old = view->chart();
    view->setChart(chart);
    delete old;
}

QString OutputTitle(const Scenario& s)
{
    return s.outputName +
           (s.outputUnit.isEmpty() ? QString() : QStringLiteral(" [") + s.outputUnit + u']');
}

} // namespace

TfScenario::TfScenario(const ErrorGuard& guard, QString databaseDir, QWidget* parent)
    : QWidget(parent, Qt::Window), m_guard(guard), m_databaseDir(std::move(databaseDir))
{
    setObjectName(QStringLiteral("fScenario"));
    setWindowTitle(QStringLiteral("Scenario"));
    resize(1100, 940);

    m_paper = LocalePaperSize(QLocale());
    auto* top = new QHBoxLayout;
    QPushButton* bOpen = Button("bOpen", QStringLiteral("&Open..."), this);
    QPushButton* bSave = Button("bSave", QStringLiteral("&Save..."), this);
    bRun = Button("bRun", QStringLiteral("&Run"), this);
    bCancel = Button("bCancel", QStringLiteral("Cance&l"), this);
    bCancel->setEnabled(false);
    pbProgress = new QProgressBar(this);
    pbProgress->setObjectName(QStringLiteral("pbProgress"));
    pbProgress->setRange(0, 1000);
    for (QWidget* widget :
         {static_cast<QWidget*>(bOpen), static_cast<QWidget*>(bSave), static_cast<QWidget*>(bRun),
          static_cast<QWidget*>(bCancel), static_cast<QWidget*>(pbProgress)})
        top->addWidget(widget);

    auto* exports = new QHBoxLayout;
    exports->addWidget(new QLabel(QStringLiteral("Export:"), this));
    QPushButton* bExportCsv = Button("bExportCsv", QStringLiteral("&CSV..."), this);
    QPushButton* bExportXlsx = Button("bExportXlsx", QStringLiteral("&Workbook..."), this);
    QPushButton* bExportR = Button("bExportR", QStringLiteral("R scrip&t..."), this);
    QPushButton* bExportPython = Button("bExportPython", QStringLiteral("P&ython script..."), this);
    QPushButton* bExportReport = Button("bExportReport", QStringLiteral("Re&port..."), this);
    for (QPushButton* button : {bExportCsv, bExportXlsx, bExportR, bExportPython, bExportReport})
        exports->addWidget(button);
    exports->addStretch(1);

    auto* form = new QFormLayout;
    eFormula = new QLineEdit(this);
    eFormula->setObjectName(QStringLiteral("eFormula"));
    lFormulaCheck = new QLabel(this);
    lFormulaCheck->setObjectName(QStringLiteral("lFormulaCheck"));
    seIterations = new QSpinBox(this);
    seIterations->setObjectName(QStringLiteral("seIterations"));
    seIterations->setRange(1, int(std::min<qint64>(Scenario::MaxIterations, 100'000'000)));
    seIterations->setValue(10000);
    eSeed = new QLineEdit(QStringLiteral("1"), this);
    eSeed->setObjectName(QStringLiteral("eSeed"));
    cbSampling = new QComboBox(this);
    cbSampling->setObjectName(QStringLiteral("cbSampling"));
    cbSampling->addItems({QStringLiteral("lhs"), QStringLiteral("random")});
    auto* settings = new QHBoxLayout;
    auto label = [this](const QString& text, QWidget* buddy) {
        auto* label = new QLabel(text, this);
        label->setBuddy(buddy);
        return label;
    };
    settings->addWidget(label(QStringLiteral("&Iterations:"), seIterations));
    settings->addWidget(seIterations);
    settings->addWidget(label(QStringLiteral("S&eed:"), eSeed));
    settings->addWidget(eSeed);
    settings->addWidget(label(QStringLiteral("Sam&pling:"), cbSampling));
    settings->addWidget(cbSampling);
    settings->addSpacing(12);
    settings->addWidget(lFormulaCheck, 1);
    form->addRow(QStringLiteral("&Formula:"), eFormula);
    form->addRow(QString(), settings);

    // Inputs: the table, the current row button, a user distribution row.
    tInputs = new QTableWidget(0, 2, this);
    tInputs->setObjectName(QStringLiteral("tInputs"));
    tInputs->setHorizontalHeaderLabels({QStringLiteral("Input"), QStringLiteral("Drawn from")});
    tInputs->horizontalHeader()->setStretchLastSection(true);
    tInputs->setEditTriggers(QAbstractItemView::NoEditTriggers);
    tInputs->setSelectionBehavior(QAbstractItemView::SelectRows);
    QPushButton* bAddCurrent = Button("bAddCurrentRow", QStringLiteral("Add current ro&w"), this);
    cbFollowAge = new QCheckBox(QStringLiteral("follows the age"), this);
    cbFollowAge->setObjectName(QStringLiteral("cbFollowAge"));
    cbFollowAge->setChecked(true);
    QPushButton* bRemoveInput = Button("bRemoveInput", QStringLiteral("Remove"), this);
    eUserName = new QLineEdit(this);
    eUserName->setObjectName(QStringLiteral("eUserName"));
    eUserName->setPlaceholderText(QStringLiteral("name"));
    eUserName->setMaximumWidth(80);
    cbFamily = new QComboBox(this);
    cbFamily->setObjectName(QStringLiteral("cbFamily"));
    cbFamily->addItems({QStringLiteral("constant"), QStringLiteral("uniform"),
                        QStringLiteral("triangular"), QStringLiteral("pert"),
                        QStringLiteral("normal"), QStringLiteral("lognormal"),
                        QStringLiteral("gamma"), QStringLiteral("weibull"), QStringLiteral("beta"),
                        QStringLiteral("generalf")});
    eUserParameters = new QLineEdit(this);
    eUserParameters->setObjectName(QStringLiteral("eUserParameters"));
    eTruncate = new QLineEdit(this);
    eTruncate->setObjectName(QStringLiteral("eTruncate"));
    eTruncate->setPlaceholderText(QStringLiteral("truncate: lo, hi"));
    eTruncate->setMaximumWidth(130);
    QPushButton* bAddUser = Button("bAddUser", QStringLiteral("&Add"), this);
    auto* databaseRow = new QHBoxLayout;
    databaseRow->addWidget(bAddCurrent);
    databaseRow->addWidget(cbFollowAge);
    databaseRow->addStretch(1);
    databaseRow->addWidget(bRemoveInput);
    auto* userRow = new QHBoxLayout;
    userRow->addWidget(eUserName);
    userRow->addWidget(cbFamily);
    userRow->addWidget(eUserParameters, 1);
    userRow->addWidget(eTruncate);
    userRow->addWidget(bAddUser);
    auto* inputsBox = new QWidget(this);
    auto* inputsLayout = new QVBoxLayout(inputsBox);
    inputsLayout->setContentsMargins(0, 0, 0, 0);
    inputsLayout->addWidget(tInputs, 1);
    inputsLayout->addLayout(databaseRow);
    inputsLayout->addLayout(userRow);

    // Correlations: input a, input b, rank, edited in place.
    tCorrelations = new QTableWidget(0, 3, this);
    tCorrelations->setObjectName(QStringLiteral("tCorrelations"));
    tCorrelations->setHorizontalHeaderLabels(
        {QStringLiteral("Input a"), QStringLiteral("Input b"), QStringLiteral("Rank")});
    tCorrelations->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    QPushButton* bAddCorrelation = Button("bAddCorrelation", QStringLiteral("Add pair"), this);
    QPushButton* bRemoveCorrelation =
        Button("bRemoveCorrelation", QStringLiteral("Remove pair"), this);
    auto* correlationButtons = new QHBoxLayout;
    correlationButtons->addWidget(bAddCorrelation);
    correlationButtons->addWidget(bRemoveCorrelation);
    correlationButtons->addStretch(1);
    auto* correlationsBox = new QWidget(this);
    auto* correlationsLayout = new QVBoxLayout(correlationsBox);
    correlationsLayout->setContentsMargins(0, 0, 0, 0);
    correlationsLayout->addWidget(tCorrelations, 1);
    correlationsLayout->addLayout(correlationButtons);

    auto* definition = new QSplitter(Qt::Horizontal, this);
    definition->addWidget(inputsBox);
    definition->addWidget(correlationsBox);
    definition->setSizes({640, 360});

    tResults = new QTableWidget(this);
    tResults->setObjectName(QStringLiteral("tResults"));
    tResults->setEditTriggers(QAbstractItemView::NoEditTriggers);
    tResults->setSelectionBehavior(QAbstractItemView::SelectRows);
    tResults->setSelectionMode(QAbstractItemView::SingleSelection);

    cvProfile = ChartView("cvProfile", this);
    cvDistribution = ChartView("cvDistribution", this);
    cvHistogram = ChartView("cvHistogram", this);
    cvTornado = ChartView("cvTornado", this);
    twCharts = new QTabWidget(this);
    twCharts->setObjectName(QStringLiteral("twCharts"));
    twCharts->addTab(cvProfile, QStringLiteral("Age profile"));
    twCharts->addTab(cvDistribution, QStringLiteral("Distribution function"));
    twCharts->addTab(cvHistogram, QStringLiteral("Histogram"));
    twCharts->addTab(cvTornado, QStringLiteral("Sensitivity"));

    auto* splitter = new QSplitter(Qt::Vertical, this);
    splitter->addWidget(definition);
    splitter->addWidget(tResults);
    splitter->addWidget(twCharts);
    splitter->setSizes({210, 170, 380});

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(exports);
    layout->addLayout(form);
    layout->addWidget(splitter, 1);

    m_poll = new QTimer(this);
    m_poll->setInterval(50);
    connect(m_poll, &QTimer::timeout, this,
            [this] { pbProgress->setValue(int(std::lround(m_progress.load() * 1000))); });

    ConnectGuarded(bOpen, &QPushButton::clicked, this, &TfScenario::OpenClick);
    ConnectGuarded(bSave, &QPushButton::clicked, this, &TfScenario::SaveClick);
    ConnectGuarded(bExportCsv, &QPushButton::clicked, this, &TfScenario::ExportCsvClick);
    ConnectGuarded(bExportXlsx, &QPushButton::clicked, this, &TfScenario::ExportWorkbookClick);
    ConnectGuarded(bExportR, &QPushButton::clicked, this, &TfScenario::ExportRClick);
    ConnectGuarded(bExportPython, &QPushButton::clicked, this, &TfScenario::ExportPythonClick);
    ConnectGuarded(bExportReport, &QPushButton::clicked, this, &TfScenario::ExportReportClick);
    ConnectGuarded(bRun, &QPushButton::clicked, this, &TfScenario::RunClick);
    ConnectGuarded(bCancel, &QPushButton::clicked, this, &TfScenario::CancelClick);
    ConnectGuarded(bAddCurrent, &QPushButton::clicked, this, &TfScenario::AddCurrentRowClick);
    ConnectGuarded(bAddUser, &QPushButton::clicked, this, &TfScenario::AddUserClick);
    ConnectGuarded(bRemoveInput, &QPushButton::clicked, this, &TfScenario::RemoveInputClick);
    ConnectGuarded(bAddCorrelation, &QPushButton::clicked, this, &TfScenario::AddCorrelationClick);
    ConnectGuarded(bRemoveCorrelation, &QPushButton::clicked, this,
                   &TfScenario::RemoveCorrelationClick);
    ConnectGuarded(cbFamily, &QComboBox::currentIndexChanged, this, &TfScenario::FamilyChanged);
    ConnectGuarded(eFormula, &QLineEdit::textChanged, this, &TfScenario::FormulaEdited);
    ConnectGuarded(tResults, &QTableWidget::currentCellChanged, this,
                   [this](int row) { SelectRun(row); });
    FamilyChanged();
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
    ShowInputs();
    FormulaEdited();
}

void TfScenario::ShowInputs()
{
    tInputs->setRowCount(int(m_scenario.inputs.size()));
    for (int i = 0; i < m_scenario.inputs.size(); ++i) {
        tInputs->setItem(i, 0, new QTableWidgetItem(m_scenario.inputs.at(i).name));
        tInputs->setItem(i, 1, new QTableWidgetItem(InputKind(m_scenario.inputs.at(i))));
    }
    tCorrelations->setRowCount(int(m_scenario.correlations.size()));
    for (int i = 0; i < m_scenario.correlations.size(); ++i) {
        const ScenarioCorrelation& c = m_scenario.correlations.at(i);
        tCorrelations->setItem(i, 0, new QTableWidgetItem(c.a));
        tCorrelations->setItem(i, 1, new QTableWidgetItem(c.b));
        tCorrelations->setItem(i, 2, new QTableWidgetItem(QString::number(c.rank)));
    }
}

Scenario TfScenario::EditedScenario() const
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
    scenario.correlations.clear();
    auto cell = [this](int row, int column) {
        const QTableWidgetItem* item = tCorrelations->item(row, column);
        return item ? item->text().trimmed() : QString();
    };
    for (int row = 0; row < tCorrelations->rowCount(); ++row) {
        if (cell(row, 0).isEmpty() && cell(row, 1).isEmpty() && cell(row, 2).isEmpty())
            continue;
        bool number = false;
        const double rank = QLocale().toDouble(cell(row, 2), &number);
        const double plain = cell(row, 2).toDouble(&ok);
        if (!number && !ok)
            throw VeltraError(
                QStringLiteral("Correlations, row %1: the rank must be a number").arg(row + 1));
        scenario.correlations << ScenarioCorrelation{cell(row, 0), cell(row, 1),
                                                     number ? rank : plain};
    }
    return scenario;
}

Scenario TfScenario::CurrentScenario() const
{
    return CheckedScenario(EditedScenario());
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

const SimulationResult& TfScenario::ResultToExport() const
{
    if (!m_result)
        throw VeltraError(QStringLiteral("There is no result to export yet"));
    return *m_result;
}

QString TfScenario::AskExportName(const QString& title, const QString& extension,
                                  const QString& filter, const QString& name)
{
    return Dialogs::AskFileName(this, Dialogs::FileMode::Save, {title, extension, filter, true},
                                name);
}

void TfScenario::ExportCsvClick()
{
    const SimulationResult& result = ResultToExport();
    const QString path = AskExportName(QStringLiteral("Export results"), QStringLiteral("csv"),
                                       QStringLiteral("CSV|*.csv|All|*.*"), QString());
    if (path.isEmpty())
        return;
    WriteFileOrThrow(path, SimulationCsv(result));
}

void TfScenario::ExportWorkbookClick()
{
    const SimulationResult& result = ResultToExport();
    const QString path = AskExportName(QStringLiteral("Export results"), QStringLiteral("xlsx"),
                                       QStringLiteral("Excel workbook|*.xlsx|All|*.*"), QString());
    if (path.isEmpty())
        return;
    WriteWorkbookFile(path, SimulationWorkbook(result));
}

void TfScenario::ExportRClick()
{
    const Scenario scenario = CurrentScenario();
    const QString path = AskExportName(QStringLiteral("R script"), QStringLiteral("R"),
                                       QStringLiteral("R script|*.R|All|*.*"), scenario.name);
    if (path.isEmpty())
        return;
    WriteScenarioScript(path, scenario, m_databaseDir, ScriptLanguage::R);
}

void TfScenario::ExportPythonClick()
{
    const Scenario scenario = CurrentScenario();
    const QString path = AskExportName(QStringLiteral("Python script"), QStringLiteral("py"),
                                       QStringLiteral("Python script|*.py|All|*.*"), scenario.name);
    if (path.isEmpty())
        return;
    WriteScenarioScript(path, scenario, m_databaseDir, ScriptLanguage::Python);
}

void TfScenario::ExportReportClick()
{
    const SimulationResult& result = ResultToExport();
    QString pattern;
    const QString typed =
        Dialogs::AskSaveFileName(this,
                                 {QStringLiteral("Scenario report"), QStringLiteral("rtf"),
                                  QStringLiteral("Rich Text Format|*.rtf|PDF|*.pdf"), true},
                                 result.scenario.name, &pattern);
    const QString path = ReportSaveFileName(typed, pattern);
    if (path.isEmpty())
        return;
    WriteScenarioReport(result, path, m_paper);
}

void TfScenario::AddCurrentRowClick()
{
    const std::optional<CurrentParameterRow> row =
        m_currentRow ? m_currentRow() : std::optional<CurrentParameterRow>();
    if (!row)
        throw VeltraError(QStringLiteral("No parameter row with an open data file is current"));
    SetScenario(
        AddDatabaseInput(EditedScenario(), row->id,
                         cbFollowAge->isChecked() ? std::nullopt : std::optional<int>(row->group)));
}

void TfScenario::AddUserClick()
{
    SetScenario(AddUserInput(EditedScenario(), eUserName->text(), cbFamily->currentText(),
                             eUserParameters->text(), eTruncate->text()));
    eUserName->clear();
}

void TfScenario::RemoveInputClick()
{
    const int row = tInputs->currentRow();
    if (row < 0 || row >= m_scenario.inputs.size())
        throw VeltraError(QStringLiteral("Select the input to remove"));
    SetScenario(RemoveInput(EditedScenario(), m_scenario.inputs.at(row).name));
}

void TfScenario::AddCorrelationClick()
{
    tCorrelations->insertRow(tCorrelations->rowCount());
}

void TfScenario::RemoveCorrelationClick()
{
    const int row = tCorrelations->currentRow();
    if (row < 0)
        throw VeltraError(QStringLiteral("Select the pair to remove"));
    tCorrelations->removeRow(row);
}

void TfScenario::FamilyChanged()
{
    eUserParameters->clear();
    eUserParameters->setPlaceholderText(ParameterHint(cbFamily->currentText()));
    eTruncate->setEnabled(cbFamily->currentText() != u"constant");
}

void TfScenario::RunClick()
{
    if (m_worker)
        return;
    if (m_scenario.inputs.isEmpty())
        throw VeltraError(QStringLiteral("Open a scenario or add its inputs first"));
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
    x->applyNiceNumbers();
    x->setLabelFormat(QStringLiteral("%g"));
    auto* y = new QValueAxis;
    const Scenario& s = m_result->scenario;
    y->setTitleText(OutputTitle(s));
    // Labels at round values (0, 250, 500, ...), not at fifths of the highest P95.
    y->setRange(0, top > 0 ? top * 1.05 : 1);
    y->applyNiceNumbers();
    y->setLabelFormat(QStringLiteral("%g"));
    chart->addAxis(x, Qt::AlignBottom);
    chart->addAxis(y, Qt::AlignLeft);
    for (QAbstractSeries* series : chart->series()) {
        series->attachAxis(x);
        series->attachAxis(y);
    }
    chart->setTitle(QStringLiteral("%1 by age: P05-P95, P50 and mean").arg(s.outputName));
    ReplaceChart(cvProfile, chart);

    // The first run that was made is shown in the other charts.
    int first = -1;
    for (int r = 0; r < m_result->runs.size() && first < 0; ++r)
        if (m_result->runs.at(r).error.isEmpty())
            first = r;
    m_selectedRun = -2; // so the selection below always redraws
    if (first >= 0)
        tResults->setCurrentCell(first, 0);
    SelectRun(first);
}

void TfScenario::SelectRun(int index)
{
    if (!m_result || index < 0 || index >= m_result->runs.size())
        index = -1;
    if (index == m_selectedRun)
        return;
    m_selectedRun = index;
    ShowRun();
}

void TfScenario::ShowRun()
{
    const RunResult* run =
        m_selectedRun >= 0 && m_result && m_result->runs.at(m_selectedRun).error.isEmpty()
            ? &m_result->runs.at(m_selectedRun)
            : nullptr;
    const QString output = m_result ? OutputTitle(m_result->scenario) : QString();
    const QString which =
        run ? (run->group ? QStringLiteral("group %1").arg(*run->group) : QStringLiteral("the run"))
            : QString();

    // The distribution function: the output's value at each level.
    auto* cdfChart = new QChart;
    if (run) {
        auto* cdf = new QLineSeries;
        cdf->setName(QStringLiteral("P(%1 <= x)").arg(m_result->scenario.outputName));
        for (const auto& [value, level] : run->distribution)
            cdf->append(value, level);
        cdfChart->addSeries(cdf);
        auto* x = new QValueAxis;
        x->setTitleText(output + QStringLiteral(" (minimum to P99.5)"));
        // Up to P99.5, so a far maximum does not flatten the curve.
        x->setRange(run->distribution.front().first,
                    run->distribution.at(run->distribution.size() * 199 / 200).first);
        auto* y = new QValueAxis;
        y->setRange(0, 1);
        y->setLabelFormat(QStringLiteral("%g"));
        x->setLabelFormat(QStringLiteral("%g"));
        y->setTitleText(QStringLiteral("cumulative probability"));
        cdfChart->addAxis(x, Qt::AlignBottom);
        cdfChart->addAxis(y, Qt::AlignLeft);
        cdf->attachAxis(x);
        cdf->attachAxis(y);
        cdfChart->legend()->hide();
        cdfChart->setTitle(QStringLiteral("Distribution function of %1, %2")
                               .arg(m_result->scenario.outputName, which));
    }
    ReplaceChart(cvDistribution, cdfChart);

    // The histogram as the outline of its bars, filled down to zero.
    auto* histogramChart = new QChart;
    if (run && !run->histogram.isEmpty()) {
        auto* outline = new QLineSeries;
        auto* base = new QLineSeries;
        qint64 highest = 0;
        for (qsizetype b = 0; b < run->histogram.size(); ++b) {
            const double left = run->histogramLow + double(b) * run->histogramWidth;
            const double right = left + run->histogramWidth;
            outline->append(left, double(run->histogram.at(b)));
            outline->append(right, double(run->histogram.at(b)));
            highest = std::max(highest, run->histogram.at(b));
        }
        base->append(run->histogramLow, 0);
        base->append(run->histogramLow + double(run->histogram.size()) * run->histogramWidth, 0);
        auto* bars = new QAreaSeries(outline, base);
        outline->setParent(bars);
        base->setParent(bars);
        bars->setName(QStringLiteral("iterations per bin"));
        bars->setColor(QColor(70, 130, 180, 150));
        bars->setBorderColor(QColor(70, 130, 180));
        histogramChart->addSeries(bars);
        auto* x = new QValueAxis;
        x->setTitleText(output + QStringLiteral(" (P00.5 to P99.5)"));
        x->setRange(run->histogramLow,
                    run->histogramLow + double(run->histogram.size()) * run->histogramWidth);
        auto* y = new QValueAxis;
        y->setTitleText(QStringLiteral("iterations"));
        y->setRange(0, highest > 0 ? double(highest) * 1.05 : 1);
        y->applyNiceNumbers();
        y->setLabelFormat(QStringLiteral("%g"));
        histogramChart->addAxis(x, Qt::AlignBottom);
        histogramChart->addAxis(y, Qt::AlignLeft);
        bars->attachAxis(x);
        bars->attachAxis(y);
        histogramChart->legend()->hide();
        histogramChart->setTitle(
            QStringLiteral("Histogram of %1, %2").arg(m_result->scenario.outputName, which));
    }
    ReplaceChart(cvHistogram, histogramChart);

    // The tornado: each input's rank correlation with the output, largest at the top.
    auto* tornadoChart = new QChart;
    if (run && !run->sensitivity.isEmpty()) {
        QList<std::pair<QString, double>> bars = run->sensitivity;
        std::stable_sort(bars.begin(), bars.end(), [](const auto& a, const auto& b) {
            return std::abs(a.second) < std::abs(b.second);
        });
        auto* set = new QBarSet(QStringLiteral("Spearman rank correlation with the output"));
        set->setColor(QColor(70, 130, 180));
        QStringList names;
        for (const auto& [name, rho] : bars) {
            names << name;
            *set << (std::isnan(rho) ? 0.0 : rho);
        }
        auto* series = new QHorizontalBarSeries;
        series->append(set);
        series->setLabelsVisible(true);
        series->setLabelsFormat(QStringLiteral("@value"));
        series->setLabelsPrecision(3);
        tornadoChart->addSeries(series);
        auto* inputs = new QBarCategoryAxis;
        inputs->append(names);
        auto* rho = new QValueAxis;
        rho->setRange(-1, 1);
        rho->setTitleText(QStringLiteral("rank correlation with ") + m_result->scenario.outputName);
        tornadoChart->addAxis(inputs, Qt::AlignLeft);
        tornadoChart->addAxis(rho, Qt::AlignBottom);
        series->attachAxis(inputs);
        series->attachAxis(rho);
        tornadoChart->legend()->hide();
        tornadoChart->setTitle(
            QStringLiteral("Sensitivity of %1, %2").arg(m_result->scenario.outputName, which));
    }
    ReplaceChart(cvTornado, tornadoChart);
}

} // namespace veltra
