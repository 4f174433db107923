// The documentation report of the "&Report" menu.
#include "app/ui/fMain.h"

#include "util/VeltraError.h"

namespace veltra {

// PLACEHOLDER: replaced before any commit.
void TForm1::WordReport1Click()
{
    throw VeltraError(QStringLiteral("not built yet"));
}

void TForm1::Save1Click()
{
    throw VeltraError(QStringLiteral("not built yet"));
}

} // namespace veltra
