// Values, the variable and label tables and the value stack of an applet.
// Tables keep their entries in order of creation; a key index beside each
// finds an entry without a scan, so a script with thousands of variables and
// labels runs its lines as fast as one with none.
#include "applet/internal.h"
#include <cstdlib>
#include <cstring>

VALUE returnvalue;

VALUE *APPLETMakeValue(VALUE *out, uint32_t type, uint32_t value, uint32_t name)
{
    out->type = type;
    out->value = value;
    out->name = name;
    return out;
}

uint32_t APPLETMakeVariableName(const char *name)
{
    uint32_t key = 0;
    for (int i = 0; i < 4 && name && name[i]; i++)
        key |= (uint32_t)(unsigned char)name[i] << (8 * i);
    return key;
}

int APPLETRecordError(APPLET *a, int code)
{
    a->error = code;
    a->errorline = a->runningline;
    return code;
}

// ---- key index ----

static uint32_t Slot(uint32_t key, int capacity)
{
    return (key * 2654435761u) >> 7 & (uint32_t)(capacity - 1);
}

static int IndexFind(const APPLETINDEX *x, uint32_t key)
{
    if (!x->capacity || !key)
        return -1;
    for (uint32_t s = Slot(key, x->capacity);; s = (s + 1) & (uint32_t)(x->capacity - 1)) {
        if (x->slots[s] == key)
            return x->entries[s];
        if (!x->slots[s])
            return -1;
    }
}

static void IndexPut(APPLETINDEX *x, uint32_t key, int entry)
{
    uint32_t s = Slot(key, x->capacity);
    while (x->slots[s] && x->slots[s] != key)
        s = (s + 1) & (uint32_t)(x->capacity - 1);
    x->slots[s] = key;
    x->entries[s] = entry;
}

// Makes room for `count` keys at a load of at most one half.
static bool IndexReserve(APPLETINDEX *x, int count)
{
    if (count * 2 <= x->capacity)
        return true;
    int capacity = x->capacity ? x->capacity * 2 : 64;
    while (count * 2 > capacity)
        capacity *= 2;
    APPLETINDEX n{(uint32_t *)calloc(capacity, sizeof(uint32_t)), (int *)calloc(capacity, sizeof(int)), capacity};
    if (!n.slots || !n.entries) {
        free(n.slots);
        free(n.entries);
        return false;
    }
    for (int i = 0; i < x->capacity; i++)
        if (x->slots[i])
            IndexPut(&n, x->slots[i], x->entries[i]);
    free(x->slots);
    free(x->entries);
    *x = n;
    return true;
}

void APPLETFreeIndex(APPLETINDEX *x)
{
    free(x->slots);
    free(x->entries);
    *x = APPLETINDEX{};
}

// ---- tables ----

namespace {

struct Table {
    VALUE **entries;
    int *count;
    int *capacity;
    APPLETINDEX *index;
};

Table Variables(APPLET *a) { return {&a->variables, &a->variablecount, &a->variablecapacity, &a->variableindex}; }
Table Labels(APPLET *a) { return {&a->labels, &a->labelcount, &a->labelcapacity, &a->labelindex}; }

int Get(APPLET *a, Table t, VALUE *out, int i)
{
    if (i < 0 || i >= *t.count)
        return APPLETRecordError(a, APPLETERR_VALUE);
    *out = (*t.entries)[i];
    return a->error;
}

int Put(APPLET *a, Table t, const VALUE *in, int i)
{
    if (i < 0 || i >= *t.count)
        return APPLETRecordError(a, APPLETERR_VALUE);
    // The key index stays right only while an entry keeps its key.
    VALUE v = *in;
    v.name = (*t.entries)[i].name;
    (*t.entries)[i] = v;
    return a->error;
}

int Add(APPLET *a, Table t, const VALUE *v, int duplicate)
{
    if (!v->name)
        return APPLETRecordError(a, APPLETERR_VALUE);
    if (IndexFind(t.index, v->name) >= 0)
        return APPLETRecordError(a, duplicate);
    if (*t.count == *t.capacity) {
        if (*t.count >= (1 << 24))
            return APPLETRecordError(a, APPLETERR_MEMORY);
        int capacity = *t.capacity ? *t.capacity * 2 : 16;
        VALUE *n = (VALUE *)realloc(*t.entries, (size_t)capacity * sizeof(VALUE));
        if (!n)
            return APPLETRecordError(a, APPLETERR_MEMORY);
        *t.entries = n;
        *t.capacity = capacity;
    }
    if (!IndexReserve(t.index, *t.count + 1))
        return APPLETRecordError(a, APPLETERR_MEMORY);
    (*t.entries)[*t.count] = *v;
    IndexPut(t.index, v->name, *t.count);
    ++*t.count;
    return 0;
}

// A lookup made after an error of the running line finds nothing, as every
// read it would make returns that error.
int Find(APPLET *a, Table t, VALUE *out, uint32_t key, int missing)
{
    int i = a->error ? -1 : IndexFind(t.index, key);
    if (i < 0)
        return APPLETRecordError(a, missing);
    *out = (*t.entries)[i];
    return 0;
}

} // namespace

