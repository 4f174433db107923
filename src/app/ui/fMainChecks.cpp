// The check lists of the "&Checks" menu.
#include "app/ui/fMain.h"

#include "util/VeltraError.h"

namespace veltra {

// PLACEHOLDER: replaced before any commit.
void TForm1::ListofTopics1Click()
{
    throw VeltraError(QStringLiteral("not built yet"));
}

void TForm1::Listofparameters1Click()
{
    throw VeltraError(QStringLiteral("not built yet"));
}

void TForm1::ListofDataSources1Click()
{
    throw VeltraError(QStringLiteral("not built yet"));
}

} // namespace veltra
