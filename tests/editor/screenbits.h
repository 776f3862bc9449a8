// Makes the screen answer a chosen number of bits per pixel while alive:
// every caller of GetDeviceCaps in this program, GetDisplayBits among them,
// sees it.
#pragma once
#include "tests/support/testsupport.h"
#include <windows.h>

class ScreenBits {
public:
    explicit ScreenBits(int bits)
    {
        value = bits;
        real = (DEVICECAPS)sbtest::ReplaceImport("gdi32.dll", "GetDeviceCaps", (void *)Fake);
    }
    ~ScreenBits() { sbtest::ReplaceImport("gdi32.dll", "GetDeviceCaps", (void *)real); }
    ScreenBits(const ScreenBits &) = delete;
    ScreenBits &operator=(const ScreenBits &) = delete;

private:
    typedef int(WINAPI *DEVICECAPS)(HDC, int);
    static inline int value;
    static inline DEVICECAPS real;
    static int WINAPI Fake(HDC dc, int index)
    {
        if (index == BITSPIXEL)
            return value;
        if (index == PLANES)
            return 1;
        return real(dc, index);
    }
};