int APPLETGetVariable(APPLET *a, VALUE *out, int i) { return Get(a, Variables(a), out, i); }
int APPLETPutVariable(APPLET *a, const VALUE *in, int i) { return Put(a, Variables(a), in, i); }
int APPLETGetLabel(APPLET *a, VALUE *out, int i) { return Get(a, Labels(a), out, i); }
int APPLETPutLabel(APPLET *a, const VALUE *in, int i) { return Put(a, Labels(a), in, i); }
int APPLETAddVariable(APPLET *a, const VALUE *v) { return Add(a, Variables(a), v, APPLETERR_DECLARED); }
int APPLETAddLabel(APPLET *a, const VALUE *v) { return Add(a, Labels(a), v, APPLETERR_LABELDECLARED); }

int APPLETFindVariable(APPLET *a, VALUE *out, uint32_t key)
{
    return Find(a, Variables(a), out, key, APPLETERR_UNDECLARED);
}

int APPLETFindLabel(APPLET *a, VALUE *out, uint32_t key)
{
    Find(a, Labels(a), out, key, APPLETERR_NOLABEL);
    return a->error;
}

int APPLETVariableIndex(APPLET *a, uint32_t key) { return IndexFind(&a->variableindex, key); }

// Only integers are assigned: a string or array variable's value is memory
// it owns, and copying that pointer would leave two owners to free it.
int APPLETAssignVariable(APPLET *a, uint32_t key, const VALUE *v)
{
    int i = IndexFind(&a->variableindex, key);
    if (i < 0)
        return APPLETRecordError(a, APPLETERR_UNDECLARED);
    VALUE *target = &a->variables[i];
    if (target->type != VT_INTEGER || v->type != VT_INTEGER)
        return APPLETRecordError(a, APPLETERR_ASSIGNMENT);
    target->value = v->value;
    return a->error;
}

int APPLETPush(APPLET *a, const VALUE *v)
{
    if (a->stacktop + 1 >= a->stacksize)
        return APPLETRecordError(a, APPLETERR_STACK);
    // Each saved state or area holds memory or a bitmap of its own: a script
    // saving in a loop meets this cap long before the system runs out.
    if (((v->type & VT_GRAPHICSTATE) && a->savedstates >= APPLET_MAXSAVED) ||
        ((v->type & VT_SAVEDAREA) && a->savedareas >= APPLET_MAXSAVED))
        return APPLETRecordError(a, APPLETERR_STACK);
    a->stack[a->stacktop++] = *v;
    if (v->type & VT_GRAPHICSTATE)
        a->savedstates++;
    if (v->type & VT_SAVEDAREA)
        a->savedareas++;
    return 0;
}

int APPLETPop(APPLET *a, VALUE *out)
{
    if (a->stacktop <= 0)
        return APPLETRecordError(a, APPLETERR_STACK);
    *out = a->stack[--a->stacktop];
    if (out->type & VT_GRAPHICSTATE)
        a->savedstates--;
    if (out->type & VT_SAVEDAREA)
        a->savedareas--;
    return 0;
}

void APPLETDiscardValue(APPLET *, const VALUE *v)
{
    if (!v->value)
        return;
    if (v->type & VT_GRAPHICSTATE) {
        // A saved state owns the objects it would have given back.
        auto *g = (GRAPHICSTATE *)(UINT_PTR)v->value;
        for (HGDIOBJ object : {(HGDIOBJ)g->font, (HGDIOBJ)g->pen, (HGDIOBJ)g->brush})
            if (object)
                DeleteObject(object);
        free(g);
    } else if (v->type & VT_SAVEDAREA)
        DeleteObject((HGDIOBJ)(UINT_PTR)v->value);
    else if (v->type & VT_OWNED)
        free((void *)(UINT_PTR)v->value);
}
