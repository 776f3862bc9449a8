// The wave and MIDI open dialogs, with the selected wave's waveform and
// format beside the standard controls and a button that previews the
// selected sound, and their plain save dialogs.
#include "common/msgdlg.h"
#include "common/guard.h"
#include "common/owners.h"
#include "common/shell.h"
#include "common/strings.h"
#include "common/windowvalue.h"
#include "media/filedialogs.h"
#include "media/sound.h"
#include "media/soundfiles.h"
#include "resources/filedialogs_ids.h"
#include <cctype>
#include <string>

namespace {

const char wavefilter[] = "WAV files\0*.WAV\0All files\0*.*\0";
const char midifilter[] = "MIDI files\0*.MID\0All files\0*.*\0";
const char midisavefilter[] = "MID files\0*.MID\0All files\0*.*\0";

constexpr DWORD OPENFLAGS = OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_ENABLETEMPLATE |
                            OFN_ENABLEHOOK | OFN_NOCHANGEDIR | OFN_HIDEREADONLY;
constexpr DWORD SAVEFLAGS = OFN_EXPLORER | OFN_NOCHANGEDIR | OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT;
static_assert(OPENFLAGS == 0x8186C && (OPENFLAGS | OFN_ALLOWMULTISELECT) == 0x81A6C && SAVEFLAGS == 0x8000E);

// One open dialog's state: whether its preview plays, and the selected
// wave's waveform as the preview box last showed it. Reading a long wave
// costs far more than a paint, so the picture is made once for a selection
// and a box size and every repaint draws it; a wave that gave no picture is
// remembered as such, so that it is not read again either.
struct SOUNDDIALOG {
    bool playing = false;
    GlobalBlock waveform;
    std::string wavepath;
    SIZE wavesize{};
    bool waveread = false;
    void ForgetWaveform()
    {
        waveform.Reset();
        wavepath.clear();
        waveread = false;
    }
};

// Each kind of sound: its preview player and its reader.
struct SOUNDKIND {
    int (*play)(HWND, HGLOBAL);
    int (*kill)(HWND);
    int (*handle)(HWND, UINT, WPARAM, LPARAM);
    bool (*busy)();
    HGLOBAL (*load)(const char *path);
    DWORD kind;
};

HGLOBAL LoadWave(const char *path)
{
    return COMMONLoadSound(NULL, path, NULL);
}

HGLOBAL LoadMidi(const char *path)
{
    return COMMONLoadMidi(NULL, path, NULL);
}

const SOUNDKIND wavekind{COMMONWavePlaySound, COMMONWaveKillSound, COMMONWaveHandleMessage,
                         [] { return COMMONhwaveout != NULL; }, LoadWave, SOUND_WAVE};
const SOUNDKIND midikind{COMMONMidiPlaySound, COMMONMidiKillSound, COMMONMidiHandleMessage,
                         [] { return COMMONmidiid != -1; }, LoadMidi, SOUND_MIDI};

int OpenSound(HWND owner, char *path, const char *filter, DWORD size, DWORD flags, const char *defext,
              LPOFNHOOKPROC hook, int templ, const SOUNDKIND &kind)
{
    SOUNDDIALOG state;
    FILEDIALOG d{.filter = filter, .path = path, .size = size, .defext = defext, .flags = flags, .hook = hook,
                 .templ = MAKEINTRESOURCEA(templ), .state = (LPARAM)&state};
    int chosen = RunFileDialog(owner, d, false);
    kind.kill(NULL); // a preview must not outlive its dialog
    return chosen;
}

int SaveSound(HWND owner, char *path, const char *filter, const char *defext)
{
    FILEDIALOG d{.filter = filter, .path = path, .size = FILENAMEBUFFER, .defext = defext, .flags = SAVEFLAGS};
    return RunFileDialog(owner, d, true);
}

void ShowStopped(HWND dialog, SOUNDDIALOG *state)
{
    SetDlgItemTextA(dialog, IDC_FILEPREVIEW, "&Preview");
    state->playing = false;
}

// What the two hooks share: the preview button, the end of a preview and
// the dialog's end. True when the message is dealt with.
bool HandlePreview(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam, SOUNDDIALOG *state,
                   const SOUNDKIND &kind)
{
    kind.handle(dialog, message, wparam, lparam);
    switch (message) {
    case MM_MCINOTIFY:
    case MM_WOM_DONE:
        // Only a preview that has ended: a late notice of one stopped
        // before leaves the one playing now alone.
        if (state->playing && !kind.busy())
            ShowStopped(dialog, state);
        return true;
    case WM_DESTROY:
        kind.kill(dialog);
        return true;
    case WM_COMMAND:
        if (LOWORD(wparam) != IDC_FILEPREVIEW || HIWORD(wparam) != BN_CLICKED)
            return false;
        if (state->playing) {
            kind.kill(dialog);
            ShowStopped(dialog, state);
            return true;
        }
        {
            char path[FILENAMEBUFFER];
            HGLOBAL sound = GetSelectedPath(dialog, path) && path[0] ? kind.load(path) : NULL;
            if (!sound)
                return true;
            if (kind.play(dialog, sound)) {
                SetDlgItemTextA(dialog, IDC_FILEPREVIEW, "&Silence");
                state->playing = true;
            } else {
                ShowSoundError(dialog, FetchString(IDS_SOUNDPREVIEWERROR), sound, kind.kind);
            }
            GlobalFree(sound);
        }
        return true;
    }
    return false;
}

SOUNDDIALOG *Bind(HWND dialog, UINT message, LPARAM lparam)
{
    if (message == WM_INITDIALOG) {
        const OPENFILENAMEA *ofn = (const OPENFILENAMEA *)lparam;
        SetWindowValue<LPARAM>(dialog, DWLP_USER, ofn ? ofn->lCustData : 0);
    }
    return GetWindowValue<SOUNDDIALOG *>(dialog, DWLP_USER);
}

// The selection's waveform, made for a box of `size`: the wave is read
// whole only while the picture is made, and given back at once.
HGLOBAL MakeWaveform(const char *path, SIZE size)
{
    long datasize = 0;
    GlobalBlock wave(COMMONLoadSound(NULL, path, &datasize));
    if (!wave)
        return NULL;
    const COLORREF shadow = GetSysColor(COLOR_BTNSHADOW);
    return COMMONVisualizeSound(wave.get(), datasize, size.cx, size.cy, shadow, shadow, RGB(255, 255, 255), 1);
}

void DrawWaveform(HWND dialog, const DRAWITEMSTRUCT *item, SOUNDDIALOG *state)
{
    RECT inside;
    DrawPreviewFrame(item, &inside);
    char path[FILENAMEBUFFER];
    if (IsDlgButtonChecked(dialog, IDC_WAVEPREVIEWON) != BST_CHECKED || !GetSelectedPath(dialog, path) || !path[0])
        return;
    const SIZE size{inside.right - inside.left, inside.bottom - inside.top};
    if (!state->waveread || state->wavepath != path || state->wavesize.cx != size.cx ||
        state->wavesize.cy != size.cy) {
        state->ForgetWaveform();
        state->waveform.Reset(MakeWaveform(path, size));
        state->wavepath = path;
        state->wavesize = size;
        state->waveread = true;
    }
    if (state->waveform)
        DrawScaledPreview(item->hDC, item->rcItem, inside, state->waveform.get());
}

} // namespace

