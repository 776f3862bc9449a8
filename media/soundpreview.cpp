// The preview players of the sound open dialogs: one wave and one MIDI
// preview for the whole process, apart from the sound player.
#include "common/owners.h"
#include "common/paths.h"
#include "common/services.h"
#include "media/sound.h"
#include "media/soundfiles.h"

HGLOBAL COMMONwavehandle;
HGLOBAL COMMONwaveheader;
HWAVEOUT COMMONhwaveout;
int COMMONmidiid = -1;
char COMMONmiditemppath[MAX_PATH];

namespace {

// The locked copy's format, the locked WAVEHDR the device hands back, and
// the window its notice goes to.
PCMWAVEFORMAT *waveformat;
WAVEHDR *waveheader;
HWND wavewindow;
// The window that started the MIDI preview.
HWND midiwindow;

void FreeBlock(HGLOBAL &block, bool locked)
{
    if (block) {
        if (locked)
            GlobalUnlock(block);
        GlobalFree(block);
    }
    block = NULL;
}

// Gives back everything of the wave preview; a failed start ends here too.
int ReleaseWave()
{
    FreeBlock(COMMONwavehandle, waveformat);
    FreeBlock(COMMONwaveheader, waveheader);
    COMMONhwaveout = NULL;
    waveformat = NULL;
    waveheader = NULL;
    wavewindow = NULL;
    return 0;
}

int ReleaseMidi()
{
    if (COMMONmiditemppath[0])
        DeleteFileA(COMMONmiditemppath);
    COMMONmiditemppath[0] = 0;
    COMMONmidiid = -1;
    midiwindow = NULL;
    return 0;
}

// A new, empty file of the preview's own, in the temporary folder or else in
// the current one: never a name someone else's file has.
bool MakeTempMidiName()
{
    if (COMMONGetTemporaryFileName(COMMONmiditemppath, "MIDI", ".TMP", 0) > 0)
        return true;
    char folder[MAX_PATH];
    DWORD n = GetCurrentDirectoryA(sizeof folder, folder);
    return n && n < sizeof folder &&
           COMMONGetTemporaryFileNameIn(COMMONmiditemppath, folder, "MIDI", ".TMP", 0) > 0;
}

} // namespace

int COMMONWavePlaySound(HWND hwnd, HGLOBAL wave)
{
    COMMONWaveKillSound(hwnd);
    if (!wave || GlobalSize(wave) < WAVEDATAHEAD)
        return 0;
    COMMONwavehandle = DuplicateObject(wave);
    if (!COMMONwavehandle)
        return 0;
    const SIZE_T size = GlobalSize(COMMONwavehandle);
    waveformat = (PCMWAVEFORMAT *)GlobalLock(COMMONwavehandle);
    if (size < WAVEDATAHEAD || !waveformat)
        return ReleaseWave();
    if (WaveDataFault(waveformat, size))
        return ReleaseWave();
    const WAVEFORMATEX format = PlatformFormat(*waveformat);
    DWORD length = (DWORD)(size - WAVEDATAHEAD);
    length -= length % format.nBlockAlign;

    COMMONwaveheader = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT | GMEM_DDESHARE, sizeof(WAVEHDR));
    waveheader = COMMONwaveheader ? (WAVEHDR *)GlobalLock(COMMONwaveheader) : NULL;
    if (!waveheader)
        return ReleaseWave();
    HWAVEOUT device = NULL;
    if (waveOutOpen(&device, WAVE_MAPPER, &format, (DWORD_PTR)hwnd, 0, CALLBACK_WINDOW) != MMSYSERR_NOERROR)
        return ReleaseWave();
    waveheader->lpData = (LPSTR)waveformat + WAVEDATAHEAD;
    waveheader->dwBufferLength = length;
    if (waveOutPrepareHeader(device, waveheader, sizeof(WAVEHDR)) != MMSYSERR_NOERROR) {
        waveOutClose(device);
        return ReleaseWave();
    }
    if (waveOutWrite(device, waveheader, sizeof(WAVEHDR)) != MMSYSERR_NOERROR) {
        waveOutUnprepareHeader(device, waveheader, sizeof(WAVEHDR));
        waveOutClose(device);
        return ReleaseWave();
    }
    COMMONhwaveout = device;
    wavewindow = hwnd;
    return 1;
}

