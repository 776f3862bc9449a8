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
