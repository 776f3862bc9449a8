// Private window messages between the show window, the object windows, the
// applet interpreter, the sound player and the message loops. All are
// WM_USER + n; the numbers are fixed because every window that plays or shows
// a document relies on the same ones.
#pragma once
#include <windows.h>

// (Re)start the document's background sound. Posted to the show window by its
// creator, and by the sound player when a looping background sound ends.
constexpr UINT QVM_REPLAYSOUND = WM_USER + 146;
static_assert(QVM_REPLAYSOUND == 0x492);
