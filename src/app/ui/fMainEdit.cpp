// The editing functions of the "&Database" menu. Only the copy of the information page
// can be reached: the other entries are hidden and the tables are opened read-only, so
// the save commands fail with the table's read-only error until the tables are opened
// for writing.
#include "app/ui/fMain.h"

#include "data/UpdateMarkers.h"
#include "widgets/DbRichText.h"

#include <QDateTime>

namespace veltra {

void TForm1::InfoPagetoClipboard1Click()
{
    // The view's own copy puts every form it offers on the clipboard (plain text and
    // formatted text); the selection stays, so the user sees what was copied.
    dbmInfo->selectAll();
    dbmInfo->copy();
}

void TForm1::PasteClipboardToInfopage1Click()
{
    // A read-only view refuses the paste itself, so nothing changes while it is.
    dbmInfo->selectAll();
    dbmInfo->paste();
}

void TForm1::Savechanges1Click()
{
    SaveParameterChanges(m_db, m_log, QDateTime::currentDateTime());
    // The next search builds its index again from the saved table.
    ParameterTableSaved = true;
}

void TForm1::Savechangesindataset1Click()
{
    SaveDataSetChanges(m_db, m_log, QDateTime::currentDateTime());
}

} // namespace veltra
