// The applet script editor. The source is the applet object's first `text`
// entry; saving replaces that entry by the edit control's text, and the
// editor's opener puts the object back as it was when the user abandons.
#include "tools/scripteditor.h"
#include "common/buttons.h"
#include "common/colour.h"
#include "common/dialog.h"
#include "common/guard.h"
#include "common/msgdlg.h"
#include "common/owners.h"
#include "common/paths.h"
#include "common/shell.h"
#include "common/statbar.h"
#include "common/strings.h"
#include "common/theme.h"
#include "common/tooltip.h"
#include "document/applet.h"
#include "editor/shell.h"
#include "editors/appletproperties.h"
#include "editors/editparam.h"
#include "editors/objectdialogs.h"
#include "resources/document_ids.h"
#include "resources/scripteditor_ids.h"
#include "tools/appletlists.h"
#include "tools/appletpreview.h"
#include "tools/scriptfind.h"
#include <cstdio>
#include <memory>
#include <new>

namespace {

// The toolbar, left to right, and each button's theme glyph.
const int toolbar[] = {IDM_APPLETPREVIEW, IDM_APPLETFIND,     IDM_APPLETREPLACE, IDM_APPLETCOPY,
                       IDM_APPLETCUT,     IDM_APPLETABANDON,  IDM_APPLETPICTURES, IDM_APPLETSOUNDS,
                       IDM_APPLETCOLOUR,  IDM_APPLETHELP,     IDM_APPLETSAVE};
const int glyphs[] = {6, 20, 21, 22, 23, 5, 24, 25, 26, 2, 27}; // for ids 61 to 71

// What the editor holds while it is open, bound to it from WM_INITDIALOG
// and freed at WM_NCDESTROY, once the edit control that uses its font is
// gone.
struct SCRIPTEDITOR {
    EDITPARAM *p = nullptr; // the opener's record
    GdiObject<HFONT> font;
    int changed = 0;        // the text has been changed
    bool ended = false;     // the editor has ended: nothing more acts on it
    SCRIPTFIND find;
};

HWND Source(HWND dlg)
{
    return GetDlgItem(dlg, IDC_APPLETSOURCE);
}

// The object the editor holds is replaced by `now`, everywhere it is shown.
void Replace(EDITPARAM *p, HGLOBAL now)
{
    HGLOBAL old = p->object;
    p->object = now;
    StoreEditedObject(p);
    GlobalFree(old);
}

// Stores the edit control's text as the applet's source: the old source
// entry goes and the new one is appended, so the object keeps its old
// source until the new one is in. False after a message when nothing could
// be stored; an empty text stores nothing and is no failure.
bool SaveSource(HWND dlg, EDITPARAM *p)
{
    HWND edit = Source(dlg);
    int n = GetWindowTextLengthA(edit);
    if (n <= 0)
        return true;
    std::unique_ptr<char[]> text(new (std::nothrow) char[(size_t)n + 1]);
    if (!text) {
        DoMessage(dlg, FetchString(IDS_ALLOCATIONERROR));
        return false;
    }
    n = GetWindowTextA(edit, text.get(), n + 1);
    HGLOBAL appended = ReplaceAppletSource(p->object, text.get(), (unsigned long)n + 1);
    if (!appended) {
        DoMessage(dlg, FetchString(IDS_OBJECTACCESSERROR));
        return false;
    }
    Replace(p, appended);
    return true;
}

void Enable(HWND dlg, int id, bool on, bool button)
{
    EnableMenuItem(GetMenu(dlg), (UINT)id, MF_BYCOMMAND | (on ? MF_ENABLED : MF_GRAYED));
    if (button)
        EnableWindow(GetDlgItem(dlg, id), on);
}

// The status bar's line and the commands that depend on the text, the
// selection and the clipboard.
void Refresh(HWND edit)
{
    HWND dlg = GetParent(edit);
    DWORD start = 0, end = 0;
    SendMessageA(edit, EM_GETSEL, (WPARAM)&start, (LPARAM)&end);
    char line[32];
    snprintf(line, sizeof line, "LINE %d", (int)SendMessageA(edit, EM_LINEFROMCHAR, end, 0) + 1);
    STATSetCellText(dlg, line, 0);
    STATSetCellText(dlg, "", 1);
    Enable(dlg, IDM_APPLETUNDO, SendMessageA(edit, EM_CANUNDO, 0, 0) != 0, false);
    for (int id : {IDM_APPLETCUT, IDM_APPLETCOPY})
        Enable(dlg, id, end > start, true);
    bool text = GetWindowTextLengthA(edit) > 0;
    Enable(dlg, IDM_APPLETSELECTALL, text, false);
    for (int id : {IDM_APPLETFIND, IDM_APPLETREPLACE, IDM_APPLETSAVE, IDM_APPLETPREVIEW})
        Enable(dlg, id, text, true);
    Enable(dlg, IDM_APPLETPASTE, IsClipboardFormatAvailable(CF_TEXT) != 0, false);
}

// The editor's record when `editor` is a script editor, else null.
SCRIPTEDITOR *EditorOf(HWND editor)
{
    if (!editor || GetWindowLongPtrA(editor, DWLP_DLGPROC) != (LONG_PTR)EditAppletProc)
        return nullptr;
    return DialogState<SCRIPTEDITOR>(editor);
}

void Open(HWND dlg, SCRIPTEDITOR *e)
{
    EDITPARAM *p = e->p;
    e->changed = 0;
    int x = COMMONTHEMEGetMetric(6) + GetSystemMetrics(SM_CXDLGFRAME);
    int y = COMMONTHEMEGetMetric(7) + GetSystemMetrics(SM_CYDLGFRAME);
    int w = COMMONTHEMEGetMetric(2), h = COMMONTHEMEGetMetric(3);
    for (int id : toolbar) {
        CreateWindowA("BUTTON", "", WS_CHILD | WS_VISIBLE | BS_OWNERDRAW, x, y, w, h, dlg, (HMENU)(INT_PTR)id,
                      hInst, NULL);
        x += w + COMMONTHEMEGetMetric(8);
    }
    // The strip lies behind the buttons and never paints over them.
    HWND strip = GetDlgItem(dlg, IDC_APPLETSTRIP);
    SetWindowValue<LONG_PTR>(strip, GWL_STYLE, GetWindowValue<LONG_PTR>(strip, GWL_STYLE) | WS_CLIPSIBLINGS);
    SetWindowPos(strip, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    STATCreateStatusWindow(hInst, dlg, "");
    STATInsertCell(dlg, "", 200, -1, 0);
    STATInsertCell(dlg, "", 400, -1, 0);

    // The control lays its lines out again for every new font and size: the
    // text goes in once both are settled.
    HWND edit = Source(dlg);
    SendMessageA(edit, EM_SETLIMITTEXT, 0, 0);
    int cx = GetSystemMetrics(SM_CXSCREEN), cy = GetSystemMetrics(SM_CYSCREEN);
    MoveWindow(dlg, 32, 32, cx - 64, cy - 64, FALSE);
    e->font.Reset(CreateFontA(16, 0, 0, 0, 0, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                              CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, FIXED_PITCH | FF_MODERN, "Courier New"));
    SendMessageA(edit, WM_SETFONT, (WPARAM)e->font.get(), FALSE);
    CentreWindow(dlg);
    if (EditAppletMaximizeWindow)
        SendMessageA(dlg, WM_SYSCOMMAND, SC_MAXIMIZE, 0);
    APPLETSOURCE s = ReadAppletSource(p->object);
    SetWindowTextA(edit, s.text.c_str());
    SetWindowValue<WNDPROC>(edit, GWLP_WNDPROC, AppletEditSubclass);
    PostMessageA(edit, WM_KEYUP, 0, 0);
    SendMessageA(edit, EM_SETSEL, 0, 0);
    SendMessageA(edit, EM_SCROLLCARET, 0, 0);
    SetFocus(edit);
    for (int id = IDM_APPLETPREVIEW; id <= IDM_APPLETCOLOUR; id++) {
        CreateTip(hInst, dlg, id, FetchString(IDS_APPLETTIPS + id - IDM_APPLETPREVIEW));
        CreateMouseTrack(dlg, id);
    }
    StartScriptFind(&e->find);
    // What the object held that could not be read is not shown and will not
    // be kept: the user is told before touching anything.
    if (s.damaged)
        DoMessage(dlg, FetchString(IDS_APPLETDAMAGED));
}

void Layout(HWND dlg)
{
    RECT client;
    GetClientRect(dlg, &client);
    int bar = COMMONTHEMEGetMetric(1), status = 0;
    RECT r;
    if (HWND s = FindWindowExA(dlg, NULL, "StatusBar", NULL); s && GetWindowRect(s, &r))
        status = r.bottom - r.top;
    MoveWindow(Source(dlg), 0, bar + 1, client.right, client.bottom - (bar + 1 + status + 1), TRUE);
    HWND strip = GetDlgItem(dlg, IDC_APPLETSTRIP);
    int frame = GetSystemMetrics(SM_CXFRAME);
    MoveWindow(strip, frame / 2, 0, client.right - frame, bar, TRUE);
    InvalidateRect(strip, NULL, TRUE);
}

// Ends the editor. Nothing that arrives while the window is torn down acts
// on its record, which stays until the window and its edit control are
// gone: taking the font from the control would lay the whole text out once
// more for nothing.
void Finish(HWND dlg, SCRIPTEDITOR *e, int result)
{
    EndDialog(dlg, result);
    e->ended = true;
}

void RememberMaximized(HWND dlg)
{
    EditAppletMaximizeWindow = IsZoomed(dlg) ? 1 : 0;
}

void Abandon(HWND dlg, SCRIPTEDITOR *e)
{
    RememberMaximized(dlg);
    if (e->changed && DoYesNo(dlg, FetchString(IDS_ABANDONAPPLET)) != IDYES)
        return;
    Finish(dlg, e, 0);
}

void SaveAndExit(HWND dlg, SCRIPTEDITOR *e)
{
    EDITPARAM *p = e->p;
    // When the source could not be stored the editor stays open with it,
    // so that the user's text is not lost.
    if (!SaveSource(dlg, p))
        return;
    RememberMaximized(dlg);
    Finish(dlg, e, 1);
}

void ChooseColour(HWND dlg, SCRIPTEDITOR *e)
{
    COLORREF colour = (COLORREF)SelectedColour;
    if (!DoColourSelect(dlg, &colour))
        return;
    SelectedColour = (int)colour;
    char text[40];
    snprintf(text, sizeof text, "%d,%d,%d", GetRValue(colour), GetGValue(colour), GetBValue(colour));
    HWND edit = Source(dlg);
    SendMessageA(edit, EM_REPLACESEL, TRUE, (LPARAM)text);
    SendMessageA(dlg, AEM_TEXTCHANGED, 0, 0);
    e->changed = 1;
    SetFocus(edit);
}

void EditCommand(HWND dlg, SCRIPTEDITOR *e, UINT message, bool changes)
{
    HWND edit = Source(dlg);
    SendMessageA(edit, message, 0, 0);
    if (changes)
        e->changed = 1;
    PostMessageA(edit, WM_KEYUP, 0, 0);
}

void Command(HWND dlg, SCRIPTEDITOR *e, int id)
{
    EDITPARAM *p = e->p;
    switch (id) {
    case IDM_APPLETPREVIEW: {
        SaveSource(dlg, p);
        RememberMaximized(dlg);
        HWND list = p->blockset ? GetDlgItem(p->blockset->hwnd, IDC_BLOCKLIST) : NULL;
        PreviewApplet(dlg, p->block, list, p->object);
        return;
    }
    case IDM_APPLETSAVE:
        SaveAndExit(dlg, e);
        return;
    case IDM_APPLETABANDON:
        Abandon(dlg, e);
        return;
    case IDM_APPLETPICTURES:
    case IDM_APPLETSOUNDS:
        if (id == IDM_APPLETPICTURES)
            SelectAppletPicture(dlg, p);
        else
            SelectAppletSound(dlg, p);
        StoreEditedObject(p);
        return;
    case IDM_APPLETPROPERTIES:
        EditAppletProperties(dlg, p->blockset, p->block, p->index, p->object);
        return;
    case IDM_APPLETREFERENCE:
    case IDM_APPLETHELP:
        DoTallixHelp(dlg, "ZOO");
        return;
    case IDM_APPLETCOPY:
        EditCommand(dlg, e, WM_COPY, false);
        return;
    case IDM_APPLETCUT:
        EditCommand(dlg, e, WM_CUT, true);
        return;
    case IDM_APPLETPASTE:
        EditCommand(dlg, e, WM_PASTE, true);
        return;
    case IDM_APPLETUNDO:
        EditCommand(dlg, e, WM_UNDO, false);
        return;
    case IDM_APPLETSELECTALL:
        SendMessageA(Source(dlg), EM_SETSEL, 0, -1);
        PostMessageA(Source(dlg), WM_KEYUP, 0, 0);
        return;
    case IDM_APPLETCOLOUR:
        ChooseColour(dlg, e);
        return;
    case IDM_APPLETFIND:
    case IDM_APPLETREPLACE:
        OpenScriptFind(dlg, &e->find, id == IDM_APPLETREPLACE);
        return;
    }
}

BOOL DrawItem(const DRAWITEMSTRUCT *item)
{
    if (item->CtlType != ODT_BUTTON)
        return FALSE;
    RECT r = item->rcItem;
    if (item->CtlID == IDC_APPLETSTRIP) {
        COMMONTHEMEDrawToolbarBackground(item->hwndItem, item->hDC);
        FrameRect(item->hDC, &r, GetSysColorBrush(COLOR_BTNSHADOW));
        return TRUE;
    }
    if (item->CtlID < IDM_APPLETPREVIEW || item->CtlID > IDM_APPLETCOLOUR)
        return FALSE;
    COMMONTHEMEDrawButton(item->hwndItem, item->hDC, &r, glyphs[item->CtlID - IDM_APPLETPREVIEW],
                          (int)item->itemState);
    return TRUE;
}

INT_PTR Message(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam)
{
    // Esc and the close box do not end the editor: only Save and exit,
    // Abandon and the close command do.
    if (msg == WM_COMMAND && LOWORD(wParam) == IDCANCEL)
        return TRUE;
    if (msg == WM_CLOSE)
        return TRUE;
    if (msg == WM_INITDIALOG) {
        auto *made = new (std::nothrow) SCRIPTEDITOR;
        if (made)
            made->p = (EDITPARAM *)lParam;
        lParam = (LPARAM)made;
    }
    INT_PTR answer;
    SCRIPTEDITOR *e;
    if (DialogOpening(dlg, msg, wParam, lParam, &answer, &e))
        return answer;
    if (msg == WM_INITDIALOG) {
        if (e) {
            Open(dlg, e);
        } else {
            DoMessage(dlg, FetchString(IDS_ALLOCATIONERROR));
            EndDialog(dlg, 0);
        }
        return FALSE;
    }
    if (msg == WM_DRAWITEM)
        return DrawItem((const DRAWITEMSTRUCT *)lParam);
    if (msg == WM_SIZE) {
        Layout(dlg);
        return FALSE;
    }
    if (msg == WM_DESTROY) {
        DestroyTips(dlg);
        if (e)
            EndScriptFind(&e->find);
        return FALSE;
    }
    if (msg == WM_NCDESTROY) {
        SetWindowValue<SCRIPTEDITOR *>(dlg, DWLP_USER, nullptr);
        delete e;
        return FALSE;
    }
    if (!e || e->ended)
        return FALSE;
    if (e->find.message && msg == e->find.message) {
        ScriptFindMessage(dlg, &e->find, (const FINDREPLACEA *)lParam, &e->changed);
        return TRUE;
    }
    switch (msg) {
    case AEM_TEXTCHANGED:
        e->changed = 1;
        return TRUE;
    case WM_SYSCOMMAND:
        if ((wParam & 0xFFF0) != SC_CLOSE)
            return FALSE;
        if (GetWindowTextLengthA(Source(dlg)) > 0)
            SaveAndExit(dlg, e);
        else
            Abandon(dlg, e);
        return TRUE;
    case WM_COMMAND:
        Command(dlg, e, LOWORD(wParam));
        return TRUE;
    }
    return FALSE;
}

} // namespace

SCRIPTFIND *ScriptFindOf(HWND editor)
{
    SCRIPTEDITOR *e = EditorOf(editor);
    return e ? &e->find : nullptr;
}

INT_PTR CALLBACK EditAppletProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam)
{
    return COMMONGuard(dlg, msg, [&] { return Message(dlg, msg, wParam, lParam); });
}

