#include "common/about.h"
#include "common/buttons.h"
#include "common/dialog.h"
#include "common/guard.h"
#include "common/modal.h"
#include "common/msgdlg.h"
#include "common/owners.h"
#include "common/paths.h"
#include "common/services.h"
#include "common/shell.h"
#include "common/strings.h"
#include "common/windowvalue.h"
#include "resources/dialogs_ids.h"
#include <mmsystem.h>
#include <cstdio>
#include <cstring>

// The about box's buttons in the bevelled look of the show's buttons.
static void DrawAboutButton(const DRAWITEMSTRUCT *item, const ABOUTPARAM *p)
{
    COMMONDrawBevelledButton(item->hDC, item->hwndItem, &item->rcItem, (item->itemState & ODS_SELECTED) != 0,
                             (item->itemState & ODS_DISABLED) != 0, 6, 6, p->face, p->dark, p->light, p->text,
                             p->shadow);
}

namespace {

constexpr int IDC_ABOUTCREDITS = 501, IDC_ABOUTSUPPORT = 504, IDC_ABOUTWEB = 505, IDC_ABOUTLABEL = 506,
              IDC_ABOUTHOTSPOT = 508, IDC_ABOUTNOTICE = 1999;
constexpr UINT_PTR LOGOTIMER = 2;

const char NOTICEHOLDER[] = " - a presentation builder";
const char NOTICESTRIP[] = "Showbinder: pages, pictures, sounds and applets in one file.";

struct LOGOPARAM {
    HGLOBAL bitmap;
    COLORREF background;
    HWND window;
    TEXTSTYLE style;
    RECT text;
};

LOGOPARAM logo;
COLORREF noticecolour;

HGLOBAL LoadPicture(int id)
{
    HRSRC res = FindResourceA(hInst, MAKEINTRESOURCEA(id), (LPCSTR)RT_BITMAP);
    return res ? LoadResource(hInst, res) : NULL;
}

// The picture's size, or false when there is none to be had.
bool PictureSize(HGLOBAL resource, int &width, int &height)
{
    const BITMAPINFOHEADER *bi = resource ? (const BITMAPINFOHEADER *)LockResource(resource) : NULL;
    if (!bi || bi->biSize < sizeof(BITMAPINFOHEADER))
        return false;
    width = bi->biWidth;
    height = bi->biHeight < 0 ? -bi->biHeight : bi->biHeight;
    return width > 0 && height > 0;
}

// Copies the packed DIB of a bitmap resource to (x, y); false when nothing
// could be drawn.
bool DrawPicture(HDC dc, int x, int y, HGLOBAL resource)
{
    const BITMAPINFOHEADER *bi = resource ? (const BITMAPINFOHEADER *)LockResource(resource) : NULL;
    if (!bi || bi->biSize < sizeof(BITMAPINFOHEADER))
        return false;
    int bits = bi->biBitCount;
    int entries = bits <= 8 ? 1 << bits : 0;
    HPALETTE pal = NULL, oldpal = NULL;
    const RGBQUAD *table = (const RGBQUAD *)((const BYTE *)bi + bi->biSize);
    if (entries) {
        struct {
            WORD version, count;
            PALETTEENTRY entry[256];
        } lp{0x300, (WORD)entries, {}};
        for (int i = 0; i < entries; i++)
            lp.entry[i] = PALETTEENTRY{table[i].rgbRed, table[i].rgbGreen, table[i].rgbBlue, 0};
        pal = CreatePalette((LOGPALETTE *)&lp);
        if (pal) {
            oldpal = SelectPalette(dc, pal, FALSE);
            RealizePalette(dc);
        }
    }
    bool drawn = false;
    GdiObject<HBITMAP> bm(CreateDIBitmap(dc, bi, CBM_INIT, table + entries, (const BITMAPINFO *)bi, DIB_RGB_COLORS));
    if (bm) {
        MemoryDC mem(dc);
        if (mem.Select(bm))
            drawn = BitBlt(dc, x, y, bi->biWidth, bi->biHeight < 0 ? -bi->biHeight : bi->biHeight, mem.dc, 0, 0,
                           SRCCOPY) != 0;
    }
    if (pal) {
        SelectPalette(dc, oldpal, FALSE);
        DeleteObject(pal);
    }
    return drawn;
}

void FillBackground(HWND hwnd, HDC dc, COLORREF colour)
{
    RECT r;
    GetClientRect(hwnd, &r);
    GdiObject<HBRUSH> brush(CreateSolidBrush(colour));
    FillRect(dc, &r, brush);
}

// A position of the record: negative values count from the right or bottom.
int Place(int value, int extent) { return value < 0 ? extent + value : value; }

HWND AddButton(HWND dlg, const ABOUTPARAM *p, int id, const char *text, int x, int y, bool owner)
{
    DWORD style = WS_CHILD | WS_VISIBLE | WS_TABSTOP;
    if (owner)
        style |= BS_OWNERDRAW;
    else if (id == IDOK)
        style |= BS_DEFPUSHBUTTON;
    HWND b = CreateWindowExA(WS_EX_TRANSPARENT, "BUTTON", text, style, x, y, 98, 27, dlg,
                             (HMENU)(INT_PTR)id, hInst, NULL);
    SendMessageA(b, WM_SETFONT, (WPARAM)p->buttonfont, FALSE);
    return b;
}

void OpenAddress(HWND dlg, const char *address)
{
    if (!address || !address[0])
        return;
    char target[MAX_PATH], anchor[MAX_PATH];
    COMMONSplitHTMLReference(target, anchor, address);
    ViewHTMLDocument(dlg, target, anchor, 1);
}

void InitAbout(HWND dlg, ABOUTPARAM *p)
{
    int width, height;
    int fx = GetSystemMetrics(SM_CXDLGFRAME), fy = GetSystemMetrics(SM_CYDLGFRAME);
    if (PictureSize(p->bitmap, width, height))
        SetWindowPos(dlg, NULL, 0, 0, width + 2 * fx, height + 2 * fy, SWP_NOMOVE | SWP_NOZORDER);
    else
        SetWindowPos(dlg, NULL, 0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN),
                     SWP_NOMOVE | SWP_NOZORDER);
    RECT w;
    GetWindowRect(dlg, &w);
    int ww = w.right - w.left, wh = w.bottom - w.top;
    bool owner = p->devicebits >= 9 && p->drawbutton;
    int x = Place(p->buttonx, ww), y = Place(p->buttony, wh);
    struct {
        int id;
        const char *text;
        bool present;
    } buttons[] = {{IDOK, "OK", true},
                   {IDC_ABOUTCREDITS, "Credits", p->credits != nullptr},
                   {IDC_ABOUTWEB, "Web page", p->web && p->web[0]},
                   {IDC_ABOUTSUPPORT, "Support", p->support && p->support[0]}};
    for (auto &b : buttons)
        if (b.present) {
            AddButton(dlg, p, b.id, b.text, x, y, owner);
            y += 35;
        }
    if (p->hidden && p->hotwidth > 0 && p->hotheight > 0)
        CreateWindowExA(0, "BUTTON", "", WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_OWNERDRAW, Place(p->hotx, ww),
                        Place(p->hoty, wh), p->hotwidth, p->hotheight, dlg, (HMENU)(INT_PTR)IDC_ABOUTHOTSPOT, hInst,
                        NULL);
    char text[256];
    const char *notice = p->noticeholder ? p->noticeholder : "";
    if (p->patch)
        snprintf(text, sizeof text, "Version %d.%d%c (patch %d)%s", p->major, p->minor, p->letter, p->patch, notice);
    else
        snprintf(text, sizeof text, "Version %d.%d%c%s", p->major, p->minor, p->letter, notice);
    HWND label = CreateWindowExA(0, "BUTTON", text, WS_CHILD | WS_VISIBLE | BS_OWNERDRAW, Place(p->labelx, ww),
                                 Place(p->labely, wh), p->labelwidth, 20, dlg, (HMENU)(INT_PTR)IDC_ABOUTLABEL, hInst,
                                 NULL);
    SendMessageA(label, WM_SETFONT, (WPARAM)p->label.font, FALSE);
    SetWindowValue<const TEXTSTYLE *>(label, GWLP_USERDATA, &p->label);
    SetFocus(GetDlgItem(dlg, IDOK));
    UpdateAboutDialog(dlg, p->notice, 0, SS_RIGHT);
    CentreWindow(dlg);
}

