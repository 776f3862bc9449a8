// The wizard's "Select Pictures" page: the list of the album's pictures in
// page order, added through the multiple picture open dialog, removed with
// Delete, reordered or copied by dragging, and shown in the sample.
#include "common/windowvalue.h"
#include "tools/wizard.h"
#include "common/guard.h"
#include "common/msgdlg.h"
#include "common/owners.h"
#include "common/shell.h"
#include "editor/shell.h"
#include "editor/tipfolder.h"
#include "editor/utilities.h"
#include "media/filedialogs.h"
#include "media/imageformat.h"
#include "resources/wizard_ids.h"
#include <commctrl.h>
#include <cstdlib>
#include <new>
#include <cstring>
#include <string>

namespace {

// The drag state of the list, in the list window's user data while it
// lives: the page's own record is the wizard's, which every page shares.
struct LISTDRAG {
    WNDPROC proc = nullptr;
    HCURSOR dragcursor = nullptr;
    int pressed = -1;
    bool wasselected = false, captured = false, left = false;
    RECT itemrect = {};
};
LISTDRAG *Drag(HWND list)
{
    return GetWindowValue<LISTDRAG *>(list, GWLP_USERDATA);
}

// A page with a corner turned down under an arrow: the picture being moved.
HCURSOR MakeDragCursor()
{
    BYTE andmask[128], xormask[128];
    memset(andmask, 0xFF, sizeof andmask);
    memset(xormask, 0, sizeof xormask);
    auto put = [&](int x, int y, bool white) {
        andmask[y * 4 + x / 8] &= (BYTE) ~(0x80 >> (x % 8));
        if (white)
            xormask[y * 4 + x / 8] |= (BYTE)(0x80 >> (x % 8));
    };
    for (int y = 0; y < 16; y++)
        for (int x = 0; x <= y / 2 + 1 && x < 10; x++)
            put(x, y, x > 0 && x < y / 2 + 1 && y < 15);
    for (int y = 12; y < 28; y++)
        for (int x = 10; x < 24; x++)
            put(x, y, !(x == 10 || x == 23 || y == 12 || y == 27 || (x > 18 && y < 17 && x - 18 > y - 12)));
    return CreateCursor(hInst, 0, 0, 32, 32, andmask, xormask);
}

HWND List(HWND page)
{
    return GetDlgItem(page, IDC_WIZPICTURELIST);
}

std::string ItemText(HWND list, int i)
{
    LRESULT n = SendMessageA(list, LB_GETTEXTLEN, (WPARAM)i, 0);
    if (n == LB_ERR)
        return {};
    std::string text((size_t)n + 1, '\0');
    SendMessageA(list, LB_GETTEXT, (WPARAM)i, (LPARAM)text.data());
    text.resize(strlen(text.c_str()));
    return text;
}

void Rebuild(HWND page, WIZARDPARAM *w)
{
    free(w->pictures);
    w->pictures = nullptr;
    HWND list = List(page);
    int count = (int)SendMessageA(list, LB_GETCOUNT, 0, 0);
    size_t total = 0;
    for (int i = 0; i < count; i++)
        total += (size_t)SendMessageA(list, LB_GETTEXTLEN, (WPARAM)i, 0) + 1;
    char *out = (char *)calloc(total + 16, 1);
    if (!out)
        return; // an empty album
    char *at = out;
    for (int i = 0; i < count; i++) {
        std::string text = ItemText(list, i);
        memcpy(at, text.c_str(), text.size() + 1);
        at += text.size() + 1;
    }
    w->pictures = out;
}

void RepaintSample(HWND page)
{
    InvalidateRect(GetDlgItem(page, IDC_WIZSAMPLE), NULL, FALSE);
}

void SelectionChanged(HWND page, WIZARDPARAM *w)
{
    HWND list = List(page);
    int i = (int)SendMessageA(list, LB_GETCURSEL, 0, 0);
    if (!WizardShowPagePreviews || i < 0)
        return;
    std::string path = ItemText(list, i);
    if (path.empty() || path.size() >= sizeof w->previewpath)
        return;
    HGLOBAL picture = LoadImageA(NULL, path.c_str(), NULL, NULL);
    if (!picture)
        return;
    if (w->previewpicture)
        GlobalFree(w->previewpicture);
    w->previewpicture = picture;
    strcpy(w->previewpath, path.c_str());
    RepaintSample(page);
}

void UpdateButtons(HWND page, WIZARDPARAM *w)
{
    bool any = SendMessageA(List(page), LB_GETCOUNT, 0, 0) > 0;
    EnableWindow(GetDlgItem(page, IDC_WIZDELETE), any);
    SendMessageA(GetParent(page), PSM_SETWIZBUTTONS, 0, PSWIZB_BACK | (any ? PSWIZB_NEXT : 0));
    SelectionChanged(page, w);
}

void AddPath(HWND page, WIZARDPARAM *w, const std::string &path)
{
    HWND list = List(page);
    LRESULT i = SendMessageA(list, LB_ADDSTRING, 0, (LPARAM)path.c_str());
    if (i == LB_ERR || i == LB_ERRSPACE)
        return;
    SendMessageA(list, LB_SETCURSEL, (WPARAM)i, 0);
    SetOpenPath(path.c_str());
    Rebuild(page, w);
}

void SelectPictures(HWND page, WIZARDPARAM *w)
{
    std::string buffer(MULTIPLEFILEBUFFER, '\0');
    GetOpenPath(buffer.data());
    if (!GetOpenMultipleImageFileName(page, buffer.data()))
        return;
    char *first = buffer.data();
    char *names = first + strlen(first) + 1;
    if (!*names) {
        AddPath(page, w, first);
    } else {
        SwabMultipleNames(names);
        std::string folder = first;
        if (!folder.empty() && folder.back() != '\\')
            folder += '\\';
        for (char *name = names; *name; name += strlen(name) + 1)
            AddPath(page, w, folder + name);
    }
    UpdateButtons(page, w);
}

void DeleteSelected(HWND page, WIZARDPARAM *w)
{
    HWND list = List(page);
    int i = (int)SendMessageA(list, LB_GETCURSEL, 0, 0);
    if (i < 0)
        return;
    SendMessageA(list, LB_DELETESTRING, (WPARAM)i, 0);
    SendMessageA(list, LB_SETCURSEL, (WPARAM)(i > 0 ? i - 1 : 0), 0);
    UpdateButtons(page, w);
    Rebuild(page, w);
}

// The item under a point of the list's client area; -1 below the last item
// and outside the list.
int ItemAt(HWND list, POINT pt)
{
    RECT client;
    GetClientRect(list, &client);
    if (!PtInRect(&client, pt))
        return -1;
    LRESULT hit = SendMessageA(list, LB_ITEMFROMPOINT, 0, MAKELPARAM(pt.x, pt.y));
    if (HIWORD(hit))
        return -1;
    int i = LOWORD(hit);
    RECT r;
    if (SendMessageA(list, LB_GETITEMRECT, (WPARAM)i, (LPARAM)&r) == LB_ERR || !PtInRect(&r, pt))
        return -1;
    return i;
}

void Drop(HWND list, LISTDRAG *d, int target, bool copy)
{
    if (target == d->pressed)
        return;
    std::string text = ItemText(list, d->pressed);
    LRESULT data = SendMessageA(list, LB_GETITEMDATA, (WPARAM)d->pressed, 0);
    LRESULT at = SendMessageA(list, LB_INSERTSTRING, (WPARAM)target, (LPARAM)text.c_str());
    if (at == LB_ERR || at == LB_ERRSPACE)
        return;
    SendMessageA(list, LB_SETITEMDATA, (WPARAM)at, data);
    if (!copy) {
        int old = d->pressed + (target >= 0 && target <= d->pressed ? 1 : 0);
        SendMessageA(list, LB_DELETESTRING, (WPARAM)old, 0);
        if (target < 0 || target > d->pressed)
            at--;
    }
    SendMessageA(list, LB_SETCURSEL, (WPARAM)at, 0);
    SendMessageA(GetParent(list), WMU_WIZARDREBUILDLIST, 0, 0);
}

} // namespace

