// Wave and MIDI files for the sound dialogs: readers, the text of a wave's
// format and length, its waveform as a picture, writing a block to a file,
// and the preview players behind the open dialogs' "&Preview" buttons. The
// preview players keep state of their own, apart from the sound player, and
// follow its rules: only their own device's notices count, a failed start
// gives back everything, and a temporary MIDI file is a new one of their own
// that goes with every stop and failure.
#pragma once
#include <windows.h>
#include <mmsystem.h>

// A WAVEDATA block of a PCM wave file, as LoadSound takes it; `datasize`
// receives the length of its samples as soon as they are known.
HGLOBAL COMMONLoadSound(HWND hwnd, const char *path, long *datasize);
// The same walk without the samples: the format and the samples' length;
// a zero format when the file is refused.
int COMMONLoadSoundHeader(HWND hwnd, const char *path, PCMWAVEFORMAT *format, long *datasize);
// The whole file in a block of exactly its size.
HGLOBAL COMMONLoadMidi(HWND hwnd, const char *path, long *size);
// Writes the whole block to `path`: 1 on success. The bytes go to a new file
// beside it first, which then takes the name, so a failure leaves any file of
// that name as it was and nothing partial behind.
int WriteGlobalToFile(HWND hwnd, const char *path, HGLOBAL data);

// "Stereo 44.1 kHz 01:01.25": channels, rate and length, in a buffer the
// next call overwrites.
char *COMMONGetSoundFormat(const PCMWAVEFORMAT *format, long datasize);
// The length in milliseconds.
int COMMONGetSoundDuration(const PCMWAVEFORMAT *format, long datasize);
// A new 24-bit DIB of width x height with the waveform of a WAVEDATA block of
// 8- or 16-bit mono or stereo PCM: mono in `first` round the middle, stereo
// with the first channel in the upper half and the second in `second` in the
// lower; with `normalise` each channel's loudest column reaches the edges.
HGLOBAL COMMONVisualizeSound(HGLOBAL wave, long datasize, int width, int height, COLORREF first,
                             COLORREF second, COLORREF background, int normalise);

// The wave preview: its private copy, the one WAVEHDR block and the device.
extern HGLOBAL COMMONwavehandle;
extern HGLOBAL COMMONwaveheader;
extern HWAVEOUT COMMONhwaveout;
// The MIDI preview: the open sequencer (-1 for none) and its file.
extern int COMMONmidiid;
extern char COMMONmiditemppath[MAX_PATH];

// Stops the wave preview and plays a copy of `wave`; notices go to `hwnd`.
// 1 when it plays; 0 with the preview idle.
int COMMONWavePlaySound(HWND hwnd, HGLOBAL wave);
int COMMONWaveKillSound(HWND hwnd); // always 1
// Releases the preview at the end of its own play; always 0.
int COMMONWaveHandleMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
int COMMONMidiPlaySound(HWND hwnd, HGLOBAL midi);
int COMMONMidiKillSound(HWND hwnd);
int COMMONMidiHandleMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
