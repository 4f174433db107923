// The "Parameters of EDF/CDF" tab: the current age group's General F approximation, its
// converted functions, moments and quantiles, the group's number of observations and the
// way to the distribution window.
#pragma once

#include "app/ui/ViewerPart.h"

class QLabel;
class QPlainTextEdit;
class QPushButton;
class QTabWidget;

namespace veltra {

class DbEdit;
class DbMemo;
class DbNavigator;
struct AgeGroupTexts;

class EdfTab : public ViewerPart
{
    Q_OBJECT
public:
    EdfTab(ViewerState& state, QWidget* parent);

    /// Binds the views to the connected file's fields; a view whose field the file lacks
    /// shows nothing.
    void BindFields(const QStringList& names);
    /// Empties the converted functions (before a data file is opened).
    void ClearFunctions();
    /// Empties every text view of the tab.
    void ClearAll();
    /// The percentile reliability of the data file's current age group, or none when the
    /// file is closed.
    void ShowReliability();
    void ClearReliability();
    /// Shows the group's converted functions; the rows converted before a failing line stay
    /// shown, then the failure is thrown.
    void ShowSelectedFunctions(const QString& contentText, const AgeGroupTexts& group);

Q_SIGNALS:
    /// "Distributions" was pressed.
    void distributionsRequested();

private:
    QTabWidget* tEdf = nullptr;
    DbMemo* dbmGF = nullptr;
    QPlainTextEdit* mTransformed = nullptr;
    /// The percentile reliability of the current age group, below the tabs.
    QLabel* lReliability = nullptr;
    DbMemo* dbmMemoBstFt = nullptr;
    DbMemo* dbmQuantilesFit = nullptr;
    DbEdit* dbeQuantAge = nullptr;
    DbEdit* dbeQuantN = nullptr;
    DbNavigator* DBNavigator6 = nullptr;
    QPushButton* bDistributions = nullptr;
};

} // namespace veltra
