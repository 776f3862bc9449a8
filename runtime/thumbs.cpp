// Printing what a window shows, and page thumbnails drawn off screen with
// the show window's background and object drawing.
#include "runtime/thumbs.h"
#include "common/modal.h"
#include "common/owners.h"
#include "common/shell.h"
#include "document/blockstore.h"
#include "document/objects.h"
#include "document/record.h"
#include "media/dib.h"
#include "media/scale.h"
#include "runtime/background.h"
#include "runtime/objdraw.h"
#include "runtime/runtime.h"
#include <windows.h>
#include <commdlg.h>
#include <winspool.h>
#include <algorithm>
#include <cstring>
#include <vector>

bool PlacePrintout(int pagewidth, int pageheight, int width, int height, PRINTPLACEMENT *out)
{
    if (pagewidth <= 0 || pageheight <= 0 || width <= 0 || height <= 0)
        return false;
    int64_t s = std::min((int64_t)pagewidth * 100 / width, (int64_t)pageheight * 100 / height);
    out->scale = (int)s;
    out->width = (int)((int64_t)width * s / 100);
    out->height = (int)((int64_t)height * s / 100);
    out->x = std::max(0, pagewidth - out->width) / 2;
    out->y = std::max(0, pageheight - out->height) / 2;
    return true;
}

int ThumbnailScale(int width, int height)
{
    if (width <= 0 || height <= 0)
        return 0;
    return (int)(std::min(320.0 / width, 160.0 / height) * 100);
}

bool SystemDefaultPrinter(char *name, size_t size)
{
    if (!size)
        return false;
    name[0] = 0;
    bool win95 = (GetVersion() & 0x80000000u) != 0;
    DWORD flags = win95 ? PRINTER_ENUM_DEFAULT : PRINTER_ENUM_LOCAL, level = win95 ? 5 : 4;
    DWORD needed = 0, count = 0;
    EnumPrintersA(flags, NULL, level, NULL, 0, &needed, &count);
    if (!needed)
        return false;
    std::vector<BYTE> buffer(needed);
    if (!EnumPrintersA(flags, NULL, level, buffer.data(), needed, &needed, &count) || !count)
        return false;
    const char *first = level == 5 ? ((PRINTER_INFO_5A *)buffer.data())->pPrinterName
                                   : ((PRINTER_INFO_4A *)buffer.data())->pPrinterName;
    if (!first || !*first)
        return false;
    size_t n = strnlen(first, size - 1);
    memcpy(name, first, n);
    name[n] = 0;
    return true;
}

static INT_PTR RunPrintDlg(const MODALCALL *call) { return PrintDlgA((PRINTDLGA *)call->data); }

int SystemPrintDialog(HWND owner, HGLOBAL *devmode, HDC *dc, int *copies)
{
    PRINTDLGA pd{};
    pd.lStructSize = sizeof pd;
    pd.hwndOwner = owner;
    pd.hDevMode = *devmode;
    pd.Flags = PD_RETURNDC | PD_NOPAGENUMS | PD_NOSELECTION;
    MODALCALL call{};
    call.kind = MODAL_COMMONDIALOG;
    call.parent = owner;
    call.name = "PrintDlg";
    call.data = &pd;
    call.run = RunPrintDlg;
    INT_PTR ok = COMMONModal(&call);
    *devmode = pd.hDevMode;
    if (pd.hDevNames)
        GlobalFree(pd.hDevNames);
    if (ok <= 0 || !pd.hDC) {
        if (pd.hDC)
            DeleteDC(pd.hDC);
        return 0;
    }
    *dc = pd.hDC;
    *copies = pd.nCopies ? pd.nCopies : 1;
    return 1;
}

void SystemPageSize(HDC dc, int *width, int *height)
{
    *width = GetDeviceCaps(dc, HORZRES);
    *height = GetDeviceCaps(dc, VERTRES);
}

void SystemReleaseDC(HDC dc) { DeleteDC(dc); }

