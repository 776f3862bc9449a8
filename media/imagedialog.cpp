// The picture open dialogs, with a scaled live preview and the picture's
// size and colours beside the standard controls, and the picture save
// dialog, which keeps the name's extension in step with the chosen type.
#include "common/guard.h"
#include "common/services.h"
#include "common/shell.h"
#include "common/windowvalue.h"
#include "media/dib.h"
#include "media/filedialogs.h"
#include "media/imageformat.h"
#include "resources/filedialogs_ids.h"
#include <cstdio>
#include <cstring>

namespace {

const char imagefilter[] = "JPEG files\0*.jpg\0BMP files\0*.bmp\0GIF files\0*.gif\0PCX files\0*.pcx\0"
                           "TGA files\0*.tga\0PNG files\0*.png\0"
                           "All files\0*.jpg;*.bmp;*.gif;*.pcx;*.tga;*.png\0";
const char pngfilter[] = "PNG files\0*.PNG\0All files\0*.*\0";
const char avifilter[] = "AVI files\0*.AVI\0All files\0*.*\0";
const char giffilter[] = "GIF files\0*.GIF\0All files\0*.*\0";
const char DefaultFileExtension[] = "EXE";
const char alltypes[] = "All files";

constexpr DWORD OPENFLAGS = OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_ENABLETEMPLATE |
                            OFN_ENABLEHOOK | OFN_NOCHANGEDIR | OFN_HIDEREADONLY;
constexpr int FILETYPECOMBO = 1136, FILENAMEFIELD = 1152;

// The open dialog's one preview picture, from a selection to the next.
struct IMAGEPREVIEW {
    HGLOBAL picture = NULL;
    void Forget()
    {
        if (picture)
            GlobalFree(picture);
        picture = NULL;
    }
};

int OpenImage(HWND owner, char *path, const char *filter, DWORD size, DWORD flags, bool remember)
{
    IMAGEPREVIEW preview;
    FILEDIALOG d{.filter = filter, .index = remember ? (DWORD)ImageFileOpenIndex : 1, .path = path, .size = size,
                 .flags = flags, .hook = OFNHookProc, .templ = "CommonOpenFileNameEx", .state = (LPARAM)&preview};
    int chosen = RunFileDialog(owner, d, false);
    preview.Forget(); // the dialog's end frees it; this is for one that never said so
    if (chosen && remember)
        ImageFileOpenIndex = (int)d.index;
    return chosen;
}

// The extension of a file name: what follows its last dot, or "".
const char *Extension(const char *name)
{
    const char *dot = strrchr(name, '.');
    const char *slash = strrchr(name, '\\');
    return dot && (!slash || dot > slash) ? dot + 1 : name + strlen(name);
}

// The filter's pairs in order: description, pattern.
struct FILTERPAIR {
    const char *description, *pattern;
};
bool FilterPair(const char *filter, int index, FILTERPAIR *pair)
{
    for (const char *p = filter; p && *p; index--) {
        const char *pattern = p + strlen(p) + 1;
        if (!*pattern)
            return false;
        if (index == 0) {
            *pair = {p, pattern};
            return true;
        }
        p = pattern + strlen(pattern) + 1;
    }
    return false;
}

// True when one of the pattern's entries is "*." and the extension.
bool PatternHasExtension(const char *pattern, const char *extension)
{
    const size_t n = strlen(extension);
    for (const char *p = pattern; (p = strchr(p, '.')); p++)
        if (_strnicmp(p + 1, extension, n) == 0 && (p[n + 1] == 0 || p[n + 1] == ';'))
            return true;
    return false;
}

void SelectTypeOfName(HWND hook, const OPENFILENAMEA *ofn)
{
    const char *extension = ofn && ofn->lpstrFile ? Extension(ofn->lpstrFile) : "";
    HWND dialog = GetParent(hook), combo = GetDlgItem(dialog, FILETYPECOMBO);
    if (!*extension || !combo)
        return;
    const int count = (int)SendMessageA(combo, CB_GETCOUNT, 0, 0);
    FILTERPAIR pair;
    for (int i = 0; i < count && FilterPair(ofn->lpstrFilter, i, &pair); i++) {
        if (lstrcmpiA(pair.description, alltypes) == 0)
            return;
        if (PatternHasExtension(pair.pattern, extension)) {
            SendMessageA(combo, CB_SETCURSEL, i, 0);
            // Told as a user's choice, the dialog lists and saves that type.
            SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(FILETYPECOMBO, CBN_SELENDOK), (LPARAM)combo);
            return;
        }
    }
}

