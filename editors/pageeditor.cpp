// The page editor's window: the working page and its object windows, the
// page menu, one level of undo, and the loop that keeps the editor modal
// over the document. The clipboard and the stacking order have files of
// their own.
#include "editors/pageeditor.h"
#include "common/modal.h"
#include "common/msgdlg.h"
#include "common/owners.h"
#include "common/paths.h"
#include "common/services.h"
#include "common/strings.h"
#include "common/windowvalue.h"
#include "document/about.h"
#include "document/objects.h"
#include "editor/blocks.h"
#include "editor/filedialogs.h"
#include "editor/grid.h"
#include "editor/shell.h"
#include "editor/tipfolder.h"
#include "editors/headereditor.h"
#include "editors/objectdialogs.h"
#include "editors/objectlist.h"
#include "editors/pageclipboard.h"
#include "editors/stacking.h"
#include "editors/tostatic.h"
#include "media/filedialogs.h"
#include "media/imageformat.h"
#include "media/loaders.h"
#include "media/mngload.h"
#include "media/pngload.h"
#include "resources/document_ids.h"
#include "resources/editordocs_ids.h"
#include "resources/pageeditor_ids.h"
#include "resources/resource.h"
#include "runtime/background.h"
#include "runtime/messages.h"
#include "runtime/runtime.h"
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace {

// Only one page editor is open at a time; its record is bound to the window.
HWND pagewindow;

void Say(HWND owner, unsigned id)
{
    DoMessage(owner, FetchString(id));
}

HWND BlockList(const EDITPARAM *p)
{
    return GetDlgItem(p->hwnd, IDC_BLOCKLIST);
}

bool Header(const EDITPARAM *p, BLOCK *header)
{
    return GetHeaderBlock(BlockList(p), p->blockset, header) != 0;
}

// The page window's outer size for the show window that the header sets.
SIZE OuterSize(const BLOCK &header)
{
    long flags = (long)header.hedr.flags;
    return {AddWindowHFrame(flags, header.hedr.width), AddWindowVFrame(flags, header.hedr.depth)};
}

DWORD PageStyle(const BLOCK &header)
{
    DWORD style = (header.hedr.flags & 0x00CF0000) | WS_POPUP | WS_VISIBLE;
    if (!(style & (WS_BORDER | WS_DLGFRAME)))
        style |= WS_BORDER;
    return style;
}

LONG Clamp(LONG v, LONG low, LONG high)
{
    return v < low ? low : v > high ? high : v;
}

// A damaged rectangle would make a window of any size anywhere.
void ClampObjects(BLOCK *block)
{
    uint32_t n = BlockObjectCount(block);
    for (uint32_t i = 0; i < n; i++) {
        GlobalLocked<OBJECTHEADER> o(GetPageObject(block, i));
        if (!o || o.size() < sizeof(OBJECTHEADER))
            continue;
        RECT &r = o->rect;
        r.left = Clamp(r.left, -MAXCOORDINATE, MAXCOORDINATE);
        r.top = Clamp(r.top, -MAXCOORDINATE, MAXCOORDINATE);
        r.right = Clamp(r.right, r.left + 1, r.left + MAXCOORDINATE);
        r.bottom = Clamp(r.bottom, r.top + 1, r.top + MAXCOORDINATE);
    }
}

void DestroyObjectWindows(HWND page)
{
    while (HWND child = GetWindow(page, GW_CHILD))
        DestroyWindow(child);
}

// AddPageObject raises each new window, so the first object's ends on top.
void CreateObjectWindows(HWND page, BLOCK *block)
{
    for (uint32_t i = BlockObjectCount(block); i-- > 0;)
        AddPageObject(page, GetPageObject(block, i));
}

void Rebuild(HWND page, BLOCK *block, bool erase)
{
    SendMessageA(page, WM_SETREDRAW, FALSE, 0);
    DestroyObjectWindows(page);
    CreateObjectWindows(page, block);
    SendMessageA(page, WM_SETREDRAW, TRUE, 0);
    RedrawWindow(page, NULL, NULL, RDW_INVALIDATE | RDW_ALLCHILDREN | (erase ? RDW_ERASE : 0));
}

HWND FindObjectWindow(HWND page, HGLOBAL object)
{
    for (HWND w = GetWindow(page, GW_CHILD); w; w = GetWindow(w, GW_HWNDNEXT))
        if (GetWindowValue<HGLOBAL>(w, GWLP_USERDATA) == object)
            return w;
    return NULL;
}

void DropCopy(BLOCK *copy)
{
    if (copy->tag == TAG_PAGE)
        DestroyBlock(copy);
    memset(copy, 0, sizeof *copy);
}

void DropUndo(EDITPARAM *p)
{
    DropCopy(&p->undo);
    DropCopy(&p->pressed);
}

// Copies the working page over a copy of it it replaces, reusing every
// block of the same size: a press (which takes one at every press of the
// mouse) then costs about one copy of the page's bytes, not a fresh
// allocation of each picture. False when the shapes differ or anything
// fails; the copy is then still whole, but not a copy of the page.
bool RecycleCopy(BLOCK &copy, BLOCK *work)
{
    uint32_t n = BlockObjectCount(work);
    if (copy.tag != TAG_PAGE || BlockObjectCount(&copy) != n || !work->objects || !copy.objects ||
        GlobalSize(work->objects) != GlobalSize(copy.objects) || !work->title != !copy.title ||
        (work->title && GlobalSize(work->title) != GlobalSize(copy.title)))
        return false;
    for (uint32_t i = 0; i < n; i++) {
        HGLOBAL from = GetPageObject(work, i), to = GetPageObject(&copy, i);
        if (!from || !to)
            return false;
        SIZE_T size = GlobalSize(from);
        if (size != GlobalSize(to)) {
            HGLOBAL twin = DuplicateObject(from);
            if (!twin || !PutPageObject(&copy, twin, i)) {
                if (twin)
                    GlobalFree(twin);
                return false;
            }
            GlobalFree(to);
            continue;
        }
        GlobalLocked<char> a(from), b(to);
        if (!a || !b)
            return false;
        memcpy(b.get(), a.get(), size);
    }
    if (work->title) {
        GlobalLocked<char> a(work->title), b(copy.title);
        if (!a || !b)
            return false;
        memcpy(b.get(), a.get(), GlobalSize(work->title));
    }
    HGLOBAL objects = copy.objects, title = copy.title;
    copy = *work;
    copy.objects = objects;
    copy.title = title;
    copy.thumbnail = NULL;
    return true;
}

// A copy of the working page in `copy`, or none when it cannot be made.
void TakeCopy(BLOCK *copy, BLOCK *work)
{
    if (!RecycleCopy(*copy, work)) {
        DropCopy(copy);
        if (!DuplicateBlock(copy, work))
            memset(copy, 0, sizeof *copy);
    }
}

void TakeUndo(EDITPARAM *p)
{
    TakeCopy(&p->undo, p->block);
    p->undochanged = p->changed;
}

// True when an object of `work` lies elsewhere than in `before`, or the
// two do not hold the same objects.
bool Rearranged(BLOCK *before, BLOCK *work)
{
    uint32_t n = BlockObjectCount(work);
    if (BlockObjectCount(before) != n)
        return true;
    for (uint32_t i = 0; i < n; i++) {
        GlobalLocked<OBJECTHEADER> a(GetPageObject(before, i)), b(GetPageObject(work, i));
        if (!a || !b || a.size() < sizeof(OBJECTHEADER) || b.size() < sizeof(OBJECTHEADER) ||
            !EqualRect(&a->rect, &b->rect))
            return true;
    }
    return false;
}

// The end of a move or resize: the page as the press found it becomes the
// undo step, when the object did end somewhere else. A mere click so keeps
// the step the user may still want.
void Moved(EDITPARAM *p)
{
    if (p->pressed.tag == TAG_PAGE) {
        if (!Rearranged(&p->pressed, p->block))
            return;
        // The step it replaces is kept for the next press to copy into.
        std::swap(p->undo, p->pressed);
        p->undochanged = p->pressedchanged;
    } else {
        // No copy could be taken at the press: no step undoes this one.
        DropCopy(&p->undo);
    }
    p->changed = 1;
}

void Undo(HWND page, EDITPARAM *p)
{
    if (p->undo.tag != TAG_PAGE)
        return;
    SendMessageA(page, WM_SETREDRAW, FALSE, 0);
    DestroyObjectWindows(page);
    DestroyBlock(p->block);
    *p->block = p->undo;
    memset(&p->undo, 0, sizeof p->undo);
    CreateObjectWindows(page, p->block);
    SendMessageA(page, WM_SETREDRAW, TRUE, 0);
    RedrawWindow(page, NULL, NULL, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
    p->changed = p->undochanged;
}

void SetCaption(HWND page, EDITPARAM *p)
{
    char title[TITLESIZE + 1] = "";
    GetBlockTitle(title, p->block);
    char caption[TITLESIZE + 32];
    snprintf(caption, sizeof caption, "%s   [%d]", title, (int)p->index);
    SetWindowTextA(page, caption);
}

// The object of `number` and `tag` on the working page: its index, -1 when none.
int Find(EDITPARAM *p, WPARAM number, LPARAM tag)
{
    return FindPageObject(p->block, (unsigned long)tag, (unsigned long)number);
}

bool NumberTaken(BLOCK *block, uint32_t number)
{
    uint32_t n = BlockObjectCount(block);
    for (uint32_t i = 0; i < n; i++) {
        GlobalLocked<OBJECTHEADER> o(GetPageObject(block, i));
        if (o && o.size() >= sizeof(OBJECTHEADER) && o->number == number)
            return true;
    }
    return false;
}

// --- insert ---------------------------------------------------------------

enum SOURCE { TEXTID, EMPTY, NODATA, ANIMFILE, IMAGEFILE, MIDIFILE, MOVIEFILE, WAVEFILE, STATICFILE };

struct INSERTROW {
    UINT id;
    uint32_t tag;
    SOURCE source;
    unsigned text;
};

const INSERTROW inserts[] = {
    {IDM_INSERTANIM, TAG_ANIM, ANIMFILE, 0},      {IDM_INSERTAPPLET, TAG_APPL, TEXTID, IDS_NEWAPPLET},
    {IDM_INSERTBUTTON, TAG_BUTN, TEXTID, IDS_UNTITLED}, {IDM_INSERTCHECK, TAG_CHEC, TEXTID, IDS_UNTITLED},
    {IDM_INSERTEDIT, TAG_EDIT, TEXTID, IDS_UNTITLED},   {IDM_INSERTFRAME, TAG_FRAM, TEXTID, IDS_UNTITLED},
    {IDM_INSERTIMAGE, TAG_IMAG, IMAGEFILE, 0},    {IDM_INSERTLIST, TAG_LIST, EMPTY, 0},
    {IDM_INSERTMIDI, TAG_MIDI, MIDIFILE, 0},      {IDM_INSERTMOVIE, TAG_MOVI, MOVIEFILE, 0},
    {IDM_INSERTRADIO, TAG_RDIO, TEXTID, IDS_UNTITLED},  {IDM_INSERTWAVE, TAG_WAVE, WAVEFILE, 0},
    {IDM_INSERTSTATIC, TAG_STAT, STATICFILE, 0},  {IDM_INSERTTEXT, TAG_TEXT, TEXTID, IDS_UNTITLED},
    {IDM_INSERTTIMER, TAG_TIME, NODATA, 0},
};

const INSERTROW *InsertRow(UINT id)
{
    for (const INSERTROW &row : inserts)
        if (row.id == id)
            return &row;
    return nullptr;
}

// What a loaded file adds to the new record beyond its data.
struct LOADED {
    HGLOBAL data = NULL;
    long imagesize = 0, filesize = 0;
    int trnscount = 0, colourtype = 6;
    char trns[256] = {};
};

// Asks for the file and loads it: false when the user cancelled or loading failed.
bool LoadInsertFile(HWND page, SOURCE source, LOADED *loaded)
{
    std::vector<char> path(MULTIPLEFILEBUFFER, 0);
    GetOpenPath(path.data());
    int chosen = 0;
    switch (source) {
    case ANIMFILE: chosen = GetAnimationFileName(page, path.data()); break;
    case IMAGEFILE: chosen = GetOpenMultipleImageFileName(page, path.data()); break;
    case MIDIFILE: chosen = GetMIDIFileName(page, path.data()); break;
    case MOVIEFILE: chosen = GetOpenImageFileNameAVI(page, path.data()); break;
    case WAVEFILE: chosen = GetWAVEFileName(page, path.data()); break;
    case STATICFILE: chosen = GetOpenImageFileNamePNG(page, path.data()); break;
    default: break;
    }
    if (!chosen)
        return false;
    const std::string chosenfile = FirstChosenFile(path.data(), path.size());
    SetOpenPath(chosenfile.c_str());
    HCURSOR old = SetCursor(LoadCursorA(NULL, IDC_WAIT));
    const char *file = chosenfile.c_str();
    switch (source) {
    case ANIMFILE: loaded->data = LoadAnimation(page, file); break;
    case IMAGEFILE: {
        unsigned short bits = 0;
        loaded->data = LoadImageA(NULL, file, NULL, &bits);
        break;
    }
    case MIDIFILE: loaded->data = LoadObject(page, file); break;
    case MOVIEFILE: loaded->data = LoadMovie(page, file, &loaded->imagesize, &loaded->filesize); break;
    case WAVEFILE: loaded->data = LoadSound(page, file); break;
    case STATICFILE:
        loaded->data = LoadStaticImage(page, file, &loaded->trnscount, loaded->trns, &loaded->colourtype);
        break;
    default: break;
    }
    // Animations that fail to load say nothing.
    if (!loaded->data && source != ANIMFILE)
        Say(page, source == STATICFILE && OtherThanPng(file) ? IDS_UNSUPPORTEDFORMAT : IDS_ERRREAD);
    SetCursor(old);
    return loaded->data != NULL;
}

// A new object placed at the click is moved, keeping its size, so that it
// lies on the page; one wider or deeper than the page starts at its edge.
void KeepOnPage(HWND page, RECT *r)
{
    RECT client;
    GetClientRect(page, &client);
    LONG dx = 0, dy = 0;
    if (r->right > client.right)
        dx = client.right - r->right;
    if (r->left + dx < 0)
        dx = -r->left;
    if (r->bottom > client.bottom)
        dy = client.bottom - r->bottom;
    if (r->top + dy < 0)
        dy = -r->top;
    OffsetRect(r, dx, dy);
}

void Insert(HWND page, EDITPARAM *p, const INSERTROW &row)
{
    TakeUndo(p);
    POINT at = p->clickpoint;
    DoGrid(page, &at);
    ScreenToClient(page, &at);
    at.x = Clamp(at.x, 0, MAXCOORDINATE);
    at.y = Clamp(at.y, 0, MAXCOORDINATE);
    LOADED loaded;
    LONG_PTR data = 0;
    switch (row.source) {
    case TEXTID: data = (LONG_PTR)FetchString(row.text); break;
    case EMPTY: data = (LONG_PTR) ""; break;
    case NODATA: break;
    default:
        if (!LoadInsertFile(page, row.source, &loaded))
            return;
        data = (LONG_PTR)loaded.data;
    }
    HGLOBAL object = CreatePageObject(p->block, row.tag, MAKELONG(at.x, at.y), data);
    if (loaded.data)
        GlobalFree(loaded.data);
    if (!object) {
        Say(page, IDS_OBJECTACCESSERROR);
        return;
    }
    if (GlobalLocked<OBJECTHEADER> o{object}) {
        KeepOnPage(page, &o->rect);
        if (row.tag == TAG_MOVI) {
            auto *movie = (OBJECTMOVIE *)o.get();
            movie->avioffset = (uint32_t)loaded.imagesize;
            movie->avilength = (uint32_t)loaded.filesize;
        } else if (row.tag == TAG_STAT) {
            auto *still = (OBJECTSTATICIMAGE *)o.get();
            still->colourtype = (uint32_t)loaded.colourtype;
            still->transparencycount = (uint32_t)Clamp(loaded.trnscount, 0, 256);
            memcpy(still->transparency, loaded.trns, sizeof still->transparency);
        }
    }
    if (!AppendPageObject(p->block, object)) {
        Say(page, IDS_OBJECTACCESSERROR);
        GlobalFree(object);
        return;
    }
    p->changed = 1;
    Rebuild(page, p->block, false);
}

// --- object commands --------------------------------------------------------

void Edit(HWND page, EDITPARAM *p, WPARAM number, LPARAM tag)
{
    TakeUndo(p);
    int i = Find(p, number, tag);
    if (i < 0)
        return;
    if (EditObject(page, p->blockset, p->block, (unsigned)i))
        p->changed = 1;
    RepointObjectWindow(page, p->block, (unsigned)i);
    InvalidateRect(page, NULL, TRUE);
}

void Delete(HWND page, EDITPARAM *p, WPARAM number, LPARAM tag)
{
    TakeUndo(p);
    int i = Find(p, number, tag);
    HGLOBAL object = i < 0 ? NULL : GetPageObject(p->block, (unsigned)i);
    if (!object)
        return;
    // Only an object that can be let go loses its window.
    if (!GlobalLock(object)) {
        Say(page, IDS_OBJECTACCESSERROR);
        return;
    }
    GlobalUnlock(object);
    if (HWND w = FindObjectWindow(page, object))
        DestroyWindow(w);
    DeletePageObject(p->block, (unsigned)i);
    p->changed = 1;
}

void Duplicate(HWND page, EDITPARAM *p, WPARAM number, LPARAM tag)
{
    TakeUndo(p);
    int i = Find(p, number, tag);
    HGLOBAL object = i < 0 ? NULL : GetPageObject(p->block, (unsigned)i);
    HGLOBAL copy = object ? DuplicateObject(object) : NULL;
    if (!copy)
        return;
    {
        GlobalLocked<OBJECTHEADER> o(copy);
        if (!o) {
            GlobalFree(copy);
            Say(page, IDS_OBJECTACCESSERROR);
            return;
        }
        RECT client;
        GetClientRect(page, &client);
        RECT &r = o->rect;
        LONG dx = r.right + 8 < client.right ? 8 : r.left > 8 ? -8 : 0;
        LONG dy = r.bottom + 8 < client.bottom ? 8 : r.top > 8 ? -8 : 0;
        OffsetRect(&r, dx, dy);
        o->number = GetNextPageObjectNumber(p->block);
    }
    if (!AppendPageObject(p->block, copy)) {
        Say(page, IDS_OBJECTACCESSERROR);
        GlobalFree(copy);
        return;
    }
    Rebuild(page, p->block, false);
    p->changed = 1;
}

void Reorder(HWND page, EDITPARAM *p, UINT msg, WPARAM number, LPARAM tag)
{
    TakeUndo(p);
    int found = Find(p, number, tag);
    if (found < 0)
        return;
    if (!RestackPageObject(p->block, (unsigned)found, msg)) {
        // The array may be half rearranged: the copy taken just before restores it.
        Say(page, IDS_OBJECTACCESSERROR);
        PostMessageA(page, WM_COMMAND, IDM_PAGEUNDO, 0);
        return;
    }
    Rebuild(page, p->block, false);
    p->changed = 1;
}

// False, with the user told, when the object did not reach the clipboard.
bool Copy(HWND page, EDITPARAM *p, WPARAM number, LPARAM tag)
{
    int i = Find(p, number, tag);
    if (i < 0)
        return false;
    if (!CopyPageObjectToClipboard(page, GetPageObject(p->block, (unsigned)i))) {
        Say(page, IDS_OBJECTACCESSERROR);
        return false;
    }
    return true;
}

void Paste(HWND page, EDITPARAM *p)
{
    if (!IsClipboardFormatAvailable(CF_PAGEOBJECT))
        return;
    HGLOBAL copy = PageObjectFromClipboard(page);
    if (!copy) {
        Say(page, IDS_OBJECTACCESSERROR);
        return;
    }
    {
        GlobalLocked<OBJECTHEADER> o(copy);
        ClearRunTimeFields(o.get());
        if (NumberTaken(p->block, o->number))
            o->number = GetNextPageObjectNumber(p->block);
    }
    if (!AppendPageObject(p->block, copy)) {
        Say(page, IDS_OBJECTACCESSERROR);
        GlobalFree(copy);
        return;
    }
    // Any place a load takes is kept in the editor's bounds, as when the page opened.
    ClampObjects(p->block);
    p->changed = 1;
    Rebuild(page, p->block, false);
}

void ToStatic(HWND page, EDITPARAM *p, WPARAM number, LPARAM tag)
{
    DoWarning(page, FetchString(IDS_TOSTATICWARNING), &WarnToStatic);
    TakeUndo(p);
    int i = Find(p, number, tag);
    HGLOBAL object = i < 0 ? NULL : GetPageObject(p->block, (unsigned)i);
    if (!object)
        return;
    HGLOBAL still = ConvertObjectToStatic(page, p->block, object);
    if (!still) {
        Say(page, IDS_OBJECTACCESSERROR);
        return;
    }
    if (!PutPageObject(p->block, still, (unsigned)i)) {
        GlobalFree(still);
        Say(page, IDS_OBJECTACCESSERROR);
        return;
    }
    // No window may keep the text's handle once it is freed.
    RepointObjectWindow(page, p->block, (unsigned)i);
    GlobalFree(object);
    p->changed = 1;
    Rebuild(page, p->block, false);
}

void Properties(HWND page, EDITPARAM *p)
{
    TakeUndo(p);
    if (!EditPageProperties(p->hwnd, p->blockset, p->block, p->index, page))
        return;
    Rebuild(page, p->block, true);
    p->changed = 1;
    SetCaption(page, p);
}

void Close(HWND page, EDITPARAM *p)
{
    DropUndo(p);
    p->result = p->changed;
    SendMessageA(page, WM_CLOSE, 0, 0);
}

void Abandon(HWND page, EDITPARAM *p)
{
    DropUndo(p);
    if (p->changed && DoYesNo(page, FetchString(IDS_SAVEPAGECHANGES)) == IDYES) {
        PostMessageA(page, WM_COMMAND, IDM_PAGECLOSE, 0);
        return;
    }
    p->result = 0;
    SendMessageA(page, WM_CLOSE, 0, 0);
}

void PageMenu(HWND page, EDITPARAM *p)
{
    HMENU menu = LoadMenuA(hInst, "PageMenu");
    if (!menu) {
        SendMessageA(page, WM_CLOSE, 0, 0);
        return;
    }
    GetCursorPos(&p->clickpoint);
    HMENU popup = GetSubMenu(menu, 0);
    EnableMenuItem(popup, IDM_PAGEUNDO, MF_BYCOMMAND | (p->undo.tag == TAG_PAGE ? MF_ENABLED : MF_GRAYED));
    bool paste = IsClipboardFormatAvailable(CF_DIB) || IsClipboardFormatAvailable(CF_PAGEOBJECT);
    EnableMenuItem(popup, IDM_PAGEPASTE, MF_BYCOMMAND | (paste ? MF_ENABLED : MF_GRAYED));
    CheckMenuItem(popup, IDM_PAGESNAP, MF_BYCOMMAND | (GridUse ? MF_CHECKED : MF_UNCHECKED));
    UINT chosen = TrackEditorPopup(popup, p->clickpoint, page);
    DestroyMenu(menu);
    if (chosen)
        SendMessageA(page, WM_COMMAND, chosen, 0);
}

void Command(HWND page, EDITPARAM *p, UINT id)
{
    if (const INSERTROW *row = InsertRow(id)) {
        Insert(page, p, *row);
        return;
    }
    switch (id) {
    case IDM_PAGEUNDO: Undo(page, p); break;
    case IDM_PAGECLOSE: Close(page, p); break;
    case IDM_PAGEABANDON: Abandon(page, p); break;
    case IDM_PAGEPROPERTIES: Properties(page, p); break;
    case IDM_PAGEPASTE: Paste(page, p); break;
    case IDM_PAGESETGRID:
        SetGrid(page);
        InvalidateRect(page, NULL, TRUE);
        break;
    case IDM_PAGESNAP:
        GridUse = !GridUse;
        InvalidateRect(page, NULL, TRUE);
        break;
    case IDM_PAGEHELP: DoHelp(page, "PAGE"); break;
    case IDM_PAGEOBJECTLIST: EditPageObjectList(page, p->block); break;
    }
}

void DrawGrid(HWND page, HDC dc)
{
    if (!GridUse || !GridShow)
        return;
    RECT r;
    GetClientRect(page, &r);
    int f = GridFrequency > 0 ? GridFrequency : 1;
    int old = SetROP2(dc, R2_NOT);
    if (f == 1) {
        // Every pixel is a grid point.
        FillRect(dc, &r, (HBRUSH)GetStockObject(WHITE_BRUSH));
    } else {
        for (int y = 0; y < r.bottom; y += f)
            for (int x = 0; x < r.right; x += f)
                SetPixelV(dc, x, y, 0xFFFFFF);
    }
    SetROP2(dc, old);
}

void Erase(HWND page, EDITPARAM *p, HDC dc)
{
    BLOCK header;
    if (Header(p, &header))
        DrawPageBackground(page, BlockList(p), dc, p->index, &header, p->block, NULL);
    DrawGrid(page, dc);
}

// The page as stored at the document's caret, not the working copy.
COLORREF PageColour(EDITPARAM *p)
{
    BLOCK block, header;
    HWND list = BlockList(p);
    if (!p->blockset || !GetBlock(list, (unsigned)p->blockset->caret, &block))
        return 0x808080;
    return BlockColour(&block, GetBlock(list, 0, &header) ? &header : nullptr, 0x808080);
}

void KeepSize(HWND page, EDITPARAM *p)
{
    BLOCK header;
    if (!Header(p, &header))
        return;
    SIZE want = OuterSize(header);
    RECT r;
    GetWindowRect(page, &r);
    if (r.right - r.left != want.cx || r.bottom - r.top != want.cy)
        SetWindowPos(page, NULL, 0, 0, want.cx, want.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void Create(HWND page, EDITPARAM *p)
{
    p->changed = 0;
    if (HMENU system = GetSystemMenu(page, FALSE)) {
        AppendMenuA(system, MF_SEPARATOR, 0, NULL);
        AppendMenuA(system, MF_STRING, IDM_PAGEABOUT, "&About");
    }
    ClampObjects(p->block);
    CreateObjectWindows(page, p->block);
    SetCaption(page, p);
    memset(&p->undo, 0, sizeof p->undo);
}

INT_PTR RunPopup(const MODALCALL *call)
{
    auto *at = (const POINT *)call->data;
    return TrackPopupMenu((HMENU)call->param, TPM_LEFTALIGN | TPM_LEFTBUTTON | TPM_RETURNCMD, at->x, at->y, 0,
                          call->parent, NULL);
}

} // namespace

UINT TrackEditorPopup(HMENU menu, POINT at, HWND owner)
{
    MODALCALL call{};
    call.kind = MODAL_COMMONDIALOG;
    call.parent = owner;
    call.name = "TrackPopupMenu";
    call.data = &at;
    call.param = (LPARAM)menu;
    call.run = RunPopup;
    INT_PTR chosen = COMMONModal(&call);
    return chosen > 0 ? (UINT)chosen : 0;
}

bool RepointObjectWindow(HWND page, BLOCK *block, unsigned index)
{
    HGLOBAL object = GetPageObject(block, index);
    GlobalLocked<OBJECTHEADER> o(object);
    if (!o || o.size() < sizeof(OBJECTHEADER))
        return false;
    HWND w = GetDlgItem(page, (int)o->number);
    if (!w)
        return false;
    SetWindowValue(w, GWLP_USERDATA, object);
    const RECT &r = o->rect;
    SetWindowPos(w, NULL, r.left, r.top, r.right - r.left, r.bottom - r.top,
                 SWP_NOZORDER | SWP_NOACTIVATE | SWP_SHOWWINDOW);
    InvalidateRect(w, NULL, TRUE);
    return true;
}

HWND PageEditorWindow()
{
    return pagewindow;
}

LRESULT CALLBACK PagePreviewProc(HWND page, UINT msg, WPARAM wParam, LPARAM lParam)
{
    auto *p = GetWindowValue<EDITPARAM *>(page, GWLP_USERDATA);
    switch (msg) {
    case WM_NCCREATE:
        // The record belongs to EditPage, which reads its result after the
        // window has gone.
        p = (EDITPARAM *)((CREATESTRUCTA *)lParam)->lpCreateParams;
        SetWindowValue(page, GWLP_USERDATA, p);
        pagewindow = page;
        break;
    case WM_CREATE:
        if (p)
            Create(page, p);
        return 0;
    case WM_NCDESTROY:
        SetWindowValue<EDITPARAM *>(page, GWLP_USERDATA, nullptr);
        if (pagewindow == page)
            pagewindow = NULL;
        break;
    }
    if (!p)
        return DefWindowProcA(page, msg, wParam, lParam);
    switch (msg) {
    case WMU_OBJECTPICKED:
        TakeCopy(&p->pressed, p->block);
        p->pressedchanged = p->changed;
        return 0;
    case WMU_OBJECTMOVED:
        Moved(p);
        return 0;
    case WMU_OBJECTEDIT:
        Edit(page, p, wParam, lParam);
        return 0;
    case WMU_OBJECTDELETE:
        Delete(page, p, wParam, lParam);
        return 0;
    case WMU_OBJECTDUPLICATE:
        Duplicate(page, p, wParam, lParam);
        return 0;
    case WMU_OBJECTTOTOP:
    case WMU_OBJECTTOBOTTOM:
    case WMU_OBJECTFORWARD:
    case WMU_OBJECTBACKWARD:
        Reorder(page, p, msg, wParam, lParam);
        return 0;
    case WMU_OBJECTCOPY:
        Copy(page, p, wParam, lParam);
        return 0;
    case WMU_OBJECTCUT:
        // Only an object the clipboard holds is deleted: the undo step alone
        // would not keep it past the next edit.
        if (Copy(page, p, wParam, lParam))
            Delete(page, p, wParam, lParam);
        return 0;
    case WMU_OBJECTTOSTATIC:
        ToStatic(page, p, wParam, lParam);
        return 0;
    case QVM_GETPAGECOLOUR:
        return (LRESULT)PageColour(p);
    case WM_COMMAND:
        Command(page, p, LOWORD(wParam));
        return 0;
    case WM_RBUTTONDOWN:
        PageMenu(page, p);
        return 0;
    case WM_SYSCOMMAND:
        if ((wParam & 0xFFF0) == SC_CLOSE) {
            PostMessageA(page, WM_COMMAND, PromptToSavePageChanges ? IDM_PAGEABANDON : IDM_PAGECLOSE, 0);
            return 0;
        }
        if (wParam == IDM_PAGEABOUT) {
            DoEXEAbout(page, BlockList(p), p->block);
            return 0;
        }
        break;
    case WM_ERASEBKGND:
        Erase(page, p, (HDC)wParam);
        return 1;
    case WM_SIZE:
        if (wParam != SIZE_MINIMIZED && wParam != SIZE_MAXIMIZED)
            KeepSize(page, p);
        InvalidateRect(page, NULL, TRUE);
        return 0;
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSTATIC:
        return (LRESULT)HandleCtlColour(page, (HDC)wParam, lParam);
    }
    return DefWindowProcA(page, msg, wParam, lParam);
}

bool RegisterPageEditorClasses()
{
    static bool registered;
    if (registered)
        return true;
    WNDCLASSA wc{};
    wc.style = CS_BYTEALIGNWINDOW | CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = PagePreviewProc;
    wc.hInstance = hInst;
    wc.hCursor = LoadCursorA(NULL, IDC_ARROW);
    wc.lpszClassName = pagepreviewclass;
    WNDCLASSA object{};
    object.style = CS_DBLCLKS | CS_HREDRAW | CS_VREDRAW;
    object.lpfnWndProc = ObjectPreviewProc;
    object.hInstance = hInst;
    // The object windows set their cursor themselves as the mouse moves.
    object.hCursor = NULL;
    object.hbrBackground = (HBRUSH)GetStockObject(NULL_BRUSH);
    object.lpszClassName = objectpreviewclass;
    registered = RegisterClassA(&wc) && RegisterClassA(&object);
    return registered;
}

int EditPage(HWND parent, BLOCKSET *set, BLOCK *block, int index)
{
    if (pagewindow)
        return 0;
    BLOCK header;
    if (!GetHeaderBlock(GetDlgItem(parent, IDC_BLOCKLIST), set, &header)) {
        Say(parent, IDS_BLOCKACCESS);
        return 0;
    }
    BLOCK work;
    if (!DuplicateBlock(&work, block)) {
        Say(parent, IDS_MEMORY);
        return 0;
    }
    // The record is large (it holds the undo page): it lives on the heap
    // for as long as this call, as it would on the stack. Made zero-filled.
    auto p = std::make_unique<EDITPARAM>();
    p->hwnd = parent;
    p->blockset = set;
    p->block = &work;
    p->index = (unsigned)index;
    p->result = 0;
    DWORD style = PageStyle(header);
    SIZE size = OuterSize(header);
    HWND page = RegisterPageEditorClasses()
                    ? CreateWindowExA(0, pagepreviewclass, "", style, 0, 0, size.cx, size.cy, parent, NULL, hInst,
                                      p.get())
                    : NULL;
    if (page) {
        CentreWindow(page);
        SetWindowPos(page, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
        MSG msg;
        while (IsWindow(page) && IsWindow(parent) && (!hwndmain || IsWindow(hwndmain))) {
            BOOL got = GetMessageA(&msg, NULL, 0, 0);
            if (got == 0) {
                // The program is ending: its own loop must see the quit too.
                PostQuitMessage((int)msg.wParam);
                break;
            }
            if (got == -1)
                break;
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        if (IsWindow(page))
            DestroyWindow(page);
    }
    DropUndo(p.get());
    int result = p->result;
    if (result) {
        DestroyBlock(block);
        *block = work;
        if (block->thumbnail) {
            GlobalFree(block->thumbnail);
            block->thumbnail = NULL;
        }
    } else {
        DestroyBlock(&work);
    }
    if (IsWindow(parent))
        UpdateWindow(parent);
    return result;
}
