// View runs the open document in the show window; Print puts the selected
// pages on paper, as many to a sheet as fit at the print settings' scale,
// through the print dialog with the captions' and footers' own controls.
#include "editor/viewprint.h"
#include "common/dialog.h"
#include "common/modal.h"
#include "common/msgdlg.h"
#include "common/owners.h"
#include "common/paths.h"
#include "common/services.h"
#include "common/shell.h"
#include "common/strings.h"
#include "editor/parts.h"
#include "editor/shell.h"
#include "editor/undo.h"
#include "editor/utilities.h"
#include "media/dib.h"
#include "resources/editorframe_ids.h"
#include "resources/viewprint_ids.h"
#include "runtime/runtime.h"
#include "runtime/thumbs.h"
#include <commctrl.h>
#include <cderr.h>
#include <commdlg.h>
#include <dlgs.h>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <new>

namespace {

constexpr UINT WMU_FONTCHOSEN = WM_USER + 101;
constexpr int FONTITEMHEIGHT = 18;
constexpr DWORD PRINTFLAGS = PD_NOSELECTION | PD_NOPAGENUMS | PD_RETURNDC | PD_SHOWHELP | PD_ENABLEPRINTHOOK |
                             PD_ENABLEPRINTTEMPLATE;
static_assert(PRINTFLAGS == 0x590C);

HWND StatusPrintBox(HWND owner, char *title);

// What the "printing" box shows, held from its creation to its end.
struct PRINTSTATUS {
    char text[300];
};

// The shows the editor opens, and the pages it prints, run in its program's
// host with the editor's own "printing" box in place of the host's.
SHOWHOST ViewHost()
{
    SHOWHOST host = EditorShowHost();
    host.printer.showstatus = StatusPrintBox;
    host.printer.closestatus = ClosePrintfromViewStatus;
    return host;
}

// What printing asks of the system, and what tests put in its place: the
// one place this file reaches the printer.
const PRINTERPROVIDER &Printer()
{
    static PRINTERPROVIDER printer;
    printer = ViewHost().printer;
    return printer;
}

HWND List(HWND window) { return GetDlgItem(window, IDC_BLOCKLIST); }

void Say(HWND window, unsigned id) { DoMessage(window, FetchString(id)); }

INT_PTR RunPrintDlg(const MODALCALL *call) { return PrintDlgA((PRINTDLGA *)call->data); }

bool NoPrinter(DWORD error)
{
    return error == PDERR_NODEFAULTPRN || error == PDERR_PRINTERNOTFOUND || error == PDERR_NODEVICES;
}

// The printer to offer first: the configured one up to its first comma, or
// the first the system lists; false when there is no printer at all.
bool ChoosePrinter(char (&device)[CCHDEVICENAME])
{
    char first[CCHDEVICENAME] = "";
    if (!Printer().defaultprinter(first, sizeof first))
        return false;
    size_t n = strcspn(DefaultPrinterName, ",");
    const char *name = n ? DefaultPrinterName : first;
    n = std::min(n ? n : strlen(first), sizeof device - 1);
    memcpy(device, name, n);
    device[n] = 0;
    return true;
}

HGLOBAL NewDevMode(const char *device)
{
    HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, std::max<size_t>(148, sizeof(DEVMODEA)));
    if (auto *dm = h ? (DEVMODEA *)GlobalLock(h) : nullptr) {
        dm->dmSpecVersion = 0x400;
        dm->dmSize = 148;
        dm->dmFields = DM_ORIENTATION;
        dm->dmOrientation = DMORIENT_PORTRAIT;
        memcpy(dm->dmDeviceName, device, strlen(device) + 1);
        GlobalUnlock(h);
    }
    return h;
}

void DrawLine(HDC dc, HFONT font, RECT r, const char *text)
{
    SelectedObject keep(dc, font);
    DrawTextExA(dc, (char *)text, -1, &r, DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS, NULL);
}

// One sheet being filled: where the next image goes and what it holds.
struct SHEET {
    int x = 0, y = 0;
    int images = 0;
    int number = 1;
};

