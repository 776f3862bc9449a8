#include "tools/appletlists.h"

int SelectAppletPicture(HWND, EDITPARAM *)
{
    return 1;
}
