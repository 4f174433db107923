#include "util/PageSetup.h"

#include <QLocale>
#include <QPageSize>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include <algorithm>
#include <array>

namespace veltra {

PaperSize LocalePaperSize(const QLocale& locale)
{
    if (locale.measurementSystem() == QLocale::ImperialUSSystem)
        return PaperSize::Letter;
    static constexpr std::array<QLocale::Territory, 12> letterTerritories = {
        QLocale::UnitedStates, QLocale::Canada,     QLocale::Mexico,      QLocale::Chile,
        QLocale::Colombia,     QLocale::Venezuela,  QLocale::Philippines, QLocale::Guatemala,
        QLocale::CostaRica,    QLocale::ElSalvador, QLocale::Panama,      QLocale::PuertoRico};
    return std::find(letterTerritories.begin(), letterTerritories.end(), locale.territory()) !=
                   letterTerritories.end()
               ? PaperSize::Letter
               : PaperSize::A4;
}

std::optional<PaperSize> ParsePaperSize(const QString& text)
{
    if (text.compare(QLatin1String("a4"), Qt::CaseInsensitive) == 0)
        return PaperSize::A4;
    if (text.compare(QLatin1String("letter"), Qt::CaseInsensitive) == 0)
        return PaperSize::Letter;
    return std::nullopt;
}

QString PaperSizeName(PaperSize paper)
{
    return paper == PaperSize::Letter ? QStringLiteral("letter") : QStringLiteral("a4");
}

QPageSize PageSizeOf(PaperSize paper)
{
    return QPageSize(paper == PaperSize::Letter ? QPageSize::Letter : QPageSize::A4);
}

double DefaultTabStopDistance(double dotsPerInch)
{
    return DefaultTabTwips / 1440.0 * dotsPerInch;
}

void MarkReportBlock(QTextDocument& document, int first, int last, ReportBlockKind kind, int group)
{
    QTextCursor cursor(document.findBlockByNumber(first));
    for (int number = first; number <= last; ++number) {
        QTextBlockFormat format = cursor.blockFormat();
        format.setProperty(ReportBlockKindProperty, static_cast<int>(kind));
        format.setProperty(ReportBlockGroupProperty, group);
        cursor.setBlockFormat(format);
        if (!cursor.movePosition(QTextCursor::NextBlock))
            break;
    }
}

} // namespace veltra
