// The calling convention of the built-ins, and the built-ins that only
// compute: control flow, integer variables, arithmetic, comparison, logic,
// strings and arrays.
#include "applet/internal.h"
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

// ---- calling convention ----

int BeginCall(CALL *c, APPLET *a, HWND hwnd, int least, int most)
{
    c->a = a;
    c->hwnd = hwnd;
    c->argc = 0;
    c->args = c->few;
    c->counted = false;
    VALUE marker;
    if (int r = APPLETPop(a, &marker))
        return r;
    if (marker.type != VT_ARGCOUNT)
        return APPLETRecordError(a, APPLETERR_CORRUPTED);
    int argc = (int)marker.value;
    if (argc < 0 || argc > a->stacktop)
        return APPLETRecordError(a, APPLETERR_STACK);
    if (argc > (int)(sizeof c->few / sizeof c->few[0])) {
        c->args = (VALUE *)calloc((size_t)argc, sizeof(VALUE));
        if (!c->args) {
            c->args = c->few;
            return APPLETRecordError(a, APPLETERR_MEMORY);
        }
    }
    for (int i = argc - 1; i >= 0; i--)
        APPLETPop(a, &c->args[i]);
    c->argc = argc;
    c->counted = argc >= least && argc <= most;
    if (!c->counted)
        APPLETRecordError(a, APPLETERR_ARGCOUNT);
    return 0;
}

int EndCall(CALL *c, int32_t result)
{
    // A saved state or area taken for an argument (a save nested in another
    // call's argument list) is no argument: what it owns goes with it.
    for (int i = 0; i < c->argc; i++)
        if (c->args[i].type & (VT_GRAPHICSTATE | VT_SAVEDAREA))
            APPLETDiscardValue(c->a, &c->args[i]);
    c->argc = 0;
    if (c->args != c->few)
        free(c->args);
    c->args = c->few;
    APPLETMakeValue(&returnvalue, VT_INTEGER, (uint32_t)result, 0);
    return c->a->error;
}

int32_t IntArg(CALL *c, int i, int32_t absent)
{
    if (i >= c->argc)
        return absent;
    const VALUE &v = c->args[i];
    if (v.type == VT_INTEGER)
        return (int32_t)v.value;
    if (v.type == VT_INTREF) {
        VALUE found;
        return APPLETFindVariable(c->a, &found, v.value) ? 0 : (int32_t)found.value;
    }
    APPLETRecordError(c->a, APPLETERR_VALUE);
    return 0;
}

int32_t IntArgOr(CALL *c, int i, int32_t fallback)
{
    if (i >= c->argc)
        return fallback;
    const VALUE &v = c->args[i];
    if (v.type == VT_INTEGER)
        return (int32_t)v.value;
    if (v.type == VT_INTREF) {
        VALUE found;
        return APPLETFindVariable(c->a, &found, v.value) ? fallback : (int32_t)found.value;
    }
    APPLETRecordError(c->a, APPLETERR_VALUE);
    return fallback;
}

// A `$` reference is text only when it names a string variable: the value of
// an integer or array variable is no pointer to text.
const char *TextArg(CALL *c, int i)
{
    if (i >= c->argc)
        return nullptr;
    const VALUE &v = c->args[i];
    if (v.type == VT_STRING)
        return (const char *)(UINT_PTR)v.value;
    if (v.type == VT_STRINGREF) {
        VALUE found;
        if (APPLETFindVariable(c->a, &found, v.value))
            return nullptr;
        if ((found.type == VT_STRINGVARIABLE || found.type == VT_READONLYSTRING) && found.value)
            return (const char *)(UINT_PTR)found.value;
    }
    APPLETRecordError(c->a, APPLETERR_VALUE);
    return nullptr;
}

uint32_t RefArg(CALL *c, int i, uint32_t bit)
{
    if (i >= c->argc)
        return 0;
    if (c->args[i].type == bit)
        return c->args[i].value;
    APPLETRecordError(c->a, APPLETERR_VALUE);
    return 0;
}

