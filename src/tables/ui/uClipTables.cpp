#include "tables/ui/fClipTab.h"

namespace veltra {

TfClipTab::TfClipTab(QWidget* parent) : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("fClipTab"));
    setWindowTitle(QStringLiteral("Formating"));
}

} // namespace veltra