void KeepExtensionWithType(HWND hook, const OPENFILENAMEA *ofn)
{
    HWND dialog = GetParent(hook);
    char name[FILENAMEBUFFER] = "";
    LRESULT n = SendMessageA(dialog, CDM_GETSPEC, sizeof name, (LPARAM)name);
    const int type = (int)SendDlgItemMessageA(dialog, FILETYPECOMBO, CB_GETCURSEL, 0, 0);
    FILTERPAIR pair;
    if (n <= 1 || n > (LRESULT)sizeof name || !name[0] || type < 0 || !ofn || !FilterPair(ofn->lpstrFilter, type, &pair))
        return;
    if (!pair.description[0] || lstrcmpiA(pair.description, alltypes) == 0)
        return;
    const char *dot = strchr(pair.pattern, '.');
    if (!dot)
        return;
    char wanted[FILENAMEBUFFER];
    size_t w = strcspn(dot + 1, ";");
    if (w >= sizeof wanted)
        return;
    memcpy(wanted, dot + 1, w);
    wanted[w] = 0;
    const char *have = Extension(name);
    if (lstrcmpiA(have, wanted) == 0)
        return;
    size_t base = have[0] || (have > name && have[-1] == '.') ? (size_t)(have - name - 1) : strlen(name);
    if (base + 1 + w >= sizeof name)
        return;
    snprintf(name + base, sizeof name - base, ".%s", wanted);
    SetDlgItemTextA(dialog, FILENAMEFIELD, name);
}

} // namespace

int GetOpenImageFileName(HWND owner, char *path)
{
    return OpenImage(owner, path, imagefilter, FILENAMEBUFFER, OPENFLAGS, true);
}

int GetOpenMultipleImageFileName(HWND owner, char *path)
{
    return OpenImage(owner, path, imagefilter, MULTIPLEFILEBUFFER, OPENFLAGS | OFN_ALLOWMULTISELECT, true);
}

int GetOpenImageFileNamePNG(HWND owner, char *path)
{
    return OpenImage(owner, path, pngfilter, MULTIPLEFILEBUFFER, OPENFLAGS, false);
}

int GetOpenImageFileNameAVI(HWND owner, char *path)
{
    return OpenImage(owner, path, avifilter, MULTIPLEFILEBUFFER, OPENFLAGS, false);
}

int GetOpenImageFileNameGIF(HWND owner, char *path)
{
    return OpenImage(owner, path, giffilter, MULTIPLEFILEBUFFER, OPENFLAGS, false);
}

int GetOpenImageFileNameMultipleGIF(HWND owner, char *path)
{
    return OpenImage(owner, path, giffilter, MULTIPLEFILEBUFFER, OPENFLAGS | OFN_ALLOWMULTISELECT, true);
}

int GetWriteImageFileName(HWND owner, char *path)
{
    FILEDIALOG d{.filter = imagefilter, .index = (DWORD)ImageFileOpenIndex, .path = path, .size = FILENAMEBUFFER,
                 .defext = DefaultFileExtension,
                 .flags = OFN_EXPLORER | OFN_ENABLEHOOK | OFN_NOCHANGEDIR | OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT,
                 .hook = OFNWriteHookProc};
    int chosen = RunFileDialog(owner, d, true);
    if (chosen)
        ImageFileOpenIndex = (int)d.index;
    return chosen;
}

