#include "data/Table.h"
#include "widgets/Grid.h"
int GoodWindow()
{
    return TableRows() + GridRows();
}
