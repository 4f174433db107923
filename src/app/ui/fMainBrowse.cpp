// The main window's browsing: the navigation chain, the data file of the current
// parameter row and its age groups, the restriction panel, and the commands that close
// and reopen the tables.
#include "app/ui/fMain.h"

#include "app/Restrictions.h"
#include "convert/AgeGroup.h"
#include "convert/FitAnalysis.h"
#include "convert/FitTable.h"
#include "convert/ui/fDistributions.h"
#include "data/DataSource.h"
#include "data/DataTable.h"
#include "scenario/ui/fScenario.h"
#include "util/RtfReader.h"
#include "util/VeltraError.h"
#include "util/uString.h"
#include "widgets/ButtonTabBar.h"
#include "widgets/DbEdit.h"
#include "widgets/DbMemo.h"
#include "widgets/PanelStatusBar.h"

#include "util/ui/OLERichEdit.h"
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QTabWidget>
#include <cmath>
#include <optional>

namespace veltra {

namespace {

QString CurrentText(const DataTable& table, const QString& field)
{
    return ReferenceDatabase::CurrentText(table, field);
}

} // namespace

// --- navigation -------------------------------------------------------------------------------

void TForm1::dsHeadDataChange()
{
    m_db.FilterTopicsByHeadline();
}

void TForm1::dsTopicsDataChange()
{
    ApplyParameterFilter();
}

void TForm1::cbSexChange()
{
    ApplyParameterFilter();
}

void TForm1::rgOrderRestrictionClick()
{
    ApplyParameterFilter();
}

void TForm1::ApplyParameterFilter()
{
    m_db.ApplyParameterFilter(cbSex->currentText(), m_orderButtons->checkedId());
}

void TForm1::dsParaDataChange()
{
    sb1->setPanelText(0, QStringLiteral("HdL:") + CurrentText(*cdsHead, QStringLiteral("Top")));
    sb1->setPanelText(1, QStringLiteral("Top:") + CurrentText(*CDSTopics, QStringLiteral("PS")));
    sb1->repaint();

    const QString dataFileName = CurrentText(*CDSData, QStringLiteral("DataFile"));
    if (!dataFileName.isEmpty()) {
        sb1->setPanelText(2, QStringLiteral("File: ") + RunDir + QLatin1Char('/') +
                                 ReplaceExtension(dataFileName, QStringLiteral("xml")));
    } else {
        sb1->setPanelText(2, QStringLiteral(" -- "));
        sb1->setPanelText(3, QStringLiteral(" "));
        mTableContent->clear();
        dbmGF->clear();
        mTransformed->clear();
        dbmMemoBstFt->clear();
        dbmQuantilesFit->clear();
        mFormula->clear();
    }

    if (OpenDataFiles) {
        // Written before the connection, so the header of the converted functions names
        // the parameter they belong to.
        sb1->setPanelText(4, CurrentContentText(CurrentInfo()));
        sb1->repaint();
        const int failuresBefore = m_guard.reportCount();
        ConnectDataFile(dataFileName);
        if (dsTable->isActive()) {
            // A failing table shows its message here, without ending the row change: the
            // restriction panel below must follow the new row. The message is left out
            // when the connection already reported a failure of this row (the same
            // conversion error of its first age group).
            const bool reported = m_guard.reportCount() != failuresBefore;
            try {
                ShowCommandTable(true);
            } catch (const VeltraError& error) {
                if (!reported)
                    m_guard.report(error.message());
            }
        }
    }

    M1->clear();
    if (cbShowAdditionalInfo->isChecked() && !GetRestrictionText().isEmpty())
        ShowRestrictionPanel(RestrictionDisplayLines(CurrentInfo()));
    else
        pnRestriction->hide();
}

QString TForm1::CurrentInfo() const
{
    return CurrentText(*CDSData, QStringLiteral("Info"));
}

// --- data file --------------------------------------------------------------------------------

void TForm1::EmptyDataViews()
{
    mTableContent->clear();
    mFormula->clear();
    oe1->Clear();
    mTransformed->clear();
}

void TForm1::ConnectDataFile(const QString& name)
{
    const DataFileHooks hooks{[this] { cdsFileBeforeOpen(); }, [this] { BindDataFileFields(); }};
    const bool protocol = cbFileAccessPrt->isChecked();
    const int failuresBefore = m_guard.reportCount();
    switch (m_db.ConnectDataFile(name, protocol, m_log, hooks).outcome) {
    case ConnectOutcome::Missing:
        m_beep();
        m_beep();
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
        if (protocol && m_guard.reportCount() == failuresBefore)
            m_log.ExtendLastLine(QStringLiteral(" o.k."));
        break;
    case ConnectOutcome::AlreadyConnected:
    case ConnectOutcome::NotRetried:
        break;
    }
}

void TForm1::cdsFileBeforeOpen()
{
    mTransformed->clear();
}

void TForm1::BindDataFileFields()
{
    auto bind = [this](auto* view, const QString& field) {
        view->setField(DataFieldNames.contains(field, Qt::CaseInsensitive) ? field : QString());
    };
    bind(dbmGF, QStringLiteral("GENERALF"));
    bind(dbmMemoBstFt, QStringLiteral("MOMENTS"));
    bind(dbmQuantilesFit, QStringLiteral("QUANTILES"));
    bind(dbeQuantAge, QStringLiteral("AGEGRP"));
    bind(dbeQuantN, QStringLiteral("NOBS"));

    clbVar->clear();
    for (const QString& name : DataFieldNames) {
        auto* item = new QListWidgetItem(name, clbVar);
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(Qt::Checked);
    }
    mTableContent->clear();
}

void TForm1::dsTableDataChange()
{
    // The number of observations decides which percentiles the group supports; a file
    // without the field leaves it unknown.
    lReliability->setText(ReliabilityLine(AgeGroupObservations(*cdsFile, cdsFile->recNo() - 1)));
    if (fDistributions)
        fDistributions->AgeGroupChanged();

    const AgeGroupTexts group = CurrentAgeGroup(*cdsFile);
    sb1->setPanelText(3, group.caption);
    if (group.gfLines.isEmpty())
        return; // the previous conversion stays
    const GeneratorResult functions = SelectedFunctions(sb1->panelText(4), group);
    mTransformed->setPlainText(functions.lines.join(QLatin1Char('\n')));
    sb1->repaint();
    // The rows converted before a failing line stay shown; then the error is reported.
    functions.throwIfStopped();
}

void TForm1::dsTableRowsReset()
{
    // Closed or disabled, the data file shows no age group, and neither does the panel.
    if (!dsTable->isActive()) {
        sb1->setPanelText(3, QStringLiteral(" "));
        lReliability->clear();
    }
    if (fDistributions)
        fDistributions->DataFileChanged(CurrentValueAxisTitle(m_db));
}

// --- commands ---------------------------------------------------------------------------------

void TForm1::bCloseAllTablesClick()
{
    CloseTablesAndSaveSettings();
}

void TForm1::bCloseOpenClick()
{
    CloseTablesAndSaveSettings();
    LoadHierarchyTables();
}

void TForm1::Openalltables1Click()
{
    t->setCurrentIndex(0);
    AddProtocolLine(QStringLiteral("Open all tables"));
    LoadHierarchyTables();
    AddProtocolLine(QStringLiteral("Done."));
}

void TForm1::Closealltablesconnections1Click()
{
    AddProtocolLine(QStringLiteral("Closing all tables"));
    CloseTablesAndSaveSettings();
    AddProtocolLine(QStringLiteral("Done."));
}

void TForm1::Quit1Click()
{
    CloseTablesAndSaveSettings();
    close();
}

// --- restriction panel ------------------------------------------------------------------------

QString TForm1::GetRestrictionText()
{
    TbCnt->setCurrentIndex(0);
    return RestrictionText(InfoLines(CurrentInfo()));
}

QString TForm1::GetUpdateStatusText()
{
    const QStringList lines = UpdateStatusLines(ReferenceDatabase::ParameterFile,
                                                CurrentText(*CDSData, QStringLiteral("DataFile")),
                                                CurrentText(*CDSData, QStringLiteral("FileType")),
                                                CurrentText(*CDSData, QStringLiteral("Change")));
    return lines.join(QLatin1Char('\n'));
}

void TForm1::ShowRestrictionPanel(const QStringList& lines)
{
    TbCnt->setCurrentIndex(0);
    pnRestriction->show();
    M1->setPlainText(lines.join(QLatin1Char('\n')));
}

void TForm1::cbShowAdditionalInfoClick()
{
    if (!cbShowAdditionalInfo->isChecked()) {
        pnRestriction->hide();
        return;
    }
    ShowRestrictionPanel(RestrictionDisplayLines(CurrentInfo()));
}

void TForm1::sb1MouseDown()
{
    if (!pnRestriction->isHidden()) {
        pnRestriction->hide();
        return;
    }
    ShowRestrictionPanel(
        RestrictionDisplayLines(CurrentInfo(), RestrictionLayout::BlankAfterHeader));
}

void TForm1::TbCntMouseDown(int tab)
{
    M1->clear();
    if (tab == 0) {
        TbCnt->setCurrentIndex(0);
        M1->setPlainText(RestrictionDisplayLines(CurrentInfo()).join(QLatin1Char('\n')));
    } else if (tab == 1) {
        M1->setPlainText(GetUpdateStatusText());
    } else {
        M1->setPlainText(QString(NothingSelectedText));
    }
}

void TForm1::sbCloseClick()
{
    pnRestriction->hide();
}

void TForm1::Distributions1Click()
{
    if (!fDistributions)
        fDistributions = new TfDistributions(m_guard, *dsTable, this);
    fDistributions->DataFileChanged(CurrentValueAxisTitle(m_db));
    fDistributions->show();
    fDistributions->raise();
    fDistributions->activateWindow();
}

void TForm1::Scenario1Click()
{
    if (!fScenario) {
        fScenario = new TfScenario(m_guard, m_db.runDir(), this);
        // "Add current row" takes the browser's parameter row and its data file's row.
        fScenario->SetCurrentRowSource([this]() -> std::optional<CurrentParameterRow> {
            bool ok = false;
            const qint64 id =
                ReferenceDatabase::CurrentText(m_db.parameters(), QStringLiteral("ID"))
                    .trimmed()
                    .toLongLong(&ok);
            if (!ok || !dsTable->isActive() || cdsFile->recNo() < 1)
                return std::nullopt;
            return CurrentParameterRow{id, cdsFile->recNo()};
        });
    }
    fScenario->SetReportPaper(ReportPaper);
    fScenario->show();
    fScenario->raise();
    fScenario->activateWindow();
}

} // namespace veltra
