#include "reports/ui/uInfo.h"

namespace veltra {

TAboutBox::TAboutBox(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("AboutBox"));
    setWindowTitle(QStringLiteral("Info"));
    setFixedSize(368, 217);
}

} // namespace veltra
