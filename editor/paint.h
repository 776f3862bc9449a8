// The outside paint program: finding it on the fixed drives at start, and
// handing it a picture to edit. The editor never draws pictures itself.
#pragma once
#include <windows.h>
#include <set>
#include <string>
#include <vector>

// The search walks no deeper, no longer and through no more folders than
// this: one drive may hold a whole host's file system.
constexpr int PAINTSEARCHDEPTH = 6;
constexpr int PAINTSEARCHFOLDERS = 20000;
constexpr DWORD PAINTSEARCHTIME = 5000; // milliseconds for all drives together

// Shared by the search and its box.
struct PAINTSEARCHPARAM {
    HWND window;      // the search box
    char *path;       // filled with the program's path when found (SETTINGTEXT)
    const char *name; // the file name sought
    int again;        // in: the setting; out: the box's check box
    int found;
    int abort;        // set by the box's Abort button
    HGLOBAL strip;    // the animation: square frames side by side (a DIB)
    int stripwidth, framesize;
    int frames, current; // current -1: no animation
    // The bounds: folders entered so far, and when the search gives up.
    int folders;
    DWORD started;
    DWORD timelimit;
    std::set<std::string> *seen; // folders entered, by their identity
};

// Hands a copy of the picture to the paint program, waits until it ends and
// reads the picture back: a new DIB the caller owns, or NULL after telling
// the user why. The DIB passed in is neither changed nor freed.
HGLOBAL DoPaintImage(HWND window, HGLOBAL dib);
// Whether the paint program is known: PaintbrushPath names a file that
// exists. The picture dialogs offer Paint only then.
bool PaintProgramKnown();
// Makes sure `path` names the paint program, searching the fixed drives for
// `name` with the search box when it does not and *search is set; *search
// takes the box's "search again" choice. 1 when the path exists or was found.
int GetPaintbrushPath(HWND window, char *path, const char *name, int *search);
// Searches `folder` and the folders below it, nearest first, within the
// record's bounds; 1 when found (the record's path is then filled in).
int SearchForPaint(const char *folder, const char *name, PAINTSEARCHPARAM *record);
INT_PTR CALLBACK PaintSearchProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam);
// Fills `map` (261 bytes) with the letters of the drives present; 1.
int GetDriveMap(HWND window, char *map);
// 1 when drive `drive` (0 = A) cannot be used, else 0.
int testdisk(int drive);

// The roots the search walks, in order: the usable fixed drives. Tests put
// folders of their own in their place.
typedef void (*PAINTROOTS)(HWND window, std::vector<std::string> &roots);
extern PAINTROOTS PaintSearchRoots;