struct OFFSET {
    HWND parent;
    int dx, dy;
};

} // namespace

void COMMONDrawOutlinedText(HDC dc, const char *text, const RECT *rect, const TEXTSTYLE *style)
{
    static const struct {
        UINT bit;
        int dx, dy;
    } copies[] = {{0x08, 1, 1}, {0x02, 1, -1}, {0x20, -1, 1}, {0x80, -1, -1},
                  {0x10, 0, 1}, {0x01, 0, -1}, {0x04, 1, 0},  {0x40, -1, 0}};
    RECT r = *rect;
    InflateRect(&r, -1, -1);
    SetBkMode(dc, TRANSPARENT);
    SelectedObject font(dc, style->font);
    if (style->outline != 0xFFFFFFFF) {
        SetTextColor(dc, style->outline);
        for (const auto &c : copies)
            if (style->flags & c.bit) {
                RECT moved = r;
                OffsetRect(&moved, c.dx, c.dy);
                DrawTextA(dc, text, -1, &moved, style->format);
            }
    }
    SetTextColor(dc, style->text);
    DrawTextA(dc, text, -1, &r, style->format);
}

int DoAbout(HWND parent)
{
    ABOUTPARAM p{};
    p.major = 2;
    p.minor = 0;
    p.letter = 'a';
    p.patch = 59;
    p.bitmapid = devicebits <= 8 ? IDB_ABOUT8 : IDB_ABOUT;
    p.buttonx = -114;
    p.buttony = -218;
    p.labelx = 244;
    p.labely = 222;
    p.labelwidth = 420;
    p.hotx = 424;
    p.hoty = 326;
    p.hotwidth = 28;
    p.hotheight = 28;
    p.devicebits = devicebits;
    p.background = 0x008D9CAF;
    p.face = 0x00858300;
    p.dark = 0x005C5A00;
    p.light = 0x00DFDB00;
    p.text = 0x00FFFFFF;
    p.shadow = 0x005C5A00;
    p.notice = 0x00BFBFBF;
    p.bitmap = LoadPicture(p.bitmapid);
    p.support = "http://www.quellwick.example/support/index.htm#showbuilder";
    p.web = "http://www.quellwick.example/index.htm";
    p.noticeholder = NOTICEHOLDER;
    GdiObject<HFONT> labelfont(CreateFontA(16, 0, 0, 0, 400, 0, 0, 0, 0, 0, 0, ANTIALIASED_QUALITY, 0, "Arial"));
    GdiObject<HFONT> buttonfont(
        CreateFontA(16, 0, 0, 0, 400, 0, 0, 0, 0, 0, 0, ANTIALIASED_QUALITY, 0, ControlFontName));
    p.label = TEXTSTYLE{0x00FFFFFF, 0x00000000, DT_RIGHT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX, 0x08, labelfont};
    p.buttonfont = buttonfont;
    p.credits = [](HWND dlg) { DoCredits(dlg); };
    p.hidden = DoSecretScreenOne;
    p.drawbutton = DrawAboutButton;
    int result = (int)COMMONDialogBox(hInst, MAKEINTRESOURCEA(IDD_ABOUT), parent, COMMONDoAboutProc, (LPARAM)&p, NULL);
    if (p.bitmap)
        FreeResource(p.bitmap);
    return result;
}

