#include "player/loading.h"
#include "common/dialog.h"
#include "common/guard.h"
#include "common/msgdlg.h"
#include "common/owners.h"
#include "common/shell.h"
#include "document/blockstore.h"
#include "document/objects.h"
#include "document/record.h"
#include "resources/resource.h"
#include <cstring>

namespace {

// How far the load has got: `done` blocks of `total`.
struct PROGRESS {
    unsigned done, total;
};

// There is one loading box, and one load at a time.
HWND hwndstat;
PROGRESS progress;

void OpenLoadingStatus(HWND parent, uint32_t headerflags)
{
    if (!(headerflags & HEDR_PROGRESS) || hwndstat)
        return;
    progress = {0, 1};
    hwndstat = CreateDialogParamA(hInst, "LoadingStatusBox", parent, LoadingStatusProc, (LPARAM)&progress);
}

void UpdateLoadingStatus(unsigned done, unsigned total)
{
    if (!hwndstat)
        return;
    SendMessageA(hwndstat, LSM_SETPROGRESS, done, total);
}

void CloseLoadingStatus()
{
    if (hwndstat)
        DestroyWindow(hwndstat);
    hwndstat = NULL;
}

// Walks the entries of a font table of `size` bytes: only those that lie
// whole inside it, however many the head claims.
template <class F> void ForEachFont(char *table, SIZE_T size, F f)
{
    if (size < sizeof(FONTBLOCKHEAD))
        return;
    uint32_t count = ((FONTBLOCKHEAD *)table)->count;
    SIZE_T offset = sizeof(FONTBLOCKHEAD);
    for (uint32_t i = 0; i < count && size - offset >= sizeof(FONTENTRY); i++) {
        FONTENTRY *e = (FONTENTRY *)(table + offset);
        if (e->size > size - offset - sizeof(FONTENTRY))
            return;
        f(e);
        offset += sizeof(FONTENTRY) + e->size;
    }
}

struct FONTSEARCH {
    const char *face;
    bool found;
};

int CALLBACK IsFontInstalledEnumProc(const LOGFONTA *font, const TEXTMETRICA *, DWORD, LPARAM data)
{
    auto *search = (FONTSEARCH *)data;
    if (_stricmp(font->lfFaceName, search->face) == 0) {
        search->found = true;
        return 0;
    }
    return 1;
}

// Writes one font's bytes to a new temporary file and installs it; the
// entry's path names the file only when both worked, and no file is left
// behind when either failed.
void InstallFont(FONTENTRY *e)
{
    char folder[MAX_PATH];
    e->path[0] = 0;
    DWORD n = GetTempPathA(sizeof folder, folder);
    // The system takes the first three letters of the prefix: "SHW*.tmp".
    if (n == 0 || n >= sizeof folder || !GetTempFileNameA(folder, "SHWB", 0, e->path)) {
        e->path[0] = 0;
        return;
    }
    bool written = false;
    {
        FileHandle file(CreateFileA(e->path, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL));
        DWORD done = 0;
        written = file && WriteFile(file.get(), (char *)(e + 1), e->size, &done, NULL) && done == e->size;
    }
    if (!written || !AddFontResourceA(e->path)) {
        DeleteFileA(e->path);
        e->path[0] = 0;
    }
}

// The bar: the part done dark, the rest in the shadow colour.
void DrawProgress(const DRAWITEMSTRUCT *item, const PROGRESS &p)
{
    RECT r = item->rcItem;
    FrameRect(item->hDC, &r, (HBRUSH)GetStockObject(BLACK_BRUSH));
    InflateRect(&r, -1, -1);
    unsigned done = p.done < p.total ? p.done : p.total;
    RECT left = r, right = r;
    left.right = r.left + (int)((long long)(r.right - r.left) * done / p.total);
    right.left = left.right;
    FillRect(item->hDC, &left, (HBRUSH)(COLOR_3DDKSHADOW + 1));
    FillRect(item->hDC, &right, (HBRUSH)(COLOR_BTNSHADOW + 1));
}

} // namespace

const LOADHOST PLAYERLOAD = {nullptr, nullptr, OpenLoadingStatus, UpdateLoadingStatus, CloseLoadingStatus,
                             true, false, nullptr};

static INT_PTR LoadingStatusMessage(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam)
{
    // Loading goes on whatever is pressed: the box only shows how far it got.
    if (msg == WM_COMMAND && LOWORD(wParam) == IDCANCEL)
        return TRUE;
    INT_PTR answer;
    PROGRESS *p;
    if (DialogOpening(dlg, msg, wParam, lParam, &answer, &p))
        return answer;
    switch (msg) {
    case WM_INITDIALOG:
        CentreWindow(dlg);
        return FALSE;
    case LSM_SETPROGRESS:
        if (p) {
            p->done = (unsigned)wParam;
            p->total = lParam ? (unsigned)lParam : 1;
            InvalidateRect(GetDlgItem(dlg, IDC_LOADINGBAR), NULL, FALSE);
            UpdateWindow(dlg);
        }
        return FALSE;
    case WM_DRAWITEM: {
        auto *item = (DRAWITEMSTRUCT *)lParam;
        if (!item || item->CtlID != IDC_LOADINGBAR || !p)
            return FALSE;
        DrawProgress(item, *p);
        return TRUE;
    }
    }
    return FALSE;
}

INT_PTR CALLBACK LoadingStatusProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam)
{
    return COMMONGuard(dlg, msg, [&] { return LoadingStatusMessage(dlg, msg, wParam, lParam); });
}

int IsFontInstalled(HWND window, const char *face)
{
    FONTSEARCH search{face, false};
    HDC dc = GetDC(window);
    if (!dc)
        return 0;
    EnumFontFamiliesA(dc, NULL, IsFontInstalledEnumProc, (LPARAM)&search);
    ReleaseDC(window, dc);
    return search.found ? 1 : 0;
}

HGLOBAL InstallEmbeddedFonts(HWND window, BLOCK *header)
{
    HGLOBAL table = NULL;
    for (uint32_t i = 0, n = BlockObjectCount(header); i < n && !table; i++) {
        ObjectRecord<> o(GetPageObject(header, i));
        if (!o || o->tag != TAG_FONT)
            continue;
        if (!o.Whole())
            return NULL;
        // A copy of its own: the header's object goes with the blocks when
        // the show window closes, and the fonts outlive it.
        table = NewGlobal(o->datasize ? o->datasize : 1, ObjectData(o.get()), o->datasize);
        if (!table)
            return NULL;
    }
    if (!table)
        return NULL;
    {
        GlobalLocked<char> t(table);
        if (!t) {
            GlobalFree(table);
            return NULL;
        }
        uint32_t walked = 0;
        ForEachFont(t.get(), t.size(), [&](FONTENTRY *e) {
            walked++;
            e->face[sizeof e->face - 1] = 0;
            e->path[0] = 0;
            if (!IsFontInstalled(window, e->face))
                InstallFont(e);
        });
        // Removal walks exactly the entries that were looked at.
        if (t.size() >= sizeof(FONTBLOCKHEAD))
            ((FONTBLOCKHEAD *)t.get())->count = walked;
    }
    return table;
}

void RemoveEmbeddedFonts(HGLOBAL table)
{
    if (!table)
        return;
    {
        GlobalLocked<char> t(table);
        if (t)
            ForEachFont(t.get(), t.size(), [](FONTENTRY *e) {
                e->path[sizeof e->path - 1] = 0;
                if (e->path[0]) {
                    RemoveFontResourceA(e->path);
                    DeleteFileA(e->path);
                    e->path[0] = 0;
                }
            });
    }
    GlobalFree(table);
}
