#pragma once
#include "data/Table.h"
inline int GridRows()
{
    return TableRows();
}
