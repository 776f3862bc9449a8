// The movie property dialog and its preview. A movie object is as large as
// its first frame: the dialog edits its place, three flags and its target,
// previews the movie and can take a new one from an AVI file.
#include "editors/moviedialog.h"
#include "common/dialog.h"
#include "common/modal.h"
#include "common/msgdlg.h"
#include "common/owners.h"
#include "common/shell.h"
#include "common/services.h"
#include "common/strings.h"
#include "editor/parts.h"
#include "editors/imagepreview.h"
#include "editors/objectfields.h"
#include "media/avicheck.h"
#include "media/dib.h"
#include "media/filedialogs.h"
#include "media/loaders.h"
#include "resources/document_ids.h"
#include "resources/editorframe_ids.h"
#include "resources/moviedialog_ids.h"
#include "resources/objectdialogs3_ids.h"
#include "resources/resource.h"
#include "runtime/messages.h"
#include "runtime/runtime.h"
#include <cstring>
#include <utility>
#include <vector>

bool GetMovieParts(const OBJECTMOVIE *o, SIZE_T blocksize, MOVIEPARTS *out)
{
    *out = MOVIEPARTS{};
    const OBJECTHEADER &h = o->header;
    if (blocksize < sizeof(OBJECTMOVIE) || h.fixedsize < sizeof(OBJECTMOVIE) ||
        (uint64_t)h.fixedsize + h.datasize > blocksize)
        return false;
    if (o->avioffset < sizeof(BITMAPINFOHEADER) || o->avioffset > h.datasize || !o->avilength ||
        o->avilength > h.datasize - o->avioffset)
        return false;
    const char *data = (const char *)o + h.fixedsize;
    auto *frame = (const BITMAPINFOHEADER *)data;
    DIBLAYOUT layout;
    if (!DibHeaderLayout(frame, &layout) || layout.total > o->avioffset)
        return false;
    *out = {frame, layout.width, layout.height, data + o->avioffset, o->avilength};
    return true;
}

