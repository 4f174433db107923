// Secondary windows a test builds itself and hands to the main window, as the program's
// start hands it the windows it builds. The main window takes them only through its
// pointers, so this is the one place in the tests that knows how it keeps them.
#pragma once

#include "app/ui/fMain.h"

namespace fixture {

/// The windows to hand over; a null one is left as the main window has it.
struct SecondaryWindows
{
    veltra::TfFormTab* formTab = nullptr;
    veltra::TfClipTab* clipTab = nullptr;
    veltra::TfSearchIndex* searchIndex = nullptr;
    veltra::TfWhatsOn* whatsOn = nullptr;
    veltra::TAboutBox* aboutBox = nullptr;
};

inline void Attach(veltra::TForm1& form, const SecondaryWindows& windows)
{
    if (windows.formTab)
        form.fFormTab = windows.formTab;
    if (windows.clipTab)
        form.fClipTab = windows.clipTab;
    if (windows.searchIndex)
        form.fSearchIndex = windows.searchIndex;
    if (windows.whatsOn)
        form.fWhatsOn = windows.whatsOn;
    if (windows.aboutBox)
        form.AboutBox = windows.aboutBox;
}

} // namespace fixture
