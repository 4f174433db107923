#include "util/Text.h"
int GoodCore()
{
    return TextWidth();
}
