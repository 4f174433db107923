#pragma once
#include "widgets/Grid.h"
inline int WindowRows()
{
    return GridRows();
}
