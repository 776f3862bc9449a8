// What the picture and sound file dialogs share: running one through
// COMMONModal from the folder of the current file, and the pieces their
// hooks have in common.
#include "media/filedialogs.h"
#include "common/modal.h"
#include "common/owners.h"
#include "common/paths.h"
#include "common/shell.h"
#include "media/dib.h"
#include "media/draw.h"
#include "media/scale.h"
#include <algorithm>
#include <cstring>
#include <string>

namespace {

INT_PTR RunOpen(const MODALCALL *call)
{
    return GetOpenFileNameA((OPENFILENAMEA *)call->data);
}

INT_PTR RunSave(const MODALCALL *call)
{
    return GetSaveFileNameA((OPENFILENAMEA *)call->data);
}

// The folder of `path` with a closing "\", or empty; a path that is itself
// a folder is the folder to start in.
void StartFolder(const char *path, char (&folder)[MAX_PATH])
{
    folder[0] = 0;
    size_t n = strlen(path);
    if (!n || n >= MAX_PATH - 1)
        return;
    DWORD attributes = GetFileAttributesA(path);
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY))
        n = (size_t)(COMMONFileNamePart(path) - path);
    memcpy(folder, path, n);
    folder[n] = 0;
    if (n && folder[n - 1] != '\\')
        strcpy(folder + n, "\\");
}

} // namespace

std::string FirstChosenFile(const char *buffer, size_t size)
{
    const size_t length = strnlen(buffer, size);
    std::string first(buffer, length);
    if (length + 1 >= size || !buffer[length + 1])
        return first;
    if (!first.empty() && first.back() != '\\')
        first += '\\';
    const char *name = buffer + length + 1;
    return first.append(name, strnlen(name, size - length - 1));
}

int RunFileDialog(HWND owner, FILEDIALOG &d, bool save)
{
    // What the caller had comes back when the dialog is cancelled. A path
    // that fills its whole buffer is no path: cut anywhere, it would name
    // some other file or folder.
    const size_t length = strnlen(d.path, d.size);
    const bool fits = length < d.size;
    const std::string before(d.path, fits ? length + 1 : d.size);
    char folder[MAX_PATH] = "";
    if (fits && !save)
        StartFolder(d.path, folder);
    if (!save || !fits)
        d.path[0] = 0;

    char title[FILENAMEBUFFER + 1] = "";
    OPENFILENAMEA ofn{};
    ofn.lStructSize = OPENFILENAME_SIZE_VERSION_400A;
    ofn.hwndOwner = owner;
    ofn.hInstance = hInst;
    ofn.lpstrFilter = d.filter;
    ofn.nFilterIndex = d.index;
    ofn.lpstrFile = d.path;
    ofn.nMaxFile = d.size;
    ofn.lpstrFileTitle = title;
    ofn.nMaxFileTitle = save ? FILENAMEBUFFER : sizeof title;
    ofn.lpstrInitialDir = folder[0] ? folder : NULL;
    ofn.lpstrDefExt = d.defext;
    ofn.Flags = d.flags;
    ofn.lpfnHook = d.hook;
    ofn.lpTemplateName = d.templ;
    ofn.lCustData = d.state;

    MODALCALL call{};
    call.kind = MODAL_COMMONDIALOG;
    call.parent = owner;
    call.instance = hInst;
    call.name = d.templ ? d.templ : save ? "GetSaveFileName" : "GetOpenFileName";
    call.data = &ofn;
    call.run = save ? RunSave : RunOpen;
    const int chosen = COMMONModal(&call) > 0 ? 1 : 0;
    if (chosen) {
        d.index = ofn.nFilterIndex;
    } else {
        memcpy(d.path, before.data(), before.size());
    }
    if (owner)
        UpdateWindow(owner);
    if (hwndmain)
        UpdateWindow(hwndmain);
    return chosen;
}

bool GetSelectedPath(HWND hook, char (&out)[FILENAMEBUFFER])
{
    out[0] = 0;
    // The answer counts the terminator. One longer than the buffer leaves a
    // name cut short in it, which may well be another file's.
    LRESULT n = SendMessageA(GetParent(hook), CDM_GETFILEPATH, FILENAMEBUFFER, (LPARAM)out);
    if (n > (LRESULT)FILENAMEBUFFER) {
        out[0] = 0;
        return false;
    }
    if (n <= 0)
        out[0] = 0;
    out[FILENAMEBUFFER - 1] = 0;
    return true;
}

void MoveControlTo(HWND hook, int id, int y)
{
    HWND control = GetDlgItem(hook, id);
    if (!control)
        return;
    RECT r;
    GetWindowRect(control, &r);
    MapWindowPoints(NULL, hook, (POINT *)&r, 2);
    SetWindowPos(control, NULL, r.left, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void DrawPreviewFrame(const DRAWITEMSTRUCT *item, RECT *inside)
{
    RECT r = item->rcItem;
    DrawEdge(item->hDC, &r, EDGE_SUNKEN, BF_RECT);
    *inside = item->rcItem;
    InflateRect(inside, -2, -2);
    FillRect(item->hDC, inside, (HBRUSH)GetStockObject(WHITE_BRUSH));
}

void DrawScaledPreview(HDC dc, const RECT &item, const RECT &clip, HGLOBAL dib)
{
    GlobalBlock colour(COMMONPromoteToTrueColour(dib));
    int width, height;
    if (!colour || !GetBitmapDimensions(colour.get(), &width, &height, NULL, NULL) || width <= 0 || height <= 0)
        return;
    // Small pictures grow to fill the box, large ones shrink to fit it.
    const long long percent = std::min((long long)(item.right - item.left) * 100 / width,
                                       (long long)(item.bottom - item.top) * 100 / height);
    GlobalBlock scaled(COMMONScaleDib(colour.get(), (int)std::clamp(percent, 0ll, 1000000ll),
                                      (int)std::clamp(percent, 0ll, 1000000ll)));
    int saved = SaveDC(dc);
    IntersectClipRect(dc, clip.left, clip.top, clip.right, clip.bottom);
    COMMONDrawBitmapInRectNoResize(dc, &item, scaled ? scaled.get() : colour.get(), NULL);
    RestoreDC(dc, saved);
}