static INT_PTR COMMONDoAboutMessage(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSTATIC: {
        // Controls show the picture behind them.
        HGDIOBJ none = GetStockObject(NULL_BRUSH);
        UnrealizeObject(none);
        return (INT_PTR)none;
    }
    }
    INT_PTR answer;
    ABOUTPARAM *p;
    if (DialogOpening(dlg, msg, wParam, lParam, &answer, &p))
        return answer;
    if (!p)
        return FALSE;
    switch (msg) {
    case WM_INITDIALOG:
        InitAbout(dlg, p);
        return FALSE;
    case WM_ERASEBKGND:
        if (!DrawPicture((HDC)wParam, 0, 0, p->bitmap))
            FillBackground(dlg, (HDC)wParam, p->background);
        return TRUE;
    case WM_DRAWITEM: {
        const DRAWITEMSTRUCT *item = (const DRAWITEMSTRUCT *)lParam;
        if (item->CtlType != ODT_BUTTON)
            return FALSE;
        if (item->CtlID == IDC_ABOUTLABEL) {
            char text[256] = "";
            GetWindowTextA(item->hwndItem, text, sizeof text);
            const TEXTSTYLE *style = GetWindowValue<const TEXTSTYLE *>(item->hwndItem, GWLP_USERDATA);
            TEXTSTYLE plain{0x00FFFFFF, 0xFFFFFFFF, DT_NOPREFIX | DT_WORDBREAK, 0, NULL};
            COMMONDrawOutlinedText(item->hDC, text, &item->rcItem, style ? style : &plain);
        } else if ((item->CtlID == IDOK || (item->CtlID >= 501 && item->CtlID <= 505)) && p->drawbutton) {
            p->drawbutton(item, p);
        }
        return TRUE;
    }
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDOK:
            EndDialog(dlg, 1);
            return TRUE;
        case IDC_ABOUTCREDITS:
            if (p->credits)
                p->credits(dlg);
            return TRUE;
        case IDC_ABOUTWEB:
            OpenAddress(dlg, p->web);
            return TRUE;
        case IDC_ABOUTSUPPORT:
            OpenAddress(dlg, p->support);
            return TRUE;
        case IDC_ABOUTHOTSPOT:
            if (p->hidden)
                p->hidden(dlg);
            return TRUE;
        }
        return FALSE;
    case WM_DESTROY:
        SetWindowValue<LONG_PTR>(dlg, DWLP_USER, 0);
        return FALSE;
    }
    return FALSE;
}

