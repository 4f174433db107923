#pragma once
#include "util/Text.h"
inline int TableRows()
{
    return TextWidth();
}
