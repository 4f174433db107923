#include "app/ui/widgets/ViewFonts.h"

#include <QFontDatabase>
#include <QStringList>

namespace veltra {

QFont FixedPitchFont(bool bold)
{
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setStyleHint(QFont::TypeWriter);
    font.setBold(bold);
    return font;
}

QString ScreenFontFamily(const QString& family)
{
    const QString name = family.trimmed();
    for (const char* fixed : {"Courier New", "Courier", "Terminal"}) {
        if (name.compare(QLatin1String(fixed), Qt::CaseInsensitive) == 0)
            return FixedPitchFont().family();
    }
    for (const char* dialog : {"MS Sans Serif", "Arial Narrow"}) {
        if (name.compare(QLatin1String(dialog), Qt::CaseInsensitive) == 0)
            return QFont().family();
    }
    return family;
}

QFont BoldFont(const QFont& base)
{
    QFont font = base;
    font.setBold(true);
    return font;
}

} // namespace veltra
