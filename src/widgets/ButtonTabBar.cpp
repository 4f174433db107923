#include "widgets/ButtonTabBar.h"

#include <QMouseEvent>

namespace veltra {

ButtonTabBar::ButtonTabBar(QWidget* parent) : QTabBar(parent)
{
    setDrawBase(false);
    setExpanding(false);
    setShape(QTabBar::RoundedNorth);
    setDocumentMode(true);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

QSize ButtonTabBar::minimumSizeHint() const
{
    return QTabBar::sizeHint();
}

void ButtonTabBar::mousePressEvent(QMouseEvent* event)
{
    QTabBar::mousePressEvent(event);
    event->accept();
    Q_EMIT pressed(tabAt(event->position().toPoint()), event->button());
}

} // namespace veltra
