#include "widgets/PanelStatusBar.h"

#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <algorithm>

namespace veltra {

PanelStatusBar::PanelStatusBar(QWidget* parent) : QStatusBar(parent)
{
    setSizeGripEnabled(false);
    // The panel widths were laid out for an 8-point dialog font.
    QFont small = font();
    small.setPointSizeF(qMin<qreal>(small.pointSizeF(), 8));
    setFont(small);
}

void PanelStatusBar::addPanel(int width, const QString& text, bool stretch)
{
    auto* panel = new StatusPanel(this);
    panel->setObjectName(QStringLiteral("panel%1").arg(m_panels.size()));
    panel->setText(text);
    if (stretch)
        panel->setMinimumWidth(width);
    else
        panel->setFixedWidth(width);
    addWidget(panel, stretch ? 1 : 0);
    m_panels.append(panel);
}

QString PanelStatusBar::panelText(int panel) const
{
    return panel >= 0 && panel < m_panels.size() ? m_panels.at(panel)->text() : QString();
}

void PanelStatusBar::setPanelText(int panel, const QString& text)
{
    if (panel >= 0 && panel < m_panels.size())
        m_panels.at(panel)->setText(text);
}

// --- one panel ------------------------------------------------------------------------------

StatusPanel::StatusPanel(QWidget* parent) : QFrame(parent)
{
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    // Presses go through to the bar.
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void StatusPanel::setText(const QString& text)
{
    if (text == m_text)
        return;
    m_text = text;
    setToolTip(text);
    update();
}

QSize StatusPanel::sizeHint() const
{
    const int frame = 2 * frameWidth();
    return {std::max(minimumWidth(), fontMetrics().horizontalAdvance(m_text) + indent() + frame),
            fontMetrics().height() + frame};
}

QSize StatusPanel::minimumSizeHint() const
{
    return {0, fontMetrics().height() + 2 * frameWidth()};
}

int StatusPanel::indent() const
{
    // Half an "x" between the frame and the text, as a framed label keeps.
    return fontMetrics().horizontalAdvance(u'x') / 2;
}

void StatusPanel::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    drawFrame(&painter);
    QRect room = contentsRect();
    room.setLeft(room.left() + indent());
    style()->drawItemText(&painter, room,
                          Qt::AlignLeft | Qt::AlignVCenter | Qt::TextForceLeftToRight, palette(),
                          isEnabled(), m_text, foregroundRole());
}

void PanelStatusBar::mousePressEvent(QMouseEvent* event)
{
    event->accept();
    Q_EMIT pressed(event->button());
}

} // namespace veltra