INT_PTR CALLBACK COMMONDoAboutProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam)
{
    return COMMONGuard(dlg, msg, [&] { return COMMONDoAboutMessage(dlg, msg, wParam, lParam); });
}

int UpdateAboutDialog(HWND dlg, COLORREF colour, int, DWORD style)
{
    RECT r;
    GetClientRect(dlg, &r);
    HWND strip = CreateWindowExA(0, "STATIC", NOTICESTRIP, WS_CHILD | WS_VISIBLE | style, 10, 2, r.right - r.left - 20,
                                 15, dlg, (HMENU)(INT_PTR)IDC_ABOUTNOTICE, hInst, NULL);
    if (!strip)
        return 1;
    HFONT font = CreateFontA(13, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, "ARIAL");
    SetWindowValue(strip, GWLP_USERDATA, font);
    SetWindowValue<WNDPROC>(strip, GWLP_WNDPROC, UpdateAboutDialogSubclass);
    SendMessageA(strip, ABOUTM_SETUP, 0, (LPARAM)colour);
    return 1;
}

static LRESULT UpdateAboutDialogSubclassMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    HFONT font = GetWindowValue<HFONT>(hwnd, GWLP_USERDATA);
    switch (msg) {
    case ABOUTM_SETUP:
        noticecolour = (COLORREF)lParam;
        SendMessageA(hwnd, WM_SETFONT, (WPARAM)font, TRUE);
        return 0;
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(hwnd, &ps);
        char text[256] = "";
        GetWindowTextA(hwnd, text, sizeof text);
        RECT r;
        GetClientRect(hwnd, &r);
        LONG style = GetWindowValue<LONG>(hwnd, GWL_STYLE);
        UINT format = DT_NOPREFIX | DT_WORDBREAK;
        if ((style & SS_TYPEMASK) == SS_RIGHT)
            format |= DT_RIGHT;
        else if ((style & SS_TYPEMASK) == SS_CENTER)
            format |= DT_CENTER;
        SelectedObject chosen(dc, font);
        // Drawn letters can run a few pixels past their measured width, and
        // the text's own rectangle would cut them: an average letter kept
        // free on the right, and only the strip's edges clipping, let the
        // last one show.
        TEXTMETRICA tm{};
        if (GetTextMetricsA(dc, &tm) && r.right > tm.tmAveCharWidth)
            r.right -= tm.tmAveCharWidth;
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, noticecolour);
        DrawTextA(dc, text, -1, &r, format | DT_NOCLIP);
        EndPaint(hwnd, &ps);
        return 0;
    }
    case WM_DESTROY:
        SetWindowValue<HFONT>(hwnd, GWLP_USERDATA, NULL);
        if (font)
            DeleteObject(font);
        break;
    }
    return CallWindowProcA((WNDPROC)GetClassLongPtrA(hwnd, GCLP_WNDPROC), hwnd, msg, wParam, lParam);
}

