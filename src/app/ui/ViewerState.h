// What the parts of the main window share: the database and its protocol, the error guard
// every handler runs through, the settings read at start and the secondary windows.
#pragma once

#include "data/ReferenceDatabase.h"
#include "tables/TableExport.h"
#include "util/PageSetup.h"
#include "util/ProtocolLog.h"
#include "widgets/ErrorGuard.h"

#include <QStringList>
#include <functional>

namespace veltra {

class TAboutBox;
class TfClipTab;
class TfFormTab;
class TfSearchIndex;
class TfWhatsOn;

/// The windows the main window opens besides the ones it makes itself. The program's start
/// makes them on first use; a window without them reports the command as not available.
struct SecondaryWindows
{
    TfFormTab* formTab = nullptr;
    TfClipTab* clipTab = nullptr;
    TfSearchIndex* searchIndex = nullptr;
    TfWhatsOn* whatsOn = nullptr;
    TAboutBox* aboutBox = nullptr;
};

/// The state of one main window, owned by it and handed to each of its parts.
struct ViewerState
{
    explicit ViewerState(QWidget* window) : guard(window) {}

    ReferenceDatabase db;
    ProtocolLog log;
    ErrorGuard guard;
    /// The system beep; tests count the beeps instead.
    std::function<void()> beep;
    /// The path of the running executable (the settings file lies beside it).
    QString exePath;
    /// False while a walk moves the parameter table without connecting each row's file.
    bool openDataFiles = true;
    /// The search index is built again at the next search when either is set.
    bool indexOutdated = true;
    bool parameterTableSaved = false;
    QStringList sectionFieldNames;
    QString restrictOrder;
    /// The paper of saved reports: [Report] Paper= of the settings file, else the locale's.
    PaperSize reportPaper = PaperSize::A4;
    /// The kind and column widths of the table in the result view, for the spreadsheet copy.
    TableTextLayout resultLayout;

    SecondaryWindows windows;
    /// Makes the secondary windows; run once, by the first command that needs one of them,
    /// so that the start builds only the main window.
    std::function<SecondaryWindows()> makeWindows;
    const SecondaryWindows& Windows()
    {
        if (makeWindows) {
            const std::function<SecondaryWindows()> make = std::move(makeWindows);
            makeWindows = nullptr;
            windows = make();
        }
        return windows;
    }

    /// The Info field text of the current parameter row.
    QString CurrentInfo() const
    {
        return ReferenceDatabase::CurrentText(db.parameters(), QStringLiteral("Info"));
    }
};

} // namespace veltra
