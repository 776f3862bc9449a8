// The show window: one document, its current page's background, static
// objects and object windows, page changes, the background sound, the page
// menu and the about box, and the loop that runs while it is open.
#include "common/modal.h"
#include "common/guard.h"
#include "common/msgdlg.h"
#include "common/paths.h"
#include "common/services.h"
#include "common/shell.h"
#include "common/strings.h"
#include "common/windowvalue.h"
#include "document/about.h"
#include "document/blockstore.h"
#include "common/owners.h"
#include "document/objects.h"
#include "document/record.h"
#include "document/trailer.h"
#include "media/sound.h"
#include "resources/resource.h"
#include "runtime/background.h"
#include "runtime/objdraw.h"
#include "runtime/runtime.h"
#include <shellapi.h>
#include <cstring>
#include <new>
#include <string>

namespace {

constexpr UINT SYSCMD_ABOUT = 100;
constexpr UINT SYSCMD_PAGEMENU = 101;
// Posted to the thread at the start of a pass of the show loop: what was
// posted after it waits for the next pass.
constexpr UINT QVM_PASSMARK = QVM_LASTPRIVATE;
constexpr int MAXPASSMESSAGES = 4096;

// There is one show window at a time.
BLOCKSET *document;
// The child that had the keyboard focus when the show window last lost it.
HWND focuschild;

template <size_t N> std::string Field(const char (&text)[N])
{
    return std::string(text, strnlen(text, N));
}

bool CurrentPage(BLOCK *page)
{
    return document && document->current >= 0 && GetBlock(document->list, (unsigned)document->current, page);
}

bool Header(BLOCK *header)
{
    return document && GetHeaderBlock(document->list, document, header);
}

// What the show window keeps of its own, in its window extra.
struct SHOWSTATE {
    SHOWHOST host;
};

SHOWSTATE *StateOf(HWND window) { return GetWindowValue<SHOWSTATE *>(window, 0); }

// The child that has the keyboard focus, kept to give it back.
void RememberFocus(HWND window)
{
    HWND focus = GetFocus();
    focuschild = IsChild(window, focus) ? focus : NULL;
}

void ShowPageError(HWND window, unsigned id)
{
    QV_ShowHostOf(window).variant.report(window, id);
}

void ReportInMessageBox(HWND window, unsigned id)
{
    DoMessage(window, FetchString(id));
}

void PlayBackgroundSound(HWND window)
{
    BLOCK header;
    if (!Header(&header))
        return;
    struct {
        uint32_t tag;
        DWORD kind;
    } const kinds[2] = {{TAG_WAVE, SOUND_WAVE}, {TAG_MIDI, SOUND_MIDI}};
    for (const auto &k : kinds) {
        for (uint32_t i = 0, n = BlockObjectCount(&header); i < n; i++) {
            HGLOBAL h = GetPageObject(&header, i);
            ObjectRecord<> o(h);
            if (!o || o.size() < ObjectFixedSize(k.tag) || o->tag != k.tag)
                continue;
            HGLOBAL copy = k.tag == TAG_WAVE ? GetWaveObjectData((OBJECTWAVE *)o.get())
                                             : GetMidiObjectData((OBJECTMIDI *)o.get());
            bool loop = o->flags & OBJ_LOOP;
            int started = copy ? QV_ShowHostOf(window).media.playsound(window, copy, k.kind) : 0;
            if (started)
                APPLETSetGlobalSound(window, 1, loop);
            if (copy)
                GlobalFree(copy);
            if (started)
                return;
            break; // only the first object of a kind
        }
    }
}

void ChangePage(HWND window, int n)
{
    BLOCK next, current;
    if (n < 0 || !document || !GetBlock(document->list, (unsigned)n + 1, &next) || !CurrentPage(&current)) {
        ShowPageError(window, IDS_PLAYERLOADERROR);
        return;
    }
    QV_DeleteAllControls(window, &current);
    document->current = n + 1;
    next.sequence = (int16_t)document->current;
    InvalidateRect(window, NULL, TRUE);
    UpdateWindow(window);
    QV_AddAllControls(window, &next, document->list);
    RememberFocus(window);
}

void JumpToTitle(HWND window, const char *title)
{
    if (document && title) {
        int count = (int)SendMessageA(document->list, LB_GETCOUNT, 0, 0);
        for (int i = 1; i < count; i++) {
            BLOCK b;
            if (GetBlock(document->list, (unsigned)i, &b) && b.tag == TAG_PAGE &&
                _stricmp(Field(b.page.title).c_str(), title) == 0) {
                PostMessageA(window, QVM_SHOWPAGE, (WPARAM)(i - 1), 0);
                return;
            }
        }
    }
    ShowPageError(window, IDS_PLAYERLOADERROR);
}

INT_PTR RunShellOpen(const MODALCALL *call)
{
    return (INT_PTR)ShellExecuteA(call->parent, call->name, call->text, NULL, "", (int)call->style);
}

void OpenDocument(HWND window, const char *path)
{
    bool ok = path && QV_ShowHostOf(window).variant.canopen(path);
    if (ok) {
        MODALCALL call{};
        call.kind = MODAL_LAUNCH;
        call.parent = window;
        call.name = "open";
        call.text = path;
        call.style = SW_SHOWDEFAULT;
        call.run = RunShellOpen;
        ok = COMMONModal(&call) > 32;
    }
    if (!ok)
        ShowPageError(window, IDS_PLAYERDISPLAYERROR);
}

COLORREF PageColour()
{
    BLOCK page, header;
    if (!CurrentPage(&page))
        return 0x808080;
    return BlockColour(&page, Header(&header) ? &header : nullptr, 0x808080);
}

void ActivateChildren(HWND window, WPARAM wParam, LPARAM lParam)
{
    BLOCK page;
    if (!CurrentPage(&page))
        return;
    for (uint32_t i = 0, n = BlockObjectCount(&page); i < n; i++) {
        int number;
        {
            ObjectRecord<> o(GetPageObject(&page, i));
            if (!o)
                continue;
            number = (int)o->number;
        }
        if (HWND child = GetDlgItem(window, number))
            SendMessageA(child, WM_ACTIVATE, wParam, lParam);
    }
    QV_DrawStaticObjects(window, &page, document->list);
}

} // namespace

