#include "tables/ui/fFormTab.h"

namespace veltra {

TfFormTab::TfFormTab(QWidget* parent) : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("fFormTab"));
    setWindowTitle(QStringLiteral("Formatted Table Generator"));
}

} // namespace veltra
