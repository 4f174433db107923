#include "app/ui/ViewerPart.h"

#include <QTabWidget>

namespace veltra {

void ViewerPart::ShowPage()
{
    // A tab widget keeps its pages in a stack of its own: the page's grandparent.
    QWidget* stack = parentWidget();
    if (auto* tabs = qobject_cast<QTabWidget*>(stack ? stack->parentWidget() : nullptr))
        tabs->setCurrentWidget(this);
}

} // namespace veltra
