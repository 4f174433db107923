#include "widgets/TextLine.h"

#include <QEvent>
#include <QPainter>
#include <QStyle>

namespace veltra {

TextLine::TextLine(QWidget* parent) : QFrame(parent)
{
    // Any width the layout gives, one line high.
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
}

void TextLine::setText(const QString& text)
{
    if (text == m_text)
        return;
    m_text = text;
    updateToolTip();
    update();
}

int TextLine::indent() const
{
    return frameWidth() > 0 ? fontMetrics().horizontalAdvance(u'x') / 2 : 0;
}

QRect TextLine::textRoom() const
{
    return contentsRect().adjusted(indent(), 0, 0, 0);
}

QSize TextLine::sizeHint() const
{
    const int frame = 2 * frameWidth();
    return {fontMetrics().horizontalAdvance(m_text) + indent() + frame,
            fontMetrics().height() + frame};
}

QSize TextLine::minimumSizeHint() const
{
    return {0, fontMetrics().height() + 2 * frameWidth()};
}

void TextLine::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    drawFrame(&painter);
    const QRect room = textRoom();
    const QString shown = fontMetrics().elidedText(m_text, Qt::ElideRight, room.width());
    style()->drawItemText(&painter, room, Qt::AlignLeft | Qt::AlignVCenter, palette(), isEnabled(),
                          shown, foregroundRole());
}

void TextLine::resizeEvent(QResizeEvent* event)
{
    QFrame::resizeEvent(event);
    updateToolTip();
}

void TextLine::changeEvent(QEvent* event)
{
    QFrame::changeEvent(event);
    // Another font changes the line's height: that one change does ask for a new layout.
    if (event->type() == QEvent::FontChange) {
        updateGeometry();
        updateToolTip();
    }
}

void TextLine::updateToolTip()
{
    // The whole text as tool tip only where the line cuts it.
    setToolTip(fontMetrics().horizontalAdvance(m_text) > textRoom().width() ? m_text : QString());
}

} // namespace veltra
