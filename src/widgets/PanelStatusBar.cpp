#include "widgets/PanelStatusBar.h"

#include "widgets/TextLine.h"

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
    // A panel's size does not follow its text: a new text repaints the panel alone, where
    // a label would have the bar laid out and repainted whole, and the viewer sets several
    // panels on every row change.
    auto* panel = new TextLine(this);
    panel->setObjectName(QStringLiteral("panel%1").arg(m_panels.size()));
    panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    // The bar's layout needs the width hint: it places a panel that ignores it over its
    // neighbours.
    panel->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    // Presses go through to the bar.
    panel->setAttribute(Qt::WA_TransparentForMouseEvents);
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

void PanelStatusBar::mousePressEvent(QMouseEvent* event)
{
    event->accept();
    Q_EMIT pressed(event->button());
}

} // namespace veltra
