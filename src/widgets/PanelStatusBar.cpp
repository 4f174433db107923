#include "widgets/PanelStatusBar.h"

#include <QLabel>
#include <QMouseEvent>

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
    auto* label = new QLabel(text, this);
    label->setObjectName(QStringLiteral("panel%1").arg(m_panels.size()));
    if (stretch)
        label->setMinimumWidth(width);
    else
        label->setFixedWidth(width);
    label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    label->setTextFormat(Qt::PlainText);
    // A panel of fixed width is of fixed height too: a new text then repaints the panel
    // alone, where otherwise the bar would be laid out and repainted whole on every change.
    if (!stretch)
        label->setFixedHeight(label->sizeHint().height());
    // Labels ignore presses, so a press on a panel reaches the bar.
    label->setAttribute(Qt::WA_TransparentForMouseEvents);
    label->setToolTip(text);
    addWidget(label, stretch ? 1 : 0);
    m_panels.append(label);
}

QString PanelStatusBar::panelText(int panel) const
{
    return panel >= 0 && panel < m_panels.size() ? m_panels.at(panel)->text() : QString();
}

void PanelStatusBar::setPanelText(int panel, const QString& text)
{
    if (panel >= 0 && panel < m_panels.size()) {
        m_panels.at(panel)->setText(text);
        m_panels.at(panel)->setToolTip(text);
    }
}

void PanelStatusBar::mousePressEvent(QMouseEvent* event)
{
    event->accept();
    Q_EMIT pressed(event->button());
}

} // namespace veltra
