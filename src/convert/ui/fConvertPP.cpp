#include "convert/ui/fConvertPP.h"

namespace veltra {

TfConvertPP::TfConvertPP(QWidget* parent) : QWidget(parent, Qt::Tool)
{
    setObjectName(QStringLiteral("fConvertPP"));
    setWindowTitle(QStringLiteral("Transform GF into Standard parameter"));
    setGeometry(226, 218, 796, 521);
}

} // namespace veltra
