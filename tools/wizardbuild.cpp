// Turns the wizard's choices into a new, unsaved document: the header sized
// and coloured by the scheme, an optional cover and one page per picture,
// each picture fitted, centred and framed, with captions, page-turn timers
// and the navigation buttons. One decoded picture is held at a time.
#include "tools/wizard.h"
#include "common/msgdlg.h"
#include "common/paths.h"
#include "common/services.h"
#include "common/shell.h"
#include "common/strings.h"
#include "document/blockstore.h"
#include "document/objects.h"
#include "editor/docwindow.h"
#include "editor/shell.h"
#include "editor/shellservices.h"
#include "editor/tipfolder.h"
#include "media/dib.h"
#include "media/draw.h"
#include "media/imageformat.h"
#include "media/scale.h"
#include "resources/document_ids.h"
#include "resources/editordocs_ids.h"
#include "resources/resource.h"
#include "resources/wizard_ids.h"
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

int WizardGetScaleFactor(int areawidth, int areadepth, int width, int depth, int preserveaspect)
{
    if (width <= 0 || depth <= 0)
        return 0;
    int a = (int)((long long)areawidth * 100 / width);
    int b = (int)((long long)areadepth * 100 / depth);
    int p = preserveaspect ? std::min(a, b) : std::max(a, b);
    return p > 0 ? p : 0;
}

int WizardNavigationBand()
{
    return (int)(NavigationObjectVertical & 0x7FFF) + (int)DefaultButtonObjectDepth;
}

int WizardMargin(const WIZARDPARAM *w, int cover)
{
    bool clear = cover ? w->coverstyle == 3 : w->insidestyle == 1 || w->insidestyle == 2;
    return clear ? WizardNavigationBand() + 10 : 10;
}

bool WizardTextIsDark(COLORREF c)
{
    int r = GetRValue(c), g = GetGValue(c), b = GetBValue(c);
    return g * 59 / 100 + r * 30 / 100 + b * 11 / 100 <= 127;
}

void WizardCaption(const char *path, char *out, int size)
{
    std::string caption = COMMONFileNamePart(path);
    size_t dot = caption.rfind('.');
    if (dot != std::string::npos && dot > 0)
        caption.erase(dot);
    snprintf(out, (size_t)size, "%s", caption.c_str());
}

HGLOBAL WizardFitPicture(HGLOBAL picture, int areawidth, int areadepth, int resize, int preserveaspect)
{
    GlobalBlock held(picture);
    int w = 0, h = 0;
    if (areawidth <= 0 || areadepth <= 0 || !GetBitmapDimensions(held.get(), &w, &h, NULL, NULL) || w <= 0 || h <= 0)
        return NULL;
    if (resize) {
        int p = WizardGetScaleFactor(areawidth, areadepth, w, h, preserveaspect);
        // A picture that would shrink to nothing makes no page object.
        if (p <= 0 || (long long)w * p / 100 < 1 || (long long)h * p / 100 < 1)
            return NULL;
        if (p != 100) {
            HGLOBAL resized = ResizeDib(held.get(), p);
            if (!resized)
                return NULL;
            held.Reset(resized);
            if (!GetBitmapDimensions(held.get(), &w, &h, NULL, NULL) || w <= 0 || h <= 0)
                return NULL;
        }
    }
    if (w > areawidth || h > areadepth) {
        int x0 = std::max(0, (w - areawidth) / 2), y0 = std::max(0, (h - areadepth) / 2);
        RECT r = {x0, y0, x0 + std::min(w, areawidth), y0 + std::min(h, areadepth)};
        HGLOBAL cropped = CropImage(held.get(), &r);
        if (!cropped)
            return NULL;
        held.Reset(cropped);
    }
    return held.Release();
}

