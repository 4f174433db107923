#include "util/TextLines.h"

namespace veltra {

QStringList TextLines(const QString& text)
{
    QStringList lines;
    QString line;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == QLatin1Char('\r') || c == QLatin1Char('\n')) {
            if (c == QLatin1Char('\r') && i + 1 < text.size() &&
                text.at(i + 1) == QLatin1Char('\n'))
                ++i;
            lines.append(line);
            line.clear();
        } else {
            line.append(c);
        }
    }
    if (!line.isEmpty())
        lines.append(line);
    return lines;
}

QStringList ShownLines(const QStringList& lines)
{
    QStringList shown;
    for (const QString& line : lines) {
        // A trailing break opens one more (empty) line in the view, which TextLines drops.
        shown << TextLines(line + QLatin1Char('\n'));
    }
    return shown;
}

QStringList ViewLines(const QString& viewText)
{
    if (viewText.isEmpty())
        return {};
    QString text = viewText;
    text.replace(QChar(0x2029), QLatin1Char('\n'));
    return text.split(QLatin1Char('\n'));
}

} // namespace veltra
