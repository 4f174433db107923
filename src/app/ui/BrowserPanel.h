// The browser panel above the tabs: headlines, topics and the parameter rows of the chosen
// topic, with the sex selection and the order of the parameter rows.
#pragma once

#include "app/ui/ViewerPart.h"

class QButtonGroup;
class QComboBox;
class QGroupBox;

namespace veltra {

class DbGrid;
class BrowserPanel : public ViewerPart
{
    Q_OBJECT
public:
    BrowserPanel(ViewerState& state, QWidget* parent);

    /// Filters the parameter rows by the current topic, the chosen sex and order.
    void ApplyParameterFilter();

private:
    DbGrid* dbgTopics = nullptr;
    DbGrid* dbgParameter = nullptr;
    DbGrid* dbgSources = nullptr;
    QComboBox* cbSex = nullptr;
    QGroupBox* rgOrderRestriction = nullptr;
    QButtonGroup* m_orderButtons = nullptr;
};

} // namespace veltra
