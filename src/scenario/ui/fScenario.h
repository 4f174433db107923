// The scenario window: a scenario opened from its file or built here (the viewer's
// current parameter row and age group added with one button, user distributions from a
// family and its parameters, rank correlations in a table), the formula checked as it is
// typed, iterations, seed and sampling; Run on a worker thread with a progress bar and
// Cancel; the percentile table per age group, the age profile of the output (P05-P95
// band, P50, mean), the distribution function and histogram of the selected run and a
// tornado chart of its sensitivities; save the scenario, export the results as CSV or
// workbook, the scenario as an R or Python script, and the report as RTF or PDF.
#pragma once

#include "scenario/Simulation.h"
#include "util/PageSetup.h"
#include "widgets/ErrorGuard.h"

#include <QWidget>
#include <atomic>
#include <functional>
#include <memory>
#include <optional>

class QChartView;
class QComboBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QSpinBox;
class QCheckBox;
class QTabWidget;
class QTableWidget;
class QThread;
class QTimer;

namespace veltra {

/// The viewer's current parameter row and age group (the data file's row, 1-based).
struct CurrentParameterRow
{
    qint64 id = 0;
    int group = 0;
};

class TfScenario : public QWidget
{
    Q_OBJECT
public:
    /// databaseDir: the folder of the parameter rows the database inputs name.
    TfScenario(const ErrorGuard& guard, QString databaseDir, QWidget* parent = nullptr);
    ~TfScenario() override;

    const ErrorGuard& Guard() const { return m_guard; }

    /// Shows a scenario in the controls (what Open does after reading the file).
    void SetScenario(const Scenario& scenario);
    /// The scenario as the controls give it.
    Scenario CurrentScenario() const;
    bool IsRunning() const { return m_worker != nullptr; }
    /// The result of the last finished run; none before one.
    const std::optional<SimulationResult>& Result() const { return m_result; }
    /// The formula check's text: empty when the formula compiles.
    QString FormulaMessage() const;

    /// Where "Add current row" takes the viewer's current parameter row from; it gives
    /// none when no row with an open data file is current.
    void SetCurrentRowSource(std::function<std::optional<CurrentParameterRow>()> source)
    {
        m_currentRow = std::move(source);
    }
    /// The paper of the reports written from here (the viewer's report paper).
    void SetReportPaper(PaperSize paper) { m_paper = paper; }
    /// The run whose distribution, histogram and sensitivities are shown; -1 for none.
    int SelectedRun() const { return m_selectedRun; }
    void SelectRun(int index);

private:
    void OpenClick();
    void SaveClick();
    void RunClick();
    void CancelClick();
    void ExportCsvClick();
    void ExportWorkbookClick();
    void ExportRClick();
    void ExportPythonClick();
    void ExportReportClick();
    void AddCurrentRowClick();
    void AddUserClick();
    void RemoveInputClick();
    void AddCorrelationClick();
    void RemoveCorrelationClick();
    void FamilyChanged();
    void FormulaEdited();
    void RunFinished();
    void ShowResult();
    void ShowRun();
    void ShowInputs();
    /// The scenario as the controls give it, unchecked (the base of an edit).
    Scenario EditedScenario() const;
    const SimulationResult& ResultToExport() const;
    QString AskExportName(const QString& title, const QString& extension, const QString& filter,
                          const QString& name);

    const ErrorGuard& m_guard;
    QString m_databaseDir;
    Scenario m_scenario;

    QLineEdit* eFormula;
    QLabel* lFormulaCheck;
    QSpinBox* seIterations;
    QLineEdit* eSeed;
    QComboBox* cbSampling;
    QTableWidget* tInputs;
    QTableWidget* tCorrelations;
    QCheckBox* cbFollowAge;
    QLineEdit* eUserName;
    QComboBox* cbFamily;
    QLineEdit* eUserParameters;
    QLineEdit* eTruncate;
    QPushButton* bRun;
    QPushButton* bCancel;
    QProgressBar* pbProgress;
    QTableWidget* tResults;
    QTabWidget* twCharts;
    QChartView* cvProfile;
    QChartView* cvDistribution;
    QChartView* cvHistogram;
    QChartView* cvTornado;

    QThread* m_worker = nullptr;
    QTimer* m_poll;
    std::atomic<bool> m_cancel{false};
    std::atomic<double> m_progress{0};
    std::optional<SimulationResult> m_pending;
    QString m_pendingError;
    std::optional<SimulationResult> m_result;
    int m_selectedRun = -1;
    std::function<std::optional<CurrentParameterRow>()> m_currentRow;
    PaperSize m_paper = PaperSize::A4;
};

} // namespace veltra