LRESULT CALLBACK UpdateAboutDialogSubclass(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    return COMMONGuard(hwnd, msg, [&] { return UpdateAboutDialogSubclassMessage(hwnd, msg, wParam, lParam); });
}

BOOL CALLBACK OffsetAllChildWindowsProc(HWND child, LPARAM lParam)
{
    const OFFSET *o = (const OFFSET *)lParam;
    // Grandchildren move with their parents.
    if (GetParent(child) != o->parent)
        return TRUE;
    RECT r;
    GetWindowRect(child, &r);
    POINT p{r.left, r.top};
    ScreenToClient(o->parent, &p);
    SetWindowPos(child, NULL, p.x + o->dx, p.y + o->dy, 0, 0, SWP_NOZORDER | SWP_NOSIZE | SWP_NOACTIVATE);
    return TRUE;
}

void OffsetAllChildWindows(HWND hwnd, int dx, int dy)
{
    OFFSET o{hwnd, dx, dy};
    EnumChildWindows(hwnd, OffsetAllChildWindowsProc, (LPARAM)&o);
}

int DoCredits(HWND parent)
{
    return (int)COMMONDialogBox(hInst, MAKEINTRESOURCEA(IDD_CREDITS), parent, CreditsDlgProc, 0, NULL);
}

static INT_PTR CreditsDlgMessage(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam)
{
    INT_PTR answer;
    if (COMMONDialogMessage(dlg, msg, wParam, lParam, &answer))
        return answer;
    switch (msg) {
    case WM_INITDIALOG: {
        char text[5 * FETCHSTRINGSIZE + 256] = "";
        for (int i = 0; i < 5; i++)
            strncat(text, FetchString(IDS_CREDITS + i), sizeof text - strlen(text) - 1);
        SetDlgItemTextA(dlg, IDC_CREDITSTEXT, text);
        SetFocus(GetDlgItem(dlg, IDOK));
        CentreWindow(dlg);
        return FALSE;
    }
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK) {
            EndDialog(dlg, 1);
            return TRUE;
        }
        return FALSE;
    }
    return FALSE;
}

INT_PTR CALLBACK CreditsDlgProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam)
{
    return COMMONGuard(dlg, msg, [&] { return CreditsDlgMessage(dlg, msg, wParam, lParam); });
}

namespace {
struct SECRET {
    HBRUSH black;
    HFONT font1, font2;
    HGLOBAL sound;
};
} // namespace

int DoSecretScreenOne(HWND parent)
{
    SECRET s{};
    return COMMONDialogBox(hInst, MAKEINTRESOURCEA(IDD_SECRET), parent, SecretScreenOneDlgProc, (LPARAM)&s, NULL) == 1;
}

