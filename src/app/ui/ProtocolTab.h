// The "Prot./Options" tab: the protocol log, the protocol and view options, and the
// commands that close and reopen the tables.
#pragma once

#include "app/ui/ViewerPart.h"
#include "widgets/Dialogs.h"

class QCheckBox;
class QPushButton;

namespace veltra {

class IniFile;
class ProtocolView;

class ProtocolTab : public ViewerPart
{
    Q_OBJECT
public:
    ProtocolTab(ViewerState& state, QWidget* parent);

    /// "File Access Prt.": the data file connections are written to the log.
    bool FileAccessProtocol() const;
    /// "Index Generation Prt.": the index generation's lines are written to the log.
    bool IndexProtocol() const;
    /// "Show Additional Info ": rows show their restrictions below the Info text.
    bool AdditionalInfo() const;

    /// The options from the settings file (each checked when the file lacks it).
    void ReadSettings(const IniFile& ini);
    void WriteSettings(IniFile& ini) const;

public Q_SLOTS:
    /// "Save the Error Protocol to file".
    void SaveProtocol();
    void ClearProtocol();

Q_SIGNALS:
    void additionalInfoToggled(bool shown);
    /// "Close All ".
    void closeAllRequested();
    /// "ReOpen All".
    void reopenRequested();

private:
    ProtocolView* PrtMemo = nullptr;
    QCheckBox* cbFileAccessPrt = nullptr;
    QCheckBox* cbGiveIndexPrt = nullptr;
    QCheckBox* cbShowAdditionalInfo = nullptr;
    QPushButton* bCloseAllTables = nullptr;
    QPushButton* bCloseOpen = nullptr;
    FileDialogSettings sdLog;
};

} // namespace veltra