const SHOWHOST QV_SystemHost = {
    {APPLETPlaySound, APPLETKillSound, APPLETHandleMessage, SystemMciCommand, SystemMciErrorText},
    {DefaultClientSize, DefaultEndCycle},
    {SystemDefaultPrinter, SystemPrintDialog, SystemPageSize, StartDocA, StartPage, EndPage, EndDoc, AbortDoc,
     SystemReleaseDC, nullptr, nullptr},
    {ReportInMessageBox, CanOpenDocument, false},
    nullptr,
    CheckForAbort,
};

const SHOWHOST &QV_ShowHostOf(HWND window)
{
    // Object windows are the show window's children; a top-level window's
    // parent is only its owner.
    for (HWND w = window; w; w = (GetWindowValue<DWORD>(w, GWL_STYLE) & WS_CHILD) ? GetParent(w) : NULL) {
        char name[32];
        if (GetClassNameA(w, name, sizeof name) && strcmp(name, QVCLASS_appwindow) == 0) {
            const SHOWSTATE *state = StateOf(w);
            return state ? state->host : QV_SystemHost;
        }
    }
    return QV_SystemHost;
}

DWORD QV_ShowWindowStyle(long flags)
{
    DWORD style = WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN | ((DWORD)flags & HEDR_WINDOWSTYLE);
    if (!(style & (WS_BORDER | WS_DLGFRAME)))
        style |= WS_BORDER;
    return style;
}

// The stored size is the client area with flag 0x80, else the outer size.
// The frame around it is what Windows gives the real style: a caption without
// a sizing frame has a dialog frame, not a thin border.
static RECT OuterRect(long flags, int width, int depth)
{
    RECT r{0, 0, width, depth};
    AdjustWindowRectEx(&r, QV_ShowWindowStyle(flags), FALSE, 0);
    return r;
}

int AddWindowHFrame(long flags, int width)
{
    if (!(flags & HEDR_FIXEDCLIENT))
        return width;
    RECT r = OuterRect(flags, width, 0);
    return r.right - r.left;
}

int AddWindowVFrame(long flags, int depth)
{
    if (!(flags & HEDR_FIXEDCLIENT))
        return depth;
    RECT r = OuterRect(flags, 0, depth);
    return r.bottom - r.top;
}

int CanOpenDocument(const char *path)
{
    const char *dot = strrchr(COMMONFileNamePart(path), '.');
    if (!dot || _stricmp(dot, ".EXE") != 0)
        return 1;
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return 0;
    LARGE_INTEGER size;
    DOCUMENTTRAILER trailer;
    bool found = GetFileSizeEx(file, &size) && FindDocumentTrailer(file, (uint64_t)size.QuadPart, &trailer);
    CloseHandle(file);
    return found ? 1 : 0;
}