void ShowSoundError(HWND owner, const char *text, HGLOBAL sound, DWORD kind)
{
    std::string shown = text;
    // A sentence gets its full stop before the reason; figures do not.
    if (UINT fault = SoundDataFault(sound, kind))
        shown = shown + (!shown.empty() && isalpha((unsigned char)shown.back()) ? "." : "") + "\n\n" +
                FetchString(fault);
    DoMessage(owner, shown.c_str());
}

int COMMONGetOpenWaveFileName(HWND owner, char *path)
{
    return OpenSound(owner, path, wavefilter, FILENAMEBUFFER, OPENFLAGS, "WAV", WaveOpenHookProc,
                     COMMONOPENWAVEFILENAMEX, wavekind);
}

int COMMONGetOpenWaveFileNameMultiple(HWND owner, char *path)
{
    return OpenSound(owner, path, wavefilter, MULTIPLEFILEBUFFER, OPENFLAGS | OFN_ALLOWMULTISELECT, "WAV",
                     WaveOpenHookProc, COMMONOPENWAVEFILENAMEX, wavekind);
}

int COMMONGetOpenMidiFileName(HWND owner, char *path)
{
    return OpenSound(owner, path, midifilter, FILENAMEBUFFER, OPENFLAGS, "MID", MidiOpenHookProc,
                     COMMONOPENMIDIFILENAMEX, midikind);
}

