#include "app/widgets/ViewFonts.h"

#include <QFontDatabase>

namespace veltra {

QFont FixedPitchFont(bool bold)
{
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setStyleHint(QFont::TypeWriter);
    font.setBold(bold);
    return font;
}

QFont BoldFont(const QFont& base)
{
    QFont font = base;
    font.setBold(true);
    return font;
}

} // namespace veltra