static LRESULT WizardListSubclassMessage(HWND list, UINT msg, WPARAM wParam, LPARAM lParam)
{
    LISTDRAG *d = Drag(list);
    if (!d)
        return DefWindowProcA(list, msg, wParam, lParam);
    WNDPROC proc = d->proc;
    POINT pt = {(short)LOWORD(lParam), (short)HIWORD(lParam)};
    switch (msg) {
    case WM_LBUTTONDOWN: {
        int item = ItemAt(list, pt);
        PostMessageA(GetParent(list), WM_COMMAND, MAKEWPARAM(IDC_WIZPICTURELIST, LBN_SELCHANGE), (LPARAM)list);
        d->pressed = item;
        d->left = false;
        if (item >= 0) {
            SetCapture(list);
            d->captured = true;
            SendMessageA(list, LB_GETITEMRECT, (WPARAM)item, (LPARAM)&d->itemrect);
            d->wasselected = SendMessageA(list, LB_GETCURSEL, 0, 0) == item;
            if (d->wasselected)
                return 0;
        }
        break;
    }
    case WM_MOUSEMOVE:
        if (d->captured && GetCapture() == list) {
            RECT client;
            GetClientRect(list, &client);
            int top = (int)SendMessageA(list, LB_GETTOPINDEX, 0, 0);
            if (pt.y < client.top && top > 0)
                SendMessageA(list, LB_SETTOPINDEX, (WPARAM)(top - 1), 0);
            else if (pt.y >= client.bottom)
                SendMessageA(list, LB_SETTOPINDEX, (WPARAM)(top + 1), 0);
            if (!d->left && PtInRect(&d->itemrect, pt))
                break;
            d->left = true;
            SetCursor(PtInRect(&client, pt) ? d->dragcursor : LoadCursorA(NULL, IDC_NO));
            return 0;
        }
        break;
    case WM_LBUTTONUP:
        if (d->captured) {
            if (d->pressed >= 0)
                Drop(list, d, ItemAt(list, pt), (wParam & MK_SHIFT) != 0);
            d->pressed = -1;
            d->captured = d->left = d->wasselected = false;
            ReleaseCapture();
        }
        break;
    case WM_NCDESTROY:
        SetWindowValue(list, GWLP_WNDPROC, proc);
        SetWindowValue<LISTDRAG *>(list, GWLP_USERDATA, nullptr);
        if (d->dragcursor)
            DestroyCursor(d->dragcursor);
        delete d;
        break;
    }
    return CallWindowProcA(proc, list, msg, wParam, lParam);
}

