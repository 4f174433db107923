#include "widgets/Grid.h"
int KitUnit()
{
    return GridRows();
}