// The window's client area (or the whole window) as a 24-bit DIB.
static HGLOBAL WindowPicture(HWND window, int whole)
{
    RECT r{};
    WindowDC dc(window, whole != 0);
    if (!dc)
        return NULL;
    if (whole) {
        GetWindowRect(window, &r);
        OffsetRect(&r, -r.left, -r.top);
    } else {
        GetClientRect(window, &r);
    }
    GdiObject<HBITMAP> bm(r.right > 0 && r.bottom > 0 ? CreateCompatibleBitmap(dc, r.right, r.bottom) : NULL);
    MemoryDC mem(dc);
    if (!mem.Select(bm))
        return NULL;
    BitBlt(mem, 0, 0, r.right, r.bottom, dc, 0, 0, SRCCOPY);
    mem.Restore();
    NewDib dib(CreateDib(r.right, r.bottom, nullptr, 24));
    if (!dib.ok() || GetDIBits(dc, bm, 0, r.bottom, (uint8_t *)dib.header + dib.layout.pixeloffset,
                               (BITMAPINFO *)dib.header, DIB_RGB_COLORS) != r.bottom)
        return NULL;
    return dib.Release();
}

int QV_DoPrintScreen(HWND window, int whole) { return QV_DoPrintScreen(window, whole, QV_ShowHostOf(window).printer); }

int QV_DoPrintScreen(HWND window, int whole, const PRINTERPROVIDER &provider)
{
    char title[261] = {};
    GetWindowTextA(window, title, sizeof title);
    HGLOBAL picture = WindowPicture(window, whole);
    if (!picture)
        return 0;
    int width = 0, height = 0, bits = 0;
    char rgb[768] = {};
    GetBitmapDimensions(picture, &width, &height, &bits, rgb);

    char printer[CCHDEVICENAME] = {};
    if (!provider.defaultprinter(printer, sizeof printer)) {
        COMMONMessageBox(window, "There is no printer to print to. Install a printer, then try again.", title,
                         MB_OK | MB_ICONEXCLAMATION);
        GlobalFree(picture);
        return 0;
    }
    HGLOBAL devmode = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, std::max<size_t>(148, sizeof(DEVMODEA)));
    if (GlobalLocked<DEVMODEA> dm(devmode); dm) {
        dm->dmSize = 148;
        dm->dmSpecVersion = 0x400;
        dm->dmFields = DM_ORIENTATION;
        memcpy(dm->dmDeviceName, printer, strlen(printer) + 1);
        dm->dmOrientation = width > height ? DMORIENT_LANDSCAPE : DMORIENT_PORTRAIT;
    }
    HDC dc = NULL;
    int copies = 1;
    int chosen = devmode ? provider.printdialog(window, &devmode, &dc, &copies) : 0;
    if (devmode)
        GlobalFree(devmode);
    if (!chosen || !dc) {
        GlobalFree(picture);
        return 1;
    }
    int pagewidth = 0, pageheight = 0;
    provider.pagesize(dc, &pagewidth, &pageheight);
    PRINTPLACEMENT place{};
    bool placed = PlacePrintout(pagewidth, pageheight, width, height, &place);
    HCURSOR cursor = SetCursor(LoadCursor(NULL, IDC_WAIT));
    HWND status = provider.showstatus ? provider.showstatus(window, title) : NULL;
    {
    DibLock lock(picture);
    for (int copy = 0; placed && lock.ok() && copy < copies; ++copy) {
        DOCINFOA doc{};
        doc.cbSize = sizeof doc;
        doc.lpszDocName = title;
        if (provider.startdoc(dc, &doc) <= 0)
            break;
        if (provider.startpage(dc) <= 0) {
            provider.abortdoc(dc);
            break;
        }
        PALSTATE pal{};
        RealizeWindowPalette(dc, &pal, rgb, bits <= 8 ? 1 << bits : 257);
        SetMapMode(dc, MM_TEXT);
        SetStretchBltMode(dc, bits == 1 ? BLACKONWHITE : COLORONCOLOR);
        StretchDIBits(dc, place.x, place.y, place.width, place.height, 0, 0, width, height,
                      (uint8_t *)lock.header + lock.layout.pixeloffset, (BITMAPINFO *)lock.header, DIB_RGB_COLORS,
                      SRCCOPY);
        GdiFlush();
        UnrealizeWindowPalette(dc, &pal);
        // A page the printer refused leaves no half-made job in its queue.
        if (provider.endpage(dc) <= 0) {
            provider.abortdoc(dc);
            break;
        }
        provider.enddoc(dc);
    }
    }
    provider.releasedc(dc);
    if (status && provider.closestatus)
        provider.closestatus(window, status);
    SetCursor(cursor);
    GlobalFree(picture);
    return 1;
}