void DrawFooter(HDC dc, HFONT font, const PRINTLAYOUT &layout, int pagewidth, int pageheight, const char *name,
                SHEET &sheet)
{
    if (!font || !sheet.images)
        return;
    char text[MAX_PATH + 32];
    snprintf(text, sizeof text, "%s - PAGE %d", name, sheet.number);
    DrawLine(dc, font, RECT{0, pageheight - (4 * layout.scale + layout.footer), pagewidth, pageheight}, text);
    sheet.number++;
}

void PrintImage(HDC dc, HGLOBAL dib, int x, int y, const PRINTLAYOUT &layout)
{
    int width = 0, height = 0, bits = 0;
    char rgb[768] = {};
    GetBitmapDimensions(dib, &width, &height, &bits, rgb);
    DibLock lock(dib);
    if (!lock.ok())
        return;
    PALSTATE pal{};
    RealizeWindowPalette(dc, &pal, rgb, bits <= 8 ? 1 << bits : 257);
    SetStretchBltMode(dc, bits == 1 ? BLACKONWHITE : COLORONCOLOR);
    StretchDIBits(dc, x, y, layout.width, layout.height, 0, 0, width, height,
                  (uint8_t *)lock.header + lock.layout.pixeloffset, (BITMAPINFO *)lock.header, DIB_RGB_COLORS, SRCCOPY);
    GdiFlush();
    UnrealizeWindowPalette(dc, &pal);
}

// One copy of the selected pages as a print job of its own: false when a
// new sheet could not be started, which ends the copies.
bool PrintCopy(HWND window, BLOCKSET *set, HDC dc, const PRINTLAYOUT &layout, int pagewidth, int pageheight,
               HFONT caption, HFONT footer, const char *name)
{
    DOCINFOA doc{};
    doc.cbSize = sizeof doc;
    doc.lpszDocName = name;
    if (Printer().startdoc(dc, &doc) <= 0)
        return true;
    if (Printer().startpage(dc) <= 0) {
        Printer().abortdoc(dc);
        return true;
    }
    HWND list = List(window);
    int count = (int)SendMessageA(list, LB_GETCOUNT, 0, 0);
    int selected = std::max(1, (int)SendMessageA(list, LB_GETSELCOUNT, 0, 0));
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, RGB(0, 0, 0));
    SHEET sheet;
    OpenStatus();
    StatusText(FetchString(IDS_PRINTING));
    for (int l = 0; l < count; l++) {
        UpdateStatus((unsigned)sheet.images, (unsigned)selected);
        BLOCK page;
        if (SendMessageA(list, LB_GETSEL, l, 0) <= 0 || !GetBlock(list, (unsigned)l, &page) || page.tag != TAG_PAGE)
            continue;
        // The next row and the next sheet are begun only for an image that
        // needs them, so no empty sheet ends the job.
        if (sheet.x > 0 && sheet.x + layout.width > pagewidth) {
            sheet.x = 0;
            sheet.y += layout.height + layout.gutter + layout.caption;
        }
        if (sheet.y > 0 && sheet.y + layout.height + layout.caption > pageheight - layout.footer) {
            DrawFooter(dc, footer, layout, pagewidth, pageheight, name, sheet);
            sheet.x = sheet.y = sheet.images = 0;
            if (Printer().endpage(dc) <= 0 || Printer().startpage(dc) <= 0) {
                CloseStatus();
                Printer().abortdoc(dc);
                return false;
            }
        }
        // A page that cannot be drawn keeps its place empty.
        if (HGLOBAL dib = CreatePrintImage(window, list, set, &page, l)) {
            PrintImage(dc, dib, sheet.x, sheet.y, layout);
            GlobalFree(dib);
            sheet.images++;
        }
        if (caption) {
            char text[32];
            snprintf(text, sizeof text, "PAGE %d", l);
            int top = sheet.y + layout.height + 2 * layout.scale;
            DrawLine(dc, caption, RECT{sheet.x, top, sheet.x + layout.width, top + layout.caption}, text);
        }
        sheet.x += layout.width + layout.gutter;
    }
    CloseStatus();
    DrawFooter(dc, footer, layout, pagewidth, pageheight, name, sheet);
    if (Printer().endpage(dc) > 0)
        Printer().enddoc(dc);
    else
        Printer().abortdoc(dc);
    return true;
}

