// Wave and MIDI objects: each plays its own copy of its sound through the
// process's sound player and tells its target when a completion notice
// reaches it. Neither loops; only the document's background sound does.
#include "media/sound.h"
#include "common/guard.h"
#include "runtime/lifecycle.h"
#include "runtime/media.h"
#include "runtime/runtime.h"

namespace {

using objectlife::Record;

// Both records keep the notify number and the copy at the same offsets.
static_assert(offsetof(OBJECTWAVE, notify) == offsetof(OBJECTMIDI, notify));
static_assert(offsetof(OBJECTWAVE, sound) == offsetof(OBJECTMIDI, sound));

LRESULT SoundProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, uint32_t tag, DWORD kind)
{
    const MEDIAHOST &media = QV_ShowHostOf(hwnd).media;
    media.soundmessage(hwnd, msg, wParam, lParam);
    switch (msg) {
    case WM_CREATE:
        PostMessageA(hwnd, QVM_OBJECTCREATED, 0, 0);
        return 0;
    case QVM_OBJECTCREATED:
        if (Record<OBJECTWAVE> o(hwnd, tag); o) {
            o->sound = (uint32_t)(UINT_PTR)o.CopyData();
            o->header.flags &= ~OBJ_RUNNING;
        }
        objectlife::StartUnlessDisabled(hwnd);
        return 0;
    case QVM_OBJECTSTARTSTOP: {
        short request = objectlife::Request(wParam);
        HGLOBAL sound = NULL;
        {
            Record<OBJECTWAVE> o(hwnd, tag);
            if (!o)
                return 0;
            if (request == 1 && !(o->header.flags & OBJ_RUNNING)) {
                o->header.flags |= OBJ_RUNNING;
                sound = (HGLOBAL)(UINT_PTR)o->sound;
            } else if (request == 0 && (o->header.flags & OBJ_RUNNING)) {
                o->header.flags &= ~OBJ_RUNNING;
            } else {
                return 0;
            }
        }
        // The record is unlocked: stopping the sound playing may deliver its
        // notice to this window at once.
        if (request == 1)
            media.playsound(hwnd, sound, kind);
        else
            media.killsound(hwnd);
        return 0;
    }
    case MM_WOM_DONE:
    case MM_MCINOTIFY:
        if (Record<OBJECTWAVE> o(hwnd, tag); o) {
            o->header.flags &= ~OBJ_RUNNING;
            objectlife::NotifyDone(hwnd, o->header.flags, o->notify);
        }
        return 0;
    case WM_DESTROY: {
        bool running = false;
        HGLOBAL sound = NULL;
        if (Record<OBJECTWAVE> o(hwnd, tag); o) {
            running = o->header.flags & OBJ_RUNNING;
            sound = (HGLOBAL)(UINT_PTR)o->sound;
            o->sound = 0;
            o->header.flags &= ~OBJ_RUNNING;
        }
        if (running)
            media.killsound(hwnd);
        if (sound)
            GlobalFree(sound);
        return 0;
    }
    case WM_ACTIVATE:
        // Sounds go on while the show is inactive.
        return 0;
    }
    if (objectlife::CommonMessage(hwnd, msg, wParam, lParam, false))
        return 0;
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

} // namespace

LRESULT CALLBACK QV_WaveProc(HWND h, UINT m, WPARAM w, LPARAM l) { return COMMONGuard(h, m, [&] { return SoundProc(h, m, w, l, TAG_WAVE, SOUND_WAVE); }); }
LRESULT CALLBACK QV_MidiProc(HWND h, UINT m, WPARAM w, LPARAM l) { return COMMONGuard(h, m, [&] { return SoundProc(h, m, w, l, TAG_MIDI, SOUND_MIDI); }); }
