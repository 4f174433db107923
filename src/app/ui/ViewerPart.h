// The base of the main window's parts.
#pragma once

#include "app/ui/ViewerState.h"

#include <QWidget>

namespace veltra {

/// A part of the main window: a widget that owns its controls and handlers and works on
/// the window's shared state. Its handlers run through the window's guard.
class ViewerPart : public QWidget
{
public:
    ViewerPart(ViewerState& state, const char* name, QWidget* parent)
        : QWidget(parent), m_state(state)
    {
        setObjectName(QLatin1String(name));
    }
    ErrorGuard& Guard() { return m_state.guard; }
    /// Brings this part's page to the front of the window's tabs.
    void ShowPage();

protected:
    ViewerState& m_state;
};

} // namespace veltra
