// The wave sound and MIDI music property dialogs: one family, told apart
// only by the sound kind, template and help key. While open, a dialog keeps
// its own copy of the sound, which Preview plays and OK stores.
#include "common/msgdlg.h"
#include "common/owners.h"
#include "common/strings.h"
#include "editor/parts.h"
#include "editors/objectdialogs4.h"
#include "editors/objectfields.h"
#include "media/filedialogs.h"
#include "media/sound.h"
#include "media/soundfiles.h"
#include "resources/document_ids.h"
#include "resources/filedialogs_ids.h"
#include "resources/objectdialogs3_ids.h"
#include "resources/objectdialogs4_ids.h"
#include "resources/resource.h"
#include "runtime/runtime.h"
#include <algorithm>
#include <climits>
#include <cstring>

namespace {

constexpr uint32_t SOUNDFIXED = sizeof(OBJECTWAVE);
static_assert(sizeof(OBJECTMIDI) == SOUNDFIXED && offsetof(OBJECTMIDI, notify) == offsetof(OBJECTWAVE, notify));
const PROPFIELDS fields{false, OBJ_ENABLED | OBJ_NOTIFY};

const MEDIAHOST &Media()
{
    return EditorShowHost().media;
}

// What the dialog holds while it is open: the working copy of the sound
// and its length, checked against its block when it was made (the block
// may be larger).
struct SOUNDDIALOG : PROPSTATE {
    GlobalBlock copy;
    uint32_t size = 0;
};

SOUNDDIALOG *State(HWND dlg)
{
    return PropState<SOUNDDIALOG>(dlg);
}

HGLOBAL Copy(HWND dlg)
{
    SOUNDDIALOG *d = State(dlg);
    return d ? d->copy.get() : NULL;
}

void Playing(HWND dlg, bool on)
{
    EnableWindow(GetDlgItem(dlg, IDC_SOUNDPLAY), !on);
    EnableWindow(GetDlgItem(dlg, IDC_SOUNDSTOP), on);
}

uint32_t StoredSize(HWND dlg)
{
    SOUNDDIALOG *d = State(dlg);
    return d ? d->size : 0;
}

// Makes `copy` of `size` bytes the working copy, freeing the one before;
// false when there is none to keep.
bool KeepCopy(HWND dlg, HGLOBAL copy, uint32_t size)
{
    SOUNDDIALOG *d = State(dlg);
    if (!copy || !d) {
        if (copy)
            GlobalFree(copy);
        return false;
    }
    d->copy.Reset(copy);
    d->size = size;
    return true;
}

// A wave's format, length and waveform, where its template has room for
// them; a format that gives no rate is never measured or drawn.
void ShowSound(HWND dlg)
{
    HWND text = GetDlgItem(dlg, IDC_SOUNDFORMAT), picture = GetDlgItem(dlg, IDC_SOUNDWAVEFORM);
    HGLOBAL copy = Copy(dlg);
    uint32_t size = StoredSize(dlg);
    if (!text || !picture || !copy)
        return;
    PCMWAVEFORMAT format{};
    if (size >= WAVEDATAHEAD)
        if (GlobalLocked<char> d(copy); d)
            memcpy(&format, d.get(), sizeof format);
    if (size < WAVEDATAHEAD || format.wf.wFormatTag != WAVE_FORMAT_PCM || !format.wf.nSamplesPerSec ||
        !format.wf.nBlockAlign) {
        SetWindowTextA(text, FetchString(IDS_SOUNDFORMATERROR));
        return;
    }
    long samples = (long)std::min<uint32_t>(size - WAVEDATAHEAD, LONG_MAX);
    SetWindowTextA(text, COMMONGetSoundFormat(&format, samples));
    RECT r;
    GetClientRect(picture, &r);
    GlobalBlock dib(COMMONVisualizeSound(copy, samples, r.right, r.bottom, RGB(0, 128, 0), RGB(0, 0, 160),
                                         GetSysColor(COLOR_WINDOW), 1));
    GlobalLocked<BITMAPINFOHEADER> bi(dib.get());
    if (!bi)
        return;
    HDC dc = GetDC(picture);
    HBITMAP bitmap = CreateDIBitmap(dc, bi.get(), CBM_INIT, (const char *)bi.get() + bi->biSize + bi->biClrUsed * 4,
                                    (const BITMAPINFO *)bi.get(), DIB_RGB_COLORS);
    ReleaseDC(picture, dc);
    if (bitmap)
        if (HGDIOBJ old = (HGDIOBJ)SendMessageA(picture, STM_SETIMAGE, IMAGE_BITMAP, (LPARAM)bitmap))
            DeleteObject(old);
}

void Open(HWND dlg, EDITPARAM *p)
{
    auto *o = LockLiveObject(dlg, p->object, SOUNDFIXED);
    if (!o)
        return;
    // The stored sizes are only believed when the block holds what they say.
    SIZE_T have = GlobalSize(p->object);
    HGLOBAL copy = NULL;
    if (o->datasize && (uint64_t)o->fixedsize + o->datasize <= have)
        copy = GetWaveObjectData((OBJECTWAVE *)o);
    if (!KeepCopy(dlg, copy, o->datasize)) {
        GlobalUnlock(p->object);
        RefuseObject(dlg);
        return;
    }
    ShowPropFields(dlg, o, fields, p->block, ((OBJECTWAVE *)o)->notify);
    GlobalUnlock(p->object);
}

void Build(HWND dlg, EDITPARAM *p)
{
    HGLOBAL copy = Copy(dlg);
    uint32_t size = StoredSize(dlg);
    HGLOBAL built = copy ? BuildObject(dlg, p->object, SOUNDFIXED, size) : NULL;
    if (!built)
        return;
    {
        GlobalLocked<OBJECTWAVE> t(built);
        GlobalLocked<char> from(copy);
        memcpy((char *)t.get() + SOUNDFIXED, from.get(), size);
        ReadPropFields(dlg, &t->header, fields, &t->notify);
    }
    KeepObject(dlg, &p->object, built);
}

// A sound file chosen by the user becomes the working copy; the old one
// stays when the file cannot be read.
void NewSound(HWND dlg, DWORD kind)
{
    char path[FILENAMEBUFFER] = "";
    bool wave = kind == SOUND_WAVE;
    if (!(wave ? COMMONGetOpenWaveFileName(dlg, path) : COMMONGetOpenMidiFileName(dlg, path)))
        return;
    long length = 0;
    HGLOBAL fresh = wave ? COMMONLoadSound(dlg, path, &length) : COMMONLoadMidi(dlg, path, &length);
    uint64_t size = (uint64_t)std::max(length, 0L) + (wave ? WAVEDATAHEAD : 0);
    if (!fresh || !size || size > GlobalSize(fresh) || size > 0x7FFFFFFF - SOUNDFIXED) {
        if (fresh)
            GlobalFree(fresh);
        DoMessage(dlg, FetchString(IDS_SOUNDFILEERROR));
        return;
    }
    Media().killsound(dlg);
    if (!KeepCopy(dlg, fresh, (uint32_t)size)) {
        DoMessage(dlg, FetchString(IDS_MEMORY));
        return;
    }
    Playing(dlg, false);
    ShowSound(dlg);
}

INT_PTR SoundMessage(const PROPDIALOG &dialog, DWORD kind, HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam)
{
    bool colour = msg == WM_CTLCOLORMSGBOX || msg == WM_CTLCOLORBTN || msg == WM_CTLCOLORDLG ||
                  msg == WM_CTLCOLORSTATIC;
    if (!colour && Media().soundmessage(dlg, msg, wParam, lParam))
        return TRUE;
    if (msg == MM_MCINOTIFY || msg == MM_WOM_DONE) {
        Playing(dlg, false);
        return TRUE;
    }
    if (msg == WM_DESTROY) {
        // A sound still playing stops before its copy goes with the record.
        if (Copy(dlg))
            Media().killsound(dlg);
        if (HWND picture = GetDlgItem(dlg, IDC_SOUNDWAVEFORM))
            if (HGDIOBJ bitmap = (HGDIOBJ)SendMessageA(picture, STM_SETIMAGE, IMAGE_BITMAP, 0))
                DeleteObject(bitmap);
    }
    INT_PTR answer;
    if (PropDialogMessage<SOUNDDIALOG>(dialog, dlg, msg, wParam, lParam, &answer)) {
        if (msg == WM_INITDIALOG)
            ShowSound(dlg);
        return answer;
    }
    if (msg != WM_COMMAND)
        return FALSE;
    switch (LOWORD(wParam)) {
    case IDC_SOUNDPLAY:
        if (HGLOBAL copy = Copy(dlg)) {
            // Failing to start leaves Preview usable and says why.
            if (Media().playsound(dlg, copy, kind))
                Playing(dlg, true);
            else
                ShowSoundError(dlg, FetchString(IDS_SOUNDPREVIEWERROR), copy, kind);
        }
        return TRUE;
    case IDC_SOUNDFILE:
        NewSound(dlg, kind);
        return TRUE;
    case IDC_SOUNDSTOP:
        Media().killsound(dlg);
        return TRUE;
    }
    return FALSE;
}

} // namespace

INT_PTR CALLBACK EditWaveObjectProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam)
{
    static const PROPDIALOG dialog{Open, Build, "WAVE"};
    return SoundMessage(dialog, SOUND_WAVE, dlg, msg, wParam, lParam);
}

INT_PTR CALLBACK EditMidiObjectProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam)
{
    static const PROPDIALOG dialog{Open, Build, "MIDI"};
    return SoundMessage(dialog, SOUND_MIDI, dlg, msg, wParam, lParam);
}
