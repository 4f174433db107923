#include "data/Table.h"
int DataUnit()
{
    return TableRows();
}
