// The built-ins that reach the page and the system: list boxes, check boxes,
// other objects, page jumps, printing, quitting, the playing movie, message
// boxes, documents, the profile file, waiting and beeping. All of it goes
// through the applet's host.
#include "applet/internal.h"
#include "document/record.h"
#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>

namespace {

// A page object locked for one built-in. A number is trusted only when it
// leads to a page object window whose record carries that number and, where
// the built-in needs one kind, that kind's tag: another child of the show
// window (its block list, say) is never written to.
class ObjectLock {
public:
    ObjectLock(APPLET *a, int32_t id, std::initializer_list<uint32_t> tags = {}) : a(a)
    {
        if (!a->host || !a->host->lockobject)
            return;
        OBJECTHEADER *h = nullptr;
        hwnd = a->host->lockobject(a, id, &h);
        if (!hwnd)
            return;
        bool kind = tags.size() == 0;
        for (uint32_t t : tags)
            kind = kind || (h && h->tag == t);
        if (h && h->number == (uint32_t)id && kind)
            header = h;
    }
    ~ObjectLock()
    {
        if (hwnd)
            HOST(a, unlockobject, (void)0, hwnd);
    }
    ObjectLock(const ObjectLock &) = delete;
    ObjectLock &operator=(const ObjectLock &) = delete;
    explicit operator bool() const { return header != nullptr; }
    OBJECTHEADER *operator->() const { return header; }
    LRESULT Send(UINT message, WPARAM wparam, LPARAM lparam)
    {
        return HOST(a, sendobject, (LRESULT)0, hwnd, message, wparam, lparam);
    }

    APPLET *a;
    HWND hwnd = nullptr;
    OBJECTHEADER *header = nullptr;
};

const std::initializer_list<uint32_t> LISTS = {TAG_LIST};
const std::initializer_list<uint32_t> CHECKS = {TAG_CHEC, TAG_RDIO};

int WriteEnded(APPLET *a, uint32_t key, const char *text, size_t n)
{
    char *copy = (char *)malloc(n + 1);
    if (!copy)
        return APPLETRecordError(a, APPLETERR_MEMORY);
    memcpy(copy, text, n);
    copy[n] = STRING_END;
    int r = WriteString(a, key, copy, n + 1);
    free(copy);
    return r;
}

} // namespace

int APPLETListboxGetCount(APPLET *a, HWND w)
{
    BEGIN(1, 1);
    ObjectLock object(a, IntArg(&c, 0), LISTS);
    return EndCall(&c, object ? (int32_t)object.Send(LB_GETCOUNT, 0, 0) : 0);
}

int APPLETListboxDeleteString(APPLET *a, HWND w)
{
    BEGIN(2, 2);
    int32_t id = IntArg(&c, 0), index = IntArg(&c, 1);
    ObjectLock object(a, id, LISTS);
    return EndCall(&c, object ? (int32_t)object.Send(LB_DELETESTRING, (WPARAM)index, 0) : -1);
}

int APPLETListboxInsertString(APPLET *a, HWND w)
{
    BEGIN(3, 3);
    char *text = CopyText(a, TextArg(&c, 0));
    int32_t id = IntArg(&c, 1), index = IntArg(&c, 2);
    int32_t result = -1;
    if (text) {
        ObjectLock object(a, id, LISTS);
        if (object)
            result = (int32_t)object.Send(LB_INSERTSTRING, (WPARAM)index, (LPARAM)text);
        free(text);
    }
    return EndCall(&c, result);
}

int APPLETListboxGetString(APPLET *a, HWND w)
{
    BEGIN(3, 3);
    uint32_t key = RefArg(&c, 0, VT_STRINGREF);
    int32_t id = IntArg(&c, 1), index = IntArg(&c, 2);
    ObjectLock object(a, id, LISTS);
    if (!object)
        return EndCall(&c, -1);
    int32_t length = (int32_t)object.Send(LB_GETTEXTLEN, (WPARAM)index, 0);
    size_t room = length > 0 ? (size_t)length : 0;
    char *text = (char *)calloc(room + 16, 1);
    if (!text) {
        APPLETRecordError(a, APPLETERR_MEMORY);
        return EndCall(&c, length);
    }
    if (length >= 0)
        object.Send(LB_GETTEXT, (WPARAM)index, (LPARAM)text);
    WriteEnded(a, key, text, strnlen(text, room));
    free(text);
    return EndCall(&c, length);
}

