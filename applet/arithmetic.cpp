// The built-ins of arithmetic, comparison and logic, the random numbers and
// the system time.
#include "applet/internal.h"
#include <climits>
#include <cmath>
#include <ctime>

// ---- arithmetic, comparison, logic ----

typedef int32_t (*BINARY)(APPLET *, int32_t, int32_t);

static int Binary(APPLET *a, HWND w, BINARY op)
{
    BEGIN(2, 2);
    int32_t x = IntArg(&c, 0);
    int32_t y = IntArg(&c, 1);
    return EndCall(&c, op(a, x, y));
}

int APPLETAdd(APPLET *a, HWND w)
{
    return Binary(a, w, [](APPLET *, int32_t x, int32_t y) { return Wrap((uint32_t)x + (uint32_t)y); });
}
int APPLETSubtract(APPLET *a, HWND w)
{
    return Binary(a, w, [](APPLET *, int32_t x, int32_t y) { return Wrap((uint32_t)x - (uint32_t)y); });
}
int APPLETMul(APPLET *a, HWND w)
{
    return Binary(a, w, [](APPLET *, int32_t x, int32_t y) { return Wrap((uint32_t)x * (uint32_t)y); });
}

// INT_MIN / -1 does not fit: it gives INT_MIN, and its remainder 0.
int APPLETDiv(APPLET *a, HWND w)
{
    return Binary(a, w, [](APPLET *a, int32_t x, int32_t y) {
        if (!y) {
            APPLETRecordError(a, APPLETERR_DIVIDE);
            y = 1;
        }
        return y == -1 ? Wrap(0u - (uint32_t)x) : x / y;
    });
}
int APPLETMod(APPLET *a, HWND w)
{
    return Binary(a, w, [](APPLET *a, int32_t x, int32_t y) {
        if (!y) {
            APPLETRecordError(a, APPLETERR_DIVIDE);
            y = 1;
        }
        return y == -1 ? 0 : x % y;
    });
}
int APPLETShiftLeft(APPLET *a, HWND w)
{
    return Binary(a, w, [](APPLET *, int32_t x, int32_t n) { return Wrap((uint32_t)x << (n & 31)); });
}
int APPLETShiftRight(APPLET *a, HWND w)
{
    return Binary(a, w, [](APPLET *, int32_t x, int32_t n) { return x >> (n & 31); });
}
int APPLETBitAnd(APPLET *a, HWND w)
{
    return Binary(a, w, [](APPLET *, int32_t x, int32_t y) { return x & y; });
}
int APPLETBitOr(APPLET *a, HWND w)
{
    return Binary(a, w, [](APPLET *, int32_t x, int32_t y) { return x | y; });
}
int APPLETBitXor(APPLET *a, HWND w)
{
    return Binary(a, w, [](APPLET *, int32_t x, int32_t y) { return x ^ y; });
}
int APPLETMax(APPLET *a, HWND w)
{
    return Binary(a, w, [](APPLET *, int32_t x, int32_t y) { return x > y ? x : y; });
}
int APPLETMin(APPLET *a, HWND w)
{
    return Binary(a, w, [](APPLET *, int32_t x, int32_t y) { return x < y ? x : y; });
}
// A power too large for 64 bits, infinite or not a number gives 0.
int APPLETPow(APPLET *a, HWND w)
{
    return Binary(a, w, [](APPLET *, int32_t x, int32_t y) {
        double r = pow((double)x, (double)y);
        if (!std::isfinite(r) || fabs(r) >= 9223372036854775808.0)
            return 0;
        return Wrap((uint32_t)(uint64_t)(int64_t)r);
    });
}
int APPLETAnd(APPLET *a, HWND w)
{
    return Binary(a, w, [](APPLET *, int32_t x, int32_t y) { return (int32_t)(x && y); });
}
int APPLETOr(APPLET *a, HWND w)
{
    return Binary(a, w, [](APPLET *, int32_t x, int32_t y) { return (int32_t)(x || y); });
}
int APPLETIsEqual(APPLET *a, HWND w)
{
    return Binary(a, w, [](APPLET *, int32_t x, int32_t y) { return (int32_t)(x == y); });
}
int APPLETIsNotEqual(APPLET *a, HWND w)
{
    return Binary(a, w, [](APPLET *, int32_t x, int32_t y) { return (int32_t)(x != y); });
}
int APPLETIsGreaterThan(APPLET *a, HWND w)
{
    return Binary(a, w, [](APPLET *, int32_t x, int32_t y) { return (int32_t)(x > y); });
}
int APPLETIsLessThan(APPLET *a, HWND w)
{
    return Binary(a, w, [](APPLET *, int32_t x, int32_t y) { return (int32_t)(x < y); });
}
int APPLETIsGreaterThanOrEqualTo(APPLET *a, HWND w)
{
    return Binary(a, w, [](APPLET *, int32_t x, int32_t y) { return (int32_t)(x >= y); });
}
int APPLETIsLessThanOrEqualTo(APPLET *a, HWND w)
{
    return Binary(a, w, [](APPLET *, int32_t x, int32_t y) { return (int32_t)(x <= y); });
}

int APPLETAbs(APPLET *a, HWND w)
{
    BEGIN(1, 1);
    int32_t x = IntArg(&c, 0);
    return EndCall(&c, x < 0 ? Wrap(0u - (uint32_t)x) : x);
}

int APPLETNot(APPLET *a, HWND w)
{
    BEGIN(1, 1);
    return EndCall(&c, IntArg(&c, 0) == 0);
}

static uint64_t randomstate;
static bool randomseeded;

void APPLETSeedRandom(uint64_t seed)
{
    randomstate = seed;
    randomseeded = true;
}

// A 64-bit linear congruential generator; its top bits are good ones.
uint32_t APPLETRandom31()
{
    if (!randomseeded) {
        LARGE_INTEGER counter;
        QueryPerformanceCounter(&counter);
        APPLETSeedRandom((uint64_t)counter.QuadPart ^ ((uint64_t)time(nullptr) << 32) ^ GetTickCount());
    }
    randomstate = randomstate * 6364136223846793005ull + 1442695040888963407ull;
    return (uint32_t)(randomstate >> 33);
}

int APPLETRandom(APPLET *a, HWND w)
{
    BEGIN(1, 1);
    int32_t n = IntArg(&c, 0);
    return EndCall(&c, n ? (int32_t)APPLETRandom31() % n : 0);
}

int APPLETGetSystemTime(APPLET *a, HWND w)
{
    BEGIN(0, INT_MAX);
    if (c.argc)
        APPLETRecordError(a, APPLETERR_ARGCOUNT);
    return EndCall(&c, (int32_t)time(nullptr));
}
