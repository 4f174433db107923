#pragma once
inline int TextWidth()
{
    return 1;
}
