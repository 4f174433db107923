// Secondary windows a test builds itself and hands to the main window, as the program's
// start hands it the windows it builds.
#pragma once

#include "app/ui/fMain.h"

namespace fixture {

using veltra::SecondaryWindows;

/// Hands the windows to the main window; a null one stays unavailable. Each window is
/// handed its windows once.
inline void Attach(veltra::TForm1& form, const SecondaryWindows& windows)
{
    form.SetSecondaryWindows([windows] { return windows; });
}

} // namespace fixture
