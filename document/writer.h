// The self-running document file: the player program, the header record and
// its objects, the pages with theirs, and the masked trailer.
#pragma once
#include "document/compress.h"
#include <windows.h>
#include <cstdint>

struct BLOCKSET;

// Reads the file of the font selected into a device context, as GetFontData
// does.
typedef DWORD(WINAPI *FONTDATAREADER)(HDC dc, DWORD table, DWORD offset, void *buffer, DWORD size);

// What a save asks of the platform. Either entry may be NULL, the platform's
// own: a test gives a write that fails part way or a font without a file.
struct SAVEHOST {
    DOCUMENTWRITER write;    // every byte written to the document's file
    FONTDATAREADER fontdata; // the files of the fonts embedded
};

// The object a save would not write, since no load would read it back as it
// is: its block's place in the list, its number and type, and its place
// among the block's objects (from 0); block -1 for none. An object whose
// block cannot be read has no number or type: `unread` says so, and only its
// place names it.
struct SAVEREFUSAL {
    int block = -1;
    uint32_t number = 0, tag = 0, place = 0;
    bool unread = false;
};

// Saves the document of `list` to `path`: 1 on success. The document is
// written beside `path` first and takes its place only when complete, so a
// failed save leaves whatever `path` held untouched, returns 0 and leaves the
// error code of the step that failed for GetLastError (a folder too long for
// a temporary name gives ERROR_FILENAME_EXCED_RANGE). An object refused is
// named in `refused`.
int WriteExeFile(HWND list, BLOCKSET *set, const char *path, const SAVEHOST &host = {},
                 SAVEREFUSAL *refused = nullptr);
// A new block of the fonts of every text object, one entry per face; 0 on failure.
HGLOBAL GetFontBlock(HWND list, BLOCKSET *set, const SAVEHOST &host = {});
// Adds the font file of `face` unless the block holds that face already; a
// face whose file cannot be read is left out. 0 when memory fails.
int AddBlockFont(const char *face, HGLOBAL *block, HFONT font, const SAVEHOST &host = {});