int APPLETGetCheckboxState(APPLET *a, HWND w)
{
    BEGIN(1, 1);
    ObjectLock object(a, IntArg(&c, 0), CHECKS);
    return EndCall(&c, object ? (int32_t)object.Send(BM_GETCHECK, 0, 0) : 0);
}

int APPLETSetCheckboxState(APPLET *a, HWND w)
{
    BEGIN(2, 2);
    int32_t id = IntArg(&c, 0), state = IntArg(&c, 1);
    ObjectLock object(a, id, CHECKS);
    int32_t previous = 0;
    if (object) {
        previous = (int32_t)object.Send(BM_GETCHECK, 0, 0);
        object.Send(BM_SETCHECK, state ? 1 : 0, 0);
    }
    return EndCall(&c, previous);
}

int APPLETShowObject(APPLET *a, HWND w)
{
    BEGIN(2, 2);
    int32_t id = IntArg(&c, 0), show = IntArg(&c, 1);
    ObjectLock object(a, id);
    return EndCall(&c, object ? HOST(a, showobject, 0, object.hwnd, show ? 1 : 0) : 0);
}

int APPLETEnableObject(APPLET *a, HWND w)
{
    BEGIN(2, 2);
    int32_t id = IntArg(&c, 0), run = IntArg(&c, 1);
    ObjectLock object(a, id);
    int32_t previous = 0;
    if (object) {
        previous = (object->flags & OBJ_RUNNING) ? 1 : 0;
        HOST(a, startstop, (void)0, object.hwnd, run ? 1 : 0);
    }
    return EndCall(&c, previous);
}

int APPLETGetObjectPosition(APPLET *a, HWND w)
{
    BEGIN(3, 5);
    int32_t id = IntArg(&c, 0);
    uint32_t keys[4] = {};
    for (int i = 1; i < c.argc; i++)
        keys[i - 1] = RefArg(&c, i, VT_INTREF);
    int32_t numbers[4] = {};
    {
        ObjectLock object(a, id);
        if (object) {
            RECT r = object->rect;
            numbers[0] = r.left;
            numbers[1] = r.top;
            numbers[2] = r.right - r.left;
            numbers[3] = r.bottom - r.top;
        }
    }
    // In table order, the first target naming an entry giving it its number.
    struct Target {
        int index;
        int which;
    } targets[4];
    int n = 0;
    for (int i = 0; i < c.argc - 1; i++) {
        int index = APPLETVariableIndex(a, keys[i]);
        bool seen = false;
        for (int j = 0; j < n; j++)
            seen = seen || targets[j].index == index;
        if (index >= 0 && !seen)
            targets[n++] = {index, i};
    }
    for (int i = 1; i < n; i++)
        for (int j = i; j > 0 && targets[j - 1].index > targets[j].index; j--)
            std::swap(targets[j - 1], targets[j]);
    for (int i = 0; i < n; i++) {
        VALUE *v = &a->variables[targets[i].index];
        if (v->type != VT_INTEGER) {
            APPLETRecordError(a, APPLETERR_ASSIGNMENT);
            break;
        }
        v->value = (uint32_t)numbers[targets[i].which];
    }
    return EndCall(&c, 1);
}

int APPLETJumpToPage(APPLET *a, HWND w)
{
    BEGIN(1, 1);
    HOST(a, showpage, (void)0, IntArg(&c, 0));
    return EndCall(&c, 1);
}

int APPLETPrintPage(APPLET *a, HWND w)
{
    BEGIN(1, 1);
    HOST(a, printpage, (void)0, IntArg(&c, 0));
    return EndCall(&c, 0);
}