HFONT PrintFont(int height)
{
    return height > 0 ? CreateFontA(height, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, PrinterFontName) : NULL;
}

// An up-down control set from its own window text: minimum, maximum and
// start, read with "%d,%d,%d".
void SetUpSpin(HWND dlg, int id)
{
    char text[64] = "";
    GetDlgItemTextA(dlg, id, text, sizeof text);
    int minimum = 0, maximum = 0, start = 0;
    int read = sscanf(text, "%d,%d,%d", &minimum, &maximum, &start);
    if (read >= 2)
        SendDlgItemMessageA(dlg, id, UDM_SETRANGE32, minimum, maximum);
    if (read >= 3)
        SendDlgItemMessageA(dlg, id, UDM_SETPOS32, 0, start);
}

// A size from a spin field; anything below 1 keeps the size held.
void ReadSize(HWND dlg, int id, int &size)
{
    int value = GetSpinValue(dlg, id);
    if (value >= 1)
        size = value;
}

void DrawFontItem(const DRAWITEMSTRUCT *item)
{
    if (item->itemID == (UINT)-1)
        return;
    HDC dc = item->hDC;
    bool selected = (item->itemState & ODS_SELECTED) != 0;
    FillRect(dc, &item->rcItem, selected ? GetSysColorBrush(COLOR_BTNSHADOW) : (HBRUSH)GetStockObject(WHITE_BRUSH));
    char face[LF_FACESIZE + 1] = "";
    LRESULT length = SendMessageA(item->hwndItem, CB_GETLBTEXTLEN, item->itemID, 0);
    if (length == CB_ERR || length >= (LRESULT)sizeof face)
        return;
    SendMessageA(item->hwndItem, CB_GETLBTEXT, item->itemID, (LPARAM)face);
    RECT r = item->rcItem;
    r.left += 4;
    // The selection field is in the dialog's font; the list shows each face
    // in itself.
    bool field = (item->itemState & ODS_COMBOBOXEDIT) != 0;
    GdiObject<HFONT> own(field ? NULL : CreateFontA(FONTITEMHEIGHT, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, face));
    HFONT font = field ? (controlfont ? controlfont : (HFONT)GetStockObject(DEFAULT_GUI_FONT)) : own.get();
    SelectedObject keep(dc, font);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, selected ? RGB(255, 255, 255) : RGB(0, 0, 0));
    DrawTextA(dc, face, -1, &r, DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
}

HWND StatusPrintBox(HWND owner, char *title) { return ShowPrintfromViewStatus(owner, title); }

} // namespace

PRINTLAYOUT PrintLayout(int pagewidth, int pageheight, int dpi, int width, int depth)
{
    PRINTLAYOUT layout{};
    width = std::max(width, 1);
    depth = std::max(depth, 1);
    dpi = std::max(dpi, 1);
    int resolution = std::max(PrinterResolution, 1), gutter = std::max(PrinterGutter, 0);
    // Coarser while the image and its gutter take more than half the
    // sheet's width, so that two fit across whenever the printer allows.
    for (int r = resolution;;) {
        layout.scale = std::max(dpi / r, 1);
        layout.width = (int)std::min<int64_t>((int64_t)width * layout.scale, INT_MAX / 4);
        layout.height = (int)std::min<int64_t>((int64_t)depth * layout.scale, INT_MAX / 4);
        layout.gutter = (int)std::min<int64_t>((int64_t)gutter * layout.scale, INT_MAX / 4);
        if (2LL * (layout.width + layout.gutter) <= pagewidth)
            break;
        r *= 2;
        if (r >= dpi)
            break;
    }
    int unit = std::max(dpi / resolution, 1);
    layout.caption = PrinterAnnotate ? unit * std::max(PrinterSmallFontSize, 1) : 0;
    layout.footer = PrinterShowFooter ? unit * std::max(PrinterLargeFontSize, 1) : 0;
    // A page larger than the sheet is made smaller, never cut.
    int64_t roomwidth = std::max(pagewidth, 1), roomheight = std::max(pageheight - layout.footer - layout.caption, 1);
    if (layout.width > roomwidth || layout.height > roomheight) {
        if (roomwidth * depth <= roomheight * width) {
            layout.width = (int)roomwidth;
            layout.height = (int)std::max<int64_t>(roomwidth * depth / width, 1);
        } else {
            layout.height = (int)roomheight;
            layout.width = (int)std::max<int64_t>(roomheight * width / depth, 1);
        }
    }
    return layout;
}

