// MNG animations for animation objects: the frame-by-frame subset (MHDR,
// embedded PNG images with their FRAM and DEFI, LOOP or TERM).
#pragma once
#include <windows.h>

// The animation data block (head, frame records, frame DIBs), which the
// caller owns; or NULL after a message box owned by `hwnd` has said why.
HGLOBAL LoadAnimation(HWND hwnd, const char *path);
