// The list box's property dialog: its items, added, changed, removed and
// dragged into order in a list of the dialog's own, with its place, size,
// flags and target. The item list ends with a line of one space, never
// stored, before which an item is inserted to add it at the end.
#include "common/dialog.h"
#include "common/modal.h"
#include "common/msgdlg.h"
#include "common/owners.h"
#include "common/shell.h"
#include "editor/smalldialogs.h"
#include "editors/editparam.h"
#include "editors/objectdialogs3.h"
#include "editors/objectfields.h"
#include "resources/objectdialogs3_ids.h"
#include <commctrl.h>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

namespace {

constexpr uint32_t LISTFIXED = sizeof(OBJECTLISTBOX);
const char ENDLINE[] = " ";
const PROPFIELDS fields{true, OBJ_VISIBLE | OBJ_ENABLED | OBJ_NOTIFY | OBJ_TRANSPARENT};
// What the dialog holds while it is open: the item list's own procedure,
// under the drag of one line, and that drag.
struct LISTDIALOG : PROPSTATE {
    WNDPROC listproc = nullptr;
    int source = -1;
    RECT sourcerect{};
    bool moving = false;
    bool capture = false;
};

HWND Items(HWND dlg)
{
    return GetDlgItem(dlg, IDC_LISTBOXITEMS);
}

int Count(HWND list)
{
    return (int)SendMessageA(list, LB_GETCOUNT, 0, 0);
}

// A selected line that is an item, not the end line.
bool RealLine(HWND list, int line)
{
    return line >= 0 && Count(list) > 1 && line < Count(list) - 1;
}

std::string LineText(HWND list, int line)
{
    LRESULT n = SendMessageA(list, LB_GETTEXTLEN, (WPARAM)line, 0);
    if (n < 0)
        return {};
    std::string text((size_t)n + 1, '\0');
    SendMessageA(list, LB_GETTEXT, (WPARAM)line, (LPARAM)text.data());
    text.resize(strlen(text.c_str()));
    return text;
}

void Selected(HWND dlg)
{
    PostMessageA(dlg, WM_COMMAND, MAKEWPARAM(IDC_LISTBOXITEMS, LBN_SELCHANGE), (LPARAM)Items(dlg));
}

LRESULT CALLBACK EditListboxSubclass(HWND list, UINT msg, WPARAM wParam, LPARAM lParam)
{
    // The list goes before the dialog and its record.
    auto *d = PropState<LISTDIALOG>(GetParent(list));
    WNDPROC next = d->listproc;
    POINT at{(short)LOWORD(lParam), (short)HIWORD(lParam)};
    ClientToScreen(list, &at);
    switch (msg) {
    case WM_LBUTTONDOWN: {
        HWND dlg = GetParent(list);
        d->moving = true;
        d->source = LBItemFromPt(list, at, FALSE);
        if (d->source >= 0 && d->source == Count(list) - 1) {
            // The end line is reached with the keyboard only.
            d->moving = false;
            d->source = -1;
            return 0;
        }
        if (d->source >= 0 && SendMessageA(list, LB_GETITEMRECT, (WPARAM)d->source, (LPARAM)&d->sourcerect) != LB_ERR)
            d->moving = false;
        Selected(dlg);
        if (d->source >= 0 && LineText(list, d->source).empty())
            return 0;
        if (d->source >= 0) {
            SetCapture(list);
            d->capture = true;
            if (SendMessageA(list, LB_GETSEL, (WPARAM)d->source, 0) > 0)
                return 0;
        }
        break;
    }
    case WM_MOUSEMOVE:
        if (GetCapture() != list)
            break;
        LBItemFromPt(list, at, TRUE);
        if (!d->moving) {
            POINT client{(short)LOWORD(lParam), (short)HIWORD(lParam)};
            if (PtInRect(&d->sourcerect, client))
                break;
            d->moving = true;
        }
        {
            RECT r;
            GetWindowRect(list, &r);
            SetCursor(PtInRect(&r, at) ? LoadCursorA(hInst, MAKEINTRESOURCEA(IDC_LISTBOXDRAG))
                                       : LoadCursorA(NULL, IDC_NO));
        }
        return 0;
    case WM_LBUTTONUP:
        if (GetCapture() != list)
            break;
        {
            int target = LBItemFromPt(list, at, FALSE);
            int source = d->source;
            if (target >= 0 && source >= 0 && target != source && source < Count(list) - 1) {
                std::string text = LineText(list, source);
                LRESULT data = SendMessageA(list, LB_GETITEMDATA, (WPARAM)source, 0);
                LRESULT put = SendMessageA(list, LB_INSERTSTRING, (WPARAM)target, (LPARAM)text.c_str());
                if (put >= 0) {
                    SendMessageA(list, LB_SETITEMDATA, (WPARAM)put, data);
                    if (!(GetKeyState(VK_SHIFT) & 0x8000)) {
                        SendMessageA(list, LB_DELETESTRING, (WPARAM)(target < source ? source + 1 : source), 0);
                        if (target > source)
                            put--;
                    }
                    SendMessageA(list, LB_SETCURSEL, (WPARAM)put, 0);
                    Selected(GetParent(list));
                }
            }
            d->source = -1;
            if (d->capture)
                ReleaseCapture();
            d->capture = false;
        }
        return 0;
    case WM_NCDESTROY:
        SetWindowValue(list, GWLP_WNDPROC, next);
        d->listproc = nullptr;
        break;
    }
    return CallWindowProcA(next, list, msg, wParam, lParam);
}

void Open(HWND dlg, EDITPARAM *p)
{
    auto *l = (OBJECTLISTBOX *)LockLiveObject(dlg, p->object, LISTFIXED);
    if (!l)
        return;
    HWND list = Items(dlg);
    SendMessageA(list, LB_RESETCONTENT, 0, 0);
    SIZE_T have = GlobalSize(p->object);
    if (l->header.datasize && l->header.fixedsize < have) {
        const char *at = (const char *)l + l->header.fixedsize;
        const char *end = at + std::min<SIZE_T>(l->header.datasize, have - l->header.fixedsize);
        while (at < end && *at) {
            const char *zero = std::find(at, end, '\0');
            // Each item whole, however long: OK stores the lines as they are.
            std::string item(at, zero);
            SendMessageA(list, LB_ADDSTRING, 0, (LPARAM)item.c_str());
            at = zero + 1;
        }
    }
    SendMessageA(list, LB_ADDSTRING, 0, (LPARAM)ENDLINE);
    SendMessageA(list, LB_SETCURSEL, 0, 0);
    ShowPropFields(dlg, &l->header, fields, p->block, l->notify);
    GlobalUnlock(p->object);
    Selected(dlg);
    if (auto *d = PropState<LISTDIALOG>(dlg); !d->listproc)
        d->listproc = SetWindowValue<WNDPROC>(list, GWLP_WNDPROC, EditListboxSubclass);
}

void Build(HWND dlg, EDITPARAM *p)
{
    HWND list = Items(dlg);
    std::string data;
    for (int i = 0; i < Count(list) - 1; i++) {
        std::string text = LineText(list, i);
        if (!text.empty())
            data += text + '\0';
    }
    HGLOBAL built = BuildObject(dlg, p->object, LISTFIXED, (uint32_t)data.size());
    if (!built)
        return;
    {
        GlobalLocked<OBJECTLISTBOX> l(built);
        memcpy((char *)l.get() + LISTFIXED, data.data(), data.size());
        ReadPropFields(dlg, &l->header, fields, &l->notify);
    }
    KeepObject(dlg, &p->object, built);
}

void Command(HWND dlg, int id, int code)
{
    HWND list = Items(dlg);
    int line = (int)SendMessageA(list, LB_GETCURSEL, 0, 0);
    char text[SETTINGTEXT] = "";
    switch (id) {
    case IDC_LISTBOXITEMS:
        if (code == LBN_SELCHANGE)
            EnableWindow(GetDlgItem(dlg, IDC_LISTBOXREMOVE), RealLine(list, line));
        if (code == LBN_DBLCLK && RealLine(list, line)) {
            // The item text dialog holds only the start of a longer item,
            // which stays whole unless that start is changed.
            snprintf(text, sizeof text, "%s", LineText(list, line).c_str());
            std::string shown = text;
            if (GetListBoxString(dlg, text) && shown != text) {
                SendMessageA(list, LB_DELETESTRING, (WPARAM)line, 0);
                SendMessageA(list, LB_INSERTSTRING, (WPARAM)line, (LPARAM)text);
                SendMessageA(list, LB_SETCURSEL, (WPARAM)line, 0);
            }
        } else if (code == LBN_DBLCLK && line < 0) {
            EnableWindow(GetDlgItem(dlg, IDC_LISTBOXREMOVE), FALSE);
        }
        break;
    case IDC_LISTBOXADD:
        if (line >= 0 && GetListBoxString(dlg, text) && *text) {
            LRESULT put = SendMessageA(list, LB_INSERTSTRING, (WPARAM)line, (LPARAM)text);
            if (put >= 0)
                SendMessageA(list, LB_SETCURSEL, (WPARAM)put, 0);
            Selected(dlg);
        }
        break;
    case IDC_LISTBOXREMOVE:
        if (RealLine(list, line)) {
            SendMessageA(list, LB_DELETESTRING, (WPARAM)line, 0);
            int items = Count(list) - 1;
            SendMessageA(list, LB_SETCURSEL, items > 0 ? (WPARAM)std::min(line, items - 1) : (WPARAM)-1, 0);
            Selected(dlg);
        }
        break;
    }
}

} // namespace

INT_PTR CALLBACK EditListboxObjectProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam)
{
    static const PROPDIALOG dialog{Open, Build, "LISTBOX"};
    INT_PTR answer;
    if (PropDialogMessage<LISTDIALOG>(dialog, dlg, msg, wParam, lParam, &answer))
        return answer;
    if (msg == WM_COMMAND) {
        Command(dlg, LOWORD(wParam), HIWORD(wParam));
        return TRUE;
    }
    return FALSE;
}