static INT_PTR SecretScreenOneDlgMessage(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam)
{
    SECRET *s = DialogState<SECRET>(dlg);
    switch (msg) {
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSTATIC:
        if (s && s->black) {
            HDC dc = (HDC)wParam;
            SetBkColor(dc, 0);
            SetTextColor(dc, 0x00EAF5F5);
            SetBkMode(dc, TRANSPARENT);
            POINT origin{0, 0};
            ClientToScreen(dlg, &origin);
            SetBrushOrgEx(dc, origin.x, origin.y, NULL);
            return (INT_PTR)s->black;
        }
        break;
    }
    INT_PTR answer;
    if (DialogOpening(dlg, msg, wParam, lParam, &answer, &s))
        return answer;
    if (!s)
        return FALSE;
    switch (msg) {
    case WM_INITDIALOG: {
        s->black = CreateSolidBrush(0);
        s->font1 = CreateFontA(16, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, "Arial");
        s->font2 = CreateFontA(16, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, "Arial");
        SendDlgItemMessageA(dlg, IDC_SECRETTEXT1, WM_SETFONT, (WPARAM)s->font1, FALSE);
        SendDlgItemMessageA(dlg, IDC_SECRETTEXT2, WM_SETFONT, (WPARAM)s->font1, FALSE);
        SendDlgItemMessageA(dlg, IDC_SECRETTEXT3, WM_SETFONT, (WPARAM)s->font2, FALSE);
        HRSRC res = FindResourceA(hInst, MAKEINTRESOURCEA(IDR_SECRETSOUND), (LPCSTR)RT_RCDATA);
        s->sound = res ? LoadResource(hInst, res) : NULL;
        if (const void *wave = s->sound ? LockResource(s->sound) : NULL)
            sndPlaySoundA((const char *)wave, SND_MEMORY | SND_ASYNC | SND_NOSTOP);
        SetFocus(GetDlgItem(dlg, IDOK));
        CentreWindow(dlg);
        return FALSE;
    }
    case WM_DRAWITEM:
        if (wParam == IDC_SECRETPICTURE) {
            const DRAWITEMSTRUCT *item = (const DRAWITEMSTRUCT *)lParam;
            HGLOBAL picture = LoadPicture(IDB_SECRET);
            if (picture) {
                DrawImage(item->hDC, 1, 1, picture, SRCCOPY);
                FreeResource(picture);
            }
            SelectedObject pen(item->hDC, GetStockObject(WHITE_PEN));
            SelectedObject brush(item->hDC, GetStockObject(NULL_BRUSH));
            const RECT &r = item->rcItem;
            Rectangle(item->hDC, r.left, r.top, r.right, r.bottom);
            return TRUE;
        }
        return FALSE;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK) {
            EndDialog(dlg, 1);
            return TRUE;
        }
        return FALSE;
    case WM_DESTROY:
        // However the screen ends, its sound stops and its objects go.
        if (s->sound) {
            sndPlaySoundA(NULL, 0);
            FreeResource(s->sound);
        }
        if (s->black)
            DeleteObject(s->black);
        if (s->font1)
            DeleteObject(s->font1);
        if (s->font2)
            DeleteObject(s->font2);
        *s = SECRET{};
        return FALSE;
    }
    return FALSE;
}

INT_PTR CALLBACK SecretScreenOneDlgProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam)
{
    return COMMONGuard(dlg, msg, [&] { return SecretScreenOneDlgMessage(dlg, msg, wParam, lParam); });
}

static void CloseLogo()
{
    if (logo.style.font)
        DeleteObject(logo.style.font);
    logo.style.font = NULL;
    if (logo.window && IsWindow(logo.window)) {
        DestroyWindow(logo.window);
        UnregisterClassA(szLogoClassName, hInst);
    }
    logo.window = NULL;
    if (logo.bitmap)
        FreeResource(logo.bitmap);
    logo.bitmap = NULL;
}

void CALLBACK LogoTimerProc(HWND, UINT msg, UINT_PTR id, DWORD)
{
    if (msg == WM_TIMER && id == LOGOTIMER)
        CloseLogo();
}

HWND COMMONLogoWindow() { return logo.window && IsWindow(logo.window) ? logo.window : NULL; }

