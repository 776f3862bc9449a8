#include "common/services.h"
#include "common/shell.h"
#include "common/windowvalue.h"
#include "document/applet.h"
#include "document/blockstore.h"
#include "common/owners.h"
#include "document/objects.h"
#include "document/record.h"
#include "runtime/objdraw.h"
#include "runtime/runtime.h"
#include <cstring>
#include <string>

namespace {

// The data of a locked object, bounded by its data length and by its block:
// whatever a file claims, nothing past either is read.
struct DataSpan {
    const char *p = nullptr;
    uint32_t n = 0;
};

std::string DataText(const DataSpan &d)
{
    return d.n ? std::string(d.p, strnlen(d.p, d.n)) : std::string();
}

struct WINDOWROW {
    uint32_t tag;
    const char *cls;
    DWORD exstyle;
    DWORD style;
    bool disabled;   // WS_DISABLED while the object's enabled flag is clear
    bool subclassed; // a system control whose procedure is replaced
    WNDPROC proc;
    bool font;
    int shown;       // 1: flag 0x2 decides; 0: never; 2: always
};

constexpr DWORD CHILD = WS_CHILD | WS_CLIPSIBLINGS;

const WINDOWROW rows[] = {
    {TAG_BUTN, "BUTTON", 0, CHILD, true, true, QV_ButtonProc, true, 1},
    {TAG_CHEC, "BUTTON", 0, CHILD | BS_AUTOCHECKBOX, true, true, QV_CheckboxProc, true, 1},
    {TAG_RDIO, "BUTTON", 0, CHILD | BS_AUTORADIOBUTTON, true, true, QV_RadioProc, true, 1},
    {TAG_EDIT, "EDIT", 0, CHILD | WS_BORDER | ES_AUTOHSCROLL, true, true, QV_EditProc, true, 1},
    {TAG_LIST, "LISTBOX", 0,
     CHILD | WS_BORDER | WS_VSCROLL | LBS_DISABLENOSCROLL | LBS_HASSTRINGS | LBS_NOTIFY, true, true,
     QV_ListboxProc, true, 1},
    {TAG_TEXT, QVCLASS_text, 0, CHILD, false, false, nullptr, false, 1},
    {TAG_IMAG, QVCLASS_image, WS_EX_TRANSPARENT, CHILD, true, false, nullptr, false, 1},
    {TAG_ANIM, QVCLASS_anim, WS_EX_TRANSPARENT, CHILD, true, false, nullptr, false, 1},
    {TAG_MOVI, QVCLASS_movie, WS_EX_TRANSPARENT, CHILD, true, false, nullptr, false, 1},
    {TAG_WAVE, QVCLASS_wave, WS_EX_TRANSPARENT, WS_CHILD, true, false, nullptr, false, 1},
    {TAG_MIDI, QVCLASS_midi, WS_EX_TRANSPARENT, WS_CHILD, true, false, nullptr, false, 1},
    {TAG_APPL, QVCLASS_applet, WS_EX_TRANSPARENT, WS_CHILD, true, false, nullptr, false, 1},
    {TAG_TIME, QVCLASS_timer, WS_EX_TRANSPARENT, WS_CHILD, true, false, nullptr, false, 0},
    {TAG_FRAM, QVCLASS_frame, 0, CHILD | WS_DISABLED, false, false, nullptr, false, 0},
    {TAG_STAT, QVCLASS_staticimage, WS_EX_TRANSPARENT, CHILD, false, false, nullptr, false, 2},
};

const WINDOWROW *RowOf(uint32_t tag)
{
    for (const WINDOWROW &r : rows)
        if (r.tag == tag)
            return &r;
    return nullptr;
}

// Adds the run of zero-terminated strings in `d` to the list box; an empty
// string or the end of the data ends the run.
void AddListItems(HWND box, const DataSpan &d)
{
    uint32_t at = 0;
    while (at < d.n) {
        size_t len = strnlen(d.p + at, d.n - at);
        if (!len)
            break;
        std::string item(d.p + at, len);
        SendMessageA(box, LB_ADDSTRING, 0, (LPARAM)item.c_str());
        at += (uint32_t)len + 1;
    }
}

bool IsPage(const BLOCK *page)
{
    return page && page->tag == TAG_PAGE;
}

template <size_t N> std::string Field(const char (&text)[N])
{
    return std::string(text, strnlen(text, N));
}

} // namespace

int QV_IsObjectStatic(const OBJECTHEADER *o)
{
    return o->tag == TAG_FRAM || o->tag == TAG_STAT || (o->tag == TAG_TEXT && (o->flags & OBJ_TRANSPARENT));
}

