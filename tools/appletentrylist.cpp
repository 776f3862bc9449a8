// The applet's entry lists. The object itself is only touched on Done, and
// then only by swapping in a whole new object: until every listed entry has
// arrived in it, the object stays as it was.
#include "tools/appletentrylist.h"
#include "common/dialog.h"
#include "common/modal.h"
#include "common/msgdlg.h"
#include "common/owners.h"
#include "common/shell.h"
#include "common/strings.h"
#include "document/applet.h"
#include "document/objects.h"
#include "editor/tipfolder.h"
#include "editor/utilities.h"
#include "editors/editparam.h"
#include "media/filedialogs.h"
#include "resources/document_ids.h"
#include "resources/editordocs_ids.h"
#include "resources/resource.h"
#include <shellapi.h>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

// Bound to the dialog for its life; it lives in RunAppletList's frame.
struct LISTSTATE {
    EDITPARAM *param;
    const APPLETLIST *list;
    // False when the list could not take every entry as it opened: Done
    // then leaves the object's entries as they were.
    bool complete;
};

LISTSTATE *State(HWND dlg)
{
    return DialogState<LISTSTATE>(dlg);
}

HWND List(HWND dlg)
{
    return GetDlgItem(dlg, IDC_APPLETLIST);
}

void Say(HWND dlg, unsigned id)
{
    DoMessage(dlg, FetchString(id));
}

bool Listed(const APPLETLIST &list, uint32_t kind)
{
    return kind && (kind == list.kinds[0] || kind == list.kinds[1]);
}

HGLOBAL ItemEntry(HWND list, int index)
{
    LRESULT data = SendMessageA(list, LB_GETITEMDATA, index, 0);
    return data == LB_ERR ? NULL : (HGLOBAL)data;
}

// The head of an item's entry; false for an item without one.
bool ItemHead(HWND list, int index, OBJECTAPPLETENTRY *head)
{
    HGLOBAL entry = ItemEntry(list, index);
    return entry && GetObjectAppletEntryHeader(head, entry);
}

// Appends an item owning `entry`: its place, or -1 (the entry still the
// caller's) when the list refuses it.
int AppendItem(HWND list, uint32_t number, HGLOBAL entry)
{
    char text[16];
    snprintf(text, sizeof text, "%lu", (unsigned long)number);
    LRESULT index = SendMessageA(list, LB_ADDSTRING, 0, (LPARAM)text);
    if (index < 0)
        return -1;
    if (SendMessageA(list, LB_SETITEMDATA, index, (LPARAM)entry) == LB_ERR) {
        SendMessageA(list, LB_DELETESTRING, index, 0);
        return -1;
    }
    return (int)index;
}

// The largest listed number plus one; false when the largest is the last
// number there is.
bool NextNumber(HWND list, uint32_t *number)
{
    uint32_t largest = 0;
    int count = (int)SendMessageA(list, LB_GETCOUNT, 0, 0);
    for (int i = 0; i < count; i++) {
        OBJECTAPPLETENTRY head;
        if (ItemHead(list, i, &head))
            largest = std::max(largest, head.number);
    }
    if (largest == UINT32_MAX)
        return false;
    *number = largest + 1;
    return true;
}

// Lists the object's entries of the list's kinds. False when the dialog
// cannot go on: it has said why.
bool Fill(HWND dlg, const LISTSTATE &s)
{
    HWND list = List(dlg);
    HGLOBAL object = s.param->object;
    long valid = CountAppletEntries(object);
    if (valid < 0) {
        Say(dlg, IDS_OBJECTACCESSERROR);
        return false;
    }
    for (long i = 0; i < valid; i++) {
        unsigned long length = 0, kind = 0, number = 0;
        HGLOBAL copy = GetAppletEntryAndHeader(object, (unsigned long)i, &length, &kind, &number);
        if (!copy) {
            Say(dlg, IDS_INSERTERROR);
            return false;
        }
        if (!Listed(*s.list, kind)) {
            GlobalFree(copy);
            continue;
        }
        if (AppendItem(list, number, copy) < 0) {
            GlobalFree(copy);
            Say(dlg, IDS_INSERTERROR);
            return false;
        }
    }
    // Entries past a damaged one cannot be read; what came before them is
    // listed and kept.
    GlobalLocked<OBJECTAPPLET> a(object);
    if (a && a.size() >= sizeof(OBJECTAPPLET) && a->entries > (uint32_t)valid) {
        a.Unlock();
        Say(dlg, IDS_OBJECTACCESSERROR);
    }
    return true;
}

