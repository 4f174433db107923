// One window folder reaching into another.
#include "data/ui/Window.h"
int BadWindow()
{
    return WindowRows();
}
