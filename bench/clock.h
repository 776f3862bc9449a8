// The clock every benchmark reads: seconds from the performance counter.
#pragma once
#include <windows.h>

namespace bench {

inline double Now()
{
    static LARGE_INTEGER frequency;
    if (!frequency.QuadPart)
        QueryPerformanceFrequency(&frequency);
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return double(t.QuadPart) / double(frequency.QuadPart);
}

} // namespace bench
