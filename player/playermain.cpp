#include "player/playermain.h"
#include "common/modal.h"
#include "common/shell.h"
#include "common/strings.h"
#include "resources/resource.h"
#include <cstdlib>
#include <ctime>

static void PlayerMessage(HWND owner, unsigned id)
{
    COMMONMessageBox(owner, FetchString(id), "Message", MB_ICONINFORMATION);
}

int PlayerMain(HINSTANCE inst, const char *)
{
    hInst = inst;
    srand((unsigned)time(nullptr));
    controlfont = CreateFontA(16, 0, 0, 0, 400, 0, 0, 0, ANSI_CHARSET, 0, 0, 0, 0, "Arial");

    char path[MAX_PATH];
    GetModuleFileNameA(NULL, path, sizeof path);

    // Nothing is appended to this program yet that it could show.
    PlayerMessage(NULL, IDS_PLAYERLOADERROR);

    if (controlfont)
        DeleteObject(controlfont);
    controlfont = NULL;
    return 0;
}
