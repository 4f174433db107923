#include "widgets/LegendStrip.h"

#include <QEvent>
#include <QPainter>
#include <QStringList>
#include <algorithm>

namespace veltra {

namespace {

const QString EntrySeparator = QStringLiteral("   ");

} // namespace

LegendStrip::LegendStrip(QWidget* parent) : QWidget(parent)
{
    QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
    measure();
}

void LegendStrip::setEntries(const QList<Entry>& entries)
{
    if (entries == m_entries)
        return;
    const int linesBefore = lineCount(width());
    m_entries = entries;
    measure();
    if (lineCount(width()) != linesBefore)
        updateGeometry();
    update();
}

QString LegendStrip::text() const
{
    QStringList parts;
    for (const Entry& entry : m_entries)
        parts << entry.symbol + u' ' + entry.text;
    return parts.join(EntrySeparator);
}

void LegendStrip::measure()
{
    const QFontMetrics metrics = fontMetrics();
    m_gap = metrics.horizontalAdvance(EntrySeparator);
    const int blank = metrics.horizontalAdvance(u' ');
    m_symbolWidths.clear();
    m_widths.clear();
    for (const Entry& entry : std::as_const(m_entries)) {
        const int symbol = metrics.horizontalAdvance(entry.symbol) + blank;
        m_symbolWidths << symbol;
        m_widths << symbol + metrics.horizontalAdvance(entry.text);
    }
}

QList<int> LegendStrip::lineStarts(int width) const
{
    QList<int> starts;
    int x = 0;
    for (int i = 0; i < m_widths.size(); ++i) {
        if (starts.isEmpty() || x + m_gap + m_widths.at(i) > width) {
            starts << i;
            x = m_widths.at(i);
        } else {
            x += m_gap + m_widths.at(i);
        }
    }
    return starts;
}

int LegendStrip::lineCount(int width) const
{
    return std::max(1, int(lineStarts(width).size()));
}

int LegendStrip::heightForWidth(int width) const
{
    return lineCount(width) * fontMetrics().lineSpacing();
}

QSize LegendStrip::sizeHint() const
{
    int width = 0;
    for (int i = 0; i < m_widths.size(); ++i)
        width += (i > 0 ? m_gap : 0) + m_widths.at(i);
    return {width, fontMetrics().lineSpacing()};
}

QSize LegendStrip::minimumSizeHint() const
{
    return {0, fontMetrics().lineSpacing()};
}

void LegendStrip::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const QFontMetrics metrics = fontMetrics();
    const int lineHeight = metrics.lineSpacing();
    const QColor textColour =
        palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, foregroundRole());
    QList<int> starts = lineStarts(width());
    starts << int(m_entries.size());
    for (int line = 0; line + 1 < starts.size(); ++line) {
        int x = 0;
        const int y = line * lineHeight;
        for (int i = starts.at(line); i < starts.at(line + 1); ++i) {
            const Entry& entry = m_entries.at(i);
            painter.setPen(entry.symbolColour.isValid() ? entry.symbolColour : textColour);
            painter.drawText(QRect(x, y, m_symbolWidths.at(i), lineHeight),
                             Qt::AlignLeft | Qt::AlignVCenter, entry.symbol);
            painter.setPen(textColour);
            // An entry wider than the strip stands alone on its line, cut with an ellipsis.
            const int room = std::max(0, width() - x - m_symbolWidths.at(i));
            const QString text = m_widths.at(i) - m_symbolWidths.at(i) > room
                                     ? metrics.elidedText(entry.text, Qt::ElideRight, room)
                                     : entry.text;
            painter.drawText(QRect(x + m_symbolWidths.at(i), y, room, lineHeight),
                             Qt::AlignLeft | Qt::AlignVCenter, text);
            x += m_widths.at(i) + m_gap;
        }
    }
}

void LegendStrip::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    // The layout may have taken a height it measured for other entries: the strip asks
    // again when its lines at the new width do not fit the height it got.
    if (height() != heightForWidth(width()))
        updateGeometry();
}

void LegendStrip::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        measure();
        updateGeometry();
    }
}

} // namespace veltra