namespace {

// The window's own record, bound before anything else reaches it.
BOOL BindState(HWND window, const QV_SHOWCREATE *create)
{
    auto *state = new (std::nothrow) SHOWSTATE{create && create->host ? *create->host : QV_SystemHost};
    if (!state)
        return FALSE;
    SetWindowValue(window, 0, state);
    return TRUE;
}

void FreeState(HWND window)
{
    delete SetWindowValue<SHOWSTATE *>(window, 0, nullptr);
}

void Create(HWND window, const QV_SHOWCREATE *create)
{
    document = create ? create->set : nullptr;
    focuschild = NULL;
    // LockBlockSet on the show window must find the document's handle.
    SetWindowValue(window, GWLP_USERDATA, document ? GlobalHandle(document) : NULL);
    HMENU menu = GetSystemMenu(window, FALSE);
    AppendMenuA(menu, MF_SEPARATOR, 0, NULL);
    AppendMenuA(menu, MF_STRING, SYSCMD_ABOUT, "&About");
    AppendMenuA(menu, MF_STRING, SYSCMD_PAGEMENU, "&Page menu");
}

void SetDocument(HWND window, BLOCKSET *set)
{
    // A window made without its document (the player's) has shown no page
    // yet: nothing under the composed pictures but the bare screen.
    bool unpainted = document != set;
    document = set;
    SetWindowValue(window, GWLP_USERDATA, document ? GlobalHandle(document) : NULL);
    BLOCK page;
    if (!CurrentPage(&page))
        return;
    page.sequence = (int16_t)document->current;
    // The page's background is painted before its composed images keep
    // what lies under them, on the first page as on any other.
    if (unpainted) {
        InvalidateRect(window, NULL, TRUE);
        UpdateWindow(window);
    }
    QV_AddAllControls(window, &page, document->list);
    RememberFocus(window);
}

void EraseBackground(HWND window, HDC dc)
{
    BLOCK header, page;
    if (CurrentPage(&page)) {
        bool hasheader = Header(&header);
        DrawPageBackground(window, document->list, dc, (unsigned long)document->current,
                           hasheader ? &header : nullptr, &page, nullptr);
    }
}

void Paint(HWND window)
{
    PaintDC dc(window);
    BLOCK page;
    if (!CurrentPage(&page))
        return;
    for (uint32_t i = 0, n = BlockObjectCount(&page); i < n; i++) {
        ObjectRecord<> o(GetPageObject(&page, i));
        if (!o || !QV_IsObjectStatic(o.get()))
            continue;
        if (o->tag == TAG_STAT && !o->background)
            continue;
        DrawPageObject(window, dc, o.get());
    }
}

LRESULT Activate(HWND window, WPARAM wParam, LPARAM lParam)
{
    HWND focus = GetFocus();
    if (IsChild(window, focus))
        focuschild = focus;
    ActivateChildren(window, wParam, lParam);
    LRESULT r = DefWindowProcA(window, WM_ACTIVATE, wParam, lParam);
    // Activation gives the focus to the show window itself; the button that
    // held it gets it back.
    if (LOWORD(wParam) != WA_INACTIVE && focuschild && IsChild(window, focuschild))
        SetFocus(focuschild);
    return r;
}

void ShowAbout(HWND window)
{
    BLOCK header;
    if (Header(&header))
        DoEXEAbout(window, document->list, &header);
}

void Click(HWND window)
{
    BLOCK page;
    if (!CurrentPage(&page))
        return;
    // Closing wins: building the next page only to tear it down would start
    // its sounds and timers for nothing.
    if (page.page.flags & PAGE_CLICKCLOSES)
        PostMessageA(window, QVM_CLOSE, 0, 0);
    else if (page.page.flags & PAGE_CLICKNEXT)
        PostMessageA(window, QVM_NEXTPAGE, 0, 0);
}

void Destroy(HWND window)
{
    BLOCK page;
    if (CurrentPage(&page))
        QV_DeleteAllControls(window, &page);
    QV_ShowHostOf(window).media.killsound(window);
    focuschild = NULL;
}

// The first, previous, next or last page, by their messages.
void StepPage(HWND window, UINT msg)
{
    if (!document)
        return;
    int current = document->current;
    int last = (int)SendMessageA(document->list, LB_GETCOUNT, 0, 0) - 2;
    int n = msg == QVM_FIRSTPAGE ? 0 : msg == QVM_PREVIOUSPAGE ? current - 2 : msg == QVM_NEXTPAGE ? current : last;
    PostMessageA(window, QVM_SHOWPAGE, (WPARAM)n, 0);
}

void PageMenu(HWND window)
{
    if (document) {
        int n = JumptoNewPage(window, document);
        if (n >= 0)
            PostMessageA(window, QVM_SHOWPAGE, (WPARAM)n, 0);
    }
}

const QV_SHOWCREATE *CreateParams(LPARAM lParam)
{
    return (const QV_SHOWCREATE *)((CREATESTRUCTA *)lParam)->lpCreateParams;
}

// What the window does with the messages the show and its objects send it.
bool ShowMessage(HWND window, UINT msg, WPARAM wParam, LPARAM lParam, LRESULT *result)
{
    *result = 0;
    switch (msg) {
    case QVM_SETDOCUMENT:
        SetDocument(window, (BLOCKSET *)lParam);
        return true;
    case QVM_GETPAGECOLOUR:
        *result = (LRESULT)PageColour();
        return true;
    case QVM_FIRSTPAGE:
    case QVM_PREVIOUSPAGE:
    case QVM_NEXTPAGE:
    case QVM_LASTPAGE:
        StepPage(window, msg);
        return true;
    case QVM_CLOSE:
        PostMessageA(window, WM_SYSCOMMAND, SC_CLOSE, 0);
        return true;
    case QVM_STARTOBJECT:
    case QVM_STOPOBJECT:
        // A number without a window asks nothing of anyone.
        if (HWND target = GetDlgItem(window, (int)wParam))
            PostMessageA(target, QVM_OBJECTSTARTSTOP, msg == QVM_STARTOBJECT ? 1 : 0, lParam);
        return true;
    case QVM_JUMPTOPAGE:
        JumpToTitle(window, (const char *)lParam);
        return true;
    case QVM_ABOUT:
        ShowAbout(window);
        return true;
    case QVM_PAGEMENU:
        PageMenu(window);
        return true;
    case QVM_OPENDOCUMENT:
        OpenDocument(window, (const char *)lParam);
        return true;
    case QVM_SHOWPAGE:
        ChangePage(window, (int)wParam);
        return true;
    case QVM_REPLAYSOUND:
        PlayBackgroundSound(window);
        return true;
    case QVM_PRINTPAGE:
        QV_DoPrintScreen(window, (int)wParam);
        return true;
    }
    return false;
}

} // namespace