namespace {

constexpr uint32_t MOVIEFIXED = sizeof(OBJECTMOVIE);
const PROPFIELDS fields{false, OBJ_ENABLED | OBJ_NOTIFY};
// What the dialog holds while it is open.
struct MOVIEDIALOG : PROPSTATE {
    // A movie taken from a file: a whole object block, which Preview plays
    // and OK stores. Without one the live object's own data is the working
    // copy, as nothing changes it while the dialog is open; a second copy of
    // a movie of many megabytes would only slow the opening.
    GlobalBlock fresh;
    // Set while the preview runs: nothing may end the dialog or replace the
    // movie under it.
    bool previewing = false;
};
constexpr UINT WM_STARTPREVIEW = WM_APP + 1;

const MEDIAHOST &Media()
{
    return EditorShowHost().media;
}

MOVIEDIALOG *State(HWND dlg)
{
    return PropState<MOVIEDIALOG>(dlg);
}

HGLOBAL Fresh(HWND dlg)
{
    MOVIEDIALOG *d = State(dlg);
    return d ? d->fresh.get() : NULL;
}

// The object whose movie the dialog holds now.
HGLOBAL Source(HWND dlg, EDITPARAM *p)
{
    HGLOBAL fresh = Fresh(dlg);
    return fresh ? fresh : p->object;
}

void Open(HWND dlg, EDITPARAM *p)
{
    auto *o = (OBJECTMOVIE *)LockLiveObject(dlg, p->object, MOVIEFIXED);
    if (!o)
        return;
    // The stored sizes are believed only where the block holds what they say.
    MOVIEPARTS parts;
    if (!GetMovieParts(o, GlobalSize(p->object), &parts)) {
        GlobalUnlock(p->object);
        RefuseObject(dlg);
        return;
    }
    ShowPropFields(dlg, &o->header, fields, p->block, o->notify);
    CheckDlgButton(dlg, IDC_MOVIEHIDE, (o->header.flags & OBJ_SOFTCUSTOM) ? BST_CHECKED : BST_UNCHECKED);
    GlobalUnlock(p->object);
}

void Build(HWND dlg, EDITPARAM *p)
{
    GlobalLocked<OBJECTMOVIE> from(Source(dlg, p));
    MOVIEPARTS parts;
    if (!from || !GetMovieParts(from.get(), from.size(), &parts)) {
        DoMessage(dlg, FetchString(IDS_OBJECTACCESSERROR));
        return;
    }
    uint32_t size = from->header.datasize;
    HGLOBAL built = BuildObject(dlg, p->object, MOVIEFIXED, size);
    if (!built)
        return;
    {
        GlobalLocked<OBJECTMOVIE> t(built);
        memcpy((char *)t.get() + MOVIEFIXED, (const char *)from.get() + from->header.fixedsize, size);
        t->avioffset = from->avioffset;
        t->avilength = from->avilength;
        ReadPropFields(dlg, &t->header, fields, &t->notify);
        if (IsDlgButtonChecked(dlg, IDC_MOVIEHIDE) == BST_CHECKED)
            t->header.flags |= OBJ_SOFTCUSTOM;
        else
            t->header.flags &= ~OBJ_SOFTCUSTOM;
        RECT &r = t->header.rect;
        r.right = r.left + parts.width;
        r.bottom = r.top + parts.height;
    }
    from.Unlock();
    KeepObject(dlg, &p->object, built);
}

// The chosen AVI file as a movie object of the live one's fixed part; the
// dialog's movie stays when the file cannot be read or checked.
void NewMovie(HWND dlg, EDITPARAM *p)
{
    std::vector<char> path(MULTIPLEFILEBUFFER, 0);
    if (!GetOpenImageFileNameAVI(dlg, path.data()))
        return;
    path.back() = 0;
    long imagesize = 0, filesize = 0;
    GlobalBlock loaded(LoadMovie(dlg, path.data(), &imagesize, &filesize));
    GlobalLocked<char> bytes(loaded.get());
    uint64_t total = (uint64_t)imagesize + (uint64_t)filesize;
    if (!bytes || imagesize <= 0 || filesize <= 0 || total > bytes.size() || total > 0x7FFFFFFF - MOVIEFIXED) {
        DoMessage(dlg, FetchString(IDS_MOVIEFILEERROR));
        return;
    }
    GlobalBlock built(BuildObject(dlg, p->object, MOVIEFIXED, (uint32_t)total));
    GlobalLocked<OBJECTMOVIE> o(built.get());
    if (!o)
        return;
    memcpy((char *)o.get() + MOVIEFIXED, bytes.get(), (size_t)total);
    o->avioffset = (uint32_t)imagesize;
    o->avilength = (uint32_t)filesize;
    MOVIEPARTS parts;
    AVIFIRSTVIDEO video;
    if (!GetMovieParts(o.get(), o.size(), &parts) || !CheckAviData(parts.avi, parts.avilength, &video)) {
        DoMessage(dlg, FetchString(IDS_MOVIEFILEERROR));
        return;
    }
    o.Unlock();
    State(dlg)->fresh = std::move(built);
}

void Preview(HWND dlg, EDITPARAM *p)
{
    HGLOBAL source = Source(dlg, p);
    auto *o = (OBJECTMOVIE *)GlobalLock(source);
    if (!o) {
        DoMessage(dlg, FetchString(IDS_OBJECTACCESSERROR));
        return;
    }
    State(dlg)->previewing = true;
    PreviewMovieObject(dlg, p->block, DocumentList(p->blockset), o);
    GlobalUnlock(source);
    // The preview ends with its owner: the dialog may be gone by now, and
    // the movie it took from a file is then left to be freed here.
    if (IsWindow(dlg))
        State(dlg)->previewing = false;
    else if (source != p->object)
        GlobalFree(source);
}

} // namespace

