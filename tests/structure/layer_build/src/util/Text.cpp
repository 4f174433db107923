#include "util/Text.h"
int UtilUnit()
{
    return TextWidth();
}
