// The built-ins of control flow and integer variables.
#include "applet/internal.h"
#include <climits>

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
