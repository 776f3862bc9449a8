// Small routines the editor's dialogs share: sorting the names of a multiple
// file selection, the file name of a path, the word at an edit control's
// caret, whole files into memory, and the manual in the browser. The number
// with thousands separators is formatlong (common/services.h).
#pragma once
#include <windows.h>

// Sorts, in place, names ended by 0 each and by an empty name; 0 when
// scratch memory fails.
int SwabMultipleNames(char *names);
// The file name and extension of `path`, in a buffer the next call overwrites.
char *SubtractPath(const char *path);
// The word around the caret of `edit` into `word` (room for 260
// characters); 0, with `word` empty, when there is none or memory is short.
int GetWordAtCursor(HWND edit, char *word);
// The whole file in a new movable block, or NULL. `*length` receives the
// size when it is nonzero on entry.
HGLOBAL ReadBinaryFile(const char *path, long *length);
// The file made ready for an edit control (CR LF line breaks, tabs as
// blanks, other control characters dropped) in a buffer sized for a file of
// at most 16383 characters; NULL for an empty or missing file. The caller
// frees it with free().
char *LoadTextFile(const char *path);
// Opens the manual in the browser, after a warning the user may turn off; 1.
int ShowManual(HWND window);