static LRESULT QV_AppwindowMessage(HWND window, UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_NCCREATE:
        if (!BindState(window, CreateParams(lParam)))
            return FALSE;
        break;
    case WM_NCDESTROY:
        FreeState(window);
        break;
    case WM_CREATE:
        Create(window, CreateParams(lParam));
        return 0;
    case WM_ERASEBKGND:
        EraseBackground(window, (HDC)wParam);
        return 1;
    case WM_PAINT:
        Paint(window);
        return 0;
    case WM_SIZE: {
        BLOCK page;
        if (CurrentPage(&page))
            QV_DrawStaticObjects(window, &page, document->list);
        break;
    }
    case WM_ACTIVATE:
        return Activate(window, wParam, lParam);
    case WM_DRAWITEM: {
        auto *item = (DRAWITEMSTRUCT *)lParam;
        if (item && item->hwndItem)
            SendMessageA(item->hwndItem, QVM_DRAWITEM, 0, lParam);
        return 0;
    }
    case WM_SYSCOMMAND:
        if (wParam == SYSCMD_ABOUT)
            ShowAbout(window);
        else if (wParam == SYSCMD_PAGEMENU)
            PostMessageA(window, QVM_PAGEMENU, 0, 0);
        break;
    case WM_LBUTTONDOWN:
        Click(window);
        return 0;
    case WM_RBUTTONDOWN:
        PostMessageA(window, WM_CLOSE, 0, 0);
        return 0;
    case WM_DESTROY:
        Destroy(window);
        break;
    default: {
        LRESULT result;
        if (ShowMessage(window, msg, wParam, lParam, &result))
            return result;
    }
    }
    return DefWindowProcA(window, msg, wParam, lParam);
}

LRESULT CALLBACK QV_AppwindowProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam)
{
    return COMMONGuard(window, msg, [&] { return QV_AppwindowMessage(window, msg, wParam, lParam); });
}

