// The applet's own pictures and sounds, which scripts address by number:
// modal lists over the script editor that copy the entries out of the applet
// object and write them back in list order on Done.
#pragma once
#include <windows.h>

struct EDITPARAM;

int SelectAppletPicture(HWND owner, EDITPARAM *param);
int SelectAppletSound(HWND owner, EDITPARAM *param);
