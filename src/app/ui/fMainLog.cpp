// The "&LogFile" menu and the about box.
#include "app/ui/fMain.h"

#include "reports/ui/uInfo.h"
#include "tables/TableExport.h"
#include "widgets/ProtocolView.h"

#include <QLabel>
#include <QTabWidget>

namespace veltra {

void TForm1::ShowErrorProtocol1Click()
{
    t->setCurrentWidget(PrtMemo->parentWidget());
}

void TForm1::SavetheErrorProtocoltofile1Click()
{
    const QString path = Dialogs::AskFileName(this, Dialogs::FileMode::Save, sdLog, QString());
    if (path.isEmpty())
        return;
    // The lines, each ended by CR LF, in the text encoding of every text file the
    // program writes; the file is replaced whole or not at all.
    WriteTextLines(path, m_log.lines());
}

void TForm1::Clear1Click()
{
    m_log.Clear();
}

void TForm1::Info1Click()
{
    // The program's start gives the window the about box; without one (a window made
    // on its own) the window makes its own, so the command always works.
    EnsureSecondaryWindows();
    if (!AboutBox)
        AboutBox = new TAboutBox(this);
    AboutBox->Version->setText(VersionText);
    AboutBox->ModeLabel->setText(EditModeText);
    AboutBox->exec();
}

} // namespace veltra