int COMMONGetOpenMidiFileNameMultiple(HWND owner, char *path)
{
    return OpenSound(owner, path, midifilter, MULTIPLEFILEBUFFER, OPENFLAGS | OFN_ALLOWMULTISELECT, "MID",
                     MidiOpenHookProc, COMMONOPENMIDIFILENAMEX, midikind);
}

int COMMONGetWriteWaveFileName(HWND owner, char *path)
{
    return SaveSound(owner, path, wavefilter, "WAV");
}

int COMMONGetWriteMidiFileName(HWND owner, char *path)
{
    return SaveSound(owner, path, midisavefilter, "MID");
}

static UINT_PTR WaveOpenHookMessage(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam)
{
    SOUNDDIALOG *state = Bind(dialog, message, lparam);
    if (!state || HandlePreview(dialog, message, wparam, lparam, state, wavekind))
        return 0;
    switch (message) {
    case WM_NOTIFY:
        switch (((const NMHDR *)lparam)->code) {
        case CDN_INITDONE:
            DestroyWindow(GetDlgItem(dialog, IDC_WAVELOOP));
            MoveControlTo(dialog, IDC_FILEPREVIEW, 150);
            MoveControlTo(dialog, IDC_FILEINFO, 180);
            MoveControlTo(dialog, IDC_WAVEPANEL, 6);
            MoveControlTo(dialog, IDC_WAVEPREVIEWON, 222);
            CheckDlgButton(dialog, IDC_WAVEPREVIEWON, WaveOpenIsPreview ? BST_CHECKED : BST_UNCHECKED);
            state->playing = false;
            break;
        case CDN_SELCHANGE: {
            wavekind.kill(dialog);
            ShowStopped(dialog, state);
            state->ForgetWaveform(); // the same name may be another file by now
            char path[FILENAMEBUFFER];
            if (!GetSelectedPath(dialog, path))
                break;
            PCMWAVEFORMAT format;
            long datasize;
            // Another file's format must not stay beside this one.
            const bool wave = path[0] && COMMONLoadSoundHeader(NULL, path, &format, &datasize);
            SetDlgItemTextA(dialog, IDC_FILEINFO, wave ? COMMONGetSoundFormat(&format, datasize) : "");
            InvalidateRect(GetDlgItem(dialog, IDC_WAVEPANEL), NULL, FALSE);
            break;
        }
        }
        return 0;
    case WM_DRAWITEM:
        if (wparam != IDC_WAVEPANEL)
            return 0;
        DrawWaveform(dialog, (const DRAWITEMSTRUCT *)lparam, state);
        return 1;
    case WM_COMMAND:
        if (LOWORD(wparam) == IDC_WAVEPREVIEWON && HIWORD(wparam) == BN_CLICKED) {
            WaveOpenIsPreview = IsDlgButtonChecked(dialog, IDC_WAVEPREVIEWON) == BST_CHECKED;
            state->ForgetWaveform();
            InvalidateRect(GetDlgItem(dialog, IDC_WAVEPANEL), NULL, FALSE);
        }
        return 0;
    }
    return 0;
}

UINT_PTR CALLBACK WaveOpenHookProc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam)
{
    return COMMONGuard(dialog, message, [&] { return WaveOpenHookMessage(dialog, message, wparam, lparam); });
}

static UINT_PTR MidiOpenHookMessage(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam)
{
    SOUNDDIALOG *state = Bind(dialog, message, lparam);
    if (!state || HandlePreview(dialog, message, wparam, lparam, state, midikind))
        return 0;
    if (message != WM_NOTIFY)
        return 0;
    switch (((const NMHDR *)lparam)->code) {
    case CDN_INITDONE:
        MoveControlTo(dialog, IDC_FILEPREVIEW, 150);
        MoveControlTo(dialog, IDC_MIDITEXT, 180);
        state->playing = false;
        break;
    case CDN_SELCHANGE:
        midikind.kill(dialog);
        ShowStopped(dialog, state);
        break;
    }
    return 0;
}

UINT_PTR CALLBACK MidiOpenHookProc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam)
{
    return COMMONGuard(dialog, message, [&] { return MidiOpenHookMessage(dialog, message, wparam, lparam); });
}
