// The outside paint program. At start the editor makes sure it knows where
// the program is, searching the fixed drives with a box that shows what it
// is doing and can be stopped; a picture dialog later hands a picture over
// as a temporary BMP file, waits for the program to end and reads the file
// back like any other BMP file.
#include "editor/paint.h"
#include "common/dialog.h"
#include "common/modal.h"
#include "common/msgdlg.h"
#include "common/owners.h"
#include "common/paths.h"
#include "common/services.h"
#include "common/shell.h"
#include "common/strings.h"
#include "common/theme.h"
#include "editor/shell.h"
#include "media/dib.h"
#include "media/imageformat.h"
#include "resources/resource.h"
#include "resources/shelldialogs_ids.h"
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <deque>
#include <memory>
#include <thread>

namespace {

constexpr UINT_PTR ANIMATIONTIMER = 1;
// Frames of the box's own animation when the theme gives none.
constexpr int OWNFRAMES = 8;

void FixedDriveRoots(HWND window, std::vector<std::string> &roots)
{
    char map[SETTINGTEXT + 1] = "";
    GetDriveMap(window, map);
    for (const char *p = map; *p; p++) {
        char root[4] = {*p, ':', '\\', 0};
        int letter = toupper((unsigned char)*p);
        if (letter >= 'A' && letter <= 'Z' && GetDriveTypeA(root) == DRIVE_FIXED && !testdisk(letter - 'A'))
            roots.push_back(root);
    }
}

// --- the search box --------------------------------------------------------

// A folder with a magnifying glass circling over it, for a theme without an
// animation of its own.
void DrawOwnFrame(HDC dc, int x, int y, int side, int frame)
{
    GdiObject<HBRUSH> folder(CreateSolidBrush(RGB(240, 200, 80)));
    GdiObject<HPEN> edge(CreatePen(PS_SOLID, 1, RGB(150, 110, 20)));
    SelectedObject b(dc, folder), p(dc, edge);
    int top = y + side * 3 / 8;
    Rectangle(dc, x + side / 8, top - side / 8, x + side / 2, top + 1);
    Rectangle(dc, x + side / 8, top, x + side * 7 / 8, y + side * 7 / 8);
    double angle = frame * 2 * 3.14159265 / OWNFRAMES;
    int r = side / 6;
    int cx = x + side / 2 + (int)(side / 6 * cos(angle)), cy = y + side / 2 + (int)(side / 6 * sin(angle));
    GdiObject<HPEN> handle(CreatePen(PS_SOLID, std::max(2, side / 10), RGB(60, 60, 60)));
    {
        SelectedObject h(dc, handle);
        MoveToEx(dc, cx + r * 7 / 10, cy + r * 7 / 10, NULL);
        LineTo(dc, cx + r * 2, cy + r * 2);
    }
    GdiObject<HBRUSH> lens(CreateSolidBrush(RGB(200, 230, 255)));
    GdiObject<HPEN> rim(CreatePen(PS_SOLID, 2, RGB(60, 60, 60)));
    SelectedObject l(dc, lens), rp(dc, rim);
    Ellipse(dc, cx - r, cy - r, cx + r + 1, cy + r + 1);
}

void DrawAnimation(PAINTSEARCHPARAM *record, const DRAWITEMSTRUCT *item)
{
    HDC dc = item->hDC;
    RECT r = item->rcItem;
    FillRect(dc, &r, GetSysColorBrush(COLOR_BTNFACE));
    if (record->current >= 0) {
        if (record->strip) {
            DibLock strip(record->strip);
            if (strip.ok())
                StretchDIBits(dc, 1, 1, record->framesize, record->framesize, record->framesize * record->current, 0,
                              record->framesize, record->framesize, strip.StoredRow(0), (const BITMAPINFO *)strip.header,
                              DIB_RGB_COLORS, SRCCOPY);
        } else {
            DrawOwnFrame(dc, 1, 1, record->framesize, record->current);
        }
        if (++record->current >= record->frames)
            record->current = 0;
    }
    GdiObject<HBRUSH> shadow(CreateSolidBrush(GetSysColor(COLOR_BTNSHADOW)));
    FrameRect(dc, &r, shadow);
}

// Lets the box and its controls run while the walk goes on. The rest of the
// program waits: the frame is not up yet, and nothing of it may start
// before the search has ended.
void PumpSearchBox(PAINTSEARCHPARAM *record)
{
    MSG msg;
    int n = 0;
    while (n++ < 256 && IsWindow(record->window) && PeekMessageA(&msg, record->window, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            // Not ours to take: the loop after the search sees it again.
            PostQuitMessage((int)msg.wParam);
            record->abort = 1;
            break;
        }
        if (!IsDialogMessageA(record->window, &msg)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
    // Marks what is left as seen, so the wait sleeps until something new comes.
    PeekMessageA(&msg, NULL, 0, 0, PM_NOREMOVE);
}

// The folder's identity on its volume, so that a folder reached again by
// another way is not walked twice; its path, in capitals, when it cannot be
// opened.
std::string FolderIdentity(const std::string &folder)
{
    FileHandle h(CreateFileA(folder.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, NULL,
                             OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, NULL));
    BY_HANDLE_FILE_INFORMATION info;
    if (!h || !GetFileInformationByHandle(h.get(), &info)) {
        std::string path = folder;
        CharUpperBuffA(&path[0], (DWORD)path.size());
        return path;
    }
    char id[40];
    snprintf(id, sizeof id, "%08lx:%08lx%08lx", info.dwVolumeSerialNumber, info.nFileIndexHigh, info.nFileIndexLow);
    return id;
}

std::string WithBackslash(std::string folder)
{
    if (folder.empty() || folder.back() != '\\')
        folder += '\\';
    return folder;
}

bool ReadFolder(const std::string &folder, std::vector<WIN32_FIND_DATAA> &entries)
{
    WIN32_FIND_DATAA found;
    HANDLE h = FindFirstFileA((folder + "*.*").c_str(), &found);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    do
        entries.push_back(found);
    while (FindNextFileA(h, &found));
    FindClose(h);
    return true;
}

// The walk's thread: the roots in order, until one holds the program or the
// search stops the walk. `done` is set as it leaves.
// The drive list is made here too: reading each drive's type and opening a
// file on it may wait on the drive as long as a folder's read.
void WalkRoots(std::shared_ptr<PAINTWALK> walk, HWND window, HANDLE done)
{
    std::vector<std::string> roots;
    walk->host.roots(window, roots);
    for (const std::string &root : roots)
        if (walk->stop || SearchForPaint(root.c_str(), walk->name.c_str(), walk.get()))
            break;
    SetEvent(done);
    CloseHandle(done);
}

// --- handing a picture over ------------------------------------------------

// The picture as a BMP file: the file header, then the DIB as it is held.
int WriteHandOver(const char *path, HGLOBAL dib)
{
    DibLock lock(dib);
    if (!lock.ok())
        return IDS_MEMORY;
    FileHandle file(CreateFileA(path, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL));
    if (!file)
        return IDS_ERRCREATE;
    BITMAPFILEHEADER head{};
    head.bfType = 'B' | 'M' << 8;
    head.bfSize = 14 + lock.layout.total;
    head.bfOffBits = 14 + lock.layout.pixeloffset;
    DWORD wrote = 0, wrote2 = 0;
    bool ok = WriteFile(file.get(), &head, 14, &wrote, NULL) && wrote == 14 &&
              WriteFile(file.get(), lock.header, lock.layout.total, &wrote2, NULL) && wrote2 == lock.layout.total;
    if (!file.Close() || !ok)
        return IDS_ERRWRITE;
    return 0;
}

// The picture the program left in the file, checked as every BMP file the
// editor reads is; NULL with the text that says why.
HGLOBAL ReadHandBack(const char *path, int *error)
{
    {
        FileHandle file(CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL));
        if (!file) {
            *error = IDS_ERROPEN;
            return NULL;
        }
        BYTE head[18];
        DWORD got = 0;
        if (!ReadFile(file.get(), head, sizeof head, &got, NULL) || got < sizeof head) {
            *error = IDS_ERRREAD;
            return NULL;
        }
        if (head[0] != 'B' || head[1] != 'M') {
            *error = IDS_CORRUPTED;
            return NULL;
        }
    }
    HGLOBAL dib = LoadImageA(NULL, path, NULL, NULL);
    if (!dib)
        *error = IDS_CORRUPTED;
    return dib;
}

// Only painting reaches the editor's windows while the program runs: what
// the user types or clicks at them meanwhile is dropped, so nothing acts on
// the picture that is out for editing.
void KeepPainted()
{
    MSG msg;
    while (PeekMessageA(&msg, NULL, WM_KEYFIRST, WM_KEYLAST, PM_REMOVE) ||
           PeekMessageA(&msg, NULL, WM_MOUSEFIRST, WM_MOUSELAST, PM_REMOVE) ||
           PeekMessageA(&msg, NULL, WM_NCMOUSEMOVE, WM_NCMBUTTONDBLCLK, PM_REMOVE)) {
    }
    // A window that does not validate what it paints cannot keep us here.
    for (int n = 0; n < 64 && PeekMessageA(&msg, NULL, WM_PAINT, WM_PAINT, PM_REMOVE); n++)
        DispatchMessageA(&msg);
    // Marks what is left as seen, so the wait sleeps until something new comes.
    PeekMessageA(&msg, NULL, 0, 0, PM_NOREMOVE);
}

// Starts the command line (call->text) and waits for the program to end;
// 1 when it ran, 0 when it could not be started.
INT_PTR RunPaintProgram(const MODALCALL *call)
{
    std::string line(call->text);
    STARTUPINFOA start{};
    start.cb = sizeof start;
    if (call->style == SW_SHOWMAXIMIZED) {
        start.dwFlags = STARTF_USESHOWWINDOW;
        start.wShowWindow = SW_SHOWMAXIMIZED;
    }
    PROCESS_INFORMATION process{};
    if (!CreateProcessA(NULL, &line[0], NULL, NULL, TRUE, NORMAL_PRIORITY_CLASS, NULL, NULL, &start, &process))
        return 0;
    CloseHandle(process.hThread);
    for (;;) {
        DWORD r = MsgWaitForMultipleObjects(1, &process.hProcess, FALSE, INFINITE, QS_ALLINPUT);
        if (r == WAIT_OBJECT_0 + 1) {
            KeepPainted();
            continue;
        }
        if (r != WAIT_OBJECT_0)
            WaitForSingleObject(process.hProcess, INFINITE);
        break;
    }
    CloseHandle(process.hProcess);
    return 1;
}

void LeaveViewerChain()
{
    if (hwndmain && IsWindow(hwndmain))
        ChangeClipboardChain(hwndmain, nextViewer);
}

void RejoinViewerChain()
{
    if (hwndmain && IsWindow(hwndmain))
        nextViewer = SetClipboardViewer(hwndmain);
}

HANDLE WalkEndsSignal()
{
    return CreateEventA(NULL, TRUE, FALSE, NULL);
}

// Starts the walk on its own thread; false when it cannot be, with nothing
// left open. The walk may outlive the search, held up in a read: it then
// ends by itself, and the signal is its own to close; *waited is the
// search's handle of it.
bool StartWalk(const std::shared_ptr<PAINTWALK> &walk, HWND window, HANDLE *waited)
{
    HANDLE done = walk->host.signal ? walk->host.signal() : WalkEndsSignal();
    *waited = NULL;
    if (!done)
        return false;
    if (DuplicateHandle(GetCurrentProcess(), done, GetCurrentProcess(), waited, 0, FALSE, DUPLICATE_SAME_ACCESS)) {
        try {
            std::thread(WalkRoots, walk, window, done).detach();
            return true;
        } catch (...) {
        }
        CloseHandle(*waited);
        *waited = NULL;
    }
    CloseHandle(done);
    return false;
}

} // namespace

const PAINTSEARCHHOST PaintSystemSearch = {FixedDriveRoots, ReadFolder, WalkEndsSignal, GetTickCount};

HGLOBAL DoPaintImage(HWND window, HGLOBAL dib)
{
    char temp[MAX_PATH];
    if (COMMONGetTemporaryFileName(temp, "SBND", ".bmp", 0) <= 0) {
        DoMessage(window, FetchString(IDS_ERRCREATE));
        return NULL;
    }
    std::string line = std::string("\"") + PaintbrushPath + "\" \"" + temp + "\"";
    // Every way out below removes the file.
    struct Removal {
        const char *path;
        ~Removal() { DeleteFileA(path); }
    } removal{temp};

    if (int error = WriteHandOver(temp, dib)) {
        DoMessage(window, FetchString(error));
        return NULL;
    }
    // The program's use of the clipboard is none of the editor's business.
    LeaveViewerChain();
    MODALCALL call{};
    call.kind = MODAL_LAUNCH;
    call.parent = window;
    call.name = PaintbrushPath;
    call.text = line.c_str();
    call.style = MaximizePaint ? SW_SHOWMAXIMIZED : SW_SHOWNORMAL;
    call.run = RunPaintProgram;
    INT_PTR ran = COMMONModal(&call);
    RejoinViewerChain();
    if (ran != 1) {
        DoMessage(window, FetchString(IDS_PAINTNOTSTARTED));
        return NULL;
    }
    if (window)
        RedrawWindow(window, NULL, NULL, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    int error = 0;
    HGLOBAL result = ReadHandBack(temp, &error);
    if (!result) {
        DoMessage(window, FetchString(error));
        return NULL;
    }
    if (hwndmain && IsWindow(hwndmain))
        SendMessageA(hwndmain, WMU_APPTOFRONT, 0, 0);
    if (window)
        RedrawWindow(window, NULL, NULL, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    return result;
}

bool PaintProgramKnown()
{
    DWORD attributes = PaintbrushPath[0] ? GetFileAttributesA(PaintbrushPath) : INVALID_FILE_ATTRIBUTES;
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// The theme's animation strip, square frames side by side; without a
// usable one the box shows its own frames.
static void TakeSearchStrip(PAINTSEARCHPARAM *record)
{
    record->current = 0;
    record->frames = OWNFRAMES;
    record->framesize = 32;
    record->strip = COMMONTHEMEGetBitmap(1);
    if (!record->strip)
        return;
    DibLock strip(record->strip);
    if (strip.ok() && strip.layout.height > 0 && strip.layout.width >= strip.layout.height) {
        record->stripwidth = strip.layout.width;
        record->framesize = strip.layout.height;
        record->frames = strip.layout.width / strip.layout.height;
    } else {
        record->current = -1;
    }
}

int GetPaintbrushPath(HWND window, char *path, const char *name, int *search, const PAINTSEARCHHOST *host)
{
    if (!*search)
        return 1;
    if (path[0]) {
        DWORD attributes = GetFileAttributesA(path);
        if (attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY))
            return 1;
    }
    if (!host)
        host = &PaintSystemSearch;
    PAINTSEARCHPARAM record{};
    record.path = path;
    record.name = name;
    record.again = *search;
    TakeSearchStrip(&record);
    DWORD(WINAPI * clock)() = host->clock ? host->clock : GetTickCount;
    DWORD started = clock();
    record.window = CreateDialogParamA(hInst, "PaintSearchBox", window, PaintSearchProc, (LPARAM)&record);
    if (!record.window) {
        if (record.strip)
            GlobalFree(record.strip);
        return 0;
    }
    ShowWindow(record.window, SW_SHOW);
    SetWindowPos(record.window, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    UpdateWindow(record.window);

    // What the user did as the box came up counts before any drive.
    PumpSearchBox(&record);
    auto walk = std::make_shared<PAINTWALK>();
    walk->host = *host;
    walk->name = name;
    HANDLE waited = NULL;
    // A walk that cannot start has found nothing, and is told so.
    bool finished = !record.abort && !StartWalk(walk, window, &waited), gaveup = false;
    while (waited && !record.abort) {
        DWORD spent = clock() - started;
        if (spent >= PAINTSEARCHTIME) {
            gaveup = true;
            break;
        }
        DWORD r = MsgWaitForMultipleObjects(1, &waited, FALSE, PAINTSEARCHTIME - spent, QS_ALLINPUT);
        if (r == WAIT_OBJECT_0) {
            finished = true;
            break;
        }
        if (IsWindow(record.window)) {
            PumpSearchBox(&record);
            std::lock_guard<std::mutex> hold(walk->lock);
            if (IsWindow(record.window) && !walk->current.empty())
                SetDlgItemTextA(record.window, IDC_PAINTSTATUS, walk->current.c_str());
        }
    }
    walk->stop = 1;
    if (waited)
        CloseHandle(waited);
    {
        std::lock_guard<std::mutex> hold(walk->lock);
        if (!walk->found.empty()) {
            strcpy(path, walk->found.c_str());
            record.found = 1;
        }
    }
    gaveup = !record.found && !record.abort && (gaveup || walk->bounded);
    bool aborted = record.abort != 0;
    if (IsWindow(record.window))
        SendMessageA(record.window, WM_CLOSE, 0, 0);
    if (record.strip)
        GlobalFree(record.strip);
    if (!record.found && !aborted && !gaveup && finished)
        DoMessage(window, FetchString(IDS_PAINTNOTFOUND));
    *search = gaveup ? 0 : record.again;
    if (window)
        UpdateWindow(window);
    return record.found ? 1 : 0;
}

int SearchForPaint(const char *folder, const char *name, PAINTWALK *walk)
{
    // Nearest folders first: the program lies near the top of its drive, and
    // the bounds then cut off only what lies deepest.
    std::deque<std::pair<std::string, int>> pending;
    pending.emplace_back(WithBackslash(folder), 0);
    std::vector<WIN32_FIND_DATAA> entries;
    while (!pending.empty() && !walk->stop) {
        if (walk->folders >= PAINTSEARCHFOLDERS) {
            walk->bounded = 1;
            return 0;
        }
        std::string here = pending.front().first;
        int depth = pending.front().second;
        pending.pop_front();
        std::string id = FolderIdentity(here);
        {
            std::lock_guard<std::mutex> hold(walk->lock);
            if (!walk->seen.insert(id).second)
                continue;
            walk->current = here;
        }
        walk->folders++;
        entries.clear();
        if (!walk->host.read(here, entries) || walk->stop)
            continue;
        for (const WIN32_FIND_DATAA &found : entries) {
            if (found.cFileName[0] == '.')
                continue;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                // A link, junction or mount point may lead back up the tree
                // or into another volume: only real folders are walked.
                bool link = (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
                if (link || depth >= PAINTSEARCHDEPTH)
                    continue;
                if ((int)pending.size() + walk->folders >= PAINTSEARCHFOLDERS)
                    walk->bounded = 1;
                else
                    pending.emplace_back(here + found.cFileName + "\\", depth + 1);
            } else if (lstrcmpiA(found.cFileName, name) == 0 && here.size() + strlen(found.cFileName) < SETTINGTEXT) {
                std::lock_guard<std::mutex> hold(walk->lock);
                walk->found = here + found.cFileName;
                return 1;
            }
        }
    }
    return 0;
}

INT_PTR CALLBACK PaintSearchProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam)
{
    PAINTSEARCHPARAM *record = DialogState<PAINTSEARCHPARAM>(dlg);
    switch (msg) {
    case WM_INITDIALOG: {
        SetWindowValue(dlg, DWLP_USER, lParam);
        record = (PAINTSEARCHPARAM *)lParam;
        MessageBeep(MB_ICONEXCLAMATION);
        CentreWindow(dlg);
        CheckDlgButton(dlg, IDC_PAINTAGAIN, record->again ? BST_CHECKED : BST_UNCHECKED);
        if (HWND animation = GetDlgItem(dlg, IDC_PAINTANIMATION))
            SetWindowPos(animation, NULL, 0, 0, record->framesize + 2, record->framesize + 2,
                         SWP_NOMOVE | SWP_NOZORDER);
        int interval = COMMONTHEMEGetMetric(11);
        SetTimer(dlg, ANIMATIONTIMER, interval > 0 ? (UINT)interval : 100, NULL);
        SetFocus(GetDlgItem(dlg, IDCANCEL));
        return FALSE;
    }
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSTATIC:
        return (INT_PTR)HandleCtlColour(dlg, (HDC)wParam, lParam);
    case WM_TIMER:
        if (wParam == ANIMATIONTIMER)
            InvalidateRect(GetDlgItem(dlg, IDC_PAINTANIMATION), NULL, FALSE);
        return TRUE;
    case WM_DRAWITEM:
        if (record && wParam == IDC_PAINTANIMATION) {
            DrawAnimation(record, (const DRAWITEMSTRUCT *)lParam);
            return TRUE;
        }
        return FALSE;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDCANCEL:
            if (record)
                record->abort = 1;
            SendMessageA(dlg, WM_CLOSE, 0, 0);
            return TRUE;
        case IDC_PAINTAGAIN:
            if (record)
                record->again = IsDlgButtonChecked(dlg, IDC_PAINTAGAIN) == BST_CHECKED;
            return TRUE;
        }
        return FALSE;
    case WM_CLOSE:
        KillTimer(dlg, ANIMATIONTIMER);
        DestroyWindow(dlg);
        return TRUE;
    }
    return FALSE;
}

int GetDriveMap(HWND, char *map)
{
    // Made on the search's thread with no window: a window there in the
    // frame's tree would tie the two threads' input together.
    const DWORD drives = GetLogicalDrives();
    int n = 0;
    for (int i = 0; i < 26 && n < SETTINGTEXT; i++)
        if (drives & (1u << i))
            map[n++] = (char)('a' + i);
    if (n > 0)
        map[n] = 0;
    return 1;
}

int testdisk(int drive)
{
    UINT mode = SetErrorMode(SEM_FAILCRITICALERRORS);
    char path[16];
    snprintf(path, sizeof path, "%c:\\TEMP.DAT", 'A' + drive);
    HANDLE h = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
    DWORD error = h == INVALID_HANDLE_VALUE ? GetLastError() : 0;
    if (h != INVALID_HANDLE_VALUE)
        CloseHandle(h);
    SetErrorMode(mode);
    return error == ERROR_PATH_NOT_FOUND || error == ERROR_ACCESS_DENIED || error == ERROR_INVALID_DRIVE ||
           error == ERROR_NOT_READY;
}