// Replaces `*work` by the result of one step; a failed step leaves it.
bool Step(HGLOBAL *work, HGLOBAL original, HGLOBAL next)
{
    if (!next)
        return false;
    if (*work != original)
        GlobalFree(*work);
    *work = next;
    return true;
}

// The object with its entries of the list's kinds replaced by the list, in
// list order: a new block, or the object itself when nothing changed, or
// NULL when any entry could not be written.
HGLOBAL Build(HWND dlg, const LISTSTATE &s)
{
    HGLOBAL original = s.param->object, work = original;
    auto fail = [&] {
        if (work != original)
            GlobalFree(work);
        return (HGLOBAL)NULL;
    };
    unsigned long i = 0;
    for (;;) {
        unsigned long kind = 0;
        HGLOBAL copy = GetAppletEntry(work, i, nullptr, &kind, nullptr);
        if (!copy)
            break;
        GlobalFree(copy);
        if (!Listed(*s.list, kind))
            i++;
        else if (!Step(&work, original, DeleteAppletEntry(work, i)))
            return fail();
    }
    // The walk ends after the last entry, or earlier at a copy that failed,
    // which may have left one of the list's entries behind.
    if (CountAppletEntries(work) != (long)i)
        return fail();
    HWND list = List(dlg);
    int count = (int)SendMessageA(list, LB_GETCOUNT, 0, 0);
    for (int i = 0; i < count; i++) {
        HGLOBAL entry = ItemEntry(list, i);
        GlobalLocked<const char> e(entry);
        if (!e || e.size() < sizeof(OBJECTAPPLETENTRY))
            return fail();
        const auto *head = (const OBJECTAPPLETENTRY *)e.get();
        uint32_t length = (uint32_t)std::min<SIZE_T>(head->length, e.size() - sizeof *head);
        if (!Step(&work, original, AppendAppletEntry(work, e.get() + sizeof *head, length, head->kind, head->number)))
            return fail();
    }
    return work;
}

void Done(HWND dlg)
{
    LISTSTATE &s = *State(dlg);
    if (s.complete) {
        HGLOBAL built = Build(dlg, s);
        if (!built) {
            Say(dlg, IDS_INSERTERROR);
        } else if (built != s.param->object) {
            GlobalFree(s.param->object);
            s.param->object = built;
        }
    }
    DragAcceptFiles(dlg, FALSE);
    EndDialog(dlg, 1);
}

// Adds a file the list takes and remembers its folder.
void AddFile(HWND dlg, const char *path)
{
    uint32_t kind = 0;
    HGLOBAL data = State(dlg)->list->load(dlg, path, &kind);
    if (!data)
        return;
    SetOpenPath(path);
    AddAppletListEntry(dlg, data, kind);
    GlobalFree(data);
}

void AddFiles(HWND dlg)
{
    std::vector<char> names(MULTIPLEFILEBUFFER, 0);
    GetOpenPath(names.data());
    if (!State(dlg)->list->choose(dlg, names.data()))
        return;
    names.back() = names[names.size() - 2] = 0;
    const char *first = names.data();
    // Several files come as their folder and then their names; one file as
    // its path, which may be followed by what the buffer held before.
    DWORD attributes = GetFileAttributesA(first);
    char *rest = names.data() + strlen(first) + 1;
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY) || !*rest) {
        AddFile(dlg, first);
    } else {
        SwabMultipleNames(rest);
        std::string folder = first;
        if (folder.back() != '\\')
            folder += '\\';
        for (const char *name = rest; *name; name += strlen(name) + 1)
            AddFile(dlg, (folder + name).c_str());
    }
    UpdateAppletListButtons(dlg);
}