static LRESULT EditMessage(HWND edit, UINT msg, WPARAM wParam, LPARAM lParam)
{
    auto proc = (WNDPROC)GetClassLongPtrA(edit, GCLP_WNDPROC);
    HWND dlg = GetParent(edit);
    bool shift = GetKeyState(VK_SHIFT) < 0;
    switch (msg) {
    case WM_GETDLGCODE:
        return CallWindowProcA(proc, edit, msg, wParam, lParam) | DLGC_WANTTAB;
    case WM_KEYDOWN:
        if (wParam == VK_TAB) {
            SendMessageA(edit, EM_REPLACESEL, TRUE, (LPARAM) "\t");
            return 0;
        }
        break;
    case WM_CHAR:
        SendMessageA(dlg, AEM_TEXTCHANGED, 0, 0);
        if (wParam == '\t')
            return 0;
        Refresh(edit);
        break;
    case WM_KEYUP:
        if (wParam == VK_TAB)
            return 0;
        if ((wParam == VK_INSERT || wParam == VK_DELETE) && shift)
            SendMessageA(dlg, AEM_TEXTCHANGED, 0, 0);
        Refresh(edit);
        break;
    case WM_LBUTTONUP: {
        LRESULT r = CallWindowProcA(proc, edit, msg, wParam, lParam);
        Refresh(edit);
        return r;
    }
    }
    return CallWindowProcA(proc, edit, msg, wParam, lParam);
}

LRESULT CALLBACK AppletEditSubclass(HWND edit, UINT msg, WPARAM wParam, LPARAM lParam)
{
    return COMMONGuard(edit, msg, [&] { return EditMessage(edit, msg, wParam, lParam); });
}
