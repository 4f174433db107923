#include "widgets/ViewFonts.h"

#include <QFontDatabase>
#include <QFontMetricsF>
#include <QStringList>

#include <cmath>

namespace veltra {

bool HasEqualAdvances(const QFont& font)
{
    const QFontMetricsF metrics(font);
    const qreal advance = metrics.horizontalAdvance(u'M');
    if (advance <= 0)
        return false;
    for (const QChar c : QStringLiteral("il.W0 |_#m,;")) {
        if (std::abs(metrics.horizontalAdvance(c) - advance) > 0.01)
            return false;
    }
    return true;
}

QFont FixedPitchFont(bool bold)
{
    // Decided once: the first family whose glyphs have equal advances.
    static const QString family = [] {
        const QFont system = QFontDatabase::systemFont(QFontDatabase::FixedFont);
        if (HasEqualAdvances(system))
            return system.family();
        const QStringList installed = QFontDatabase::families();
        for (const char* name : {"DejaVu Sans Mono", "Liberation Mono", "Noto Sans Mono",
                                 "Noto Mono", "Courier New", "FreeMono"}) {
            const QString candidate = QLatin1String(name);
            if (installed.contains(candidate, Qt::CaseInsensitive) &&
                HasEqualAdvances(QFont(candidate)))
                return candidate;
        }
        return system.family();
    }();
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setFamily(family);
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