int APPLETQuit(APPLET *a, HWND w)
{
    BEGIN(0, 0);
    HOST(a, quit, (void)0);
    return EndCall(&c, 1);
}

int APPLETControlVideo(APPLET *a, HWND w)
{
    BEGIN(1, 1);
    return EndCall(&c, HOST(a, controlvideo, 0, IntArg(&c, 0)));
}

int APPLETSetPriority(APPLET *a, HWND w)
{
    BEGIN(1, 1);
    int32_t flag = IntArg(&c, 0);
    int32_t previous = 0;
    if (ObjectRecord<> h(a->appletobject); h) {
        previous = (h->flags & OBJ_CONTINUOUS) ? 1 : 0;
        if (flag)
            h->flags |= OBJ_CONTINUOUS;
        else
            h->flags &= ~OBJ_CONTINUOUS;
    }
    return EndCall(&c, previous);
}

static int Box(APPLET *a, HWND w, UINT style)
{
    BEGIN(1, 1);
    char *text = CopyText(a, TextArg(&c, 0));
    int32_t result = 0;
    if (text) {
        result = HOST(a, messagebox, 0, text, style);
        free(text);
    }
    if (style == MB_YESNO)
        result = result == IDYES;
    return EndCall(&c, result);
}

int APPLETMessageBox(APPLET *a, HWND w) { return Box(a, w, MB_OK); }
int APPLETYesNoBox(APPLET *a, HWND w) { return Box(a, w, MB_YESNO); }

int APPLETOpenDocument(APPLET *a, HWND w)
{
    BEGIN(1, 1);
    char *text = CopyText(a, TextArg(&c, 0));
    int32_t result = 0;
    if (text) {
        result = HOST(a, opendocument, 0, text) ? 1 : 0;
        free(text);
    }
    return EndCall(&c, result);
}

int APPLETGetConfigString(APPLET *a, HWND w)
{
    BEGIN(2, 2);
    uint32_t target = RefArg(&c, 0, VT_STRINGREF);
    char *key = CopyText(a, TextArg(&c, 1));
    if (key) {
        char value[APPLET_CONFIGSIZE + 16] = {};
        HOST(a, getprofile, (void)0, a->appname, key, value, APPLET_CONFIGSIZE + 1);
        WriteEnded(a, target, value, strnlen(value, APPLET_CONFIGSIZE));
        free(key);
    }
    return EndCall(&c, 1);
}

static bool OneLine(const char *s) { return !strpbrk(s, "\r\n"); }

// The profile functions take a missing key or value as "delete the section"
// or "delete the key", and a line break would start a key or a section of
// its own: neither is anything a script may do.
int APPLETSetConfigString(APPLET *a, HWND w)
{
    BEGIN(2, 2);
    char *key = CopyText(a, TextArg(&c, 0));
    char *value = CopyText(a, TextArg(&c, 1));
    int32_t result = 0;
    if (key && value && key[0] && !a->error) {
        if (!OneLine(key) || !OneLine(value) || !OneLine(a->appname))
            APPLETRecordError(a, APPLETERR_VALUE);
        else
            result = HOST(a, setprofile, 0, a->appname, key, value) ? 1 : 0;
    }
    free(key);
    free(value);
    return EndCall(&c, result);
}

int APPLETSleep(APPLET *a, HWND w)
{
    BEGIN(1, 1);
    int32_t ms = IntArg(&c, 0);
    while (ms > 0 && HOST(a, alive, 1) && !HOST(a, aborted, 0)) {
        int32_t step = ms <= 100 ? ms : 100;
        HOST(a, wait, (void)0, step);
        ms -= step;
    }
    return EndCall(&c, 1);
}

int APPLETBeep(APPLET *a, HWND w)
{
    BEGIN(0, 1);
    HOST(a, beep, (void)0, (UINT)IntArg(&c, 0, 0));
    return EndCall(&c, 1);
}
