// The background choice the header editor and page properties share.
#include "editors/backgroundchoice.h"
#include "common/msgdlg.h"
#include "common/owners.h"
#include "common/strings.h"
#include "document/objects.h"
#include "editor/filedialogs.h"
#include "editor/tipfolder.h"
#include "editors/editparam.h"
#include "editors/objectfields.h"
#include "media/dib.h"
#include "media/draw.h"
#include "media/imageformat.h"
#include "media/reduce.h"
#include "resources/headereditor_ids.h"
#include "resources/resource.h"

static void Repaint(HWND dlg, int id)
{
    InvalidateRect(GetDlgItem(dlg, id), NULL, TRUE);
}

int FirstBlockObject(BLOCK *block, uint32_t tag)
{
    uint32_t n = BlockObjectCount(block);
    for (uint32_t i = 0; i < n; i++) {
        GlobalLocked<OBJECTHEADER> o(GetPageObject(block, i));
        if (o && o.size() >= sizeof(OBJECTHEADER) && o->tag == tag)
            return (int)i;
    }
    return -1;
}

void ShowBackgroundChoice(HWND dlg, const BACKGROUNDIDS &ids, bool picture)
{
    CheckRadioButton(dlg, ids.solid, ids.picture, picture ? ids.picture : ids.solid);
    EnableWindow(GetDlgItem(dlg, ids.select), picture);
    EnableWindow(GetDlgItem(dlg, ids.drawn), picture);
    Repaint(dlg, ids.sample);
}

void ShowColourChoice(HWND dlg, const BACKGROUNDIDS &ids, uint32_t last, uint32_t selector, COLORREF colour)
{
    ShowSwatch(dlg, IDC_BACKCOLOUR, colour);
    FillColourKinds(GetDlgItem(dlg, ids.kinds), last + 1, selector);
    EnableWindow(GetDlgItem(dlg, IDC_BACKCOLOUR), selector == COLOURSELECTOR_CUSTOM);
}

LRESULT ReadColourKind(HWND dlg, const BACKGROUNDIDS &ids, uint32_t last, uint32_t *selector)
{
    LRESULT kind = SendDlgItemMessageA(dlg, ids.kinds, CB_GETCURSEL, 0, 0);
    if (kind >= 0 && kind <= (LRESULT)last)
        *selector = (uint32_t)kind;
    return kind;
}

void TakeColourKind(HWND dlg, const BACKGROUNDIDS &ids, uint32_t last, uint32_t *selector)
{
    LRESULT kind = ReadColourKind(dlg, ids, last, selector);
    EnableWindow(GetDlgItem(dlg, IDC_BACKCOLOUR), kind == (LRESULT)COLOURSELECTOR_CUSTOM);
    Repaint(dlg, ids.sample);
}

void PickBackColour(HWND dlg, const BACKGROUNDIDS &ids, uint32_t *colour)
{
    COLORREF chosen = *colour;
    if (PickColour(dlg, &chosen))
        *colour = chosen;
    ShowSwatch(dlg, IDC_BACKCOLOUR, *colour);
    Repaint(dlg, ids.sample);
    Repaint(dlg, ids.kinds);
}

bool ChooseBackgroundPicture(HWND dlg, HGLOBAL *dib)
{
    char path[MAX_PATH] = "";
    GetOpenPath(path);
    if (!GetOpenImageFileName(dlg, path))
        return false;
    SetOpenPath(path);
    *dib = LoadImageA(NULL, path, NULL, NULL);
    if (!*dib)
        DoMessage(dlg, FetchString(IDS_ERRREAD));
    return true;
}

void DrawBackgroundSample(const DRAWITEMSTRUCT *item, COLORREF colour, HGLOBAL dib)
{
    HBRUSH brush = CreateSolidBrush(colour);
    FillRect(item->hDC, &item->rcItem, brush);
    DeleteObject(brush);
    if (!dib)
        return;
    GlobalBlock dithered(DitherForDisplay(dib));
    if (dithered)
        dib = dithered.get();
    RECT inner = item->rcItem, drawn;
    InflateRect(&inner, -2, -2);
    char rgb[PALETTEBYTES];
    int count = 0;
    {
        GlobalLocked<BITMAPINFO> info(dib);
        if (info && info.size() >= sizeof(BITMAPINFOHEADER))
            count = GetDibPalette(info.get(), rgb);
    }
    PALSTATE state{};
    if (count > 0)
        RealizeWindowPalette(item->hDC, &state, rgb, count);
    COMMONDrawBitmapInRect(item->hDC, &inner, dib, &drawn);
    if (count > 0)
        UnrealizeWindowPalette(item->hDC, &state);
}

void DrawBackgroundPart(const DRAWITEMSTRUCT *item, const EDITPARAM *p, const BACKGROUNDIDS &ids, COLORREF own,
                        HGLOBAL dib)
{
    if ((int)item->CtlID == ids.sample)
        DrawBackgroundSample(item, GetBlockBackgroundColour(p->hwnd, p->block), dib);
    else if (item->CtlID == IDC_BACKCOLOUR)
        DrawSwatch(item, own);
    else if ((int)item->CtlID == ids.kinds)
        DrawColourKind(item, own);
    if (dib)
        GlobalFree(dib);
}
