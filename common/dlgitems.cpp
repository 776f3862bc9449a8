#include "common/dlgitems.h"
#include "common/dialog.h"
#include "common/owners.h"
#include "common/services.h"
#include "common/windowvalue.h"
#include <commctrl.h>
#include <cstdio>
#include <cstring>

namespace {

constexpr DWORD TABLEMAGIC = 'C' | 'D' << 8 | 'L' << 16 | (DWORD)'H' << 24;
constexpr DWORD ITEMMAGIC = 'C' | 'D' << 8 | 'L' << 16 | (DWORD)'I' << 24;
constexpr int TEXTBOUND = 260; // what a write-back text buffer is known to hold

struct ITEMENTRY {
    DWORD magic;
    int id;
    DWORD flags;
    DWORD wparam;
    long value;
    void *data;
    DLGITEMSET set;
    DLGITEMGET get;
    DLGITEMCLOSE close;
};

struct ITEMTABLE {
    DWORD magic;
    int count;
    ITEMENTRY entries[1];
};

static_assert(sizeof(void *) != 4 || sizeof(ITEMENTRY) == 36, "the entry is 36 bytes");

HGLOBAL TableHandle(HWND dlg) { return GetWindowValue<HGLOBAL>(dlg, GWLP_USERDATA); }

size_t TableBytes(int count) { return 8 + sizeof(ITEMENTRY) * (size_t)count; }

// The table locked, or NULL when the dialog holds none of ours (a block that
// is too small or has lost its marks is not trusted).
ITEMTABLE *LockTable(HWND dlg, GlobalLocked<> &lock)
{
    HGLOBAL h = TableHandle(dlg);
    if (!h)
        return nullptr;
    lock.Lock(h);
    ITEMTABLE *t = (ITEMTABLE *)lock.get();
    if (!t || GlobalSize(h) < 8 || t->magic != TABLEMAGIC || t->count < 0 ||
        GlobalSize(h) < TableBytes(t->count)) {
        lock.Unlock();
        return nullptr;
    }
    return t;
}

ITEMENTRY *FindEntry(ITEMTABLE *t, int id)
{
    for (int i = 0; i < t->count; i++)
        if (t->entries[i].magic == ITEMMAGIC && t->entries[i].id == id)
            return &t->entries[i];
    return nullptr;
}

// Copies characters up to the next ";" (at most 260) into items of the control.
template <class Add> int FillFromList(const char *list, Add add)
{
    int added = 0;
    char item[TEXTBOUND + 1];
    const char *p = list ? list : "";
    while (*p) {
        size_t n = 0;
        while (*p && *p != ';' && n < TEXTBOUND)
            item[n++] = *p++;
        item[n] = 0;
        if (n) {
            add(item);
            added++;
        }
        while (*p == ';')
            p++;
    }
    return added;
}

} // namespace

int COMMONDlgItemInitalize(HWND dlg, int id, unsigned long flags, unsigned wparam, long value,
                           DLGITEMINIT init, DLGITEMGET get, DLGITEMSET set, DLGITEMCLOSE close,
                           WNDPROC subclass, void *data)
{
    HGLOBAL h = TableHandle(dlg);
    bool creating = h == NULL;
    int index = 0;
    if (creating) {
        h = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, TableBytes(1));
        if (!h)
            return 0;
    } else {
        GlobalLocked<> lock;
        ITEMTABLE *t = LockTable(dlg, lock);
        if (!t)
            return 0;
        index = t->count;
        lock.Unlock();
        HGLOBAL grown = GlobalReAlloc(h, TableBytes(index + 1), GMEM_MOVEABLE | GMEM_ZEROINIT);
        if (!grown)
            return 0;
        h = grown;
    }
    {
        GlobalLocked<> lock(h);
        ITEMTABLE *t = (ITEMTABLE *)lock.get();
        if (!t) {
            if (creating)
                GlobalFree(h);
            return 0;
        }
        t->magic = TABLEMAGIC;
        t->count = index + 1;
        t->entries[index] = ITEMENTRY{ITEMMAGIC, id, flags, wparam, value, data, set, get, close};
    }
    SetWindowValue(dlg, GWLP_USERDATA, h);

    HWND control = GetDlgItem(dlg, id);
    BOOL issigned = (flags & DLGITEM_SIGNED) != 0;
    if ((flags & DLGITEM_SUBCLASS) && subclass && control) {
        SetWindowValue<WNDPROC>(control, GWLP_WNDPROC, subclass);
        SendMessageA(control, COMMONDLGITEM_SETVALUE, wparam, value);
    }
    if (flags & DLGITEM_SPIN) {
        BindSpinControl(GetDlgItem(dlg, id + 10000));
        SetDlgItemInt(dlg, id, (UINT)value, issigned);
    }
    if ((flags & DLGITEM_COMBO) && value && control) {
        FillComboBox(control, (const char *)value);
        SendMessageA(control, CB_SETCURSEL, wparam, 0);
    }
    if (flags & DLGITEM_CHECK)
        CheckDlgButton(dlg, id, value ? BST_CHECKED : BST_UNCHECKED);
    if ((flags & (DLGITEM_TEXT | DLGITEM_TEXT2)) && value)
        SetDlgItemTextA(dlg, id, (const char *)value);
    if (flags & DLGITEM_NUMBER)
        SetDlgItemInt(dlg, id, (UINT)value, issigned);
    if (init)
        init(dlg, id, wparam, value);
    return 1;
}

