// Page objects: one global block each, holding the object's header, its type
// record and its attached data.
#pragma once
#include <windows.h>

int DestroyPageObject(HGLOBAL object);
