// What every test program gets: windows, message pumping, pixel capture and
// a recorder that answers modal boxes in place of a person.
#pragma once
#include "common/modal.h"
#include <windows.h>
#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <vector>

namespace sbtest {

// A plain top-level window of a test class; its procedure is DefWindowProc
// unless one is given.
HWND CreateTestWindow(bool shown, int width = 320, int height = 240, WNDPROC proc = nullptr,
                      const char *title = "test");
// Dispatches every waiting message, and keeps at it for at least `ms`.
void PumpUntilIdle(int ms = 0);
// Dispatches messages until `done` holds; false when it still does not after
// `ms`, a limit only a hung program reaches.
bool PumpUntil(const std::function<bool()> &done, int ms = 30000);

// The processor time a thread (by default the caller) has used, in
// milliseconds: the program's own clock, which other work on a busy machine
// does not run, for bounds on how long a step takes.
double ProcessorMs(HANDLE thread = GetCurrentThread());

// The GDI objects the process holds, counted in the handle table where the
// system will not say (Wine answers GetGuiResources with 0).
int GdiObjects();

// Points this program's calls of `name` in `dll` at `replacement` and
// returns what they called before (null when the program imports no such
// function). Put the old one back the same way.
void *ReplaceImport(const char *dll, const char *name, void *replacement);

struct Capture {
    int width = 0, height = 0;
    std::vector<uint32_t> pixels; // 0x00RRGGBB, top row first
    // As a COLORREF (red in the low byte). A point outside, as every point
    // of a capture that could not be made, fails the test once and answers
    // CLR_INVALID, which no pixel equals.
    COLORREF At(int x, int y) const;
    mutable bool failed = false; // the test was told this capture is wrong
};
// The first top-level window of class `cls` that this program owns. Test
// programs run side by side on one desktop, so FindWindow alone may answer
// with another program's window.
HWND FindOwnWindow(const char *cls);
// Copies what the window's client area shows on the screen; no window
// there fails the test.
Capture CaptureClient(HWND hwnd);
// Copies what a device context holds; no bitmap to copy it into fails the
// test.
Capture CaptureDC(HDC dc, int width, int height);
// A memory DC over a bitmap like the screen's, to draw into without a window.
struct MemoryDC {
    HDC dc;
    HBITMAP bitmap;
    HGDIOBJ old;
    int width, height;
    MemoryDC(int w, int h);
    ~MemoryDC();
    MemoryDC(const MemoryDC &) = delete;
    MemoryDC &operator=(const MemoryDC &) = delete;
    Capture Grab() const { return CaptureDC(dc, width, height); }
};
// With SB_SCREENSHOTS naming a folder, the capture (or the window's client
// area, when there is such a window) goes there as NAME.bmp, to be looked at.
void Snapshot(const Capture &c, const char *name);
void Snapshot(HWND window, const char *name);
// Captions too big for their buttons, 24 pixels high, in a 60-pixel Arial:
// a long one (the font's height reaches the face's top and bottom), and one
// in a struck-through font on a narrow button (wider than it even as three
// dots, its line runs across the face from side to side).
enum { CAPTION_LEFT = 1, CAPTION_TOP = 2, CAPTION_RIGHT = 4, CAPTION_BOTTOM = 8 };
struct BigCaption {
    const char *name, *caption;
    BOOL struck;
    int width, reaches; // the sides of the face its ink must reach
};
extern const BigCaption bigcaptions[2];
constexpr int BIGCAPTIONDEPTH = 24;
// The looks a button is drawn in, each with its face from the button's
// corner (its right from the button's right): the system one clear of its
// whole 2-pixel edge, the soft ones of their side bands.
struct BigCaptionLook {
    const char *name;
    uint32_t flags;
    RECT face;
};
extern const BigCaptionLook bigcaptionlooks[3];
// Each look on a row of its own: with its caption at the left, without it
// at the right.
inline RECT BigCaptionPlace(int look, int width, bool captioned)
{
    int x = captioned ? 4 : 164, y = 4 + 40 * look;
    return RECT{x, y, x + width, y + BIGCAPTIONDEPTH};
}
HFONT BigCaptionFont(const BigCaption &row);
// Expects what a caption inked (the pixels of `c` at `with`, the button
// drawn with its caption, that the same button drawn at `without` without
// one lacks) inside `face` (relative to the buttons' corners) and on each
// of the face's outer rows and columns that `sides` names.
void ExpectCaptionInFace(const Capture &c, RECT with, RECT without, RECT face, int sides);

struct ModalRecord {
    int kind = 0;
    std::string name;    // template name, or "#id" for numbered templates
    std::string text;
    std::string caption;
    HWND parent = nullptr;
    UINT style = 0;
};

// While alive, every modal call is recorded and answered: with the next
// queued answer, or by running it for real and handing the dialog window to
// the next queued driver, or else with `fallback`.
class ModalRecorder {
public:
    explicit ModalRecorder(INT_PTR fallback = IDCANCEL);
    ~ModalRecorder();
    void Answer(INT_PTR value);
    void Drive(std::function<void(HWND dlg)> driver);
    std::vector<ModalRecord> calls;

private:
    struct Step {
        bool real;
        INT_PTR value;
        std::function<void(HWND)> driver;
    };
    std::deque<Step> steps;
    INT_PTR fallback;
    MODALHOOK previous;
    static INT_PTR Hook(const MODALCALL *call);
    static ModalRecorder *current;
};

// How long a dialog driver may run before it is held to be stuck, in
// milliseconds; gives the bound it replaces. For the guard's own tests.
DWORD SetDriverBound(DWORD ms);

// Clicks a dialog's button the way a user would (BM_CLICK); a dialog
// without that button fails the test.
void Click(HWND dlg, int id);
// Pastes `text` over the whole text of a dialog's edit control, as a user
// does: unlike setting the text, the paste stops at the control's limit.
void Paste(HWND dlg, int id, const std::string &text);
// Clicks the dialog's Help button `help`, then presses F1 over the dialog.
void HelpThenF1(HWND dlg, int help);
// What `calls` launched when that was two equal runs, one a press (each
// run tries the same browsers on the same page): the first run; a failure
// of the test otherwise.
std::vector<std::string> LaunchedTwice(const std::vector<ModalRecord> &calls);

} // namespace sbtest
