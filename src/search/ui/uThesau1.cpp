#include "search/ui/uThesau1.h"

namespace veltra {

TfSearchIndex::TfSearchIndex(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint)
{
    setObjectName(QStringLiteral("fSearchIndex"));
    setWindowTitle(QStringLiteral(" Data Search by Keywords"));
    setGeometry(107, 124, 742, 598);
}

} // namespace veltra
