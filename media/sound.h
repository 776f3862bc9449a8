// The process-wide sound player: one wave or MIDI sound at a time, played
// asynchronously from memory. The window that starts a sound receives its
// completion notice, and every window that plays sounds offers each of its
// messages to APPLETHandleMessage first.
#pragma once
#include "document/records.h"
#include <windows.h>
#include <mmsystem.h>

// What the player posts to the window of a looping background sound when it
// ends, so that the window starts it again. Numbered among the show's private
// messages (runtime/messages.h), whose windows are the ones that receive it.
constexpr UINT QVM_REPLAYSOUND = WM_USER + 146;
static_assert(QVM_REPLAYSOUND == 0x492);

// Sound kinds, also the kinds of applet sound entries.
constexpr DWORD SOUND_WAVE = MakeTag("wave");
constexpr DWORD SOUND_MIDI = MakeTag("midi");
static_assert(SOUND_WAVE == 0x65766177 && SOUND_MIDI == 0x6964696D);

// A WAVEDATA block: a PCMWAVEFORMAT, then the PCM bytes of the sound.
constexpr SIZE_T WAVEDATAHEAD = 16;
static_assert(sizeof(PCMWAVEFORMAT) == WAVEDATAHEAD);
static_assert(sizeof(WAVEHDR) == 32);

// Why a sound cannot be played as it stands: 0 when it can, else the
// string-table text that says why. The platform takes neither kind of damage
// well: its converter ends the process on a wave of hundreds of channels,
// and its sequencer holds the calling thread for seconds on a track that
// claims more than the file holds. So both players, and the dialogs that
// report a failed preview, ask first.
// A wave (the bytes of a WAVEDATA block) is PCM of 1 to 8 channels of 8, 16,
// 24 or 32 bits at 1,000 to 384,000 frames a second, with the frame size and
// the bytes per second that those make. A last frame cut short is no fault:
// only whole frames are played.
UINT WaveDataFault(const void *data, SIZE_T size);
// A MIDI file (or one wrapped in a RIFF "RMID" form) holds its header chunk
// whole, a format of 0, 1 or 2 with the track count it allows, a usable time
// division, and each track it counts as a chunk that lies whole inside it.
UINT MidiDataFault(const void *data, SIZE_T size);
// The MIDI file inside an RMID block, in a new block: the sequencer takes
// no wrapper. NULL for a plain MIDI file, which is played as it stands.
HGLOBAL UnwrappedMidi(HGLOBAL midi);
// The same asked of a block of either kind; 0 for any other kind.
UINT SoundDataFault(HGLOBAL data, DWORD kind);
// A checked wave's format as the platform reads it: the extended form, with
// no extra bytes, rather than the 16 bytes followed by samples.
inline WAVEFORMATEX PlatformFormat(const PCMWAVEFORMAT &f)
{
    return WAVEFORMATEX{f.wf.wFormatTag, f.wf.nChannels, f.wf.nSamplesPerSec, f.wf.nAvgBytesPerSec,
                        f.wf.nBlockAlign, f.wBitsPerSample, 0};
}

// Player state, one set for the whole process.
extern HGLOBAL APPLETwavehandle;          // private copy of the WAVEDATA playing
extern PCMWAVEFORMAT *APPLETwaveformat;  // the locked copy's format
extern BYTE *APPLETwavepointer;          // the locked copy's samples
extern HGLOBAL APPLETwaveheader;         // the one WAVEHDR, locked while playing
extern HWAVEOUT APPLEThwaveout;          // open wave output, or NULL
extern int APPLETid;                     // open sequencer, or -1
extern char APPLETtemppath[MAX_PATH];    // temporary MIDI file, or empty
extern int APPLETglobalsound;            // the sound playing is the background sound
extern int APPLETgloballoop;             // ... and it loops

// Stops whatever plays and starts `data` (a WAVEDATA for SOUND_WAVE, a whole
// MIDI file for SOUND_MIDI); notices go to `hwnd`. 1 when it started (or when
// the kind is neither), 0 on failure with the player idle. The caller keeps
// `data` and may free it at once.
int APPLETPlaySound(HWND hwnd, HGLOBAL data, DWORD kind);
// Finishes the sound on its completion notice and asks `hwnd` to replay a
// looping background sound. Always 0: the caller goes on with the message.
int APPLETHandleMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
// Marks the sound playing as the background sound; returns the previous mark.
int APPLETSetGlobalSound(HWND hwnd, int isbackground, int loop);
// Stops the wave and the MIDI playing, if any. Always 1.
int APPLETKillSound(HWND hwnd);
