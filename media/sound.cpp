#include "media/sound.h"
#include "common/paths.h"
#include "common/services.h"
#include "document/compress.h"

HGLOBAL APPLETwavehandle;
PCMWAVEFORMAT *APPLETwaveformat;
BYTE *APPLETwavepointer;
HGLOBAL APPLETwaveheader;
HWAVEOUT APPLEThwaveout;
int APPLETid = -1;
char APPLETtemppath[MAX_PATH];
int APPLETglobalsound;
int APPLETgloballoop;

// The locked WAVEHDR inside APPLETwaveheader, the one the device hands back,
// and the window its notice goes to.
static WAVEHDR *waveheader;
static HWND wavewindow;

// Frees a block, unlocking it first when it is locked, and forgets it.
static void FreeBlock(HGLOBAL &block, bool locked)
{
    if (block) {
        if (locked)
            GlobalUnlock(block);
        GlobalFree(block);
    }
    block = NULL;
}

// Unlocks and frees the wave copy and its header, whatever of them exists.
static void FreeWave()
{
    FreeBlock(APPLETwavehandle, APPLETwaveformat);
    FreeBlock(APPLETwaveheader, waveheader);
    APPLETwaveformat = NULL;
    APPLETwavepointer = NULL;
    waveheader = NULL;
    wavewindow = NULL;
}

static void DeleteTempMidi()
{
    if (APPLETtemppath[0])
        DeleteFileA(APPLETtemppath);
    APPLETtemppath[0] = 0;
}

// Gives back everything a start took, so that a failure leaves the player idle.
static int ReleaseFailedStart()
{
    FreeWave();
    DeleteTempMidi();
    APPLETid = -1;
    return 0;
}

static void ReplayBackground(HWND hwnd)
{
    if (APPLETglobalsound && APPLETgloballoop && hwnd)
        PostMessageA(hwnd, QVM_REPLAYSOUND, 0, 0);
}

static int StartWave(HWND hwnd, HGLOBAL data)
{
    if (!data || GlobalSize(data) < WAVEDATAHEAD)
        return 0;
    APPLETwavehandle = DuplicateObject(data);
    if (!APPLETwavehandle)
        return 0;
    SIZE_T size = GlobalSize(APPLETwavehandle);
    APPLETwaveformat = (PCMWAVEFORMAT *)GlobalLock(APPLETwavehandle);
    if (size < WAVEDATAHEAD || !APPLETwaveformat)
        return ReleaseFailedStart();
    // Only PCM plays as it stands. A format without channels or frame size is
    // damaged, and the platform's converter aborts the process on one.
    const WAVEFORMAT &format = APPLETwaveformat->wf;
    if (format.wFormatTag != WAVE_FORMAT_PCM || !format.nChannels || !format.nBlockAlign)
        return ReleaseFailedStart();
    APPLETwavepointer = (BYTE *)APPLETwaveformat + WAVEDATAHEAD;
    DWORD length = (DWORD)(size - WAVEDATAHEAD);
    length -= length % format.nBlockAlign; // the device takes whole frames only

    APPLETwaveheader = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT | GMEM_DDESHARE, sizeof(WAVEHDR));
    if (!APPLETwaveheader)
        return ReleaseFailedStart();
    waveheader = (WAVEHDR *)GlobalLock(APPLETwaveheader);
    if (!waveheader)
        return ReleaseFailedStart();

    HWAVEOUT device = NULL;
    if (waveOutOpen(&device, WAVE_MAPPER, (const WAVEFORMATEX *)APPLETwaveformat, (DWORD_PTR)hwnd, 0,
                    CALLBACK_WINDOW) != MMSYSERR_NOERROR)
        return ReleaseFailedStart();
    waveheader->lpData = (LPSTR)APPLETwavepointer;
    waveheader->dwBufferLength = length;
    waveheader->dwFlags = 0;
    waveheader->dwLoops = 0;
    if (waveOutPrepareHeader(device, waveheader, sizeof(WAVEHDR)) != MMSYSERR_NOERROR) {
        waveOutClose(device);
        return ReleaseFailedStart();
    }
    if (waveOutWrite(device, waveheader, sizeof(WAVEHDR)) != MMSYSERR_NOERROR) {
        waveOutUnprepareHeader(device, waveheader, sizeof(WAVEHDR));
        waveOutClose(device);
        return ReleaseFailedStart();
    }
    APPLEThwaveout = device;
    wavewindow = hwnd;
    return 1;
}

// A new, empty file of the player's own for the MIDI data: in the user's
// temporary folder, else in the current one. Either way the name is unique,
// so the file deleted when the sound ends is never one that someone else made.
static bool MakeTempMidiName()
{
    if (COMMONGetTemporaryFileName(APPLETtemppath, "MIDI", ".TMP", 0) > 0)
        return true;
    char folder[MAX_PATH];
    DWORD n = GetCurrentDirectoryA(sizeof folder, folder);
    return n && n < sizeof folder && COMMONGetTemporaryFileNameIn(APPLETtemppath, folder, "MIDI", ".TMP", 0) > 0;
}