HGLOBAL CreatePrintImage(HWND window, HWND list, BLOCKSET *set, BLOCK *page, int index)
{
    BLOCK header;
    if (!page || index < 0 || !GetHeaderBlock(list, set, &header) || header.hedr.width <= 0 || header.hedr.depth <= 0)
        return NULL;
    // Drawn into a copy of the block: the page keeps its own thumbnail.
    BLOCK copy = *page;
    copy.thumbnail = NULL;
    if (CreatePageThumbnail(window, list, set, &copy, (unsigned)index, header.hedr.width, header.hedr.depth) != 1)
        return NULL;
    return copy.thumbnail;
}

int DoView(HWND window, BLOCKSET *set)
{
    unsigned long start = 1;
    if (GetKeyState(VK_SHIFT) < 0 && set->caret > 0)
        start = (unsigned long)set->caret;
    EnableAllWindows(0);
    int result = QV_CreateApplicationWindow(window, List(window), set, start, ViewHost());
    EnableAllWindows(1);
    return result;
}

int DoPrint(HWND window, BLOCKSET *set)
{
    HWND list = List(window);
    BLOCK header;
    if (!GetHeaderBlock(list, set, &header)) {
        BringWindowToTop(window);
        Say(window, IDS_BLOCKACCESS);
        return 0;
    }
    char device[CCHDEVICENAME];
    if (!ChoosePrinter(device)) {
        Say(window, IDS_NOPRINTER);
        return 1;
    }
    HGLOBAL devmode = NewDevMode(device);
    PRINTDLGA pd{};
    pd.lStructSize = sizeof pd;
    pd.hwndOwner = window;
    pd.hDevMode = devmode;
    pd.Flags = PRINTFLAGS;
    pd.nCopies = 1;
    pd.hInstance = hInst;
    pd.lpPrintTemplateName = MAKEINTRESOURCEA(IDD_PRINTDIALOG);
    pd.lpfnPrintHook = PrintHook;
    MODALCALL call{};
    call.kind = MODAL_COMMONDIALOG;
    call.parent = window;
    call.name = "PrintDlg";
    call.data = &pd;
    call.run = RunPrintDlg;
    INT_PTR chosen = COMMONModal(&call);
    DWORD error = chosen > 0 ? 0 : CommDlgExtendedError();
    // The dialog may have put settings of its own in place of ours; each
    // handle is freed once.
    if (pd.hDevMode)
        GlobalFree(pd.hDevMode);
    if (pd.hDevNames)
        GlobalFree(pd.hDevNames);
    if (chosen <= 0 || !pd.hDC) {
        if (pd.hDC)
            Printer().releasedc(pd.hDC);
        if (NoPrinter(error))
            Say(window, IDS_NOPRINTER);
        BringWindowToTop(window);
        return 1;
    }
    HDC dc = pd.hDC;
    int pagewidth = 0, pageheight = 0;
    Printer().pagesize(dc, &pagewidth, &pageheight);
    PRINTLAYOUT layout =
        PrintLayout(pagewidth, pageheight, GetDeviceCaps(dc, LOGPIXELSX), header.hedr.width, header.hedr.depth);
    GdiObject<HFONT> caption(PrintFont(layout.caption)), footer(PrintFont(layout.footer));
    HCURSOR cursor = SetCursor(LoadCursorA(NULL, IDC_WAIT));
    SetMapMode(dc, MM_TEXT);
    char name[MAX_PATH];
    snprintf(name, sizeof name, "%s", SubtractPath(set->path));
    for (int copy = 0; copy < std::max<int>(pd.nCopies, 1); copy++)
        if (!PrintCopy(window, set, dc, layout, pagewidth, pageheight, caption.get(), footer.get(), name))
            break;
    Printer().releasedc(dc);
    ClosePrintfromViewStatus(window, NULL);
    SetCursor(cursor);
    return 1;
}

