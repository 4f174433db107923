// The "Report    " tab: the documentation report of the current parameter row and its
// data file, and its saving as RTF or PDF.
#pragma once

#include "app/ui/ViewerPart.h"
#include "widgets/Dialogs.h"

namespace veltra {

class FormulaTab;
class ParameterTableTab;
class TOLEEdit;

class ReportTab : public ViewerPart
{
    Q_OBJECT
public:
    /// The report leaves its formatted table in `tables` and its command table in
    /// `formula`, as the commands of those tabs would.
    ReportTab(ViewerState& state, ParameterTableTab& tables, FormulaTab& formula, QWidget* parent);

    void Clear();

public Q_SLOTS:
    /// "Documentation (full)": builds the report and shows it.
    void MakeReport();
    /// "Save the Documentation to file": RTF, or PDF for a name ending in ".pdf".
    void SaveReport();

private:
    ParameterTableTab& m_tables;
    FormulaTab& m_formula;
    TOLEEdit* oe1 = nullptr;
    FileDialogSettings sdRTF;
};

} // namespace veltra