namespace {

struct Build {
    HWND owner, window, list;
    BLOCKSET *set;
    WIZARDPARAM *wizard;
    int W, H, N;
    const WIZARDCOLORSCHEME *scheme;
    bool dark;
};

void Say(HWND owner, unsigned id)
{
    DoMessage(owner, FetchString(id));
}

// Appends a made object to the page; a failure is reported and the object freed.
bool Append(const Build &b, BLOCK *page, HGLOBAL object)
{
    if (object && AppendPageObject(page, object))
        return true;
    Say(b.owner, IDS_OBJECTACCESSERROR);
    if (object)
        GlobalFree(object);
    return false;
}

template <class T, class F> bool Make(const Build &b, BLOCK *page, uint32_t tag, int x, int y, LONG_PTR data, F fill)
{
    HGLOBAL object = CreatePageObject(page, tag, (unsigned)(WORD)x | (unsigned)(WORD)y << 16, data);
    if (object) {
        GlobalLocked<T> o(object);
        if (!o) {
            GlobalFree(object);
            object = NULL;
        } else {
            fill(o.get());
        }
    }
    return Append(b, page, object);
}

void AddTimer(const Build &b, BLOCK *page, int delay, uint32_t action)
{
    Make<OBJECTTIMER>(b, page, TAG_TIME, 0, b.H - 32, 0, [&](OBJECTTIMER *t) {
        t->delay = (uint32_t)delay;
        t->action = action;
        t->header.flags |= OBJ_ENABLED;
    });
}

void AddText(const Build &b, BLOCK *page, const char *text, const char *face, int size, int weight, int italic,
             const RECT &rect)
{
    Make<OBJECTTEXT>(b, page, TAG_TEXT, 0, 0, (LONG_PTR)text, [&](OBJECTTEXT *t) {
        snprintf(t->face, sizeof t->face, "%s", face);
        t->size = size;
        t->weight = weight;
        t->colour = b.scheme->text;
        t->offset = 4;
        t->header.rect = rect;
        t->header.flags |= OBJ_TRANSPARENT | OBJ_CENTRED | (italic ? OBJ_ITALIC : 0) |
                           (b.dark ? OBJ_LOOP : OBJ_REMAP);
    });
}

RECT Band(const Build &b)
{
    return RECT{4, 4, b.W - 4, b.N - 4};
}

// The text's rectangle centred on the page, as the text measures in its font.
RECT CentredText(const Build &b, const char *text, const char *face, int size, int weight, int italic)
{
    RECT r = {0, 0, b.W, 1};
    WindowDC dc(b.owner);
    GdiObject<HFONT> font(CreateFontA(size, 0, 0, 0, weight, italic ? 1 : 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, face));
    if (dc) {
        SelectedObject chosen(dc, font);
        DrawTextA(dc, text ? text : "", -1, &r, DT_CALCRECT | DT_WORDBREAK | DT_CENTER | DT_NOPREFIX);
    }
    int width = r.right - r.left, depth = r.bottom - r.top;
    OffsetRect(&r, std::max(0, (b.W - width) / 2), std::max(0, (b.H - depth) / 2));
    InflateRect(&r, 4, 4);
    r.left = std::max(0L, r.left);
    r.top = std::max(0L, r.top);
    r.right = std::min((LONG)b.W, r.right);
    r.bottom = std::min((LONG)b.H, r.bottom);
    return r;
}

// Fits the picture to the page's area, then adds its frame and its static
// image. `picture` is replaced by the fitted picture; false, with `picture`
// NULL, when it could not be fitted (too small, or memory ran out).
bool PlacePicture(const Build &b, BLOCK *page, HGLOBAL &picture, int resize, int preserve, int T, int M)
{
    int aw = b.W - 2 * M, ad = b.H - 2 * M;
    picture = WizardFitPicture(picture, aw, ad, resize, preserve);
    int w = 0, h = 0;
    if (!picture || !GetBitmapDimensions(picture, &w, &h, NULL, NULL))
        return false;
    int x = M + (aw - w) / 2, y = M + (ad - h) / 2;
    if (T > 0)
        Make<OBJECTFRAME>(b, page, TAG_FRAM, 0, 0, 0, [&](OBJECTFRAME *f) {
            f->header.rect = RECT{x - T, y - T, x + w + T, y + h + T};
            f->type = 2;
            f->primary = b.scheme->primary;
            f->secondary = b.scheme->secondary;
            f->interior = b.scheme->background;
            f->thickness = (uint32_t)T;
            f->primaryselector = f->secondaryselector = f->interiorselector = COLOURSELECTOR_CUSTOM;
        });
    Make<OBJECTSTATICIMAGE>(b, page, TAG_STAT, x, y, (LONG_PTR)picture, [](OBJECTSTATICIMAGE *) {});
    return true;
}

int InsertPlaceholder(const Build &b)
{
    int count = (int)SendMessageA(b.list, LB_GETCOUNT, 0, 0);
    int at = std::clamp(b.set->caret, 0, std::max(0, count - 1)) + 1;
    LRESULT i = SendMessageA(b.list, LB_INSERTSTRING, (WPARAM)at, (LPARAM) " ");
    return i == LB_ERR || i == LB_ERRSPACE ? -1 : (int)i;
}

// Gives the placeholder its block, or takes the placeholder away: no item
// of the list is ever left without one.
bool Attach(const Build &b, int item, BLOCK *page)
{
    AddOptionalObjects(b.window, page);
    if (AllocateBlock(b.list, (unsigned)item, page)) {
        b.set->caret = item;
        return true;
    }
    Say(b.owner, IDS_MEMORY);
    DestroyBlock(page);
    SendMessageA(b.list, LB_DELETESTRING, (WPARAM)item, 0);
    return false;
}

void Drop(const Build &b, int item, BLOCK *page)
{
    if (page)
        DestroyBlock(page);
    if (item >= 0)
        SendMessageA(b.list, LB_DELETESTRING, (WPARAM)item, 0);
}

void MakeCover(const Build &b)
{
    WIZARDPARAM *w = b.wizard;
    int item = InsertPlaceholder(b);
    if (item < 0) {
        Say(b.owner, IDS_INSERTERROR);
        return;
    }
    BLOCK page;
    if (!CreateBlock(b.window, b.set, &page, TAG_PAGE, nullptr, 0)) {
        Say(b.owner, IDS_MEMORY);
        Drop(b, item, nullptr);
        return;
    }
    snprintf(page.page.title, sizeof page.page.title, "Cover");
    if (w->covertime > 0)
        AddTimer(b, &page, w->covertime, 3);
    if (w->coverpicture && w->coverstyle >= 2 && w->coverstyle <= 4)
        PlacePicture(b, &page, w->coverpicture, w->coverresize, w->coverpreserveaspect, w->coverframesize,
                     WizardMargin(w, 1));
    if (w->coverstyle == 1 || w->coverstyle == 3 || w->coverstyle == 4) {
        RECT r = w->coverstyle == 3 ? Band(b)
                                    : CentredText(b, w->covertext, w->coverfontname, w->covertextsize,
                                                  w->covertextweight, w->covertextital);
        AddText(b, &page, w->covertext, w->coverfontname, w->covertextsize, w->covertextweight, w->covertextital, r);
    }
    Attach(b, item, &page);
}

// The message that names a picture that could not be used, then asks or tells.
int AboutPicture(const Build &b, const char *path, unsigned id, bool ask)
{
    std::string text = std::string(path) + "\n\n" + FetchString(id);
    return ask ? DoYesNo(b.owner, text.c_str()) : DoMessage(b.owner, text.c_str());
}

// One picture page; false when the user chose to stop.
bool MakePicturePage(const Build &b, const char *path, bool last, unsigned &number)
{
    WIZARDPARAM *w = b.wizard;
    int item = InsertPlaceholder(b);
    HGLOBAL picture = item >= 0 ? LoadImageA(NULL, path, NULL, NULL) : NULL;
    if (!picture) {
        Drop(b, item, nullptr);
        return AboutPicture(b, path, IDS_WIZARDPAGEERROR, true) == IDYES;
    }
    BLOCK page;
    if (!CreateBlock(b.window, b.set, &page, TAG_PAGE, nullptr, 0)) {
        GlobalFree(picture);
        Say(b.owner, IDS_MEMORY);
        Drop(b, item, nullptr);
        return true;
    }
    if (w->insidetime > 0)
        AddTimer(b, &page, w->insidetime, last ? 1 : 3);
    bool placed = PlacePicture(b, &page, picture, w->insideresize, w->insidepreserveaspect, w->insideframesize,
                               WizardMargin(w, 0));
    if (picture)
        GlobalFree(picture); // the static image holds its own copy
    if (!placed) {
        Drop(b, item, &page);
        AboutPicture(b, path, IDS_WIZARDTOOSMALL, false);
        return true;
    }
    if (w->insidestyle == 2) {
        char caption[MAX_PATH];
        WizardCaption(path, caption, sizeof caption);
        AddText(b, &page, caption, w->insidefontname, w->insidetextsize, w->insidetextweight, w->insidetextital,
                Band(b));
    }
    snprintf(page.page.title, sizeof page.page.title, "Page %u", number);
    if (Attach(b, item, &page))
        number++;
    return true;
}

} // namespace

