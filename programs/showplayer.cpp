// The player program: the presentation runtime with the interpreter and the
// player's own rules for stopping applets, reporting and opening documents.
#include "applet/appletwindow.h"
#include "player/playermain.h"
#include "player/variants.h"

int WINAPI WinMain(HINSTANCE inst, HINSTANCE, LPSTR cmdline, int)
{
    static const PLAYERPARTS parts{PlayerCheckForAbort, APPLETWindowProc, PlayerMessage, PlayerCanOpenDocument};
    return CreatePresentationWindow(inst, cmdline, parts);
}
