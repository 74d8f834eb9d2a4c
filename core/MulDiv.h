#pragma once

#include <cstdlib>

// a * b / c rounded to the nearest integer, halves away from zero: the scaling of stored
// pixel positions to the screen's resolution.
inline int MulDiv(int a, int b, int c)
{
    const long long p = static_cast<long long>(a) * b;
    const long long q = (std::llabs(p) * 2 + std::llabs(c)) / (std::llabs(c) * 2);
    return static_cast<int>((p < 0) != (c < 0) ? -q : q);
}
