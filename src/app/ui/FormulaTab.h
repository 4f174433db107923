// The "Formula    " tab: the command/parameter table of the connected data file, for the
// Monte Carlo tools, and its copy to the clipboard.
#pragma once

#include "app/ui/ViewerPart.h"

class QCheckBox;
class QPlainTextEdit;
class QPushButton;
class QSpinBox;

namespace veltra {

struct CommandTableOptions;

class FormulaTab : public ViewerPart
{
    Q_OBJECT
public:
    FormulaTab(ViewerState& state, QWidget* parent);

    /// The length of the top list and whether the General F approximation is left out.
    CommandTableOptions Options() const;
    /// The command/parameter table of the connected file; keepAgeGroup: the data file stays
    /// on its current age group, also when the table stops at a failing group.
    void ShowCommandTable(bool keepAgeGroup);
    void ShowLines(const QStringList& lines);
    void Clear();

public Q_SLOTS:
    /// "Command/Param.": the table, after which the data file stands on its first group.
    void BuildCommandTable();
    void CopyToClipboard();

private:
    QPlainTextEdit* mFormula = nullptr;
    QPushButton* bGenerateACommandTable = nullptr;
    QSpinBox* seTop = nullptr;
    QCheckBox* cbExcludeGF = nullptr;
    QPushButton* bParaToClipBoard = nullptr;
};

} // namespace veltra
