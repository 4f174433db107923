// The scenario window: a scenario opened from its file, its inputs, the formula checked
// as it is typed, iterations, seed and sampling; Run on a worker thread with a progress
// bar and Cancel; the percentile table per age group and the age profile of the output
// (P05-P95 band, P50, mean); save the scenario, export the result table as CSV.
#pragma once

#include "scenario/Simulation.h"
#include "widgets/ErrorGuard.h"

#include <QWidget>
#include <atomic>
#include <memory>
#include <optional>

class QChartView;
class QComboBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QSpinBox;
class QTableWidget;
class QThread;
class QTimer;

namespace veltra {

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

private:
    void OpenClick();
    void SaveClick();
    void RunClick();
    void CancelClick();
    void ExportCsvClick();
    void FormulaEdited();
    void RunFinished();
    void ShowResult();

    const ErrorGuard& m_guard;
    QString m_databaseDir;
    Scenario m_scenario;

    QLineEdit* eFormula;
    QLabel* lFormulaCheck;
    QSpinBox* seIterations;
    QLineEdit* eSeed;
    QComboBox* cbSampling;
    QTableWidget* tInputs;
    QPushButton* bRun;
    QPushButton* bCancel;
    QProgressBar* pbProgress;
    QTableWidget* tResults;
    QChartView* cvProfile;

    QThread* m_worker = nullptr;
    QTimer* m_poll;
    std::atomic<bool> m_cancel{false};
    std::atomic<double> m_progress{0};
    std::optional<SimulationResult> m_pending;
    QString m_pendingError;
    std::optional<SimulationResult> m_result;
};

} // namespace veltra