int QV_AddPageObject(HWND window, HGLOBAL object, BLOCK *page, int count)
{
    ObjectRecord<> o(object);
    if (!o)
        return 0;
    o->flags &= ~OBJ_DEACTIVATED;
    o->background = 0;
    const WINDOWROW *row = RowOf(o->tag);
    // A record shorter than its type's leaves the fields the window reads
    // outside the block: such an object gets no window.
    if (!row || o.size() < ObjectFixedSize(o->tag) || o->fixedsize < ObjectFixedSize(o->tag))
        return 1;
    DataSpan data;
    data.p = o.Data(&data.n);
    std::string text;
    DWORD style = row->style, exstyle = row->exstyle;
    switch (o->tag) {
    case TAG_BUTN:
    case TAG_CHEC:
    case TAG_RDIO:
    case TAG_EDIT:
    case TAG_TEXT:
        text = DataText(data);
        break;
    case TAG_MIDI:
        text = "MIDI";
        break;
    }
    if (o->tag == TAG_BUTN) {
        if (o->flags & OBJ_DEFAULT)
            style |= BS_DEFPUSHBUTTON;
        // Every look is drawn by the runtime, the system one too.
        style |= BS_OWNERDRAW;
    }
    if (o->tag == TAG_LIST && (o->flags & OBJ_TRANSPARENT))
        style |= LBS_SORT;
    if (o->tag == TAG_FRAM && (o->flags & OBJ_TRANSPARENT))
        exstyle |= WS_EX_TRANSPARENT;
    if (row->disabled && !(o->flags & OBJ_ENABLED))
        style |= WS_DISABLED;
    const RECT r = o->rect;
    HWND hwnd = CreateWindowExA(exstyle, row->cls, text.c_str(), style, r.left, r.top, RectWidth(&r),
                                RectDepth(&r), window, (HMENU)(UINT_PTR)o->number, hInst, NULL);
    if (!hwnd)
        return 1;
    SetWindowValue(hwnd, GWLP_USERDATA, object);
    if (row->subclassed)
        SetWindowValue<WNDPROC>(hwnd, GWLP_WNDPROC, row->proc);
    if (row->font)
        SendMessageA(hwnd, WM_SETFONT, (WPARAM)controlfont, 0);
    switch (o->tag) {
    case TAG_BUTN: {
        int s = page ? page->sequence : 0;
        uint32_t action = ((OBJECTBUTTON *)o.get())->action;
        if (((action == ACTION_FIRSTPAGE || action == ACTION_PREVIOUSPAGE) && s <= 1) ||
            ((action == ACTION_NEXTPAGE || action == ACTION_LASTPAGE) && s >= count - 1))
            EnableWindow(hwnd, FALSE);
        if (o->flags & OBJ_DEFAULT)
            SetFocus(hwnd);
        break;
    }
    case TAG_CHEC:
    case TAG_RDIO:
        if (o->flags & OBJ_SOFTCUSTOM)
            SendMessageA(hwnd, BM_SETCHECK, 1, 0);
        break;
    case TAG_LIST:
        AddListItems(hwnd, data);
        SendMessageA(hwnd, LB_SETCURSEL, ((OBJECTLISTBOX *)o.get())->selected, 0);
        break;
    }
    if (row->shown == 2 || (row->shown == 1 && (o->flags & OBJ_VISIBLE)))
        ShowWindow(hwnd, SW_SHOW);
    BringWindowToTop(hwnd);
    return 1;
}

int QV_AddAllControls(HWND window, BLOCK *page, HWND list)
{
    if (!IsPage(page))
        return 0;
    int count = (int)SendMessageA(list, LB_GETCOUNT, 0, 0);
    for (uint32_t i = 0, n = BlockObjectCount(page); i < n; i++) {
        HGLOBAL h = GetPageObject(page, i);
        bool isstatic;
        {
            ObjectRecord<> o(h);
            if (!o)
                continue;
            o->background = 0;
            isstatic = QV_IsObjectStatic(o.get());
        }
        if (!isstatic)
            QV_AddPageObject(window, h, page, count);
    }
    QV_DrawStaticObjects(window, page, list);
    std::string title;
    BLOCK header;
    std::string pagetitle = Field(page->page.title);
    if (GetHeaderBlock(list, page->blockset, &header)) {
        title = Field(header.hedr.title);
        if (!title.empty() && !pagetitle.empty())
            title += " - ";
    }
    title += pagetitle;
    SetWindowTextA(window, title.c_str());
    return 1;
}

int QV_DeletePageObject(HWND window, HGLOBAL object)
{
    ObjectRecord<> o(object);
    if (!o)
        return 0;
    if (o->background) {
        DeleteObject((HBITMAP)(UINT_PTR)o->background);
        o->background = 0;
    }
    if (HWND hwnd = GetDlgItem(window, (int)o->number))
        DestroyWindow(hwnd);
    return 1;
}

int QV_DeleteAllControls(HWND window, BLOCK *page)
{
    if (!IsPage(page))
        return 0;
    for (uint32_t i = 0, n = BlockObjectCount(page); i < n; i++)
        QV_DeletePageObject(window, GetPageObject(page, i));
    return 1;
}

void QV_GetBackground(HDC dc, OBJECTHEADER *o)
{
    if (o->tag == TAG_STAT && !o->background)
        o->background = (uint32_t)(UINT_PTR)CopyScreenToBitmap(dc, &o->rect);
}

int QV_DrawStaticObjects(HWND window, BLOCK *page, HWND)
{
    if (!IsPage(page))
        return 0;
    WindowDC dc(window);
    for (uint32_t i = 0, n = BlockObjectCount(page); i < n; i++) {
        ObjectRecord<> o(GetPageObject(page, i));
        if (!o || !QV_IsObjectStatic(o.get()))
            continue;
        QV_GetBackground(dc, o.get());
        DrawPageObject(window, dc, o.get());
    }
    return 1;
}
