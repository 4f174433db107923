// The editing functions of the "&Database" menu.
#include "app/ui/fMain.h"

#include "util/VeltraError.h"

namespace veltra {

// PLACEHOLDER: replaced before any commit.
void TForm1::InfoPagetoClipboard1Click()
{
    throw VeltraError(QStringLiteral("not built yet"));
}

void TForm1::PasteClipboardToInfopage1Click()
{
    throw VeltraError(QStringLiteral("not built yet"));
}

void TForm1::Savechanges1Click()
{
    throw VeltraError(QStringLiteral("not built yet"));
}

void TForm1::Savechangesindataset1Click()
{
    throw VeltraError(QStringLiteral("not built yet"));
}

} // namespace veltra