int COMMONWaveKillSound(HWND)
{
    if (COMMONhwaveout) {
        waveOutReset(COMMONhwaveout);
        waveOutUnprepareHeader(COMMONhwaveout, waveheader, sizeof(WAVEHDR));
        waveOutClose(COMMONhwaveout);
    }
    ReleaseWave();
    return 1;
}

int COMMONWaveHandleMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    // A late notice, from a stop or offered twice, names a device and header
    // that are gone, and the next preview often gets the same ones.
    if (msg != MM_WOM_DONE || !COMMONhwaveout || hwnd != wavewindow || (HWAVEOUT)wParam != COMMONhwaveout ||
        (WAVEHDR *)lParam != waveheader)
        return 0;
    if (waveOutUnprepareHeader(COMMONhwaveout, waveheader, sizeof(WAVEHDR)) != MMSYSERR_NOERROR)
        return 0;
    if (waveOutClose(COMMONhwaveout) != MMSYSERR_NOERROR)
        return 0;
    ReleaseWave();
    return 0;
}

int COMMONMidiPlaySound(HWND hwnd, HGLOBAL midi)
{
    // A preview still open would keep its device and its file for good.
    COMMONMidiKillSound(hwnd);
    if (SoundDataFault(midi, SOUND_MIDI) || !MakeTempMidiName())
        return ReleaseMidi();
    GlobalBlock plain(UnwrappedMidi(midi));
    if (!WriteGlobalToFile(hwnd, COMMONmiditemppath, plain ? plain.get() : midi))
        return ReleaseMidi();
    MCI_OPEN_PARMSA open{};
    open.lpstrDeviceType = "sequencer";
    open.lpstrElementName = COMMONmiditemppath;
    if (mciSendCommandA(0, MCI_OPEN, MCI_OPEN_TYPE | MCI_OPEN_ELEMENT, (DWORD_PTR)&open))
        return ReleaseMidi();
    MCI_PLAY_PARMS play{};
    play.dwCallback = (DWORD_PTR)hwnd;
    if (mciSendCommandA(open.wDeviceID, MCI_PLAY, MCI_NOTIFY, (DWORD_PTR)&play)) {
        MCI_GENERIC_PARMS close{};
        mciSendCommandA(open.wDeviceID, MCI_CLOSE, MCI_WAIT, (DWORD_PTR)&close);
        return ReleaseMidi();
    }
    COMMONmidiid = (int)open.wDeviceID;
    midiwindow = hwnd;
    return 1;
}

int COMMONMidiKillSound(HWND)
{
    if (COMMONmidiid != -1) {
        // No notice of the stop's own: it would name a device id that the
        // next preview may be given.
        MCI_GENERIC_PARMS parms{};
        mciSendCommandA((MCIDEVICEID)COMMONmidiid, MCI_STOP, MCI_WAIT, (DWORD_PTR)&parms);
        mciSendCommandA((MCIDEVICEID)COMMONmidiid, MCI_CLOSE, MCI_WAIT, (DWORD_PTR)&parms);
    }
    ReleaseMidi();
    return 1;
}

int COMMONMidiHandleMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    // Only the end of the open sequencer's own play: a stop's "aborted"
    // notice, or one for a device id since given to someone else, leaves it.
    if (msg != MM_MCINOTIFY || COMMONmidiid == -1 || hwnd != midiwindow ||
        (MCIDEVICEID)lParam != (MCIDEVICEID)COMMONmidiid ||
        (wParam != MCI_NOTIFY_SUCCESSFUL && wParam != MCI_NOTIFY_FAILURE))
        return 0;
    MCI_GENERIC_PARMS close{};
    mciSendCommandA((MCIDEVICEID)COMMONmidiid, MCI_CLOSE, MCI_WAIT, (DWORD_PTR)&close);
    ReleaseMidi();
    return 0;
}