uint32_t LabelArg(CALL *c, int i) { return RefArg(c, i, VT_LABEL); }

size_t TextLength(const char *s)
{
    size_t n = 0;
    while (s[n] && s[n] != STRING_END)
        n++;
    return n;
}

size_t StoredLength(const char *s) { return strlen(s); }

char *CopyText(APPLET *a, const char *text)
{
    size_t n = text ? TextLength(text) : 0;
    char *copy = (char *)calloc(n + 16, 1);
    if (!copy) {
        APPLETRecordError(a, APPLETERR_MEMORY);
        return nullptr;
    }
    if (n)
        memcpy(copy, text, n);
    return copy;
}

static int WriteString2(APPLET *a, uint32_t key, const char *p1, size_t n1, const char *p2, size_t n2)
{
    int i = APPLETVariableIndex(a, key);
    if (i < 0)
        return 0;
    if (!(a->variables[i].type & VT_STRINGREF))
        return APPLETRecordError(a, APPLETERR_ASSIGNMENT);
    char *memory = n1 + n2 <= APPLET_MAXSTRING ? (char *)calloc(n1 + n2 + 16, 1) : nullptr;
    if (!memory)
        return APPLETRecordError(a, APPLETERR_MEMORY);
    if (n1)
        memcpy(memory, p1, n1);
    if (n2)
        memcpy(memory + n1, p2, n2);
    free((void *)(UINT_PTR)a->variables[i].value);
    a->variables[i].value = (uint32_t)(UINT_PTR)memory;
    return 0;
}

int WriteString(APPLET *a, uint32_t key, const char *bytes, size_t len)
{
    return WriteString2(a, key, bytes, len, nullptr, 0);
}

// Text followed by STRING_END.
static int WriteText(APPLET *a, uint32_t key, const char *text, size_t len)
{
    static const char end[] = {STRING_END};
    return WriteString2(a, key, text, len, end, 1);
}

// ---- control flow ----

static int32_t Jump(APPLET *a, uint32_t key)
{
    VALUE label;
    if (APPLETFindLabel(a, &label, key))
        return 0;
    a->currentline = (int)label.value;
    return (int32_t)label.value;
}

int APPLETGoTo(APPLET *a, HWND w)
{
    BEGIN(1, 1);
    uint32_t key = LabelArg(&c, 0);
    return EndCall(&c, Jump(a, key));
}

int APPLETIf(APPLET *a, HWND w)
{
    BEGIN(2, 2);
    int32_t condition = IntArg(&c, 0);
    uint32_t key = LabelArg(&c, 1);
    if (condition)
        Jump(a, key);
    return EndCall(&c, condition);
}

int APPLETGoSub(APPLET *a, HWND w)
{
    BEGIN(1, 1);
    uint32_t key = LabelArg(&c, 0);
    VALUE back;
    if (APPLETPush(a, APPLETMakeValue(&back, VT_RETURN, (uint32_t)a->currentline, 0)))
        return EndCall(&c, 0);
    return EndCall(&c, Jump(a, key));
}

// Takes the top entry off the stack for `return` and `while`; an entry of
// another kind is gone too, and what it owned is freed.
static bool PopEntry(APPLET *a, uint32_t kind, int wrongkind, VALUE *entry)
{
    if (APPLETPop(a, entry))
        return false;
    if (entry->type & kind)
        return true;
    APPLETDiscardValue(a, entry);
    APPLETRecordError(a, wrongkind);
    return false;
}

int APPLETReturn(APPLET *a, HWND w)
{
    BEGIN(0, INT_MAX);
    if (c.argc)
        APPLETRecordError(a, APPLETERR_ARGCOUNT);
    VALUE entry;
    if (PopEntry(a, VT_RETURN, APPLETERR_CORRUPTED, &entry))
        a->currentline = (int)entry.value;
    return EndCall(&c, 1);
}

int APPLETDo(APPLET *a, HWND w)
{
    BEGIN(0, INT_MAX);
    if (c.argc)
        APPLETRecordError(a, APPLETERR_ARGCOUNT);
    VALUE entry;
    APPLETPush(a, APPLETMakeValue(&entry, VT_DOLOOP, (uint32_t)a->currentline, 0));
    return EndCall(&c, 1);
}

