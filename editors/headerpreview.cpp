// The preview window of a header or page.
#include "editors/headerpreview.h"
#include "common/msgdlg.h"
#include "common/owners.h"
#include "common/services.h"
#include "common/shell.h"
#include "common/strings.h"
#include "document/about.h"
#include "document/objects.h"
#include "editors/backgroundchoice.h"
#include "editors/editparam.h"
#include "editors/objectfields.h"
#include "media/dib.h"
#include "media/draw.h"
#include "resources/resource.h"

namespace {

constexpr char headerpreviewclass[] = "ShowbinderHeaderPreview";

constexpr int MINPREVIEW = 128;
constexpr UINT IDM_PREVIEWABOUT = 100;

void Say(HWND owner, unsigned id)
{
    DoMessage(owner, FetchString(id));
}

// Made at the first preview and kept while the program runs.
bool PreviewClassReady()
{
    WNDCLASSA wc{};
    if (GetClassInfoA(hInst, headerpreviewclass, &wc))
        return true;
    wc.style = CS_BYTEALIGNWINDOW | CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = HeaderPreviewProc;
    wc.hInstance = hInst;
    wc.hCursor = LoadCursorA(NULL, IDC_ARROW);
    wc.lpszClassName = headerpreviewclass;
    return RegisterClassA(&wc) != 0;
}

void DrawPreviewBackground(HWND window, EDITPARAM *p, HDC dc)
{
    RECT r;
    GetClientRect(window, &r);
    HBRUSH brush = CreateSolidBrush(GetBlockBackgroundColour(p->hwnd, p->block));
    FillRect(dc, &r, brush);
    DeleteObject(brush);
    if (p->block->tag != TAG_HEDR)
        return;
    HGLOBAL dib = HeaderPicture(p->block);
    int w = 0, d = 0, bits = 0;
    if (dib && GetBitmapDimensions(dib, &w, &d, &bits, nullptr) && w > 0 && d > 0) {
        if (p->block->hedr.flags & HEDR_TILED) {
            for (int y = 0; y < r.bottom; y += d)
                for (int x = 0; x < r.right; x += w)
                    ShowDib(dc, dib, nullptr, x, y);
        } else {
            ShowDib(dc, dib, nullptr, (r.right - w) / 2, (r.bottom - d) / 2);
        }
    }
    if (dib)
        GlobalFree(dib);
}

} // namespace

HGLOBAL HeaderPicture(BLOCK *block)
{
    int i = FirstBlockObject(block, TAG_IMAG);
    if (i < 0)
        return NULL;
    GlobalLocked<OBJECTHEADER> o(GetPageObject(block, (unsigned)i));
    if (!o || o.size() < sizeof(OBJECTIMAGE) || (uint64_t)o->fixedsize + o->datasize > o.size())
        return NULL;
    return GetImageObjectBitmap((OBJECTIMAGE *)o.get());
}

void RunPreview(HWND dlg, EDITPARAM *p, const char *title, DWORD style, int width, int depth)
{
    if (!PreviewClassReady()) {
        Say(dlg, IDS_MEMORY);
        return;
    }
    HWND preview = CreateWindowExA(0, headerpreviewclass, title, style | WS_POPUP | WS_VISIBLE, 0, 0, width, depth,
                                   NULL, NULL, hInst, p);
    if (!preview) {
        Say(dlg, IDS_MEMORY);
        return;
    }
    CentreWindow(preview);
    BringWindowToTop(preview);
    MSG msg;
    while (IsWindow(dlg) && IsWindow(hwndmain) && IsWindow(preview)) {
        BOOL got = GetMessageA(&msg, NULL, 0, 0);
        if (got <= 0) {
            if (got == 0)
                PostQuitMessage((int)msg.wParam);
            break;
        }
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    if (IsWindow(preview))
        DestroyWindow(preview);
}

LRESULT CALLBACK HeaderPreviewProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam)
{
    auto *p = GetWindowValue<EDITPARAM *>(window, GWLP_USERDATA);
    switch (msg) {
    case WM_NCCREATE:
        SetWindowValue(window, GWLP_USERDATA, (EDITPARAM *)((CREATESTRUCTA *)lParam)->lpCreateParams);
        break;
    case WM_CREATE:
        if (HMENU menu = GetSystemMenu(window, FALSE)) {
            AppendMenuA(menu, MF_SEPARATOR, 0, NULL);
            AppendMenuA(menu, MF_STRING, IDM_PREVIEWABOUT, "&About");
        }
        return 0;
    case WM_SYSCOMMAND:
        // A command of our own comes whole: only the system's own commands
        // carry bits of theirs in the low four.
        if (wParam == IDM_PREVIEWABOUT && p) {
            BLOCK header;
            HWND list = GetDlgItem(p->hwnd, IDC_BLOCKLIST);
            if (p->block->tag == TAG_HEDR)
                DoEXEAbout(window, list, p->block);
            else if (GetHeaderBlock(list, p->blockset, &header))
                DoEXEAbout(window, list, &header);
            return 0;
        }
        break;
    case WM_SIZE:
        if (p && p->block->tag == TAG_HEDR) {
            RECT r;
            GetWindowRect(window, &r);
            p->block->hedr.width = r.right - r.left < MINPREVIEW ? MINPREVIEW : r.right - r.left;
            p->block->hedr.depth = r.bottom - r.top < MINPREVIEW ? MINPREVIEW : r.bottom - r.top;
            InvalidateRect(window, NULL, TRUE);
        }
        break;
    case WM_ERASEBKGND:
        if (p) {
            DrawPreviewBackground(window, p, (HDC)wParam);
            return 1;
        }
        break;
    case WM_RBUTTONDOWN:
        DestroyWindow(window);
        return 0;
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSTATIC:
        return (LRESULT)HandleCtlColour(window, (HDC)wParam, lParam);
    }
    return DefWindowProcA(window, msg, wParam, lParam);
}
