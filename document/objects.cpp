#include "document/objects.h"

int DestroyPageObject(HGLOBAL object)
{
    if (!object || !GlobalLock(object))
        return 0;
    GlobalUnlock(object);
    GlobalFree(object);
    return 1;
}