void RaiseLogo()
{
    // Only showing it afresh brings it up again there; a new place in the
    // z-order alone does not.
    if (HWND w = COMMONLogoWindow()) {
        ShowWindow(w, SW_HIDE);
        SetWindowPos(w, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
        UpdateWindow(w);
    }
}

void OpenLogo(HWND parent)
{
    if (logo.window)
        CloseLogo();
    logo = LOGOPARAM{};
    if (!ShowStartupWindow)
        return;
    logo.bitmap = LoadPicture(IDB_LOGO);
    logo.background = 0x008D9CAF;
    logo.style = TEXTSTYLE{0x00FFFFFF, 0x00000000, DT_RIGHT | DT_WORDBREAK, 0x08, NULL};
    int width, height;
    if (!PictureSize(logo.bitmap, width, height)) {
        if (logo.bitmap)
            FreeResource(logo.bitmap);
        logo.bitmap = NULL;
        return;
    }
    logo.style.font = CreateFontA(16, 0, 0, 0, 700, 0, 0, 0, 0, 0, 0, ANTIALIASED_QUALITY, 0, "Arial");
    int w = width + 2 + 2 * GetSystemMetrics(SM_CXBORDER), h = height + 2 + 2 * GetSystemMetrics(SM_CYBORDER);
    logo.text = RECT{w - 392, h - 58, w - 12, h - 8};
    snprintf(szLogoClassName, sizeof szLogoClassName, "%s%s", szAppName, "StartupScreen");
    WNDCLASSA wc{};
    wc.style = CS_HREDRAW | CS_VREDRAW | CS_OWNDC;
    wc.lpfnWndProc = LogoProc;
    wc.hInstance = hInst;
    wc.hIcon = LoadIcon(NULL, IDI_APPLICATION);
    wc.hCursor = LoadCursor(NULL, IDC_WAIT);
    wc.hbrBackground = logobrush;
    wc.lpszClassName = szLogoClassName;
    RegisterClassA(&wc);
    logo.window = CreateWindowExA(0, szLogoClassName, "", WS_POPUP | WS_BORDER, 0, 0, w, h, parent, NULL, hInst, NULL);
    if (!logo.window) {
        CloseLogo();
        return;
    }
    ShowWindow(logo.window, SW_SHOWNORMAL);
    UpdateWindow(logo.window);
    SetWindowTextA(logo.window, FetchString(IDS_LOGONOTICE));
    SendMessageA(logo.window, ABOUTM_SETUP, 0, (LPARAM)&logo);
    SetWindowPos(logo.window, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    SetTimer(logo.window, LOGOTIMER, (UINT)LogoDelay, LogoTimerProc);
    SetFocus(logo.window);
}

static LRESULT LogoMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_CREATE:
        CentreWindow(hwnd);
        return 0;
    case WM_ERASEBKGND: {
        HDC dc = (HDC)wParam;
        RECT r;
        GetClientRect(hwnd, &r);
        {
            GdiObject<HPEN> white(CreatePen(PS_INSIDEFRAME, 1, RGB(255, 255, 255)));
            SelectedObject pen(dc, white);
            SelectedObject brush(dc, GetStockObject(NULL_BRUSH));
            Rectangle(dc, r.left, r.top, r.right, r.bottom);
        }
        if (!DrawPicture(dc, 1, 1, logo.bitmap)) {
            RECT inner = r;
            InflateRect(&inner, -1, -1);
            GdiObject<HBRUSH> back(CreateSolidBrush(logo.background));
            FillRect(dc, &inner, back);
        }
        char text[256] = "";
        GetWindowTextA(hwnd, text, sizeof text);
        COMMONDrawOutlinedText(dc, text, &logo.text, &logo.style);
        return 1;
    }
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
        LogoTimerProc(hwnd, WM_TIMER, LOGOTIMER, 0);
        return 0;
    case ABOUTM_SETUP:
        InvalidateRect(hwnd, NULL, TRUE);
        UpdateWindow(hwnd);
        return 0;
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSTATIC:
        return (LRESULT)HandleCtlColour(hwnd, (HDC)wParam, lParam);
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

LRESULT CALLBACK LogoProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    return COMMONGuard(hwnd, msg, [&] { return LogoMessage(hwnd, msg, wParam, lParam); });
}
