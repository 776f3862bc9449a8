// Reading a self-running document file back into a block list, and the
// document password.
#pragma once
#include "document/compress.h"
#include <windows.h>
#include <cstdint>

struct BLOCKSET;
struct OBJECTHEADER;

// What a load asks of the program that reads the document. Any entry may be
// NULL: no password is asked for (a protected document reads like any
// other), damage fails the load, no progress is shown, the platform reads.
struct LOADHOST {
    // The password typed into `buffer` (room for STOREDPASSWORDCHARS + 1
    // characters): 1; 0 gives up.
    int (*password)(HWND parent, char *buffer);
    // Nonzero to go on despite damage (an object whose data or head is
    // damaged is left out or mended, blocks that do not add up are taken as
    // they are); asked at most once a document.
    int (*goonwithout)(HWND parent);
    // Progress: begun once the header is read (with the header's flags),
    // then blocks done of total, then ended whether or not the load worked.
    void (*openprogress)(HWND parent, uint32_t headerflags);
    void (*progress)(unsigned done, unsigned total);
    void (*closeprogress)();
    bool keepfonts; // keep the embedded-font object in the header block
    bool titles;    // give every block its title
    // Every byte of the file is read through this (see ReadBytes).
    DOCUMENTREADER read;
};
// The editor's answers: the password box, the question whether to go on
// without a damaged object, the status bar's progress; fonts dropped, titles set.
extern const LOADHOST EDITORLOAD;

// Every block and object of a document in memory holds a movable memory
// handle, and a process has about 65,536 of them: a document may take this
// many, which leaves the program room for its own.
constexpr uint32_t MAXDOCUMENTHANDLES = 64000;
// The last error of a load refused for needing more than that.
constexpr DWORD LOADERROR_TOOMANYBLOCKS = 0x20000000 | 1;
// The last error of a load of a file that holds no document (a program or
// a file of another kind), as opposed to one that is damaged or unreadable.
constexpr DWORD LOADERROR_NOTDOCUMENT = 0x20000000 | 2;

// Appends the document held at the end of `path` to `list`: 1 on success.
// Nothing in the file is trusted: a damaged document ends in 0, or in the
// host's choice to go on despite the damage, asked once for the document.
// A document with more pages and objects than the system can hold ends in 0
// before the first handle would fail, with none of it left in the list, and
// the last error LOADERROR_TOOMANYBLOCKS. The list's look (item heights,
// focus) is the caller's to adjust afterwards.
int LoadExeFileWith(HWND list, BLOCKSET *set, const char *path, const LOADHOST &host);
// The editor's load: EDITORLOAD, with the wait cursor.
int LoadExeFile(HWND list, BLOCKSET *set, const char *path);

// Makes an object read from a file safe to use: its texts end inside their
// fields, nothing of a run is taken from the file, and the embedded fonts
// name no file (the player deletes the files it names when it ends). The
// object's fixed part and data lie inside its block.
void SanitiseObject(OBJECTHEADER *object);

// The block of an object of `total` bytes, as every page holds one: the
// OBJECTSLACK zeros behind its data end any text that fills it. With
// `bytes` the object is copied in and sanitised; without, the caller fills
// the first `total` bytes. NULL when memory fails.
HGLOBAL NewObjectBlock(uint64_t total, const void *bytes = nullptr);

// Asks for the password into `buffer` (room for STOREDPASSWORDCHARS + 1
// characters); 1 for OK.
int GetFilePassword(HWND parent, char *buffer);
INT_PTR CALLBACK GetPasswordProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam);

// Replaces the bytes of a password in place, forward (nonzero) or back (0).
// No byte but 0 becomes 0, so the text keeps its length.
void EncryptString(char *text, int forward);
