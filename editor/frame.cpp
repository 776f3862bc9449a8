// The frame window: the application commands, the recent files, the
// clipboard-viewer chain and the enabling of menu items and toolbar buttons
// after every command. Document commands go on to the active document window.
#include "common/about.h"
#include "common/guard.h"
#include "common/msgdlg.h"
#include "common/owners.h"
#include "common/paths.h"
#include "common/services.h"
#include "common/statbar.h"
#include "common/sticky.h"
#include "common/strings.h"
#include "common/theme.h"
#include "document/blockstore.h"
#include "document/reader.h"
#include "editor/clipboard.h"
#include "editor/config.h"
#include "editor/docwindow.h"
#include "editor/filedialogs.h"
#include "editor/parts.h"
#include "editor/setup.h"
#include "editor/shell.h"
#include "editor/shellservices.h"
#include "editor/sysinfo.h"
#include "editor/smalldialogs.h"
#include "editor/tipfolder.h"
#include "resources/editorframe_ids.h"
#include "resources/resource.h"
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

HWND nextViewer;
char StartupPath[SETTINGTEXT];
char LoadFile[SETTINGTEXT];
int FilePathIndex;

constexpr UINT_PTR FRONTTIMER = 10;

bool CommandAvailable(UINT id)
{
    switch (id) {
    case IDM_WIZARD:
        return EditorParts().photoalbumwizard != nullptr;
    }
    return true;
}

static HWND ActiveDocument()
{
    return hwndclient ? (HWND)SendMessageA(hwndclient, WM_MDIGETACTIVE, 0, 0) : NULL;
}

static void SetCommand(HMENU menu, UINT id, bool on)
{
    on = on && CommandAvailable(id);
    if (HWND button = hwndbar ? GetDlgItem(hwndbar, (int)id) : NULL)
        EnableWindow(button, on);
    if (menu)
        EnableMenuItem(menu, id, MF_BYCOMMAND | (on ? MF_ENABLED : MF_GRAYED));
}

void EnableCommands(BLOCKSET *set, int count, int selected)
{
    if (set && hwndbar)
        SendDlgItemMessageA(hwndbar, IDC_VIEWMODE, CB_SETCURSEL, (WPARAM)set->viewmode, 0);
    HMENU menu = hwndmain ? GetMenu(hwndmain) : NULL;
    static const UINT withblocks[] = {IDM_SAVE, IDM_INSERT, IDM_SAVEAS, IDM_CLOSE,    IDM_VIEW,
                                      IDM_CASCADE, IDM_TILE, IDM_ARRANGE, IDM_DUPLICATE};
    static const UINT withselection[] = {IDM_PRINT, IDM_CUT, IDM_COPY, IDM_UNSELECTALL, IDM_DELETE};
    SetCommand(menu, IDM_WIZARD, true);
    if (menu)
        EnableMenuItem(menu, IDM_UNDO, MF_BYCOMMAND | (set && set->undovalid ? MF_ENABLED : MF_GRAYED));
    for (UINT id : withblocks)
        SetCommand(menu, id, set && count > 0);
    for (UINT id : withselection)
        SetCommand(menu, id, set && selected > 0);
}

void SetSelectionStatus(int selected)
{
    char text[FETCHSTRINGSIZE];
    if (selected <= 0)
        lstrcpynA(text, FetchString(IDS_NOBLOCKSSELECTED), sizeof text);
    else if (selected == 1)
        lstrcpynA(text, FetchString(IDS_ONEBLOCKSELECTED), sizeof text);
    else
        snprintf(text, sizeof text, FetchString(IDS_BLOCKSSELECTED), (unsigned)selected);
    STATSetCellText(hwndmain, text, 0);
}

// Blocks and selected blocks of a document window's list.
static void CountList(HWND window, int &count, int &selected)
{
    HWND list = GetDlgItem(window, IDC_BLOCKLIST);
    LRESULT n = list ? SendMessageA(list, LB_GETCOUNT, 0, 0) : LB_ERR;
    LRESULT s = list ? SendMessageA(list, LB_GETSELCOUNT, 0, 0) : LB_ERR;
    count = n == LB_ERR ? 0 : (int)n;
    selected = s == LB_ERR ? -1 : (int)s;
}

static void AfterCommand()
{
    HWND doc = ActiveDocument();
    BLOCKSET *set = doc ? LockBlockSet(doc) : NULL;
    int count = 0, selected = 0;
    if (doc)
        CountList(doc, count, selected);
    if (set) {
        EnableCommands(set, count, selected < 0 ? 0 : selected);
        UnlockBlockSet(doc);
    } else {
        EnableCommands(NULL, 0, 0);
    }
    SetSelectionStatus(doc ? selected : 0);
}

