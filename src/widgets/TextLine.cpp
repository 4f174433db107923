#include "widgets/TextLine.h"

#include <QEvent>
#include <QPainter>
#include <QStyle>

namespace veltra {

TextLine::TextLine(QWidget* parent) : QWidget(parent)
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

QSize TextLine::sizeHint() const
{
    return {fontMetrics().horizontalAdvance(m_text), fontMetrics().height()};
}

QSize TextLine::minimumSizeHint() const
{
    return {0, fontMetrics().height()};
}

void TextLine::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const QString shown = fontMetrics().elidedText(m_text, Qt::ElideRight, width());
    style()->drawItemText(&painter, rect(), Qt::AlignLeft | Qt::AlignVCenter, palette(),
                          isEnabled(), shown, foregroundRole());
}

void TextLine::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    updateToolTip();
}

void TextLine::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    // Another font changes the line's height: that one change does ask for a new layout.
    if (event->type() == QEvent::FontChange) {
        updateGeometry();
        updateToolTip();
    }
}

void TextLine::updateToolTip()
{
    // The whole text as tool tip only where the line cuts it.
    setToolTip(fontMetrics().horizontalAdvance(m_text) > width() ? m_text : QString());
}

} // namespace veltra
