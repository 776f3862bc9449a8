// The calling convention of the built-ins: their arguments off the stack,
// the typed argument readers, the result, and the texts they take. The
// built-ins themselves are in files by group.
#include "applet/internal.h"
#include <climits>
#include <cstdlib>
#include <cstring>

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