long COMMONDlgItemGet(HWND dlg, int id, char *text, long max)
{
    GlobalLocked<> lock;
    ITEMTABLE *t = LockTable(dlg, lock);
    ITEMENTRY *e = t ? FindEntry(t, id) : nullptr;
    if (!e)
        return -1;
    ITEMENTRY entry = *e;
    lock.Unlock(); // callbacks may register more entries
    BOOL issigned = (entry.flags & DLGITEM_SIGNED) != 0;
    if (entry.get)
        return (long)entry.get(dlg, id, entry.wparam, entry.value);
    if (entry.flags & DLGITEM_SPIN)
        return GetSpinValue(dlg, id);
    if (!(entry.flags & DLGITEM_NUMBER)) {
        if (entry.flags & DLGITEM_COMBO)
            return (long)SendDlgItemMessageA(dlg, id, CB_GETCURSEL, 0, 0);
        if (entry.flags & DLGITEM_CHECK)
            return IsDlgButtonChecked(dlg, id) == BST_CHECKED;
        if ((entry.flags & (DLGITEM_TEXT | DLGITEM_TEXT2)) && text && max > 0)
            return GetDlgItemTextA(dlg, id, text, (int)max);
    }
    return (long)GetDlgItemInt(dlg, id, NULL, issigned);
}

int COMMONDlgItemSet(HWND dlg, int id, unsigned long value)
{
    GlobalLocked<> lock;
    ITEMTABLE *t = LockTable(dlg, lock);
    ITEMENTRY *e = t ? FindEntry(t, id) : nullptr;
    if (!e)
        return 0;
    ITEMENTRY entry = *e;
    lock.Unlock();
    if (entry.set)
        return entry.set(dlg, id, value, entry.wparam, entry.value);
    if (!(entry.flags & (DLGITEM_SPIN | DLGITEM_NUMBER))) {
        if (entry.flags & DLGITEM_COMBO)
            return SendDlgItemMessageA(dlg, id, CB_SETCURSEL, value, 0) != CB_ERR;
        if (entry.flags & DLGITEM_CHECK)
            return CheckDlgButton(dlg, id, value ? BST_CHECKED : BST_UNCHECKED);
        if (entry.flags & (DLGITEM_TEXT | DLGITEM_TEXT2))
            return SetDlgItemTextA(dlg, id, value ? (const char *)value : "");
    }
    return SetDlgItemInt(dlg, id, (UINT)value, (entry.flags & DLGITEM_SIGNED) != 0);
}

// A snapshot of the entries, so callbacks run with the table unlocked.
static int CopyEntries(HWND dlg, ITEMENTRY *out, int room)
{
    GlobalLocked<> lock;
    ITEMTABLE *t = LockTable(dlg, lock);
    if (!t)
        return -1;
    int n = 0;
    for (int i = 0; i < t->count && n < room; i++)
        if (t->entries[i].magic == ITEMMAGIC)
            out[n++] = t->entries[i];
    return n;
}

static int CountEntries(HWND dlg)
{
    GlobalLocked<> lock;
    ITEMTABLE *t = LockTable(dlg, lock);
    return t ? t->count : -1;
}