void DropFiles(HWND dlg, HDROP drop)
{
    if (hwndmain) {
        SetWindowPos(hwndmain, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
        SetWindowPos(hwndmain, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    }
    EnableWindow(dlg, FALSE);
    UINT count = DragQueryFileA(drop, 0xFFFFFFFF, nullptr, 0);
    for (UINT i = 0; i < count; i++) {
        char path[MAX_PATH];
        UINT length = DragQueryFileA(drop, i, path, sizeof path);
        if (length && length < sizeof path)
            AddFile(dlg, path);
    }
    EnableWindow(dlg, TRUE);
    UpdateAppletListButtons(dlg);
    DragFinish(drop);
}

void Reposition(HWND dlg)
{
    RECT owner, self;
    HWND parent = GetWindow(dlg, GW_OWNER);
    if (parent && GetWindowRect(parent, &owner) && GetWindowRect(dlg, &self)) {
        int width = self.right - self.left;
        MoveWindow(dlg, owner.right - width - 16, owner.top + 16, width,
                   std::max(0L, owner.bottom - owner.top - 32), TRUE);
    }
    ShowWindow(dlg, SW_SHOW);
}

// The gap below the list stays the gap above it.
void Resize(HWND dlg)
{
    RECT self, list;
    HWND l = List(dlg);
    if (!GetWindowRect(dlg, &self) || !GetWindowRect(l, &list))
        return;
    POINT corner{list.left, list.top};
    ScreenToClient(dlg, &corner);
    LONG height = (self.bottom - self.top) - 2 * (list.top - self.top);
    MoveWindow(l, corner.x, corner.y, list.right - list.left, std::max(0L, height), TRUE);
}

void DrawItem(HWND dlg, const DRAWITEMSTRUCT *d)
{
    if (d->itemID == (UINT)-1)
        return;
    const RECT &item = d->rcItem;
    HDC dc = d->hDC;
    RECT area{item.left + 2, item.top + 2, item.left + 2, item.top + 2};
    RECT badge{item.right - 40, item.top + 4, item.right - 4, item.top + 22};
    {
        GlobalLocked<const char> e((HGLOBAL)d->itemData);
        if (e && e.size() >= sizeof(OBJECTAPPLETENTRY)) {
            const auto *head = (const OBJECTAPPLETENTRY *)e.get();
            uint32_t length = (uint32_t)std::min<SIZE_T>(head->length, e.size() - sizeof *head);
            SavedDC saved(dc);
            State(dlg)->list->draw(dc, item, e.get(), length, &area);
        }
    }
    {
        SavedDC saved(dc);
        ExcludeClipRect(dc, area.left, area.top, area.right, area.bottom);
        ExcludeClipRect(dc, badge.left, badge.top, badge.right + 2, badge.bottom + 2);
        FillRect(dc, &item, d->itemState & ODS_SELECTED ? GetSysColorBrush(COLOR_BTNSHADOW)
                                                        : (HBRUSH)GetStockObject(WHITE_BRUSH));
    }
    RECT shadow = badge;
    OffsetRect(&shadow, 2, 2);
    FillRect(dc, &shadow, (HBRUSH)GetStockObject(DKGRAY_BRUSH));
    FillRect(dc, &badge, (HBRUSH)GetStockObject(WHITE_BRUSH));
    FrameRect(dc, &badge, (HBRUSH)GetStockObject(BLACK_BRUSH));
    OBJECTAPPLETENTRY head;
    if (GetObjectAppletEntryHeader(&head, (HGLOBAL)d->itemData)) {
        char number[16];
        snprintf(number, sizeof number, "%d", (int)head.number);
        SavedDC saved(dc);
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, RGB(0, 0, 0));
        DrawTextA(dc, number, -1, &badge, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    }
}

// The entries still listed go with the dialog, however it ends.
void FreeItems(HWND dlg)
{
    HWND list = List(dlg);
    int count = (int)SendMessageA(list, LB_GETCOUNT, 0, 0);
    for (int i = 0; i < count; i++)
        if (HGLOBAL entry = ItemEntry(list, i)) {
            SendMessageA(list, LB_SETITEMDATA, i, 0);
            GlobalFree(entry);
        }
}

} // namespace

int RunAppletList(HWND owner, EDITPARAM *param, const APPLETLIST &list, DLGPROC proc)
{
    LISTSTATE state{param, &list, true};
    COMMONDialogBox(hInst, list.templ, owner, proc, (LPARAM)&state, nullptr);
    if (owner)
        UpdateWindow(owner);
    return 1;
}

INT_PTR AppletListMessage(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam)
{
    // The list has no Cancel: only Done ends it, and Done always writes.
    if (msg == WM_COMMAND && LOWORD(wParam) == IDCANCEL)
        return TRUE;
    if (msg != WM_INITDIALOG)
        if (LISTSTATE *s = State(dlg); s && s->list->filter && s->list->filter(dlg, msg, wParam, lParam))
            return TRUE;
    INT_PTR answer;
    if (COMMONDialogMessage(dlg, msg, wParam, lParam, &answer))
        return answer;
    switch (msg) {
    case WM_INITDIALOG: {
        SetFocus(GetDlgItem(dlg, IDOK));
        SendMessageA(List(dlg), LB_SETITEMHEIGHT, 0, APPLETITEMHEIGHT);
        LISTSTATE &s = *State(dlg);
        if (!Fill(dlg, s)) {
            s.complete = false;
            EndDialog(dlg, 1);
            return FALSE;
        }
        if (SendMessageA(List(dlg), LB_GETCOUNT, 0, 0) > 0)
            SendMessageA(List(dlg), LB_SETCURSEL, 0, 0);
        UpdateAppletListButtons(dlg);
        PostMessageA(dlg, AEM_REPOSITION, 0, 0);
        DragAcceptFiles(dlg, TRUE);
        return FALSE;
    }
    case AEM_REPOSITION:
        Reposition(dlg);
        return TRUE;
    case WM_SIZE:
        Resize(dlg);
        return TRUE;
    case WM_DRAWITEM:
        if (wParam == IDC_APPLETLIST)
            DrawItem(dlg, (const DRAWITEMSTRUCT *)lParam);
        return TRUE;
    case WM_DROPFILES:
        DropFiles(dlg, (HDROP)wParam);
        return TRUE;
    case WM_DESTROY:
        FreeItems(dlg);
        return FALSE;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDOK:
            Done(dlg);
            return TRUE;
        case IDC_APPLETADD:
            AddFiles(dlg);
            return TRUE;
        case IDC_APPLETDELETE:
            DeleteAppletListEntry(dlg);
            UpdateAppletListButtons(dlg);
            return TRUE;
        }
        return State(dlg)->list->command(dlg, LOWORD(wParam));
    }
    return FALSE;
}

