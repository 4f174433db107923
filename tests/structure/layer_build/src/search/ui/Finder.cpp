#include "search/ui/Finder.h"
int FinderUnit()
{
    return FinderRows();
}