int COMMONDlgItemGetAllValues(HWND dlg)
{
    int count = CountEntries(dlg);
    if (count < 0)
        return 0;
    HGLOBAL copy = GlobalAlloc(GMEM_MOVEABLE, sizeof(ITEMENTRY) * (count + 1));
    GlobalLocked<> lock(copy);
    ITEMENTRY *entries = (ITEMENTRY *)lock.get();
    int n = entries ? CopyEntries(dlg, entries, count) : -1;
    for (int i = 0; i < n; i++) {
        const ITEMENTRY &e = entries[i];
        if (!e.data || !(e.flags & DLGITEM_WRITEBACK))
            continue;
        if (e.flags & (DLGITEM_TEXT | DLGITEM_TEXT2)) {
            char text[TEXTBOUND];
            text[0] = 0;
            long got = COMMONDlgItemGet(dlg, e.id, text, sizeof text);
            if (got < 0 || got >= TEXTBOUND)
                got = 0;
            text[got] = 0;
            memcpy(e.data, text, (size_t)got + 1);
        } else {
            *(long *)e.data = COMMONDlgItemGet(dlg, e.id, NULL, 0);
        }
    }
    lock.Unlock();
    GlobalFree(copy);
    return n >= 0;
}

int COMMONDlgItemDeinitalize(HWND dlg)
{
    HGLOBAL h = TableHandle(dlg);
    if (!h)
        return 0;
    int ok = COMMONDlgItemGetAllValues(dlg);
    int count = CountEntries(dlg);
    if (count > 0) {
        HGLOBAL copy = GlobalAlloc(GMEM_MOVEABLE, sizeof(ITEMENTRY) * count);
        GlobalLocked<> lock(copy);
        ITEMENTRY *entries = (ITEMENTRY *)lock.get();
        int n = entries ? CopyEntries(dlg, entries, count) : 0;
        for (int i = 0; i < n; i++)
            if (entries[i].close)
                entries[i].close(dlg, entries[i].id, entries[i].data, entries[i].wparam, entries[i].value);
        lock.Unlock();
        GlobalFree(copy);
    }
    // Only a block that carries our mark is ours to free.
    {
        GlobalLocked<> lock(h);
        const ITEMTABLE *t = (const ITEMTABLE *)lock.get();
        bool ours = t && GlobalSize(h) >= 8 && t->magic == TABLEMAGIC;
        lock.Unlock();
        if (ours || count >= 0)
            GlobalFree(h);
    }
    SetWindowValue<HGLOBAL>(dlg, GWLP_USERDATA, NULL);
    return ok;
}

LRESULT COMMONDlgItemSubclassGet(HWND dlg, int id)
{
    return SendDlgItemMessageA(dlg, id, COMMONDLGITEM_GETVALUE, 0, 0);
}

int COMMONDlgItemCheckboxDeinit(HWND dlg, int id, void *data, unsigned, long value)
{
    if (!data)
        return 0;
    DWORD *word = (DWORD *)data;
    if (SendDlgItemMessageA(dlg, id, BM_GETCHECK, 0, 0) == BST_CHECKED)
        *word |= (DWORD)value;
    else
        *word &= ~(DWORD)value;
    return 1;
}

int COMMONDlgItemSubclassDeinit(HWND dlg, int id, void *data, unsigned, long)
{
    if (!data)
        return 0;
    *(long *)data = (long)COMMONDlgItemSubclassGet(dlg, id);
    return 1;
}

void FillComboBox(HWND combo, const char *list)
{
    SendMessageA(combo, CB_RESETCONTENT, 0, 0);
    FillFromList(list, [combo](const char *item) { SendMessageA(combo, CB_ADDSTRING, 0, (LPARAM)item); });
}

int FillListBox(HWND listbox, const char *list)
{
    SendMessageA(listbox, LB_RESETCONTENT, 0, 0);
    FillFromList(list, [listbox](const char *item) { SendMessageA(listbox, LB_ADDSTRING, 0, (LPARAM)item); });
    return (int)SendMessageA(listbox, LB_GETCOUNT, 0, 0);
}

void ScreenToClientRect(HWND hwnd, RECT *rect)
{
    POINT corners[2] = {{rect->left, rect->top}, {rect->right, rect->bottom}};
    ScreenToClient(hwnd, &corners[0]);
    ScreenToClient(hwnd, &corners[1]);
    *rect = RECT{corners[0].x, corners[0].y, corners[1].x, corners[1].y};
}