HGLOBAL SelectedAppletEntry(HWND dlg, int *index)
{
    LRESULT selected = SendMessageA(List(dlg), LB_GETCURSEL, 0, 0);
    if (selected < 0)
        return NULL;
    if (index)
        *index = (int)selected;
    return ItemEntry(List(dlg), (int)selected);
}

bool AddAppletListEntry(HWND dlg, HGLOBAL data, uint32_t kind)
{
    HWND list = List(dlg);
    OBJECTAPPLETENTRY head{};
    if (!NextNumber(list, &head.number)) {
        Say(dlg, IDS_INSERTERROR);
        return false;
    }
    head.kind = kind;
    HGLOBAL entry = InsertObjectAppletEntryHeader(data, &head);
    int index = entry ? AppendItem(list, head.number, entry) : -1;
    if (index < 0) {
        if (entry)
            GlobalFree(entry);
        Say(dlg, IDS_MEMORY);
        return false;
    }
    SendMessageA(list, LB_SETCURSEL, index, 0);
    return true;
}

void ReplaceAppletListEntry(HWND dlg, int index, HGLOBAL entry)
{
    HWND list = List(dlg);
    HGLOBAL old = ItemEntry(list, index);
    if (SendMessageA(list, LB_SETITEMDATA, index, (LPARAM)entry) == LB_ERR) {
        GlobalFree(entry);
        return;
    }
    if (old)
        GlobalFree(old);
    InvalidateRect(list, nullptr, TRUE);
}

void DeleteAppletListEntry(HWND dlg)
{
    HWND list = List(dlg);
    int index;
    HGLOBAL entry = SelectedAppletEntry(dlg, &index);
    if (!entry) {
        Say(dlg, IDS_MEMORY);
        return;
    }
    SendMessageA(list, LB_SETITEMDATA, index, 0);
    GlobalFree(entry);
    SendMessageA(list, LB_DELETESTRING, index, 0);
    int count = (int)SendMessageA(list, LB_GETCOUNT, 0, 0);
    if (count > 0)
        SendMessageA(list, LB_SETCURSEL, std::min(index, count - 1), 0);
}

void UpdateAppletListButtons(HWND dlg)
{
    LISTSTATE *s = State(dlg);
    bool any = SendMessageA(List(dlg), LB_GETCOUNT, 0, 0) > 0;
    for (const int *id = s->list->entrybuttons; *id; id++)
        EnableWindow(GetDlgItem(dlg, *id), any);
    if (s->list->update)
        s->list->update(dlg);
}