int APPLETWhile(APPLET *a, HWND w)
{
    BEGIN(1, 1);
    int32_t condition = IntArg(&c, 0);
    VALUE entry;
    if (PopEntry(a, VT_DOLOOP, APPLETERR_WHILE, &entry) && condition)
        a->currentline = (int)entry.value - 1;
    return EndCall(&c, condition);
}

int APPLETFunctionEnd(APPLET *a, HWND w)
{
    BEGIN(0, INT_MAX);
    if (c.argc)
        APPLETRecordError(a, APPLETERR_ARGCOUNT);
    else
        a->error = -1;
    return EndCall(&c, 1);
}

// ---- integer variables ----

int APPLETDeclareIntVariable(APPLET *a, HWND w)
{
    BEGIN(1, 2);
    uint32_t key = RefArg(&c, 0, VT_INTREF);
    int32_t init = IntArg(&c, 1, 0);
    VALUE v;
    APPLETAddVariable(a, APPLETMakeValue(&v, VT_INTEGER, (uint32_t)init, key));
    return EndCall(&c, init);
}

static int Change(APPLET *a, HWND w, int sign)
{
    BEGIN(1, 2);
    uint32_t key = RefArg(&c, 0, VT_INTREF);
    uint32_t n = (uint32_t)IntArg(&c, 1, 1) * (uint32_t)sign;
    uint32_t result = n;
    int i = APPLETVariableIndex(a, key);
    if (i >= 0) {
        VALUE *v = &a->variables[i];
        if (v->type == VT_INTEGER)
            result = v->value += n;
        else
            APPLETRecordError(a, APPLETERR_ASSIGNMENT);
    }
    return EndCall(&c, (int32_t)result);
}

int APPLETInc(APPLET *a, HWND w) { return Change(a, w, 1); }
int APPLETDec(APPLET *a, HWND w) { return Change(a, w, -1); }

// ---- arithmetic, comparison, logic ----

typedef int32_t (*BINARY)(APPLET *, int32_t, int32_t);

static int Binary(APPLET *a, HWND w, BINARY op)
{
    BEGIN(2, 2);
    int32_t x = IntArg(&c, 0);
    int32_t y = IntArg(&c, 1);
    return EndCall(&c, op(a, x, y));
}

static int32_t Wrap(uint32_t v) { return (int32_t)v; }

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

// ---- strings ----

int APPLETDeclareString(APPLET *a, HWND w)
{
    BEGIN(1, 2);
    uint32_t key = RefArg(&c, 0, VT_STRINGREF);
    const char *t = TextArg(&c, 1);
    size_t n = t ? StoredLength(t) : 0;
    char *memory = (char *)calloc(n + 16, 1);
    if (!memory) {
        APPLETRecordError(a, APPLETERR_MEMORY);
        return EndCall(&c, 0);
    }
    if (n)
        memcpy(memory, t, n);
    VALUE v;
    if (APPLETAddVariable(a, APPLETMakeValue(&v, VT_STRINGVARIABLE, (uint32_t)(UINT_PTR)memory, key)))
        free(memory);
    return EndCall(&c, 1);
}

int APPLETStrCpy(APPLET *a, HWND w)
{
    BEGIN(2, 2);
    uint32_t key = RefArg(&c, 0, VT_STRINGREF);
    const char *t = TextArg(&c, 1);
    WriteString(a, key, t, t ? StoredLength(t) : 0);
    return EndCall(&c, 1);
}

int APPLETStrCat(APPLET *a, HWND w)
{
    BEGIN(2, 2);
    uint32_t key = RefArg(&c, 0, VT_STRINGREF);
    const char *t = TextArg(&c, 1);
    const char *old = "";
    int i = APPLETVariableIndex(a, key);
    if (i >= 0 && (a->variables[i].type & VT_STRINGREF) && a->variables[i].value)
        old = (const char *)(UINT_PTR)a->variables[i].value;
    WriteString2(a, key, old, TextLength(old), t, t ? StoredLength(t) : 0);
    return EndCall(&c, 1);
}

