#include "data/ui/Window.h"
int WindowUnit()
{
    return WindowRows();
}
