// The "&LogFile" menu and the about box.
#include "app/ui/fMain.h"

#include "util/VeltraError.h"

namespace veltra {

// PLACEHOLDER: replaced before any commit.
void TForm1::ShowErrorProtocol1Click()
{
    throw VeltraError(QStringLiteral("not built yet"));
}

void TForm1::SavetheErrorProtocoltofile1Click()
{
    throw VeltraError(QStringLiteral("not built yet"));
}

void TForm1::Clear1Click()
{
    throw VeltraError(QStringLiteral("not built yet"));
}

void TForm1::Info1Click()
{
    throw VeltraError(QStringLiteral("not built yet"));
}

} // namespace veltra
