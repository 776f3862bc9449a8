// Private window messages between the show window, the object windows, the
// applet interpreter, the sound player and the message loops. All are
// WM_USER + n; the numbers are fixed because every window that plays or shows
// a document relies on the same ones.
#pragma once
#include "media/sound.h" // QVM_REPLAYSOUND, posted by the sound player
#include <windows.h>
