// The self-running document file: the player program, the header record and
// its objects, the pages with theirs, and the masked trailer.
#pragma once
#include <windows.h>

struct BLOCKSET;

// Saves the document of `list` to `path`: 1 on success. The document is
// written beside `path` first and takes its place only when complete, so a
// failed save leaves whatever `path` held untouched, returns 0 and leaves the
// error code of the step that failed for GetLastError (a folder too long for
// a temporary name gives ERROR_FILENAME_EXCED_RANGE).
int WriteExeFile(HWND list, BLOCKSET *set, const char *path);
// A new block of the fonts of every text object, one entry per face; 0 on failure.
HGLOBAL GetFontBlock(HWND list, BLOCKSET *set);
// Reads the file of the font selected into a device context, as GetFontData
// does; tests replace it to stand for a font that has no file to give.
typedef DWORD(WINAPI *FONTDATAREADER)(HDC dc, DWORD table, DWORD offset, void *buffer, DWORD size);
extern FONTDATAREADER DocumentFontData;
// Adds the font file of `face` unless the block holds that face already; a
// face whose file cannot be read is left out. 0 when memory fails.
int AddBlockFont(const char *face, HGLOBAL *block, HFONT font);
