// The built-ins of strings and arrays, and the writing of string variables.
#include "applet/internal.h"
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

// ---- writing string variables ----

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
