#include "tools/appletpreview.h"

int PreviewApplet(HWND, BLOCK *, HWND, HGLOBAL)
{
    return 0;
}
