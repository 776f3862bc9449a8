// The applet's sounds: waves and MIDI music that scripts play by number,
// numbered together, shown as their waveform or a MIDI sign and played
// through the editor's sound player while their information is open.
#include "tools/appletlists.h"
#include "common/msgdlg.h"
#include "common/owners.h"
#include "common/strings.h"
#include "document/applet.h"
#include "editor/filedialogs.h"
#include "editor/parts.h"
#include "editors/editparam.h"
#include "media/filedialogs.h"
#include "media/loaders.h"
#include "media/sound.h"
#include "media/soundfiles.h"
#include "resources/resource.h"
#include "tools/appletentrylist.h"
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

INT_PTR CALLBACK SelectAppletSoundProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam);

namespace {

const int entrybuttons[] = {IDC_APPLETDELETE, IDC_APPLETINFORMATION, 0};
constexpr int SOUNDAREAW = 180, SOUNDAREAH = 100;

const MEDIAHOST &Media()
{
    return EditorShowHost().media;
}

HGLOBAL Load(HWND dlg, const char *path, uint32_t *kind)
{
    const char *dot = strrchr(path, '.');
    if (dot && !strchr(dot, '\\') && lstrcmpiA(dot, ".MID") == 0) {
        *kind = ENTRY_MIDI;
        long size = 0;
        return COMMONLoadMidi(dlg, path, &size);
    }
    if (dot && !strchr(dot, '\\') && lstrcmpiA(dot, ".WAV") == 0) {
        *kind = ENTRY_WAVE;
        return LoadSound(dlg, path);
    }
    return NULL;
}

void DrawMidi(HDC dc, RECT area)
{
    FillRect(dc, &area, (HBRUSH)GetStockObject(BLACK_BRUSH));
    GdiObject<HFONT> font(CreateFontA(48, 0, 0, 0, FW_BOLD, 0, 0, 0, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                                      CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, "Times New Roman"));
    SavedDC saved(dc);
    SelectObject(dc, font);
    SetBkMode(dc, TRANSPARENT);
    // A light edge above and to the left, a shadow below and to the right.
    const struct {
        int dx, dy;
        COLORREF colour;
    } layers[] = {{-1, -1, 0x00FF00}, {2, 2, 0x606060}, {0, 0, 0x00C000}};
    for (const auto &layer : layers) {
        RECT r = area;
        OffsetRect(&r, layer.dx, layer.dy);
        SetTextColor(dc, layer.colour);
        DrawTextA(dc, "MIDI", -1, &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    }
}

void Draw(HDC dc, const RECT &item, const void *entry, uint32_t length, RECT *area)
{
    int x = item.left + 2 + std::max(0, (int)(item.right - item.left - 4 - SOUNDAREAW) / 2);
    int y = item.top + 2 + std::max(0, (int)(item.bottom - item.top - 4 - SOUNDAREAH) / 2);
    *area = RECT{x, y, x + SOUNDAREAW, y + SOUNDAREAH};
    const auto *head = (const OBJECTAPPLETENTRY *)entry;
    if (head->kind == ENTRY_MIDI) {
        DrawMidi(dc, *area);
        return;
    }
    // A sound it cannot draw still gets its black area.
    GlobalBlock copy(length ? NewGlobal(length, head + 1, length) : NULL);
    DrawWave(dc, x, y, SOUNDAREAW, SOUNDAREAH, copy.get());
}

// The information text of a wave: "Memory error" when it has no format.
bool WaveInformation(const OBJECTAPPLETENTRY &head, HGLOBAL data, char *text, size_t size)
{
    GlobalLocked<const PCMWAVEFORMAT> format(data);
    if (!format || head.length < WAVEDATAHEAD || format.size() < head.length)
        return false;
    unsigned rate = format->wf.nSamplesPerSec, align = format->wf.nBlockAlign;
    // A format without a rate or frame size plays for no time at all.
    double t = rate && align ? (double)(head.length - WAVEDATAHEAD) / ((double)rate * align) : 0;
    unsigned minutes = (unsigned)(t / 60), seconds = (unsigned)(t - minutes * 60.0);
    unsigned hundredths = (unsigned)((t - std::floor(t)) * 100);
    snprintf(text, size, FetchString(IDS_SOUNDINFORMATION), (int)head.number,
             format->wf.nChannels == 1 ? "Mono" : "Stereo", rate / 1000, rate % 1000 / 100, (int)format->wBitsPerSample,
             minutes, seconds, hundredths);
    return true;
}

void Information(HWND dlg)
{
    HGLOBAL entry = SelectedAppletEntry(dlg);
    OBJECTAPPLETENTRY head;
    GlobalBlock data(entry ? GetAppletEntryData(entry) : NULL);
    char text[512];
    if (!data || !GetObjectAppletEntryHeader(&head, entry) ||
        (head.kind == ENTRY_WAVE && !WaveInformation(head, data.get(), text, sizeof text))) {
        DoMessage(dlg, FetchString(IDS_MEMORY));
        return;
    }
    // A sound that cannot be played is still described, with the reason.
    if (!Media().playsound(dlg, data.get(), head.kind)) {
        ShowSoundError(dlg, head.kind == ENTRY_WAVE ? text : FetchString(IDS_NOSOUNDINFORMATION), data.get(),
                       head.kind);
        return;
    }
    DoMessage(dlg, head.kind == ENTRY_WAVE ? text : FetchString(IDS_NOSOUNDINFORMATION));
    Media().killsound(dlg);
}

bool Command(HWND dlg, int id)
{
    if (id != IDC_APPLETINFORMATION)
        return false;
    Information(dlg);
    return true;
}

// The sound player's notices are its own.
bool Filter(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam)
{
    return Media().soundmessage(dlg, msg, wParam, lParam) != 0;
}

const APPLETLIST sounds{
    "AppletSoundBox", {ENTRY_WAVE, ENTRY_MIDI}, entrybuttons, GetSoundFileName, Load, Draw, Command, nullptr, Filter,
};

} // namespace

INT_PTR CALLBACK SelectAppletSoundProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam)
{
    return AppletListMessage(dlg, msg, wParam, lParam);
}

int SelectAppletSound(HWND owner, EDITPARAM *param)
{
    return RunAppletList(owner, param, sounds, SelectAppletSoundProc);
}
