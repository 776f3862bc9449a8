// Page properties: a page's title, background and click behaviour.
#include "common/dialog.h"
#include "common/modal.h"
#include "common/msgdlg.h"
#include "common/owners.h"
#include "common/paths.h"
#include "common/services.h"
#include "common/shell.h"
#include "common/strings.h"
#include "document/objects.h"
#include "document/records.h"
#include "editor/blocks.h"
#include "editor/tipfolder.h"
#include "editors/editparam.h"
#include "editors/headereditor.h"
#include "editors/backgroundchoice.h"
#include "editors/headerpreview.h"
#include "editors/objectfields.h"
#include "media/filedialogs.h"
#include "media/imageformat.h"
#include "resources/document_ids.h"
#include "resources/headereditor_ids.h"
#include "resources/resource.h"
#include <cstdio>
#include <cstring>

namespace {

constexpr uint32_t PAGE_TILED = 0x08, PAGE_DRAWN = 0x10, PAGE_CLICKCLOSE = 0x1000, PAGE_CLICKNEXT = 0x2000;
constexpr uint32_t BACKFIXEDSIZE = 108;

const FLAGBOX flagboxes[] = {
    {IDC_PAGETILED, PAGE_TILED},
    {IDC_PAGEDRAWN, PAGE_DRAWN},
    {IDC_PAGECLOSE, PAGE_CLICKCLOSE},
    {IDC_PAGENEXT, PAGE_CLICKNEXT},
};

const BACKGROUNDIDS background{IDC_PAGESOLID, IDC_PAGEPICTURE, IDC_PAGESELECT, IDC_PAGEDRAWN, IDC_PAGEKIND, IDC_PAGESAMPLE};

struct PAGEPROPERTIES {
    EDITPARAM param; // first: the preview window receives its address
    HGLOBAL picture; // the working background picture object, or NULL
};

bool Checked(HWND dlg, int id)
{
    return IsDlgButtonChecked(dlg, id) == BST_CHECKED;
}

// The background object holding `dib` whole, or NULL.
HGLOBAL MakeBackground(HGLOBAL dib)
{
    GlobalLocked<uint8_t> bits(dib);
    SIZE_T n = bits ? GlobalSize(dib) : 0;
    if (!n || n > 0x40000000)
        return NULL;
    GlobalBlock h = GlobalBlock::Alloc(BACKFIXEDSIZE + n);
    GlobalLocked<OBJECTHEADER> o(h);
    if (!o)
        return NULL;
    memset(o.get(), 0, BACKFIXEDSIZE);
    o->tag = TAG_BAKI;
    o->totalsize = BACKFIXEDSIZE + (uint32_t)n;
    o->fixedsize = BACKFIXEDSIZE;
    o->datasize = (uint32_t)n;
    memcpy((uint8_t *)o.get() + BACKFIXEDSIZE, bits.get(), n);
    o.Unlock();
    return h.Release();
}

void Repaint(HWND dlg, int id)
{
    InvalidateRect(GetDlgItem(dlg, id), NULL, TRUE);
}

void Init(HWND dlg, PAGEPROPERTIES *s)
{
    PAGERECORD &page = s->param.block->page;
    s->picture = NULL;
    int i = FirstBlockObject(s->param.block, TAG_BAKI);
    if (i >= 0)
        s->picture = DuplicateObject(GetPageObject(s->param.block, (unsigned)i));
    SendDlgItemMessageA(dlg, IDC_PAGETITLE, EM_LIMITTEXT, TITLECHARS, 0);
    page.title[TITLESIZE - 1] = 0;
    SetDlgItemTextA(dlg, IDC_PAGETITLE, page.title);
    ShowFlags(dlg, page.flags, flagboxes, std::size(flagboxes));
    ShowBackgroundChoice(dlg, background, s->picture != NULL);
    ShowColourChoice(dlg, background, COLOURSELECTOR_HEADER, page.colourselector, page.colour);
    SetFocus(GetDlgItem(dlg, IDOK));
    CentreWindow(dlg);
}

// The title, the check boxes and the kind as the dialog shows them.
void Store(HWND dlg, PAGERECORD &page)
{
    page.flags = ReadFlags(dlg, page.flags, flagboxes, std::size(flagboxes));
    GetDlgItemTextA(dlg, IDC_PAGETITLE, page.title, TITLESIZE);
    ReadColourKind(dlg, background, COLOURSELECTOR_HEADER, &page.colourselector);
}

void Select(HWND dlg, PAGEPROPERTIES *s)
{
    HGLOBAL dib;
    if (!ChooseBackgroundPicture(dlg, &dib))
        return;
    if (dib) {
        // The picture held so far stays until its successor is whole.
        HGLOBAL object = MakeBackground(dib);
        GlobalFree(dib);
        if (object) {
            if (s->picture)
                GlobalFree(s->picture);
            s->picture = object;
        } else {
            DoMessage(dlg, FetchString(IDS_MEMORY));
        }
    }
    Repaint(dlg, IDC_PAGESAMPLE);
}

void Ok(HWND dlg, PAGEPROPERTIES *s)
{
    BLOCK *page = s->param.block;
    Store(dlg, page->page);
    int i = FirstBlockObject(page, TAG_BAKI);
    if (i >= 0)
        DeletePageObject(page, (unsigned)i);
    if (Checked(dlg, IDC_PAGESOLID) && s->picture) {
        GlobalFree(s->picture);
        s->picture = NULL;
    }
    if (s->picture && !AppendPageObject(page, s->picture)) {
        DoMessage(dlg, FetchString(IDS_OBJECTACCESSERROR));
        GlobalFree(s->picture);
    }
    s->picture = NULL;
    if (!*page->page.title)
        snprintf(page->page.title, TITLESIZE, "%s", FetchString(IDS_UNTITLED));
    EndDialog(dlg, 1);
}

void Preview(HWND dlg, PAGEPROPERTIES *s)
{
    BLOCK header;
    if (!GetHeaderBlock(GetDlgItem(s->param.hwnd, IDC_BLOCKLIST), s->param.blockset, &header)) {
        DoMessage(dlg, FetchString(IDS_OBJECTACCESSERROR));
        return;
    }
    PAGERECORD &page = s->param.block->page;
    Store(dlg, page);
    RunPreview(dlg, &s->param, page.title, header.hedr.flags & HEDR_WINDOWSTYLE, header.hedr.width,
               header.hedr.depth);
}

void Command(HWND dlg, PAGEPROPERTIES *s, int id, int code)
{
    PAGERECORD &page = s->param.block->page;
    switch (id) {
    case IDOK:
        Ok(dlg, s);
        break;
    case IDC_PAGESOLID:
    case IDC_PAGEPICTURE:
        ShowBackgroundChoice(dlg, background, id == IDC_PAGEPICTURE);
        break;
    case IDC_PAGESELECT:
        Select(dlg, s);
        break;
    case IDC_PAGETITLE:
        if (IsWindowVisible(dlg))
            GetDlgItemTextA(dlg, id, page.title, TITLESIZE);
        break;
    case IDC_PAGEKIND:
        if (code == CBN_SELENDOK)
            TakeColourKind(dlg, background, COLOURSELECTOR_HEADER, &page.colourselector);
        break;
    case IDC_PAGECLOSE:
    case IDC_PAGENEXT:
        if (Checked(dlg, id))
            CheckDlgButton(dlg, id == IDC_PAGECLOSE ? IDC_PAGENEXT : IDC_PAGECLOSE, BST_UNCHECKED);
        break;
    case IDC_BACKCOLOUR:
        PickBackColour(dlg, background, &page.colour);
        break;
    case IDC_BACKPREVIEW:
        Preview(dlg, s);
        break;
    }
}

void DrawItem(const DRAWITEMSTRUCT *item, PAGEPROPERTIES *s)
{
    HGLOBAL dib = item->CtlID == IDC_PAGESAMPLE && s->picture ? GetBackImage(s->picture) : NULL;
    DrawBackgroundPart(item, &s->param, background, s->param.block->page.colour, dib);
}

void Destroy(HWND, PAGEPROPERTIES *s)
{
    if (s && s->picture) {
        GlobalFree(s->picture);
        s->picture = NULL;
    }
}

const BACKGROUNDDIALOG<PAGEPROPERTIES> pagedialog{"PAGE", Init, Command, DrawItem, Destroy};

} // namespace

INT_PTR CALLBACK EditPagePropertiesProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam)
{
    return BackgroundDialogMessage(dlg, msg, wParam, lParam, pagedialog);
}

int EditPageProperties(HWND parent, BLOCKSET *set, BLOCK *block, unsigned index, HWND owner)
{
    BLOCK work;
    if (!DuplicateBlock(&work, block)) {
        DoMessage(owner ? owner : parent, FetchString(IDS_MEMORY));
        return 0;
    }
    PAGEPROPERTIES s{};
    s.param.hwnd = parent;
    s.param.blockset = set;
    s.param.block = &work;
    s.param.index = index;
    // The window the user works in waits, disabled, until the dialog ends.
    INT_PTR result = COMMONDialogBox(hInst, "EditPagePropertiesBox", owner ? owner : parent, EditPagePropertiesProc,
                                     (LPARAM)&s, nullptr);
    if (result == 1) {
        DestroyBlock(block);
        *block = work;
    } else {
        DestroyBlock(&work);
    }
    return result == 1;
}
