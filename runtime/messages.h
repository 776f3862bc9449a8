// Private window messages between the show window, the object windows, the
// applet interpreter, the sound player and the message loops, and the action
// codes that buttons and timers share. All messages are WM_USER + n; the
// numbers are fixed because every window that plays or shows a document
// relies on the same ones. "(sent)" marks the messages whose sender waits
// for the result; the others are posted.
#pragma once
#include "media/sound.h" // QVM_REPLAYSOUND, posted by the sound player
#include <windows.h>

// Store the document (lParam: BLOCKSET*) and build the current page.
constexpr UINT QVM_SETDOCUMENT = WM_USER + 101;
// (sent) The current page's background COLORREF; 0x808080 without a page.
constexpr UINT QVM_GETPAGECOLOUR = WM_USER + 107;
// To an object window: LOWORD(wParam) 1 start, 0 stop; lParam the window
// that asked, or 0.
constexpr UINT QVM_OBJECTSTARTSTOP = WM_USER + 131;
// An object window's notice to itself that it exists: reset and start.
constexpr UINT QVM_OBJECTCREATED = WM_USER + 132;
constexpr UINT QVM_FIRSTPAGE = WM_USER + 133;
constexpr UINT QVM_PREVIOUSPAGE = WM_USER + 134;
constexpr UINT QVM_NEXTPAGE = WM_USER + 135;
constexpr UINT QVM_LASTPAGE = WM_USER + 136;
// Close the show (posts SC_CLOSE to the show window).
constexpr UINT QVM_CLOSE = WM_USER + 137;
// wParam the object number, lParam the asking window: start or stop it.
constexpr UINT QVM_STARTOBJECT = WM_USER + 138;
constexpr UINT QVM_STOPOBJECT = WM_USER + 139;
// (sent) lParam: a page title; go to the first page of that title.
constexpr UINT QVM_JUMPTOPAGE = WM_USER + 140;
constexpr UINT QVM_ABOUT = WM_USER + 141;
constexpr UINT QVM_PAGEMENU = WM_USER + 142;
// (sent) lParam: a path or address to open with the shell.
constexpr UINT QVM_OPENDOCUMENT = WM_USER + 143;
// wParam: a page number counted from 0. Every page change ends here.
constexpr UINT QVM_SHOWPAGE = WM_USER + 144;
// (sent) To an owner-drawn button: lParam the DRAWITEMSTRUCT to draw.
constexpr UINT QVM_DRAWITEM = WM_USER + 145;
// QVM_REPLAYSOUND (WM_USER + 146), (re)start the document's background sound,
// is posted by the sound player and so is defined beside it.
// wParam 1 prints the whole window with its frame, 0 the client area.
constexpr UINT QVM_PRINTPAGE = WM_USER + 147;
// To an applet window: run the next script line.
constexpr UINT QVM_APPLETSTEP = WM_USER + 188;
// To an applet window from the player's abort polling; no window handles it.
constexpr UINT QVM_ABORT = WM_USER + 200;

static_assert(QVM_SETDOCUMENT == 0x465);
static_assert(QVM_GETPAGECOLOUR == 0x46B);
static_assert(QVM_OBJECTSTARTSTOP == 0x483);
static_assert(QVM_OBJECTCREATED == 0x484);
static_assert(QVM_FIRSTPAGE == 0x485);
static_assert(QVM_PREVIOUSPAGE == 0x486);
static_assert(QVM_NEXTPAGE == 0x487);
static_assert(QVM_LASTPAGE == 0x488);
static_assert(QVM_CLOSE == 0x489);
static_assert(QVM_STARTOBJECT == 0x48A);
static_assert(QVM_STOPOBJECT == 0x48B);
static_assert(QVM_JUMPTOPAGE == 0x48C);
static_assert(QVM_ABOUT == 0x48D);
static_assert(QVM_PAGEMENU == 0x48E);
static_assert(QVM_OPENDOCUMENT == 0x48F);
static_assert(QVM_SHOWPAGE == 0x490);
static_assert(QVM_DRAWITEM == 0x491);
static_assert(QVM_REPLAYSOUND == 0x492);
static_assert(QVM_PRINTPAGE == 0x493);
static_assert(QVM_APPLETSTEP == 0x4BC);
static_assert(QVM_ABORT == 0x4C8);

// The private messages a message loop takes before any other.
constexpr UINT QVM_FIRSTPRIVATE = WM_USER;
constexpr UINT QVM_LASTPRIVATE = 0x83FF;

// Action codes of buttons and timers; their display names are string-table
// texts IDS_ACTIONNAMES + code.
enum {
    ACTION_NONE = 0,
    ACTION_FIRSTPAGE = 1,
    ACTION_PREVIOUSPAGE = 2,
    ACTION_NEXTPAGE = 3,
    ACTION_LASTPAGE = 4,
    ACTION_QUIT = 5,
    ACTION_NOTIFY = 6,
    ACTION_DISABLE = 7,
    ACTION_JUMPTOPAGE = 8,
    ACTION_ABOUT = 9,
    ACTION_PAGEMENU = 10,
    ACTION_OPENDOCUMENT = 11,
    ACTION_PRINTPAGE = 12,
    ACTION_COUNT = 13
};
