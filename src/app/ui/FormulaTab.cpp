#include "app/ui/FormulaTab.h"

#include "data/DataSource.h"
#include "data/DataTable.h"
#include "tables/CommandTable.h"
#include "widgets/Dialogs.h"
#include "widgets/FormControls.h"
#include "widgets/GuardedHandler.h"
#include "widgets/Named.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace veltra {

FormulaTab::FormulaTab(ViewerState& state, QWidget* parent) : ViewerPart(state, "tsFormula", parent)
{
    auto* box = new QHBoxLayout(this);
    box->setContentsMargins(2, 2, 2, 2);
    mFormula = FixedMemo("mFormula", this);
    box->addWidget(mFormula, 1);
    auto* group = new QGroupBox(QStringLiteral(" Format "), this);
    group->setObjectName(QStringLiteral("gbFormulaFormat"));
    group->setFixedWidth(170);
    auto* form = new QVBoxLayout(group);
    bGenerateACommandTable =
        Button("bGenerateACommandTable", QStringLiteral("Command/Param."), group);
    form->addWidget(bGenerateACommandTable);
    ConnectGuarded(bGenerateACommandTable, &QPushButton::clicked, this,
                   &FormulaTab::BuildCommandTable);
    auto* top = new QHBoxLayout;
    top->addWidget(new QLabel(QStringLiteral("Top list for "), group));
    seTop = SpinEdit("seTop", 1, 5, 2, group);
    top->addWidget(seTop);
    form->addLayout(top);
    cbExcludeGF = Named(new QCheckBox(QStringLiteral("Exclude GF"), group), "cbExcludeGF");
    // The text stands left of the box.
    cbExcludeGF->setLayoutDirection(Qt::RightToLeft);
    form->addWidget(cbExcludeGF);
    bParaToClipBoard = Button("bParaToClipBoard", QStringLiteral("&TableToClipboard"), group);
    form->addWidget(bParaToClipBoard);
    ConnectGuarded(bParaToClipBoard, &QPushButton::clicked, this, &FormulaTab::CopyToClipboard);
    form->addStretch(1);
    box->addWidget(group);
}

CommandTableOptions FormulaTab::Options() const
{
    return {seTop->value(), cbExcludeGF->isChecked()};
}

void FormulaTab::BuildCommandTable()
{
    ShowCommandTable(false);
    // After the command the data file stands on its first age group.
    m_state.db.dataFile().first();
}

void FormulaTab::ShowCommandTable(bool keepAgeGroup)
{
    ReferenceDatabase& db = m_state.db;
    if (!db.dataFileLink().isActive()) {
        Dialogs::ShowMessage(this, QStringLiteral("No data set selected."));
        return;
    }
    DataTable& file = db.dataFile();
    const GeneratorResult table =
        GenerateCommandTable(CurrentCommandTableSource(db.parameters()), file, Options());
    ShowLines(table.lines);
    if (!table.complete()) {
        if (!keepAgeGroup)
            file.moveTo(table.stopRow.value_or(0) + 1);
        table.throwIfStopped();
    }
}

void FormulaTab::ShowLines(const QStringList& lines)
{
    mFormula->setPlainText(lines.join(QLatin1Char('\n')));
}

void FormulaTab::Clear()
{
    mFormula->clear();
}

void FormulaTab::CopyToClipboard()
{
    CopyViewToClipboard(*mFormula);
}

} // namespace veltra
