#pragma once
#include "widgets/Grid.h"
inline int FinderRows()
{
    return GridRows();
}
