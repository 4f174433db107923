#include "search/ui/uWhatsOn.h"

namespace veltra {

TfWhatsOn::TfWhatsOn(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("fWhatsOn"));
    setWindowTitle(QStringLiteral("   What's going on ..."));
    setFixedSize(381, 154);
}

} // namespace veltra