static UINT_PTR OFNHookMessage(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam)
{
    if (message == WM_INITDIALOG) {
        const OPENFILENAMEA *ofn = (const OPENFILENAMEA *)lparam;
        SetWindowValue<LPARAM>(dialog, DWLP_USER, ofn ? ofn->lCustData : 0);
        return 0;
    }
    IMAGEPREVIEW *preview = GetWindowValue<IMAGEPREVIEW *>(dialog, DWLP_USER);
    if (!preview)
        return 0;
    switch (message) {
    case WM_NOTIFY:
        switch (((const NMHDR *)lparam)->code) {
        case CDN_INITDONE:
            CheckDlgButton(dialog, IDC_FILEPREVIEWON, ShowFileOpenPreview ? BST_CHECKED : BST_UNCHECKED);
            preview->Forget();
            MoveControlTo(dialog, IDC_FILEPREVIEW, 35);
            MoveControlTo(dialog, IDC_FILEPREVIEWON, 180);
            MoveControlTo(dialog, IDC_FILEINFO, 204);
            break;
        case CDN_SELCHANGE: {
            char path[FILENAMEBUFFER];
            if (!GetSelectedPath(dialog, path))
                break;
            preview->Forget();
            preview->picture = path[0] ? LoadImageA(NULL, path, NULL, NULL) : NULL;
            int width, height, bits;
            char info[96] = "";
            if (preview->picture && GetBitmapDimensions(preview->picture, &width, &height, &bits, NULL)) {
                // Past 24 bits the rest is transparency, not more colours.
                long colours = 1L << (bits < 24 ? bits : 24);
                snprintf(info, sizeof info, "Width: %d\nDepth: %d\nColors: %s", width, height, formatlong(colours));
            }
            SetDlgItemTextA(dialog, IDC_FILEINFO, info);
            InvalidateRect(GetDlgItem(dialog, IDC_FILEPREVIEW), NULL, FALSE);
            break;
        }
        }
        return 0;
    case WM_COMMAND:
        if (LOWORD(wparam) == IDC_FILEPREVIEWON && HIWORD(wparam) == BN_CLICKED) {
            ShowFileOpenPreview = IsDlgButtonChecked(dialog, IDC_FILEPREVIEWON) == BST_CHECKED;
            InvalidateRect(GetDlgItem(dialog, IDC_FILEPREVIEW), NULL, FALSE);
        }
        return 0;
    case WM_DRAWITEM: {
        const DRAWITEMSTRUCT *item = (const DRAWITEMSTRUCT *)lparam;
        if (wparam != IDC_FILEPREVIEW)
            return 0;
        RECT inside;
        DrawPreviewFrame(item, &inside);
        if (preview->picture && IsDlgButtonChecked(dialog, IDC_FILEPREVIEWON) == BST_CHECKED)
            DrawScaledPreview(item->hDC, item->rcItem, inside, preview->picture);
        return 1;
    }
    case WM_DESTROY:
        preview->Forget();
        return 0;
    }
    return 0;
}

UINT_PTR CALLBACK OFNHookProc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam)
{
    return COMMONGuard(dialog, message, [&] { return OFNHookMessage(dialog, message, wparam, lparam); });
}

static UINT_PTR OFNWriteHookMessage(HWND dialog, UINT message, WPARAM, LPARAM lparam)
{
    if (message != WM_NOTIFY)
        return 0;
    const OFNOTIFYA *notice = (const OFNOTIFYA *)lparam;
    switch (notice->hdr.code) {
    case CDN_INITDONE:
        SelectTypeOfName(dialog, notice->lpOFN);
        break;
    case CDN_TYPECHANGE:
        KeepExtensionWithType(dialog, notice->lpOFN);
        break;
    }
    return 0;
}

UINT_PTR CALLBACK OFNWriteHookProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lparam)
{
    return COMMONGuard(dialog, message, [&] { return OFNWriteHookMessage(dialog, message, wParam, lparam); });
}