UINT_PTR CALLBACK PrintHook(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_INITDIALOG:
        InitFontComboPrint(dlg, IDC_PRINTFONT, PrinterFontName);
        CheckDlgButton(dlg, IDC_PRINTANNOTATE, PrinterAnnotate ? BST_CHECKED : BST_UNCHECKED);
        CheckDlgButton(dlg, IDC_PRINTFOOTER, PrinterShowFooter ? BST_CHECKED : BST_UNCHECKED);
        SetUpSpin(dlg, IDC_PRINTSMALLSPIN);
        SetUpSpin(dlg, IDC_PRINTLARGESPIN);
        SetDlgItemInt(dlg, IDC_PRINTSMALLSIZE, (UINT)PrinterSmallFontSize, TRUE);
        SetDlgItemInt(dlg, IDC_PRINTLARGESIZE, (UINT)PrinterLargeFontSize, TRUE);
        CentreWindow(dlg);
        return 1;
    case WM_COMMAND:
        // Setting the controls up above changes nothing.
        if (!IsWindowVisible(dlg))
            break;
        switch (LOWORD(wParam)) {
        case IDC_PRINTANNOTATE:
            PrinterAnnotate = IsDlgButtonChecked(dlg, IDC_PRINTANNOTATE) == BST_CHECKED;
            break;
        case IDC_PRINTFOOTER:
            PrinterShowFooter = IsDlgButtonChecked(dlg, IDC_PRINTFOOTER) == BST_CHECKED;
            break;
        case IDC_PRINTSMALLSIZE:
        case IDC_PRINTSMALLSPIN:
            ReadSize(dlg, IDC_PRINTSMALLSIZE, PrinterSmallFontSize);
            break;
        case IDC_PRINTLARGESIZE:
        case IDC_PRINTLARGESPIN:
            ReadSize(dlg, IDC_PRINTLARGESIZE, PrinterLargeFontSize);
            break;
        case IDC_PRINTFONT:
            if (HIWORD(wParam) == CBN_CLOSEUP)
                PostMessageA(dlg, WMU_FONTCHOSEN, 1, 0);
            break;
        case pshHelp:
            DoHelp(dlg, "PRINT");
            break;
        }
        break;
    case WM_HELP:
        // F1 does what the Help button does.
        DoHelp(dlg, "PRINT");
        return 1;
    case WMU_FONTCHOSEN:
        if (wParam == 1) {
            char face[261] = "";
            if (GetDlgItemTextA(dlg, IDC_PRINTFONT, face, sizeof face) > 0)
                snprintf(PrinterFontName, sizeof PrinterFontName, "%s", face);
        }
        return 1;
    case WM_DRAWITEM:
        if (wParam == IDC_PRINTFONT) {
            DrawFontItem((const DRAWITEMSTRUCT *)lParam);
            return 1;
        }
        break;
    case WM_DESTROY:
        FreeComboBoxData(GetDlgItem(dlg, IDC_PRINTFONT));
        break;
    }
    return 0;
}