// Positions are clamped into the stored bytes, so nothing is read outside
// them whatever the script asks for.
int APPLETStrSub(APPLET *a, HWND w)
{
    BEGIN(4, 4);
    uint32_t key = RefArg(&c, 0, VT_STRINGREF);
    const char *t = TextArg(&c, 1);
    int32_t from = IntArg(&c, 2);
    int32_t to = IntArg(&c, 3);
    int64_t last = (int64_t)(t ? StoredLength(t) : 0) - 2;
    if (last < 0) {
        from = to = 0;
    } else {
        if (from < 0 || from >= last)
            from = (int32_t)last;
        if (to < 0 || to >= last)
            to = (int32_t)last;
    }
    if (to < from) {
        int32_t x = from;
        from = to;
        to = x;
    }
    WriteText(a, key, t ? t + from : "", (size_t)(to - from));
    return EndCall(&c, to - from);
}

int APPLETStrFromInt(APPLET *a, HWND w)
{
    BEGIN(2, 2);
    uint32_t key = RefArg(&c, 0, VT_STRINGREF);
    char text[16];
    int n = snprintf(text, sizeof text, "%d", (int)IntArg(&c, 1));
    WriteText(a, key, text, (size_t)n);
    return EndCall(&c, n);
}

int APPLETStrFromChar(APPLET *a, HWND w)
{
    BEGIN(2, 2);
    uint32_t key = RefArg(&c, 0, VT_STRINGREF);
    char ch = (char)(unsigned char)IntArg(&c, 1);
    WriteText(a, key, &ch, 1);
    return EndCall(&c, 1);
}

int APPLETStrGetTime(APPLET *a, HWND w)
{
    BEGIN(1, 1);
    uint32_t key = RefArg(&c, 0, VT_STRINGREF);
    static const char days[] = "SunMonTueWedThuFriSat";
    static const char months[] = "JanFebMarAprMayJunJulAugSepOctNovDec";
    SYSTEMTIME t;
    GetLocalTime(&t);
    char text[40];
    snprintf(text, sizeof text, "%.3s %.3s%3d %02d:%02d:%02d %04d", days + 3 * (t.wDayOfWeek % 7),
             months + 3 * ((t.wMonth + 11) % 12), t.wDay, t.wHour, t.wMinute, t.wSecond, t.wYear % 10000);
    WriteText(a, key, text, 24);
    return EndCall(&c, 24);
}

int APPLETStrLen(APPLET *a, HWND w)
{
    BEGIN(1, 1);
    const char *t = TextArg(&c, 0);
    const char *end = t ? strchr(t, STRING_END) : nullptr;
    return EndCall(&c, end ? (int32_t)(end - t) : 0);
}

static int Compare(APPLET *a, HWND w, bool nocase)
{
    BEGIN(2, 2);
    const char *x = TextArg(&c, 0);
    const char *y = TextArg(&c, 1);
    x = x ? x : "";
    y = y ? y : "";
    size_t n = TextLength(x) < TextLength(y) ? TextLength(x) : TextLength(y);
    bool equal = nocase ? _strnicmp(x, y, n) == 0 : strncmp(x, y, n) == 0;
    return EndCall(&c, equal);
}

int APPLETStrCmp(APPLET *a, HWND w) { return Compare(a, w, false); }
int APPLETStrCmpI(APPLET *a, HWND w) { return Compare(a, w, true); }

int APPLETStrGetChar(APPLET *a, HWND w)
{
    BEGIN(2, 2);
    const char *t = TextArg(&c, 0);
    int32_t i = IntArg(&c, 1);
    int64_t last = (int64_t)(t ? StoredLength(t) : 0) - 2;
    int32_t result = 0;
    if (t && last >= 0 && i >= 0)
        result = (unsigned char)t[i > last ? last : i];
    return EndCall(&c, result);
}