HWND QV_OpenApplicationWindow(HWND parent, HWND list, BLOCKSET *set, unsigned long index, const SHOWHOST &host)
{
    BLOCK header, page;
    if (!set || !GetHeaderBlock(list, set, &header) || !GetBlock(list, (unsigned)index, &page))
        return NULL;
    set->current = (int)index;
    set->list = list;
    long flags = (long)header.hedr.flags;
    int width = AddWindowHFrame(flags, header.hedr.width), depth = AddWindowVFrame(flags, header.hedr.depth);
    QV_SHOWCREATE create{set, &host};
    HWND window = CreateWindowExA(0, QVCLASS_appwindow, "", QV_ShowWindowStyle(flags), 0, 0, width, depth,
                                  parent, NULL, hInst, &create);
    if (!window)
        return NULL;
    CentreWindow(window);
    SetWindowPos(window, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    SetWindowValue(window, GWLP_USERDATA, GlobalHandle(set));
    PostMessageA(window, QVM_SETDOCUMENT, 0, (LPARAM)set);
    PostMessageA(window, QVM_REPLAYSOUND, 0, 0);
    return window;
}

static void HandleMessage(HWND window, MSG &msg, BLOCK *page)
{
    if (QV_ShowHostOf(window).media.soundmessage(msg.hwnd, msg.message, msg.wParam, msg.lParam))
        return;
    if (msg.message == QVM_SHOWPAGE && msg.hwnd == window && (int)msg.wParam >= 0 && page && document) {
        BLOCK next;
        if (GetBlock(document->list, (unsigned)msg.wParam + 1, &next))
            *page = next;
    }
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
}

bool QV_RunShowPass(HWND window, BLOCK *page)
{
    MSG msg;
    // Only what waited when the pass began: an applet that posts its next
    // step to itself must leave room for painting, input and timers.
    // A modal loop run by a handler may take the mark itself; the bound keeps
    // the pass finite then too.
    PostThreadMessageA(GetCurrentThreadId(), QVM_PASSMARK, 0, 0);
    for (int taken = 0; taken < MAXPASSMESSAGES &&
                        PeekMessageA(&msg, NULL, QVM_FIRSTPRIVATE, QVM_LASTPRIVATE, PM_REMOVE);
         taken++) {
        if (msg.message == QVM_PASSMARK && !msg.hwnd)
            break;
        HandleMessage(window, msg, page);
    }
    // Then one message of another kind. Windows makes timer and paint
    // messages only while no posted message matches the filter, so the
    // private range is left out here: privates posted during this pass must
    // not hold them back.
    if (PeekMessageA(&msg, NULL, 0, QVM_FIRSTPRIVATE - 1, PM_REMOVE) ||
        PeekMessageA(&msg, NULL, QVM_LASTPRIVATE + 1, 0xFFFFFFFF, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            // Put back, so the program's own loop ends as it was asked to.
            PostQuitMessage((int)msg.wParam);
            return false;
        }
        HandleMessage(window, msg, page);
        return true;
    }
    // Privates posted during the pass: the next pass takes them.
    if (PeekMessageA(&msg, NULL, 0, 0, PM_NOREMOVE))
        return true;
    // The page is read afresh from the document at every idle step: a page
    // changed inside a modal loop (a box, the page menu) never passed its
    // message through this loop, and the copy would name the old page.
    if (BLOCKSET *set = LockBlockSet(window)) {
        BLOCK current;
        if (page && set->current >= 0 && GetBlock(set->list, (unsigned)set->current, &current))
            *page = current;
        UnlockBlockSet(window);
    }
    bool stepped = false;
    if (page)
        for (uint32_t i = 0, n = BlockObjectCount(page); i < n; i++) {
            uint32_t number;
            {
                ObjectRecord<> o(GetPageObject(page, i));
                // A paused applet takes no step: stepping it would only
                // keep the loop from waiting while the show is inactive.
                if (!o || o->tag != TAG_APPL ||
                    (o->flags & (OBJ_RUNNING | OBJ_CONTINUOUS | OBJ_DEACTIVATED)) != OBJ_RUNNING)
                    continue;
                number = o->number;
            }
            if (IsWindow(window)) {
                SendDlgItemMessageA(window, (int)number, QVM_APPLETSTEP, 0, 0);
                stepped = true;
            }
        }
    // Nothing to run: wait for the next message instead of spinning.
    if (!stepped)
        WaitMessage();
    return true;
}

int QV_CreateApplicationWindow(HWND parent, HWND list, BLOCKSET *set, unsigned long index, const SHOWHOST &host)
{
    HWND window = QV_OpenApplicationWindow(parent, list, set, index, host);
    if (!window)
        return 0;
    BLOCK page;
    if (!GetBlock(list, (unsigned)index, &page))
        page = BLOCK{};
    while ((!parent || IsWindow(parent)) && (!hwndmain || IsWindow(hwndmain)) && IsWindow(window))
        if (!QV_RunShowPass(window, &page)) {
            // The program is ending: the show does not outlive its loop.
            if (IsWindow(window))
                DestroyWindow(window);
            break;
        }
    if (parent)
        UpdateWindow(parent);
    return 1;
}