int CALLBACK ChooseFontEnumProcPrint(const LOGFONTA *font, const TEXTMETRICA *, DWORD, LPARAM combo)
{
    HWND box = (HWND)combo;
    if (!font->lfFaceName[0])
        return 1;
    LRESULT index = SendMessageA(box, CB_ADDSTRING, 0, (LPARAM)font->lfFaceName);
    if (index == CB_ERR || index == CB_ERRSPACE)
        return 1;
    size_t length = strnlen(font->lfFaceName, LF_FACESIZE);
    HGLOBAL name = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, length + 16);
    if (char *copy = name ? (char *)GlobalLock(name) : nullptr) {
        memcpy(copy, font->lfFaceName, length);
        GlobalUnlock(name);
    }
    SendMessageA(box, CB_SETITEMHEIGHT, index, FONTITEMHEIGHT);
    if (name && SendMessageA(box, CB_SETITEMDATA, index, (LPARAM)name) == CB_ERR)
        GlobalFree(name);
    return 1;
}

int InitFontComboPrint(HWND dlg, int id, const char *face)
{
    HWND box = GetDlgItem(dlg, id);
    if (HDC dc = GetDC(dlg)) {
        EnumFontFamiliesA(dc, NULL, (FONTENUMPROCA)ChooseFontEnumProcPrint, (LPARAM)box);
        ReleaseDC(dlg, dc);
    }
    SendMessageA(box, CB_SETITEMHEIGHT, (WPARAM)-1, FONTITEMHEIGHT);
    SendMessageA(box, CB_SELECTSTRING, (WPARAM)-1, (LPARAM)face);
    return 1;
}

void FreeComboBoxData(HWND combo)
{
    int count = (int)SendMessageA(combo, CB_GETCOUNT, 0, 0);
    for (int i = 0; i < count; i++) {
        LRESULT data = SendMessageA(combo, CB_GETITEMDATA, i, 0);
        if (data && data != CB_ERR) {
            GlobalFree((HGLOBAL)data);
            SendMessageA(combo, CB_SETITEMDATA, i, 0);
        }
    }
}

HWND ShowPrintfromViewStatus(HWND owner, const char *text)
{
    auto *status = new (std::nothrow) PRINTSTATUS;
    if (!status)
        return NULL;
    snprintf(status->text, sizeof status->text, "Printing %s", text ? text : "");
    // A box that is made frees its record as it goes; one that is not never
    // took it.
    HWND box = CreateDialogParamA(hInst, "PrintFromViewStatus", owner, PrintFromViewProc, (LPARAM)status);
    if (!box) {
        delete status;
        return NULL;
    }
    SetWindowTextA(box, text ? text : "");
    SetCapture(box);
    CentreWindow(box);
    SetWindowPos(box, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW | SWP_NOACTIVATE);
    UpdateWindow(box);
    return box;
}

void ClosePrintfromViewStatus(HWND owner, HWND box)
{
    if (box)
        DestroyWindow(box);
    ReleaseCapture();
    if (owner)
        BringWindowToTop(owner);
}

INT_PTR CALLBACK PrintFromViewProc(HWND box, UINT msg, WPARAM wParam, LPARAM lParam)
{
    // Esc does not close the box: printing does, when it is done.
    if (msg == WM_COMMAND && LOWORD(wParam) == IDCANCEL)
        return 0;
    INT_PTR answer;
    PRINTSTATUS *status;
    if (DialogOpening(box, msg, wParam, lParam, &answer, &status))
        return answer;
    if (msg == WM_NCDESTROY) {
        delete SetWindowValue<PRINTSTATUS *>(box, DWLP_USER, nullptr);
        return 0;
    }
    if (msg != WM_PAINT || !status)
        return 0;
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(box, &ps);
    RECT r;
    GetClientRect(box, &r);
    InflateRect(&r, -8, 0);
    {
        SelectedObject keep(dc, controlfont ? controlfont : (HFONT)GetStockObject(DEFAULT_GUI_FONT));
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
        DrawTextA(dc, status->text, -1, &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS);
    }
    EndPaint(box, &ps);
    return 1;
}

bool ViewPrintCommand(HWND window, BLOCKSET *set, UINT id)
{
    switch (id) {
    case IDM_VIEW:
        DoView(window, set);
        return true;
    case IDM_PRINT:
        DoPrint(window, set);
        return true;
    }
    return false;
}