static int ChangeCase(APPLET *a, HWND w, bool upper)
{
    BEGIN(1, 1);
    uint32_t key = RefArg(&c, 0, VT_STRINGREF);
    int i = APPLETVariableIndex(a, key);
    if (i >= 0) {
        VALUE *v = &a->variables[i];
        if (v->type != VT_STRINGVARIABLE || !v->value) {
            APPLETRecordError(a, APPLETERR_ASSIGNMENT);
        } else {
            for (char *p = (char *)(UINT_PTR)v->value; *p && *p != STRING_END; p++) {
                if (upper && *p >= 'a' && *p <= 'z')
                    *p = (char)(*p - 32);
                else if (!upper && *p >= 'A' && *p <= 'Z')
                    *p = (char)(*p + 32);
            }
        }
    }
    return EndCall(&c, 1);
}

int APPLETStrUpr(APPLET *a, HWND w) { return ChangeCase(a, w, true); }
int APPLETStrLwr(APPLET *a, HWND w) { return ChangeCase(a, w, false); }

int APPLETIntFromStr(APPLET *a, HWND w)
{
    BEGIN(1, 1);
    const char *t = TextArg(&c, 0);
    int32_t result = 0;
    if (t) {
        while (*t == ' ' || *t == '\t')
            t++;
        bool negative = *t == '-';
        if (*t == '-' || *t == '+')
            t++;
        uint32_t n = 0;
        while (*t >= '0' && *t <= '9')
            n = n * 10 + (uint32_t)(*t++ - '0');
        result = Wrap(negative ? 0u - n : n);
    }
    return EndCall(&c, result);
}

// ---- arrays ----

int APPLETDeclareArray(APPLET *a, HWND w)
{
    BEGIN(2, 2);
    uint32_t key = RefArg(&c, 0, VT_ARRAYREF);
    int32_t n = IntArg(&c, 1);
    n = n > 32767 ? 32767 : n < 1 ? 1 : n;
    int32_t *elements = (int32_t *)calloc((size_t)n, sizeof(int32_t));
    if (!elements) {
        APPLETRecordError(a, APPLETERR_MEMORY);
        return EndCall(&c, n);
    }
    VALUE v;
    APPLETMakeValue(&v, VT_ARRAYVARIABLE | (uint32_t)n << 16, (uint32_t)(UINT_PTR)elements, key);
    if (APPLETAddVariable(a, &v))
        free(elements);
    return EndCall(&c, n);
}

// The element an index names, or NULL with error 4 (or 9) recorded.
static int32_t *Element(CALL *c, uint32_t key, int32_t i)
{
    VALUE v;
    if (APPLETFindVariable(c->a, &v, key))
        return nullptr;
    int32_t n = (v.type & 0xFFFF) == VT_ARRAYVARIABLE && v.value ? (int32_t)(v.type >> 16) : 0;
    if (i < 0 || i >= n) {
        APPLETRecordError(c->a, APPLETERR_VALUE);
        return nullptr;
    }
    return (int32_t *)(UINT_PTR)v.value + i;
}

int APPLETGetArrayValue(APPLET *a, HWND w)
{
    BEGIN(2, 2);
    uint32_t key = RefArg(&c, 0, VT_ARRAYREF);
    int32_t *e = Element(&c, key, IntArg(&c, 1));
    return EndCall(&c, e ? *e : 0);
}

int APPLETSetArrayValue(APPLET *a, HWND w)
{
    BEGIN(3, 3);
    uint32_t key = RefArg(&c, 0, VT_ARRAYREF);
    int32_t i = IntArg(&c, 1);
    int32_t value = IntArg(&c, 2);
    if (int32_t *e = Element(&c, key, i))
        *e = value;
    return EndCall(&c, value);
}

void APPLETCopyFaceName(char (&dst)[APPLET_FACESIZE], const char *text)
{
    size_t n = 0;
    while (text && n < APPLET_FACESIZE - 1 && text[n] && text[n] != STRING_END) {
        dst[n] = text[n];
        n++;
    }
    dst[n] = 0;
}