int WizardCreatePresentation(HWND owner, WIZARDPARAM *w)
{
    HCURSOR previous = SetCursor(LoadCursorA(NULL, IDC_WAIT));
    Build b{};
    b.owner = owner;
    b.wizard = w;
    const WIZARDDIMENSION &d = wizarddimension[std::clamp(w->dimensions, 0, WIZARDDIMENSIONS - 1)];
    b.W = d.width;
    b.H = d.height;
    b.N = WizardNavigationBand();
    b.scheme = &wizardcolorscheme[std::clamp(w->colourscheme, 0, WIZARDSCHEMES - 1)];
    b.dark = WizardTextIsDark(b.scheme->text);
    unsigned steps = w->coverstyle != 0, done = 0;
    for (const char *p = w->pictures; p && *p; p += strlen(p) + 1)
        steps++;
    OpenStatus();

    auto finish = [&](int result) {
        CloseStatus();
        SetCursor(previous);
        return result;
    };
    char folder[SETTINGTEXT];
    GetOpenPath(folder);
    b.window = CreateNewTask(owner, folder, 1);
    if (!b.window)
        return finish(0); // the document window has said why
    b.set = LockBlockSet(b.window);
    if (!b.set) {
        Say(owner, IDS_BLOCKACCESS);
        PostMessageA(b.window, WM_SYSCOMMAND, SC_CLOSE, 0);
        return finish(0);
    }
    if (!DoNew(owner, b.window, b.set)) {
        UnlockBlockSet(b.window);
        PostMessageA(b.window, WM_SYSCOMMAND, SC_CLOSE, 0);
        return finish(0);
    }
    b.list = GetDlgItem(b.window, IDC_BLOCKLIST);
    SetPathMenu(owner, folder);
    int count = (int)SendMessageA(b.list, LB_GETCOUNT, 0, 0);
    EnableCommands(b.set, count, 0);
    SetWindowTextA(b.window, b.set->path);

    BLOCK header;
    if (GetHeaderBlock(b.list, b.set, &header)) {
        header.hedr.colour = b.scheme->background;
        header.hedr.colourselector = COLOURSELECTOR_CUSTOM;
        header.hedr.width = b.W;
        header.hedr.depth = b.H;
        header.hedr.flags |= HEDR_EMBEDFONTS | HEDR_FIXEDCLIENT;
        PutBlock(b.list, 0, &header);
    }

    if (w->coverstyle != 0) {
        MakeCover(b);
        UpdateStatus(++done, steps);
    }
    unsigned number = 1;
    for (const char *p = w->pictures; p && *p; p += strlen(p) + 1) {
        bool last = p[strlen(p) + 1] == 0;
        if (!MakePicturePage(b, p, last, number))
            break;
        UpdateStatus(++done, steps);
    }

    SequenceBlocks(b.list, b.set);
    SetBlockTitles(b.list, b.set);
    AdjustHeader(b.list, b.set);
    AdjustListBox(b.list, b.set);
    SendMessageA(b.list, LB_SETTOPINDEX, 0, 0);
    b.set->modified = 1;
    ShowWindow(b.window, SW_SHOWNORMAL);
    UnlockBlockSet(b.window);
    return finish(1);
}
