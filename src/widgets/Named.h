// Names a control for tests and style sheets: the windows keep the design's control names
// as object names, so a test finds a control with findChild instead of reaching into a
// window's members.
#pragma once

#include <QLatin1String>
#include <QString>

namespace veltra {

/// Gives `control` the object name `name` and, when `hint` is not empty, that tooltip;
/// returns the control, so it can name a control where it is made.
template <typename Control>
Control* Named(Control* control, const char* name, const QString& hint = QString())
{
    control->setObjectName(QLatin1String(name));
    if (!hint.isEmpty())
        control->setToolTip(hint);
    return control;
}

} // namespace veltra
