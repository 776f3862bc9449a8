#include "media/sound.h"
#include "common/paths.h"
#include "common/services.h"
#include "common/owners.h"
#include "document/compress.h"
#include "media/riff.h"
#include "resources/filedialogs_ids.h"
#include <cstdint>
#include <cstring>

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

namespace {

uint32_t Big32(const uint8_t *p)
{
    return (uint32_t)p[0] << 24 | (uint32_t)p[1] << 16 | (uint32_t)p[2] << 8 | p[3];
}

uint16_t Big16(const uint8_t *p)
{
    return (uint16_t)(p[0] << 8 | p[1]);
}

// The standard MIDI file a block holds: the block itself, or the whole
// "data" chunk of a RIFF "RMID" form; false when that form has none.
bool MidiFileIn(const uint8_t **p, SIZE_T *size)
{
    const RIFFSOURCE source = RiffMemory(*p, *size);
    RIFFCHUNK form, data;
    const RIFFFAULT fault = RiffForm(source, mmioFOURCC('R', 'M', 'I', 'D'), &form);
    if (fault == RIFF_NOTFORM)
        return true;
    if (fault || RiffFind(source, form, mmioFOURCC('d', 'a', 't', 'a'), &data) || data.held < data.size)
        return false;
    *p += data.start;
    *size = data.size;
    return true;
}

} // namespace

UINT WaveDataFault(const void *data, SIZE_T size)
{
    if (!data || size < WAVEDATAHEAD)
        return IDS_SOUNDNOFORMAT;
    PCMWAVEFORMAT format;
    memcpy(&format, data, sizeof format);
    const WAVEFORMAT &f = format.wf;
    if (f.wFormatTag != WAVE_FORMAT_PCM)
        return IDS_SOUNDNOTPCM;
    if (f.nChannels < 1 || f.nChannels > 8)
        return IDS_SOUNDCHANNELS;
    const unsigned bits = format.wBitsPerSample;
    if (bits != 8 && bits != 16 && bits != 24 && bits != 32)
        return IDS_SOUNDBITS;
    if (f.nBlockAlign != f.nChannels * (bits / 8))
        return IDS_SOUNDALIGN;
    if (f.nSamplesPerSec < 1000 || f.nSamplesPerSec > 384000)
        return IDS_SOUNDRATE;
    if (f.nAvgBytesPerSec != f.nSamplesPerSec * f.nBlockAlign) // at most 12,288,000: no overflow
        return IDS_SOUNDBYTERATE;
    return 0;
}

UINT MidiDataFault(const void *data, SIZE_T size)
{
    const uint8_t *p = (const uint8_t *)data;
    if (!p || !MidiFileIn(&p, &size))
        return IDS_MIDIHEADER;
    if (size < 14 || memcmp(p, "MThd", 4) != 0)
        return IDS_MIDIHEADER;
    const uint32_t headlength = Big32(p + 4);
    if (headlength < 6 || headlength > size - 8)
        return IDS_MIDIHEADER;
    const unsigned format = Big16(p + 8), tracks = Big16(p + 10), division = Big16(p + 12);
    if (format > 2 || tracks == 0 || (format == 0 && tracks != 1) || division == 0)
        return IDS_MIDIHEADER;
    // Frames a second of SMPTE time are 24, 25, 29 (drop frame) or 30, and
    // each frame has ticks.
    if (division & 0x8000) {
        const int fps = -(int)(int8_t)(division >> 8);
        if ((fps != 24 && fps != 25 && fps != 29 && fps != 30) || (division & 0xFF) == 0)
            return IDS_MIDIHEADER;
    }
    SIZE_T at = 8 + (SIZE_T)headlength;
    for (unsigned found = 0; found < tracks;) {
        if (size - at < 8)
            return IDS_MIDITRACKS;
        const SIZE_T length = Big32(p + at + 4);
        if (length > size - at - 8)
            return IDS_MIDITRACKS;
        found += memcmp(p + at, "MTrk", 4) == 0;
        at += 8 + length;
    }
    return 0;
}

HGLOBAL UnwrappedMidi(HGLOBAL midi)
{
    GlobalLocked<const uint8_t> bytes(midi);
    const uint8_t *p = bytes.get();
    SIZE_T size = bytes.size();
    if (!p || !MidiFileIn(&p, &size) || p == bytes.get())
        return NULL;
    GlobalBlock plain = GlobalBlock::Alloc(size);
    {
        GlobalLocked<uint8_t> out(plain);
        if (out)
            memcpy(out.get(), p, size);
        else
            plain.Reset();
    }
    return plain.Release();
}

UINT SoundDataFault(HGLOBAL data, DWORD kind)
{
    if (kind != SOUND_WAVE && kind != SOUND_MIDI)
        return 0;
    GlobalLocked<const uint8_t> bytes(data);
    if (!bytes)
        return kind == SOUND_WAVE ? IDS_SOUNDNOFORMAT : IDS_MIDIHEADER;
    return kind == SOUND_WAVE ? WaveDataFault(bytes.get(), bytes.size()) : MidiDataFault(bytes.get(), bytes.size());
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
    if (WaveDataFault(APPLETwaveformat, size))
        return ReleaseFailedStart();
    const WAVEFORMATEX format = PlatformFormat(*APPLETwaveformat);
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
    if (waveOutOpen(&device, WAVE_MAPPER, &format, (DWORD_PTR)hwnd, 0, CALLBACK_WINDOW) != MMSYSERR_NOERROR)
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
    if (SoundDataFault(data, SOUND_MIDI))
        return ReleaseFailedStart();
    if (!MakeTempMidiName())
        return ReleaseFailedStart();
    GlobalBlock plain(UnwrappedMidi(data));
    if (!WriteObject(hwnd, APPLETtemppath, plain ? plain.get() : data))
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
