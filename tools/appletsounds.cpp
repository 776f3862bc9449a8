#include "tools/appletlists.h"

int SelectAppletSound(HWND, EDITPARAM *)
{
    return 1;
}
