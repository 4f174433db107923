// The main window's row change: the status bar, the data file of the current parameter
// row and its age groups, the command table and the restriction panel, and the windows
// that follow the current row.
#include "app/ui/fMain.h"

#include "app/ui/DatabaseTab.h"
#include "app/ui/EdfTab.h"
#include "app/ui/FormulaTab.h"
#include "app/ui/InformationTab.h"
#include "app/ui/ParameterTableTab.h"
#include "app/ui/ProtocolTab.h"
#include "app/ui/ReportTab.h"
#include "convert/AgeGroup.h"
#include "convert/FitTable.h"
#include "convert/ui/fDistributions.h"
#include "data/DataSource.h"
#include "data/DataTable.h"
#include "scenario/ui/fScenario.h"
#include "util/VeltraError.h"
#include "util/uString.h"
#include "widgets/PanelStatusBar.h"

#include <optional>

namespace veltra {

void TForm1::dsParaDataChange()
{
    ReferenceDatabase& db = m_state.db;
    auto current = [](const DataTable& table, const char* field) {
        return ReferenceDatabase::CurrentText(table, QLatin1String(field));
    };
    sb1->setPanelText(0, QStringLiteral("HdL:") + current(db.headlines(), "Top"));
    sb1->setPanelText(1, QStringLiteral("Top:") + current(db.topics(), "PS"));
    sb1->repaint();

    const QString dataFileName = current(db.parameters(), "DataFile");
    if (!dataFileName.isEmpty()) {
        sb1->setPanelText(2, QStringLiteral("File: ") + db.runDir() + QLatin1Char('/') +
                                 ReplaceExtension(dataFileName, QStringLiteral("xml")));
    } else {
        sb1->setPanelText(2, QStringLiteral(" -- "));
        sb1->setPanelText(3, QStringLiteral(" "));
        m_tables->Clear();
        m_edf->ClearAll();
        m_formula->Clear();
    }

    if (m_state.openDataFiles) {
        // Written before the connection, so the header of the converted functions names
        // the parameter they belong to.
        sb1->setPanelText(4, CurrentContentText(m_state.CurrentInfo()));
        sb1->repaint();
        const int failuresBefore = m_state.guard.reportCount();
        ConnectDataFile(dataFileName);
        if (db.dataFileLink().isActive()) {
            // A failing table shows its message here, without ending the row change: the
            // restriction panel below must follow the new row. The message is left out
            // when the connection already reported a failure of this row (the same
            // conversion error of its first age group).
            const bool reported = m_state.guard.reportCount() != failuresBefore;
            try {
                m_formula->ShowCommandTable(true);
            } catch (const VeltraError& error) {
                if (!reported)
                    m_state.guard.report(error.message());
            }
        }
    }
    m_information->ShowRestrictions(m_protocol->AdditionalInfo());
}

void TForm1::EmptyDataViews()
{
    m_tables->Clear();
    m_formula->Clear();
    m_report->Clear();
    m_edf->ClearFunctions();
}

void TForm1::ConnectDataFile(const QString& name)
{
    const DataFileHooks hooks{[this] { m_edf->ClearFunctions(); },
                              [this] {
                                  const QStringList& names = m_state.db.dataFieldNames();
                                  m_edf->BindFields(names);
                                  m_database->ListFields(names);
                                  m_tables->Clear();
                              }};
    const bool protocol = m_protocol->FileAccessProtocol();
    const int failuresBefore = m_state.guard.reportCount();
    switch (m_state.db.ConnectDataFile(name, protocol, m_state.log, hooks).outcome) {
    case ConnectOutcome::Missing:
        m_state.beep();
        m_state.beep();
        EmptyDataViews();
        break;
    case ConnectOutcome::NoDataFile:
    case ConnectOutcome::LoadFailed:
        // Without a usable file the views show nothing rather than another parameter's data.
        EmptyDataViews();
        break;
    case ConnectOutcome::Connected:
        // The file stays shown when its first age group failed to convert (the error box
        // said so), but the connection is not reported as o.k.
        if (protocol && m_state.guard.reportCount() == failuresBefore)
            m_state.log.ExtendLastLine(QStringLiteral(" o.k."));
        break;
    case ConnectOutcome::AlreadyConnected:
    case ConnectOutcome::NotRetried:
        break;
    }
}

void TForm1::dsTableDataChange()
{
    m_edf->ShowReliability();
    if (fDistributions)
        fDistributions->AgeGroupChanged();

    const AgeGroupTexts group = CurrentAgeGroup(m_state.db.dataFile());
    sb1->setPanelText(3, group.caption);
    if (group.gfLines.isEmpty())
        return; // the previous conversion stays
    sb1->repaint();
    m_edf->ShowSelectedFunctions(sb1->panelText(4), group);
}

void TForm1::dsTableRowsReset()
{
    // Closed or disabled, the data file shows no age group, and neither does the panel.
    if (!m_state.db.dataFileLink().isActive()) {
        sb1->setPanelText(3, QStringLiteral(" "));
        m_edf->ClearReliability();
    }
    if (fDistributions)
        fDistributions->DataFileChanged(CurrentValueAxisTitle(m_state.db));
}

void TForm1::ShowDistributions()
{
    if (!fDistributions)
        fDistributions = new TfDistributions(m_state.guard, m_state.db.dataFileLink(), this);
    fDistributions->DataFileChanged(CurrentValueAxisTitle(m_state.db));
    fDistributions->show();
    fDistributions->raise();
    fDistributions->activateWindow();
}

void TForm1::ShowScenario()
{
    if (!fScenario) {
        fScenario = new TfScenario(m_state.guard, m_state.db.runDir(), this);
        // "Add current row" takes the browser's parameter row and its data file's row.
        fScenario->SetCurrentRowSource([this]() -> std::optional<CurrentParameterRow> {
            const ReferenceDatabase& db = m_state.db;
            bool ok = false;
            const qint64 id = ReferenceDatabase::CurrentText(db.parameters(), QStringLiteral("ID"))
                                  .trimmed()
                                  .toLongLong(&ok);
            if (!ok || !db.dataFileLink().isActive() || db.dataFile().recNo() < 1)
                return std::nullopt;
            return CurrentParameterRow{id, db.dataFile().recNo()};
        });
    }
    fScenario->SetReportPaper(m_state.reportPaper);
    fScenario->show();
    fScenario->raise();
    fScenario->activateWindow();
}

} // namespace veltra