namespace {

// A picture object drawn scaled by the DC's mapping, straight from its
// bits: a page drawn small reads only the pixels that land.
// A true-colour picture drawn much smaller than it is is first sampled down
// to the device pixels it covers, as the stretch would sample it, and that
// is drawn: the platform's stretch reads the whole picture, which made a
// thumbnail cost nearly what the page does at its full size.
static bool DrawSampled(HDC dc, const OBJECTHEADER *object, const BITMAPINFOHEADER *dib, const DIBLAYOUT &layout)
{
    if ((layout.bits != 24 && layout.bits != 32) || dib->biCompression != BI_RGB)
        return false;
    POINT corner[2] = {{object->rect.left, object->rect.top},
                       {object->rect.left + layout.width, object->rect.top + layout.height}};
    RECT clip;
    if (!LPtoDP(dc, corner, 2) || GetClipBox(dc, &clip) == ERROR || !LPtoDP(dc, (POINT *)&clip, 2))
        return false;
    const int width = corner[1].x - corner[0].x, height = corner[1].y - corner[0].y;
    if (width <= 0 || height <= 0 || width * 2 > layout.width || height * 2 > layout.height)
        return false;
    // Only the device pixels that land inside the picture are sampled: a
    // picture larger than the page costs what the page shows of it.
    const int left = std::max(0, (int)(std::min(clip.left, clip.right) - corner[0].x));
    const int top = std::max(0, (int)(std::min(clip.top, clip.bottom) - corner[0].y));
    const int right = std::min(width, (int)(std::max(clip.left, clip.right) - corner[0].x));
    const int bottom = std::min(height, (int)(std::max(clip.top, clip.bottom) - corner[0].y));
    if (right <= left || bottom <= top)
        return true;
    const int w = right - left, h = bottom - top;
    DIBLAYOUT small;
    if (!DibLayout(w, h, layout.bits, sizeof(BITMAPINFOHEADER), &small))
        return false;
    std::vector<uint8_t> block(small.total);
    BITMAPINFOHEADER header{};
    header.biSize = sizeof header;
    header.biWidth = w;
    header.biHeight = h;
    header.biPlanes = 1;
    header.biBitCount = (WORD)layout.bits;
    header.biCompression = BI_RGB;
    memcpy(block.data(), &header, sizeof header);
    // Each device pixel takes the picture's pixel under its top left corner,
    // counted from the picture's top left as the stretch counts.
    const int step = layout.bits / 8;
    std::vector<uint32_t> columns((size_t)w);
    for (int x = 0; x < w; x++)
        columns[(size_t)x] = (uint32_t)((int64_t)(left + x) * layout.width / width * step);
    const uint8_t *pixels = (const uint8_t *)dib + layout.pixeloffset;
    for (int y = 0; y < h; y++) {
        int64_t row = (int64_t)(top + h - 1 - y) * layout.height / height;
        const uint8_t *from = pixels + (size_t)(layout.height - 1 - row) * layout.rowbytes;
        uint8_t *to = block.data() + small.pixeloffset + (size_t)y * small.rowbytes;
        if (step == 3)
            for (int x = 0; x < w; x++, to += 3)
                memcpy(to, from + columns[(size_t)x], 3);
        else
            for (int x = 0; x < w; x++, to += 4)
                memcpy(to, from + columns[(size_t)x], 4);
    }
    // Drawn pixel for pixel in device units; the caller's saved DC state
    // brings its mapping back.
    SetMapMode(dc, MM_TEXT);
    SetWindowOrgEx(dc, 0, 0, NULL);
    SetViewportOrgEx(dc, 0, 0, NULL);
    StretchDIBits(dc, corner[0].x + left, corner[0].y + top, w, h, 0, 0, w, h, block.data() + small.pixeloffset,
                  (const BITMAPINFO *)block.data(), DIB_RGB_COLORS, SRCCOPY);
    return true;
}

bool DrawScaledPicture(HDC dc, OBJECTHEADER *object)
{
    if (object->tag != TAG_IMAG && object->tag != TAG_MOVI)
        return false;
    const char *data = ObjectData(object);
    DIBLAYOUT layout;
    auto *dib = (const BITMAPINFOHEADER *)data;
    if (object->datasize >= sizeof(BITMAPINFOHEADER) && DibHeaderLayout(dib, &layout) &&
        layout.total <= object->datasize && !DrawSampled(dc, object, dib, layout)) {
        SetStretchBltMode(dc, layout.bits == 1 ? BLACKONWHITE : COLORONCOLOR);
        StretchDIBits(dc, object->rect.left, object->rect.top, layout.width, layout.height, 0, 0, layout.width,
                      layout.height, data + layout.pixeloffset, (const BITMAPINFO *)dib, DIB_RGB_COLORS, SRCCOPY);
    }
    return true;
}

// Page `index` drawn into a new 24-bit DIB of width x depth (the page's own
// size when 0): 1 with the DIB in *out, 6 when the picture could not be
// drawn, 0 on other failures.
int RenderPage(HWND window, HWND list, BLOCK *page, unsigned index, int outwidth, int outdepth, HGLOBAL *out)
{
    BLOCK header{};
    if (!page || !GetBlock(list, 0, &header))
        return 0;
    char rgb[768];
    int palbits = 0;
    GetDefaultPalette(rgb, &palbits, 6);
    int width = header.hedr.width, depth = header.hedr.depth;
    if (width <= 0 || depth <= 0)
        return 0;
    if (outwidth <= 0 || outdepth <= 0)
        outwidth = width, outdepth = depth;
    const bool scaled = outwidth != width || outdepth != depth;
    HGLOBAL dib = CreateDib(outwidth, outdepth, rgb, 24);
    if (!dib)
        return 0;
    int result = 6;
    {
        DibLock lock(dib);
        WindowDC wdc(window);
        GdiObject<HBITMAP> section;
        MemoryDC mem(wdc);
        void *bits = nullptr;
        if (lock.ok() && wdc && mem)
            section.Reset(CreateDIBSection(mem, (BITMAPINFO *)lock.header, DIB_RGB_COLORS, &bits, NULL, 0));
        if (mem.Select(section)) {
            GdiFlush();
            // The page is drawn in its own coordinates whatever the size.
            SetMapMode(mem, scaled ? MM_ANISOTROPIC : MM_TEXT);
            if (scaled) {
                SetWindowExtEx(mem, width, depth, NULL);
                SetViewportExtEx(mem, outwidth, outdepth, NULL);
            }
            RECT r{0, 0, width, depth};
            DrawPageBackground(window, list, mem, index, &header, page, &r);
            uint32_t count = BlockObjectCount(page);
            for (uint32_t i = 0; i < count; ++i) {
                ObjectRecord<> object(GetPageObject(page, i));
                if (object.Whole()) {
                    SavedDC state(mem);
                    if (!scaled || !DrawScaledPicture(mem, object.get())) {
                        ErasePageObjectBackground(window, mem, object.get());
                        DrawPageObject(window, mem, object.get());
                    }
                }
            }
            GdiFlush();
            memcpy((uint8_t *)lock.header + lock.layout.pixeloffset, bits, (size_t)lock.layout.rowbytes * outdepth);
            result = 1;
        }
    }
    if (result != 1) {
        GlobalFree(dib);
        return result;
    }
    *out = dib;
    return 1;
}

void Keep(BLOCK *page, HGLOBAL dib)
{
    if (page->thumbnail)
        GlobalFree(page->thumbnail);
    page->thumbnail = dib;
}

} // namespace

int CreateViewImage(HWND window, HWND list, BLOCKSET *, BLOCK *page, unsigned index)
{
    HGLOBAL dib = NULL;
    int result = RenderPage(window, list, page, index, 0, 0, &dib);
    if (result != 1)
        return result;
    if (HighResDocumentWindow == 0) {
        int width = 0, depth = 0;
        GetBitmapDimensions(dib, &width, &depth, nullptr, nullptr);
        int s = ThumbnailScale(width, depth);
        int sx = s, sy = s;
        HGLOBAL scaled = s > 0 ? ScaleDib(dib, &sx, &sy, SCALE_PERCENT) : NULL;
        if (scaled) {
            GlobalFree(dib);
            dib = scaled;
        }
    }
    Keep(page, dib);
    return 1;
}

int CreatePageThumbnail(HWND window, HWND list, BLOCKSET *, BLOCK *page, unsigned index, int width, int depth)
{
    HGLOBAL dib = NULL;
    int result = width > 0 && depth > 0 ? RenderPage(window, list, page, index, width, depth, &dib) : 0;
    if (result == 1)
        Keep(page, dib);
    return result;
}
