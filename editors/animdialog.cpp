// The animation object's property dialog: place, flags and target, a
// preview, and new frames from an animation file. The object is as large as
// its animation. While open, the dialog keeps its own copy of the animation
// block, which OK stores.
#include "editors/animdialog.h"
#include "common/dialog.h"
#include "common/msgdlg.h"
#include "common/owners.h"
#include "common/strings.h"
#include "document/applet.h"
#include "editor/filedialogs.h"
#include "editor/tipfolder.h"
#include "editors/objectfields.h"
#include "media/filedialogs.h"
#include "media/mngload.h"
#include "resources/animdialog_ids.h"
#include "resources/document_ids.h"
#include "resources/objectdialogs3_ids.h"
#include "resources/resource.h"
#include <algorithm>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

namespace {

constexpr uint32_t ANIMFIXED = sizeof(OBJECTANIM);
const PROPFIELDS fields{false, OBJ_ENABLED | OBJ_NOTIFY};
// What the dialog holds while it is open, bound to it until WM_NCDESTROY.
struct ANIMDIALOG : PROPSTATE {
    GlobalBlock copy;      // the animation block OK stores
    uint32_t size = 0;     // its length: the block may be larger
    bool fromfile = false; // the copy came from a file: its counts replace the object's
    bool previewing = false;
    HWND preview = NULL;   // the preview's window while it is open
    WORD leave = 0;        // OK or Cancel asked for while the preview ran
};

ANIMDIALOG *State(HWND dlg)
{
    return PropState<ANIMDIALOG>(dlg);
}

void Open(HWND dlg, EDITPARAM *p)
{
    auto *o = (OBJECTANIM *)LockLiveObject(dlg, p->object, ANIMFIXED);
    if (!o)
        return;
    // The stored sizes are only believed when the block holds what they say.
    const OBJECTHEADER &h = o->header;
    ANIMDIALOG *d = State(dlg);
    if (h.datasize && (uint64_t)h.fixedsize + h.datasize <= GlobalSize(p->object)) {
        d->copy.Reset(GetAnimObjectData(o));
        d->size = h.datasize;
    }
    if (!d->copy) {
        GlobalUnlock(p->object);
        RefuseObject(dlg);
        return;
    }
    ShowPropFields(dlg, &h, fields, p->block, o->notify);
    GlobalUnlock(p->object);
}

// A new object of the live one's fixed part and the dialog's animation
// block; null after text 6 when it cannot be made.
HGLOBAL Made(HWND dlg, EDITPARAM *p, ANIMDIALOG *d)
{
    GlobalBlock built(BuildObject(dlg, p->object, ANIMFIXED, d->size));
    if (!built)
        return NULL;
    GlobalLocked<OBJECTANIM> to(built);
    GlobalLocked<char> from(d->copy);
    if (!to || !from || from.size() < d->size) {
        DoMessage(dlg, FetchString(IDS_MEMORY));
        return NULL;
    }
    memcpy((char *)to.get() + ANIMFIXED, from.get(), d->size);
    if (d->fromfile && d->size >= sizeof(ANIMHEADER)) {
        const ANIMHEADER *head = FindAnimationHeader((char *)to.get() + ANIMFIXED);
        to->frames = head->frames;
        to->repeat = head->repeat;
    }
    to.Unlock();
    return built.Release();
}

void Build(HWND dlg, EDITPARAM *p)
{
    ANIMDIALOG *d = State(dlg);
    HGLOBAL built = d ? Made(dlg, p, d) : NULL;
    if (!built)
        return;
    {
        GlobalLocked<OBJECTANIM> o(built);
        OBJECTHEADER &h = o->header;
        int64_t width = (int64_t)h.rect.right - h.rect.left, height = (int64_t)h.rect.bottom - h.rect.top;
        ReadPropFields(dlg, &h, fields, &o->notify);
        // The object is as large as its animation, held to what a page
        // object's size can be, as when it was inserted; a block without a
        // header keeps the size it had.
        if (d->size >= sizeof(ANIMHEADER)) {
            const ANIMHEADER *head = FindAnimationHeader((char *)o.get() + ANIMFIXED);
            width = head->width;
            height = head->height;
        }
        h.rect.right = h.rect.left + (LONG)std::clamp<int64_t>(width, 0, 0xFFFF);
        h.rect.bottom = h.rect.top + (LONG)std::clamp<int64_t>(height, 0, 0xFFFF);
    }
    KeepObject(dlg, &p->object, built);
}

// The preview plays the object as stored, or, once frames have come from a
// file, the object as OK would store it.
void Preview(HWND dlg, EDITPARAM *p)
{
    ANIMDIALOG *d = State(dlg);
    if (!d || d->previewing)
        return;
    GlobalBlock temporary;
    if (d->fromfile) {
        temporary.Reset(Made(dlg, p, d));
        if (!temporary)
            return;
    }
    HGLOBAL shown = d->fromfile ? temporary.get() : p->object;
    GlobalLocked<OBJECTANIM> o(shown);
    if (!o || o.size() < ANIMFIXED) {
        DoMessage(dlg, FetchString(IDS_OBJECTACCESSERROR));
        return;
    }
    d->previewing = true;
    PreviewAnimObject(dlg, p->block, DocumentList(p->blockset), o.get(), &d->preview);
    // The preview closes with its owner, whose state goes with it.
    if (!IsWindow(dlg))
        return;
    d->previewing = false;
    d->preview = NULL;
    if (WORD leave = std::exchange(d->leave, 0))
        PostMessageA(dlg, WM_COMMAND, leave, 0);
}

// An animation file chosen by the user becomes the working copy; the old one
// stays when the file cannot be read (the loader says why).
void NewFrames(HWND dlg)
{
    ANIMDIALOG *d = State(dlg);
    if (!d)
        return;
    std::vector<char> buffer(MULTIPLEFILEBUFFER, 0);
    GetOpenPath(buffer.data());
    if (!GetAnimationFileName(dlg, buffer.data()))
        return;
    std::string path = FirstChosenFile(buffer.data(), buffer.size());
    SetOpenPath(path.c_str());
    HCURSOR old = SetCursor(LoadCursorA(NULL, IDC_WAIT));
    GlobalBlock fresh(LoadAnimation(dlg, path.c_str()));
    SetCursor(old);
    if (!fresh)
        return;
    SIZE_T size = GlobalSize(fresh.get());
    if (size < sizeof(ANIMHEADER) || size > 0x7FFFFFFF - ANIMFIXED) {
        DoMessage(dlg, FetchString(IDS_MEMORY));
        return;
    }
    d->copy = std::move(fresh);
    d->size = (uint32_t)size;
    d->fromfile = true;
}

} // namespace

INT_PTR CALLBACK EditAnimObjectProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam)
{
    static const PROPDIALOG dialog{Open, Build, "ANIMATION"};
    ANIMDIALOG *d = State(dlg);
    // Nothing but leaving is done under the preview; leaving closes it first.
    if (msg == WM_COMMAND && d && d->previewing) {
        WORD id = LOWORD(wParam);
        if (id == IDOK || id == IDCANCEL) {
            d->leave = id;
            if (d->preview)
                PostMessageA(d->preview, WM_COMMAND, IDCANCEL, 0);
        }
        return TRUE;
    }
    INT_PTR answer;
    if (PropDialogMessage<ANIMDIALOG>(dialog, dlg, msg, wParam, lParam, &answer))
        return answer;
    if (msg != WM_COMMAND || !d)
        return FALSE;
    switch (LOWORD(wParam)) {
    case IDC_ANIMPREVIEW:
        Preview(dlg, d->p);
        return TRUE;
    case IDC_ANIMFILE:
        NewFrames(dlg);
        return TRUE;
    }
    return FALSE;
}