LRESULT CALLBACK WizardListSubclass(HWND list, UINT msg, WPARAM wParam, LPARAM lParam)
{
    return COMMONGuard(list, msg, [&] { return WizardListSubclassMessage(list, msg, wParam, lParam); });
}

INT_PTR WizardPicturesPage(HWND page, UINT msg, WPARAM wParam, LPARAM lParam, WIZARDPARAM *w)
{
    if (msg == WM_NOTIFY && ((const NMHDR *)lParam)->code == PSN_KILLACTIVE) {
        // Other pages never inherit a disabled Next.
        PostMessageA(GetParent(page), PSM_SETWIZBUTTONS, 0, PSWIZB_BACK | PSWIZB_NEXT);
        SetWindowValue<LRESULT>(page, DWLP_MSGRESULT, FALSE);
        return TRUE;
    }
    switch (msg) {
    case WM_INITDIALOG: {
        WizardShowFit(page, {&w->insideresize, &w->insidepreserveaspect, &w->insideframesize});
        CheckDlgButton(page, IDC_WIZPREVIEWS, WizardShowPagePreviews ? BST_CHECKED : BST_UNCHECKED);
        HWND list = List(page);
        for (const char *p = w->pictures; p && *p; p += strlen(p) + 1)
            SendMessageA(list, LB_ADDSTRING, 0, (LPARAM)p);
        if (LISTDRAG *d = Drag(list) ? nullptr : new (std::nothrow) LISTDRAG) {
            SetWindowValue(list, GWLP_USERDATA, d);
            d->dragcursor = MakeDragCursor();
            d->proc = SetWindowValue<WNDPROC>(list, GWLP_WNDPROC, WizardListSubclass);
        }
        return TRUE;
    }
    case WMU_WIZARDUPDATEBUTTONS:
        UpdateButtons(page, w);
        return TRUE;
    case WMU_WIZARDREBUILDLIST:
        Rebuild(page, w);
        return TRUE;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDC_WIZSELECTPICTURE:
            SelectPictures(page, w);
            break;
        case IDC_WIZDELETE:
            DeleteSelected(page, w);
            break;
        case IDC_WIZPICTURELIST:
            if (HIWORD(wParam) == LBN_SELCHANGE)
                SelectionChanged(page, w);
            else if (HIWORD(wParam) == LBN_DBLCLK) {
                int i = (int)SendMessageA(List(page), LB_GETCURSEL, 0, 0);
                if (i >= 0)
                    WizardImagePreview(page, ItemText(List(page), i).c_str());
            }
            break;
        case IDC_WIZPREVIEWS:
            WizardShowPagePreviews = IsDlgButtonChecked(page, IDC_WIZPREVIEWS) == BST_CHECKED;
            if (!WizardShowPagePreviews && w->previewpicture) {
                GlobalFree(w->previewpicture);
                w->previewpicture = NULL;
            }
            UpdateButtons(page, w);
            RepaintSample(page);
            break;
        default:
            WizardFitCommand(page, wParam, {&w->insideresize, &w->insidepreserveaspect, &w->insideframesize});
        }
        return FALSE;
    }
    return FALSE;
}