int GetStatusBarDepth()
{
    RECT r;
    if (!statusbar || !GetWindowRect(statusbar, &r))
        return 0;
    return r.bottom - r.top;
}

int CloseAllChildren(HWND client)
{
    for (;;) {
        HWND child = client ? GetWindow(client, GW_CHILD) : NULL;
        // Minimised windows' title windows have an owner: they go with theirs.
        while (child && GetWindow(child, GW_OWNER))
            child = GetWindow(child, GW_HWNDNEXT);
        if (!child)
            return 1;
        SendMessageA(child, WM_CLOSE, 0, 0);
        if (IsWindow(child))
            return 0;
    }
}

// --- recent files ----------------------------------------------------------

static bool HasDrivePath(const char *text)
{
    return isalpha((unsigned char)text[0]) && text[1] == ':' && text[2] == '\\';
}

// The popup that holds Exit.
HMENU FileMenu(HWND window)
{
    HMENU menu = GetMenu(window);
    int n = menu ? GetMenuItemCount(menu) : 0;
    for (int i = 0; i < n; i++)
        if (HMENU sub = GetSubMenu(menu, i))
            if (GetMenuState(sub, IDM_EXIT, MF_BYCOMMAND) != (UINT)-1)
                return sub;
    return NULL;
}

static void TrimEnd(char *text)
{
    size_t n = strlen(text);
    while (n && (unsigned char)text[n - 1] <= 32)
        text[--n] = 0;
}

void SetPathMenu(HWND window, const char *path)
{
    if (!path || !HasDrivePath(path) || strlen(path) >= SETTINGTEXT)
        return;
    char wanted[SETTINGTEXT];
    strcpy(wanted, path);
    TrimEnd(wanted);
    // Only a file that is there: never a folder, never a name that has gone.
    DWORD attributes = GetFileAttributesA(wanted);
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY))
        return;
    HMENU file = FileMenu(window);
    if (!file)
        return;
    std::vector<std::string> earlier;
    for (int i = 0; i < FilePathIndex; i++) {
        char item[SETTINGTEXT] = "";
        GetMenuStringA(file, IDM_RECENTFILE + i, item, sizeof item, MF_BYCOMMAND);
        TrimEnd(item);
        if (lstrcmpiA(item, wanted) == 0)
            return;
        earlier.push_back(item);
    }
    for (int i = 0; i < FilePathIndex; i++)
        DeleteMenu(file, IDM_RECENTFILE + i, MF_BYCOMMAND);
    int n = 0;
    if (AppendMenuA(file, MF_STRING, IDM_RECENTFILE, wanted))
        n++;
    for (const std::string &item : earlier) {
        if (n >= FileMenuRange)
            break;
        if (HasDrivePath(item.c_str()) && AppendMenuA(file, MF_STRING, IDM_RECENTFILE + n, item.c_str()))
            n++;
    }
    FilePathIndex = n;
}

// --- commands -------------------------------------------------------------

static void CloseDocument(HWND window) { PostMessageA(window, WM_SYSCOMMAND, SC_CLOSE, 0); }

static void Open(HWND frame)
{
    char path[SETTINGTEXT];
    GetOpenPath(path);
    if (LoadFile[0]) {
        strcpy(path, LoadFile);
        LoadFile[0] = 0;
    } else {
        if (!GetOpenFileNameA(frame, path))
            return;
        SetOpenPath(path);
    }
    HWND window = CreateNewTask(frame, path, 0);
    if (!window)
        return; // the document window has said why
    BLOCKSET *set = LockBlockSet(window);
    if (!set) {
        DoMessage(frame, FetchString(IDS_BLOCKACCESS));
        CloseDocument(window);
        return;
    }
    HWND list = GetDlgItem(window, IDC_BLOCKLIST);
    bool loaded;
    {
        // The list shows the document once it is read, not block by block.
        ListLayoutHold hold(list);
        loaded = LoadExeFile(list, set, path) != 0;
    }
    if (!loaded) {
        DWORD error = GetLastError();
        DoMessage(frame, FetchString(error == LOADERROR_TOOMANYBLOCKS ? IDS_TOOMANYBLOCKS
                                     : error == LOADERROR_NOTDOCUMENT ? IDS_UNSUPPORTEDFORMAT
                                                                      : IDS_ERRREAD));
        UnlockBlockSet(window);
        CloseDocument(window);
        return;
    }
    AdjustHeader(list, set);
    AdjustListBox(list, set);
    SetPathMenu(frame, path);
    SetBrowserSize(window, set);
    int count, selected;
    CountList(window, count, selected);
    EnableCommands(set, count, selected < 0 ? 0 : selected);
    SetWindowTextA(window, path);
    set->named = 1;
    UnlockBlockSet(window);
}

