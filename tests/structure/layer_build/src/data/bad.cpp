// Core code reaching into its own windows.
#include "data/ui/Window.h"
int BadData()
{
    return WindowRows();
}
