// The stacking order of a page's objects: the array's order is the order
// they are drawn in, the last on top.
#pragma once
#include <windows.h>

struct BLOCK;

// Moves the object at `index` of `block` as `move` says (WMU_OBJECTTOTOP,
// WMU_OBJECTTOBOTTOM, WMU_OBJECTFORWARD or WMU_OBJECTBACKWARD); one already
// where the move would take it stays. False when a slot could not be read
// or written: the array may then be half rearranged, and only a copy taken
// before restores it.
bool RestackPageObject(BLOCK *block, unsigned index, UINT move);