// A new document opens as wide as its thumbnails ask and its whole title
// needs (beside the caption's icon and three buttons), within the client.
static void FitNewDocument(HWND window, BLOCKSET *set)
{
    SetBrowserSize(window, set);
    NONCLIENTMETRICSA metrics{};
    metrics.cbSize = sizeof metrics;
    if (IsZoomed(window) || IsIconic(window) ||
        !SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0))
        return;
    GdiObject<HFONT> font(CreateFontIndirectA(&metrics.lfCaptionFont));
    SIZE title{};
    TEXTMETRICA tm{};
    {
        WindowDC dc(window);
        SelectedObject chosen(dc, font);
        GetTextExtentPoint32A(dc, set->path, (int)strlen(set->path), &title);
        GetTextMetricsA(dc, &tm);
    }
    int need = title.cx + 2 * tm.tmAveCharWidth + 4 * metrics.iCaptionWidth + 2 * GetSystemMetrics(SM_CXFRAME);
    RECT client{}, outer{};
    GetClientRect(GetParent(window), &client);
    GetWindowRect(window, &outer);
    need = std::min<int>(need, client.right);
    if (need > outer.right - outer.left)
        SetWindowPos(window, NULL, 0, 0, need, outer.bottom - outer.top, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// The new document's folder is no file of its own: it does not enter the
// recent files.
static void New(HWND frame)
{
    HWND window = CreateNewTask(frame, OpenPath, 0);
    if (!window)
        return;
    BLOCKSET *set = LockBlockSet(window);
    if (!set) {
        DoMessage(frame, FetchString(IDS_BLOCKACCESS));
        CloseDocument(window);
        return;
    }
    if (DoNew(frame, window, set)) {
        int count, selected;
        CountList(window, count, selected);
        EnableCommands(set, count, selected < 0 ? 0 : selected);
        SetWindowTextA(window, set->path);
        FitNewDocument(window, set);
        if (InsertBlankPageonNew)
            PostMessageA(frame, WM_COMMAND, IDM_INSERT, 0);
    } else {
        CloseDocument(window);
    }
    UnlockBlockSet(window);
}

static bool ShiftHeld() { return GetKeyState(VK_SHIFT) < 0; }

// Handles the frame's own commands; false for those that go on to the
// active document window.
static bool FrameCommand(HWND hwnd, UINT id)
{
    switch (id) {
    case IDM_CONTENTS:
        if (ShiftHeld())
            DoReference(hwnd, "INDEX");
        else
            DoManual(hwnd, "DOCUMENTATION");
        return true;
    case IDM_OPEN:
        Open(hwnd);
        return true;
    case IDM_NEW:
        New(hwnd);
        return true;
    case IDM_CASCADE:
        SendMessageA(hwndclient, WM_MDICASCADE, 0, 0);
        return true;
    case IDM_TILE:
        SendMessageA(hwndclient, WM_MDITILE, 0, 0);
        return true;
    case IDM_ARRANGE:
        SendMessageA(hwndclient, WM_MDIICONARRANGE, 0, 0);
        return true;
    case IDM_ABOUT:
        DoAbout(hwnd);
        return true;
    case IDM_SETUP:
        DoSetup(hwnd);
        SetWindowTextA(hwnd, FetchString(IDS_FRAMETITLE));
        if (hwndbar)
            PostMessageA(hwndbar, WMU_REPAINTTOOLBAR, 0, 0);
        return true;
    case IDM_SYSINFO:
        ShowSysInfo(hwnd);
        return true;
    case IDM_TIP:
        ShowTipDialog(hwnd);
        return true;
    case IDM_WIZARD:
        if (EditorPartReady(hwnd, EditorParts().photoalbumwizard != nullptr))
            EditorParts().photoalbumwizard(hwnd);
        return true;
    }
    if (!CommandAvailable(id))
        return true; // its window comes later: nothing pretends to do it
    if (id >= IDM_RECENTFILE && id < (UINT)(IDM_RECENTFILE + FilePathIndex)) {
        char path[SETTINGTEXT] = "";
        HMENU file = FileMenu(hwnd);
        if (file && GetMenuStringA(file, id, path, sizeof path, MF_BYCOMMAND) > 0) {
            strcpy(LoadFile, path);
            SendMessageA(hwnd, WM_COMMAND, IDM_OPEN, 0);
        }
        return true;
    }
    return false;
}

static void UpdatePaste(HWND hwnd)
{
    bool on = IsClipboardFormatAvailable(CF_PAGEBLOCK) && CommandAvailable(IDM_PASTE);
    EnableMenuItem(GetMenu(hwnd), IDM_PASTE, MF_BYCOMMAND | (on ? MF_ENABLED : MF_GRAYED));
}

// Each block of the editor's private formats has one owner once it is on the
// clipboard. Windows leaves it to the clipboard's owner, told by
// WM_DESTROYCLIPBOARD; Wine frees it itself (at the owner's next
// EmptyClipboard, a later SetClipboardData of the format, or the next
// OpenClipboard once another program owns the clipboard), so that freeing it
// here as well frees it twice, the second time whatever block took the handle
// in between. Which of the two this platform does is learnt once, before the
// first block is set: a one-byte block set and emptied at once, with nothing
// allocated in between, is either gone or still ours. Until that is known
// nothing is freed here: a block lost is better than a block freed twice.
// The handles are kept as they are set, since once another program empties
// the clipboard they can no longer be asked of it.
namespace {
enum class FREER { UNKNOWN, PLATFORM, OWNER };
FREER freer = FREER::UNKNOWN;

struct KEPTCLIPBOARD {
    UINT format;
    HWND owner;
    HANDLE data;
};
KEPTCLIPBOARD kept[] = {{CF_PAGEBLOCK, NULL, NULL}, {CF_PAGEOBJECT, NULL, NULL}};

// With the clipboard open and emptied by this program.
void LearnWhoFreesPrivateData(UINT format)
{
    if (freer != FREER::UNKNOWN)
        return;
    HGLOBAL probe = GlobalAlloc(GMEM_MOVEABLE, 1);
    if (!probe)
        return;
    if (!SetClipboardData(format, probe)) {
        GlobalFree(probe);
        return;
    }
    // The emptying tells the frame, which frees nothing it did not keep.
    EmptyClipboard();
    bool gone = GlobalFlags(probe) == GMEM_INVALID_HANDLE;
    freer = gone ? FREER::PLATFORM : FREER::OWNER;
    if (!gone)
        GlobalFree(probe);
}
} // namespace

bool SetPrivateClipboardData(UINT format, HANDLE data)
{
    LearnWhoFreesPrivateData(format);
    if (!SetClipboardData(format, data))
        return false;
    for (KEPTCLIPBOARD &k : kept)
        if (k.format == format)
            k = {format, GetClipboardOwner(), data};
    return true;
}

// What the clipboard held when it was emptied is gone from it: a handle
// kept for another owner was that owner's, and one the platform frees is
// not touched again. Nothing got from GetClipboardData is ever freed: it is
// the clipboard's.
static void FreePrivateClipboard(HWND hwnd)
{
    for (KEPTCLIPBOARD &k : kept) {
        HANDLE data = k.owner == hwnd ? k.data : NULL;
        k.owner = NULL;
        k.data = NULL;
        if (data && freer == FREER::OWNER)
            GlobalFree(data);
    }
}

static void LayOut(HWND hwnd)
{
    RECT r;
    GetClientRect(hwnd, &r);
    int bar = COMMONTHEMEGetMetric(1);
    if (hwndclient)
        MoveWindow(hwndclient, 0, bar + 1, r.right, r.bottom - bar - GetStatusBarDepth() - 2, TRUE);
    if (hwndbar)
        MoveWindow(hwndbar, 0, 0, r.right, bar, TRUE);
}

static LRESULT Create(HWND hwnd)
{
    LoadConfig();
    nextViewer = SetClipboardViewer(hwnd);
    CLIENTCREATESTRUCT client{};
    client.hWindowMenu = GetSubMenu(GetMenu(hwnd), 3);
    client.idFirstChild = IDM_FIRSTCHILD;
    hwndclient = CreateWindowExA(0, "MDICLIENT", NULL, WS_CHILD | WS_CLIPCHILDREN | WS_VISIBLE, 0, 0, 0, 0, hwnd,
                                 NULL, hInst, &client);
    if (!hwndclient)
        return -1;
    ShowWindow(hwndclient, SW_SHOW);
    if (controlfont)
        SetAllFontControls(hwnd, controlfont);
    return 0;
}

static void CloseFrame(HWND hwnd)
{
    GetStickyWindows(hwnd);
    StartMaximized = IsZoomed(hwnd) ? 1 : 0;
    // The settings are written first: a document that refuses to close
    // keeps the editor running with them saved.
    SaveConfig();
    if (CloseAllChildren(hwndclient)) {
        DestroyWindow(hwnd);
        PostQuitMessage(0);
    }
}

static void LeaveClipboard(HWND hwnd)
{
    if (GetClipboardOwner() == hwnd && OpenClipboard(hwnd)) {
        // Emptying sends WM_DESTROYCLIPBOARD, which lets go of our handles
        // while nothing on the clipboard points to them any more.
        EmptyClipboard();
        CloseClipboard();
    }
    ChangeClipboardChain(hwnd, nextViewer);
    nextViewer = NULL;
}

// False when the frame is gone with the command.
static bool FrameWindowCommand(HWND hwnd, WPARAM wParam, LPARAM lParam)
{
    UINT id = LOWORD(wParam);
    if (id == IDM_EXIT) {
        if (ShiftHeld())
            SaveConfig();
        else
            SendMessageA(hwnd, WM_CLOSE, 0, 0);
        return false;
    }
    if (!FrameCommand(hwnd, id))
        if (HWND doc = ActiveDocument())
            SendMessageA(doc, WM_COMMAND, wParam, lParam);
    if (!IsWindow(hwnd))
        return false;
    AfterCommand();
    return true;
}

static LRESULT WndMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSTATIC:
        return (LRESULT)HandleCtlColour(hwnd, (HDC)wParam, lParam);
    case WM_NCCREATE:
        BindEditorParts(hwnd, (const EDITORPARTS *)((CREATESTRUCTA *)lParam)->lpCreateParams);
        return DefFrameProcA(hwnd, hwndclient, msg, wParam, lParam);
    case WM_NCDESTROY:
        BindEditorParts(hwnd, nullptr);
        return DefFrameProcA(hwnd, hwndclient, msg, wParam, lParam);
    case WM_CREATE:
        return Create(hwnd);
    case WM_SIZE:
        LayOut(hwnd);
        return 0;
    case WM_CLOSE:
        CloseFrame(hwnd);
        return 0;
    case WM_DESTROY:
        LeaveClipboard(hwnd);
        return 0;
    case WM_DESTROYCLIPBOARD:
        FreePrivateClipboard(hwnd);
        return 0;
    case WM_CHANGECBCHAIN:
        if ((HWND)wParam == nextViewer)
            nextViewer = (HWND)lParam;
        else if (nextViewer)
            SendMessageA(nextViewer, msg, wParam, lParam);
        UpdatePaste(hwnd);
        return 0;
    case WM_DRAWCLIPBOARD:
        if (nextViewer)
            SendMessageA(nextViewer, msg, wParam, lParam);
        UpdatePaste(hwnd);
        return 0;
    case WM_SYSCOMMAND:
        switch (wParam & 0xFFF0) {
        case SC_CLOSE:
            SendMessageA(hwnd, WM_COMMAND, IDM_EXIT, 0);
            return 0;
        case SC_RESTORE:
            PostMessageA(hwnd, WMU_FOCUSBLOCKLIST, 0, 0);
            break;
        }
        break;
    case WM_TIMER:
        if (wParam != FRONTTIMER)
            break;
        KillTimer(hwnd, FRONTTIMER);
        // Topmost and back at once: the frame comes to the front after the
        // paint program without staying above everything.
        SetWindowPos(hwnd, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
        SetWindowPos(hwnd, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
        return 0;
    case WMU_FOCUSBLOCKLIST:
        if (HWND doc = ActiveDocument())
            SetFocus(GetDlgItem(doc, IDC_BLOCKLIST));
        return 0;
    case WMU_APPTOFRONT:
        if (AppToFrontDelay > 0)
            SetTimer(hwnd, FRONTTIMER, (UINT)AppToFrontDelay, NULL);
        return 0;
    case WM_COMMAND:
        if (!FrameWindowCommand(hwnd, wParam, lParam))
            return 0;
        break;
    }
    return DefFrameProcA(hwnd, hwndclient, msg, wParam, lParam);
}

LRESULT CALLBACK WndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    return COMMONGuard(hwnd, msg, [&] { return WndMessage(hwnd, msg, wParam, lParam); });
}
