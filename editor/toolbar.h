// The toolbar along the top of the frame: the view-mode list and the command
// buttons, whose faces the theme draws; every command goes to the frame.
#pragma once
#include <windows.h>

// One byte per button, left to right, ended by 0: the command id in the low
// seven bits, bit 7 for a wider gap after the button.
extern const BYTE ButtonList[];

LRESULT CALLBACK BarProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

// Draw a packed-DIB resource whose picture is twice the drawn height: the
// image above, its mask below (black where opaque). The first leaves the
// image's transparent places white, the second black.
void DrawImageWithMask(HDC dc, int x, int y, HGLOBAL resource);
void DrawImageWithMaskEx(HDC dc, int x, int y, HGLOBAL resource);
