// Playing a saved document as a program of its own, the way a user starts
// it, and watching it from outside: its windows are found by process, its
// message boxes are answered and its show window is closed by posted
// messages, so nothing in the player needs to know it is being watched.
#pragma once
#include <windows.h>
#include <functional>
#include <string>
#include <vector>

struct PLAYOUTCOME {
    bool ended = false;                // the process ended in time (else it was killed)
    DWORD code = 0;                    // its exit code
    bool shown = false;                // its show window became visible
    std::vector<std::string> messages; // texts of the boxes captioned "Message" it showed
};

// Top-level windows of a process, with their class names and captions.
struct PLAYWINDOW {
    HWND hwnd;
    std::string cls, caption;
    bool visible;
};
std::vector<PLAYWINDOW> ProcessWindows(DWORD pid);
// The text of a message box.
std::string MessageBoxText(HWND box);

// How long a wait on a player may take before it is held to be stuck: far
// beyond what any step takes with every core of the machine busy.
constexpr int PLAYERBOUND = 60000;

// Starts `path` with `args` and watches it until it ends. Message boxes
// captioned "Message" are recorded and answered. Once the show window is
// visible `onshow(show, pid)` runs (by default nothing); the show window is
// then closed. A process that neither shows its window nor ends within
// `timeoutms`, or does not end within `timeoutms` of the close, is killed.
PLAYOUTCOME PlayDocument(const std::string &path, const char *args = "",
                         const std::function<void(HWND show, DWORD pid)> &onshow = nullptr,
                         int timeoutms = PLAYERBOUND);

// The screen colour (a COLORREF) at client point (x, y) of a window.
COLORREF ScreenPixel(HWND window, int x, int y);
// Waits until `test` holds, checking every 10 ms; false after `timeoutms`.
bool WaitFor(const std::function<bool()> &test, int timeoutms = PLAYERBOUND);
