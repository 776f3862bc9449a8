// Files turned into the attached data of page objects and applet entries,
// and a wave sound drawn as a picture. The loaders take the calling window
// first and do not use it; each returns a new movable global block that the
// caller owns, or NULL. None of them shows a message.
#pragma once
#include <windows.h>

// The bytes after a raw file in its object block.
constexpr SIZE_T OBJECTTAIL = 16;

// The whole file followed by 16 zero bytes.
HGLOBAL LoadObject(HWND hwnd, const char *path);
// The DIB of an AVI file's first frame, then the file as LoadObject gives it;
// the sizes of the two parts go to the pointers that are given.
HGLOBAL LoadMovie(HWND hwnd, const char *path, long *imagesize, long *filesize);
// A WAVEDATA block of a PCM wave file as RiffWave takes it; the number of
// sample bytes goes to `datasize` when given.
HGLOBAL LoadSound(HWND hwnd, const char *path, long *datasize = nullptr);
// Draws the wave green on black in the rectangle; 0 when the block cannot be
// locked or is no sound it can draw.
int DrawWave(HDC hdc, int x, int y, int width, int height, HGLOBAL wave);