static int StartMidi(HWND hwnd, HGLOBAL data)
{
    if (!MakeTempMidiName())
        return ReleaseFailedStart();
    if (!WriteObject(hwnd, APPLETtemppath, data))
        return ReleaseFailedStart();
    MCI_OPEN_PARMSA open{};
    open.lpstrDeviceType = "sequencer";
    open.lpstrElementName = APPLETtemppath;
    if (mciSendCommandA(0, MCI_OPEN, MCI_OPEN_TYPE | MCI_OPEN_ELEMENT, (DWORD_PTR)&open))
        return ReleaseFailedStart();
    APPLETid = (int)open.wDeviceID;
    MCI_PLAY_PARMS play{};
    play.dwCallback = (DWORD_PTR)hwnd;
    if (mciSendCommandA(open.wDeviceID, MCI_PLAY, MCI_NOTIFY, (DWORD_PTR)&play)) {
        MCI_GENERIC_PARMS close{};
        mciSendCommandA(open.wDeviceID, MCI_CLOSE, 0, (DWORD_PTR)&close);
        return ReleaseFailedStart();
    }
    return 1;
}

int APPLETPlaySound(HWND hwnd, HGLOBAL data, DWORD kind)
{
    APPLETSetGlobalSound(hwnd, 0, 0);
    APPLETKillSound(hwnd);
    if (kind == SOUND_WAVE)
        return StartWave(hwnd, data);
    if (kind == SOUND_MIDI)
        return StartMidi(hwnd, data);
    return 1;
}

int APPLETHandleMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case MM_MCINOTIFY: {
        // Only the end of the open sequencer's own play counts. Every stop
        // brings an "aborted" notice, device ids come back for the next
        // device, and main loops offer each message twice: acting on any of
        // those would close the next sound's device and delete its file.
        if (APPLETid == -1 || (MCIDEVICEID)lParam != (MCIDEVICEID)APPLETid)
            break;
        if (wParam != MCI_NOTIFY_SUCCESSFUL && wParam != MCI_NOTIFY_FAILURE)
            break;
        MCI_GENERIC_PARMS close{};
        close.dwCallback = (DWORD_PTR)hwnd;
        mciSendCommandA((MCIDEVICEID)APPLETid, MCI_CLOSE, MCI_WAIT, (DWORD_PTR)&close);
        APPLETid = -1;
        DeleteTempMidi();
        ReplayBackground(hwnd);
        break;
    }
    case MM_WOM_DONE:
        // A late notice, from a stop or offered a second time, names a header
        // that is freed by now. The next device and header often get the same
        // handle and address, so the notice must also reach the window that
        // started the sound. (One for a header still playing fails to
        // unprepare below.)
        if (!waveheader || hwnd != wavewindow || (HWAVEOUT)wParam != APPLEThwaveout ||
            (WAVEHDR *)lParam != waveheader)
            break;
        if (waveOutUnprepareHeader(APPLEThwaveout, waveheader, sizeof(WAVEHDR)) != MMSYSERR_NOERROR)
            break;
        if (waveOutClose(APPLEThwaveout) != MMSYSERR_NOERROR)
            break;
        APPLEThwaveout = NULL;
        FreeWave();
        ReplayBackground(hwnd);
        break;
    }
    return 0;
}

int APPLETSetGlobalSound(HWND, int isbackground, int loop)
{
    int previous = APPLETglobalsound;
    APPLETglobalsound = isbackground;
    APPLETgloballoop = loop;
    return previous;
}

int APPLETKillSound(HWND hwnd)
{
    if (APPLETwavehandle) {
        if (APPLEThwaveout) {
            waveOutReset(APPLEThwaveout);
            if (waveheader)
                waveOutUnprepareHeader(APPLEThwaveout, waveheader, sizeof(WAVEHDR));
            waveOutClose(APPLEThwaveout);
        }
        APPLEThwaveout = NULL;
        FreeWave();
    }
    if (APPLETid != -1) {
        // The stop asks for no notice of its own: its "successful" notice
        // would name a device id that the next sound's device may be given.
        // The play's "aborted" notice still tells the window that started it.
        MCI_GENERIC_PARMS parms{};
        parms.dwCallback = (DWORD_PTR)hwnd;
        mciSendCommandA((MCIDEVICEID)APPLETid, MCI_STOP, MCI_WAIT, (DWORD_PTR)&parms);
        mciSendCommandA((MCIDEVICEID)APPLETid, MCI_CLOSE, MCI_WAIT, (DWORD_PTR)&parms);
        APPLETid = -1;
        DeleteTempMidi();
        // The handler lets the stop's notices pass, so a looping background
        // MIDI stopped on its own comes back from here, once.
        ReplayBackground(hwnd);
    }
    return 1;
}
