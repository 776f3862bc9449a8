// File names beside the program, beside the document, in the user's own
// folders and in the temporary folder, and the help pages opened in a
// browser. Each builder returns a buffer of its own that the next call of
// the same function overwrites; a result that would not fit is empty.
#pragma once
#include <windows.h>

constexpr int PATHBUILDSIZE = 1024;

char *AddApplicationPath(const char *name);
char *AddCurrentPath(const char *name);
char *COMMONAddApplicationDataPath(const char *name);
char *COMMONAddApplicationDataSubPath(const char *name);
char *COMMONAddDocumentPath(const char *name);
int COMMONGetConfigDirectory(char *buffer, int length);
// `out` holds MAX_PATH characters. The name is reserved by an empty file
// under it; the caller deletes the file when done.
int COMMONGetTemporaryFileName(char *out, const char *prefix, const char *extension, int unique);
// The same in a folder of the caller's choosing.
int COMMONGetTemporaryFileNameIn(char *out, const char *folder, const char *prefix, const char *extension,
                                 int unique);
// Creates every missing folder on the way to the file `path`; false when one
// cannot be made.
bool COMMONMakeFoldersFor(const char *path);
char *COMMONUnQuoteCommandLine(char *text);
// The file name part of a path: what follows its last backslash, slash or drive
// colon; the whole path when it has none.
const char *COMMONFileNamePart(const char *path);
void MakeHelpPathName(char *out); // out holds MAX_PATH characters
char *MakeHexPath(const char *text);
// `out` and `anchor` hold MAX_PATH characters each.
void COMMONSplitHTMLReference(char *out, char *anchor, const char *reference);

// 1 when a browser took the page; 0 after telling the user none could.
int ViewHTMLDocument(HWND hwnd, const char *file, const char *anchor, int maximised);
int ViewHTMLDocumentEx(HWND hwnd, const char *file, const char *, int maximised);
void DoTallixHelp(HWND hwnd, const char *topic);
void DoHelp(HWND hwnd, const char *topic);
void DoReference(HWND hwnd, const char *topic);
void DoManual(HWND hwnd, const char *topic);

// Where the shell keeps a special folder (CSIDL_APPDATA, CSIDL_PERSONAL).
// Tests install a reader of their own (NULL restores the shell's); the
// previous one comes back.
typedef bool (*FOLDERREADER)(int csidl, char *out); // out holds MAX_PATH
FOLDERREADER COMMONSetFolderReader(FOLDERREADER reader);

// Fills ApplicationPath with the program's folder when it is still empty;
// whatever looks beside the program calls it first.
void COMMONSetApplicationPath();
