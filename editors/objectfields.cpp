// Helpers of the property dialogs of buttons, frames, check boxes, radio
// buttons and static images.
#include "editors/objectfields.h"
#include "common/colour.h"
#include "common/paths.h"
#include "common/services.h"
#include "editor/shell.h"
#include "editors/objectdialogs.h"
#include "media/dib.h"
#include "media/draw.h"
#include "resources/objectdialogs1_ids.h"
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

void ShowObjectPlace(HWND dlg, const OBJECTHEADER *h, const int *spins)
{
    // A spin control writes its start into its field: the values come after.
    SetupObjectSpins(dlg, IDC_OBJWIDTH + IDC_OBJSPIN, IDC_OBJDEPTH + IDC_OBJSPIN, spins);
    SetDlgItemInt(dlg, IDC_OBJLEFT, (UINT)h->rect.left, FALSE);
    SetDlgItemInt(dlg, IDC_OBJTOP, (UINT)h->rect.top, FALSE);
    SetDlgItemInt(dlg, IDC_OBJWIDTH, (UINT)RectWidth(&h->rect), FALSE);
    SetDlgItemInt(dlg, IDC_OBJDEPTH, (UINT)RectDepth(&h->rect), FALSE);
    SetDlgItemInt(dlg, IDC_OBJNUMBER, h->number, FALSE);
}

uint32_t ReadBounded(HWND dlg, int id, uint32_t low, uint32_t high)
{
    char text[32] = "";
    GetDlgItemTextA(dlg, id, text, sizeof text);
    unsigned long long v = strtoull(text, nullptr, 10);
    return (uint32_t)std::clamp<unsigned long long>(v, low, std::max(low, high));
}

RECT ReadObjectPlace(HWND dlg, int width, int depth)
{
    // The page's coordinates end where the spin controls' range does.
    RECT r;
    r.left = (LONG)ReadBounded(dlg, IDC_OBJLEFT, 0, 32760);
    r.top = (LONG)ReadBounded(dlg, IDC_OBJTOP, 0, 32760);
    uint32_t low = (uint32_t)std::max(MinimumObjectSize, 1), high = (uint32_t)std::max(MaximumObjectSize, 1);
    r.right = r.left + (LONG)(width ? (uint32_t)width : ReadBounded(dlg, IDC_OBJWIDTH, low, high));
    r.bottom = r.top + (LONG)(depth ? (uint32_t)depth : ReadBounded(dlg, IDC_OBJDEPTH, low, high));
    return r;
}

void ShowFlags(HWND dlg, uint32_t flags, const FLAGBOX *boxes, size_t count)
{
    for (size_t i = 0; i < count; i++)
        CheckDlgButton(dlg, boxes[i].id, flags & boxes[i].bit ? BST_CHECKED : BST_UNCHECKED);
}

uint32_t ReadFlags(HWND dlg, uint32_t flags, const FLAGBOX *boxes, size_t count)
{
    for (size_t i = 0; i < count; i++)
        flags = IsDlgButtonChecked(dlg, boxes[i].id) == BST_CHECKED ? flags | boxes[i].bit : flags & ~boxes[i].bit;
    return flags;
}

HGLOBAL NewObjectBlock(const void *fixed, uint32_t fixedsize, uint32_t datasize)
{
    if (datasize > 0x7FFFFFFF - fixedsize - OBJECTSLACK)
        return NULL;
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, fixedsize + datasize + OBJECTSLACK);
    auto *h = block ? (OBJECTHEADER *)GlobalLock(block) : nullptr;
    if (!h) {
        if (block)
            GlobalFree(block);
        return NULL;
    }
    memcpy(h, fixed, fixedsize);
    h->fixedsize = fixedsize;
    h->datasize = datasize;
    h->totalsize = fixedsize + datasize;
    GlobalUnlock(block);
    return block;
}

uint32_t TextSize(HWND dlg, int id)
{
    return (uint32_t)GetWindowTextLengthA(GetDlgItem(dlg, id)) + 1;
}

void ShowSwatch(HWND dlg, int id, COLORREF colour)
{
    char text[40];
    snprintf(text, sizeof text, "%u,%u,%u", GetRValue(colour), GetGValue(colour), GetBValue(colour));
    SetDlgItemTextA(dlg, id, text);
    InvalidateRect(GetDlgItem(dlg, id), nullptr, TRUE);
}

bool ChooseObjectColour(HWND dlg, COLORREF *colour)
{
    char rgb[768] = {};
    int bits = 8;
    GetDefaultPalette(rgb, &bits, 6);
    COLORREF chosen = *colour;
    if (!SelectColour(dlg, (const unsigned char *)rgb, 16777216, &chosen))
        return false;
    *colour = chosen & 0xFFFFFF;
    return true;
}

void DrawSwatch(HWND dlg, const DRAWITEMSTRUCT *item, COLORREF colour)
{
    DrawColourButton(dlg, WM_DRAWITEM, item->CtlID, item, nullptr, colour);
}

bool HandleObjectHelp(HWND dlg, WPARAM wParam, const char *helpkey)
{
    if (LOWORD(wParam) != IDC_OBJHELP)
        return false;
    DoHelp(dlg, helpkey);
    return true;
}
