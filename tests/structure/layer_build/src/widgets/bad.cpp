// The kit reaching up into a window.
#include "data/ui/Window.h"
int BadKit()
{
    return WindowRows();
}
