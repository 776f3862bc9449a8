// The outside paint program: finding it on the fixed drives at start, and
// handing it a picture to edit. The editor never draws pictures itself.
#pragma once
#include <windows.h>
#include <atomic>
#include <mutex>
#include <set>
#include <string>
#include <vector>

// The search walks no deeper, no longer and through no more folders than
// this: one drive may hold a whole host's file system, and the frame waits
// on the search. The time is wall-clock time, however long one folder's
// read takes.
constexpr int PAINTSEARCHDEPTH = 6;
constexpr int PAINTSEARCHFOLDERS = 20000;
constexpr DWORD PAINTSEARCHTIME = 1500; // milliseconds for all drives together

// Where the search looks and how it reads a folder. The editor's start
// passes its own; tests build one over folders of their own.
struct PAINTSEARCHHOST {
    // The roots the search walks, in order: the usable fixed drives. Runs on
    // the walk's thread, within the search's time.
    void (*roots)(HWND window, std::vector<std::string> &roots);
    // The entries of `folder` (which ends in '\'), "." and ".." included or
    // not; false when it cannot be read. Runs on the walk's own thread.
    bool (*read)(const std::string &folder, std::vector<WIN32_FIND_DATAA> &entries);
    // A new manual-reset event, unset, that the walk sets as it ends; NULL
    // when none can be made (then the walk cannot start). Null: the
    // system's.
    HANDLE (*signal)();
    // The search's clock, in milliseconds. Null: the system's.
    DWORD(WINAPI *clock)();
};
// The fixed drives, read through FindFirstFile.
extern const PAINTSEARCHHOST PaintSystemSearch;

// The walk through the folders, on a thread of its own so that neither the
// search box nor the bound waits on a read. Shared by the search and the
// walk; whichever leaves last frees it.
struct PAINTWALK {
    PAINTSEARCHHOST host{};
    std::string name;           // the file name sought
    std::atomic<int> stop{0};   // set by the search: the walk ends at once
    std::atomic<int> folders{0};
    std::atomic<int> bounded{0}; // the walk ended on its folder bound
    std::mutex lock;             // guards what follows
    std::string current;         // the folder being read, for the status line
    std::string found;           // the program's path, once found
    std::set<std::string> seen;  // folders entered, by their identity
};

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
};

// Hands a copy of the picture to the paint program, waits until it ends and
// reads the picture back: a new DIB the caller owns, or NULL after telling
// the user why. The DIB passed in is neither changed nor freed.
HGLOBAL DoPaintImage(HWND window, HGLOBAL dib);
// Whether the paint program is known: PaintbrushPath names a file that
// exists. The picture dialogs offer Paint only then.
bool PaintProgramKnown();
// Makes sure `path` names the paint program, searching `host`'s roots (null:
// the fixed drives) for `name` with the search box when it does not and
// *search is set. *search takes the box's "search again" choice, or 0 when
// the search gave up on its bound without finding the program: a disk too
// large to search is not searched again at every start (the Setup box turns
// the search back on). 1 when the path exists or was found.
int GetPaintbrushPath(HWND window, char *path, const char *name, int *search, const PAINTSEARCHHOST *host);
// Searches `folder` and the folders below it, nearest first, on the calling
// thread, until the walk is stopped or its folder bound is reached; never a
// folder reached through a link, junction or mount point, nor one the walk
// has entered before. 1 when found (the walk's path is then filled in).
int SearchForPaint(const char *folder, const char *name, PAINTWALK *walk);
INT_PTR CALLBACK PaintSearchProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam);
// Fills `map` (261 bytes) with the letters of the drives present, without a
// window, so any thread may; 1.
int GetDriveMap(HWND window, char *map);
// 1 when drive `drive` (0 = A) cannot be used, else 0.
int testdisk(int drive);
