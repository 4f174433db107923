// A lower layer reaching up.
#include "data/Table.h"
int BadCore()
{
    return TableRows();
}
