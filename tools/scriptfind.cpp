// The script editor's find and replace: the common find and replace boxes,
// modeless over the editor, searching its source without regard to case,
// and the message filter that gives those boxes their keys.
#include "tools/scriptfind.h"
#include "common/msgdlg.h"
#include "common/shell.h"
#include "common/strings.h"
#include "editor/utilities.h"
#include "resources/scripteditor_ids.h"
#include "runtime/background.h"
#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstring>
#include <string>

namespace {

HWND Source(HWND dlg)
{
    return GetDlgItem(dlg, IDC_APPLETSOURCE);
}

// The editor runs in its opener's modal loop, which offers keys only to the
// editor itself: Enter, Tab and Esc typed in the find or replace dialog,
// which is modeless, went nowhere. That loop first shows every message to the
// thread's message filters; the editor's filter hands the keys of the dialogs
// it owns to them. The find record holds the filter and says while a key
// is handed on, since handing it on shows it to the filter again.
LRESULT CALLBACK Keys(int code, WPARAM wParam, LPARAM lParam)
{
    auto *msg = (MSG *)lParam;
    if (code != MSGF_DIALOGBOX || !msg || msg->message < WM_KEYFIRST || msg->message > WM_KEYLAST)
        return CallNextHookEx(NULL, code, wParam, lParam);
    HWND box = GetAncestor(msg->hwnd, GA_ROOT), editor = box ? GetWindow(box, GW_OWNER) : NULL;
    SCRIPTFIND *f = ScriptFindOf(editor);
    char name[8] = "";
    if (!f || !f->keys || f->handing || !GetClassNameA(box, name, sizeof name) || strcmp(name, "#32770") != 0)
        return CallNextHookEx(NULL, code, wParam, lParam);
    HHOOK hook = f->keys;
    f->handing = true;
    BOOL handled = IsDialogMessageA(box, msg);
    // An editor that went meanwhile, record and all, left its filter here.
    if (IsWindow(editor))
        f->handing = false;
    else
        UnhookWindowsHookEx(hook);
    return handled ? 1 : CallNextHookEx(NULL, code, wParam, lParam);
}

// The extent of a dialog's visible controls in its client area.
struct EXTENT {
    HWND box;
    RECT r{LONG_MAX, LONG_MAX, 0, 0};
};

BOOL CALLBACK ControlExtent(HWND child, LPARAM extent)
{
    auto *e = (EXTENT *)extent;
    RECT r;
    if (GetParent(child) != e->box || !IsWindowVisible(child) || !GetWindowRect(child, &r))
        return TRUE;
    MapWindowPoints(NULL, e->box, (POINT *)&r, 2);
    e->r.top = std::min(e->r.top, r.top);
    e->r.bottom = std::max(e->r.bottom, r.bottom);
    return TRUE;
}

// The find and replace boxes keep room for the check boxes they were told
// to hide: each is made to end as far below its lowest visible control as its highest
// one lies below its top.
void FitToControls(HWND box)
{
    RECT client, window;
    EXTENT extent{box};
    if (!GetClientRect(box, &client) || !GetWindowRect(box, &window))
        return;
    EnumChildWindows(box, ControlExtent, (LPARAM)&extent);
    LONG spare = extent.r.top == LONG_MAX ? 0 : client.bottom - (extent.r.bottom + extent.r.top);
    if (spare > 0)
        SetWindowPos(box, NULL, 0, 0, window.right - window.left, window.bottom - window.top - spare,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

std::string Text(HWND edit)
{
    std::string text((size_t)GetWindowTextLengthA(edit) + 1, '\0');
    text.resize((size_t)GetWindowTextA(edit, text.data(), (int)text.size()));
    return text;
}

DWORD SelectionEnd(HWND edit)
{
    DWORD start = 0, end = 0;
    SendMessageA(edit, EM_GETSEL, (WPARAM)&start, (LPARAM)&end);
    return end;
}

// The found text is shown in the edit control, which keeps its selection
// visible without the focus. While the find or replace box is the active
// window it stays so: activating the editor would put the box behind it.
void Reveal(HWND edit)
{
    if (GetActiveWindow() == GetParent(edit))
        SetFocus(edit);
    SendMessageA(edit, EM_SCROLLCARET, 0, 0);
}

// Where `what` next occurs at or after `from`, ignoring case; npos when it
// does not. An empty search text occurs nowhere.
size_t Search(std::string &text, size_t from, const char *what)
{
    if (!*what || from > text.size())
        return std::string::npos;
    char *at = stristr(text.data() + from, const_cast<char *>(what));
    return at ? (size_t)(at - text.data()) : std::string::npos;
}

void FindNext(HWND dlg, SCRIPTFIND *f)
{
    HWND edit = Source(dlg);
    std::string text = Text(edit);
    if (text.empty())
        return;
    size_t at = Search(text, SelectionEnd(edit), f->findtext);
    if (at != std::string::npos) {
        SendMessageA(edit, EM_SETSEL, at, at + strlen(f->findtext));
    } else {
        SendMessageA(edit, EM_SETSEL, (WPARAM)-1, 0);
        // Owned by the find box, the message gives the activation back to
        // it, which keeps the box over the editor.
        DoMessage(f->dialog ? f->dialog : dlg, FetchString(IDS_SEARCHNOTFOUND));
    }
    Reveal(edit);
}

void ReplaceSelection(HWND dlg, SCRIPTFIND *f, int *changed)
{
    HWND edit = Source(dlg);
    DWORD start = 0, end = 0;
    SendMessageA(edit, EM_GETSEL, (WPARAM)&start, (LPARAM)&end);
    SendMessageA(edit, EM_REPLACESEL, TRUE, (LPARAM)f->replacetext);
    SendMessageA(edit, EM_SETSEL, start, start + strlen(f->replacetext));
    *changed = 1;
    PostMessageA(edit, WM_KEYUP, 0, 0);
}

// Every occurrence from the end of the selection on is replaced, each
// search starting after the text put in before, so a replacement that holds
// the search text is never searched again and the pass always ends. The
// replaced stretch goes into the control at once, as one step to undo.
void ReplaceAll(HWND dlg, SCRIPTFIND *f, int *changed)
{
    HWND edit = Source(dlg);
    std::string text = Text(edit);
    if (!text.empty()) {
        size_t from = SelectionEnd(edit), first = std::string::npos, last = 0, length = strlen(f->findtext);
        int count = 0;
        std::string out;
        for (size_t at; (at = Search(text, from, f->findtext)) != std::string::npos; from = at + length) {
            if (first == std::string::npos)
                first = at;
            else
                out.append(text, last, at - last);
            out += f->replacetext;
            last = at + length;
            count++;
        }
        if (count) {
            SendMessageA(edit, EM_SETSEL, first, last);
            SendMessageA(edit, EM_REPLACESEL, TRUE, (LPARAM)out.c_str());
            *changed = 1;
        }
        SendMessageA(edit, EM_SETSEL, (WPARAM)-1, 0);
        Reveal(edit);
        if (count) {
            char message[FETCHSTRINGSIZE + 16];
            snprintf(message, sizeof message, FetchString(IDS_REPLACEDCOUNT), count);
            DoMessage(dlg, message);
        } else {
            DoMessage(dlg, FetchString(IDS_SEARCHNOTFOUND));
        }
    }
    if (f->dialog)
        PostMessageA(f->dialog, WM_COMMAND, IDCANCEL, 0);
    PostMessageA(edit, WM_KEYUP, 0, 0);
}

} // namespace

void StartScriptFind(SCRIPTFIND *f)
{
    f->message = RegisterWindowMessageA(FINDMSGSTRINGA);
    f->keys = SetWindowsHookExA(WH_MSGFILTER, Keys, NULL, GetCurrentThreadId());
}

void EndScriptFind(SCRIPTFIND *f)
{
    if (f->keys && !f->handing)
        UnhookWindowsHookEx(f->keys);
}

void OpenScriptFind(HWND dlg, SCRIPTFIND *f, bool replace)
{
    memset(&f->box, 0, sizeof f->box);
    if (GetWordAtCursor(Source(dlg), f->findtext) && !*f->replacetext)
        lstrcpynA(f->replacetext, f->findtext, sizeof f->replacetext);
    FINDREPLACEA &box = f->box;
    box.lStructSize = sizeof box;
    box.hwndOwner = dlg;
    box.hInstance = hInst;
    box.Flags = FR_DOWN | FR_HIDEUPDOWN | FR_HIDEMATCHCASE | FR_HIDEWHOLEWORD;
    box.lpstrFindWhat = f->findtext;
    box.lpstrReplaceWith = f->replacetext;
    box.wFindWhatLen = box.wReplaceWithLen = 260;
    f->dialog = replace ? ReplaceTextA(&box) : FindTextA(&box);
    if (!f->dialog)
        return;
    FitToControls(f->dialog);
    CentreWindow(f->dialog);
}

void ScriptFindMessage(HWND dlg, SCRIPTFIND *f, const FINDREPLACEA *asked, int *changed)
{
    if (asked->Flags & FR_DIALOGTERM)
        f->dialog = NULL;
    else if (asked->Flags & FR_REPLACEALL)
        ReplaceAll(dlg, f, changed);
    else if (asked->Flags & FR_REPLACE)
        ReplaceSelection(dlg, f, changed);
    else if (asked->Flags & FR_FINDNEXT)
        FindNext(dlg, f);
}

