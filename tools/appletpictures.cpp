// The applet's pictures: packed DIBs that scripts draw by number, shown
// scaled in their list, handed to the paint program and exchanged with the
// clipboard.
#include "tools/appletlists.h"
#include "common/msgdlg.h"
#include "common/owners.h"
#include "common/services.h"
#include "common/shell.h"
#include "common/strings.h"
#include "document/applet.h"
#include "editor/paint.h"
#include "editors/editparam.h"
#include "media/dib.h"
#include "media/filedialogs.h"
#include "media/imageformat.h"
#include "resources/appletlists_ids.h"
#include "resources/resource.h"
#include "tools/appletentrylist.h"
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

INT_PTR CALLBACK SelectAppletPictureProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam);

namespace {

const int entrybuttons[] = {IDC_APPLETDELETE, IDC_APPLETPAINT, IDC_APPLETINFORMATION, IDC_APPLETCOPY,
                            IDC_APPLETCUT, 0};

void Say(HWND dlg, unsigned id)
{
    DoMessage(dlg, FetchString(id));
}

// The layout of an uncompressed picture whose bytes are all there; false
// otherwise.
bool PictureLayout(const BITMAPINFOHEADER *dib, SIZE_T length, DIBLAYOUT *layout)
{
    return length >= sizeof(BITMAPINFOHEADER) && dib->biCompression == BI_RGB && DibHeaderLayout(dib, layout) &&
           layout->total <= length;
}

// The header and colour table as GDI is to read them: the table whole and
// nothing in the header that would make GDI look further.
struct DRAWINFO {
    BITMAPINFOHEADER header;
    RGBQUAD colours[256];
};
DRAWINFO DrawInfo(const BITMAPINFOHEADER *dib, const DIBLAYOUT &layout)
{
    DRAWINFO info{};
    info.header = *dib;
    info.header.biSize = sizeof info.header;
    info.header.biClrUsed = info.header.biClrImportant = info.header.biSizeImage = 0;
    memcpy(info.colours, (const char *)dib + layout.tableoffset, layout.tableentries * sizeof(RGBQUAD));
    return info;
}

HGLOBAL Load(HWND, const char *path, uint32_t *kind)
{
    unsigned short bits = 0;
    *kind = ENTRY_PICT;
    return LoadImageA(NULL, path, NULL, &bits);
}

// Scaled by a whole percentage to fit inside the item, centred.
void Draw(HDC dc, const RECT &item, const void *entry, uint32_t length, RECT *area)
{
    const auto *dib = (const BITMAPINFOHEADER *)((const char *)entry + sizeof(OBJECTAPPLETENTRY));
    DIBLAYOUT layout;
    int width = item.right - item.left - 4, height = item.bottom - item.top - 4;
    if (width <= 0 || height <= 0 || !PictureLayout(dib, length, &layout))
        return;
    int64_t percent = std::min((int64_t)width * 100 / layout.width, (int64_t)height * 100 / layout.height);
    int w = (int)(layout.width * percent / 100), h = (int)(layout.height * percent / 100);
    int x = item.left + 2 + (width - w) / 2, y = item.top + 2 + (height - h) / 2;
    if (!w || !h)
        return;
    DRAWINFO info = DrawInfo(dib, layout);
    GdiObject<HBITMAP> bitmap(CreateDIBitmap(dc, &info.header, CBM_INIT, (const char *)dib + layout.pixeloffset,
                                             (const BITMAPINFO *)&info, DIB_RGB_COLORS));
    if (!bitmap)
        return;
    *area = RECT{x, y, x + w, y + h};
    PALSTATE palette{};
    if (layout.bits <= 8) {
        char rgb[PALETTEBYTES];
        RealizeWindowPalette(dc, &palette, rgb, GetDibPalette((const BITMAPINFO *)&info, rgb));
    }
    {
        MemoryDC memory(dc);
        if (memory.Select(bitmap)) {
            SetStretchBltMode(dc, layout.bits == 1 ? STRETCH_ORSCANS : STRETCH_DELETESCANS);
            StretchBlt(dc, x, y, w, h, memory, 0, 0, layout.width, layout.height, SRCCOPY);
        }
    }
    UnrealizeWindowPalette(dc, &palette);
}

// The selected entry's head and a copy of its picture, checked whole.
struct Selected {
    int index = -1;
    OBJECTAPPLETENTRY head{};
    GlobalBlock picture;
    DIBLAYOUT layout{};
};

bool GetSelected(HWND dlg, Selected *s)
{
    HGLOBAL entry = SelectedAppletEntry(dlg, &s->index);
    if (!entry || !GetObjectAppletEntryHeader(&s->head, entry))
        return false;
    s->picture.Reset(GetAppletEntryData(entry));
    GlobalLocked<const BITMAPINFOHEADER> dib(s->picture);
    return dib && PictureLayout(dib.get(), dib.size(), &s->layout);
}

void Paint(HWND dlg)
{
    Selected s;
    if (!GetSelected(dlg, &s)) {
        Say(dlg, IDS_MEMORY);
        return;
    }
    // The paint program says itself why nothing came back.
    GlobalBlock painted(DoPaintImage(dlg, s.picture.get()));
    if (!painted)
        return;
    HGLOBAL entry = InsertObjectAppletEntryHeader(painted.get(), &s.head);
    if (!entry) {
        Say(dlg, IDS_MEMORY);
        return;
    }
    ReplaceAppletListEntry(dlg, s.index, entry);
}

void Information(HWND dlg)
{
    Selected s;
    if (!GetSelected(dlg, &s)) {
        Say(dlg, IDS_MEMORY);
        return;
    }
    // Colours beyond 24 bits are the same 2^24 colours with a spare byte.
    long colours = 1L << std::min(s.layout.bits, 24);
    char text[512];
    snprintf(text, sizeof text, FetchString(IDS_PICTUREINFORMATION), (int)s.head.number, s.layout.width,
             s.layout.height, formatlong(colours));
    DoMessage(dlg, text);
}

// Paste needs a picture on the clipboard; Paint, besides an entry, a paint
// program to hand it to.
void UpdateOwnButtons(HWND dlg)
{
    EnableWindow(GetDlgItem(dlg, IDC_APPLETPASTE), IsClipboardFormatAvailable(CF_DIB));
    if (!PaintProgramKnown())
        EnableWindow(GetDlgItem(dlg, IDC_APPLETPAINT), FALSE);
}

// The picture and, for a picture with a colour table, its palette.
bool Copy(HWND dlg)
{
    Selected s;
    if (!SelectedAppletEntry(dlg))
        return false;
    if (!GetSelected(dlg, &s)) {
        Say(dlg, IDS_MEMORY);
        return false;
    }
    GdiObject<HPALETTE> palette;
    if (s.layout.bits <= 8) {
        GlobalLocked<const BITMAPINFO> dib(s.picture);
        DWORD used = dib->bmiHeader.biClrUsed;
        if (!used || used > s.layout.tableentries)
            used = s.layout.tableentries;
        std::vector<char> bytes(sizeof(LOGPALETTE) + used * sizeof(PALETTEENTRY));
        auto *log = (LOGPALETTE *)bytes.data();
        log->palVersion = 0x300;
        log->palNumEntries = (WORD)used;
        for (DWORD i = 0; i < used; i++)
            log->palPalEntry[i] = {dib->bmiColors[i].rgbRed, dib->bmiColors[i].rgbGreen, dib->bmiColors[i].rgbBlue, 0};
        palette.Reset(CreatePalette(log));
        if (!palette) {
            Say(dlg, IDS_MEMORY);
            return false;
        }
    }
    if (!OpenClipboard(hwndmain)) {
        Say(dlg, IDS_MEMORY);
        return false;
    }
    EmptyClipboard();
    bool ok = SetClipboardData(CF_DIB, s.picture.get()) != NULL;
    if (ok)
        s.picture.Release();
    if (ok && palette) {
        ok = SetClipboardData(CF_PALETTE, palette.get()) != NULL;
        if (ok)
            palette.Release();
    }
    CloseClipboard();
    if (!ok)
        Say(dlg, IDS_MEMORY);
    return ok;
}

// The clipboard's picture comes from any program: it is checked and copied
// as a picture read from a file is, and refused with the reason.
void Paste(HWND dlg)
{
    GlobalBlock copy;
    int fault = PICTURE_NOMEMORY;
    if (OpenClipboard(hwndmain)) {
        if (HGLOBAL dib = GetClipboardData(CF_DIB)) {
            GlobalLocked<const BITMAPINFOHEADER> picture(dib);
            if (picture)
                copy.Reset(HandedDibToDib(picture.get(), picture.size(), &fault));
        }
        CloseClipboard();
    }
    if (!copy) {
        Say(dlg, fault == PICTURE_DAMAGED      ? IDS_PASTEDPICTUREDAMAGED
                 : fault == PICTURE_COMPRESSED ? IDS_PASTEDPICTURECOMPRESSED
                 : fault == PICTURE_TOOLARGE   ? IDS_PASTEDPICTURETOOLARGE
                                               : IDS_MEMORY);
        return;
    }
    AddAppletListEntry(dlg, copy.get(), ENTRY_PICT);
}

bool Command(HWND dlg, int id)
{
    switch (id) {
    case IDC_APPLETPAINT:
        Paint(dlg);
        break;
    case IDC_APPLETINFORMATION:
        Information(dlg);
        break;
    case IDC_APPLETCOPY:
        Copy(dlg);
        break;
    case IDC_APPLETCUT:
        if (Copy(dlg))
            DeleteAppletListEntry(dlg);
        break;
    case IDC_APPLETPASTE:
        Paste(dlg);
        break;
    default:
        return false;
    }
    UpdateAppletListButtons(dlg);
    return true;
}

const APPLETLIST pictures{
    "AppletPictureBox", {ENTRY_PICT, 0}, entrybuttons, GetOpenMultipleImageFileName, Load, Draw, Command,
    UpdateOwnButtons, nullptr,
};

} // namespace

INT_PTR CALLBACK SelectAppletPictureProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam)
{
    return AppletListMessage(dlg, msg, wParam, lParam);
}

int SelectAppletPicture(HWND owner, EDITPARAM *param)
{
    return RunAppletList(owner, param, pictures, SelectAppletPictureProc);
}
