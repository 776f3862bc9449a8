// The editor's file dialogs over the common open and save dialogs. Each
// takes the owner and a path buffer and returns nonzero when a file was
// chosen, which is then in the buffer.
#pragma once
#include <windows.h>

#include "media/filedialogs.h" // MULTIPLEFILEBUFFER

// Buffers of MAX_PATH characters; the open ones start in the folder of the
// path the buffer holds and leave it unchanged on Cancel.
int GetOpenFileNameA(HWND owner, char *buffer);
int GetOpenDocName(HWND owner, char *buffer);
// Buffers of MULTIPLEFILEBUFFER characters: one path, or the folder followed
// by the chosen names, each ended by a zero, the last by two.
int GetSoundFileName(HWND owner, char *buffer);
int GetAnimationFileName(HWND owner, char *buffer);
int GetWAVEFileName(HWND owner, char *buffer);
int GetMIDIFileName(HWND owner, char *buffer);
// The buffer holds the proposed name; ".EXE" is added when none is typed,
// and an existing file is confirmed before it is replaced.
int GetWriteFileName(HWND owner, char *buffer);
int GetWriteExeFileName(HWND owner, char *buffer);