INT_PTR CALLBACK EditMovieObjectProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam)
{
    static const PROPDIALOG dialog{Open, Build, "MOVIE"};
    MOVIEDIALOG *d = State(dlg);
    if (msg == WM_COMMAND && d && d->previewing)
        return TRUE;
    // The movie under a preview that the dialog's end cuts short is freed
    // by the preview's caller, which still holds it locked.
    if (msg == WM_DESTROY && d && d->previewing)
        d->fresh.Release();
    INT_PTR answer;
    if (PropDialogMessage<MOVIEDIALOG>(dialog, dlg, msg, wParam, lParam, &answer))
        return answer;
    if (msg != WM_COMMAND || !d)
        return FALSE;
    EDITPARAM *p = d->p;
    switch (LOWORD(wParam)) {
    case IDC_MOVIEPREVIEW:
        Preview(dlg, p);
        return TRUE;
    case IDC_MOVIEFILE:
        NewMovie(dlg, p);
        return TRUE;
    }
    return FALSE;
}

// --- The preview -----------------------------------------------------------

int PreviewMovieObject(HWND owner, BLOCK *page, HWND list, OBJECTMOVIE *object)
{
    PREVIEWMOVIE r{};
    HGLOBAL block = object ? GlobalHandle(object) : NULL;
    if (!block || !GetMovieParts(object, GlobalSize(block), &r.parts)) {
        DoMessage(owner, FetchString(IDS_OBJECTACCESSERROR));
        return 0;
    }
    BLOCK header{};
    if (!GetHeaderBlock(list, nullptr, &header)) {
        DoMessage(owner, FetchString(IDS_BLOCKACCESS));
        return 0;
    }
    r.page = page;
    r.object = object;
    r.width = r.parts.width;
    r.height = r.parts.height;
    r.device = MOVIENODEVICE;
    r.brush = CreateSolidBrush(GetBlockBackgroundColour(owner, &header));
    return RunPreviewBox(owner, PreviewMovieProc, &r, r.brush);
}

static void StartPreview(HWND dlg, PREVIEWMOVIE *r)
{
    // One movie at a time: one a show plays stops first.
    if (AVIobjecthwnd && AVIobjecthwnd != dlg && IsWindow(AVIobjecthwnd))
        SendMessageA(AVIobjecthwnd, QVM_OBJECTSTARTSTOP, 0, 0);
    if (AVIplaybuffer) {
        DoMessage(dlg, FetchString(IDS_MEMORY));
        return;
    }
    int checked = 0;
    char error[MOVIEERRORTEXT];
    MOVIEPLAY played = QV_PlayMovie(dlg, Media(), r->parts.avi, r->parts.avilength, &checked, &r->device, error);
    if (played == MOVIE_NOMEMORY)
        DoMessage(dlg, FetchString(IDS_MEMORY));
    else if (played == MOVIE_FAILED)
        DoMessage(dlg, error);
}

INT_PTR CALLBACK PreviewMovieProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam)
{
    auto *r = DialogState<PREVIEWMOVIE>(dlg);
    if (int ending = PreviewBoxEnding(msg, wParam); ending >= 0) {
        EndDialog(dlg, ending);
        return TRUE;
    }
    if (PaintPreviewBox(dlg, msg, wParam, r ? r->brush : NULL))
        return TRUE;
    switch (msg) {
    case WM_INITDIALOG:
        r = (PREVIEWMOVIE *)lParam;
        OpenPreviewBox(dlg, lParam, r->width, r->height, FetchString(IDS_MOVIEPREVIEWCAPTION),
                       (int)r->object->header.number);
        // Started once the window shows, so that an error is told over it.
        PostMessageA(dlg, WM_STARTPREVIEW, 0, 0);
        return FALSE;
    case WM_STARTPREVIEW:
        if (r)
            StartPreview(dlg, r);
        return TRUE;
    case QVM_OBJECTSTARTSTOP:
        // Another movie is starting: this one gives way.
        if (r && LOWORD(wParam) == 0)
            QV_HaltMovie(dlg, Media(), &r->device);
        return TRUE;
    case WM_DESTROY:
        if (r)
            QV_HaltMovie(dlg, Media(), &r->device);
        return FALSE;
    }
    return FALSE;
}
